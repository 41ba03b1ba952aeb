#include "spectrogram/SpectrogramDisplay.h"

#include "platform/Format.h"
#include "platform/GridStep.h"

#include <algorithm>
#include <cmath>

namespace vx {

namespace {

std::string formatInt(int v)
{
    return std::to_string(v);
}

Rect makeRect(int top, int left, int bottom, int right)
{
    auto s16 = [](int v) { return static_cast<std::int16_t>(std::clamp(v, -32768, 32767)); };
    return Rect{s16(top), s16(left), s16(bottom), s16(right)};
}

} // namespace

std::optional<SpectrogramStretch> spectrogramStretch(const Channels& c, SpectrogramKind kind, std::string* why)
{
    SpectrogramStretch s;
    switch (kind) {
    case SpectrogramKind::WholeFile:
        s = {0, c.m_dwFileLength, 0, c.m_dLengthMS};
        break;
    case SpectrogramKind::Selection:
        s = {c.m_dDurationStartFile, c.m_dDurationStopFile, c.m_dDurationStartTime, c.m_dDurationStopTime};
        break;
    case SpectrogramKind::Window:
        s = {c.m_dPageMin, c.m_dPageMax, c.m_dPageTimeMin, c.m_dPageTimeMax};
        break;
    }
    const double length = std::min<double>(c.m_dwFileLength, static_cast<double>(c.m_hData.size()));
    s.startPoint = std::clamp(s.startPoint, 0.0, std::max(0.0, length));
    s.endPoint = std::clamp(s.endPoint, 0.0, std::max(0.0, length));
    if (!(s.endPoint - s.startPoint >= 1) || !(s.stopTime > s.startTime)) {
        if (why)
            *why = kind == SpectrogramKind::Selection
                       ? "The selection is empty: select a stretch of the sound for its spectrogram."
                       : "The stretch to analyse is empty: there are no samples for a spectrogram.";
        return std::nullopt;
    }
    return s;
}

SpectrogramParams spectrogramParams(const SpectrogramOptions& s, double sampleRate)
{
    SpectrogramParams p;
    p.windowLength = s.m_nSpecWindowLength;
    p.dynamicRange = s.m_nSpecDynamicRange;
    p.preEmphasis = s.m_dPreEmphasis;
    p.frequencyRange = s.m_nSpecfrequencyRange;
    p.formantTracking = s.m_bSpecDrawFormantTracking;
    p.lpcOrder = s.m_nSpecLPCNumberofCoefficients;
    p.sampleRate = sampleRate;
    p.formantCeiling = s.m_nSpecFormantCeiling;
    return p;
}

SpectrogramReadouts spectrogramReadouts(const Settings& s)
{
    SpectrogramReadouts r;
    r.sampleRate = formatInt(truncInt(s.m_dAnalysisSampleRate));
    r.windowLength = formatInt(s.m_nSpecWindowLength);
    r.dynamicRange = formatInt(s.m_nSpecDynamicRange);
    r.lpcCoefficients = formatInt(spectrogramLpcOrder(spectrogramParams(s, s.m_dAnalysisSampleRate)));
    r.bandwidths = s.m_nSpecWindowLength > 0 ? formatInt(truncInt(s.m_dAnalysisSampleRate / s.m_nSpecWindowLength))
                                             : std::string("0");
    r.preemphasis = formatFixed(s.m_dPreEmphasis, 2);
    return r;
}

std::string formatTenths(double v)
{
    return formatFixed(v, 1);
}

SpectrogramLayout layoutSpectrogram(const Channels& c, const SpectrogramOptions& s, int width, int height,
                                    double scale)
{
    SpectrogramLayout l;
    const int W = std::max(0, width), H = std::max(0, height);
    l.scale = scale > 0 ? scale : 1;
    l.drawLabels = s.m_bSpecDrawLabels;
    l.drawAudio = s.m_bSpecDrawAudio;
    l.client = makeRect(0, 0, H, W);
    int top = 0;
    const int bottom = H - kSpectrogramTimeBand;
    int stacked = 0;
    for (int t = 0; t < Channels::kNumTiers; ++t) {
        const TIERS& tier = c.m_Tiers[static_cast<std::size_t>(t)];
        const int h = tier.bSelected ? std::clamp(tier.nHeigth, 0, TIERS::kMaxHeight) : 0;
        l.tiers[static_cast<std::size_t>(t)] = makeRect(stacked, kSpectrogramLeftMargin, stacked + h, W);
        stacked += h;
    }
    if (s.m_bSpecDrawLabels)
        top = stacked;
    if (s.m_bSpecDrawAudio) {
        const int T = std::max(0, bottom - top);
        l.audio = makeRect(top, kSpectrogramLeftMargin, top + T / 7, W);
        top += T / 7;
    }
    l.spectrogram = makeRect(top, kSpectrogramLeftMargin, std::max(top, bottom), std::max(kSpectrogramLeftMargin, W));
    l.columns = truncInt(l.spectrogram.width() * l.scale);
    l.rows = truncInt(l.spectrogram.height() * l.scale);
    return l;
}

int greyIndex(double level, int dynamicRange)
{
    if (dynamicRange <= 0)
        return 0;
    return std::clamp(truncInt(level * (256.0 / dynamicRange)), 0, 256);
}

const std::array<std::uint8_t, 257>& greyRamp()
{
    static const std::array<std::uint8_t, 257> ramp = [] {
        std::array<std::uint8_t, 257> r{};
        for (int g = 0; g <= 256; ++g)
            r[static_cast<std::size_t>(g)] = static_cast<std::uint8_t>(std::lround(255.0 * (256 - g) / 257.0));
        return r;
    }();
    return ramp;
}

void renderSpectrogramPixels(const SpectrogramData& d, int dynamicRange, std::uint32_t* topLeft, std::ptrdiff_t stride)
{
    std::array<std::uint32_t, 257> argb{};
    for (std::size_t g = 0; g < argb.size(); ++g) {
        const std::uint32_t v = greyRamp()[g];
        argb[g] = 0xFF000000u | v << 16 | v << 8 | v;
    }
    // Fixed-point index: level * 256 / range, truncated like greyIndex.
    const double k = dynamicRange > 0 ? 256.0 / dynamicRange : 0.0;
    for (int i = 0; i < d.columns; ++i) {
        const double* column = d.levels.data() + static_cast<std::size_t>(i) * d.rows;
        std::uint32_t* out = topLeft + static_cast<std::ptrdiff_t>(d.rows - 1) * stride + i;
        for (int j = 0; j < d.rows; ++j, out -= stride) {
            const double g = column[j] * k;
            const int index = g <= 0 ? 0 : g >= 256 ? 256 : static_cast<int>(g);
            *out = argb[static_cast<std::size_t>(index)];
        }
    }
}

namespace {

// Pixels between grid lines, so that their labels stay apart.
constexpr double kMinFrequencyLabelGap = 16;
constexpr double kMinTimeLabelGap = 40;

} // namespace

std::vector<GridLine> spectrogramFrequencyGrid(const SpectrogramLayout& l, const SpectrogramOptions& s)
{
    std::vector<GridLine> out;
    const Rect& r = l.spectrogram;
    if (!s.m_bSpecDrawFrequencyGrid || s.m_nSpecFrequencyGrid <= 0 || s.m_nSpecfrequencyRange <= 0 || r.height() <= 0)
        return out;
    const double step = widenedGridStep(s.m_nSpecFrequencyGrid, s.m_nSpecfrequencyRange, r.height(), kMinFrequencyLabelGap);
    if (!(step > 0))
        return out;
    const long long lines = static_cast<long long>(s.m_nSpecfrequencyRange / step);
    for (long long k = 0; k <= lines; ++k) {
        const double f = k * step;
        out.push_back({r.bottom - f * r.height() / s.m_nSpecfrequencyRange, formatFixed(f, 0)});
    }
    return out;
}

std::vector<GridLine> spectrogramTimeGrid(const SpectrogramLayout& l, const SpectrogramOptions& s,
                                          const SpectrogramStretch& st)
{
    std::vector<GridLine> out;
    const Rect& r = l.spectrogram;
    const double range = st.stopTime - st.startTime;
    if (!s.m_bSpecDrawTimeGrid || s.m_nSpecTimeGrid < 0 || !(range > 0) || r.width() <= 0)
        return out;
    const double perMs = r.width() / range;
    // A step of 0 adapts to the stretch: about ten labels at the most.
    double step = s.m_nSpecTimeGrid == 0
                      ? widenedGridStep(0.1, range, r.width(), std::max(kMinTimeLabelGap, r.width() / 10.0))
                      : widenedGridStep(s.m_nSpecTimeGrid, range, r.width(), kMinTimeLabelGap);
    if (!(step > 0))
        return out;
    // A set step longer than a short stretch is narrowed (1-2-5) while fewer
    // than three lines fall in it and narrower labels still fit.
    auto linesWith = [&](double d) { return std::floor(st.stopTime / d) - std::ceil(st.startTime / d) + 1; };
    while (linesWith(step) < 3) {
        const double decade = std::pow(10.0, std::floor(std::log10(step) - 1e-9));
        const double m = step / decade;
        const double narrower = (m > 5 ? 5 : m > 2 ? 2 : m > 1 ? 1 : 0.5) * decade;
        if (narrower < 0.1 || narrower * perMs < kMinTimeLabelGap)
            break;
        step = narrower;
    }
    const bool fractions = step < 1;
    const double first = std::ceil(st.startTime / step);
    const double last = std::floor(st.stopTime / step);
    for (double k = first; k <= last && out.size() < kMaxGridLines; ++k) {
        const double t = k * step;
        out.push_back({r.left + (t - st.startTime) * perMs, fractions ? formatTenths(t) : formatFixed(t, 0)});
    }
    return out;
}

std::vector<SpectrogramLabel> spectrogramLabels(const Channels& c, const SpectrogramLayout& l,
                                                const SpectrogramStretch& st)
{
    std::vector<SpectrogramLabel> out;
    const double range = st.stopTime - st.startTime;
    if (!l.drawLabels || !(range > 0))
        return out;
    for (int t = 0; t < Channels::kNumTiers; ++t) {
        const TIERS& tier = c.m_Tiers[static_cast<std::size_t>(t)];
        const Rect& r = l.tiers[static_cast<std::size_t>(t)];
        if (!tier.bSelected || r.height() <= 0)
            continue;
        for (const LabelPtr& label : tier.m_pArrayLabels)
            if (label && st.startTime < label->dTime && label->dTime < st.stopTime)
                out.push_back({t, r.left + std::trunc((label->dTime - st.startTime) * r.width() / range),
                               label.get()});
    }
    return out;
}

SpectrogramMapping::SpectrogramMapping(const SpectrogramLayout& l, const SpectrogramStretch& st, int frequencyRange)
    : m_l(l), m_st(st), m_range(frequencyRange)
{
}

bool SpectrogramMapping::inside(double x, double y) const
{
    const Rect& r = m_l.spectrogram;
    return !m_l.empty() && x >= r.left && x <= r.right && y >= r.top && y <= r.bottom;
}

double SpectrogramMapping::clampX(double x) const
{
    return std::clamp(x, double(m_l.spectrogram.left), double(m_l.spectrogram.right));
}

double SpectrogramMapping::clampY(double y) const
{
    return std::clamp(y, double(m_l.spectrogram.top), double(m_l.spectrogram.bottom));
}

double SpectrogramMapping::timeAt(double x) const
{
    const Rect& r = m_l.spectrogram;
    if (r.width() <= 0)
        return m_st.startTime;
    return m_st.startTime + (clampX(x) - r.left) * (m_st.stopTime - m_st.startTime) / r.width();
}

double SpectrogramMapping::frequencyAt(double y) const
{
    const Rect& r = m_l.spectrogram;
    if (r.height() <= 0)
        return 0;
    return (r.bottom - clampY(y)) * m_range / r.height();
}

double SpectrogramMapping::xOfTime(double t) const
{
    const Rect& r = m_l.spectrogram;
    const double range = m_st.stopTime - m_st.startTime;
    if (!(range > 0))
        return r.left;
    return std::clamp(r.left + (t - m_st.startTime) * r.width() / range, double(r.left), double(r.right));
}

double SpectrogramMapping::yOfFrequency(double f) const
{
    const Rect& r = m_l.spectrogram;
    if (m_range <= 0)
        return r.bottom;
    return std::clamp(r.bottom - f * r.height() / m_range, double(r.top), double(r.bottom));
}

double SpectrogramMapping::sampleAt(double t, double dataLength) const
{
    const double range = m_st.stopTime - m_st.startTime;
    double s = m_st.startPoint;
    if (range > 0)
        s += std::trunc((t - m_st.startTime) * (m_st.endPoint - m_st.startPoint) / range);
    const double last = std::min(m_st.endPoint, dataLength) - 1;
    return std::max(0.0, std::clamp(s, m_st.startPoint, std::max(m_st.startPoint, last)));
}

int SpectrogramMapping::columnAt(double x) const
{
    if (m_l.columns <= 0)
        return 0;
    return std::clamp(truncInt((clampX(x) - m_l.spectrogram.left) * m_l.scale), 0, m_l.columns - 1);
}

bool SpectrogramCursor::press(double x, double y)
{
    if (!m_map.inside(x, y))
        return false;
    m_pressed = true;
    m_pressTime = m_map.timeAt(x);
    if (m_selection)
        m_marker.reset();
    else
        m_marker = Marker{m_pressTime, m_map.frequencyAt(y)};
    m_selection.reset();
    track(x, y);
    return true;
}

bool SpectrogramCursor::drag(double x, double y)
{
    if (!m_pressed)
        return false;
    const double t = m_map.timeAt(m_map.clampX(x));
    if (t != m_pressTime) {
        m_selection = Selection{std::min(t, m_pressTime), std::max(t, m_pressTime)};
        m_marker.reset();
    } else {
        m_selection.reset();
    }
    track(m_map.clampX(x), m_map.clampY(y));
    return true;
}

void SpectrogramCursor::release()
{
    m_pressed = false;
}

bool SpectrogramCursor::move(double x, double y)
{
    if (!m_map.inside(x, y))
        return false;
    track(x, y);
    return true;
}

void SpectrogramCursor::clear()
{
    m_marker.reset();
    m_selection.reset();
    m_pressed = false;
    m_cursorTime.reset();
    m_cursorFrequency.reset();
    m_frequencyText.clear();
    m_durationText.clear();
    m_cursorText.clear();
}

void SpectrogramCursor::track(double x, double y)
{
    m_cursorTime = m_map.timeAt(x);
    m_cursorFrequency = m_map.frequencyAt(y);
    m_frequencyText = formatTenths(*m_cursorFrequency);
    m_durationText = formatTenths(m_selection ? m_selection->stop - m_selection->start : 0.0);
    m_cursorText = formatTenths(*m_cursorTime);
}

std::optional<double> SpectrogramCursor::cursorX() const
{
    if (!m_cursorTime)
        return std::nullopt;
    return m_map.xOfTime(*m_cursorTime);
}

std::optional<double> SpectrogramCursor::cursorY() const
{
    if (!m_cursorFrequency)
        return std::nullopt;
    return m_map.yOfFrequency(*m_cursorFrequency);
}

} // namespace vx
