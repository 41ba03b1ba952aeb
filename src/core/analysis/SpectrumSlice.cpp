#include "analysis/SpectrumSlice.h"

#include "analysis/FormantCeiling.h"
#include "analysis/MathFunc.h"
#include "analysis/Resample.h"
#include "analysis/VectorBuilds.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <optional>
#include <sstream>

namespace vx {

namespace {

constexpr int kMaxWindowLength = 1 << 16;
constexpr double kMaxSampleRate = 1e6;
constexpr double kFlatDb = 1e-6;

// The cubic-spline resampling of DoFFT_Real (knots at 0 .. bins - 1, point j
// at j * step) with the interval search and the interval weights of each
// point made once: a frame then costs a few products per point, rounded as
// CMathFunc::splint rounds them.
class SplinePlan {
public:
    SplinePlan(int bins, int P, double step)
        : m_x(static_cast<std::size_t>(bins) + 1), m_a(static_cast<std::size_t>(P)),
          m_b(static_cast<std::size_t>(P)), m_ca(static_cast<std::size_t>(P)), m_cb(static_cast<std::size_t>(P))
    {
        for (int k = 0; k < bins; ++k)
            m_x[static_cast<std::size_t>(k) + 1] = k;
        const double* xa = m_x.data();
        for (int j = 0; j < P; ++j) {
            const double x = j * step;
            const int lo = CMathFunc::splintInterval(xa, bins, x);
            const int hi = bins > 1 ? lo + 1 : lo;
            const double h = xa[hi] - xa[lo];
            const double a = (xa[hi] - x) / h;
            const double b = (x - xa[lo]) / h;
            const auto at = static_cast<std::size_t>(j);
            m_a[at] = a;
            m_b[at] = b;
            m_ca[at] = a * a * a - a;
            m_cb[at] = b * b * b - b;
            if (m_runs.empty() || m_runs.back().lo != lo)
                m_runs.push_back({lo, j, j, h * h});
            m_runs.back().end = j + 1;
        }
    }

    const double* knots() const { return m_x.data(); }

    // y and y2 are 1-based, as spline() makes them; out gets P points.
    void resample(const double* y, const double* y2, double* out) const
    {
        resampleRuns(m_runs.data(), m_runs.size(), m_a.data(), m_b.data(), m_ca.data(), m_cb.data(), y, y2, out);
    }

    struct Run {
        int lo, begin, end;
        double hh;
    };

private:
    VX_AVX2_CLONE static void resampleRuns(const Run* runs, std::size_t count, const double* a, const double* b,
                                           const double* ca, const double* cb, const double* y, const double* y2,
                                           double* out)
    {
        for (std::size_t r = 0; r < count; ++r) {
            const Run& run = runs[r];
            const double ylo = y[run.lo], yhi = y[run.lo + 1];
            const double y2lo = y2[run.lo], y2hi = y2[run.lo + 1];
            const double hh = run.hh;
            for (int j = run.begin; j < run.end; ++j)
                out[j] = a[j] * ylo + b[j] * yhi + (ca[j] * y2lo + cb[j] * y2hi) * hh / 6.0;
        }
    }

