// The LPC kernels against plain reference loops written here, in every
// build the library has of them (the loops keep their arithmetic, so those
// comparisons are exact), and DoLPC's formants against an independent
// solver of the predictor's roots.

#include "analysis/LpcKernels.h"
#include "analysis/MathFunc.h"
#include "analysis/VectorBuilds.h"
#include "app/Settings.h"
#include "support/Synthesis.h"

#include <gtest/gtest.h>

#if VOXTRACE_HAVE_EIGEN
#include <Eigen/Dense>
#include <unsupported/Eigen/Polynomials>
#endif

#include <cmath>
#include <complex>
#include <optional>
#include <random>
#include <string>
#include <vector>

using namespace vx;

namespace {

// The builds of a kernel: the library's (as the loader chose it), the plain
// loop compiled here and, where the processor has AVX2, the AVX2 build.
template <typename F>
struct Build {
    std::string name;
    F* run;
};

void autocorrelatePlain(const double* x, int n, int p, double* r)
{
    autocorrelationLoop(x, n, p, r);
}
void hornerPointsPlain(int n, const double* a, const double* x, int m, double* f)
{
    hornerPointsLoop(n, a, x, m, f);
}
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

using Autocorrelate = void(const double*, int, int, double*);
using HornerPoints = void(int, const double*, const double*, int, double*);

std::vector<Build<Autocorrelate>> autocorrelationBuilds()
{
    std::vector<Build<Autocorrelate>> builds = {{"library", autocorrelate}, {"plain", autocorrelatePlain}};
#if VX_WIDE_BUILDS
    if (__builtin_cpu_supports("avx2"))
        builds.push_back({"avx2", autocorrelateAvx2});
#endif
    return builds;
}

std::vector<Build<HornerPoints>> hornerBuilds()
{
    std::vector<Build<HornerPoints>> builds = {{"library", hornerPoints}, {"plain", hornerPointsPlain}};
#if VX_WIDE_BUILDS
    if (__builtin_cpu_supports("avx2"))
        builds.push_back({"avx2", hornerPointsAvx2});
#endif
    return builds;
}

std::vector<double> uniform(std::size_t n, unsigned seed, double lo, double hi)
{
    std::mt19937 rng(seed);
    std::vector<double> v(n);
    for (double& x : v)
        x = lo + (hi - lo) * (rng() / 4294967296.0);
    return v;
}

double hornerAt(int n, const double* a, double x)
{
    double v = a[0];
    for (int j = 1; j <= n; ++j)
        v = v * x + a[j];
    return v;
}

// The monic polynomial with pole pairs of the given radii and angles and
// the given real roots, leading coefficient first.
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

std::vector<std::pair<double, double>> randomPairs(int count, unsigned seed)
{
    const auto radii = uniform(static_cast<std::size_t>(count), seed, 0.6, 0.97);
    const auto angles = uniform(static_cast<std::size_t>(count), seed + 1, 0.05, 3.1);
    std::vector<std::pair<double, double>> pairs;
    for (int i = 0; i < count; ++i)
        pairs.push_back({radii[static_cast<std::size_t>(i)], angles[static_cast<std::size_t>(i)]});
    return pairs;
}

// rfactr's search for a real root as a plain loop: the scan points by
// repeated addition, the first zero or sign change, then bisection.
std::optional<double> referenceScan(int n, const double* a, double tolerance)
{
    std::vector<double> xs;
    for (double x = -1.2;; x += 1.0 / n) {
        xs.push_back(x);
        if (!(x < 1.2) || xs.size() == 1024)
            break;
    }
    for (std::size_t k = 0; k < xs.size(); ++k) {
        const double f = hornerAt(n, a, xs[k]);
        if (f == 0.0)
            return xs[k];
        const double before = k > 0 ? hornerAt(n, a, xs[k - 1]) : 0.0;
        if (before * f >= 0.0)
            continue;
        double lo = xs[k - 1], hi = xs[k], flo = before, mid = hi;
        while (std::fabs(hi - lo) / std::max(std::fabs(hi), std::fabs(lo)) >= tolerance) {
            mid = 0.5 * (lo + hi);
            if (mid == lo || mid == hi)
                break;
            const double fm = hornerAt(n, a, mid);
            if (fm == 0.0)
                break;
            if (flo * fm < 0.0) {
                hi = mid;
            } else {
                lo = mid;
                flo = fm;
            }
        }
        return mid;
    }
    return std::nullopt;
}

// Bairstow's iteration from u = 2, v = -1 with the two divisions one term
// at a time into arrays, as the textbook writes them.
int referenceBairstow(int n, const double* a, std::vector<double>& quotient, double& u, double& v)
{
    const double tolerance = 1e-4;
    std::vector<double> b(static_cast<std::size_t>(n) + 1), c(static_cast<std::size_t>(n) + 1);
    double uu = 2.0, vv = -1.0, relU = 1.0, relV = 1.0;
    for (int it = 0; it < 100; ++it) {
        b[0] = a[0];
        b[1] = a[1] + uu * b[0];
        for (int j = 2; j <= n - 1; ++j)
            b[j] = (a[j] + vv * b[j - 2]) + uu * b[j - 1];
        b[n] = a[n] + vv * b[n - 2];
        c[0] = b[0];
        c[1] = b[1] + uu * c[0];
        for (int j = 2; j <= n - 3; ++j)
            c[j] = (b[j] + vv * c[j - 2]) + uu * c[j - 1];
        if (it > 0 && relU < tolerance && relV < tolerance) {
            quotient.assign(b.begin(), b.begin() + (n - 1));
            u = uu;
            v = vv;
            return 1;
        }
        const double R = b[n - 1], S = b[n], c3 = c[n - 3], C = b[n - 2] + vv * c[n - 4];
        const double D = uu * C * c3 + C * C - vv * c3 * c3;
        if (D == 0.0 || !std::isfinite(D))
            return 0;
        const double du = -(R * C - S * c3) / D, dv = -(S * (uu * c3 + C) - R * vv * c3) / D;
        const double vBefore = vv;
        relU = std::fabs(du) / std::max(std::fabs(uu), 1.0);
        uu += du;
        vv += dv;
        const double vScale = std::max(std::fabs(vBefore), std::fabs(vv));
        relV = vScale > 0 ? std::fabs(dv) / vScale : 0.0;
    }
    return 0;
}

// Noise from the raw output of mt19937, which the standard fixes.
double noiseSample(std::mt19937& rng, double amplitude)
{
    return amplitude * (rng() / 4294967296.0 - 0.5);
}

// 1.2 s at 44.1 kHz as in the benchmark: a gliding f0 through three
// resonators for 0.8 s, then noise, then silence.
std::vector<double> speechLike()
{
    const double fs = 44100;
    std::vector<double> x(static_cast<std::size_t>(1.2 * fs), 0.0);
    std::mt19937 rng(1);
    double phase = 0;
    for (std::size_t i = 0; i < x.size(); ++i) {
        const double t = i / fs;
        if (t < 0.8) {
            phase += (110 + 40 * std::sin(2 * M_PI * 0.7 * t)) / fs;
            if (phase >= 1) {
                phase -= 1;
                x[i] = 1.0;
            }
        } else if (t < 1.0) {
            x[i] = noiseSample(rng, 0.2);
        }
    }
    vxtest::resonate(x, fs, {{650, 80}, {1100, 90}, {2400, 120}});
    const double peak = vxtest::peakOf(x);
    for (double& v : x)
        v = static_cast<float>(0.7 * v / peak);
    return x;
}

// A sustained vowel at rate fs: a pulse train at f0 with a little noise
// through resonators; long enough for an order-400 frame.
std::vector<double> vowel(double fs, double f0, std::initializer_list<std::pair<double, double>> formants)
{
    std::vector<double> x(21000, 0.0);
    std::mt19937 rng(3);
    double phase = 0;
    for (double& v : x) {
        phase += f0 / fs;
        if (phase >= 1) {
            phase -= 1;
            v = 1.0;
        }
        v += noiseSample(rng, 2e-3);
    }
    vxtest::resonate(x, fs, formants);
    return x;
}

struct Source {
    const char* name;
    double fs;
    std::vector<double> x;
};

const std::vector<Source>& sources()
{
    static const std::vector<Source> all = [] {
        std::vector<Source> s;
        s.push_back({"speech", 44100, speechLike()});
        for (double fs : {11025.0, 16000.0, 22050.0, 44100.0, 48000.0, 96000.0}) {
            s.push_back({"a", fs, vowel(fs, 120, {{700, 80}, {1220, 90}, {2600, 120}, {3500, 150}})});
            s.push_back({"i", fs, vowel(fs, 210, {{300, 60}, {2300, 100}, {3000, 150}})});
        }
        return s;
    }();
    return all;
}

// DoLPC with roots, as the spectrogram runs it, on the frame of `order` ms
// (trunc(fs / 1000) samples per order) starting at `at` seconds.
std::optional<vx::RootRecord> formantsOf(vx::CMathFunc& math, const Source& s, double at, int order,
                                         double preEmphasis)
{
    const int n = static_cast<int>(s.fs / 1000) * order;
    const std::size_t from = static_cast<std::size_t>(at * s.fs);
    std::vector<double> frame(static_cast<std::size_t>(n) + 20, 0.0);
    for (std::size_t i = 0; i < frame.size() && from + i < s.x.size(); ++i)
        frame[i] = s.x[from + i];
    math.DoLPC(frame.data(), order, n, preEmphasis, 1, false, 0, 0, s.fs, true, true);
    return math.lp_Roots();
}

} // namespace

