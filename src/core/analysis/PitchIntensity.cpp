#include "analysis/PitchIntensity.h"

#include "analysis/MathFunc.h"

#include <algorithm>
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
    c.level.assign(static_cast<std::size_t>(std::max(0.0, dataLength)), 0.0f);
    DoIntensityFloat(samples, c.level.data(), &c.minimum, &c.maximum, p.offset, startPoint,
                     p.windowMs * p.sampleRate / 1000 + 0.5, p.stepMs * p.sampleRate / 1000, dataLength,
                     p.relative, false);
    return c;
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
