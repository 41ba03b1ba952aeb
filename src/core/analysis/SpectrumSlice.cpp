#include "analysis/SpectrumSlice.h"

#include "analysis/MathFunc.h"

#include <algorithm>
#include <cmath>

namespace vx {

namespace {

struct FrameAnalysis {
    std::vector<double> fft, lpc;
    double fftMax = 0;
    std::array<double, 5> formant{}, bandwidth{};
};

// One frame's spectrum into a.fft (PerformFFT).
void performFFT(CMathFunc& math, const std::vector<double>& frame, const SliceParams& p, std::size_t storage,
                FrameAnalysis& a)
{
    const int W = p.windowLength;
    const int P = p.frequencyRange;
    const int A = std::min(static_cast<int>(p.appliedWindowMs * p.sampleRate / 1000 + 0.5), W);
    std::vector<double> buf(std::max({storage, static_cast<std::size_t>(W) + 10, static_cast<std::size_t>(P)}), 0.0);
    std::copy(frame.begin(), frame.begin() + std::max(A, 0), buf.begin());
    math.DoFFT_Real(buf.data(), W, 0, 1, true, P, p.frequencyRange, p.sampleRate);
    double lo = 1e8, hi = -1e8;
    for (int j = 0; j < P; ++j) {
        lo = std::min(lo, buf[static_cast<std::size_t>(j)]);
        hi = std::max(hi, buf[static_cast<std::size_t>(j)]);
    }
    a.fft.assign(buf.begin(), buf.begin() + P);
    for (double& v : a.fft)
        v = std::max(0.0, v - lo);
    a.fftMax = hi - lo;
}

// One frame's envelope and formants (PerformLPC).
void performLPC(CMathFunc& math, const std::vector<double>& frame, const SliceParams& p, std::size_t storage,
                FrameAnalysis& a)
{
    const int P = p.frequencyRange;
    const int points = static_cast<int>(p.lpcOrder * p.sampleRate / 1000);
    // DoLPC writes P resampled points into the buffer.
    std::vector<double> buf(std::max({storage, static_cast<std::size_t>(points) + 5, static_cast<std::size_t>(P)}),
                            0.0);
    std::copy(frame.begin(), frame.begin() + std::min<std::size_t>(frame.size(), static_cast<std::size_t>(points) + 5),
              buf.begin());
    math.DoLPC(buf.data(), p.lpcOrder, points, 0, 1, true, P, p.frequencyRange, p.sampleRate, true, false);
    a.formant.fill(-1);
    a.bandwidth.fill(-1);
    if (const auto& roots = math.lp_Roots()) {
        std::size_t next = 0;
        for (std::size_t k = 0; k < 5 && k < roots->freq.size(); ++k) {
            const double f = roots->freq[k] + 0.5;
            const double b = roots->bandwidth[k] + 0.5;
            if (f >= gRatioFormantBanswodth * b) {
                a.formant[next] = f;
                a.bandwidth[next] = b;
                ++next;
            }
        }
    }
    double lo = 1e13, hi = -1e13;
    for (int j = 0; j < P; ++j) {
        lo = std::min(lo, buf[static_cast<std::size_t>(j)]);
        hi = std::max(hi, buf[static_cast<std::size_t>(j)]);
    }
    const double range = hi - lo;
    a.lpc.assign(buf.begin(), buf.begin() + P);
    for (double& v : a.lpc)
        v = (hi - v) + (a.fftMax - range);
}

} // namespace

SliceFormants sliceFormantsAt(const float* samples, double dataLength, double at, const SliceParams& p)
{
    SliceFormants out;
    const int points = static_cast<int>(p.lpcOrder * p.sampleRate / 1000);
    if (points < 2 || p.frequencyRange <= 0)
        return out;
    std::vector<double> frame(static_cast<std::size_t>(points) + 5, 0.0);
    const long s = static_cast<long>(at);
    for (long i = 0; i < points + 5 && s + i < static_cast<long>(dataLength); ++i)
        if (s + i >= 0)
            frame[static_cast<std::size_t>(i)] = samples[s + i];
    CMathFunc math;
    FrameAnalysis a;
    performLPC(math, frame, p, frame.size(), a);
    out.formant = a.formant;
    out.bandwidth = a.bandwidth;
    return out;
}

int sliceFrequencyLimit(double sampleRate)
{
    return (static_cast<int>(sampleRate) / 2000) * 1000;
}

SliceResult computeSpectrumSlice(const float* samples, double dataLength, double startPoint, double stopPoint,
                                 const SliceParams& p, SliceControl* control)
{
    SliceResult out;
    const int W = p.windowLength;
    const int P = std::max(p.frequencyRange, 0);
    if (W < 2 || P == 0 || !(p.sampleRate > 0))
        return out;
    const int lpcPoints = static_cast<int>(p.lpcOrder * p.sampleRate / 1000);
    const std::size_t storage = static_cast<std::size_t>(std::max({P, W, lpcPoints})) + 10;
    const long lpcCopy = static_cast<long>(static_cast<int>(p.sampleRate) / 1000) * p.lpcOrder + 10;
    const long C = std::max<long>(W + 10, lpcCopy);
    const double h = p.sampleRate * p.averageStepMs / 1000 + 0.5;
    const long end = static_cast<long>(dataLength);

    CMathFunc math;
    std::vector<double> frame(static_cast<std::size_t>(std::max<long>(C, lpcPoints + 5)), 0.0);
    std::vector<double> accumulator;
    FrameAnalysis a;
    std::array<double, 5> firstF{}, firstB{};
    const double expectedFrames = std::max(1.0, (stopPoint - startPoint - W) / h + 1);
    for (long k = 0;; ++k) {
        if (control && control->cancel) {
            out.cancelled = true;
            return out;
        }
        const double pos = static_cast<long>(startPoint) + k * h;
        const long s = static_cast<long>(pos);
        std::fill(frame.begin(), frame.end(), 0.0);
        for (long i = 0; i < C && s + i < end; ++i)
            if (s + i >= 0)
                frame[static_cast<std::size_t>(i)] = samples[s + i];
        performFFT(math, frame, p, storage, a);
        if (k == 0)
            accumulator = a.fft;
        else
            for (int j = 0; j < P; ++j)
                accumulator[static_cast<std::size_t>(j)] = (accumulator[static_cast<std::size_t>(j)] + a.fft[static_cast<std::size_t>(j)]) / 2;
        performLPC(math, frame, p, storage, a);
        if (k == 0) {
            firstF = a.formant;
            firstB = a.bandwidth;
            out.formant = a.formant;
            out.bandwidth = a.bandwidth;
        } else {
            // The mean of the first and the latest frame; a slot that one of
            // them lacks (-1) takes the other's value instead of a mean with -1.
            for (std::size_t i = 0; i < 5; ++i) {
                if (firstF[i] < 0 || a.formant[i] < 0) {
                    out.formant[i] = std::max(firstF[i], a.formant[i]);
                    out.bandwidth[i] = firstF[i] < 0 ? a.bandwidth[i] : firstB[i];
                } else {
                    out.formant[i] = (firstF[i] + a.formant[i]) / 2;
                    out.bandwidth[i] = (firstB[i] + a.bandwidth[i]) / 2;
                }
            }
        }
        out.frames = static_cast<int>(k + 1);
        if (control)
            control->progress = static_cast<int>(std::min(100.0, 100.0 * out.frames / expectedFrames));
        if (!(s + W < static_cast<long>(stopPoint)))
            break;
    }
    out.fft = std::move(accumulator);
    out.lpc = std::move(a.lpc);
    out.fftMax = a.fftMax;
    out.silent = !(out.fftMax > 0) || !std::isfinite(out.fftMax);
    if (out.silent || std::any_of(out.lpc.begin(), out.lpc.end(), [](double v) { return !std::isfinite(v); })) {
        // Nothing to scale against: no envelope and no formants are shown.
        out.lpc.clear();
        out.formant.fill(-1);
        out.bandwidth.fill(-1);
    }
    if (out.silent)
        std::fill(out.fft.begin(), out.fft.end(), 0.0);
    return out;
}

} // namespace vx
