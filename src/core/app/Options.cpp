#include "app/Options.h"

#include "app/AppState.h"
#include "document/Document.h"
#include "platform/Format.h"

#include <cmath>
#include <type_traits>

namespace vx {

namespace {

template <typename T>
struct MemberOf;
template <typename C, typename T>
struct MemberOf<T C::*> {
    using Class = C;
    using Type = T;
};

template <auto M>
double getMember(const void* group)
{
    using C = typename MemberOf<decltype(M)>::Class;
    return static_cast<double>(static_cast<const C*>(group)->*M);
}

template <auto M>
void setMember(void* group, double v)
{
    using C = typename MemberOf<decltype(M)>::Class;
    using T = typename MemberOf<decltype(M)>::Type;
    T& field = static_cast<C*>(group)->*M;
    if constexpr (std::is_same_v<T, bool>)
        field = v != 0;
    else if constexpr (std::is_same_v<T, int>)
        field = truncInt(v);
    else
        field = v;
}

template <auto M>
OptionField row(const char* name, const char* text, const char* unit, FieldKind kind, double low, double high,
                int offset)
{
    OptionField f;
    f.name = name;
    f.text = text;
    f.unit = unit;
    f.kind = kind;
    f.low = low;
    f.high = high;
    f.offset = offset;
    f.get = &getMember<M>;
    f.set = &setMember<M>;
    f.recordDouble = std::is_same_v<typename MemberOf<decltype(M)>::Type, double>;
    return f;
}

template <auto M>
OptionField flag(const char* name, const char* text, int offset)
{
    return row<M>(name, text, "", FieldKind::Flag, 0, 1, offset);
}

template <auto M>
OptionField pair(const char* name, const char* text, const char* first, const char* second, int offset,
                 bool firstIsTrue = true)
{
    OptionField f = row<M>(name, text, "", FieldKind::Pair, 0, 1, offset);
    f.items = {first, second};
    f.firstIsTrue = firstIsTrue;
    return f;
}

template <auto M>
OptionField whole(const char* name, const char* text, const char* unit, double low, double high, int offset)
{
    return row<M>(name, text, unit, FieldKind::Whole, low, high, offset);
}

template <auto M>
OptionField even(const char* name, const char* text, int offset)
{
    OptionField f = row<M>(name, text, "", FieldKind::Whole, 2, 400, offset);
    f.even = true;
    return f;
}

template <auto M>
OptionField real(const char* name, const char* text, const char* unit, double low, double high, int decimals,
                 int offset, bool aboveLow = false)
{
    OptionField f = row<M>(name, text, unit, FieldKind::Real, low, high, offset);
    f.decimals = decimals;
    f.aboveLow = aboveLow;
    return f;
}

// A picture size: above 0, in inches or centimetres as the unit flag says.
template <auto M>
OptionField size(const char* name, const char* text, int offset)
{
    return real<M>(name, text, "in or cm", 0, 100, 2, offset, true);
}

template <auto M>
OptionField windowLength(const char* name, int offset)
{
    OptionField f = row<M>(name, "Window length", "", FieldKind::Choice, 0, 8, offset);
    for (int s = 0; s <= 8; ++s)
        f.items.push_back(std::to_string(windowLengthForSelector(s)) + " points");
    return f;
}

// Ten hours, in ms: more than any grid step or zoom range needs.
constexpr double kLongMs = 36000000;

template <auto M>
OptionField timeGrid(const char* name, const char* text, int offset)
{
    OptionField f = row<M>(name, text, "ms", FieldKind::Whole, 0, kLongMs, offset);
    f.zeroMeans = "automatic";
    return f;
}
constexpr double kTopHz = 500000;

// 0 for off, else at least 500 Hz (an LPC rate of 1000 Hz).
template <auto M>
OptionField ceiling(const char* name, int offset)
{
    OptionField f = row<M>(name, "Formant ceiling", "Hz", FieldKind::Whole, 0, kTopHz, offset);
    f.zeroMeans = "off";
    f.lowUnlessZero = 500;
    return f;
}

// clang-format off
const std::vector<OptionField>& fieldTable(OptionGroup g)
{
    using D = DisplayOptions; using F = FFTOptions; using S = SpectrogramOptions; using P = PitchOptions;
    static const std::vector<OptionField> display = {
        pair<&D::m_bAutoPitchIntensity>("m_bAutoPitchIntensity", "Pitch and intensity", "Automatic", "On command", -1),
        flag<&D::m_bDrawTimeGrid>("m_bDrawTimeGrid", "Draw time grid", 564),
        timeGrid<&D::m_nTimeGridSpacing>("m_nTimeGridSpacing", "Time grid spacing", 568),
        pair<&D::m_bInches>("m_bInches", "Picture size in", "Inches", "Centimetres", 576),
        size<&D::m_dWidth>("m_dWidth", "Picture width", 544),
        size<&D::m_dHeight>("m_dHeight", "Picture height", 552),
        pair<&D::m_bColor>("m_bColor", "Picture", "Colour", "Black and white", 572),
    };
    static const std::vector<OptionField> recordPlay = [] {
        OptionField f = row<&RecordPlayOptions::g_nRecordSampleRate>("g_nRecordSampleRate", "Record sample rate",
                                                                       "Hz", FieldKind::Choice, 11025, 44100, -1);
        f.items = {"44100", "22050", "11025"};
        f.itemIsValue = true;
        return std::vector<OptionField>{f};
    }();
    // The record holds the zoom range as a whole number.
    static const std::vector<OptionField> zoom = [] {
        OptionField f = real<&ZoomOptions::m_dZoomRange>("m_dZoomRange", "Zoom range", "ms", 1, kLongMs, 0, 580);
        f.recordDouble = false;
        return std::vector<OptionField>{f};
    }();
    static const std::vector<OptionField> fft = {
        windowLength<&F::m_nFFTWindowLengthSelector>("m_nFFTWindowLengthSelector", 584),
        whole<&F::m_nFFTWindowLength>("m_nFFTWindowLength", "", "points", 32, 8192, 588),
        whole<&F::m_nFFTAppliedWindowLength>("m_nFFTAppliedWindowLength", "Applied window", "ms", 1, 10000, 592),
        whole<&F::m_nFFTfrequencyRange>("m_nFFTfrequencyRange", "Frequency range", "Hz", 1, kTopHz, 600),
        whole<&F::m_nFFTAverageStepSize>("m_nFFTAverageStepSize", "Average step", "ms", 1, 10000, 596),
        even<&F::m_nLPCNumberofCoefficients>("m_nLPCNumberofCoefficients", "LPC order", 652),
        flag<&F::m_bFFTDrawLPC>("m_bFFTDrawLPC", "Draw LPC envelope", 656),
        ceiling<&F::m_nFFTFormantCeiling>("m_nFFTFormantCeiling", 1020),
        pair<&F::m_bFFTAbsolute>("m_bFFTAbsolute", "Level scale", "Absolute", "Relative", 604),
        whole<&F::m_nFFTAbsoluteRange>("m_nFFTAbsoluteRange", "Absolute range", "dB", 1, 400, 608),
        flag<&F::m_bFFTDrawFrequencyGrid>("m_bFFTDrawFrequencyGrid", "Draw frequency grid", 636),
        whole<&F::m_nFFTFrequencyGrid>("m_nFFTFrequencyGrid", "Frequency grid", "Hz", 1, kTopHz, 640),
        flag<&F::m_bFFTDrawDBGrid>("m_bFFTDrawDBGrid", "Draw level grid", 644),
        whole<&F::m_nFFTDBGrid>("m_nFFTDBGrid", "Level grid", "dB", 1, 400, 648),
        pair<&F::m_bFFTInches>("m_bFFTInches", "Picture size in", "Inches", "Centimetres", 612),
        size<&F::m_dFFTWidth>("m_dFFTWidth", "Picture width", 616),
        size<&F::m_dFFTHeight>("m_dFFTHeight", "Picture height", 624),
        pair<&F::m_bFFTColor>("m_bFFTColor", "Picture", "Colour", "Black and white", 632),
    };
    static const std::vector<OptionField> spectrogram = {
        windowLength<&S::m_nSpecWindowLengthSelector>("m_nSpecWindowLengthSelector", 988),
        whole<&S::m_nSpecWindowLength>("m_nSpecWindowLength", "", "points", 32, 8192, 984),
        whole<&S::m_nSpecDynamicRange>("m_nSpecDynamicRange", "Dynamic range", "dB", 1, 400, 996),
        whole<&S::m_nSpecfrequencyRange>("m_nSpecfrequencyRange", "Frequency range", "Hz", 1, kTopHz, 992),
        even<&S::m_nSpecLPCNumberofCoefficients>("m_nSpecLPCNumberofCoefficients", "LPC order", 1012),
        real<&S::m_dPreEmphasis>("m_dPreEmphasis", "Pre-emphasis", "", 0, 1, 2, 1000),
        flag<&S::m_bSpecDrawFormantTracking>("m_bSpecDrawFormantTracking", "Formant tracking", 1008),
        ceiling<&S::m_nSpecFormantCeiling>("m_nSpecFormantCeiling", 1068),
        flag<&S::m_bSpecDrawAudio>("m_bSpecDrawAudio", "Draw waveform", 1040),
        flag<&S::m_bSpecDrawLabels>("m_bSpecDrawLabels", "Draw labels", 1048),
        flag<&S::m_bSpecDrawFrequencyGrid>("m_bSpecDrawFrequencyGrid", "Draw frequency grid", 1052),
        whole<&S::m_nSpecFrequencyGrid>("m_nSpecFrequencyGrid", "Frequency grid", "Hz", 1, kTopHz, 1056),
        flag<&S::m_bSpecDrawTimeGrid>("m_bSpecDrawTimeGrid", "Draw time grid", 1060),
        timeGrid<&S::m_nSpecTimeGrid>("m_nSpecTimeGrid", "Time grid", 1064),
        pair<&S::m_bSpecInches>("m_bSpecInches", "Picture size in", "Inches", "Centimetres", 1016),
        size<&S::m_dSpecWidth>("m_dSpecWidth", "Picture width", 1024),
        size<&S::m_dSpecHeight>("m_dSpecHeight", "Picture height", 1032),
        flag<&S::m_bSpecDrawIntensity>("m_bSpecDrawIntensity", "", 1044),
    };
    static const std::vector<OptionField> pitch = {
        real<&P::m_dPitchWindowLength>("m_dPitchWindowLength", "Window length", "ms", 10, 100, 0, 1072),
        real<&P::m_dPitchStepSize>("m_dPitchStepSize", "Step", "ms", 1, 20, 0, 1080),
        real<&P::m_dFreqDeviation>("m_dFreqDeviation", "Frequency deviation", "Hz", 0, 100000, 0, 1144, true),
        real<&P::m_dTrackingThreshHold>("m_dTrackingThreshHold", "Threshold", "%", 1, 20, 0, 1136),
        real<&P::m_dPitchCalculationLow>("m_dPitchCalculationLow", "Lowest pitch", "Hz", 50, 1000, 0, 1096),
        real<&P::m_dPitchCalculationHigh>("m_dPitchCalculationHigh", "Highest pitch", "Hz", 50, 1000, 0, 1088),
        whole<&P::m_nPitchDisplayLow>("m_nPitchDisplayLow", "Display from", "Hz", 50, 1000, 1108),
        whole<&P::m_nPitchDisplayHigh>("m_nPitchDisplayHigh", "Display to", "Hz", 50, 1000, 1104),
        flag<&P::m_bPitchDrawFreqGrid>("m_bPitchDrawFreqGrid", "Draw frequency grid", 1112),
        whole<&P::m_nPitchFreqGrid>("m_nPitchFreqGrid", "Frequency grid", "Hz", 1, 1000, 1116),
        flag<&P::m_bPitchDrawTimeGrid>("m_bPitchDrawTimeGrid", "Draw time grid", 1120),
        timeGrid<&P::m_nPitchTimeGrid>("m_nPitchTimeGrid", "Time grid", 1124),
        flag<&P::m_bPitchDrawAudio>("m_bPitchDrawAudio", "Draw waveform", 1184),
        flag<&P::m_bPitchDrawIntensity>("m_bPitchDrawIntensity", "Draw intensity", 1188),
        flag<&P::m_bPitchDrawLabels>("m_bPitchDrawLabels", "Draw labels", 1192),
        pair<&P::m_bPitchInches>("m_bPitchInches", "Picture size in", "Inches", "Centimetres", 1200),
        size<&P::m_dPitchWidth>("m_dPitchWidth", "Picture width", 1168),
        size<&P::m_dPitchHeigth>("m_dPitchHeigth", "Picture height", 1176),
        pair<&P::m_bPitchColor>("m_bPitchColor", "Picture", "Colour", "Black and white", 1196),
        flag<&P::m_bCepstral>("m_bCepstral", "", 1128),
        real<&P::m_dTrackingThreshHold_AutoCorrolation>("m_dTrackingThreshHold_AutoCorrolation", "", "%", 0, 100, 2, 1152),
        real<&P::m_dFreqDeviation_AutoCorrolation>("m_dFreqDeviation_AutoCorrolation", "", "Hz", 0, 100000, 2, 1160),
    };
    // The record holds the intensity values of 16 channel slots, 4 bytes
    // apart from these offsets, as whole numbers.
    static const std::vector<OptionField> intensity = [] {
        std::vector<OptionField> fields = {
            whole<&IntensityOptions::m_dIntensityWindowLengthMS>("m_dIntensityWindowLengthMS", "Window length", "ms", 1, 1000, 664),
            whole<&IntensityOptions::m_dIntensityStepSizeMS>("m_dIntensityStepSizeMS", "Step", "ms", 1, 10000, 728),
            pair<&IntensityOptions::m_bIntensityRelative>("m_bIntensityRelative", "Level", "Absolute", "Relative", 792, false),
        };
        for (OptionField& f : fields)
            f.recordDouble = false;
        return fields;
    }();
    static const std::vector<OptionField> log = {
        real<&LogOptions::m_dLogStepSize>("m_dLogStepSize", "Formant log step", "ms", 0, 10000, 1, 2248, true),
        whole<&LogOptions::m_nFFTFrameInterval>("m_nFFTFrameInterval", "FFT/LPC frame interval", "ms", 1, 10000, 660),
    };
    static const std::vector<OptionField> referenceGain = {
        real<&ReferenceGainOptions::m_dRefGainGainPerCent>("m_dRefGainGainPerCent", "Gain", "%", -10000, 10000, 2, -1),
        real<&ReferenceGainOptions::m_dRefGainReference>("m_dRefGainReference", "Reference", "", -1000, 1000, 4, -1),
    };
    switch (g) {
    case OptionGroup::Display: return display;
    case OptionGroup::RecordPlay: return recordPlay;
    case OptionGroup::Zoom: return zoom;
    case OptionGroup::FFTLPC: return fft;
    case OptionGroup::Spectrogram: return spectrogram;
    case OptionGroup::Pitch: return pitch;
    case OptionGroup::Intensity: return intensity;
    case OptionGroup::Log: return log;
    case OptionGroup::ReferenceGain: return referenceGain;
    }
    return display;
}
// clang-format on

// The group's struct inside the objects that hold it, as the table's
// accessors expect it.
const void* groupObject(OptionGroup g, const OptionSources& s)
{
    switch (g) {
    case OptionGroup::Display: return static_cast<const DisplayOptions*>(s.settings);
    case OptionGroup::RecordPlay: return s.recordPlay;
    case OptionGroup::Zoom: return static_cast<const ZoomOptions*>(s.settings);
    case OptionGroup::FFTLPC: return static_cast<const FFTOptions*>(s.settings);
    case OptionGroup::Spectrogram: return static_cast<const SpectrogramOptions*>(s.settings);
    case OptionGroup::Pitch: return static_cast<const PitchOptions*>(s.settings);
    case OptionGroup::Intensity: return s.intensity;
    case OptionGroup::Log: return static_cast<const LogOptions*>(s.settings);
    case OptionGroup::ReferenceGain: return static_cast<const ReferenceGainOptions*>(s.settings);
    }
    return nullptr;
}

std::string number(double v)
{
    return formatShortest(v);
}

double value(const OptionValues& v, OptionGroup g, const char* name)
{
    return v.at(static_cast<std::size_t>(optionIndex(g, name)));
}

OptionProblem problemAt(OptionGroup g, const char* name, std::string message, std::optional<double> corrected = {})
{
    return {optionIndex(g, name), std::move(message), corrected};
}

std::optional<OptionProblem> fieldProblem(OptionGroup g, int index, const OptionField& f, double v)
{
    bool ok = std::isfinite(v);
    switch (f.kind) {
    case FieldKind::Flag:
    case FieldKind::Pair: ok = ok && (v == 0 || v == 1); break;
    case FieldKind::Choice:
        if (f.itemIsValue) {
            bool listed = false;
            for (const std::string& item : f.items)
                listed = listed || number(v) == item;
            ok = ok && listed;
        } else {
            ok = ok && v == std::trunc(v) && v >= f.low && v <= f.high;
        }
        break;
    case FieldKind::Whole:
    case FieldKind::Real:
        ok = ok && (f.aboveLow ? v > f.low : v >= f.low) && v <= f.high;
        ok = ok && (f.kind != FieldKind::Whole || v == std::trunc(v));
        ok = ok && (!f.even || std::fmod(v, 2) == 0);
        ok = ok && (v == 0 || v >= f.lowUnlessZero);
        break;
    }
    if (ok)
        return std::nullopt;
    const std::string what = f.shown() ? std::string(f.text) : std::string(f.name);
    return OptionProblem{index, std::string(optionGroupName(g)) + " options: " + what + " must be "
                                    + optionRangeText(f) + ", not " + number(v) + ".",
                         std::nullopt};
}

std::optional<OptionProblem> windowProblem(OptionGroup g, const OptionValues& v, const char* selector,
                                           const char* length)
{
    if (windowLengthForSelector(truncInt(value(v, g, selector))) == value(v, g, length))
        return std::nullopt;
    return problemAt(g, length,
                     std::string(optionGroupName(g)) + " options: the window length "
                         + number(value(v, g, length)) + " is not the "
                         + std::to_string(windowLengthForSelector(truncInt(value(v, g, selector))))
                         + " points its selector gives.");
}

std::optional<OptionProblem> groupProblem(OptionGroup g, const OptionValues& v, double R)
{
    const bool haveRate = R > 0 && std::isfinite(R);
    switch (g) {
    case OptionGroup::FFTLPC: {
        if (auto p = windowProblem(g, v, "m_nFFTWindowLengthSelector", "m_nFFTWindowLength"))
            return p;
        if (!haveRate)
            return std::nullopt;
        const int longest = longestAppliedWindow(truncInt(value(v, g, "m_nFFTWindowLengthSelector")), R);
        if (value(v, g, "m_nFFTAppliedWindowLength") > longest)
            return problemAt(g, "m_nFFTAppliedWindowLength", "Applied window length is larger than allowed.",
                             longest);
        if (value(v, g, "m_nFFTfrequencyRange") > R * 0.5)
            return problemAt(g, "m_nFFTfrequencyRange", "Frequency range is larger than allowed.",
                             frequencyRangeForRate(R));
        return std::nullopt;
    }
    case OptionGroup::Spectrogram:
        if (auto p = windowProblem(g, v, "m_nSpecWindowLengthSelector", "m_nSpecWindowLength"))
            return p;
        if (haveRate && value(v, g, "m_nSpecfrequencyRange") > frequencyRangeForRate(R))
            return problemAt(g, "m_nSpecfrequencyRange", "Frequency range is larger than allowed.",
                             frequencyRangeForRate(R));
        return std::nullopt;
    case OptionGroup::Pitch:
        if (value(v, g, "m_dPitchCalculationLow") >= value(v, g, "m_dPitchCalculationHigh"))
            return problemAt(g, "m_dPitchCalculationHigh",
                             "Pitch options: the highest pitch (" + number(value(v, g, "m_dPitchCalculationHigh"))
                                 + " Hz) must be above the lowest (" + number(value(v, g, "m_dPitchCalculationLow"))
                                 + " Hz).");
        if (value(v, g, "m_nPitchDisplayLow") >= value(v, g, "m_nPitchDisplayHigh"))
            return problemAt(g, "m_nPitchDisplayHigh",
                             "Pitch options: the top of the display (" + number(value(v, g, "m_nPitchDisplayHigh"))
                                 + " Hz) must be above its bottom (" + number(value(v, g, "m_nPitchDisplayLow"))
                                 + " Hz).");
        return std::nullopt;
    default: return std::nullopt;
    }
}

} // namespace

const char* optionPanelTitle(OptionGroup g)
{
    switch (g) {
    case OptionGroup::Display: return "Display Options";
    case OptionGroup::RecordPlay: return "Record/Play Options";
    case OptionGroup::Zoom: return "Zoom Options";
    case OptionGroup::FFTLPC: return "FFT/LPC Options";
    case OptionGroup::Spectrogram: return "Spectrogram Options";
    case OptionGroup::Pitch: return "Pitch Options";
    case OptionGroup::Intensity: return "Intensity Options";
    case OptionGroup::Log: return "Log Options";
    case OptionGroup::ReferenceGain: return "Reference Gain";
    }
    return "";
}

const char* optionGroupName(OptionGroup g)
{
    switch (g) {
    case OptionGroup::Display: return "Display";
    case OptionGroup::RecordPlay: return "Record/Play";
    case OptionGroup::Zoom: return "Zoom";
    case OptionGroup::FFTLPC: return "FFT/LPC";
    case OptionGroup::Spectrogram: return "Spectrogram";
    case OptionGroup::Pitch: return "Pitch";
    case OptionGroup::Intensity: return "Intensity";
    case OptionGroup::Log: return "Log";
    case OptionGroup::ReferenceGain: return "Reference gain";
    }
    return "";
}

std::span<const OptionField> optionFields(OptionGroup g)
{
    return fieldTable(g);
}

int optionIndex(OptionGroup g, const std::string& name)
{
    const auto fields = optionFields(g);
    for (std::size_t k = 0; k < fields.size(); ++k)
        if (name == fields[k].name)
            return static_cast<int>(k);
    return -1;
}

OptionSources optionSources(Document& d)
{
    return {&d.s, &d.getChannel(0), &app()};
}

OptionValues readOptions(OptionGroup g, const OptionSources& from)
{
    const void* object = groupObject(g, from);
    OptionValues v;
    for (const OptionField& f : optionFields(g))
        v.push_back(f.get(object));
    return v;
}

void writeOptions(OptionGroup g, const OptionValues& v, const OptionSources& to)
{
    void* object = const_cast<void*>(groupObject(g, to));
    const auto fields = optionFields(g);
    for (std::size_t k = 0; k < fields.size() && k < v.size(); ++k)
        fields[k].set(object, v[k]);
}

OptionValues readOptions(OptionGroup g, Document& d)
{
    return readOptions(g, optionSources(d));
}

void writeOptions(OptionGroup g, const OptionValues& v, Document& d)
{
    writeOptions(g, v, optionSources(d));
}

std::optional<OptionProblem> checkOptions(OptionGroup g, const OptionValues& v, double R)
{
    const auto fields = optionFields(g);
    if (v.size() != fields.size())
        return OptionProblem{-1, std::string(optionGroupName(g)) + " options: " + std::to_string(v.size())
                                     + " values for " + std::to_string(fields.size()) + " fields.",
                             std::nullopt};
    for (std::size_t k = 0; k < fields.size(); ++k)
        if (auto p = fieldProblem(g, static_cast<int>(k), fields[k], v[k]))
            return p;
    return groupProblem(g, v, R);
}

std::string optionRangeText(const OptionField& f)
{
    const std::string unit = f.unit[0] ? std::string(" ") + f.unit : std::string();
    switch (f.kind) {
    case FieldKind::Flag: return "0 (off) or 1 (on)";
    case FieldKind::Pair:
        return f.firstIsTrue ? "1 (" + f.items[0] + ") or 0 (" + f.items[1] + ")"
                             : "0 (" + f.items[0] + ") or 1 (" + f.items[1] + ")";
    case FieldKind::Choice:
        if (f.itemIsValue) {
            std::string out;
            for (std::size_t k = 0; k < f.items.size(); ++k)
                out += (k == 0 ? "" : k + 1 == f.items.size() ? " or " : ", ") + f.items[k];
            return out + unit;
        }
        return "a whole number from " + number(f.low) + " to " + number(f.high);
    case FieldKind::Whole:
    case FieldKind::Real: break;
    }
    const std::string kind = f.even ? "an even number " : f.kind == FieldKind::Whole ? "a whole number " : "";
    if (f.aboveLow)
        return kind + "greater than " + number(f.low) + " and at most " + number(f.high) + unit;
    const std::string zero = f.zeroMeans ? number(f.low) + " (" + f.zeroMeans + ")" : std::string();
    if (f.lowUnlessZero > 0)
        return zero + " or " + kind + "from " + number(f.lowUnlessZero) + " to " + number(f.high) + unit;
    return kind + "from " + (f.zeroMeans ? zero : number(f.low)) + " to " + number(f.high) + unit;
}

std::string optionValueText(const OptionField& f, double v)
{
    if (f.kind == FieldKind::Real)
        return formatFixed(f.decimals == 0 ? std::trunc(v) : v, f.decimals);
    return number(v);
}

OptionValues defaultOptions(OptionGroup g, const OptionValues& current, double R)
{
    OptionValues v = current;
    auto set = [&](const char* name, double x) { v.at(static_cast<std::size_t>(optionIndex(g, name))) = x; };
    switch (g) {
    case OptionGroup::FFTLPC:
        set("m_nFFTWindowLengthSelector", 3);
        set("m_nFFTWindowLength", windowLengthForSelector(3));
        set("m_nFFTAppliedWindowLength", appliedWindowForRate(R));
        set("m_nFFTfrequencyRange", frequencyRangeForRate(R));
        set("m_nFFTAverageStepSize", 10);
        set("m_nLPCNumberofCoefficients", lpcOrderForRate(R));
        set("m_bFFTDrawLPC", 1);
        set("m_nFFTFormantCeiling", 0);
        set("m_bFFTAbsolute", 1);
        set("m_nFFTAbsoluteRange", 80);
        set("m_bFFTInches", 1);
        set("m_dFFTWidth", 6.0);
        set("m_dFFTHeight", 4.0);
        set("m_bFFTColor", 1);
        set("m_bFFTDrawFrequencyGrid", 1);
        set("m_nFFTFrequencyGrid", 1000);
        set("m_bFFTDrawDBGrid", 1);
        set("m_nFFTDBGrid", 80);
        break;
    case OptionGroup::Spectrogram:
        set("m_nSpecWindowLengthSelector", 2);
        set("m_nSpecWindowLength", windowLengthForSelector(2));
        set("m_nSpecDynamicRange", 50);
        set("m_nSpecfrequencyRange", frequencyRangeForRate(R));
        set("m_dPreEmphasis", 0.98);
        set("m_bSpecDrawFormantTracking", 1);
        set("m_nSpecLPCNumberofCoefficients", lpcOrderForRate(R));
        set("m_nSpecFormantCeiling", 0);
        set("m_bSpecDrawAudio", 0);
        set("m_bSpecDrawLabels", 0);
        set("m_bSpecDrawFrequencyGrid", 1);
        set("m_nSpecFrequencyGrid", 1000);
        set("m_bSpecDrawTimeGrid", 1);
        set("m_nSpecTimeGrid", 500);
        set("m_bSpecInches", 1);
        set("m_dSpecWidth", 6.0);
        set("m_dSpecHeight", 4.0);
        break;
    case OptionGroup::Pitch:
        set("m_dPitchWindowLength", 35);
        set("m_dPitchStepSize", 10);
        set("m_dFreqDeviation", 100);
        set("m_dTrackingThreshHold", 1);
        set("m_dPitchCalculationLow", 50);
        set("m_dPitchCalculationHigh", 500);
        set("m_nPitchDisplayLow", 50);
        set("m_nPitchDisplayHigh", 500);
        set("m_bPitchDrawFreqGrid", 1);
        set("m_nPitchFreqGrid", 50);
        set("m_bPitchDrawTimeGrid", 1);
        set("m_nPitchTimeGrid", 1000);
        set("m_bPitchDrawAudio", 1);
        set("m_bPitchDrawIntensity", 1);
        set("m_bPitchDrawLabels", 1);
        set("m_bPitchInches", 1);
        set("m_dPitchWidth", 6.0);
        set("m_dPitchHeigth", 4.0);
        set("m_bPitchColor", 1);
        break;
    default: break;
    }
    return v;
}

} // namespace vx
