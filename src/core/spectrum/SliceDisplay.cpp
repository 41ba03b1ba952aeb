#include "spectrum/SliceDisplay.h"

#include "platform/Format.h"
#include "platform/GridStep.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace vx {

namespace {

std::string format(const char* fmt, double v)
{
    char buf[64];
    std::snprintf(buf, sizeof buf, fmt, v);
    return buf;
}

std::string formatInt(int v, const char* fmt = "%d")
{
    char buf[32];
    std::snprintf(buf, sizeof buf, fmt, v);
    return buf;
}

int trunc(double v)
{
    return static_cast<int>(v);
}

// Pixels between grid lines, so that their labels stay apart: five digits
// side by side, or a line of text above another.
constexpr double kMinFrequencyLabelGap = 45;
constexpr double kMinLevelLabelGap = 16;

SliceProblem settingProblem(const std::string& what)
{
    return {what, "Change it with Option->FFT/LPC."};
}

// The absolute scale puts 0 dB this far above the bottom; the curves and
// the dB grid both use trunc(20 * s) so that a level of 0 sits on the
// grid's 0 line.
int absoluteOffset(double s)
{
    return trunc(20 * s);
}

} // namespace

const char* const kSliceSilentText = "No signal in the analysed stretch.";

int sliceChannel(const Document& d)
{
    if (!d.m_bHaveData || d.m_Channel.empty())
        return -1;
    const int n = std::min(d.m_nNumofChannels, static_cast<int>(d.m_Channel.size()));
    for (int k = 0; k < n; ++k)
        if (d.getChannel(k).m_nChannelType == 1)
            return k;
    return 0;
}

SliceSource sliceSource(const Channels& c)
{
    SliceSource s;
    s.samples = c.m_hData.size() ? c.m_hData.data() : nullptr;
    s.length = std::clamp<double>(c.m_dwFileLength, 0, static_cast<double>(c.m_hData.size()));
    s.rate = c.m_dSampleRate;
    return s;
}

SliceParams sliceParams(const FFTOptions& s, double sampleRate)
{
    SliceParams p;
    p.sampleRate = sampleRate;
    p.windowLength = s.m_nFFTWindowLength;
    p.appliedWindowMs = s.m_nFFTAppliedWindowLength;
    p.lpcOrder = s.m_nLPCNumberofCoefficients;
    p.averageStepMs = s.m_nFFTAverageStepSize;
    p.frequencyRange = s.m_nFFTfrequencyRange;
    p.formantCeiling = s.m_nFFTFormantCeiling;
    return p;
}

SliceProblem checkSliceSettings(const Settings& s, double sampleRate)
{
    if (s.m_nFFTfrequencyRange > sliceFrequencyLimit(sampleRate))
        return {"Frequency range is beyond allowable value.",
                "Use Option->FFT/LPC and make sure the frequency range is up to 1/2 of sample rate"};
    if (const std::string why = sliceParamsProblem(sliceParams(s, sampleRate)); !why.empty())
        return settingProblem(why);
    if (s.m_bFFTDrawFrequencyGrid && s.m_nFFTFrequencyGrid <= 0)
        return settingProblem("The frequency grid step must be above 0 Hz.");
    if (s.m_bFFTDrawDBGrid && s.m_nFFTDBGrid <= 0)
        return settingProblem("The dB grid step must be above 0 dB.");
    // At -20 the absolute scale would have no height at all.
    if (s.m_bFFTAbsolute && s.m_nFFTAbsoluteRange <= -20)
        return settingProblem("The absolute range must be above -20 dB.");
    return {};
}

SliceReadouts sliceReadouts(const Settings& s, double sampleRate)
{
    const int rate = trunc(sampleRate);
    const int W = s.m_nFFTWindowLength;
    SliceReadouts r;
    r.sampleRate = formatInt(rate);
    r.bandwidth = formatInt(W > 0 ? rate / W : 0);
    r.windowLength = formatInt(W);
    r.lpcCoefficients = formatInt(sliceLpcOrder(sliceParams(s, sampleRate)));
    r.appliedWindow = formatInt(s.m_nFFTAppliedWindowLength);
    r.averageStep = formatInt(s.m_nFFTAverageStepSize);
    return r;
}

