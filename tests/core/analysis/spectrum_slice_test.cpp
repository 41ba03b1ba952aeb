#include "analysis/MathFunc.h"
#include "analysis/Resample.h"
#include "analysis/SpectrumSlice.h"
#include "app/Settings.h"
#include "support/Synthesis.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <thread>

using namespace vx;

namespace {

// Results of the slice and of the frame-by-frame reference agree to this,
// in dB (spectrum, envelope, maximum) and Hz (formants, bandwidths).
constexpr double kTolerance = 1e-12;

SliceParams defaultsAt(double rate)
{
    const Settings s = makeDefaultSettings(rate);
    SliceParams p;
    p.sampleRate = rate;
    p.windowLength = s.m_nFFTWindowLength;
    p.appliedWindowMs = s.m_nFFTAppliedWindowLength;
    p.lpcOrder = s.m_nLPCNumberofCoefficients;
    p.averageStepMs = s.m_nFFTAverageStepSize;
    p.frequencyRange = s.m_nFFTfrequencyRange;
    return p;
}

// A pulse train with f0 gliding around 120 Hz through resonators at 700,
// 1200 and 2600 Hz; with `speechLike`, every fourth 100 ms is noise and every
// fourth (shifted) is digital silence.
std::vector<float> vowel(double seconds, double fs, bool speechLike = false)
{
    const std::size_t n = static_cast<std::size_t>(seconds * fs);
    std::vector<double> x(n, 0.0);
    std::mt19937 rng(7);
    std::normal_distribution<double> noise(0, 0.05);
    double phase = 0;
    for (std::size_t i = 0; i < n; ++i) {
        const double t = static_cast<double>(i) / fs;
        const int part = static_cast<int>(t * 10) % 4;
        if (speechLike && part == 1) {
            x[i] = noise(rng);
            continue;
        }
        phase += (120 + (speechLike ? 20 * std::sin(2 * M_PI * t) : 0)) / fs;
        if (phase >= 1) {
            phase -= 1;
            x[i] = 1.0;
        }
    }
    vxtest::resonate(x, fs, {{700, 60}, {1200, 80}, {2600, 120}});
    const double peak = vxtest::peakOf(x);
    std::vector<float> out(n);
    for (std::size_t i = 0; i < n; ++i) {
        const double t = static_cast<double>(i) / fs;
        out[i] = speechLike && static_cast<int>(t * 10) % 4 == 3 ? 0.0f : static_cast<float>(0.7 * x[i] / peak);
    }
    return out;
}

// The slice computed frame by frame from the first frame on: every frame's
// applied window under a Hamming window of its own length, resampled
// through DoFFT_Real's own spline, and a full LPC analysis of the frame
// centred on it.
SliceResult referenceSlice(const float* samples, double dataLength, double startPoint, double stopPoint,
                           const SliceParams& p)
{
    SliceResult out;
    const int W = p.windowLength, P = p.frequencyRange, E = std::min(P, static_cast<int>(p.sampleRate / 2));
    const int A = std::min(static_cast<int>(p.appliedWindowMs * p.sampleRate / 1000 + 0.5), W);
    const int points = static_cast<int>(p.lpcOrder * p.sampleRate / 1000);
    const double h = p.sampleRate * p.averageStepMs / 1000 + 0.5;
    const long end = static_cast<long>(dataLength);
    auto sample = [&](long i) { return i >= 0 && i < end && std::isfinite(samples[i]) ? double(samples[i]) : 0.0; };
    CMathFunc math;
    std::array<double, 5> firstF{}, firstB{};
    std::vector<double> lpcFrame;
    double lastRange = 0;
    for (long k = 0;; ++k) {
        const long s = static_cast<long>(static_cast<long>(startPoint) + k * h);
        std::vector<double> buf(static_cast<std::size_t>(std::max(W + 1, P)), 0.0);
        const std::vector<double>& hamming = math.hamming(A);
        for (int i = 0; i < A; ++i)
            buf[static_cast<std::size_t>(i)] = sample(s + i) * hamming[static_cast<std::size_t>(i)];
        math.DoFFT_Real(buf.data(), W, 0, 0, true, P, P, p.sampleRate);
        const auto [minimum, maximum] = std::minmax_element(buf.begin(), buf.begin() + P);
        lastRange = *maximum - *minimum;
        out.fft.resize(static_cast<std::size_t>(P));
        for (int j = 0; j < P; ++j) {
            const double v = std::max(0.0, buf[static_cast<std::size_t>(j)] - *minimum);
            out.fft[static_cast<std::size_t>(j)] = k == 0 ? v : (out.fft[static_cast<std::size_t>(j)] + v) / 2;
        }
        lpcFrame.assign(static_cast<std::size_t>(std::max(points + 5, E)), 0.0);
        for (int i = 0; i < points + 5; ++i)
            lpcFrame[static_cast<std::size_t>(i)] = sample(s + A / 2 - points / 2 + i);
        math.DoLPC(lpcFrame.data(), p.lpcOrder, points, 0, 1, true, E, E, p.sampleRate, true, false);
        std::array<double, 5> f{-1, -1, -1, -1, -1}, b{-1, -1, -1, -1, -1};
        if (const auto& roots = math.lp_Roots())
            for (std::size_t i = 0, next = 0; i < 5 && i < roots->freq.size(); ++i)
                if (roots->freq[i] + 0.5 >= 2 * (roots->bandwidth[i] + 0.5)) {
                    f[next] = roots->freq[i] + 0.5;
                    b[next++] = roots->bandwidth[i] + 0.5;
                }
        if (k == 0) {
            firstF = f;
            firstB = b;
        }
        for (std::size_t i = 0; i < 5; ++i) {
            if (firstF[i] < 0 || f[i] < 0) {
                out.formant[i] = std::max(firstF[i], f[i]);
                out.bandwidth[i] = firstF[i] < 0 ? b[i] : firstB[i];
            } else {
                out.formant[i] = (firstF[i] + f[i]) / 2;
                out.bandwidth[i] = (firstB[i] + b[i]) / 2;
            }
        }
        out.frames = static_cast<int>(k + 1);
        if (!(s + W < static_cast<long>(stopPoint)))
            break;
    }
    // The envelope is the last frame's, its peak at the averaged curve's.
    out.fftMax = *std::max_element(out.fft.begin(), out.fft.end());
    const auto [elo, ehi] = std::minmax_element(lpcFrame.begin(), lpcFrame.begin() + E);
    const double top = *ehi, range = *ehi - *elo;
    out.lpc.assign(lpcFrame.begin(), lpcFrame.begin() + E);
    for (double& v : out.lpc)
        v = (top - v) + (out.fftMax - range);
    // A silent last frame, or an LPC frame of zeros, leaves nothing to show
    // of the envelope and the formants.
    out.silent = !(lastRange > 1e-6);
    if (out.silent || std::any_of(out.lpc.begin(), out.lpc.end(), [](double v) { return !std::isfinite(v); })) {
        out.lpc.clear();
        out.formant.fill(-1);
        out.bandwidth.fill(-1);
    }
    return out;
}

void expectAllNear(const std::vector<double>& a, const std::vector<double>& b, const std::string& what)
{
    ASSERT_EQ(a.size(), b.size()) << what;
    double worst = 0;
    std::size_t at = 0;
    for (std::size_t j = 0; j < a.size(); ++j)
        if (std::fabs(a[j] - b[j]) > worst) {
            worst = std::fabs(a[j] - b[j]);
            at = j;
        }
    EXPECT_LE(worst, kTolerance) << what << " differs most at point " << at;
}

bool allFinite(const SliceResult& r)
{
    auto finite = [](const std::vector<double>& v) {
        return std::all_of(v.begin(), v.end(), [](double x) { return std::isfinite(x); });
    };
    return finite(r.fft) && finite(r.lpc) && std::isfinite(r.fftMax);
}

} // namespace

