// The LPC kernels against their definitions in every build (exactly: the loops keep their
// arithmetic), the root finders and DoLPC against known roots and an independent solver.

#include "analysis/LpcKernels.h"
#include "analysis/MathFunc.h"
#include "analysis/VectorBuilds.h"
#include "support/Synthesis.h"

#include <gtest/gtest.h>

#if VOXTRACE_HAVE_EIGEN
#include <Eigen/Dense>
#include <unsupported/Eigen/Polynomials>
#endif

#include <cmath>
#include <complex>
#include <random>
#include <string>
#include <tuple>
#include <vector>

using namespace vx;

namespace {

#if VX_WIDE_BUILDS
__attribute__((target("avx2"))) void autocorrelateAvx2(const double* x, int n, int p, double* r)
{
    autocorrelationLoop(x, n, p, r);
}
__attribute__((target("avx2"))) void hornerPointsAvx2(int n, const double* a, const double* x, int m, double* f)
{
    hornerPointsLoop(n, a, x, m, f);
}
#endif

// The builds: the library's (as the loader chose it), the plain loops and, with AVX2, the AVX2 one.
struct Build {
    std::string name;
    void (*autocorrelate)(const double*, int, int, double*);
    void (*horner)(int, const double*, const double*, int, double*);
};

std::vector<Build> builds()
{
    std::vector<Build> b = {
        {"library", autocorrelate, hornerPoints},
        {"plain", [](const double* x, int n, int p, double* r) { autocorrelationLoop(x, n, p, r); },
         [](int n, const double* a, const double* x, int m, double* f) { hornerPointsLoop(n, a, x, m, f); }},
    };
#if VX_WIDE_BUILDS
    if (__builtin_cpu_supports("avx2"))
        b.push_back({"avx2", autocorrelateAvx2, hornerPointsAvx2});
#endif
    return b;
}

std::vector<double> uniform(std::size_t n, unsigned seed, double lo, double hi)
{
    std::mt19937 rng(seed);
    std::vector<double> v(n);
    for (double& x : v)
        x = lo + (hi - lo) * (rng() / 4294967296.0);
    return v;
}

// The monic polynomial of the pole pairs (radius, angle) and real roots given, highest power first.
std::vector<double> polynomial(const std::vector<std::pair<double, double>>& pairs, const std::vector<double>& reals)
{
    std::vector<double> p = {1.0};
    auto times = [&](std::vector<double> f) {
        std::vector<double> next(p.size() + f.size() - 1, 0.0);
        for (std::size_t i = 0; i < p.size(); ++i)
            for (std::size_t j = 0; j < f.size(); ++j)
                next[i + j] += p[i] * f[j];
        p = next;
    };
    for (auto [r, theta] : pairs)
        times({1.0, -2 * r * std::cos(theta), r * r});
    for (double x : reals)
        times({1.0, -x});
    return p;
}

std::vector<std::pair<double, double>> randomPairs(std::size_t count, unsigned seed)
{
    const auto radii = uniform(count, seed, 0.6, 0.97), angles = uniform(count, seed + 1, 0.05, 3.1);
    std::vector<std::pair<double, double>> pairs;
    for (std::size_t i = 0; i < count; ++i)
        pairs.push_back({radii[i], angles[i]});
    return pairs;
}

// The vowel "o" at 44.1 kHz: a pulse train at 130 Hz with a little noise through resonators,
// long enough for an order-400 frame at 0.3 s.
std::vector<double> vowelO()
{
    std::vector<double> v = vxtest::pulses(32000, 44100, 130);
    std::mt19937 rng(3); // its raw output is fixed by the standard
    for (double& s : v)
        s += 2e-3 * (rng() / 4294967296.0 - 0.5);
    vxtest::resonate(v, 44100, {{650, 80}, {1100, 90}, {2400, 120}});
    return v;
}

} // namespace

TEST(LpcKernels, EveryBuildGivesTheLagByLagSumsAndThePointByPointHornerValues)
{
    // Frames shorter than the order, remainders of the four-sample passes, orders 48 and 400.
    const auto x = uniform(19200, 11, -1, 1);
    for (auto [n, p] : {std::pair{0, 0}, {1, 3}, {5, 8}, {7, 4}, {10, 2}, {21, 16}, {2116, 48}, {19200, 400}}) {
        std::vector<double> want(p + 2, 0.0);
        want[p + 1] = 99.0; // a guard past lag p
        for (int j = 0; j <= p; ++j)
            for (int i = 0; i + j < n; ++i)
                want[j] += x[i] * x[i + j];
        for (const Build& build : builds()) {
            std::vector<double> r(p + 2, 99.0);
            build.autocorrelate(x.data(), n, p, r.data());
            EXPECT_EQ(r, want) << build.name << " n " << n << " p " << p;
        }
    }
    for (auto [degree, points] : {std::pair{1, 1}, {2, 5}, {3, 7}, {48, 117}, {49, 118}, {400, 961}}) {
        const auto a = uniform(degree + 1, 21, -1, 1), x = uniform(points, 22, -1.2, 1.2);
        std::vector<double> want;
        for (double xk : x) {
            double v = a[0];
            for (int j = 1; j <= degree; ++j)
                v = v * xk + a[j];
            want.push_back(v);
        }
        want.push_back(99.0); // a guard past the last point
        for (const Build& build : builds()) {
            std::vector<double> f(points + 1, 99.0);
            build.horner(degree, a.data(), x.data(), points, f.data());
            EXPECT_EQ(f, want) << build.name << " degree " << degree;
        }
    }
}

