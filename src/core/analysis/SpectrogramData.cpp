#include "analysis/SpectrogramData.h"

#include "analysis/FormantCeiling.h"
#include "analysis/MathFunc.h"
#include "analysis/Resample.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <thread>

namespace vx {

namespace {

// Copies samples [from, from + count) into out, zero past the data.
void fetch(const float* samples, double dataLength, long from, long count, double* out)
{
    const long end = samples ? static_cast<long>(dataLength) : 0;
    for (long i = 0; i < count; ++i) {
        const long at = from + i;
        out[i] = at >= 0 && at < end ? samples[at] : 0.0;
    }
}

} // namespace

int spectrogramLpcFrame(const SpectrogramParams& p)
{
    if (const auto ceiling = ceilingLpc(p.formantCeiling, p.sampleRate))
        return static_cast<int>(ceiling->rate * ceiling->frameMs / 1000);
    return static_cast<int>(p.sampleRate / 1000) * p.lpcOrder;
}

int spectrogramLpcOrder(const SpectrogramParams& p)
{
    const auto ceiling = ceilingLpc(p.formantCeiling, p.sampleRate);
    return ceiling ? ceiling->order : p.lpcOrder;
}

SpectrogramData computeSpectrogram(const float* samples, double dataLength, double startPoint, double endPoint,
                                   int columns, int rows, const SpectrogramParams& p, AnalysisControl* control,
                                   unsigned threads)
{
    SpectrogramData out;
    out.columns = std::max(columns, 0);
    out.rows = std::max(rows, 0);
    out.levels.assign(static_cast<std::size_t>(out.columns) * out.rows, 0.0);
    if (p.formantTracking)
        out.formants.assign(static_cast<std::size_t>(out.columns), FormantSlots{});
    if (out.columns == 0 || out.rows == 0)
        return out;
    const int P = spectrogramLpcFrame(p);
    const double S = (endPoint - startPoint) / out.columns;
    const std::size_t storage =
        static_cast<std::size_t>(std::max({P, p.windowLength, out.rows})) + 20;
    const std::optional<CeilingLpc> ceiling = ceilingLpc(p.formantCeiling, p.sampleRate);
    std::optional<Resampler> resampler;
    if (ceiling)
        resampler.emplace(p.sampleRate, ceiling->rate);
    const double lpcRate = ceiling ? ceiling->rate : p.sampleRate;
    const int lpcOrder = spectrogramLpcOrder(p);
    const double lpcPreEmphasis = ceiling ? ceiling->preEmphasis : p.preEmphasis;
    std::atomic<int> done{0};
    std::atomic<bool> anyFormant{false};
    // Digital silence: the FFT answers 0 dB for a power of 0, which would
    // draw silence nearly as dark as the loudest sound.
    std::vector<char> silent(static_cast<std::size_t>(out.columns), 0);

    auto work = [&](int from, int to) {
        CMathFunc math;
        std::vector<double> frame(storage), lpcFrame(static_cast<std::size_t>(P) + 20);
        for (int i = from; i < to; ++i) {
            if (control && control->cancel)
                return;
            const double x = startPoint + i * S;
            const long s = static_cast<long>(x);
            std::fill(frame.begin(), frame.end(), 0.0);
            fetch(samples, dataLength, s, static_cast<long>(x + p.windowLength + 10) - s, frame.data());
            silent[static_cast<std::size_t>(i)] =
                std::all_of(frame.begin(), frame.begin() + std::clamp<std::ptrdiff_t>(p.windowLength, 0, std::ssize(frame)), [](double v) { return v == 0.0; });
            math.DoFFT_Real(frame.data(), p.windowLength, p.preEmphasis, 1, true, out.rows, p.frequencyRange,
                            p.sampleRate);
            std::copy(frame.begin(), frame.begin() + out.rows,
                      out.levels.begin() + static_cast<std::ptrdiff_t>(i) * out.rows);
            if (p.formantTracking) {
                // Pre-emphasis reads one sample past the P.
                const long centre = s + p.windowLength / 2;
                std::fill(lpcFrame.begin(), lpcFrame.end(), 0.0);
                if (resampler)
                    resampler->segment(samples, samples ? static_cast<long>(dataLength) : 0,
                                       static_cast<double>(centre) - (P / 2) * (p.sampleRate / lpcRate), P + 1,
                                       lpcFrame.data());
                else
                    fetch(samples, dataLength, centre - P / 2, P + 1, lpcFrame.data());
                math.DoLPC(lpcFrame.data(), lpcOrder, P, lpcPreEmphasis, 1, false, out.columns, p.frequencyRange,
                           lpcRate, true, true);
                FormantSlots& slots = out.formants[static_cast<std::size_t>(i)];
                slots.fill(kNoFormant);
                if (const auto& roots = math.lp_Roots()) {
                    std::size_t next = 0;
                    for (std::size_t k = 0; k < roots->freq.size() && next < 5 && (ceiling || k < 5); ++k) {
                        const double F = roots->freq[k], B = roots->bandwidth[k];
                        if (ceiling ? ceiling->countsAsFormant(F + 0.5)
                                    : F + 0.5 >= (B + 0.5) * gRatioFormantBanswodth) {
                            slots[next++] = static_cast<std::uint16_t>(std::clamp(F + 0.5, 0.0, 65534.0));
                            anyFormant = true;
                        }
                    }
                }
            }
            const int finished = ++done;
            if (control)
                control->progress = finished * 100 / out.columns;
        }
    };
    threads = std::max(1u, std::min(threads, static_cast<unsigned>(out.columns)));
    const int chunk = (out.columns + static_cast<int>(threads) - 1) / static_cast<int>(threads);
    std::vector<std::thread> pool;
    for (unsigned t = 1; t < threads; ++t)
        pool.emplace_back(work, std::min(out.columns, static_cast<int>(t) * chunk),
                          std::min(out.columns, static_cast<int>(t + 1) * chunk));
    work(0, std::min(out.columns, chunk));
    for (std::thread& t : pool)
        t.join();
    out.haveFormants = anyFormant;

    // The loudest point becomes the dynamic range; anything more than the
    // range below it becomes 0.
    double M = -1e7;
    for (int i = 0; i < out.columns; ++i)
        if (!silent[static_cast<std::size_t>(i)])
            for (int j = 0; j < out.rows; ++j)
                M = std::max(M, out.level(i, j));
    for (int i = 0; i < out.columns; ++i) {
        auto column = out.levels.begin() + static_cast<std::ptrdiff_t>(i) * out.rows;
        for (auto v = column; v != column + out.rows; ++v)
            *v = silent[static_cast<std::size_t>(i)] ? 0.0 : std::max(0.0, *v - M + p.dynamicRange);
    }

    // Columns whose loudest point is below half the range show no formants.
    if (p.formantTracking) {
        for (int f = 0; f < out.columns; ++f) {
            double peak = -100000;
            for (int j = 0; j < out.rows; ++j)
                peak = std::max(peak, out.level(f, j));
            if (peak < p.dynamicRange * 0.5)
                out.formants[static_cast<std::size_t>(f)].fill(kNoFormant);
        }
    }
    return out;
}

} // namespace vx