TEST(SpectrumSliceFast, EqualsTheFrameByFrameReference)
{
    const auto speech44 = vowel(2.5, 44100, true);
    const auto speech11 = vowel(2.5, 11025, true);
    SliceParams wide = defaultsAt(11025);
    wide.windowLength = 1024;
    wide.appliedWindowMs = 60;
    wide.averageStepMs = 7;
    wide.frequencyRange = 3000;
    struct Case {
        const char* name;
        const std::vector<float>* x;
        SliceParams p;
        double start, stop;
    } cases[] = {
        {"44.1 kHz defaults, 2 s over voice, noise and silence", &speech44, defaultsAt(44100), 1000.5, 1000 + 2 * 44100},
        {"44.1 kHz defaults, cursor", &speech44, defaultsAt(44100), 30000, 30000},
        {"44.1 kHz, last frames running past the data", &speech44, defaultsAt(44100), 2.3 * 44100, 2.5 * 44100 - 500},
        // The last frame's predictor sees only silence, its FFT some voice.
        {"11.025 kHz defaults, 2 s", &speech11, defaultsAt(11025), 0, 2 * 11025},
        {"11.025 kHz, long window, odd step, 3 kHz range", &speech11, wide, 2000, 20000},
        {"starting before the data", &speech11, defaultsAt(11025), -700, 3000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const double n = static_cast<double>(c.x->size());
        const SliceResult fast = computeSpectrumSlice(c.x->data(), n, c.start, c.stop, c.p);
        const SliceResult ref = referenceSlice(c.x->data(), n, c.start, c.stop, c.p);
        ASSERT_FALSE(fast.silent);
        EXPECT_EQ(fast.frames, ref.frames);
        expectAllNear(fast.fft, ref.fft, "spectrum");
        expectAllNear(fast.lpc, ref.lpc, "envelope");
        EXPECT_NEAR(fast.fftMax, ref.fftMax, kTolerance);
        for (std::size_t i = 0; i < 5; ++i) {
            EXPECT_NEAR(fast.formant[i], ref.formant[i], kTolerance) << i;
            EXPECT_NEAR(fast.bandwidth[i], ref.bandwidth[i], kTolerance) << i;
        }
    }
}

TEST(SpectrumSliceFast, AveragesFramesWithHalvingWeights)
{
    const auto x44 = vowel(1, 44100, true);
    const auto x11 = vowel(1, 11025, true);
    struct Case {
        const std::vector<float>* x;
        SliceParams p;
        double start;
    } cases[] = {{&x44, defaultsAt(44100), 3000}, {&x44, defaultsAt(44100), 4400.7}, {&x11, defaultsAt(11025), 900}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.p.sampleRate);
        const double n = static_cast<double>(c.x->size());
        const double h = c.p.sampleRate * c.p.averageStepMs / 1000 + 0.5;
        const long s0 = static_cast<long>(c.start);
        const long at[3] = {s0, static_cast<long>(s0 + h), static_cast<long>(s0 + 2 * h)};
        std::vector<SliceResult> single;
        for (long a : at) {
            single.push_back(computeSpectrumSlice(c.x->data(), n, a, a, c.p));
            ASSERT_EQ(single.back().frames, 1);
        }
        // Frames follow while the previous one's start plus W is below the stop.
        const int W = c.p.windowLength;
        const SliceResult two = computeSpectrumSlice(c.x->data(), n, c.start, at[0] + W + 1, c.p);
        const SliceResult three = computeSpectrumSlice(c.x->data(), n, c.start, at[1] + W + 1, c.p);
        ASSERT_EQ(two.frames, 2);
        ASSERT_EQ(three.frames, 3);
        std::vector<double> twoExpected, threeExpected;
        for (std::size_t j = 0; j < two.fft.size(); ++j) {
            twoExpected.push_back((single[0].fft[j] + single[1].fft[j]) / 2);
            threeExpected.push_back(single[0].fft[j] / 4 + single[1].fft[j] / 4 + single[2].fft[j] / 2);
        }
        expectAllNear(two.fft, twoExpected, "two frames");
        expectAllNear(three.fft, threeExpected, "three frames");
        // The maximum is the averaged curve's, the envelope the last frame's
        // raised to it; the formants the mean of the first and the last
        // frame's where both have one.
        EXPECT_EQ(three.fftMax, *std::max_element(three.fft.begin(), three.fft.end()));
        std::vector<double> raised(single[2].lpc);
        for (double& v : raised)
            v += three.fftMax - single[2].fftMax;
        expectAllNear(three.lpc, raised, "envelope");
        for (std::size_t i = 0; i < 5; ++i)
            if (single[0].formant[i] > 0 && single[2].formant[i] > 0) {
                EXPECT_NEAR(three.formant[i], (single[0].formant[i] + single[2].formant[i]) / 2, kTolerance);
            }
    }
}

