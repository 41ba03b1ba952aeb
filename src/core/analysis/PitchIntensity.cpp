#include "analysis/PitchIntensity.h"

#include "analysis/MathFunc.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <thread>

namespace vx {

PitchParams pitchParams(const PitchOptions& s, double sampleRate)
{
    return {sampleRate,          s.m_dPitchWindowLength, s.m_dPitchStepSize, s.m_dPitchCalculationLow,
            s.m_dPitchCalculationHigh, s.m_dFreqDeviation, s.m_dTrackingThreshHold};
}

IntensityParams intensityParams(const IntensityOptions& s, double sampleRate, double reference)
{
    return {sampleRate, s.m_dIntensityWindowLengthMS, s.m_dIntensityStepSizeMS, reference, s.m_bIntensityRelative};
}

PitchFrameSize pitchFrameSize(double fs, double windowMs)
{
    int W = static_cast<int>(fs / 1000 * windowMs);
    int N = W < 1024 ? 1024 : W < 2048 ? 2048 : 4096;
    if (W >= 4096) {
        windowMs = std::trunc(1000 / fs * 4096);
        W = static_cast<int>(fs / 1000 * windowMs);
    }
    return {W, N, windowMs};
}

std::vector<double> applyTrackingRules(const std::vector<double>& raw, const std::vector<double>& energy,
                                       double frameCount, double deviation, double thresholdPct)
{
    const long n = static_cast<long>(raw.size());
    std::vector<double> track(raw.size(), 0.0);
    // Continuity: a frame survives when both neighbours are within the
    // deviation (in whole Hz); the first and last frames never do.
    for (long i = 1; i + 1 < n; ++i) {
        const double r = raw[static_cast<std::size_t>(i)];
        const double before = std::trunc(std::fabs(raw[static_cast<std::size_t>(i) - 1] - r));
        const double after = std::trunc(std::fabs(raw[static_cast<std::size_t>(i) + 1] - r));
        if (before < deviation && after < deviation)
            track[static_cast<std::size_t>(i)] = r;
    }
    // Smoothing in place; each mean uses the unsmoothed k, k+1 and k+2.
    const long K = static_cast<long>(frameCount - 3);
    for (long k = 0; k < K && k + 2 < n; ++k) {
        double& a = track[static_cast<std::size_t>(k)];
        const double b = track[static_cast<std::size_t>(k) + 1];
        const double c = track[static_cast<std::size_t>(k) + 2];
        if (a != 0 && b != 0 && c != 0)
            a = (a + b + c) / 3.0;
    }
    double emax = -1e9;
    for (double e : energy)
        emax = std::max(emax, e);
    const double threshold = emax * thresholdPct / 100.0;
    for (long k = 0; k < n; ++k)
        if (energy[static_cast<std::size_t>(k)] - threshold <= 0)
            track[static_cast<std::size_t>(k)] = 0;
    return track;
}

std::optional<PitchTrack> computePitchTrack(const float* samples, double dataLength, const PitchParams& p,
                                            double startPoint, double stopPoint, double startTime,
                                            double stopTime, AnalysisControl* control, unsigned threads)
{
    const PitchFrameSize size = pitchFrameSize(p.sampleRate, p.windowMs);
    const double step = p.sampleRate / 1000 * p.stepMs;
    PitchTrack out;
    out.windowMs = size.windowMs;
    out.startPoint = startPoint;
    out.stopPoint = stopPoint;
    out.startTime = startTime;
    out.stopTime = stopTime;
    out.frameCount = step > 0 ? std::max(0.0, (stopPoint - startPoint) / step) : 0.0;
    const long n = static_cast<long>(out.frameCount);
    std::vector<double> raw(static_cast<std::size_t>(n), 0.0);
    std::vector<double> energy(static_cast<std::size_t>(n), 0.0);
    if (control)
        control->progress = 0;

    std::atomic<long> done{0};
    std::atomic<bool> cancelled{false};
    auto work = [&](long from, long to) {
        CMathFunc math;
        for (long k = from; k < to; ++k) {
            if (control && control->cancel) {
                cancelled = true;
                return;
            }
            const double a = startPoint + k * step;
            raw[static_cast<std::size_t>(k)] =
                math.DoPitchCepstrumFloat(samples, a, dataLength, p.sampleRate, p.low, p.high, size.N, size.W);
            // Frame energy over [a, a + step), inside the data.
            const long s = std::max(0L, static_cast<long>(a));
            const long e = std::min(static_cast<long>(a + step), static_cast<long>(dataLength));
            double sum = 0;
            for (long i = s; i < e; ++i)
                sum += double(samples[i]) * samples[i];
            energy[static_cast<std::size_t>(k)] = sum / step;
            const long finished = ++done;
            if (control)
                control->progress = static_cast<int>(finished * 100 / std::max(out.frameCount, 1.0));
        }
    };
    threads = std::max(1u, std::min(threads, static_cast<unsigned>(std::max(1L, n / 64))));
    std::vector<std::thread> pool;
    const long chunk = (n + threads - 1) / threads;
    for (unsigned t = 1; t < threads; ++t)
        pool.emplace_back(work, std::min(n, t * chunk), std::min(n, (t + 1) * chunk));
    work(0, std::min(n, chunk));
    for (std::thread& t : pool)
        t.join();
    if (cancelled)
        return std::nullopt;
    out.track = applyTrackingRules(raw, energy, out.frameCount, p.deviation, p.thresholdPct);
    return out;
}

IntensityContour computeIntensity(const float* samples, double dataLength, const IntensityParams& p,
                                  double startPoint)
{
    IntensityContour c;
    const double window = p.windowMs * p.sampleRate / 1000 + 0.5;
    const double step = p.stepMs * p.sampleRate / 1000;
    const long n = static_cast<long>(std::max(0.0, dataLength));
    const long K = step > 0 && n > 0 ? static_cast<long>((dataLength - window) / step) : 0;
    c.m_samples = n;
    c.m_width = static_cast<long>(window);
    c.m_step = step > 0 ? step : 1;
    c.m_start = startPoint;
    if (K > 0)
        c.m_levels.resize(static_cast<std::size_t>(K));
    // Which values the samples take: a frame's level where it is the last
    // frame over a sample (and the last frame's after it), and 0 where no
    // frame reaches.
    bool uncovered = K <= 0 && n > 0;
    double lo = 1e9, hi = -1e9;
    auto seen = [&](double v) {
        lo = std::min(lo, v);
        hi = std::max(hi, v);
    };
    long covered = 0; // the frames so far wrote every sample before this
    for (long k = 0; k < K; ++k) {
        const long s = c.frameStart(k);
        const long e = c.frameEnd(k);
        const long from = std::max(s, 0L);
        double sum = 0;
        for (long i = from; i < e; ++i) {
            const double v = samples[i] - p.offset;
            sum += v * v;
        }
        const double meanSquare = sum / window;
        const float level = static_cast<float>(meanSquare > 0 ? 10.0 * std::log10(meanSquare) : kSilenceLevelDb);
        c.m_levels[static_cast<std::size_t>(k)] = level;
        if (e > from) {
            uncovered = uncovered || from > covered;
            covered = std::max(covered, e);
        }
        // A later frame overwrites this one from its own start on.
        if (k + 1 < K) {
            if (std::min(e, std::max(c.frameStart(k + 1), 0L)) > from)
                seen(level);
        } else {
            const long tail = std::max(e, 0L);
            if (e > from || tail < n)
                seen(level);
            uncovered = uncovered || tail > covered;
        }
    }
    if (uncovered)
        seen(0.0);
    if (n <= 0)
        lo = hi = 0;
    // The same shifts, in the same float steps, as the per-sample form.
    auto shiftAll = [&](double by) {
        for (float& v : c.m_levels)
            v = static_cast<float>(v - by);
        c.m_uncovered = static_cast<float>(c.m_uncovered - by);
    };
    if (hi < 0 && lo < 0) {
        shiftAll(lo + hi);
        const double newLo = std::fabs(hi), newHi = std::fabs(lo);
        lo = newLo;
        hi = newHi;
    } else if (hi >= 0 && lo < 0) {
        shiftAll(lo);
        hi -= lo;
        lo = 0;
    }
    if (p.relative) {
        shiftAll(lo);
        hi -= lo;
        lo = 0;
    }
    c.minimum = lo;
    c.maximum = hi;
    return c;
}

long IntensityContour::lastFrameFrom(long i) const
{
    const long K = static_cast<long>(m_levels.size());
    if (K == 0)
        return -1;
    const double estimate = std::floor((static_cast<double>(i) + 1 - m_start) / m_step);
    long k = static_cast<long>(std::clamp(estimate, -1.0, static_cast<double>(K - 1)));
    while (k + 1 < K && frameStart(k + 1) <= i)
        ++k;
    while (k >= 0 && frameStart(k) > i)
        --k;
    return k;
}

float IntensityContour::at(long i) const
{
    const long k = lastFrameFrom(i);
    if (k < 0)
        return m_uncovered;
    const long K = static_cast<long>(m_levels.size());
    if (i < frameEnd(k) || (k == K - 1 && i >= frameEnd(k)))
        return m_levels[static_cast<std::size_t>(k)];
    return m_uncovered;
}

float IntensityContour::highest(long from, long to, float none) const
{
    from = std::max(from, 0L);
    to = std::min(to, m_samples);
    if (from >= to)
        return none;
    float top = at(from);
    // The level changes only where a frame starts to show, where a frame
    // ends before the next starts (no frame there), and at the end of the
    // last frame (its level runs on).
    const long K = static_cast<long>(m_levels.size());
    for (long k = std::max(lastFrameFrom(from), 0L); k < K; ++k) {
        const long s = frameStart(k);
        if (s >= to)
            break;
        const long e = frameEnd(k);
        const long next = k + 1 < K ? frameStart(k + 1) : LONG_MAX;
        const float level = m_levels[static_cast<std::size_t>(k)];
        if (s >= from && std::min(e, next) > s)
            top = std::max(top, level);
        if (e < next && e >= from && e < to)
            top = std::max(top, k + 1 < K ? m_uncovered : level);
    }
    return top;
}

double pitchFrameTime(const PitchTrack& t, int k)
{
    if (t.frameCount <= 0)
        return t.startTime;
    return t.startTime + k * (t.stopTime - t.startTime) / t.frameCount;
}

double averagePitch(const PitchTrack& t, double selStart, double selStop)
{
    const double D = t.stopTime - t.startTime;
    const double F = t.frameCount;
    const long n = static_cast<long>(F);
    if (D <= 0 || F <= 0)
        return 0;
    double sum = 0;
    int count = 0;
    for (long i = 0; i < n; ++i) {
        const double time = i * D / F + t.startTime;
        if (selStart <= time && time <= selStop) {
            const long j = static_cast<long>((time - t.startTime) * F / D);
            const double v = j >= 0 && j < n && static_cast<std::size_t>(j) < t.track.size()
                                 ? t.track[static_cast<std::size_t>(j)]
                                 : 0.0;
            if (v != 0) {
                sum += v;
                ++count;
            }
        }
    }
    return count == 0 || sum == 0 ? 0.0 : sum / count;
}

} // namespace vx
