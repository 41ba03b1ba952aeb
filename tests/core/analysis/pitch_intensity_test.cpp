#include "analysis/MathFunc.h"
#include "analysis/PitchIntensity.h"
#include "support/Synthesis.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <tuple>

using namespace vx;

namespace {

std::vector<float> pulseTrain(int n, double period)
{
    std::vector<float> x(static_cast<std::size_t>(n), 0.0f);
    for (double t = 0; t < n; t += period)
        x[static_cast<std::size_t>(t)] = 1.0f;
    return x;
}

} // namespace

TEST(Pitch, QuefrencyRangesAndWindowLengths)
{
    const CepstralRange a = cepstralRange(44100, 75, 500), b = cepstralRange(96000, 30, 1000);
    EXPECT_EQ((std::vector<int>{a.qLo, a.qHi, a.span, a.f, a.M, a.i0, a.i1}),
              (std::vector<int>{88, 588, 500, 10, 5000, 882, 5880}));
    EXPECT_EQ((std::vector<int>{b.qLo, b.qHi, b.span, b.f, b.M}), (std::vector<int>{96, 3200, 3104, 7, 21728}));
    // The rate, the window in ms, and the window and FFT lengths: a window of 4096 points or
    // more (92.89 ms is 4096.4 points) is cut to whole ms below 4096 points.
    const struct {
        double fs, ms, windowMs;
        int W, N;
    } sizes[] = {{44100, 100, 92, 4057, 4096}, {44100, 92.89, 92, 4057, 4096}, {11025, 35, 35, 385, 1024},
                 {8000, 200, 200, 1600, 2048}};
    for (const auto& c : sizes) {
        const PitchFrameSize z = pitchFrameSize(c.fs, c.ms);
        EXPECT_EQ(std::tuple(z.windowMs, z.W, z.N), std::tuple(c.windowMs, c.W, c.N)) << c.fs << " Hz, " << c.ms;
    }
}

TEST(Pitch, PulseTrainsGiveTheirRateFrameByFrameAndAsATrack)
{
    CMathFunc math;
    const double fs = 44100;
    for (int period : {100, 147, 200, 441}) {
        auto x = pulseTrain(8000, period);
        const double f0 = math.DoPitchCepstrumFloat(x.data(), 1000, 8000, fs, 75, 500, 2048, 1543);
        ASSERT_GT(f0, 0) << period;
        EXPECT_NEAR(fs / f0, period, 0.1) << "within 1/f of a sample";
    }
    std::vector<float> silence(4000, 0.0f);
    EXPECT_EQ(math.DoPitchCepstrumFloat(silence.data(), 0, 4000, fs, 75, 500, 2048, 1543), 0.0);
    EXPECT_EQ(math.DoPitchCepstrumFloat(silence.data(), 0, 4000, fs, 75, 500, 1000, 900), -1.0);
    auto x = pulseTrain(3000, 200);
    EXPECT_GE(math.DoPitchCepstrumFloat(x.data(), 2900, 3000, fs, 75, 500, 2048, 1543), 0.0)
        << "a frame past the end of the data reads zeros, not beyond the buffer";

    // The track at 11.025 kHz and its average.
    const auto train = pulseTrain(11025, 11025 / 150.0);
    const PitchParams p{.sampleRate = 11025};
    auto track = computePitchTrack(train.data(), 11025, p, 0, 11025, 0, 1000);
    ASSERT_TRUE(track);
    ASSERT_EQ(track->track.size(), 100u);
    EXPECT_EQ(track->track.front(), 0.0);
    for (double f0 : track->track)
        EXPECT_TRUE(f0 == 0 || std::fabs(f0 - 150) <= 3) << f0;
    EXPECT_LT(std::count(track->track.begin(), track->track.end(), 0.0), 20) << "unvoiced frames";
    EXPECT_NEAR(averagePitch(*track, 100, 800), 150, 3);
    EXPECT_EQ(averagePitch(*track, 2000, 3000), 0.0) << "a selection outside the analysed range";
    EXPECT_DOUBLE_EQ(pitchFrameTime(*track, 10), 100.0);

    EXPECT_EQ(computePitchTrack(train.data(), 11025, p, 0, 11025, 0, 1000, nullptr, 1).value().track, track->track)
        << "threads change nothing";
    EXPECT_TRUE(computePitchTrack(train.data(), 11025, p, 0, 50, 0, 4).value().track.empty());
    AnalysisControl control;
    control.cancel = true;
    EXPECT_FALSE(computePitchTrack(train.data(), 11025, p, 0, 11025, 0, 1000, &control));
}

