#include "analysis/MathFunc.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <random>
#include <tuple>

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

// Inputs in [-1, 1]: each bin within 1e-13 N of the naive DFT (twiddles by a recurrence).
TEST(MathFunc, FftMatchesANaiveDftAndLeavesGuardsAlone)
{
    std::mt19937 rng(7);
    std::uniform_real_distribution<double> u(-1, 1);
    CMathFunc math;
    for (int m : {1, 2, 3, 4, 6, 9, 11, 13}) {
        const int N = 1 << m;
        const double tolerance = 1e-13 * N;
        // N complex points, and N real points (as even and odd halves: half the transform).
        std::vector<double> re(N + 4, 123.0), im(N + 4, 456.0), even(N / 2 + 3, 123.0), odd(N / 2 + 3, 456.0);
        std::vector<std::complex<double>> x(N), y(N);
        for (int t = 0; t < N; ++t) {
            re[t] = u(rng);
            im[t] = u(rng);
            x[t] = {re[t], im[t]};
            y[t] = (t % 2 ? odd : even)[t / 2] = u(rng);
        }
        math.FFT_CODE_REAL(re.data(), im.data(), m);
        math.realFFT(even.data(), odd.data(), m);
        const auto X = naiveDft(x), Y = naiveDft(y);
        for (int k = 0; k < N; ++k) {
            ASSERT_NEAR(re[k], X[k].real(), tolerance) << N << " points, bin " << k;
            ASSERT_NEAR(im[k], X[k].imag(), tolerance) << N << " points, bin " << k;
        }
        for (int k = 0; k <= N / 2; ++k) {
            ASSERT_NEAR(even[k], Y[k].real(), tolerance) << N << " real points, bin " << k;
            ASSERT_NEAR(odd[k], Y[k].imag(), tolerance) << N << " real points, bin " << k;
        }
        EXPECT_EQ(std::tuple(re[N], im[N + 3], even[N / 2 + 1], odd[N / 2 + 2]),
                  std::tuple(123.0, 456.0, 123.0, 456.0)) << "guards";
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
    math.DoFFT_Real(tone.data(), 1024, 0, 1, true, 400, 4000, 8000);
    EXPECT_EQ(std::max_element(tone.begin(), tone.begin() + 400) - tone.begin(), 100);
}

TEST(MathFunc, SplineInterpolatesThroughItsKnots)
{
    CMathFunc math;
    const double x[] = {0, 0, 1, 2, 3, 4};
    const double y[] = {0, 1, 3, -2, 5, 0};
    double y2[6] = {};
    math.spline(x, y, 5, 1e30, 1e30, y2);
    EXPECT_EQ(std::pair(y2[1], y2[5]), std::pair(0.0, 0.0)) << "natural ends";
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