TEST(SpectrumSliceFast, CursorAndShortSelectionAnalyseTheFrameAtTheMarker)
{
    const auto x = vowel(1, 44100, true);
    const double n = static_cast<double>(x.size());
    const SliceParams p = defaultsAt(44100);
    const double marker = 4410 + 1017; // inside the noise, where neighbouring frames differ
    const SliceResult cursor = computeSpectrumSlice(x.data(), n, marker, marker, p);
    const SliceResult ref = referenceSlice(x.data(), n, marker, marker, p);
    ASSERT_EQ(cursor.frames, 1);
    expectAllNear(cursor.fft, ref.fft, "cursor");
    const SliceResult next = computeSpectrumSlice(x.data(), n, marker + 1, marker + 1, p);
    EXPECT_NE(cursor.fft, next.fft) << "a frame one sample later is another frame";
    for (double stop : {marker + 1, marker + p.windowLength - 1.0, marker + p.windowLength + 0.9}) {
        const SliceResult shortSelection = computeSpectrumSlice(x.data(), n, marker + 0.6, stop, p);
        EXPECT_EQ(shortSelection.frames, 1) << stop - marker;
        EXPECT_EQ(shortSelection.fft, cursor.fft) << stop - marker;
        EXPECT_EQ(shortSelection.lpc, cursor.lpc) << stop - marker;
    }
}