TEST(LpcKernels, RealRootsAndQuadraticFactorsAreThoseOfThePolynomial)
{
    // Real roots inside the scan, only outside it (through the reversed polynomial) and none:
    // a root found is one planted, and the quotient times (z - root) gives the polynomial back.
    const std::pair<int, std::vector<double>> cases[] = {
        {1, {0.37}}, {3, {-1.1}}, {24, {0.0}}, {24, {-0.52, 0.9}}, {199, {0.8, -0.3}},
        {2, {2.5}},  {24, {-4.0}}, {24, {}},   {200, {}},
    };
    for (const auto& [pairs, reals] : cases) {
        const auto a = polynomial(randomPairs(pairs, 31), reals);
        const int n = static_cast<int>(a.size()) - 1;
        std::vector<double> q(a.size(), 0.0);
        double root = 0;
        ASSERT_EQ(rfactr(n, a.data(), q.data(), &root, 1e-4), reals.empty() ? 0 : 1) << "degree " << n;
        double nearest = reals.empty() ? 0 : 1e9;
        for (double r : reals)
            nearest = std::min(nearest, std::fabs(root - r) / std::max(1.0, std::fabs(r)));
        EXPECT_LT(nearest, 2e-4) << "degree " << n << ": root " << root;
        for (std::size_t j = 1; !reals.empty() && j < a.size() - 1; ++j)
            EXPECT_NEAR(q[j] - root * q[j - 1], a[j], 1e-3 * vxtest::peakOf(a)) << "degree " << n << " term " << j;
    }

    // Bairstow's iteration on predictors of orders 4 to 400 (it fails on some high ones) and on
    // known pole pairs: a factor z^2 - u z - v found is a known pair, times the quotient the polynomial.
    std::vector<std::pair<std::vector<double>, std::vector<std::pair<double, double>>>> polys;
    const std::vector<double> o = vowelO();
    for (int order : {4, 5, 14, 20, 26, 48, 52, 100, 160, 400}) {
        LpcOut lpc;
        CMathFunc::autolpc(o.data() + 13230, 44 * order, order, lpc);
        polys.push_back({lpc.a, {}});
    }
    for (const auto& pairs : {std::vector<std::pair<double, double>>{{0.9, 0.4}, {0.8, 1.9}}, randomPairs(24, 41),
                              randomPairs(200, 43)})
        polys.push_back({polynomial(pairs, {}), pairs});
    int converged = 0;
    for (const auto& [a, pairs] : polys) {
        const int n = static_cast<int>(a.size()) - 1;
        std::vector<double> q(a.size(), 0.0);
        double u = 0, v = 0;
        int iterations = 100;
        if (!barstw(n, a.data(), q.data(), 1e-4, &iterations, &u, &v))
            continue;
        ++converged;
        const auto qAt = [&](int k) { return k >= 0 && k <= n - 2 ? q[k] : 0.0; };
        for (int j = 0; j <= n; ++j)
            EXPECT_NEAR(qAt(j) - u * qAt(j - 1) - v * qAt(j - 2), a[j], 1e-3 * vxtest::peakOf(a))
                << "degree " << n << " term " << j;
        double nearest = pairs.empty() ? 0 : 1e9;
        for (auto [r, theta] : pairs)
            nearest = std::min(nearest, std::hypot(u - 2 * r * std::cos(theta), v + r * r));
        EXPECT_LT(nearest, 1e-3) << "degree " << n;
    }
    EXPECT_GE(converged, 8);

    // Degenerate polynomials fail cleanly: no sign change to find (a NaN), a degree below the
    // reach of the iterations, values so small that the scan's products underflow.
    const double cubic[] = {1, std::nan(""), 0, 1};
    double q[4] = {}, u = 7, v = 7, root = 7;
    EXPECT_EQ(factor(3, cubic, q, &u, &v), 0);
    int iterations = 100;
    EXPECT_EQ(barstw(3, cubic, q, 1e-4, &iterations, &u, &v), 0);
    EXPECT_EQ(frwbkw(3, cubic, q, &u, &v, 100, 1e-4), 0);
    std::vector<double> poly(cubic, cubic + 4);
    EXPECT_FALSE(rootsub(3, 600, poly, 8000));
    const double noRealRoot[] = {1e-170, 0, 0, 0, 1e-170};
    EXPECT_EQ(rfactr(4, noRealRoot, q, &root, 1e-4), 0) << "no real root is made up";
}