TEST(Pitch, ALargestValueOnTheSearchEdgeIsNoPitch)
{
    // Breath noise through a narrow resonance: the cepstrum of that envelope still falls through
    // the shortest quefrencies searched, so in many frames the search's edge holds its largest value.
    for (double fs : {44100.0, 48000.0}) {
        std::mt19937 rng(7);
        std::normal_distribution<double> noise(0, 1);
        std::vector<double> y(static_cast<std::size_t>(fs));
        for (double& v : y)
            v = noise(rng);
        vxtest::resonate(y, fs, {{300, 20}});
        const std::vector<float> x = vxtest::scaledTo(y, 0.5);
        const PitchFrameSize size = pitchFrameSize(fs, 35);
        const CepstralRange r = cepstralRange(fs, 50, 500);
        const double highest = fs * r.f / r.i0, lowest = fs * r.f / (r.i1 - 1);
        CMathFunc math;
        int onEdge = 0, voiced = 0;
        for (double a = 0; a + size.W < x.size(); a += fs / 100) {
            const double f0 = math.DoPitchCepstrumFloat(x.data(), a, double(x.size()), fs, 50, 500, size.N, size.W);
            if (std::fabs(f0 - highest) < 1e-9 || std::fabs(f0 - lowest) < 1e-9)
                ++onEdge;
            voiced += f0 > 0;
        }
        EXPECT_EQ(onEdge, 0) << fs << " Hz sampling";
        EXPECT_GT(voiced, 0) << "frames with a peak inside the search still give it";
    }
}

TEST(Pitch, TrackingRules)
{
    const std::vector<double> loud(8, 1.0);
    // Continuity: the ends of a voiced stretch and a jump are removed.
    std::vector<double> t = applyTrackingRules({120, 121, 122, 300, 123, 124, 125, 126}, loud, 8, 100, 1);
    EXPECT_EQ(t[0], 0.0);
    EXPECT_EQ(t[3], 0.0);
    EXPECT_EQ(t[2], 0.0) << "next to the jump";
    EXPECT_EQ(t[7], 0.0);
    EXPECT_DOUBLE_EQ(t[5], 124.0);
    EXPECT_DOUBLE_EQ(t[1], 121.0) << "t[2] is 0, so t[1] is not smoothed";

    // Smoothing runs over frames 0 .. frameCount - 4, each mean taken from unsmoothed values.
    t = applyTrackingRules({100, 100, 103, 106, 109, 112, 115, 118}, loud, 8, 100, 1);
    EXPECT_DOUBLE_EQ(t[2], 106.0);
    EXPECT_DOUBLE_EQ(t[4], 112.0);
    EXPECT_DOUBLE_EQ(t[5], 112.0) << "past the smoothing range";

    EXPECT_EQ(applyTrackingRules({120, 120}, {1, 1}, 2, 100, 1), (std::vector<double>{0, 0}));

    std::vector<double> energy = {1, 1, 0, 1, 1, 1, 1, 1};
    t = applyTrackingRules({0, 120, 120, 120, 120, 120, 120, 0}, energy, 8, 100, 0);
    EXPECT_EQ(t[2], 0.0) << "threshold 0 clears only frames of zero energy";
    EXPECT_EQ(t[3], 120.0);
}

