#include "analysis/MathFunc.h"
#include "analysis/PitchIntensity.h"
#include "analysis/SpectrogramData.h"
#include "analysis/SpectrumSlice.h"

#include <gtest/gtest.h>

#include <cmath>
#include <thread>

using namespace vx;

namespace {

// A vowel-like signal: a 120 Hz pulse train through resonators at 700,
// 1200 and 2500 Hz, loud for `loud` samples and 60 dB quieter after.
std::vector<float> vowel(int n, double fs, int loud)
{
    std::vector<double> x(static_cast<std::size_t>(n), 0.0);
    for (double t = 0; t < n; t += fs / 120)
        x[static_cast<std::size_t>(t)] = t < loud ? 1.0 : 0.001;
    for (auto [F, B] : {std::pair{700.0, 80.0}, {1200.0, 90.0}, {2500.0, 120.0}}) {
        const double rho = std::exp(-M_PI * B / fs);
        const double a1 = 2 * rho * std::cos(2 * M_PI * F / fs), a2 = -rho * rho;
        std::vector<double> y(x.size(), 0.0);
        for (std::size_t i = 0; i < x.size(); ++i)
            y[i] = x[i] + (i >= 1 ? a1 * y[i - 1] : 0) + (i >= 2 ? a2 * y[i - 2] : 0);
        x = y;
    }
    double peak = 0;
    for (double v : x)
        peak = std::max(peak, std::fabs(v));
    std::vector<float> out(x.size());
    for (std::size_t i = 0; i < x.size(); ++i)
        out[i] = static_cast<float>(0.5 * x[i] / peak);
    return out;
}

} // namespace

TEST(Spectrogram, NormalisationAndTheFormantSilenceGate)
{
    const double fs = 10000;
    auto x = vowel(10000, fs, 5000);
    SpectrogramParams p;
    p.sampleRate = fs;
    p.windowLength = 256;
    p.frequencyRange = 5000;
    p.lpcOrder = 12;
    SpectrogramData d = computeSpectrogram(x.data(), 10000, 0, 10000, 100, 50, p);
    ASSERT_EQ(d.levels.size(), 100u * 50);
    double top = 0, bottom = 1e9;
    for (double v : d.levels) {
        top = std::max(top, v);
        bottom = std::min(bottom, v);
    }
    EXPECT_DOUBLE_EQ(top, p.dynamicRange) << "the loudest point equals the dynamic range";
    EXPECT_EQ(bottom, 0.0);
    EXPECT_TRUE(d.haveFormants);
    // A voiced column has F1 near 700 Hz; silent columns show none.
    const FormantSlots& voiced = d.formants[20];
    EXPECT_NEAR(voiced[0], 700, 70);
    for (std::size_t k = 1; k < 5; ++k)
        if (voiced[k] != kNoFormant) {
            EXPECT_GT(voiced[k], voiced[k - 1]) << "packed and ascending";
        }
    // The quiet half has the same formants, but its columns peak far below
    // half the range: the gate empties them.
    CMathFunc math;
    std::vector<double> quiet(x.begin() + 8000, x.begin() + 8000 + 130);
    math.DoLPC(quiet.data(), 12, 120, p.preEmphasis, 1, false, 0, 0, fs, true, true);
    ASSERT_TRUE(math.lp_Roots() && !math.lp_Roots()->freq.empty());
    for (std::uint16_t f : d.formants[80])
        EXPECT_EQ(f, kNoFormant);
    for (int j = 0; j < 50; ++j)
        EXPECT_EQ(d.level(99, j), 0.0) << "60 dB down is more than the range below the peak";

    // Under a ceiling the predictor sees the signal resampled to twice it.
    const double high = 44100;
    const auto y = vowel(22050, high, 22050);
    SpectrogramParams ceiling = p;
    ceiling.sampleRate = high;
    ceiling.windowLength = 1024;
    ceiling.formantCeiling = 5500;
    EXPECT_EQ(spectrogramLpcFrame(ceiling), 550);
    EXPECT_EQ(spectrogramLpcOrder(ceiling), 10);
    const SpectrogramData underCeiling = computeSpectrogram(y.data(), 22050, 0, 22050, 10, 50, ceiling);
    const FormantSlots& resampled = underCeiling.formants[5];
    EXPECT_NEAR(resampled[0], 700, 50);
    EXPECT_NEAR(resampled[1], 1200, 60);

    // Frames that run past the data read zeros; without samples all is silence.
    SpectrogramData tail = computeSpectrogram(x.data(), 10000, 9900, 10000, 10, 50, p);
    EXPECT_EQ(tail.levels.size(), 500u);
    SpectrogramData none = computeSpectrogram(nullptr, 0, 0, 10000, 10, 50, p);
    EXPECT_FALSE(none.haveFormants);
}