std::string sliceFormantText(const SliceResult& r)
{
    if (r.silent)
        return kSliceSilentText;
    std::string out = "Formants = ";
    for (double f : r.formant)
        out += format("\t%7.1f", f);
    out += "\nBandwidths = ";
    for (double b : r.bandwidth)
        out += format("\t%7.1f", b);
    return out;
}

SliceRect sliceGraphRect(int viewWidth, int viewHeight)
{
    return {20, 0, viewWidth, viewHeight - 20};
}

std::vector<SlicePoint> sliceSpectrumCurve(const SliceResult& r, const FFTOptions& s, const SliceRect& g)
{
    const int P = s.m_nFFTfrequencyRange;
    const int w = g.width(), h = g.height();
    std::vector<SlicePoint> out;
    if (P < 6 || w <= 0 || h <= 0 || r.fft.empty())
        return out;
    const int n = std::min(P, static_cast<int>(r.fft.size()));
    const double sx = double(w) / P;
    out.push_back({g.left, g.bottom});
    if (s.m_bFFTAbsolute) {
        const int range = s.m_nFFTAbsoluteRange + 20;
        if (range <= 0)
            return {};
        const double sc = double(h) / range;
        for (int i = 5; i < n; ++i) {
            const int y = g.bottom - absoluteOffset(sc) - trunc(r.fft[static_cast<std::size_t>(i)] * sc);
            out.push_back({g.left + trunc(i * sx), std::clamp(y, g.top, g.bottom)});
        }
    } else {
        const double sc = r.fftMax > 0 ? h / r.fftMax : 0.0;
        for (int i = 5; i < n; ++i) {
            const int y = g.bottom - std::max(0, trunc(r.fft[static_cast<std::size_t>(i)] * sc));
            out.push_back({g.left + trunc(i * sx), std::max(y, g.top)});
        }
    }
    return out;
}

std::vector<SlicePoint> sliceEnvelopeCurve(const SliceResult& r, const FFTOptions& s, const SliceRect& g)
{
    const int P = s.m_nFFTfrequencyRange;
    const int w = g.width(), h = g.height();
    std::vector<SlicePoint> out;
    if (!s.m_bFFTDrawLPC || r.lpc.empty() || P <= 0 || w <= 0 || h <= 0)
        return out;
    const long n = std::min<long>(P, static_cast<long>(r.lpc.size()));
    const auto level = [&](int c) {
        const long j = std::min(static_cast<long>(c) * P / w, n - 1);
        return r.lpc[static_cast<std::size_t>(j)];
    };
    // An envelope that ends below the frequency range (at a formant
    // ceiling) is drawn as far as it goes.
    const auto columns = static_cast<int>(std::min<long>(w, (n * w + P - 1) / P));
    if (s.m_bFFTAbsolute) {
        const int range = s.m_nFFTAbsoluteRange + 20;
        if (range <= 0)
            return out;
        const double sc = double(h) / range;
        for (int c = 0; c < columns; ++c) {
            const int y = g.bottom - absoluteOffset(sc) - trunc(level(c) * sc);
            out.push_back({g.left + c, std::clamp(y, g.top, g.bottom)});
        }
    } else {
        if (!(r.fftMax > 0))
            return out;
        const double sc = h / r.fftMax;
        out.push_back({g.left, g.bottom});
        for (int c = 0; c < columns; ++c) {
            const int height = trunc(level(c) * sc);
            if (height > 0)
                out.push_back({g.left + c, std::max(g.bottom - height, g.top)});
        }
    }
    return out;
}

SliceGrid sliceFrequencyGrid(const FFTOptions& s, const SliceRect& g)
{
    SliceGrid out;
    const int P = s.m_nFFTfrequencyRange, step = s.m_nFFTFrequencyGrid;
    if (!s.m_bFFTDrawFrequencyGrid || P <= 0 || step <= 0 || g.width() <= 0)
        return out;
    const double q = double(g.width()) / P;
    const double widened = widenedGridStep(step, P, g.width(), kMinFrequencyLabelGap);
    const long long lines = widened > 0 ? static_cast<long long>(P / widened) : 0;
    for (long long k = 1; k <= lines; ++k) {
        const double f = k * widened;
        const int x = g.left + trunc(f * q);
        if (x < g.right - 10)
            out.lines.push_back({{x, g.top}, {x, g.bottom}});
        out.labels.push_back({formatFixed(f, 0), x, g.bottom, SliceGridLabel::Anchor::TopCentre});
    }
    return out;
}