TEST(LpcKernels, AutocorrelationIsTheLagByLagSumInEveryBuild)
{
    // Frames shorter than the order, remainders of the four-sample passes,
    // the order-48 frame at 44.1 kHz and an order-400 frame at 48 kHz.
    struct Case {
        int n, p;
    };
    const auto x = uniform(19200, 11, -1, 1);
    for (Case c : {Case{0, 0}, {1, 3}, {5, 8}, {7, 4}, {10, 2}, {21, 16}, {2116, 48}, {19200, 400}}) {
        std::vector<double> want(static_cast<std::size_t>(c.p) + 1, 0.0);
        for (int j = 0; j <= c.p; ++j)
            for (int i = 0; i + j < c.n; ++i)
                want[static_cast<std::size_t>(j)] += x[static_cast<std::size_t>(i)] * x[static_cast<std::size_t>(i + j)];
        for (const auto& build : autocorrelationBuilds()) {
            std::vector<double> r(static_cast<std::size_t>(c.p) + 2, 99.0);
            build.run(x.data(), c.n, c.p, r.data());
            EXPECT_EQ(r.back(), 99.0) << build.name << " writes past lag p";
            r.pop_back();
            EXPECT_EQ(r, want) << build.name << " n " << c.n << " p " << c.p;
        }
    }
}