TEST(Lpc, KnownPolePairsAndResonatorsGiveTheirFormantsSorted)
{
    // Pole pairs (Hz, bandwidth) multiplied unsorted; a bandwidth above 600 Hz is no formant.
    const double fs = 10000;
    const std::vector<std::pair<double, double>> cases[] = {
        {{1000, 160}}, {{1500, 700}}, {{2500, 100}, {700, 60}, {1200, 80}}};
    for (const auto& poles : cases) {
        std::vector<std::pair<double, double>> pairs, formants;
        for (auto [hz, bw] : poles) {
            pairs.push_back({std::exp(-M_PI * bw / fs), 2 * M_PI * hz / fs});
            if (bw <= 600)
                formants.push_back({hz, bw});
        }
        std::sort(formants.begin(), formants.end());
        auto a = polynomial(pairs, {});
        const auto ro = rootsub(static_cast<int>(a.size()) - 1, 600.0, a, fs);
        ASSERT_TRUE(ro);
        EXPECT_EQ(ro->factors.size(), poles.size());
        ASSERT_EQ(ro->freq.size(), formants.size()) << poles.front().first;
        const double tolerance = poles.size() == 1 ? 1e-6 : 1.0;
        for (std::size_t i = 0; i < formants.size(); ++i) {
            EXPECT_NEAR(ro->freq[i], formants[i].first, tolerance);
            EXPECT_NEAR(ro->bandwidth[i], formants[i].second, tolerance);
        }
    }
    EXPECT_EQ(cmpfb2(0, 0.5, 8000).tfreq, 2000.0) << "a pair on the imaginary axis is at fs/4";
    EXPECT_EQ(cmpfb2(-0.5, 0.01, 8000).tfreq, 4000.0);
    std::vector<double> one = {1, 0.5};
    EXPECT_TRUE(rootsub(1, 600, one, 8000).value().freq.empty()) << "a real root alone";

    // DoLPC on an impulse train through three resonators at 10 kHz.
    const double F[] = {500, 1500, 2500};
    const int n = 400;
    std::vector<double> x(n + 1, 0.0);
    for (int i = 0; i <= n; i += 100)
        x[static_cast<std::size_t>(i)] = 1.0;
    vxtest::resonate(x, fs, {{500, 60}, {1500, 90}, {2500, 120}});
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

#if VOXTRACE_HAVE_EIGEN
// Each formant is one of the roots (to 1e-6, inside the unit circle) that an independent solver
// (the companion matrix's eigenvalues) finds for the same predictor, and none is missed.
TEST(Lpc, FormantsAreTheRootsOfAnIndependentSolver)
{
    // DoLPC with roots, as the spectrogram runs it, on frames of `order` ms at 0.3 s.
    const double fs = 44100;
    const std::vector<double> o = vowelO();
    CMathFunc math;
    int compared = 0, failedOrders = 0;
    for (int order = 2; order <= 400; order += order < 64 ? 1 : 48) {
        SCOPED_TRACE(testing::Message() << "order " << order);
        const int n = 44 * order;
        std::vector<double> frame(o.begin() + 13230, o.begin() + 13230 + n + 20);
        math.DoLPC(frame.data(), order, n, 0.98, 1, false, 0, 0, fs, true, true);
        const auto& ro = math.lp_Roots();
        if (!ro) {
            ++failedOrders;
            continue;
        }
        const std::vector<double>& a = math.lastLpc().a;
        Eigen::VectorXd coefficients(order + 1);
        for (int j = 0; j <= order; ++j)
            coefficients[j] = a[order - j];
        Eigen::PolynomialSolver<double, Eigen::Dynamic> solver(coefficients);
        std::vector<std::complex<double>> expected;
        for (const std::complex<double>& z : solver.roots()) {
            const double bandwidth = -fs / dTWOPI * std::log(std::norm(z));
            if (z.imag() > 1e-12 && bandwidth > 0 && bandwidth <= 600)
                expected.push_back(z);
        }
        for (std::size_t f = 0; f < ro->freq.size(); ++f) {
            ASSERT_GT(ro->bandwidth[f], 0);
            const std::complex<double> z =
                std::polar(std::exp(-ro->bandwidth[f] * M_PI / fs), ro->freq[f] * dTWOPI / fs);
            double nearest = 1e300;
            for (const std::complex<double>& e : expected)
                nearest = std::min(nearest, std::abs(z - e) / std::abs(e));
            EXPECT_LT(nearest, 1e-6) << ro->freq[f] << " Hz";
            ++compared;
        }
        EXPECT_EQ(ro->freq.size(), expected.size()) << "formants missed";
    }
    EXPECT_GT(compared, 800);
    // At order 400 the factoring loses roots on the way and reports none.
    EXPECT_LE(failedOrders, 1);
}
#endif