TEST(Intensity, WorkedExamplesLiftingAndDigitalSilence)
{
    const int n = 44100;
    std::vector<float> x(n);
    for (int i = 0; i < n; ++i)
        x[i] = static_cast<float>((i < 22050 ? 0.1 : 0.01) * std::sin(i * 0.05));
    std::vector<float> out(n, 0.0f);
    double lo, hi;
    DoIntensityFloat(x.data(), out.data(), &lo, &hi, 0, 0, 441, 220.5, n, false, false);
    // 198 frames; the last (k = 197) covers 43438 .. 43878 and is repeated to the end.
    EXPECT_EQ(out[44099], out[43878]);
    // Levels were all negative (about -23 and -43 dB): lifted to their magnitudes.
    EXPECT_NEAR(lo, 23, 1);
    EXPECT_NEAR(hi, 43, 1);
    EXPECT_NEAR(out[1000], 43, 1) << "order of values unchanged: the louder half is higher";

    DoIntensityFloat(x.data(), out.data(), &lo, &hi, 0, 0, 441, 220.5, n, true, false);
    EXPECT_EQ(lo, 0.0);
    EXPECT_NEAR(hi, 20, 1);

    std::vector<float> small(100, 0.0f);
    DoIntensityFloat(x.data(), small.data(), &lo, &hi, 0, 0, 441, 220.5, 100, false, false);
    EXPECT_EQ(std::pair(lo, hi), std::pair(0.0, 0.0)) << "no frame fits";

    std::vector<float> linear(n, 0.0f);
    DoIntensityFloat(x.data(), linear.data(), &lo, &hi, 0, 0, 441, 220.5, n, false, true);
    EXPECT_GT(lo, 0.0) << "linear levels are mean squares, never shifted";
    EXPECT_NEAR(hi, 0.005, 0.001);

    // Digital silence stands at -100 dB, a constant 0.5 at about -6 dB; lifted, the range is 6 .. 100.
    std::vector<float> half(8000, 0.0f);
    std::fill(half.begin() + 4000, half.end(), 0.5f);
    const IntensityContour c = computeIntensity(half.data(), 8000, {.sampleRate = 8000});
    EXPECT_NEAR(c.maximum, -kSilenceLevelDb, 0.01);
    EXPECT_NEAR(c.minimum, 6.0, 0.1);
}

TEST(Intensity, FrameLevelsAnswerEverySampleAsThePerSampleComputation)
{
    std::vector<float> x(9001);
    for (std::size_t i = 0; i < x.size(); ++i)
        x[i] = i % 2000 < 700 ? 0.0f : static_cast<float>(0.3 * std::sin(static_cast<double>(i) * 0.07));
    const struct {
        double rate, windowMs, stepMs, start, offset;
        long length;
        bool relative;
    } cases[] = {
        {8000, 30, 10, 0, 0, 9001, false},     // overlapping frames, the last one repeated to the end
        {11025, 3, 7, 0, 0, 8999, false},      // gaps between frames hold the level of no frame
        {22050, 1, 5, 0, 0.05, 9000, true},    // one-sample frames, an offset, relative
        {300, 4, 1, 0, 0, 9001, true},         // steps of 0.3 samples: frames share their starts
        {44100, 20, 10, 250.5, 0, 7777, false}, // frames from a later start
        {8000, 1, 10, -20000, 0, 9001, false},   // every frame before the data
        {8000, 30, 10, 0, 0, 200, false},      // shorter than a window: no frame
        {8000, 1000, 10, 0, 0, 9001, false},   // the window longer than the data
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.rate << " Hz, " << c.windowMs << " ms every " << c.stepMs << " ms");
        const IntensityParams p{c.rate, c.windowMs, c.stepMs, c.offset, c.relative};
        const IntensityContour contour = computeIntensity(x.data(), static_cast<double>(c.length), p, c.start);
        std::vector<float> perSample(static_cast<std::size_t>(c.length), 0.0f);
        double lo = 0, hi = 0;
        DoIntensityFloat(x.data(), perSample.data(), &lo, &hi, c.offset, c.start, c.windowMs * c.rate / 1000 + 0.5,
                         c.stepMs * c.rate / 1000, static_cast<double>(c.length), c.relative, false);
        EXPECT_EQ(std::pair(contour.minimum, contour.maximum), std::pair(lo, hi));
        ASSERT_EQ(contour.size(), perSample.size());
        for (long i = 0; i < c.length; ++i)
            ASSERT_EQ(contour.at(i), perSample[i]) << "sample " << i;
        // The highest level of stretches, as a column of the view asks.
        for (long from = 0; from < c.length; from += 997)
            for (long width : {1L, 13L, 640L, 5000L}) {
                const long to = std::min(from + width, c.length);
                const float expected = *std::max_element(perSample.begin() + from, perSample.begin() + to);
                EXPECT_EQ(contour.highest(from, to, -1), expected) << from << " .. " << to;
            }
    }
}