TEST(SpectrumSliceFast, VowelFormants)
{
    // The sample rate, and a formant ceiling (0: none; at 11.025 kHz 6000 Hz
    // is past the half rate: none).
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
            EXPECT_GT(r.bandwidth[i], 0) << "F" << i + 1;
        }
        EXPECT_EQ(r.lpc.size(), resampled ? static_cast<std::size_t>(ceiling) : r.fft.size());
        // The envelope follows the spectrum: F3 stands as far below F1 as
        // in the spectrum, within 6 dB, pre-emphasised or not.
        const auto peak = [](const std::vector<double>& v, int hz) {
            return *std::max_element(v.begin() + hz - 100, v.begin() + hz + 100);
        };
        EXPECT_NEAR(peak(r.lpc, 700) - peak(r.lpc, 2600), peak(r.fft, 700) - peak(r.fft, 2600), 6);
        const SliceFormants at = sliceFormantsAt(x.data(), static_cast<double>(x.size()), 0.2 * rate, p);
        EXPECT_NEAR(at.formant[0], 700, 28);
    }
}

TEST(SpectrumSliceFast, SilenceAndTheDataEdgeGiveNoNaN)
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
        {"cursor in digital silence", zeros.data(), 20000, 5000, 5000, true},
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
        EXPECT_GE(r.frames, 1);
        EXPECT_EQ(r.silent, c.silent);
        EXPECT_TRUE(allFinite(r));
        EXPECT_EQ(r.fft.size(), static_cast<std::size_t>(p.frequencyRange));
        if (r.silent) {
            EXPECT_TRUE(r.lpc.empty());
            EXPECT_EQ(r.formant[0], -1);
            EXPECT_EQ(*std::max_element(r.fft.begin(), r.fft.end()), 0.0);
        } else {
            EXPECT_EQ(r.lpc.size(), r.fft.size());
        }
    }
    const SliceFormants none = sliceFormantsAt(zeros.data(), 20000, 100, p);
    for (double f : none.formant)
        EXPECT_TRUE(f == -1 || std::isfinite(f));
}