TEST(SpectrumSlice, OneFramesLevelsEnvelopeAndFormants)
{
    // The weighting of several frames is the fast slice's test; here one
    // frame of a vowel of known formants.
    const double fs = 10000;
    const auto x = vowel(10000, fs, 10000);
    SliceParams p;
    p.sampleRate = fs;
    p.windowLength = 512;
    p.appliedWindowMs = 40;
    p.lpcOrder = 12;
    p.averageStepMs = 10;
    p.frequencyRange = 5000;
    const SliceResult s0 = computeSpectrumSlice(x.data(), 10000, 2600, 2600, p);
    EXPECT_EQ(s0.frames, 1) << "the cursor analyses one frame";
    EXPECT_EQ(*std::min_element(s0.fft.begin(), s0.fft.end()), 0.0);
    EXPECT_DOUBLE_EQ(*std::max_element(s0.lpc.begin(), s0.lpc.end()), s0.fftMax)
        << "the envelope's peak equals the spectrum's maximum";
    EXPECT_NEAR(s0.formant[0], 700, 50);
    EXPECT_NEAR(s0.formant[1], 1200, 60);
    EXPECT_GE(s0.formant[0], 2 * s0.bandwidth[0]);
    EXPECT_EQ(sliceFrequencyLimit(22050), 11000);
}

TEST(Analyses, RunConcurrentlyWithTheSameResultsAsAlone)
{
    const double fs = 10000;
    auto x = vowel(20000, fs, 15000);
    SpectrogramParams sp;
    sp.sampleRate = fs;
    SliceParams slp;
    slp.sampleRate = fs;
    PitchParams pp;
    pp.sampleRate = fs;

    auto pitchAlone = computePitchTrack(x.data(), 20000, pp, 0, 20000, 0, 2000);
    auto specAlone = computeSpectrogram(x.data(), 20000, 0, 20000, 200, 100, sp);
    auto sliceAlone = computeSpectrumSlice(x.data(), 20000, 3000, 6000, slp);

    std::optional<PitchTrack> pitch;
    SpectrogramData spectrogram;
    SliceResult slice;
    std::thread a([&] { pitch = computePitchTrack(x.data(), 20000, pp, 0, 20000, 0, 2000); });
    std::thread b([&] { spectrogram = computeSpectrogram(x.data(), 20000, 0, 20000, 200, 100, sp); });
    std::thread c([&] { slice = computeSpectrumSlice(x.data(), 20000, 3000, 6000, slp); });
    a.join();
    b.join();
    c.join();
    ASSERT_TRUE(pitch && pitchAlone);
    EXPECT_EQ(pitch->track, pitchAlone->track);
    EXPECT_EQ(spectrogram.levels, specAlone.levels);
    EXPECT_EQ(spectrogram.formants, specAlone.formants);
    EXPECT_EQ(slice.fft, sliceAlone.fft);
    EXPECT_EQ(slice.lpc, sliceAlone.lpc);
    EXPECT_EQ(slice.formant, sliceAlone.formant);
}
