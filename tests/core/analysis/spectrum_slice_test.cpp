#include "analysis/MathFunc.h"
#include "analysis/PitchIntensity.h"
#include "analysis/Resample.h"
#include "analysis/SpectrogramData.h"
#include "analysis/SpectrumSlice.h"
#include "app/Settings.h"
#include "spectrum/SliceDisplay.h"
#include "support/Synthesis.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <map>
#include <thread>
#include <tuple>

using namespace vx;
using testing::DoubleNear, testing::Pointwise;

namespace {

// Slices computed two ways agree to this, in dB and Hz.
constexpr double kTolerance = 1e-12;

SliceParams defaultsAt(double rate)
{
    return sliceParams(makeDefaultSettings(rate), rate);
}

// A 120 Hz vowel with formants at 700, 1200 and 2600 Hz.
std::vector<float> vowel(double seconds, double fs)
{
    return vxtest::vowel(static_cast<std::size_t>(seconds * fs), fs, 120, {{700, 60}, {1200, 80}, {2600, 120}}, 0.7);
}

// One frame's spectrum as defined: the applied window's samples from `start` (zeros outside the
// data) under a Hamming window of their length, one point per Hz, lowered to a minimum of 0 dB.
std::vector<double> frameSpectrum(const std::vector<float>& x, long start, const SliceParams& p)
{
    const int W = p.windowLength, P = p.frequencyRange;
    const int A = std::min(static_cast<int>(p.appliedWindowMs * p.sampleRate / 1000 + 0.5), W);
    CMathFunc math;
    const std::vector<double>& hamming = math.hamming(A);
    std::vector<double> frame(static_cast<std::size_t>(std::max(W + 1, P)), 0.0);
    for (long i = 0; i < A; ++i)
        if (start + i >= 0 && start + i < static_cast<long>(x.size()))
            frame[static_cast<std::size_t>(i)] = x[static_cast<std::size_t>(start + i)] * hamming[static_cast<std::size_t>(i)];
    math.DoFFT_Real(frame.data(), W, 0, 0, true, P, P, p.sampleRate);
    frame.resize(static_cast<std::size_t>(P));
    const double lowest = *std::min_element(frame.begin(), frame.end());
    for (double& v : frame)
        v -= lowest;
    return frame;
}

} // namespace

TEST(SpectrumSlice, EachFrameHalvesTheWeightOfTheFramesBefore)
{
    // Frame k starts at trunc(start + k h); frames follow while the one before ends before the
    // stop. Past 64 frames the oldest are left out, which changes nothing that can be seen.
    const auto x44 = vowel(1.6, 44100), x11 = vowel(1, 11025);
    const std::tuple<const std::vector<float>*, double, double> cases[] = { // signal, rate, start
        {&x44, 44100, 3000}, {&x44, 44100, 4400.7}, {&x11, 11025, 900}, {&x11, 11025, -100}};
    for (const auto& [x, rate, start] : cases) {
        SCOPED_TRACE(testing::Message() << rate << " Hz from " << start);
        const SliceParams p = defaultsAt(rate);
        const double n = static_cast<double>(x->size()), h = rate * p.averageStepMs / 1000 + 0.5;
        const auto startOf = [&](int k) { return static_cast<long>(static_cast<long>(start) + k * h); };
        std::map<int, SliceResult> single;
        for (int k : {0, 1, 2, 99}) {
            single[k] = computeSpectrumSlice(x->data(), n, startOf(k), startOf(k), p);
            ASSERT_EQ(single[k].frames, 1);
            EXPECT_THAT(single[k].fft, Pointwise(DoubleNear(kTolerance), frameSpectrum(*x, startOf(k), p))) << k;
        }
        const auto slice = [&](int frames) {
            const double stop = startOf(frames - 2) + p.windowLength + 1;
            const SliceResult r = computeSpectrumSlice(x->data(), n, start, stop, p);
            EXPECT_EQ(r.frames, frames);
            return r;
        };
        for (int frames : {2, 3, 100}) {
            const SliceResult r = slice(frames), before = slice(frames - 1), &last = single[frames - 1];
            // The maximum is the averaged curve's, the envelope the last frame's raised to it;
            // the formants the mean of the first and the last frame's where both have one.
            std::vector<double> halved(r.fft.size()), raised(last.lpc);
            for (std::size_t j = 0; j < r.fft.size(); ++j)
                halved[j] = (before.fft[j] + last.fft[j]) / 2;
            for (double& v : raised)
                v += r.fftMax - last.fftMax;
            EXPECT_THAT(r.fft, Pointwise(DoubleNear(kTolerance), halved)) << frames << " frames";
            EXPECT_EQ(r.fftMax, *std::max_element(r.fft.begin(), r.fft.end()));
            EXPECT_THAT(r.lpc, Pointwise(DoubleNear(kTolerance), raised)) << "envelope";
            for (std::size_t i = 0; i < 5; ++i)
                if (single[0].formant[i] > 0 && last.formant[i] > 0) {
                    EXPECT_NEAR(r.formant[i], (single[0].formant[i] + last.formant[i]) / 2, kTolerance);
                }
        }
    }
}

