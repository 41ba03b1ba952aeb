// The analyses on 60 s of a speech-like 44.1 kHz signal at the default
// Settings. Targets on a 2-core machine: pitch track <= 120 ms, spectrogram
// of 1200 x 400 with formant tracking <= 100 ms, one order-48 LPC frame with
// roots <= 60 us, spectrum slice of a 10 s selection <= 100 ms, and of a
// 59-minute selection <= 100 ms.

#include "analysis/MathFunc.h"
#include "analysis/PitchIntensity.h"
#include "analysis/SpectrogramData.h"
#include "analysis/SpectrumSlice.h"
#include "app/Settings.h"
#include "spectrum/SliceDisplay.h"
#include "support/Synthesis.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <random>

namespace {

constexpr double kRate = 44100;

// Voiced stretches with a gliding f0 through three resonators, separated by
// noise and pauses: a stand-in for running speech.
const std::vector<float>& speechLike()
{
    static const std::vector<float> signal = [] {
        const std::size_t n = static_cast<std::size_t>(60 * kRate);
        std::vector<double> x(n, 0.0);
        std::mt19937 rng(1);
        std::normal_distribution<double> noise(0, 0.05);
        double phase = 0;
        for (std::size_t i = 0; i < n; ++i) {
            const double t = i / kRate;
            const double cycle = std::fmod(t, 1.2);
            if (cycle < 0.8) {
                const double f0 = 110 + 40 * std::sin(2 * M_PI * 0.7 * t);
                phase += f0 / kRate;
                if (phase >= 1) {
                    phase -= 1;
                    x[i] = 1.0;
                }
            } else if (cycle < 1.0) {
                x[i] = noise(rng);
            }
        }
        vxtest::resonate(x, kRate, {{650, 80}, {1100, 90}, {2400, 120}});
        const double peak = vxtest::peakOf(x);
        std::vector<float> out(n);
        for (std::size_t i = 0; i < n; ++i)
            out[i] = static_cast<float>(0.7 * x[i] / peak);
        return out;
    }();
    return signal;
}

void BM_PitchTrack60s(benchmark::State& state)
{
    const auto& x = speechLike();
    const vx::Settings s = vx::makeDefaultSettings(kRate);
    vx::PitchParams p;
    p.sampleRate = kRate;
    p.windowMs = s.m_dPitchWindowLength;
    p.stepMs = s.m_dPitchStepSize;
    p.low = s.m_dPitchCalculationLow;
    p.high = s.m_dPitchCalculationHigh;
    p.deviation = s.m_dFreqDeviation;
    p.thresholdPct = s.m_dTrackingThreshHold;
    const double n = static_cast<double>(x.size());
    for (auto _ : state) {
        auto track = vx::computePitchTrack(x.data(), n, p, 0, n, 0, n * 1000 / kRate);
        benchmark::DoNotOptimize(track->track.data());
    }
}

void BM_Spectrogram60s(benchmark::State& state)
{
    const auto& x = speechLike();
    const vx::Settings s = vx::makeDefaultSettings(kRate);
    vx::SpectrogramParams p;
    p.windowLength = s.m_nSpecWindowLength;
    p.dynamicRange = s.m_nSpecDynamicRange;
    p.preEmphasis = s.m_dPreEmphasis;
    p.frequencyRange = s.m_nSpecfrequencyRange;
    p.formantTracking = true;
    p.lpcOrder = s.m_nSpecLPCNumberofCoefficients;
    p.sampleRate = kRate;
    const double n = static_cast<double>(x.size());
    for (auto _ : state) {
        auto d = vx::computeSpectrogram(x.data(), n, 0, n, 1200, 400, p);
        benchmark::DoNotOptimize(d.levels.data());
    }
}

void BM_DoLPCRoots48(benchmark::State& state)
{
    const auto& x = speechLike();
    const int order = 48;
    const int frame = static_cast<int>(kRate / 1000) * order;
    std::vector<double> buf(static_cast<std::size_t>(frame) + 20);
    vx::CMathFunc math;
    std::size_t at = static_cast<std::size_t>(kRate * 0.3);
    for (auto _ : state) {
        for (std::size_t i = 0; i < buf.size(); ++i)
            buf[i] = x[at + i];
        math.DoLPC(buf.data(), order, frame, 0.98, 1, false, 0, 0, kRate, true, true);
        benchmark::DoNotOptimize(math.lp_Roots());
        at = (at + 4410) % static_cast<std::size_t>(50 * kRate);
    }
}

void BM_SpectrumSlice10s(benchmark::State& state)
{
    const auto& x = speechLike();
    const vx::Settings s = vx::makeDefaultSettings(kRate);
    vx::SliceParams p;
    p.sampleRate = kRate;
    p.windowLength = s.m_nFFTWindowLength;
    p.appliedWindowMs = s.m_nFFTAppliedWindowLength;
    p.lpcOrder = s.m_nLPCNumberofCoefficients;
    p.averageStepMs = s.m_nFFTAverageStepSize;
    p.frequencyRange = s.m_nFFTfrequencyRange;
    const double start = 5 * kRate;
    for (auto _ : state) {
        auto r = vx::computeSpectrumSlice(x.data(), static_cast<double>(x.size()), start, start + 10 * kRate, p);
        benchmark::DoNotOptimize(r.fft.data());
    }
}

// FFT/LPC of Selection over 59 minutes of an hour (the speech-like minute
// repeated), at the default settings and under a 5500 Hz formant ceiling.
void BM_SpectrumSliceHour(benchmark::State& state)
{
    static const std::vector<float> hour = [] {
        const auto& minute = speechLike();
        std::vector<float> x;
        x.reserve(minute.size() * 60);
        for (int m = 0; m < 60; ++m)
            x.insert(x.end(), minute.begin(), minute.end());
        return x;
    }();
    vx::Settings s = vx::makeDefaultSettings(kRate);
    s.m_nFFTFormantCeiling = static_cast<int>(state.range(0));
    const vx::SliceParams p = vx::sliceParams(s, kRate);
    const double start = 30 * kRate;
    int frames = 0;
    for (auto _ : state) {
        auto r = vx::computeSpectrumSlice(hour.data(), static_cast<double>(hour.size()), start, start + 59 * 60 * kRate, p);
        frames = r.frames;
        benchmark::DoNotOptimize(r.fft.data());
    }
    state.counters["frames"] = frames;
}

} // namespace

BENCHMARK(BM_PitchTrack60s)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Spectrogram60s)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_DoLPCRoots48)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(BM_SpectrumSlice10s)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_SpectrumSliceHour)->Arg(0)->Arg(5500)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_MAIN();
