#include "document/NativeFormat.h"

#include "document/LoadCommon.h"
#include "platform/ByteReader.h"
#include "platform/Format.h"

#include <cmath>
#include <cstring>

namespace vx {

namespace {

// Everything a native file holds, parsed and checked before any of it
// reaches the document.
struct NativeLabel {
    double time, verticalFactor;
    int justification;
    bool addLine;
    Rect rect;
    RGBColor color;
    LabelFont font;
    std::string text;
};

struct NativeTier {
    std::string name;
    int height;
    std::vector<NativeLabel> labels;
};

struct NativeImage {
    int channelCount = 0;
    double lengthMS, sampleRate, fileLength, reference, a3, b2, c1, d0;
    int channelType, resolution, dataType, height, order, gain, filterRate;
    bool drawReference, anchor;
    int red, green, blue;
    std::string title, unit;
    std::vector<NativeTier> tiers;
    std::size_t samplesAt = 0;
};

std::int16_t s16(std::int32_t v)
{
    return static_cast<std::int16_t>(v);
}

std::uint16_t from8bit(std::int32_t v)
{
    return static_cast<std::uint16_t>(std::clamp(v, 0, 255) * 257);
}

NativeLabel parseLabel(std::span<const std::uint8_t> rec, bool pc)
{
    ByteReader r(rec);
    NativeLabel l{};
    l.time = r.f64le();
    l.verticalFactor = r.f64le();
    l.justification = r.i32le();
    l.addLine = (r.u32le() & 0xFF) != 0;
    std::int32_t left = r.i32le(), top = r.i32le(), right = r.i32le(), bottom = r.i32le();
    l.rect = {s16(top), s16(left), s16(bottom), s16(right)};
    std::int32_t red = r.i32le(), green = r.i32le(), blue = r.i32le(), size = r.i32le();
    r.seek(68);
    std::int32_t weight = r.i32le();
    auto italic = static_cast<std::int8_t>(r.u8());
    std::string family = fixedText(rec, 80, 32);
    if (pc) {
        l.color = {};
        l.font = {"Arial", 14.0, 5, false};
    } else {
        l.color = {from8bit(red), from8bit(green), from8bit(blue)};
        l.font = {family.empty() ? std::string("Arial") : family, size > 0 ? double(size) : 14.0,
                  weight > 0 ? std::min(weight, 15) : 5, italic != 0};
    }
    l.text = fixedText(rec, 112, 256);
    return l;
}

// Returns an empty string and fills img when the data is a loadable native
// file of this variant; otherwise the reason.
std::string parse(std::span<const std::uint8_t> data, bool pc, NativeImage& img)
{
    auto truncated = [] { return std::string("The Voxtrace file is truncated: it ends before its header says."); };
    if (data.size() < kNativeFileHeaderSize + kNativeChannelHeaderSize)
        return truncated();
    ByteReader r(data);
    r.seek(8);
    img.channelCount = r.i32le();
    if (img.channelCount != 1)
        return "The Voxtrace file declares " + std::to_string(img.channelCount)
             + " channels; only single-channel files can be opened.";

    r.seek(kNativeFileHeaderSize);
    img.lengthMS = r.f64le();
    img.sampleRate = r.f64le();
    img.fileLength = r.f64le();
    img.reference = r.f64le();
    img.a3 = r.f64le();
    img.b2 = r.f64le();
    img.c1 = r.f64le();
    img.d0 = r.f64le();
    img.channelType = r.i32le();
    img.resolution = r.i32le();
    img.dataType = r.i32le();
    img.height = r.i32le();
    img.order = r.i32le();
    img.gain = r.i32le();
    img.filterRate = r.i32le();
    const int T = r.i32le();
    img.drawReference = (r.u32le() & 0xFF) != 0;
    img.anchor = (r.u32le() & 0xFF) != 0;
    img.red = r.i32le();
    img.green = r.i32le();
    img.blue = r.i32le();
    img.title = fixedText(data, kNativeFileHeaderSize + 116, 64);
    img.unit = fixedText(data, kNativeFileHeaderSize + 180, 68);

    if (!sampleRateUsable(img.sampleRate))
        return sampleRateRefusal("The Voxtrace file", img.sampleRate);
    if (!(img.fileLength >= 0) || img.fileLength > double(kMaxSamples))
        return "The Voxtrace file declares " + formatShortest(img.fileLength) + " samples; 1 to "
             + std::to_string(kMaxSamples) + " can be opened.";
    if (img.fileLength < 1)
        return "The Voxtrace file contains no samples.";
    if (T < 0 || T > Channels::kNumTiers)
        return "The Voxtrace file declares " + std::to_string(T) + " tiers; a channel has at most 10.";

    std::size_t p = kNativeFileHeaderSize + kNativeChannelHeaderSize;
    for (int t = 0; t < T; ++t) {
        if (data.size() - p < kNativeTierRecordSize)
            return truncated();
        NativeTier tier;
        tier.name = fixedText(data, p, 256);
        r.seek(p + 256);
        const std::int32_t L = r.i32le();
        tier.height = std::min(r.i32le(), TIERS::kMaxHeight);
        if (!pc && tier.height < 1)
            tier.height = 15;
        tier.height = std::max(tier.height, 0);
        p += kNativeTierRecordSize;
        if (L > TIERS::kMaxLabels)
            return "The Voxtrace file's tier " + std::to_string(t + 1) + " declares " + std::to_string(L)
                 + " labels; a tier holds at most " + std::to_string(TIERS::kMaxLabels) + ".";
        if (L < 0 || static_cast<std::uint64_t>(L) * kNativeLabelRecordSize > data.size() - p)
            return "The Voxtrace file is damaged: tier " + std::to_string(t + 1) + " declares "
                 + std::to_string(L) + " labels, more than the file holds.";
        for (std::int32_t k = 0; k < L; ++k) {
            tier.labels.push_back(parseLabel(data.subspan(p, kNativeLabelRecordSize), pc));
            p += kNativeLabelRecordSize;
        }
        img.tiers.push_back(std::move(tier));
    }
    const std::uint64_t N = static_cast<std::uint64_t>(img.fileLength);
    if (2 * N > data.size() - p)
        return truncated();
    img.samplesAt = p;
    return {};
}

void commit(Document& d, std::span<const std::uint8_t> data, const NativeImage& img, ReadContext& ctx)
{
    Channels& c = d.getChannel(0);
    c.m_dLengthMS = img.lengthMS;
    c.m_dSampleRate = img.sampleRate;
    c.m_dwFileLength = std::trunc(img.fileLength);
    c.m_dReference = img.reference;
    c.m_dA3Cal = img.a3;
    c.m_dB2Cal = img.b2;
    c.m_dC1Cal = img.c1;
    c.m_dD0Cal = img.d0;
    c.m_nResolutionBits = img.resolution;
    c.m_nDataType = img.dataType;
    c.m_nHeigth = img.height;
    c.m_nOrder = img.order;
    c.m_dGain = img.gain;
    c.m_dFilterRate = img.filterRate;
    c.m_bDrawReference = img.drawReference;
    c.m_bAnchorChannel = img.anchor;
    c.m_nColorRed = img.red;
    c.m_nColorGreen = img.green;
    c.m_nColorBlue = img.blue;
    c.SetTitlecText(img.title.c_str());
    c.SetUnitcText(img.unit.c_str());
    c.m_bShow = true;
    setWholePage(c);

    for (std::size_t t = 0; t < img.tiers.size(); ++t) {
        const int i = static_cast<int>(t);
        const NativeTier& nt = img.tiers[t];
        c.Tier_RemoveLabelAll(i);
        c.m_Tiers[t].setLevelName(nt.name);
        c.m_Tiers[t].nHeigth = nt.height;
        c.m_Tiers[t].bSelected = true;
        int number = 0;
        for (const NativeLabel& nl : nt.labels) {
            ++number;
            if (nl.text.empty())
                continue;
            if (!std::isfinite(nl.time)) {
                ctx.notes.push_back("label " + std::to_string(number) + " of tier " + std::to_string(t + 1)
                                    + " has no usable time and was left out");
                continue;
            }
            auto label = std::make_shared<Labels>();
            label->dTime = nl.time;
            label->dVerticalFactor = nl.verticalFactor;
            label->nJustification = nl.justification;
            label->bAddLine = nl.addLine;
            label->rectLocation = nl.rect;
            label->setFont_Color(nl.font, nl.color);
            label->setLabelText(nl.text);
            c.Tier_Add_Label_Cocoa(i, std::move(label));
        }
    }
    repairDuration(c, ctx, 0);
    if (ctx.headerOnly)
        c.m_hData.dispose();
    else
        requireSamples(c.readData(data, c.m_dwFileLength, double(img.samplesAt), 16, false), c.m_dwFileLength);
    c.m_nChannelType = 1;
    d.m_nNumofChannels = 1;
    d.s.m_nFileFormat = 13;
    d.m_bHaveData = true;
    d.m_bForeignFile = false;
    applyAnalysisRate(d);
}

int readNative(Document& d, std::span<const std::uint8_t> data, ReadContext& ctx, const char* magic, bool pc)
{
    if (fixedText(data, 0, 8) != magic)
        return -1;
    NativeImage img;
    std::string why = parse(data, pc, img);
    if (img.channelCount != 0)
        d.m_nNumofChannels = img.channelCount;
    if (!why.empty()) {
        ctx.reason = why;
        return -1;
    }
    commit(d, data, img, ctx);
    return 0;
}

void putText(std::uint8_t* at, std::size_t width, const std::string& text)
{
    std::string cut = truncateUtf8(text, width - 1);
    std::memcpy(at, cut.data(), cut.size());
}

void putI32(std::uint8_t* at, std::int32_t v)
{
    putU32le(at, static_cast<std::uint32_t>(v));
}

std::int32_t to8bit(std::uint16_t c)
{
    return static_cast<std::int32_t>(c) * 255 / 65535;
}

void appendLabel(std::vector<std::uint8_t>& out, const Labels& l, double timeOffset)
{
    std::uint8_t rec[kNativeLabelRecordSize] = {};
    putF64le(rec, l.dTime - timeOffset);
    putF64le(rec + 8, l.dVerticalFactor);
    putI32(rec + 16, l.nJustification);
    putI32(rec + 20, l.bAddLine ? 1 : 0);
    putI32(rec + 24, l.rectLocation.left);
    putI32(rec + 28, l.rectLocation.top);
    putI32(rec + 32, l.rectLocation.right);
    putI32(rec + 36, l.rectLocation.bottom);
    putI32(rec + 40, to8bit(l.mFontColor.red));
    putI32(rec + 44, to8bit(l.mFontColor.green));
    putI32(rec + 48, to8bit(l.mFontColor.blue));
    putI32(rec + 52, truncInt(l.mFont.pointSize));
    putI32(rec + 68, l.mFont.weight);
    // The italic angle in tenths of a degree, as a signed byte.
    rec[72] = l.mFont.italic ? static_cast<std::uint8_t>(static_cast<std::int8_t>(-110)) : 0;
    putText(rec + 80, 32, l.mFont.family);
    putText(rec + 112, 256, l.getLabelText());
    out.insert(out.end(), rec, rec + sizeof rec);
}

} // namespace

int Read_VXT_MACX_FileType(Document& d, std::span<const std::uint8_t> data, ReadContext& ctx)
{
    return readNative(d, data, ctx, "VXTMACX", false);
}

int Read_VXT_PC_FileType(Document& d, std::span<const std::uint8_t> data, ReadContext& ctx)
{
    return readNative(d, data, ctx, "VXT_PC", true);
}

std::vector<std::uint8_t> Save_VXT_FileType(const Document& d, int mode)
{
    const Channels& c = d.getChannel(0);
    const bool selection = mode == 1;
    const auto [s, n] = samplesToWrite(c, selection, c.m_dSampleRate, "Voxtrace");
    const double duration = selection ? c.m_dDurationStopTime - c.m_dDurationStartTime : c.m_dLengthMS;
    const double t0 = selection ? c.m_dDurationStartTime : 0.0;
    const double t1 = c.m_dDurationStopTime;
    auto inSelection = [&](const Labels& l) { return !selection || (t0 < l.dTime && l.dTime < t1); };

    std::vector<std::uint8_t> out(kNativeFileHeaderSize + kNativeChannelHeaderSize, 0);
    std::memcpy(out.data(), "VXTMACX", 8);
    putI32(out.data() + 8, 1);

    int T = 0;
    for (const TIERS& tier : c.m_Tiers)
        T += tier.bSelected ? 1 : 0;
    std::uint8_t* h = out.data() + kNativeFileHeaderSize;
    putF64le(h, duration);
    putF64le(h + 8, c.m_dSampleRate);
    putF64le(h + 16, double(n));
    putF64le(h + 24, c.m_dReference);
    putF64le(h + 32, c.m_dA3Cal);
    putF64le(h + 40, c.m_dB2Cal);
    putF64le(h + 48, c.m_dC1Cal);
    putF64le(h + 56, c.m_dD0Cal);
    putI32(h + 64, c.m_nChannelType);
    putI32(h + 68, 16);
    putI32(h + 72, c.m_nDataType);
    putI32(h + 76, c.m_nHeigth);
    putI32(h + 80, c.m_nOrder);
    putI32(h + 84, truncInt(c.m_dGain));
    putI32(h + 88, truncInt(c.m_dFilterRate));
    putI32(h + 92, T);
    putI32(h + 96, c.m_bDrawReference ? 1 : 0);
    putI32(h + 100, c.m_bAnchorChannel ? 1 : 0);
    putI32(h + 104, c.m_nColorRed);
    putI32(h + 108, c.m_nColorGreen);
    putI32(h + 112, c.m_nColorBlue);
    putText(h + 116, 64, c.m_strTitle);
    putText(h + 180, 68, c.m_strUnit);

    for (const TIERS& tier : c.m_Tiers) {
        if (!tier.bSelected)
            continue;
        std::int32_t L = 0;
        for (const LabelPtr& l : tier.m_pArrayLabels)
            L += inSelection(*l) ? 1 : 0;
        std::uint8_t rec[kNativeTierRecordSize] = {};
        putText(rec, 256, tier.strName);
        putI32(rec + 256, L);
        putI32(rec + 260, tier.nHeigth);
        out.insert(out.end(), rec, rec + sizeof rec);
        for (const LabelPtr& l : tier.m_pArrayLabels)
            if (inSelection(*l))
                appendLabel(out, *l, t0);
    }

    const std::size_t at = out.size();
    out.resize(at + 2 * static_cast<std::size_t>(n));
    for (std::int64_t k = 0; k < n; ++k)
        putU16le(out.data() + at + 2 * k, static_cast<std::uint16_t>(toPcm16(c.m_hData[static_cast<std::size_t>(s + k)])));
    return out;
}

} // namespace vx
