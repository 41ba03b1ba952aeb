#include "analysis/MathFunc.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <random>

using namespace vx;

// The DFT the slow way, with exact twiddle indices (k t mod N).
std::vector<std::complex<double>> naiveDft(const std::vector<std::complex<double>>& x)
{
    const std::size_t N = x.size();
    std::vector<std::complex<double>> w(N), X(N);
    for (std::size_t i = 0; i < N; ++i)
        w[i] = std::polar(1.0, -2 * M_PI * static_cast<double>(i) / static_cast<double>(N));
    for (std::size_t k = 0; k < N; ++k)
        for (std::size_t t = 0; t < N; ++t)
            X[k] += x[t] * w[k * t % N];
    return X;
}

// Inputs in [-1, 1]: each bin within 1e-13 * N of the naive DFT (the
// stage twiddles come from a rotation recurrence, whose error grows with N).
TEST(MathFunc, FftMatchesANaiveDftAndLeavesGuardsAlone)
{
    std::mt19937 rng(7);
    std::uniform_real_distribution<double> u(-1, 1);
    CMathFunc math;
    for (int m : {1, 2, 3, 4, 6, 9, 11, 13}) {
        const int N = 1 << m;
        const double tolerance = 1e-13 * N;
        std::vector<double> re(N + 4, 123.0), im(N + 4, 456.0);
        std::vector<std::complex<double>> x(N);
        for (int t = 0; t < N; ++t) {
            re[t] = u(rng);
            im[t] = u(rng);
            x[t] = {re[t], im[t]};
        }
        math.FFT_CODE_REAL(re.data(), im.data(), m);
        const auto X = naiveDft(x);
        for (int k = 0; k < N; ++k) {
            ASSERT_NEAR(re[k], X[k].real(), tolerance) << N << " points, bin " << k;
            ASSERT_NEAR(im[k], X[k].imag(), tolerance) << N << " points, bin " << k;
        }
        EXPECT_EQ(re[N], 123.0);
        EXPECT_EQ(im[N + 3], 456.0);

        // The same points as a real signal: the N/2 + 1 bins from a
        // transform of half the size.
        std::vector<double> even(N / 2 + 3, 123.0), odd(N / 2 + 3, 456.0);
        for (int t = 0; t < N; ++t) {
            x[t] = re[t] = u(rng);
            (t % 2 ? odd : even)[t / 2] = x[t].real();
        }
        math.realFFT(even.data(), odd.data(), m);
        const auto Y = naiveDft(x);
        for (int k = 0; k <= N / 2; ++k) {
            ASSERT_NEAR(even[k], Y[k].real(), tolerance) << N << " real points, bin " << k;
            ASSERT_NEAR(odd[k], Y[k].imag(), tolerance) << N << " real points, bin " << k;
        }
        EXPECT_EQ(even[N / 2 + 1], 123.0);
        EXPECT_EQ(odd[N / 2 + 2], 456.0);
    }
}

TEST(MathFunc, ImpulseZeroAndWindowLevels)
{
    CMathFunc math;
    std::vector<double> frame(130, 0.0);
    frame[0] = 1.0;
    math.DoFFT_Real(frame.data(), 128, 0, 0, false, 0, 0, 8000);
    for (int k = 0; k < 64; ++k)
        EXPECT_NEAR(frame[k], 0.0, 1e-12) << "an impulse has unit power in every bin";

    std::fill(frame.begin(), frame.end(), 0.0);
    frame[0] = 1.0;
    math.DoFFT_Real(frame.data(), 128, 0, 1, false, 0, 0, 8000);
    EXPECT_NEAR(frame[10], 10 * std::log10(0.08 * 0.08), 1e-9) << "Hamming weights x[0] by 0.08";

    std::vector<double> zeros(131, 0.0);
    zeros[130] = 77; // beyond the n + 1 samples read: left as the caller had it
    math.DoFFT_Real(zeros.data(), 128, 0.98, 1, false, 0, 0, 8000);
    EXPECT_EQ(zeros[5], 0.0) << "a zero bin is 0 dB, not -inf";
    EXPECT_EQ(zeros[130], 77.0);

    // A 1 kHz tone resampled onto one point per 10 Hz peaks at 1000 Hz.
    std::vector<double> tone(1025, 0.0);
    for (int i = 0; i < 1025; ++i)
        tone[i] = std::sin(2 * M_PI * 1000 * i / 8000.0);
    std::vector<double> out(std::max<std::size_t>(1025, 400));
    std::copy(tone.begin(), tone.end(), out.begin());
    math.DoFFT_Real(out.data(), 1024, 0, 1, true, 400, 4000, 8000);
    EXPECT_EQ(std::max_element(out.begin(), out.begin() + 400) - out.begin(), 100);
}

