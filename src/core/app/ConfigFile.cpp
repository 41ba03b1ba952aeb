#include "app/ConfigFile.h"

#include "app/AppState.h"
#include "document/Document.h"
#include "document/Limits.h"
#include "platform/ByteReader.h"
#include "platform/FileIO.h"

#include <cmath>
#include <cstdio>
#include <unistd.h>
#include <cstring>
#include <variant>
#include <vector>

namespace vx {

namespace {

using Member = std::variant<double Settings::*, int Settings::*, bool Settings::*>;

struct Field {
    int offset;
    Member member;
};

// Every document field of the record, in offset order. The zoom range is a
// double held as an int32 and has its own entry below.
const std::vector<Field>& documentFields()
{
    static const std::vector<Field> fields = {
        {520, &Settings::m_dAnalysisSampleRate},
        {528, &Settings::m_dwAnalysisFileLength},
        {536, &Settings::m_dAnalysisLengthMS},
        {544, &Settings::m_dWidth},
        {552, &Settings::m_dHeight},
        {564, &Settings::m_bDrawTimeGrid},
        {568, &Settings::m_nTimeGridSpacing},
        {572, &Settings::m_bColor},
        {576, &Settings::m_bInches},
        {584, &Settings::m_nFFTWindowLengthSelector},
        {588, &Settings::m_nFFTWindowLength},
        {592, &Settings::m_nFFTAppliedWindowLength},
        {596, &Settings::m_nFFTAverageStepSize},
        {600, &Settings::m_nFFTfrequencyRange},
        {604, &Settings::m_bFFTAbsolute},
        {608, &Settings::m_nFFTAbsoluteRange},
        {612, &Settings::m_bFFTInches},
        {616, &Settings::m_dFFTWidth},
        {624, &Settings::m_dFFTHeight},
        {632, &Settings::m_bFFTColor},
        {636, &Settings::m_bFFTDrawFrequencyGrid},
        {640, &Settings::m_nFFTFrequencyGrid},
        {644, &Settings::m_bFFTDrawDBGrid},
        {648, &Settings::m_nFFTDBGrid},
        {652, &Settings::m_nLPCNumberofCoefficients},
        {656, &Settings::m_bFFTDrawLPC},
        {660, &Settings::m_nFFTFrameInterval},
        {984, &Settings::m_nSpecWindowLength},
        {988, &Settings::m_nSpecWindowLengthSelector},
        {992, &Settings::m_nSpecfrequencyRange},
        {996, &Settings::m_nSpecDynamicRange},
        {1000, &Settings::m_dPreEmphasis},
        {1008, &Settings::m_bSpecDrawFormantTracking},
        {1012, &Settings::m_nSpecLPCNumberofCoefficients},
        {1016, &Settings::m_bSpecInches},
        {1024, &Settings::m_dSpecWidth},
        {1032, &Settings::m_dSpecHeight},
        {1040, &Settings::m_bSpecDrawAudio},
        {1044, &Settings::m_bSpecDrawIntensity},
        {1048, &Settings::m_bSpecDrawLabels},
        {1052, &Settings::m_bSpecDrawFrequencyGrid},
        {1056, &Settings::m_nSpecFrequencyGrid},
        {1060, &Settings::m_bSpecDrawTimeGrid},
        {1064, &Settings::m_nSpecTimeGrid},
        {1072, &Settings::m_dPitchWindowLength},
        {1080, &Settings::m_dPitchStepSize},
        {1088, &Settings::m_dPitchCalculationHigh},
        {1096, &Settings::m_dPitchCalculationLow},
        {1104, &Settings::m_nPitchDisplayHigh},
        {1108, &Settings::m_nPitchDisplayLow},
        {1112, &Settings::m_bPitchDrawFreqGrid},
        {1116, &Settings::m_nPitchFreqGrid},
        {1120, &Settings::m_bPitchDrawTimeGrid},
        {1124, &Settings::m_nPitchTimeGrid},
        {1128, &Settings::m_bCepstral},
        {1136, &Settings::m_dTrackingThreshHold},
        {1144, &Settings::m_dFreqDeviation},
        {1152, &Settings::m_dTrackingThreshHold_AutoCorrolation},
        {1160, &Settings::m_dFreqDeviation_AutoCorrolation},
        {1168, &Settings::m_dPitchWidth},
        {1176, &Settings::m_dPitchHeigth},
        {1184, &Settings::m_bPitchDrawAudio},
        {1188, &Settings::m_bPitchDrawIntensity},
        {1192, &Settings::m_bPitchDrawLabels},
        {1196, &Settings::m_bPitchColor},
        {1200, &Settings::m_bPitchInches},
        {1204, &Settings::m_nGenericHeaderSize},
        {1208, &Settings::m_nGenericSampleRate},
        {1212, &Settings::m_bGenericFileType},
        {1216, &Settings::m_bGenericResolution},
        {1220, &Settings::m_bGenericByteOrder},
        {2248, &Settings::m_dLogStepSize},
    };
    return fields;
}

constexpr int kAnalysisRateOffset = 520;
constexpr int kZoomRangeOffset = 580;
constexpr int kUnusedFlagOffset = 560;
constexpr int kIntensityWindowOffset = 664;
constexpr int kIntensityStepOffset = 728;
constexpr int kIntensityRelativeOffset = 792;
constexpr int kSmoothDoOffset = 856;
constexpr int kSmoothPointsOffset = 920;
constexpr int kCalA3Offset = 1224;
constexpr int kCalB2Offset = 1352;
constexpr int kCalC1Offset = 1480;
constexpr int kCalD0Offset = 1608;
constexpr int kUnitOffset = 1736;
constexpr int kUnitWidth = 32;
constexpr int kCalibratedSlots = 16;
constexpr int kRecordedSlots = 17;

// A set of offset ranges, inclusive, with single offsets left out.
struct Selection {
    std::vector<std::pair<int, int>> ranges;
    std::vector<int> excluded;