TEST(SpectrumSlice, AShortSelectionAnalysesTheFrameAtItsStart)
{
    const auto x = vowel(1, 44100);
    const double n = static_cast<double>(x.size());
    const SliceParams p = defaultsAt(44100);
    const double marker = 5427;
    const SliceResult cursor = computeSpectrumSlice(x.data(), n, marker, marker, p);
    EXPECT_NE(cursor.fft, computeSpectrumSlice(x.data(), n, marker + 1, marker + 1, p).fft)
        << "a frame one sample later is another frame";
    for (double stop : {marker + 1, marker + p.windowLength - 1.0, marker + p.windowLength + 0.9}) {
        const SliceResult shortSelection = computeSpectrumSlice(x.data(), n, marker + 0.6, stop, p);
        EXPECT_EQ(shortSelection.frames, 1) << stop - marker;
        EXPECT_EQ(shortSelection.fft, cursor.fft) << stop - marker;
    }
}

TEST(SpectrumSlice, VowelFormants)
{
    // The rate and a formant ceiling (0: none; 6000 Hz is past 11.025 kHz's half rate: none).
    for (auto [rate, ceiling] :
         {std::pair{44100.0, 0.0}, {11025.0, 0.0}, {44100.0, 5500.0}, {96000.0, 5000.0}, {11025.0, 6000.0}}) {
        SCOPED_TRACE(testing::Message() << rate << " Hz, ceiling " << ceiling);
        const auto x = vowel(0.5, rate);
        SliceParams p = defaultsAt(rate);
        p.formantCeiling = ceiling;
        const bool resampled = ceiling > 0 && 2 * ceiling < rate;
        EXPECT_EQ(sliceLpcOrder(p), resampled ? 10 : p.lpcOrder);
        const SliceResult r = computeSpectrumSlice(x.data(), static_cast<double>(x.size()), 0.1 * rate, 0.3 * rate, p);
        ASSERT_FALSE(r.silent);
        const double expected[] = {700, 1200, 2600};
        for (std::size_t i = 0; i < 3; ++i) {
            EXPECT_NEAR(r.formant[i], expected[i], 0.04 * expected[i]) << "F" << i + 1;
            EXPECT_TRUE(r.bandwidth[i] > 0 && r.formant[i] >= 2 * r.bandwidth[i]) << "F" << i + 1;
        }
        EXPECT_DOUBLE_EQ(*std::max_element(r.lpc.begin(), r.lpc.end()), r.fftMax)
            << "the envelope's peak is the spectrum's maximum";
        EXPECT_EQ(r.lpc.size(), resampled ? static_cast<std::size_t>(ceiling) : r.fft.size());
        // The envelope follows the spectrum: F3 as far below F1 as in the spectrum, within 6 dB.
        const auto peak = [](const std::vector<double>& v, int hz) {
            return *std::max_element(v.begin() + hz - 100, v.begin() + hz + 100);
        };
        EXPECT_NEAR(peak(r.lpc, 700) - peak(r.lpc, 2600), peak(r.fft, 700) - peak(r.fft, 2600), 6);
        const SliceFormants at = sliceFormantsAt(x.data(), static_cast<double>(x.size()), 0.2 * rate, p);
        EXPECT_NEAR(at.formant[0], 700, 28);
    }
}

