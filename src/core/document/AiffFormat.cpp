#include "document/AiffFormat.h"

#include "document/LoadCommon.h"
#include "platform/ByteReader.h"

#include <cmath>
#include <limits>

namespace vx {

namespace {

struct Comm {
    int K = 0;
    std::uint32_t N = 0;
    int sampleSize = 0;
    double rate = 0;
    bool littleEndian = false;
};

// Reads a "COMM" chunk of body size S at p. AIFF-C adds a compression type
// and a Pascal-string name whose length varies, so the stated size, not a
// fixed width, says where the next chunk starts.
bool readComm(ByteReader& r, std::uint64_t p, std::uint32_t S, bool aifc, Comm& c, std::string& why)
{
    if (S < 18 || (aifc && S < 22)) {
        why = "The AIFF file's \"COMM\" chunk is too short.";
        return false;
    }
    r.seek(static_cast<std::size_t>(p + 8));
    c.K = r.i16be();
    c.N = r.u32be();
    c.sampleSize = r.i16be();
    c.rate = ConvertFromIeeeExtended(r.bytes(10).data());
    if (aifc) {
        std::string compression = r.fourcc();
        if (compression != "NONE" && compression != "sowt") {
            why = "AIFF-C compression \"" + compression
                + "\" is not supported; only uncompressed (\"NONE\" and \"sowt\") files can be opened.";
            return false;
        }
        c.littleEndian = compression == "sowt";
    }
    return true;
}

std::string checkComm(const Comm& c)
{
    if (c.K < 1)
        return "The AIFF file declares " + std::to_string(c.K) + " channels.";
    if (!sampleRateUsable(c.rate))
        return sampleRateRefusal("The AIFF file", c.rate);
    if (c.sampleSize != 8 && c.sampleSize != 16)
        return std::to_string(c.sampleSize) + "-bit AIFF samples are not supported; only 8 and 16 bits are.";
    if (c.N == 0)
        return "The AIFF file contains no samples.";
    // A channel's length is a 32-bit signed count everywhere after loading,
    // as the other readers refuse longer ones.
    if (c.N > kMaxSamples)
        return "The AIFF file holds " + std::to_string(c.N) + " samples per channel; at most "
             + std::to_string(kMaxSamples) + " can be opened.";
    return {};
}

void setLoadedFields(Document& d, const Comm& comm)
{
    Channels& c = d.getChannel(0);
    c.m_dwFileLength = comm.N;
    c.m_dSampleRate = comm.rate;
    c.m_dLengthMS = comm.N * 1000.0 / comm.rate;
    c.SetTitle("");
    c.m_bAnchorChannel = true;
    c.m_nChannelType = 1;
    c.m_nOrder = 1;
    c.m_nResolutionBits = 16;
    c.m_nDataType = 3;
    setWholePage(c);
    c.m_dReference = 0;
    c.SetUnit("normalized");
    c.m_dGain = 1.0;
    c.m_dFilterRate = comm.rate * 0.5;
}

void decode(Channels& c, const std::uint8_t* src, const Comm& comm, int j)
{
    const std::size_t N = comm.N;
    const std::size_t K = static_cast<std::size_t>(comm.K);
    float* out = allocateSamples(c, N);
    for (std::size_t i = 0; i < N; ++i) {
        const std::size_t at = static_cast<std::size_t>(j) + i * K;
        if (comm.sampleSize == 8) {
            out[i] = static_cast<float>(static_cast<std::int8_t>(src[at]) * 0.0078125);
        } else {
            const std::uint8_t* s = src + 2 * at;
            std::uint16_t w = comm.littleEndian ? std::uint16_t(s[0] | s[1] << 8) : std::uint16_t(s[0] << 8 | s[1]);
            out[i] = static_cast<float>(static_cast<std::int16_t>(w) * 3.0517578125e-05);
        }
    }
}

} // namespace

double ConvertFromIeeeExtended(const std::uint8_t* p)
{
    const int e = ((p[0] & 0x7F) << 8) | p[1];
    const std::uint32_t hi = ByteReader({p + 2, 4}).u32be();
    const std::uint32_t lo = ByteReader({p + 6, 4}).u32be();
    double v;
    if (e == 0 && hi == 0 && lo == 0)
        v = 0;
    else if (e == 0x7FFF)
        v = std::numeric_limits<double>::infinity();
    else
        v = std::ldexp(double(hi), e - 16383 - 31) + std::ldexp(double(lo), e - 16383 - 63);
    return (p[0] & 0x80) ? -v : v;
}

int Read_AIFF_FileType(Document& d, std::span<const std::uint8_t> data, ReadContext& ctx)
{
    try {
        ByteReader r(data);
        if (data.size() < 12 || r.fourcc() != "FORM")
            return -1;
        r.skip(4);
        const std::string form = r.fourcc();
        if (form != "AIFF" && form != "AIFC")
            return -1;
        const bool aifc = form == "AIFC";

        Comm comm;
        bool haveComm = false;
        std::uint64_t soundStart = 0;
        bool haveSound = false;
        std::uint64_t p = 12;
        while (p + 8 <= data.size()) {
            r.seek(static_cast<std::size_t>(p));
            const std::string id = r.fourcc();
            const std::uint32_t S = r.u32be();
            if (id == "COMM") {
                if (!readComm(r, p, S, aifc, comm, ctx.reason))
                    return -1;
                haveComm = true;
            } else if (id == "SSND" && S >= 8) {
                const std::uint32_t offset = r.u32be();
                soundStart = p + 16 + offset;
                haveSound = true;
            }
            p = nextChunk(data, p, S);
        }
        if (!haveComm) {
            ctx.reason = "The AIFF file has no \"COMM\" chunk.";
            return -1;
        }
        if (!haveSound) {
            ctx.reason = "The AIFF file has no \"SSND\" chunk.";
            return -1;
        }
        if (std::string why = checkComm(comm); !why.empty()) {
            ctx.reason = why;
            return -1;
        }
        const std::uint64_t bytes = std::uint64_t(comm.sampleSize / 8) * std::uint64_t(comm.K) * comm.N;
        if (soundStart > data.size() || bytes > data.size() - soundStart) {
            ctx.reason = "The AIFF file is shorter than its header says: it holds fewer samples than "
                         "its \"COMM\" chunk declares.";
            return -1;
        }
        setLoadedFields(d, comm);
        int j = 0;
        if (comm.K >= 2 && (j = askChannel(ctx, comm.K)) < 0)
            return -1;
        if (ctx.headerOnly)
            d.getChannel(0).m_hData.dispose();
        else
            decode(d.getChannel(0), data.data() + soundStart, comm, j);
        d.m_bHaveData = true;
        d.m_bForeignFile = true;
        d.m_nNumofChannels = 1;
        d.getChannel(0).m_nChannelsinFile = comm.K;
        if (aifc)
            ctx.format = "aifc";
        applyAnalysisRate(d);
        return 0;
    } catch (const ReadPastEnd&) {
        ctx.reason = "The AIFF file is damaged: a chunk runs past the end of the file.";
        return -1;
    }
}

} // namespace vx
