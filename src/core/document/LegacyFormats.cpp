#include "document/LegacyFormats.h"

#include "document/LoadCommon.h"
#include "platform/ByteReader.h"
#include "platform/Format.h"

#include <charconv>
#include <cmath>
#include <cstdlib>

namespace vx {

namespace {

constexpr int kMaxLegacyChannels = 19;

LabelRecord legacyLabel(const std::string& text, double time, double verticalFactor, int justification,
                        Rect rect, bool addLine)
{
    LabelRecord rec;
    rec.strText = text;
    rec.dTime = time;
    rec.dVerticalFactor = verticalFactor;
    rec.nJustification = justification;
    rec.bounds = rect;
    rec.bAddLine = addLine;
    rec.font = {"Arial", 14.0, 5, false};
    rec.color = {};
    return rec;
}

std::string checkExtent(double rate, double N, int k)
{
    const std::string channel = "Channel " + std::to_string(k + 1) + " of the file";
    if (!sampleRateUsable(rate))
        return sampleRateRefusal(channel, rate);
    if (!(N >= 0) || N > double(kMaxSamples))
        return channel + " declares " + formatShortest(N) + " samples; 0 to " + std::to_string(kMaxSamples)
             + " can be opened.";
    if (k == 0 && N < 1)
        return channel + " contains no samples.";
    return {};
}

// Reads a channel's samples, or none when only the header is wanted.
void loadChannel(Channels& c, std::span<const std::uint8_t> data, std::size_t at, int bits, bool swap,
                 const ReadContext& ctx)
{
    if (ctx.headerOnly)
        c.m_hData.dispose();
    else
        requireSamples(c.readData(data, c.m_dwFileLength, double(at), bits, swap), c.m_dwFileLength);
}

// A label whose time is not a number is left out, and a note says so.
bool usableTime(double time, int channel, int label, ReadContext& ctx)
{
    if (std::isfinite(time))
        return true;
    ctx.notes.push_back("label " + std::to_string(label + 1) + " of channel " + std::to_string(channel + 1)
                        + " has no usable time and was left out");
    return false;
}

std::int16_t s16(std::int32_t v)
{
    return static_cast<std::int16_t>(v);
}

// A label's bottom, 18 below a top read from the file; any top may come, so
// the sum wraps like the 16-bit field it goes into instead of overflowing.
std::int32_t plus18(std::int32_t top)
{
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(top) + 18u);
}

// The "QAD_PC_FLOAT" layout: per channel a 248-byte header, its labels and
// its float samples, one after the other.
int readQadFloat(Document& d, std::span<const std::uint8_t> data, ReadContext& ctx)
{
    ByteReader r(data);
    r.seek(32);
    const int K = r.i32le();
    d.m_nNumofChannels = K;
    if (K < 1 || K > kMaxLegacyChannels) {
        ctx.reason = "The QAD float file declares " + std::to_string(K) + " channels; 1 to 19 can be opened.";
        return -1;
    }
    std::size_t p = 512;
    for (int k = 0; k < K; ++k) {
        Channels& c = d.getChannel(k);
        r.seek(p);
        c.m_dLengthMS = r.f64le();
        c.m_dSampleRate = r.f64le();
        const double N = r.f64le();
        c.m_dReference = r.f64le();
        c.m_dA3Cal = r.f64le();
        c.m_dB2Cal = r.f64le();
        c.m_dC1Cal = r.f64le();
        c.m_dD0Cal = r.f64le();
        c.m_nChannelType = r.i32le();
        c.m_nResolutionBits = r.i32le();
        c.m_nDataType = r.i32le();
        c.m_nHeigth = r.i32le();
        c.m_nOrder = r.i32le();
        c.m_dGain = r.i32le();
        c.m_dFilterRate = r.i32le();
        const std::int32_t L = r.i32le();
        c.m_bDrawReference = (r.u32le() & 0xFF) != 0;
        c.m_bAnchorChannel = (r.u32le() & 0xFF) != 0;
        c.m_nColorRed = r.i32le();
        c.m_nColorGreen = r.i32le();
        c.m_nColorBlue = r.i32le();
        r.seek(p + 248); // the whole header must be there
        c.SetTitle(fixedText(data, p + 116, 248 - 116));
        if (std::string why = checkExtent(c.m_dSampleRate, N, k); !why.empty()) {
            ctx.reason = why;
            return -1;
        }
        c.m_dwFileLength = std::trunc(N);
        repairDuration(c, ctx, k);
        c.m_bShow = true;
        setWholePage(c);
        c.RemoveAllLabels();
        p += 248;
        if (L > TIERS::kMaxLabels || static_cast<std::uint64_t>(std::max(L, 0)) * 368 > data.size() - p)
            throw ReadPastEnd();
        for (std::int32_t i = 0; i < L; ++i) {
            r.seek(p);
            const double time = r.f64le();
            const double vf = r.f64le();
            const int just = r.i32le();
            const bool addLine = r.u8() != 0;
            r.seek(p + 24);
            std::int32_t left = r.i32le(), top = r.i32le(), right = r.i32le(), bottom = r.i32le();
            r.seek(p + 368);
            if (usableTime(time, k, i, ctx))
                c.Add_Label(legacyLabel(fixedText(data, p + 112, 256), time, vf, just,
                                        {s16(top), s16(left), s16(bottom), s16(right)}, addLine));
            p += 368;
        }
        loadChannel(c, data, p, 32, false, ctx);
        p += 4 * static_cast<std::size_t>(c.m_dwFileLength);
    }
    d.s.m_nFileFormat = K > 1 ? 4 : 1;
    d.m_bHaveData = true;
    d.m_bForeignFile = false;
    bool haveSpeech = false;
    for (int k = 0; k < K; ++k)
        haveSpeech = haveSpeech || d.getChannel(k).m_nChannelType == 1;
    for (int k = 0; k < K && !haveSpeech; ++k) {
        if (d.getChannel(k).m_dSampleRate > 8000) {
            d.getChannel(k).m_nChannelType = 1;
            haveSpeech = true;
        }
    }
    applyAnalysisRate(d);
    return 0;
}

// The number a text starts with, read in the C locale (as atof reads it
// there, blanks first); 0 when there is none.
double leadingNumber(const std::string& text)
{
    std::size_t at = text.find_first_not_of(" \t\n\r\f\v");
    if (at == std::string::npos)
        return 0;
    if (text[at] == '+')
        ++at;
    double v = 0;
    const auto r = std::from_chars(text.data() + at, text.data() + text.size(), v);
    return r.ec == std::errc() ? v : 0;
}

struct OldLayout {
    bool isA;
    std::size_t flags, gain0, gains, labelCount;
};

void setOldChannel(Channels& c, const OldLayout& lay, bool first, int slot, double rate, std::int32_t bytes,
                   double gain)
{
    c.m_dSampleRate = rate;
    c.m_dwFileLength = bytes > 0 ? bytes / 2 : 0;
    c.m_dLengthMS = c.m_dwFileLength * 1000.0 / rate;
    c.m_dA3Cal = 0;
    c.m_dB2Cal = 0;
    c.m_dC1Cal = lay.isA ? 1.0 : (first ? 2500.0 : 5000.0);
    c.m_dD0Cal = 0;
    c.m_dADInputVoltageRangeMV = lay.isA ? (first ? 5000.0 : 10000.0) : 1.0;
    c.m_dMaxRangeBits = lay.isA ? (first ? 65536.0 : 4096.0) : 1.0;
    c.m_bAnchorChannel = first;
    c.m_nChannelType = first ? 1 : 0;
    c.m_nOrder = slot + 1;
    c.m_nResolutionBits = first ? 16 : 12;
    c.m_nDataType = first ? 3 : 0;
    c.m_dGain = gain;
    c.m_dFilterRate = rate / 2;
    setWholePage(c);
    c.m_nHeigth = 100;
    if (first)
        c.m_dReference = 0;
}

// Layouts A and B: a fixed header, channel 0 and the extra channels whose
// flags are set, labels of channel 0.
int readOldPc(Document& d, std::span<const std::uint8_t> data, ReadContext& ctx, const OldLayout& lay)
{
    ByteReader r(data);
    r.seek(8);
    const int K = r.i32le();
    r.seek(16);
    const double R0 = r.i32le();
    const double R1 = r.i32le();
    const std::int32_t len0 = r.i32le();
    const std::int32_t len1 = r.i32le();
    if (K < 1 || K > kMaxLegacyChannels) {
        ctx.reason = "The legacy PC file declares " + std::to_string(K) + " channels; 1 to 19 can be opened.";
        return -1;
    }
    if (!sampleRateUsable(R0) || (K > 1 && !sampleRateUsable(R1))) {
        ctx.reason = sampleRateRefusal("The legacy PC file", sampleRateUsable(R0) ? R1 : R0);
        return -1;
    }
    if (len0 < 2) {
        ctx.reason = "The legacy PC file contains no samples.";
        return -1;
    }
    d.m_nNumofChannels = K;
    r.seek(lay.gain0);
    setOldChannel(d.getChannel(0), lay, true, 0, R0, len0, r.i32le());
    int slot = 1;
    for (int f = 0; f < 15 && slot < K; ++f) {
        r.seek(lay.flags + 4 * static_cast<std::size_t>(f));
        if (r.u8() == 0)
            continue;
        r.seek(lay.gains + 4 * static_cast<std::size_t>(f));
        setOldChannel(d.getChannel(slot), lay, false, slot, R1, len1, r.i32le());
        ++slot;
    }

    Channels& c0 = d.getChannel(0);
    r.seek(lay.labelCount);
    std::int32_t M = std::max(0, r.i32le());
    if (lay.isA)
        c0.RemoveAllLabels();
    // Layout A keeps label times from 1484 and texts from 1888, so at most
    // 101 labels fit before the texts begin.
    if (lay.isA)
        M = std::min(M, 101);
    auto addIfInside = [&](const std::string& text, double time) {
        if (time > 0 && time < c0.m_dLengthMS && text.size() < 255)
            c0.Add_Label(legacyLabel(text, time, 0, 0, {}, false));
    };
    std::size_t firstSample;
    if (lay.isA) {
        for (std::int32_t i = 0; i < M; ++i) {
            r.seek(1484 + 4 * static_cast<std::size_t>(i));
            addIfInside(fixedText(data, 1888 + 15 * static_cast<std::size_t>(i), 15), r.i32le());
        }
        firstSample = 6484;
    } else {
        if (static_cast<std::uint64_t>(M) * 140 > data.size())
            throw ReadPastEnd();
        for (std::int32_t i = 0; i < M; ++i) {
            const std::size_t at = 1728 + 140 * static_cast<std::size_t>(i);
            r.seek(at + 140);
            addIfInside(fixedText(data, at, 100), leadingNumber(fixedText(data, at + 100, 40)));
        }
        firstSample = 1728 + 140 * static_cast<std::size_t>(M);
    }
    // Every channel's samples are read from the first sample byte; where
    // the extra channels' data start in these files is not known.
    for (int k = 0; k < K; ++k)
        loadChannel(d.getChannel(k), data, firstSample, k == 0 ? 16 : 12, false, ctx);
    return 0;
}

// "QAD_Mac": big-endian headers, labels and samples, channel after channel.
int readQadMac(Document& d, std::span<const std::uint8_t> data, ReadContext& ctx, int K)
{
    d.m_nNumofChannels = K;
    ByteReader r(data);
    std::size_t p = 512;
    for (int k = 0; k < K; ++k) {
        Channels& c = d.getChannel(k);
        r.seek(p);
        c.m_dLengthMS = r.f64be();
        c.m_dSampleRate = r.f64be();
        const double N = r.f64be();
        r.seek(p + 76);
        c.m_nHeigth = r.i32be();
        r.seek(p + 92);
        const std::int32_t L = r.i32be();
        r.seek(p + 248);
        if (std::string why = checkExtent(c.m_dSampleRate, N, k); !why.empty()) {
            ctx.reason = why;
            return -1;
        }
        c.m_dwFileLength = std::trunc(N);
        repairDuration(c, ctx, k);
        char title[32];
        std::snprintf(title, sizeof title, "Chan  %d", k);
        c.SetTitlecText(title);
        c.m_bAnchorChannel = k == 0;
        c.m_nChannelType = k == 0 ? 1 : 0;
        c.m_bShow = true;
        c.m_nOrder = k + 1;
        c.m_nResolutionBits = 16;
        c.m_nDataType = 3;
        setWholePage(c);
        c.m_dReference = 0;
        c.m_dA3Cal = 0;
        c.m_dB2Cal = 0;
        c.m_dC1Cal = 1000.0;
        c.m_dD0Cal = 0;
        c.m_dADInputVoltageRangeMV = 1.0;
        c.m_dMaxRangeBits = 1.0;
        c.m_dGain = 1.0;
        c.m_dFilterRate = c.m_dSampleRate / 2;
        c.RemoveAllLabels();
        p += 248;
        if (L > TIERS::kMaxLabels || static_cast<std::uint64_t>(std::max(L, 0)) * 368 > data.size() - p)
            throw ReadPastEnd();
        for (std::int32_t i = 0; i < L; ++i) {
            r.seek(p);
            const double time = r.f64be();
            const double vf = r.f64be();
            const int just = r.i32be();
            const bool addLine = r.i32be() != 0;
            std::int32_t left = r.i32be(), top = r.i32be(), right = r.i32be();
            r.seek(p + 368);
            if (usableTime(time, k, i, ctx))
                c.Add_Label(legacyLabel(fixedText(data, p + 112, 256), time, vf, just,
                                        {s16(top), s16(left), s16(plus18(top)), s16(right)}, addLine));
            p += 368;
        }
        // The samples are big-endian like the rest of the file.
        loadChannel(c, data, p, k == 0 ? 16 : 12, true, ctx);
        p += 2 * static_cast<std::size_t>(c.m_dwFileLength);
    }
    return 0;
}

} // namespace