    bool contains(int offset) const
    {
        for (int e : excluded)
            if (e == offset)
                return false;
        for (auto [a, b] : ranges)
            if (offset >= a && offset <= b)
                return true;
        return false;
    }
};

void putI32(ConfigRecord& r, int offset, std::int32_t v)
{
    putU32le(r.data() + offset, static_cast<std::uint32_t>(v));
}

std::int32_t getI32(const ConfigRecord& r, int offset)
{
    return ByteReader(std::span(r).subspan(static_cast<std::size_t>(offset), 4)).i32le();
}

double getF64(const ConfigRecord& r, int offset)
{
    return ByteReader(std::span(r).subspan(static_cast<std::size_t>(offset), 8)).f64le();
}

void putText(ConfigRecord& r, int offset, int width, const std::string& text)
{
    std::memset(r.data() + offset, 0, static_cast<std::size_t>(width));
    std::string cut = truncateUtf8(text, static_cast<std::size_t>(width - 1));
    std::memcpy(r.data() + offset, cut.data(), cut.size());
}

std::string getText(const ConfigRecord& r, int offset, int width)
{
    const char* p = reinterpret_cast<const char*>(r.data() + offset);
    return std::string(p, strnlen(p, static_cast<std::size_t>(width)));
}

void writeFields(ConfigRecord& r, const Settings& s, const Selection& which)
{
    for (const Field& f : documentFields()) {
        if (!which.contains(f.offset))
            continue;
        std::visit(
            [&](auto member) {
                using T = std::remove_cvref_t<decltype(s.*member)>;
                if constexpr (std::is_same_v<T, double>)
                    putF64le(r.data() + f.offset, s.*member);
                else if constexpr (std::is_same_v<T, int>)
                    putI32(r, f.offset, s.*member);
                else
                    putI32(r, f.offset, (s.*member) ? 1 : 0);
            },
            f.member);
    }
    if (which.contains(kZoomRangeOffset))
        putI32(r, kZoomRangeOffset, truncInt(s.m_dZoomRange));
}

void readFields(const ConfigRecord& r, Settings& s, const Selection& which)
{
    for (const Field& f : documentFields()) {
        if (!which.contains(f.offset))
            continue;
        std::visit(
            [&](auto member) {
                using T = std::remove_cvref_t<decltype(s.*member)>;
                if constexpr (std::is_same_v<T, double>)
                    s.*member = getF64(r, f.offset);
                else if constexpr (std::is_same_v<T, int>)
                    s.*member = getI32(r, f.offset);
                else
                    s.*member = (r[static_cast<std::size_t>(f.offset)] & 0xFF) != 0;
            },
            f.member);
    }
    if (which.contains(kZoomRangeOffset))
        s.m_dZoomRange = getI32(r, kZoomRangeOffset);
}

// The per-channel values of slots 0 to 15.
struct SlotValues {
    double intensityWindow, intensityStep, smoothPoints;
    bool intensityRelative, smoothDo;
    double a3, b2, c1, d0;
    std::string unit;
};

void writeSlots(ConfigRecord& r, const std::vector<SlotValues>& slots)
{
    for (int k = 0; k < kCalibratedSlots; ++k) {
        const SlotValues& v = slots[static_cast<std::size_t>(k)];
        putI32(r, kIntensityWindowOffset + 4 * k, truncInt(v.intensityWindow));
        putI32(r, kIntensityStepOffset + 4 * k, truncInt(v.intensityStep));
        putI32(r, kIntensityRelativeOffset + 4 * k, v.intensityRelative);
        putI32(r, kSmoothDoOffset + 4 * k, v.smoothDo);
        putI32(r, kSmoothPointsOffset + 4 * k, truncInt(v.smoothPoints));
        putF64le(r.data() + kCalA3Offset + 8 * k, v.a3);
        putF64le(r.data() + kCalB2Offset + 8 * k, v.b2);
        putF64le(r.data() + kCalC1Offset + 8 * k, v.c1);
        putF64le(r.data() + kCalD0Offset + 8 * k, v.d0);
        putText(r, kUnitOffset + kUnitWidth * k, kUnitWidth, v.unit);
    }
}

std::vector<SlotValues> readSlots(const ConfigRecord& r)
{
    std::vector<SlotValues> slots(kCalibratedSlots);
    for (int k = 0; k < kCalibratedSlots; ++k) {
        SlotValues& v = slots[static_cast<std::size_t>(k)];
        v.intensityWindow = getI32(r, kIntensityWindowOffset + 4 * k);
        v.intensityStep = getI32(r, kIntensityStepOffset + 4 * k);
        v.intensityRelative = r[static_cast<std::size_t>(kIntensityRelativeOffset + 4 * k)] != 0;
        v.smoothDo = r[static_cast<std::size_t>(kSmoothDoOffset + 4 * k)] != 0;
        v.smoothPoints = getI32(r, kSmoothPointsOffset + 4 * k);
        v.a3 = getF64(r, kCalA3Offset + 8 * k);
        v.b2 = getF64(r, kCalB2Offset + 8 * k);
        v.c1 = getF64(r, kCalC1Offset + 8 * k);
        v.d0 = getF64(r, kCalD0Offset + 8 * k);
        v.unit = getText(r, kUnitOffset + kUnitWidth * k, kUnitWidth);
    }
    return slots;
}

std::vector<SlotValues> slotsOf(const Document& doc)
{
    std::vector<SlotValues> slots;
    for (int k = 0; k < kCalibratedSlots; ++k) {
        const Channels& c = doc.getChannel(k);
        slots.push_back({c.m_dIntensityWindowLengthMS, c.m_dIntensityStepSizeMS, c.m_dSmoothNumOfPoints,
                         c.m_bIntensityRelative, c.m_bSmoothDo, c.m_dA3Cal, c.m_dB2Cal, c.m_dC1Cal,
                         c.m_dD0Cal, c.m_strUnit});
    }
    return slots;
}

void applySlots(Document& doc, const std::vector<SlotValues>& slots)
{
    for (int k = 0; k < kCalibratedSlots; ++k) {
        Channels& c = doc.getChannel(k);
        const SlotValues& v = slots[static_cast<std::size_t>(k)];
        c.m_dIntensityWindowLengthMS = v.intensityWindow;
        c.m_dIntensityStepSizeMS = v.intensityStep;
        c.m_dSmoothNumOfPoints = v.smoothPoints;
        c.m_bIntensityRelative = v.intensityRelative;
        c.m_bSmoothDo = v.smoothDo;
        c.m_dA3Cal = v.a3;
        c.m_dB2Cal = v.b2;
        c.m_dC1Cal = v.c1;
        c.m_dD0Cal = v.d0;
        c.SetUnitcText(v.unit.c_str());
    }
}

void writeWindowRects(ConfigRecord& r)
{
    const auto& rects = app().g_rWindowPositions;
    for (int k = 0; k < kNumWindowRects; ++k) {
        const Rect& w = rects[static_cast<std::size_t>(k)];
        int at = 344 + 16 * k;
        putI32(r, at, w.left);
        putI32(r, at + 4, w.top);
        putI32(r, at + 8, w.right);
        putI32(r, at + 12, w.bottom);
    }
}

std::array<Rect, kNumWindowRects> readWindowRects(const ConfigRecord& r)
{
    std::array<Rect, kNumWindowRects> rects{};
    for (int k = 0; k < kNumWindowRects; ++k) {
        int at = 344 + 16 * k;
        Rect& w = rects[static_cast<std::size_t>(k)];
        w.left = static_cast<std::int16_t>(getI32(r, at));
        w.top = static_cast<std::int16_t>(getI32(r, at + 4));
        w.right = static_cast<std::int16_t>(getI32(r, at + 8));
        w.bottom = static_cast<std::int16_t>(getI32(r, at + 12));
    }
    return rects;
}

void writeHeaderTexts(ConfigRecord& r)
{
    putText(r, 0, 20, app().gstrVersion);
    putText(r, 20, 16, app().g_strInputSource);
    putText(r, 36, 36, app().g_strPlaySource);
}

// A settings or configuration file is one record; anything much larger is
// not one and is not read whole.
constexpr std::uint64_t kMaxConfigFileBytes = 1 << 20;

bool readRecordFile(ConfigRecord& r)
{
    auto bytes = readWholeFile(legacyConfigPath(), nullptr, kMaxConfigFileBytes);
    if (!bytes || bytes->size() < kConfigRecordSize)
        return false;
    std::copy_n(bytes->begin(), kConfigRecordSize, r.begin());
    return true;
}

bool writeRecordFile(const std::string& path, const ConfigRecord& r, std::string* error = nullptr)
{
    return writeFileAtomically(path, r, error);
}

// The legacy file's range check: a file outside these bounds is ignored.
bool legacyRangesHold(const ConfigRecord& r)
{
    auto within = [](double v, double a, double b) { return v >= a && v <= b; };
    return within(getF64(r, 1088), 50, 1000) && within(getF64(r, 1096), 50, 1000)
        && within(getI32(r, 1104), 50, 1000) && within(getI32(r, 1108), 50, 1000)
        && within(getF64(r, 1072), 10, 100) && within(getF64(r, 1080), 1, 20)
        && within(getF64(r, 1136), 1, 20);
}

bool isWindowLength(int n)
{
    for (int s = 0; s <= 8; ++s)
        if (n == windowLengthForSelector(s))
            return true;
    return false;
}

// Values that later feed divisions, loop steps and array sizes. Returns an
// empty string when every value is usable, else what is wrong.
std::string unusableValue(const Settings& s, const std::vector<SlotValues>& slots)
{
    struct Check {
        bool ok;
        const char* what;
    };
    auto positive = [](double v) { return std::isfinite(v) && v > 0; };
    const int kMaxOrder = 10000;
    const Check checks[] = {
        {positive(s.m_dAnalysisSampleRate), "analysis sample rate"},
        {std::isfinite(s.m_dwAnalysisFileLength) && s.m_dwAnalysisFileLength >= 0, "analysis file length"},
        {std::isfinite(s.m_dAnalysisLengthMS) && s.m_dAnalysisLengthMS >= 0, "analysis length"},
        {positive(s.m_dWidth) && positive(s.m_dHeight), "picture size"},
        {s.m_nTimeGridSpacing >= 0, "time grid spacing"},
        {positive(s.m_dZoomRange), "zoom range"},
        {s.m_nFFTWindowLengthSelector >= 0 && s.m_nFFTWindowLengthSelector <= 8, "FFT window length selector"},
        {isWindowLength(s.m_nFFTWindowLength), "FFT window length"},
        {s.m_nFFTAppliedWindowLength > 0, "FFT applied window length"},
        {s.m_nFFTAverageStepSize > 0, "FFT average step size"},
        {s.m_nFFTfrequencyRange > 0, "FFT frequency range"},
        {s.m_nFFTAbsoluteRange > 0, "FFT absolute range"},
        {positive(s.m_dFFTWidth) && positive(s.m_dFFTHeight), "FFT picture size"},
        {s.m_nFFTFrequencyGrid > 0 && s.m_nFFTDBGrid > 0, "FFT grid spacing"},
        {s.m_nLPCNumberofCoefficients > 0 && s.m_nLPCNumberofCoefficients <= kMaxOrder, "LPC order"},
        {isWindowLength(s.m_nSpecWindowLength), "spectrogram window length"},
        {s.m_nSpecWindowLengthSelector >= 0 && s.m_nSpecWindowLengthSelector <= 8,
         "spectrogram window length selector"},
        {s.m_nSpecfrequencyRange > 0, "spectrogram frequency range"},
        {s.m_nSpecDynamicRange > 0, "spectrogram dynamic range"},
        {std::isfinite(s.m_dPreEmphasis), "pre-emphasis"},
        {s.m_nSpecLPCNumberofCoefficients > 0 && s.m_nSpecLPCNumberofCoefficients <= kMaxOrder,
         "spectrogram LPC order"},
        {positive(s.m_dSpecWidth) && positive(s.m_dSpecHeight), "spectrogram picture size"},
        {s.m_nSpecFrequencyGrid > 0 && s.m_nSpecTimeGrid > 0, "spectrogram grid spacing"},
        {positive(s.m_dPitchWindowLength), "pitch window length"},
        {positive(s.m_dPitchStepSize), "pitch step size"},
        {positive(s.m_dPitchCalculationLow) && std::isfinite(s.m_dPitchCalculationHigh)
             && s.m_dPitchCalculationHigh > s.m_dPitchCalculationLow,
         "pitch calculation range"},
        {s.m_nPitchDisplayLow >= 0 && s.m_nPitchDisplayHigh > s.m_nPitchDisplayLow, "pitch display range"},
        {s.m_nPitchFreqGrid > 0 && s.m_nPitchTimeGrid > 0, "pitch grid spacing"},
        {std::isfinite(s.m_dTrackingThreshHold) && std::isfinite(s.m_dFreqDeviation), "pitch tracking values"},
        {positive(s.m_dPitchWidth) && positive(s.m_dPitchHeigth), "pitch picture size"},
        {positive(s.m_dLogStepSize), "log step size"},
    };
    for (const Check& c : checks)
        if (!c.ok)
            return c.what;
    for (const SlotValues& v : slots) {
        if (!positive(v.intensityWindow) || !positive(v.intensityStep))
            return "intensity window or step";
        if (!(v.smoothPoints >= 0))
            return "smoothing points";
        if (!std::isfinite(v.a3) || !std::isfinite(v.b2) || !std::isfinite(v.c1) || !std::isfinite(v.d0))
            return "calibration coefficients";
    }
    return {};
}

const Selection& legacyTakenFields()
{
    static const Selection sel{{{544, 580}, {584, 656}, {984, 1064}, {1072, 1124}, {1136, 1136},
                                {1144, 1144}, {1168, 1200}, {2248, 2248}},
                               {1044}};
    return sel;
}

const Selection& userLoadedFields()
{
    static const Selection sel{{{520, 536}, {544, 660}, {984, 1064}, {1072, 1200}, {1204, 1220}}, {}};
    return sel;
}

const Selection& userSavedFields()
{
    static const Selection sel{{{520, 1220}}, {}};
    return sel;
}

Selection groupFields(ConfigGroup group)
{
    switch (group) {
    case ConfigGroup::FFTLPC: return {{{584, 656}}, {}};
    case ConfigGroup::Spectrogram: return {{{984, 1064}}, {1044}};
    case ConfigGroup::Pitch: return {{{1072, 1124}, {1136, 1136}, {1144, 1144}, {1168, 1200}}, {}};
    case ConfigGroup::Zoom: return {{{kZoomRangeOffset, kZoomRangeOffset}}, {}};
    }
    return {};
}

} // namespace

std::string legacyConfigPath()
{
    return app().gAppPath + "/VoxtraceConf.cfg";
}

ConfigRecord buildLegacyDefaultRecord()
{
    const double R = app().g_dAnalysisSampleRate;
    Settings s = makeDefaultSettings(R);
    s.m_dWidth = 8.0;
    s.m_bColor = true;
    s.m_dLogStepSize = 10.0;
    s.m_nGenericSampleRate = 0;
    s.m_bGenericFileType = s.m_bGenericResolution = s.m_bGenericByteOrder = false;

    ConfigRecord r{};
    writeHeaderTexts(r);
    writeWindowRects(r);
    writeFields(r, s, userSavedFields());
    writeFields(r, s, {{{2248, 2248}}, {}});
    putI32(r, kUnusedFlagOffset, 1);
    std::vector<SlotValues> slots(kCalibratedSlots, SlotValues{30, 10, 5, false, false, 0, 0, 1.0, 0, "normailzed"});
    writeSlots(r, slots);
    return r;
}

namespace {

// Why the settings file's record cannot be taken, or nothing.
std::string refusedRecord(const std::vector<std::uint8_t>& bytes, ConfigRecord& r)
{
    if (bytes.size() < kConfigRecordSize)
        return "it is " + std::to_string(bytes.size()) + " bytes long, not " + std::to_string(kConfigRecordSize);
    std::copy_n(bytes.begin(), kConfigRecordSize, r.begin());
    if (const std::string version = getText(r, 0, 20); version != app().gstrVersion)
        return "it was written by another version (\"" + truncateUtf8(version, 20) + "\")";
    if (!legacyRangesHold(r))
        return "a pitch value lies outside its range";
    Settings s = makeDefaultSettings(app().g_nRecordSampleRate);
    readFields(r, s, legacyTakenFields());
    if (const std::string bad = unusableValue(s, readSlots(r)); !bad.empty())
        return "it holds an unusable " + bad;
    return {};
}

} // namespace

void ReadConfig()
{
    AppState& a = app();
    a.settingsNotice.clear();
    const std::string path = legacyConfigPath();
    std::string error;
    const auto bytes = readWholeFile(path, &error, kMaxConfigFileBytes);
    ConfigRecord r{};
    if (bytes) {
        const std::string why = refusedRecord(*bytes, r);
        if (why.empty()) {
            a.g_strInputSource = "Mic";
            a.g_strPlaySource = "Computer";
            a.g_rWindowPositions = readWindowRects(r);
            a.g_dAnalysisSampleRate = getF64(r, 520);
            for (int k = 0; k < kNumDSPValues; ++k)
                a.g_nDSPValues[static_cast<std::size_t>(k)] = getI32(r, 2256 + 4 * k);
            return;
        }
        // The user's file is never lost: it is kept beside the new one.
        const std::string kept = path + ".damaged";
        if (std::rename(path.c_str(), kept.c_str()) != 0) {
            a.settingsNotice = "The settings file \"" + path + "\" cannot be used (" + why
                             + ") and could not be kept aside, so it was left as it is; the built-in settings "
                               "are used.";
            return;
        }
        a.settingsNotice = "The settings file \"" + path + "\" could not be used: " + why
                         + ". It was kept as \"" + kept + "\", and the built-in settings are used.";
    } else if (::access(path.c_str(), F_OK) == 0) {
        // There but unreadable (permissions, a folder in its place): left
        // alone.
        a.settingsNotice = "The settings file could not be read (" + error + "); the built-in settings are used.";
        return;
    }
    writeRecordFile(path, buildLegacyDefaultRecord());
}

bool applyLegacyConfig(Document& doc)
{
    ConfigRecord r{};
    if (!readRecordFile(r) || !legacyRangesHold(r))
        return false;
    Settings s = doc.s;
    readFields(r, s, legacyTakenFields());
    // The rate-dependent values taken were made for the rate the file was
    // written for; a file of that rate keeps them.
    if (const double made = getF64(r, kAnalysisRateOffset); sampleRateUsable(made))
        s.m_dAnalysisSampleRate = made;
    std::vector<SlotValues> slots = readSlots(r);
    if (!unusableValue(s, slots).empty())
        return false;
    doc.s = s;
    applySlots(doc, slots);
    return true;
}

ConfigRecord buildUserConfiguration(const Document& doc)
{
    ConfigRecord r{};
    writeHeaderTexts(r);
    for (int k = 0; k < kRecordedSlots; ++k) {
        const Channels& c = doc.getChannel(k);
        putI32(r, 72 + 4 * k, c.m_bShow);
        putI32(r, 140 + 4 * k, truncInt(c.m_dSampleRate));
        putI32(r, 208 + 4 * k, truncInt(c.m_dFilterRate));
        putI32(r, 276 + 4 * k, truncInt(c.m_dGain));
    }
    writeWindowRects(r);
    writeFields(r, doc.s, userSavedFields());
    putI32(r, kUnusedFlagOffset, 1);
    writeSlots(r, slotsOf(doc));
    // The unit texts and calibration end at 2248; the log step and the
    // acquisition-unit block stay zero in a saved configuration.
    std::memset(r.data() + 2248, 0, kConfigRecordSize - 2248);
    return r;
}

bool saveUserConfiguration(const Document& doc, const std::string& path, std::string* error)
{
    return writeRecordFile(path, buildUserConfiguration(doc), error);
}

bool loadUserConfiguration(Document& doc, std::span<const std::uint8_t> bytes, std::string* why)
{
    // Offset 2248 is the end of the last field a load takes.
    constexpr std::size_t kNeeded = 2248;
    if (bytes.size() < kNeeded) {
        if (why)
            *why = "The configuration file is too short (" + std::to_string(bytes.size()) + " bytes, "
                 + std::to_string(kConfigRecordSize) + " expected); nothing was changed.";
        return false;
    }
    ConfigRecord r{};
    std::copy_n(bytes.begin(), std::min(bytes.size(), kConfigRecordSize), r.begin());
    Settings s = doc.s;
    readFields(r, s, userLoadedFields());
    std::vector<SlotValues> slots = readSlots(r);
    if (std::string bad = unusableValue(s, slots); !bad.empty()) {
        if (why)
            *why = "The configuration file holds an unusable " + bad + "; nothing was changed.";
        return false;
    }
    app().g_rWindowPositions = readWindowRects(r);
    doc.s = s;
    applySlots(doc, slots);
    return true;
}

bool updateLegacyConfig(const Document& doc, ConfigGroup group)
{
    ConfigRecord r{};
    if (!readRecordFile(r))
        return false;
    writeFields(r, doc.s, groupFields(group));
    if (group == ConfigGroup::FFTLPC || group == ConfigGroup::Spectrogram)
        putF64le(r.data() + kAnalysisRateOffset, doc.s.m_dAnalysisSampleRate);
    return writeRecordFile(legacyConfigPath(), r);
}

void revertToDefaultConfiguration()
{
    std::remove(legacyConfigPath().c_str());
}

} // namespace vx