TEST(MathFunc, SplineInterpolatesThroughItsKnots)
{
    CMathFunc math;
    const double x[] = {0, 0, 1, 2, 3, 4};
    const double y[] = {0, 1, 3, -2, 5, 0};
    double y2[6] = {};
    math.spline(x, y, 5, 1e30, 1e30, y2);
    EXPECT_EQ(y2[1], 0.0);
    EXPECT_EQ(y2[5], 0.0);
    for (int i = 1; i <= 5; ++i) {
        double v = -99;
        ASSERT_EQ(CMathFunc::splint(x, y, y2, 5, x[i], &v), 0);
        EXPECT_DOUBLE_EQ(v, y[i]);
    }
    const double flat[] = {0, 2, 2};
    double v = 42;
    EXPECT_EQ(CMathFunc::splint(flat, y, y2, 2, 2.0, &v), 1);
    EXPECT_EQ(v, 42.0) << "a zero-width interval stores nothing";
}

TEST(Lpc, OrderTwoPredictorGivesItsFormantAndBandwidth)
{
    const double fs = 10000;
    struct Case {
        double rho, hz;
        bool listed;
    };
    for (Case c : {Case{0.95, 1000, true}, Case{0.8, 1500, false}}) {
        const double theta = 2 * M_PI * c.hz / fs;
        std::vector<double> a = {1, -2 * c.rho * std::cos(theta), c.rho * c.rho};
        auto ro = rootsub(2, 600.0, a, fs);
        ASSERT_TRUE(ro);
        ASSERT_EQ(ro->factors.size(), 1u);
        const double bw = -(fs / M_PI) * std::log(c.rho);
        if (!c.listed) {
            EXPECT_GT(bw, 600);
            EXPECT_TRUE(ro->freq.empty());
            continue;
        }
        ASSERT_EQ(ro->freq.size(), 1u);
        EXPECT_NEAR(ro->freq[0], theta * fs / (2 * M_PI), 1e-6);
        EXPECT_NEAR(ro->bandwidth[0], bw, 1e-6);
    }
    EXPECT_EQ(cmpfb2(0, 0.5, 8000).tfreq, 2000.0) << "a pair on the imaginary axis is at fs/4";
    EXPECT_EQ(cmpfb2(0.5, 0.01, 8000).tfreq, 0.0);
    EXPECT_EQ(cmpfb2(-0.5, 0.01, 8000).tfreq, 4000.0);
    std::vector<double> one = {1, 0.5};
    auto none = rootsub(1, 600, one, 8000);
    ASSERT_TRUE(none);
    EXPECT_TRUE(none->factors.empty() && none->freq.empty());
}

