#include "document/WaveFormat.h"

#include "document/LoadCommon.h"
#include "platform/ByteReader.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace vx {

namespace {

constexpr int kTagPCM = 1;
constexpr int kTagFloat = 3;
constexpr int kTagALaw = 6;
constexpr int kTagMuLaw = 7;
constexpr int kTagExtensible = 0xFFFE;

struct WaveFmt {
    int tag = 0;
    int K = 0;
    int rate = 0;
    int blockAlign = 0;
    int bits = 0;
};

std::string tagName(int tag)
{
    switch (tag) {
    case 2: return " (Microsoft ADPCM)";
    case kTagALaw: return " (A-law)";
    case 0x11: return " (IMA ADPCM)";
    case 0x55: return " (MP3)";
    case kTagExtensible: return " (WAVE_FORMAT_EXTENSIBLE)";
    default: return "";
    }
}

// Returns an empty string when the format can be loaded, else the reason.
std::string checkFormat(const WaveFmt& f)
{
    if (f.tag != kTagPCM && f.tag != kTagFloat && f.tag != kTagMuLaw) {
        std::string hint = f.tag == kTagExtensible
                               ? " Save it as plain PCM WAVE (for example with sox using \"-t wavpcm\")."
                               : " Supported are PCM, IEEE float and mu-law WAVE files.";
        return "WAVE format tag " + std::to_string(f.tag) + tagName(f.tag) + " is not supported." + hint;
    }
    if (f.K < 1)
        return "The WAVE file declares " + std::to_string(f.K) + " channels.";
    if (!sampleRateUsable(f.rate))
        return sampleRateRefusal("The WAVE file", f.rate);
    if (f.blockAlign <= 0 || f.blockAlign % f.K != 0)
        return "The WAVE file declares a block align of " + std::to_string(f.blockAlign) + " for "
             + std::to_string(f.K) + " channels.";
    const int width = f.blockAlign / f.K;
    const bool ok = (f.tag == kTagPCM && width >= 1 && width <= 4)
                 || (f.tag == kTagFloat && (width == 4 || width == 8)) || (f.tag == kTagMuLaw && width == 1);
    if (!ok || f.bits <= 0 || f.bits > 8 * width)
        return std::to_string(f.bits) + "-bit samples in " + std::to_string(width)
             + "-byte frames per channel are not supported in WAVE files.";
    return {};
}

// Decodes frames of one channel for the sample layouts that the channel's
// own read does not cover.
void decodeInto(Channels& c, std::span<const std::uint8_t> data, std::size_t p, const WaveFmt& f, int N, int j)
{
    const std::size_t width = static_cast<std::size_t>(f.blockAlign / f.K);
    const std::size_t frame = static_cast<std::size_t>(f.blockAlign);
    float* out = allocateSamples(c, static_cast<std::size_t>(N));
    const std::uint8_t* base = data.data() + p + static_cast<std::size_t>(j) * width;
    for (std::size_t k = 0; k < static_cast<std::size_t>(N); ++k) {
        const std::uint8_t* s = base + k * frame;
        double v = 0;
        if (f.tag == kTagMuLaw) {
            v = muLawToLinear(s[0]) / 32768.0;
        } else if (f.tag == kTagFloat) {
            v = ByteReader({s, 8}).f64le();
        } else if (width == 1) {
            v = (int(s[0]) - 128) / 128.0;
        } else if (width == 3) {
            std::int32_t x = std::int32_t(std::uint32_t(s[0]) << 8 | std::uint32_t(s[1]) << 16
                                          | std::uint32_t(s[2]) << 24);
            v = (x >> 8) / 8388608.0;
        } else if (width == 4) {
            v = static_cast<std::int32_t>(ByteReader({s, 4}).u32le()) / 2147483648.0;
        }
        out[k] = static_cast<float>(v);
    }
}

void setLoadedFields(Document& d, int N, int rate)
{
    Channels& c = d.getChannel(0);
    c.m_dwFileLength = N;
    c.m_dSampleRate = rate;
    c.m_dLengthMS = N * 1000.0 / rate;
    c.m_bAnchorChannel = true;
    c.m_nChannelType = 1;
    c.m_bShow = true;
    c.m_nOrder = 1;
    c.m_nResolutionBits = 32;
    c.m_nDataType = 3;
    setWholePage(c);
    c.m_dReference = 0;
    c.m_dA3Cal = 0;
    c.m_dB2Cal = 0;
    c.m_dC1Cal = 1.0;
    c.m_dD0Cal = 0;
    c.m_dADInputVoltageRangeMV = 1.0;
    c.m_dMaxRangeBits = 1.0;
    c.SetUnit("normalized");
    c.m_dGain = 1.0;
    c.m_dFilterRate = rate * 0.5;
    d.m_bHaveData = true;
    d.m_bForeignFile = true;
    d.m_nNumofChannels = 1;
    d.s.m_nFileFormat = 2;
    applyAnalysisRate(d);
}

} // namespace