TEST(SpectrumSliceFast, UnusableParametersAreNamedAndGiveNoFrames)
{
    const SliceParams good = defaultsAt(44100);
    EXPECT_EQ(sliceParamsProblem(good), "");
    EXPECT_EQ(sliceParamsProblem(defaultsAt(11025)), "");
    auto with = [&](auto change) {
        SliceParams p = good;
        change(p);
        return p;
    };
    const struct {
        SliceParams p;
        const char* mentions;
    } cases[] = {
        {with([](SliceParams& p) { p.averageStepMs = 0; }), "average step"},
        {with([](SliceParams& p) { p.averageStepMs = -5; }), "average step"},
        {with([](SliceParams& p) { p.windowLength = 300; }), "window length"},
        {with([](SliceParams& p) { p.windowLength = 1; }), "window length"},
        {with([](SliceParams& p) { p.windowLength = 0; }), "window length"},
        {with([](SliceParams& p) { p.windowLength = 1 << 30; }), "window length"},
        {with([](SliceParams& p) { p.appliedWindowMs = 0; }), "applied window"},
        {with([](SliceParams& p) { p.appliedWindowMs = -1; }), "applied window"},
        {with([](SliceParams& p) { p.frequencyRange = 0; }), "frequency range"},
        {with([](SliceParams& p) { p.frequencyRange = 22001; }), "frequency range"},
        {with([](SliceParams& p) { p.lpcOrder = 1; }), "LPC order"},
        {with([](SliceParams& p) { p.lpcOrder = 401; }), "LPC order"},
        {with([](SliceParams& p) { p.formantCeiling = 499; }), "formant ceiling"},
        {with([](SliceParams& p) { p.sampleRate = 0; }), "sample rate"},
        {with([](SliceParams& p) { p.sampleRate = std::nan(""); }), "sample rate"},
    };
    const auto x = vowel(0.2, 44100);
    for (const auto& c : cases) {
        const std::string problem = sliceParamsProblem(c.p);
        EXPECT_NE(problem.find(c.mentions), std::string::npos) << problem;
        const SliceResult r = computeSpectrumSlice(x.data(), static_cast<double>(x.size()), 0, 4000, c.p);
        EXPECT_EQ(r.frames, 0) << problem;
        EXPECT_TRUE(r.fft.empty()) << problem;
    }
    EXPECT_EQ(sliceParamsProblem(cases[0].p), "The average step of the FFT/LPC settings is 0 ms; it must be at least 1 ms.");
    EXPECT_EQ(sliceParamsProblem(cases[2].p),
              "The FFT window length of the FFT/LPC settings is 300 points; it must be a power of two from 4 to 65536.");
    EXPECT_EQ(computeSpectrumSlice(x.data(), 8820, std::nan(""), 100, good).frames, 0);
    EXPECT_EQ(computeSpectrumSlice(x.data(), 8820, 0, std::numeric_limits<double>::infinity(), good).frames, 0);
}

TEST(SpectrumSliceFast, ProgressReachesAHundredAndCancelStopsEarly)
{
    const SliceParams p = defaultsAt(11025);
    const auto x = vowel(1, 11025);
    const double n = static_cast<double>(x.size());
    SliceControl done;
    const SliceResult whole = computeSpectrumSlice(x.data(), n, 0, n, p, &done);
    EXPECT_EQ(done.progress, 100);
    EXPECT_FALSE(whole.cancelled);
    EXPECT_GT(whole.frames, 50);

    SliceControl early;
    early.cancel = true;
    const SliceResult none = computeSpectrumSlice(x.data(), n, 0, n, p, &early);
    EXPECT_TRUE(none.cancelled);
    EXPECT_EQ(none.frames, 0);
    EXPECT_TRUE(none.fft.empty());
}

TEST(Resampler, KeepsWhatIsBelowTheNewHalfRateAndRemovesWhatIsAbove)
{
    const double in = 44100, out = 11000;
    const Resampler r(in, out);
    const struct {
        double hz, gain;
    } cases[] = {{300, 1}, {2500, 1}, {4500, 1}, {7000, 0}, {15000, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.hz);
        std::vector<float> x(44100);
        for (std::size_t i = 0; i < x.size(); ++i)
            x[i] = static_cast<float>(std::sin(2 * M_PI * c.hz * static_cast<double>(i) / in));
        std::vector<double> y(2000);
        const double first = 10000.3;
        r.segment(x.data(), static_cast<long>(x.size()), first, static_cast<int>(y.size()), y.data());
        double worst = 0;
        for (std::size_t i = 0; i < y.size(); ++i) {
            const double t = (first + static_cast<double>(i) * in / out) / in;
            worst = std::max(worst, std::fabs(y[i] - c.gain * std::sin(2 * M_PI * c.hz * t)));
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
