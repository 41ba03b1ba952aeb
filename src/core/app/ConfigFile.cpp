#include "app/ConfigFile.h"

#include "app/AppState.h"
#include "app/Options.h"
#include "document/Document.h"
#include "document/Limits.h"
#include "platform/ByteReader.h"
#include "platform/FileIO.h"
#include "platform/Format.h"

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

// The record's fields of the Settings that no option group holds: the
// analysis extent and the raw-file import values.
const std::vector<Field>& extraFields()
{
    static const std::vector<Field> fields = {
        {520, &Settings::m_dAnalysisSampleRate},
        {528, &Settings::m_dwAnalysisFileLength},
        {536, &Settings::m_dAnalysisLengthMS},
        {1204, &Settings::m_nGenericHeaderSize},
        {1208, &Settings::m_nGenericSampleRate},
        {1212, &Settings::m_bGenericFileType},
        {1216, &Settings::m_bGenericResolution},
        {1220, &Settings::m_bGenericByteOrder},
    };
    return fields;
}

// The option groups whose values live in the Settings.
constexpr OptionGroup kSettingsGroups[] = {OptionGroup::Display, OptionGroup::Zoom,  OptionGroup::FFTLPC,
                                           OptionGroup::Spectrogram, OptionGroup::Pitch, OptionGroup::Log};

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

void putValue(ConfigRecord& r, int offset, bool asDouble, double v)
{
    if (asDouble)
        putF64le(r.data() + offset, v);
    else
        putI32(r, offset, truncInt(v));
}

double getValue(const ConfigRecord& r, int offset, bool asDouble, bool flag)
{
    if (asDouble)
        return getF64(r, offset);
    // A flag is read from its lowest byte.
    return flag ? double((r[static_cast<std::size_t>(offset)] & 0xFF) != 0) : double(getI32(r, offset));
}

void writeFields(ConfigRecord& r, const Settings& s, const Selection& which)
{
    const OptionSources from{const_cast<Settings*>(&s)};
    for (OptionGroup g : kSettingsGroups) {
        const OptionValues v = readOptions(g, from);
        const auto fields = optionFields(g);
        for (std::size_t k = 0; k < fields.size(); ++k)
            if (fields[k].offset >= 0 && which.contains(fields[k].offset))
                putValue(r, fields[k].offset, fields[k].recordDouble, v[k]);
    }
    for (const Field& f : extraFields()) {
        if (!which.contains(f.offset))
            continue;
        std::visit(
            [&](auto member) {
                using T = std::remove_cvref_t<decltype(s.*member)>;
                putValue(r, f.offset, std::is_same_v<T, double>, static_cast<double>(s.*member));
            },
            f.member);
    }
}