int Read_QAD_PC_Float_FileType(Document& d, std::span<const std::uint8_t> data, ReadContext& ctx)
{
    if (fixedText(data, 0, 16) != "QAD_PC_FLOAT")
        return -1;
    return readQadFloat(d, data, ctx);
}

int Read_OLD_PC_FileType(Document& d, std::span<const std::uint8_t> data, ReadContext& ctx)
{
    if (data.size() < 12)
        return -1;
    ByteReader r(data);
    const std::int32_t H = r.i32le();
    const std::int32_t version = r.i32le();
    int result = -1;
    bool recognised = true;
    if (H >= 6480 && H <= 6489 && version == 10)
        result = readOldPc(d, data, ctx, {true, 188, 252, 256, 1480});
    else if (H >= 1600 && H <= 1609 && version == 100)
        result = readOldPc(d, data, ctx, {false, 176, 240, 244, 1708});
    else if (fixedText(data, 0, 8) == "QAD_Mac") {
        r.seek(8);
        const std::int32_t K = r.i32be();
        if (K >= 1 && K <= kMaxLegacyChannels)
            result = readQadMac(d, data, ctx, K);
        else
            recognised = false;
    } else {
        recognised = false;
    }
    if (!recognised)
        return -1;
    if (result == 0) {
        d.m_bHaveData = true;
        d.m_bForeignFile = true;
        applyAnalysisRate(d);
    }
    return result;
}

} // namespace vx