    std::vector<double> m_x, m_a, m_b, m_ca, m_cb;
    std::vector<Run> m_runs;
};

struct Formants {
    std::array<double, 5> formant{-1, -1, -1, -1, -1}, bandwidth{-1, -1, -1, -1, -1};
};

std::optional<CeilingLpc> ceilingOf(const SliceParams& p)
{
    return ceilingLpc(p.formantCeiling, p.sampleRate);
}

// The first five roots of the last DoLPC that count as formants, in
// ascending frequency: without a ceiling those at least twice their
// bandwidth.
Formants formantsOf(const CMathFunc& math, const SliceParams& p)
{
    Formants out;
    const std::optional<CeilingLpc> ceiling = ceilingOf(p);
    if (const auto& roots = math.lp_Roots()) {
        std::size_t next = 0;
        for (std::size_t k = 0; k < roots->freq.size() && next < 5; ++k) {
            const double f = roots->freq[k] + 0.5;
            const double b = roots->bandwidth[k] + 0.5;
            if (ceiling ? ceiling->countsAsFormant(f) : k < 5 && f >= gRatioFormantBanswodth * b) {
                out.formant[next] = f;
                out.bandwidth[next] = b;
                ++next;
            }
        }
    }
    return out;
}

double lpcRateOf(const SliceParams& p)
{
    const auto ceiling = ceilingOf(p);
    return ceiling ? ceiling->rate : p.sampleRate;
}

int lpcPointsOf(const SliceParams& p)
{
    const auto ceiling = ceilingOf(p);
    return ceiling ? static_cast<int>(ceiling->frameMs * ceiling->rate / 1000)
                   : static_cast<int>(p.lpcOrder * p.sampleRate / 1000);
}

// Points of the envelope: one per Hz up to the frequency range, and only
// below the LPC's half rate.
int envelopePointsOf(const SliceParams& p)
{
    return std::min(p.frequencyRange, static_cast<int>(lpcRateOf(p) / 2));
}

// Copies `count` samples from s into frame (zeros elsewhere), reading only
// inside the data.
void fetch(const float* samples, long end, long s, long count, std::vector<double>& frame)
{
    std::fill(frame.begin(), frame.end(), 0.0);
    const long from = std::max(s, 0L);
    const long to = std::min(s + count, end);
    for (long i = from; i < to; ++i) {
        const double v = samples[i];
        frame[static_cast<std::size_t>(i - s)] = std::isfinite(v) ? v : 0.0;
    }
}

// The samples of LPC frames: points + 5 of them at the LPC rate, the frame
// centred on a sample position.
class LpcSource {
public:
    LpcSource(const float* samples, long end, const SliceParams& p)
        : m_samples(samples), m_end(end), m_points(lpcPointsOf(p)), m_frame(static_cast<std::size_t>(m_points) + 5)
    {
        if (const auto ceiling = ceilingOf(p))
            m_resampler.emplace(p.sampleRate, ceiling->rate);
    }