TEST(LpcKernels, HornerValuesArePointByPointInEveryBuild)
{
    struct Case {
        int degree, points;
    };
    for (Case c : {Case{1, 1}, {2, 5}, {3, 7}, {48, 117}, {49, 118}, {400, 961}}) {
        const auto a = uniform(static_cast<std::size_t>(c.degree) + 1, 21, -1, 1);
        const auto x = uniform(static_cast<std::size_t>(c.points), 22, -1.2, 1.2);
        std::vector<double> want;
        for (double xk : x)
            want.push_back(hornerAt(c.degree, a.data(), xk));
        for (const auto& build : hornerBuilds()) {
            std::vector<double> f(static_cast<std::size_t>(c.points) + 1, 99.0);
            build.run(c.degree, a.data(), x.data(), c.points, f.data());
            EXPECT_EQ(f.back(), 99.0) << build.name;
            f.pop_back();
            EXPECT_EQ(f, want) << build.name << " degree " << c.degree;
        }
    }
}

TEST(LpcKernels, RealRootsAreThoseOfAPlainScan)
{
    // Real roots inside the scan, only outside it (found through the
    // reversed polynomial) and none at all, at degrees up to 400.
    struct Case {
        int pairs;
        std::vector<double> reals;
        bool found;
    };
    const std::vector<Case> cases = {
        {1, {0.37}, true},  {3, {-1.1}, true},      {24, {0.0}, true},   {24, {-0.52, 0.9}, true},
        {199, {0.8, -0.3}, true}, {2, {2.5}, true}, {24, {-4.0}, true}, {24, {}, false},  {200, {}, false},
    };
    for (const Case& c : cases) {
        const auto a = polynomial(randomPairs(c.pairs, 31), c.reals);
        const int n = static_cast<int>(a.size()) - 1;
        std::vector<double> q(a.size(), 0.0);
        double root = 0;
        const int result = rfactr(n, a.data(), q.data(), &root, 1e-4);
        const std::string label = "degree " + std::to_string(n);
        ASSERT_EQ(result, c.found ? 1 : 0) << label;
        if (!c.found)
            continue;
        if (const auto inside = referenceScan(n, a.data(), 1e-4)) {
            EXPECT_EQ(root, *inside) << label;
        } else {
            std::vector<double> reversed(a.rbegin(), a.rend());
            const auto y = referenceScan(n, reversed.data(), 1e-4);
            ASSERT_TRUE(y) << label;
            EXPECT_EQ(root, 1.0 / *y) << label;
        }
        // The quotient times (z - root) gives the polynomial back, as
        // closely as the bisection's 1e-4 has placed the root.
        double largest = 0;
        for (double aj : a)
            largest = std::max(largest, std::fabs(aj));
        for (std::size_t j = 1; j < a.size() - 1; ++j)
            EXPECT_NEAR(q[j] - root * q[j - 1], a[j], 1e-3 * largest) << label << " term " << j;
    }
}