TEST(Lpc, FormantsOfAProductComeOutSorted)
{
    const double fs = 10000;
    auto pair = [&](double hz, double bw) {
        const double rho = std::exp(-M_PI * bw / fs);
        return std::array<double, 3>{1, -2 * rho * std::cos(2 * M_PI * hz / fs), rho * rho};
    };
    std::vector<double> poly = {1};
    for (auto [hz, bw] : {std::pair{2500.0, 100.0}, {700.0, 60.0}, {1200.0, 80.0}}) {
        auto q = pair(hz, bw);
        std::vector<double> next(poly.size() + 2, 0.0);
        for (std::size_t i = 0; i < poly.size(); ++i)
            for (std::size_t j = 0; j < 3; ++j)
                next[i + j] += poly[i] * q[j];
        poly = next;
    }
    auto ro = rootsub(6, 600.0, poly, fs);
    ASSERT_TRUE(ro);
    ASSERT_EQ(ro->freq.size(), 3u);
    EXPECT_NEAR(ro->freq[0], 700, 1.0);
    EXPECT_NEAR(ro->freq[1], 1200, 1.0);
    EXPECT_NEAR(ro->freq[2], 2500, 1.0);
    EXPECT_NEAR(ro->bandwidth[0], 60, 1.0);
}

TEST(Lpc, ResonatorsComeBackFromDoLPC)
{
    // An impulse train through three resonators at 10 kHz.
    const double fs = 10000;
    const double F[] = {500, 1500, 2500}, B[] = {60, 90, 120};
    const int n = 400;
    std::vector<double> x(n + 1, 0.0);
    for (int i = 0; i <= n; i += 100)
        x[i] = 1.0;
    for (int r = 0; r < 3; ++r) {
        const double rho = std::exp(-M_PI * B[r] / fs);
        const double a1 = 2 * rho * std::cos(2 * M_PI * F[r] / fs), a2 = -rho * rho;
        std::vector<double> y(x.size(), 0.0);
        for (std::size_t i = 0; i < x.size(); ++i)
            y[i] = x[i] + (i >= 1 ? a1 * y[i - 1] : 0) + (i >= 2 ? a2 * y[i - 2] : 0);
        x = y;
    }
    CMathFunc math;
    std::vector<double> frame = x;
    math.DoLPC(frame.data(), 10, n, 0, 1, false, 0, 0, fs, true, true);
    EXPECT_EQ(frame, x) << "roots only: the frame is unchanged";
    ASSERT_TRUE(math.lp_Roots());
    const auto& ro = *math.lp_Roots();
    for (double want : F) {
        double nearest = 1e9;
        for (double f : ro.freq)
            nearest = std::fabs(f - want) < std::fabs(nearest - want) ? f : nearest;
        EXPECT_NEAR(nearest, want, want * 0.03) << want;
    }
    EXPECT_TRUE(std::is_sorted(ro.freq.begin(), ro.freq.end()));

    // The envelope (levels of the inverse filter) has its minima at the formants.
    math.DoLPC(frame.data(), 10, n, 0, 1, false, 0, 0, fs, false, false);
    EXPECT_LT(frame[static_cast<int>(500 * 256 / fs)], frame[static_cast<int>(1000 * 256 / fs)]);
}

TEST(Lpc, DegeneratePolynomialsFailCleanly)
{
    // No sign change to find, and a degree below the reach of the iterations.
    const double cubic[] = {1, std::nan(""), 0, 1};
    double q[4] = {}, u = 7, v = 7;
    EXPECT_EQ(factor(3, cubic, q, &u, &v), 0);
    int iterations = 100;
    EXPECT_EQ(barstw(3, cubic, q, 1e-4, &iterations, &u, &v), 0);
    EXPECT_EQ(frwbkw(3, cubic, q, &u, &v, 100, 1e-4), 0);
    std::vector<double> poly(cubic, cubic + 4);
    EXPECT_FALSE(rootsub(3, 600, poly, 8000));

    // Values so small that the scan's products underflow: no real root is
    // made up.
    const double tiny = 1e-170;
    const double noRealRoot[] = {tiny, 0, 0, 0, tiny};
    double root = 7;
    EXPECT_EQ(rfactr(4, noRealRoot, q, &root, 1e-4), 0);
}