int muLawToLinear(std::uint8_t u)
{
    u = static_cast<std::uint8_t>(~u);
    int t = ((u & 0x0F) << 3) + 0x84;
    t <<= (u & 0x70) >> 4;
    return (u & 0x80) ? (0x84 - t) : (t - 0x84);
}

int Read_WAVE_FileType(Document& d, std::span<const std::uint8_t> data, ReadContext& ctx)
{
    const std::uint64_t L = data.size();
    ByteReader r(data);
    if (L < 12)
        return -1;
    if (r.fourcc() != "RIFF" || (r.skip(4), r.fourcc()) != "WAVE")
        return -1;

    WaveFmt f;
    bool haveFmt = false;
    int j = 0;
    std::uint64_t p = 12;
    while (p + 8 <= L) {
        r.seek(static_cast<std::size_t>(p));
        const std::string id = r.fourcc();
        const std::uint32_t S = r.u32le();
        if (id == "fmt ") {
            if (S < 16) {
                ctx.reason = "The WAVE file's \"fmt \" chunk is too short.";
                return -1;
            }
            f.tag = r.u16le();
            f.K = r.i16le();
            f.rate = r.i32le();
            r.skip(4);
            f.blockAlign = r.i16le();
            f.bits = r.i16le();
            if (std::string why = checkFormat(f); !why.empty()) {
                ctx.reason = why;
                return -1;
            }
            haveFmt = true;
            p = nextChunk(data, p, S);
            // A later "fmt " chunk replaces an earlier one, channel choice
            // included.
            j = 0;
            if (f.K >= 2 && (j = askChannel(ctx, f.K)) < 0)
                return -1;
        } else if (id == "data") {
            if (!haveFmt) {
                ctx.reason = "The WAVE file's \"data\" chunk comes before its \"fmt \" chunk.";
                return -1;
            }
            p += 8;
            // A recording that was cut short keeps the frames it has.
            const std::uint64_t D = std::min<std::uint64_t>(S, L - p);
            const std::uint64_t N64 = D / static_cast<std::uint64_t>(f.blockAlign);
            if (N64 > kMaxSamples) {
                ctx.reason = "The WAVE file holds " + std::to_string(N64) + " samples per channel; at most "
                           + std::to_string(kMaxSamples) + " can be opened.";
                return -1;
            }
            const int N = static_cast<int>(N64);
            if (N == 0) {
                ctx.reason = "The WAVE file contains no samples.";
                return -1;
            }
            Channels& c = d.getChannel(0);
            const int width = f.blockAlign / f.K;
            if (ctx.headerOnly)
                c.m_hData.dispose();
            else if (f.tag == kTagPCM && width == 2)
                requireSamples(c.readDataMuliChannel(data, N, double(p), 16, false, f.K, j), N);
            else if (f.tag == kTagFloat && width == 4)
                requireSamples(c.readDataMuliChannel(data, N, double(p), 32, false, f.K, j), N);
            else
                decodeInto(c, data, static_cast<std::size_t>(p), f, N, j);
            setLoadedFields(d, N, f.rate);
            c.m_nChannelsinFile = f.K;
            return 0;
        } else {
            p = nextChunk(data, p, S);
        }
    }
    ctx.reason = haveFmt ? "The WAVE file has no \"data\" chunk." : "The WAVE file has no \"fmt \" chunk.";
    return -1;
}

std::vector<std::uint8_t> Save_WAVE_FileType(const Document& d, bool bSelection, int nWhichChannel)
{
    const Channels& c = d.getChannel(nWhichChannel);
    const int rate = truncInt(c.m_dSampleRate);
    const auto [s, n] = samplesToWrite(c, bSelection, rate, "WAVE");
    // The RIFF size (40 + 2n bytes) is a 32-bit field.
    if (n > (0xFFFFFFFFll - 40) / 2)
        throw WriteRefused("The recording is too long for a WAVE file (" + std::to_string(n)
                           + " samples); save it in the Voxtrace format instead.");

    std::vector<std::uint8_t> out(48 + 2 * static_cast<std::size_t>(n));
    std::uint8_t* h = out.data();
    std::memcpy(h, "RIFF", 4);
    putU32le(h + 4, static_cast<std::uint32_t>(40 + 2 * n));
    std::memcpy(h + 8, "WAVEfmt ", 8);
    putU32le(h + 16, 20);
    putU16le(h + 20, 1);
    putU16le(h + 22, 1);
    putU32le(h + 24, static_cast<std::uint32_t>(rate));
    putU32le(h + 28, static_cast<std::uint32_t>(2 * rate));
    putU16le(h + 32, 2);
    putU16le(h + 34, 16);
    std::memcpy(h + 40, "data", 4);
    putU32le(h + 44, static_cast<std::uint32_t>(2 * n));
    const float* samples = c.m_hData.data();
    for (std::int64_t k = 0; k < n; ++k)
        putU16le(h + 48 + 2 * k, static_cast<std::uint16_t>(toPcm16(samples[s + k])));
    return out;
}

} // namespace vx