TEST(SpectrumSlice, SilenceAndTheDataEdgeGiveNoNaN)
{
    const SliceParams p = defaultsAt(44100);
    const auto x = vowel(0.5, 44100);
    const double n = static_cast<double>(x.size());
    const std::vector<float> zeros(20000, 0.0f);
    std::vector<float> broken(x);
    broken[5000] = std::numeric_limits<float>::quiet_NaN();
    broken[5100] = std::numeric_limits<float>::infinity();
    struct Case {
        const char* name;
        const float* data;
        double length, start, stop;
        bool silent;
    } cases[] = {
        {"digital silence", zeros.data(), 20000, 1000, 15000, true},
        {"no data", nullptr, 0, 0, 3000, true},
        // One sample at the window's edge: the same level in every bin.
        {"cursor at the last sample", x.data(), n, n - 1, n - 1, true},
        {"cursor past the data", x.data(), n, n + 50, n + 50, true},
        {"selection ending at the last sample", x.data(), n, n - 2800, n - 1, false},
        {"selection whose last frame starts past the data", x.data(), n, n - 3000, n - 1, true},
        {"samples that are not numbers", broken.data(), n, 4000, 6000, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const SliceResult r = computeSpectrumSlice(c.data, c.length, c.start, c.stop, p);
        EXPECT_EQ(r.silent, c.silent);
        const auto finite = [](double v) { return std::isfinite(v); };
        EXPECT_TRUE(std::all_of(r.fft.begin(), r.fft.end(), finite) && std::all_of(r.lpc.begin(), r.lpc.end(), finite)
                    && std::isfinite(r.fftMax));
        EXPECT_EQ(r.fft.size(), static_cast<std::size_t>(p.frequencyRange));
        EXPECT_EQ(r.lpc.size(), r.silent ? 0 : r.fft.size());
        EXPECT_EQ(r.formant[0] == -1, r.silent);
    }
    const SliceFormants none = sliceFormantsAt(zeros.data(), 20000, 100, p);
    for (double f : none.formant)
        EXPECT_TRUE(f == -1 || std::isfinite(f));
}

TEST(SpectrumSlice, UnusableParametersAreNamedAndGiveNoFrames)
{
    const SliceParams good = defaultsAt(44100);
    EXPECT_EQ(sliceParamsProblem(good), "");
    EXPECT_EQ(sliceParamsProblem(defaultsAt(11025)), "");
    EXPECT_EQ(sliceFrequencyLimit(22050), 11000);
    const std::pair<void (*)(SliceParams&), const char*> cases[] = {
        {[](SliceParams& p) { p.averageStepMs = 0; }, "average step of the FFT/LPC settings is 0 ms"},
        {[](SliceParams& p) { p.windowLength = 300; }, "window length"},
        {[](SliceParams& p) { p.windowLength = 1; }, "window length"},
        {[](SliceParams& p) { p.windowLength = 1 << 30; }, "must be a power of two from 4 to 65536"},
        {[](SliceParams& p) { p.appliedWindowMs = 0; }, "applied window"},
        {[](SliceParams& p) { p.frequencyRange = 0; }, "frequency range"},
        {[](SliceParams& p) { p.frequencyRange = 22001; }, "frequency range"},
        {[](SliceParams& p) { p.lpcOrder = 1; }, "LPC order"},
        {[](SliceParams& p) { p.lpcOrder = 401; }, "LPC order"},
        {[](SliceParams& p) { p.formantCeiling = 499; }, "formant ceiling"},
        {[](SliceParams& p) { p.sampleRate = 0; }, "sample rate"},
        {[](SliceParams& p) { p.sampleRate = std::nan(""); }, "sample rate"},
    };
    const auto x = vowel(0.2, 44100);
    for (const auto& [change, mentions] : cases) {
        SliceParams p = good;
        change(p);
        const std::string problem = sliceParamsProblem(p);
        EXPECT_NE(problem.find(mentions), std::string::npos) << problem;
        const SliceResult r = computeSpectrumSlice(x.data(), static_cast<double>(x.size()), 0, 4000, p);
        EXPECT_EQ(r.frames, 0) << problem;
        EXPECT_TRUE(r.fft.empty()) << problem;
    }
    EXPECT_EQ(computeSpectrumSlice(x.data(), 8820, std::nan(""), 100, good).frames, 0);
    EXPECT_EQ(computeSpectrumSlice(x.data(), 8820, 0, std::numeric_limits<double>::infinity(), good).frames, 0);
}

TEST(SpectrumSlice, ProgressReachesAHundredAndCancelStopsEarly)
{
    const auto x = vowel(1, 11025);
    const double n = static_cast<double>(x.size());
    SliceControl done, early;
    early.cancel = true;
    EXPECT_GT(computeSpectrumSlice(x.data(), n, 0, n, defaultsAt(11025), &done).frames, 50);
    EXPECT_EQ(done.progress, 100);
    const SliceResult none = computeSpectrumSlice(x.data(), n, 0, n, defaultsAt(11025), &early);
    EXPECT_TRUE(none.cancelled);
    EXPECT_EQ(none.frames, 0);
}

TEST(Resampler, KeepsWhatIsBelowTheNewHalfRateAndRemovesWhatIsAbove)
{
    const double in = 44100, out = 11000;
    const Resampler r(in, out);
    for (auto [hz, gain] : {std::pair{300.0, 1.0}, {4500.0, 1.0}, {7000.0, 0.0}, {15000.0, 0.0}}) {
        SCOPED_TRACE(hz);
        std::vector<float> x(44100);
        for (std::size_t i = 0; i < x.size(); ++i)
            x[i] = static_cast<float>(std::sin(2 * M_PI * hz * static_cast<double>(i) / in));
        std::vector<double> y(2000);
        const double first = 10000.3;
        r.segment(x.data(), static_cast<long>(x.size()), first, static_cast<int>(y.size()), y.data());
        double worst = 0;
        for (std::size_t i = 0; i < y.size(); ++i) {
            const double t = (first + static_cast<double>(i) * in / out) / in;
            worst = std::max(worst, std::fabs(y[i] - gain * std::sin(2 * M_PI * hz * t)));
        }
        EXPECT_LT(worst, 2e-3);
    }
    // Outside the data, and where samples are not numbers, it reads zeros.
    std::vector<float> ones(100, 1.0f);
    ones[50] = std::numeric_limits<float>::quiet_NaN();
    std::vector<double> y(5);
    r.segment(ones.data(), 100, 400, 5, y.data());
    EXPECT_EQ(y, std::vector<double>(5, 0.0));
    r.segment(ones.data(), 100, 50, 1, y.data());
    EXPECT_TRUE(std::isfinite(y[0]));
}

TEST(Analyses, RunConcurrentlyWithTheSameResultsAsAlone)
{
    const double fs = 10000;
    const auto x = vowel(2, fs);
    const SpectrogramParams sp{.sampleRate = fs};
    const SliceParams slp{.sampleRate = fs};
    const PitchParams pp{.sampleRate = fs};
    const auto pitch = [&] { return computePitchTrack(x.data(), 20000, pp, 0, 20000, 0, 2000); };
    const auto spectrogram = [&] { return computeSpectrogram(x.data(), 20000, 0, 20000, 200, 100, sp); };
    const auto slice = [&] { return computeSpectrumSlice(x.data(), 20000, 3000, 6000, slp); };
    std::optional<PitchTrack> p;
    SpectrogramData g;
    SliceResult r;
    std::thread a([&] { p = pitch(); }), b([&] { g = spectrogram(); }), c([&] { r = slice(); });
    a.join();
    b.join();
    c.join();
    ASSERT_TRUE(p);
    EXPECT_EQ(p->track, pitch().value().track);
    EXPECT_EQ(g.levels, spectrogram().levels);
    EXPECT_EQ(g.formants, spectrogram().formants);
    EXPECT_EQ(std::tuple(r.fft, r.lpc, r.formant), std::tuple(slice().fft, slice().lpc, slice().formant));
}