void readFields(const ConfigRecord& r, Settings& s, const Selection& which)
{
    const OptionSources to{&s};
    for (OptionGroup g : kSettingsGroups) {
        OptionValues v = readOptions(g, to);
        const auto fields = optionFields(g);
        for (std::size_t k = 0; k < fields.size(); ++k) {
            const OptionField& f = fields[k];
            if (f.offset >= 0 && which.contains(f.offset))
                v[k] = getValue(r, f.offset, f.recordDouble, f.kind == FieldKind::Flag || f.kind == FieldKind::Pair);
        }
        writeOptions(g, v, to);
    }
    for (const Field& f : extraFields()) {
        if (!which.contains(f.offset))
            continue;
        std::visit(
            [&](auto member) {
                using T = std::remove_cvref_t<decltype(s.*member)>;
                const double v = getValue(r, f.offset, std::is_same_v<T, double>, std::is_same_v<T, bool>);
                if constexpr (std::is_same_v<T, bool>)
                    s.*member = v != 0;
                else if constexpr (std::is_same_v<T, int>)
                    s.*member = truncInt(v);
                else
                    s.*member = v;
            },
            f.member);
    }
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

// Why the values cannot be used, as a sentence naming the field; empty
// when every value is one the option panels would take. The limits that
// depend on the rate are left out: files written before the rate was kept
// with the values hold values made for another rate than the one they
// name, and the rate rule sets those anew when a recording is loaded.
std::string unusableValue(const Settings& s, const std::vector<SlotValues>& slots)
{
    const double R = s.m_dAnalysisSampleRate;
    if (!sampleRateUsable(R))
        return "The analysis sample rate (" + formatShortest(R) + " Hz) is not one a recording can have.";
    if (!(s.m_dwAnalysisFileLength >= 0 && s.m_dwAnalysisFileLength <= double(kMaxSamples))
        || !(s.m_dAnalysisLengthMS >= 0 && std::isfinite(s.m_dAnalysisLengthMS)))
        return "The analysis length is not one a recording can have.";
    const OptionSources from{const_cast<Settings*>(&s)};
    for (OptionGroup g : kSettingsGroups)
        if (const auto problem = checkOptions(g, readOptions(g, from), 0))
            return problem->message;
    for (std::size_t k = 0; k < slots.size(); ++k) {
        const SlotValues& v = slots[k];
        IntensityOptions intensity{v.intensityWindow, v.intensityStep, v.intensityRelative};
        if (const auto problem =
                checkOptions(OptionGroup::Intensity, readOptions(OptionGroup::Intensity, {nullptr, &intensity}), 0))
            return "Channel slot " + std::to_string(k + 1) + ": " + problem->message;
        if (!(v.smoothPoints >= 0 && v.smoothPoints <= 1e6))
            return "Channel slot " + std::to_string(k + 1) + ": the smoothing points must be from 0 to 1000000.";
        if (!std::isfinite(v.a3) || !std::isfinite(v.b2) || !std::isfinite(v.c1) || !std::isfinite(v.d0))
            return "Channel slot " + std::to_string(k + 1) + ": a calibration coefficient is not a number.";
    }
    return {};
}

const Selection& legacyTakenFields()
{
    static const Selection sel{{{544, 580}, {584, 656}, {984, 1064}, {1072, 1124}, {1136, 1136},
                                {1144, 1144}, {1168, 1200}, {2248, 2248}},
                               {1020, 1044}};
    return sel;
}

const Selection& userLoadedFields()
{
    static const Selection sel{{{520, 536}, {544, 660}, {984, 1068}, {1072, 1200}, {1204, 1220}}, {}};
    return sel;
}

const Selection& userSavedFields()
{
    static const Selection sel{{{520, 1220}}, {}};
    return sel;
}

// The offsets a confirmed panel writes to the settings file; the other
// panels write none.
Selection groupFields(OptionGroup group)
{
    switch (group) {
    case OptionGroup::FFTLPC: return {{{584, 656}, {1020, 1020}}, {}};
    case OptionGroup::Spectrogram: return {{{984, 1068}}, {1020, 1044}};
    case OptionGroup::Pitch: return {{{1072, 1124}, {1136, 1136}, {1144, 1144}, {1168, 1200}}, {}};
    case OptionGroup::Zoom: return {{{kZoomRangeOffset, kZoomRangeOffset}}, {}};
    default: return {};
    }
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

// What a new document takes from the settings file, over `base`. The
// rate-dependent values taken were made for the rate the file was written
// for, and are checked, and kept, for that rate.
Settings legacySettings(const ConfigRecord& r, Settings base)
{
    readFields(r, base, legacyTakenFields());
    if (const double made = getF64(r, kAnalysisRateOffset); sampleRateUsable(made))
        base.m_dAnalysisSampleRate = made;
    return base;
}

// Why the settings file's record cannot be taken, or nothing.
std::string refusedRecord(const std::vector<std::uint8_t>& bytes, ConfigRecord& r)
{
    if (bytes.size() < kConfigRecordSize)
        return "it is " + std::to_string(bytes.size()) + " bytes long, not " + std::to_string(kConfigRecordSize);
    std::copy_n(bytes.begin(), kConfigRecordSize, r.begin());
    if (const std::string version = getText(r, 0, 20); version != app().gstrVersion)
        return "it was written by another version (\"" + truncateUtf8(version, 20) + "\")";
    const Settings s = legacySettings(r, makeDefaultSettings(app().g_nRecordSampleRate));
    if (std::string bad = unusableValue(s, readSlots(r)); !bad.empty()) {
        bad.pop_back(); // the sentence goes on
        return bad;
    }
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
    if (!readRecordFile(r))
        return false;
    const Settings s = legacySettings(r, doc.s);
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
            *why = "The configuration file cannot be used: " + bad + " Nothing was changed.";
        return false;
    }
    // The analysis extent describes the recording: a document that holds
    // one keeps its own, and values made for another rate follow its rate.
    if (doc.m_bHaveData) {
        s.m_dwAnalysisFileLength = doc.s.m_dwAnalysisFileLength;
        s.m_dAnalysisLengthMS = doc.s.m_dAnalysisLengthMS;
        if (s.m_dAnalysisSampleRate != doc.s.m_dAnalysisSampleRate)
            applyRateRule(s, doc.s.m_dAnalysisSampleRate);
        s.m_dAnalysisSampleRate = doc.s.m_dAnalysisSampleRate;
    }
    app().g_rWindowPositions = readWindowRects(r);
    doc.s = s;
    applySlots(doc, slots);
    return true;
}

bool updateLegacyConfig(const Document& doc, OptionGroup group, std::string* error)
{
    const Selection fields = groupFields(group);
    if (fields.ranges.empty())
        return true;
    ConfigRecord r{};
    if (!readRecordFile(r))
        return false;
    writeFields(r, doc.s, fields);
    if (group == OptionGroup::FFTLPC || group == OptionGroup::Spectrogram)
        putF64le(r.data() + kAnalysisRateOffset, doc.s.m_dAnalysisSampleRate);
    return writeRecordFile(legacyConfigPath(), r, error);
}

void revertToDefaultConfiguration()
{
    std::remove(legacyConfigPath().c_str());
}

} // namespace vx