TEST(LpcKernels, BairstowIsTheReferenceIteration)
{
    // Predictors of the speech-like frame at orders 4 to 400 (Bairstow fails
    // on some high orders, as the reference does), and polynomials with
    // known pole pairs.
    std::vector<std::vector<double>> polys;
    const Source& speech = sources()[0];
    for (int order : {4, 5, 14, 20, 26, 48, 52, 100, 160, 400}) {
        LpcOut lpc;
        const int n = 44 * order;
        CMathFunc::autolpc(speech.x.data() + 13230, n, order, lpc);
        polys.push_back(lpc.a);
    }
    polys.push_back(polynomial({{0.9, 0.4}, {0.8, 1.9}}, {}));
    polys.push_back(polynomial(randomPairs(24, 41), {}));
    polys.push_back(polynomial(randomPairs(200, 43), {}));
    int converged = 0;
    for (const auto& a : polys) {
        const int n = static_cast<int>(a.size()) - 1;
        std::vector<double> wantQ;
        double wantU = 0, wantV = 0;
        const int want = referenceBairstow(n, a.data(), wantQ, wantU, wantV);
        std::vector<double> q(a.size(), 0.0);
        double u = 0, v = 0;
        int iterations = 100;
        ASSERT_EQ(barstw(n, a.data(), q.data(), 1e-4, &iterations, &u, &v), want) << "degree " << n;
        if (!want)
            continue;
        ++converged;
        EXPECT_EQ(u, wantU) << "degree " << n;
        EXPECT_EQ(v, wantV) << "degree " << n;
        q.resize(wantQ.size());
        EXPECT_EQ(q, wantQ) << "degree " << n;
    }
    EXPECT_GE(converged, 8);
}

#if VOXTRACE_HAVE_EIGEN
// The formants reported against the roots that an independent solver (the
// eigenvalues of the companion matrix) finds for the same predictor: each
// is one of them to 1e-6, inside the unit circle, and none is missed.
TEST(Lpc, FormantsAreTheRootsOfAnIndependentSolver)
{
    struct Case {
        std::size_t source;
        double at;
        int order;
    };
    std::vector<Case> cases;
    for (int order = 2; order <= 400; order += order < 64 ? 1 : 48)
        cases.push_back({0, 0.3, order});
    for (std::size_t s = 1; s < sources().size(); ++s)
        for (double at : {0.02, 0.09, 0.16})
            cases.push_back({s, at, lpcOrderForRate(sources()[s].fs)});
    CMathFunc math;
    int compared = 0, failedOrders = 0;
    for (const Case& k : cases) {
        const Source& s = sources()[k.source];
        const std::string label = std::string(s.name) + " at " + std::to_string(s.fs) + " Hz, order "
                                + std::to_string(k.order) + ", " + std::to_string(k.at) + " s";
        const auto ro = formantsOf(math, s, k.at, k.order, k.source == 0 ? 0.98 : 0);
        if (!ro) {
            ++failedOrders;
            continue;
        }
        const std::vector<double>& a = math.lastLpc().a;
        Eigen::VectorXd coefficients(k.order + 1);
        for (int j = 0; j <= k.order; ++j)
            coefficients[j] = a[static_cast<std::size_t>(k.order - j)];
        Eigen::PolynomialSolver<double, Eigen::Dynamic> solver(coefficients);
        std::vector<std::complex<double>> expected;
        for (const std::complex<double>& z : solver.roots()) {
            const double bandwidth = -s.fs / dTWOPI * std::log(std::norm(z));
            if (z.imag() > 1e-12 && bandwidth > 0 && bandwidth <= 600)
                expected.push_back(z);
        }
        for (std::size_t f = 0; f < ro->freq.size(); ++f) {
            ASSERT_GT(ro->bandwidth[f], 0) << label;
            const std::complex<double> z =
                std::polar(std::exp(-ro->bandwidth[f] * M_PI / s.fs), ro->freq[f] * dTWOPI / s.fs);
            double nearest = 1e300;
            for (const std::complex<double>& e : expected)
                nearest = std::min(nearest, std::abs(z - e) / std::abs(e));
            EXPECT_LT(nearest, 1e-6) << label << ": " << ro->freq[f] << " Hz";
            ++compared;
        }
        EXPECT_EQ(ro->freq.size(), expected.size()) << label << ": formants missed";
    }
    EXPECT_GT(compared, 800);
    // At order 400 the factoring loses roots on the way and reports none.
    EXPECT_LE(failedOrders, 1);
}
#endif