SliceGrid sliceDbGrid(const SliceResult& r, const FFTOptions& s, const SliceRect& g)
{
    SliceGrid out;
    const int step = s.m_nFFTDBGrid, h = g.height();
    if (!s.m_bFFTDrawDBGrid || step <= 0 || h <= 0)
        return out;
    if (s.m_bFFTAbsolute) {
        const int range = s.m_nFFTAbsoluteRange + 20;
        if (range <= 0)
            return out;
        const double q = double(h) / range;
        const double widened = widenedGridStep(step, range, h, kMinLevelLabelGap);
        const long long lines = widened > 0 ? static_cast<long long>(range / widened) : 0;
        for (long long k = 1; k <= lines; ++k) {
            const int y = g.bottom - trunc(k * widened * q);
            if (y > g.top + 10)
                out.lines.push_back({{g.left, y}, {g.right, y}});
            out.labels.push_back({formatFixed(k * widened - 20, 0), g.left - 1, y, SliceGridLabel::Anchor::RightMiddle});
        }
    } else {
        if (!(r.fftMax > 0))
            return out;
        const double q = h / r.fftMax;
        const double widened = widenedGridStep(step, trunc(r.fftMax), h, kMinLevelLabelGap);
        const long long lines = widened > 0 ? static_cast<long long>(trunc(r.fftMax) / widened) : 0;
        for (long long k = 1; k <= lines; ++k) {
            const int y = g.top + trunc(k * widened * q);
            if (y < g.bottom - 10)
                out.lines.push_back({{g.left, y}, {g.right, y}});
            std::string label = formatFixed(-k * widened, 0);
            out.labels.push_back({std::move(label), g.left - 20, y, SliceGridLabel::Anchor::LeftMiddle});
        }
    }
    return out;
}

void SliceDisplay::setResult(std::optional<SliceResult> r)
{
    m_result = std::move(r);
    m_frequency.clear();
    m_level.clear();
}

std::optional<int> SliceDisplay::pointAt(int x, int y) const
{
    const int P = m_settings.m_nFFTfrequencyRange, w = m_rect.width();
    if (!m_rect.contains(x, y) || P <= 0 || w <= 0)
        return std::nullopt;
    return static_cast<int>(std::clamp<long>(static_cast<long>(x - m_rect.left) * P / w, 0, P - 1));
}

bool SliceDisplay::mouseMoved(int x, int y)
{
    const std::optional<int> j = pointAt(x, y);
    const std::optional<int> cursor = j ? std::optional<int>(x) : std::nullopt;
    bool changed = cursor != m_cursorX;
    m_cursorX = cursor;
    if (!j || !m_result || m_result->fft.empty())
        return changed;
    const std::size_t k = std::min(static_cast<std::size_t>(*j), m_result->fft.size() - 1);
    const double level = m_result->fft[k];
    std::string frequency = format("%5.1f", *j);
    std::string shown = m_settings.m_bFFTAbsolute ? format("%5.1f", level + 0) : format("-%5.1f", m_result->fftMax - level);
    changed = changed || frequency != m_frequency || shown != m_level;
    m_frequency = std::move(frequency);
    m_level = std::move(shown);
    return changed;
}

void SliceDisplay::clicked(int x, int y)
{
    m_marker = pointAt(x, y);
}

int SliceDisplay::markerX() const
{
    const int P = m_settings.m_nFFTfrequencyRange;
    if (!m_marker || P <= 0)
        return m_rect.left;
    return m_rect.left + trunc(double(m_rect.width()) / P * *m_marker);
}

std::vector<SlicePoint> SliceDisplay::spectrum() const
{
    return m_result ? sliceSpectrumCurve(*m_result, m_settings, m_rect) : std::vector<SlicePoint>{};
}

std::vector<SlicePoint> SliceDisplay::envelope() const
{
    return m_result ? sliceEnvelopeCurve(*m_result, m_settings, m_rect) : std::vector<SlicePoint>{};
}

SliceGrid SliceDisplay::frequencyGrid() const
{
    return m_result ? sliceFrequencyGrid(m_settings, m_rect) : SliceGrid{};
}

SliceGrid SliceDisplay::dbGrid() const
{
    return m_result ? sliceDbGrid(*m_result, m_settings, m_rect) : SliceGrid{};
}

} // namespace vx