    const std::vector<double>& frameAt(long centre)
    {
        if (!m_resampler) {
            fetch(m_samples, m_end, centre - m_points / 2, m_points + 5, m_frame);
        } else {
            const double step = m_resampler->inRate() / m_resampler->outRate();
            m_resampler->segment(m_samples, m_end, static_cast<double>(centre) - (m_points / 2) * step, m_points + 5,
                                 m_frame.data());
        }
        return m_frame;
    }

private:
    const float* m_samples;
    long m_end;
    int m_points;
    std::vector<double> m_frame;
    std::optional<Resampler> m_resampler;
};

// The predictor of a frame and its formants; with `envelope` also the
// inverted envelope raised so that its peak equals fftMax.
Formants performLPC(CMathFunc& math, const std::vector<double>& frame, const SliceParams& p, double fftMax,
                    std::vector<double>* envelope)
{
    const int E = envelopePointsOf(p);
    const int points = lpcPointsOf(p);
    // DoLPC writes E resampled points into the buffer.
    std::vector<double> buf(std::max(frame.size(), static_cast<std::size_t>(E)), 0.0);
    std::copy(frame.begin(), frame.end(), buf.begin());
    const auto ceiling = ceilingOf(p);
    math.DoLPC(buf.data(), sliceLpcOrder(p), points, ceiling ? ceiling->preEmphasis : 0, 1, true, E, E, lpcRateOf(p),
               true, !envelope);
    if (envelope) {
        // The predictor of a pre-emphasised frame describes the spectrum
        // tilted by the pre-emphasis: its response is taken off again, so
        // that the envelope follows the spectrum as shown.
        if (ceiling)
            for (int j = 0; j < E; ++j) { // point j is j Hz
                const double w = 2 * M_PI * j / ceiling->rate;
                const double a = ceiling->preEmphasis;
                buf[static_cast<std::size_t>(j)] += 10 * std::log10(1 - 2 * a * std::cos(w) + a * a);
            }
        double lo = 1e13, hi = -1e13;
        for (int j = 0; j < E; ++j) {
            lo = std::min(lo, buf[static_cast<std::size_t>(j)]);
            hi = std::max(hi, buf[static_cast<std::size_t>(j)]);
        }
        const double range = hi - lo;
        envelope->assign(buf.begin(), buf.begin() + E);
        for (double& v : *envelope)
            v = (hi - v) + (fftMax - range);
    }
    return formantsOf(math, p);
}

// The mean of the first and the last frame's formants; a slot that one of
// them lacks (-1) takes the other's value instead of a mean with -1.
Formants meanOf(const Formants& first, const Formants& last)
{
    Formants out;
    for (std::size_t i = 0; i < 5; ++i) {
        if (first.formant[i] < 0 || last.formant[i] < 0) {
            out.formant[i] = std::max(first.formant[i], last.formant[i]);
            out.bandwidth[i] = first.formant[i] < 0 ? last.bandwidth[i] : first.bandwidth[i];
        } else {
            out.formant[i] = (first.formant[i] + last.formant[i]) / 2;
            out.bandwidth[i] = (first.bandwidth[i] + last.bandwidth[i]) / 2;
        }
    }
    return out;
}

std::string number(double v)
{
    std::ostringstream out;
    out << v;
    return out.str();
}

} // namespace

SliceFormants sliceFormantsAt(const float* samples, double dataLength, double centre, const SliceParams& p)
{
    SliceFormants out;
    // Only the predictor is made: the FFT settings do not matter.
    SliceParams lpcOnly = p;
    lpcOnly.windowLength = 256;
    lpcOnly.appliedWindowMs = 1;
    lpcOnly.frequencyRange = 1;
    lpcOnly.averageStepMs = 1;
    if (!sliceParamsProblem(lpcOnly).empty() || !std::isfinite(centre) || !(dataLength >= 0))
        return out;
    const double limit = 0x1p52;
    const long end = samples ? static_cast<long>(std::min(dataLength, limit)) : 0;
    LpcSource source(samples, end, p);
    CMathFunc math;
    const Formants f =
        performLPC(math, source.frameAt(static_cast<long>(std::clamp(centre, -limit, limit))), lpcOnly, 0, nullptr);
    out.formant = f.formant;
    out.bandwidth = f.bandwidth;
    return out;
}

int sliceLpcOrder(const SliceParams& p)
{
    const auto ceiling = ceilingOf(p);
    return ceiling ? ceiling->order : p.lpcOrder;
}

int sliceFrequencyLimit(double sampleRate)
{
    return (static_cast<int>(sampleRate) / 2000) * 1000;
}

std::string sliceParamsProblem(const SliceParams& p)
{
    const std::string of = " of the FFT/LPC settings is ";
    if (!(p.sampleRate >= 2000 && p.sampleRate <= kMaxSampleRate))
        return "The sample rate" + of + number(p.sampleRate) + " Hz; it must be from 2000 to "
             + number(kMaxSampleRate) + " Hz.";
    const int W = p.windowLength;
    if (W < 4 || W > kMaxWindowLength || (W & (W - 1)) != 0)
        return "The FFT window length" + of + std::to_string(W) + " points; it must be a power of two from 4 to "
             + std::to_string(kMaxWindowLength) + ".";
    if (p.appliedWindowMs < 1)
        return "The applied window" + of + std::to_string(p.appliedWindowMs) + " ms; it must be at least 1 ms.";
    const int limit = sliceFrequencyLimit(p.sampleRate);
    if (p.frequencyRange < 1 || p.frequencyRange > limit)
        return "The frequency range" + of + std::to_string(p.frequencyRange) + " Hz; at a sample rate of "
             + number(p.sampleRate) + " Hz it must be from 1 to " + std::to_string(limit) + " Hz.";
    if (p.lpcOrder < 2 || p.lpcOrder > 400)
        return "The LPC order" + of + std::to_string(p.lpcOrder) + "; it must be from 2 to 400.";
    if (p.formantCeiling != 0 && !(p.formantCeiling >= 500 && p.formantCeiling <= 500000))
        return "The formant ceiling" + of + number(p.formantCeiling) + " Hz; it must be 0 (off) or from 500 to "
             "500000 Hz.";
    if (p.averageStepMs < 1)
        return "The average step" + of + std::to_string(p.averageStepMs) + " ms; it must be at least 1 ms.";
    return {};
}

SliceResult computeSpectrumSlice(const float* samples, double dataLength, double startPoint, double stopPoint,
                                 const SliceParams& p, SliceControl* control)
{
    SliceResult out;
    if (!sliceParamsProblem(p).empty() || !std::isfinite(startPoint) || !std::isfinite(stopPoint)
        || !(dataLength >= 0))
        return out;
    const double positionLimit = 0x1p52;
    const long end = samples ? static_cast<long>(std::min(dataLength, positionLimit)) : 0;
    const long start = static_cast<long>(std::clamp(startPoint, -positionLimit, positionLimit));
    const long stop = static_cast<long>(std::clamp(stopPoint, -positionLimit, positionLimit));

    const int W = p.windowLength;
    const int P = p.frequencyRange;
    const int bins = W / 2;
    const int A = static_cast<int>(std::min(p.appliedWindowMs * p.sampleRate / 1000 + 0.5, static_cast<double>(W)));
    const double h = p.sampleRate * p.averageStepMs / 1000 + 0.5;

    auto frameStart = [&](long k) { return static_cast<long>(static_cast<double>(start) + static_cast<double>(k) * h); };
    auto another = [&](long k) { return frameStart(k) + W < stop; };
    long last = std::max(0L, static_cast<long>((static_cast<double>(stop - start) - W) / h));
    while (last > 0 && !another(last - 1))
        --last;
    while (another(last))
        ++last;
    if (last >= INT_MAX)
        return out;
    const long K = last + 1;
    const long firstCounted = std::max(0L, K - kSliceFramesThatCount);
    auto lpcCentre = [&](long k) { return frameStart(k) + A / 2; };

    CMathFunc math;
    LpcSource lpc(samples, end, p);
    const SplinePlan plan(bins, P, (P / (p.sampleRate / 2)) * bins / P);
    // The Hamming window spans the samples that carry signal: cut off on
    // its flank by a shorter applied window it would leak the strongest
    // band tens of dB across the whole spectrum.
    const std::vector<double> taper = math.hamming(A);
    std::vector<double> frame(static_cast<std::size_t>(A), 0.0);
    std::vector<double> fftBuffer(static_cast<std::size_t>(W) + 1, 0.0);
    std::vector<double> y(static_cast<std::size_t>(bins) + 1, 0.0), y2(static_cast<std::size_t>(bins) + 1, 0.0);
    std::vector<double> spectrum(static_cast<std::size_t>(P));
    std::vector<double> accumulator(static_cast<std::size_t>(P));
    const Formants first = K > 1 ? performLPC(math, lpc.frameAt(lpcCentre(0)), p, 0, nullptr) : Formants{};
    double lastRange = 0;
    for (long k = firstCounted; k < K; ++k) {
        if (control && control->cancel) {
            out.cancelled = true;
            out.frames = static_cast<int>(k - firstCounted);
            return out;
        }
        fetch(samples, end, frameStart(k), A, frame);
        for (int i = 0; i < A; ++i)
            fftBuffer[static_cast<std::size_t>(i)] = frame[static_cast<std::size_t>(i)] * taper[static_cast<std::size_t>(i)];
        std::fill(fftBuffer.begin() + A, fftBuffer.end(), 0.0);
        math.DoFFT_Real(fftBuffer.data(), W, 0, 0, false, P, P, p.sampleRate);
        std::copy(fftBuffer.begin(), fftBuffer.begin() + bins, y.begin() + 1);
        math.spline(plan.knots(), y.data(), bins, 1e30, 1e30, y2.data());
        plan.resample(y.data(), y2.data(), spectrum.data());
        double lo = 1e8, hi = -1e8;
        for (double v : spectrum) {
            lo = std::min(lo, v);
            hi = std::max(hi, v);
        }
        lastRange = hi - lo;
        // The newest frame weighs 1/2, the one before 1/4, ..., and the
        // first as much as the second.
        for (std::size_t j = 0; j < accumulator.size(); ++j) {
            const double v = std::max(0.0, spectrum[j] - lo);
            accumulator[j] = k == firstCounted ? v : (accumulator[j] + v) / 2;
        }
        if (control)
            control->progress = static_cast<int>(100 * (k - firstCounted + 1) / (K - firstCounted));
    }
    out.frames = static_cast<int>(K);
    // A frame with a single sample, or with the same level in every bin,
    // resamples to a curve that is flat but for rounding.
    out.silent = !(lastRange > kFlatDb) || !std::isfinite(lastRange);
    if (out.silent) {
        // Nothing to scale against: no envelope and no formants are shown.
        out.fft.assign(accumulator.size(), 0.0);
        return out;
    }
    out.fft = std::move(accumulator);
    out.fftMax = *std::max_element(out.fft.begin(), out.fft.end());
    const Formants latest = performLPC(math, lpc.frameAt(lpcCentre(K - 1)), p, out.fftMax, &out.lpc);
    if (std::any_of(out.lpc.begin(), out.lpc.end(), [](double v) { return !std::isfinite(v); })) {
        out.lpc.clear();
        return out;
    }
    const Formants shown = K == 1 ? latest : meanOf(first, latest);
    out.formant = shown.formant;
    out.bandwidth = shown.bandwidth;
    return out;
}

} // namespace vx
