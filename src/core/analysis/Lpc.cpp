// Linear prediction and the factoring of predictor polynomials into
// formants.

#include "analysis/MathFunc.h"
#include "analysis/VectorBuilds.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

// The root search (scan and Bairstow) and the autocorrelation are most of
// an LPC frame's time. Their loops are built three times, for plain x86-64
// and for processors with 256-bit and 512-bit vectors and fused
// multiply-add; the build for the processor at hand is chosen once. The
// results of the builds differ only by rounding.

namespace vx {

namespace {

constexpr int kMaxOrder = 400;
constexpr double kFactorTolerance = 1e-4;
constexpr int kFactorIterations = 100;

double horner(int n, const double* a, double x)
{
    double v = a[0];
    for (int j = 1; j <= n; ++j)
        v = v * x + a[j];
    return v;
}

// Two, four and eight doubles, each one register of the build that uses it.
typedef double Lanes2 __attribute__((vector_size(16)));
typedef double Lanes4 __attribute__((vector_size(32)));
typedef double Lanes8 __attribute__((vector_size(64)));

constexpr int kMaxScanPoints = 1024;

// The points of the root scan for degree n: from -1.2 in steps of 1/n (as
// repeated additions) up to the first at or past 1.2, padded with the last
// point to a multiple of 64. They depend only on n and are kept per thread.
struct ScanPoints {
    std::vector<double> x;
    int count = 0;
};

const ScanPoints& scanPoints(int n)
{
    thread_local std::vector<ScanPoints> cache;
    if (static_cast<std::size_t>(n) >= cache.size())
        cache.resize(static_cast<std::size_t>(n) + 1);
    ScanPoints& p = cache[static_cast<std::size_t>(n)];
    if (p.count == 0) {
        const double dx = 1.0 / n;
        for (double x = -1.2;; x += dx) {
            p.x.push_back(x);
            if (!(x < 1.2) || p.x.size() == kMaxScanPoints)
                break;
        }
        p.count = static_cast<int>(p.x.size());
        p.x.resize((p.x.size() + 63) / 64 * 64, p.x.back());
    }
    return p;
}

// fs[k] = a(xs[k]) for k = 0 .. padded-1 (a multiple of kGroup), kGroup
// points at a time in independent Horner chains of Vec; returns the first k
// with fs[k] == 0 or a sign change from fs[k - 1] (-1 if there is none),
// looking no further than the group of points that has it.
template <typename Vec, int kGroup>
VX_INLINE int scanValues(int n, const double* a, const double* xs, int padded, double* fs)
{
    constexpr int W = sizeof(Vec) / sizeof(double);
    // The first point has no predecessor: pairing it with itself never
    // shows a sign change.
    Vec last{};
    for (int k = 0; k < padded; k += kGroup) {
        Vec x[kGroup / W], v[kGroup / W];
        for (int t = 0; t < kGroup / W; ++t) {
            std::memcpy(&x[t], xs + k + W * t, sizeof x[t]);
            v[t] = Vec{} + a[0];
        }
        for (int j = 1; j <= n; ++j)
            for (int t = 0; t < kGroup / W; ++t)
                v[t] = v[t] * x[t] + a[j];
        if (k == 0)
            last = Vec{} + v[0][0];
        // A lane at or below zero (or NaN) marks the group, which is then
        // searched point by point: products that underflow only cost that
        // search.
        Vec lowest = Vec{} + 1.0;
        for (int t = 0; t < kGroup / W; ++t) {
            std::memcpy(fs + k + W * t, &v[t], sizeof v[t]);
            // The values one point back: last's last lane, then v[t]'s.
            Vec back;
            if constexpr (W == 2)
                back = __builtin_shufflevector(last, v[t], 1, 2);
            else if constexpr (W == 4)
                back = __builtin_shufflevector(last, v[t], 3, 4, 5, 6);
            else
                back = __builtin_shufflevector(last, v[t], 7, 8, 9, 10, 11, 12, 13, 14);
            const Vec change = back * v[t], zero = v[t] * v[t];
            lowest = lowest < change ? lowest : change;
            lowest = lowest < zero ? lowest : zero;
            last = v[t];
        }
        double lanes[W];
        std::memcpy(lanes, &lowest, sizeof lanes);
        bool marked = false;
        for (int t = 0; t < W; ++t)
            marked |= !(lanes[t] > 0.0);
        if (!marked)
            continue;
        for (int i = k; i < k + kGroup; ++i)
            if (fs[i] == 0.0 || (i > 0 && fs[i - 1] * fs[i] < 0.0))
                return i;
    }
    return -1;
}

int scanValuesPlain(int n, const double* a, const double* xs, int padded, double* fs)
{
    return scanValues<Lanes2, 16>(n, a, xs, padded, fs);
}

// r[j] = sum of x[i] x[i + j] over i = 0 .. n-1-j, for j = 0 .. p.
void autocorrelatePlain(const double* x, int n, int p, double* r);
int barstwPlain(int n, const double* a, double* quotient, double tolerance, int iterations, double* u, double* v);
#if VX_WIDE_BUILDS
VX_TARGET_V3 int scanValuesV3(int n, const double* a, const double* xs, int padded, double* fs)
{
    return scanValues<Lanes4, 32>(n, a, xs, padded, fs);
}
VX_TARGET_V4 int scanValuesV4(int n, const double* a, const double* xs, int padded, double* fs)
{
    return scanValues<Lanes8, 64>(n, a, xs, padded, fs);
}
VX_TARGET_V3 void autocorrelateV3(const double* x, int n, int p, double* r);
VX_TARGET_V4 void autocorrelateV4(const double* x, int n, int p, double* r);
VX_TARGET_V3 int barstwV3(int n, const double* a, double* quotient, double tolerance, int iterations, double* u,
                          double* v);
VX_TARGET_V4 int barstwV4(int n, const double* a, double* quotient, double tolerance, int iterations, double* u,
                          double* v);
#endif

struct Kernels {
    int (*scanValues)(int, const double*, const double*, int, double*);
    void (*autocorrelate)(const double*, int, int, double*);
    int (*barstw)(int, const double*, double*, double, int, double*, double*);
};

const Kernels& kernels()
{
    // VOXTRACE_CPU=x86-64 or x86-64-v3 holds the choice below that level
    // (so that every build can be tested on one machine).
    static const Kernels chosen = [] {
#if VX_WIDE_BUILDS
        const char* cap = std::getenv("VOXTRACE_CPU");
        const std::string level = cap ? cap : "";
        __builtin_cpu_init();
        if (level.empty() && __builtin_cpu_supports("x86-64-v4"))
            return Kernels{scanValuesV4, autocorrelateV4, barstwV4};
        if ((level.empty() || level == "x86-64-v3") && __builtin_cpu_supports("x86-64-v3"))
            return Kernels{scanValuesV3, autocorrelateV3, barstwV3};
#endif
        return Kernels{scanValuesPlain, autocorrelatePlain, barstwPlain};
    }();
    return chosen;
}

// Scans [-1.2, 1.2] in steps of 1/n for a sign change of the degree-n
// polynomial a and refines it by bisection. Returns whether a root was found.
bool scanForRoot(int n, const double* a, double tolerance, double* root)
{
    const ScanPoints& points = scanPoints(n);
    const double* xs = points.x.data();
    const int count = points.count;
    const int padded = static_cast<int>(points.x.size());
    alignas(64) double fs[kMaxScanPoints + 64];
    const int i = kernels().scanValues(n, a, xs, padded, fs);
    // Past count the points repeat the last one, so they show no sign
    // change of their own.
    if (i < 0 || i >= count)
        return false;
    if (fs[i] == 0.0) {
        *root = xs[i];
        return true;
    }
    double lo = xs[i - 1], hi = xs[i], flo = fs[i - 1];
    double mid = hi;
    for (;;) {
        if (std::fabs(hi - lo) / std::max(std::fabs(hi), std::fabs(lo)) < tolerance)
            break;
        mid = 0.5 * (lo + hi);
        if (mid == lo || mid == hi)
            break;
        const double fm = horner(n, a, mid);
        if (fm == 0.0)
            break;
        if (flo * fm < 0.0) {
            hi = mid;
        } else {
            lo = mid;
            flo = fm;
        }
    }
    *root = mid;
    return true;
}

// Divides z^2 - u z - v out of a (degree n) into b[0 .. n]; b[n-1] and b[n]
// are the remainder terms.
void bairstowDivide(int n, const double* a, double u, double v, double* b)
{
    b[0] = a[0];
    b[1] = a[1] + u * b[0];
    for (int j = 2; j <= n - 1; ++j)
        b[j] = a[j] + u * b[j - 1] + v * b[j - 2];
    b[n] = a[n] + v * b[n - 2];
}

// Sums lags j .. j+WV-1 side by side in V independent accumulators of W
// lanes, so that the additions do not wait on one another, and writes them
// to out[0 .. WV-1]. Each lag's sum is taken in ascending i, as a
// lag-by-lag loop takes it.
template <typename Vec, int V>
VX_INLINE void autocorrelateBlock(const double* x, int n, int j, double* out)
{
    constexpr int W = sizeof(Vec) / sizeof(double);
    constexpr int L = W * V;
    Vec s[V] = {};
    const int common = std::max(n - j - (L - 1), 0);
    for (int i = 0; i < common; ++i) {
        const double xi = x[i];
        for (int v = 0; v < V; ++v) {
            Vec y;
            std::memcpy(&y, x + i + j + W * v, sizeof y);
            s[v] += xi * y;
        }
    }
    double sums[L];
    std::memcpy(sums, s, sizeof sums);
    for (int t = 0; t < L; ++t) {
        for (int i = common; i < n - j - t; ++i)
            sums[t] += x[i] * x[i + j + t];
        out[t] = sums[t];
    }
}

// The last lags j .. p in one block just wide enough for them.
template <typename Vec, int V>
VX_INLINE void autocorrelateRest(const double* x, int n, int j, int p, double* r)
{
    double rest[sizeof(Vec) / sizeof(double) * V];
    autocorrelateBlock<Vec, V>(x, n, j, rest);
    std::copy(rest, rest + (p - j + 1), r + j);
}

// The remainder block with V accumulators, for V = needed <= kMaxV.
template <typename Vec, int kMaxV>
VX_INLINE void autocorrelateRestUpTo(int needed, const double* x, int n, int j, int p, double* r)
{
    if (needed == kMaxV)
        autocorrelateRest<Vec, kMaxV>(x, n, j, p, r);
    else if constexpr (kMaxV > 1)
        autocorrelateRestUpTo<Vec, kMaxV - 1>(needed, x, n, j, p, r);
}

// Blocks of kMaxV accumulators, then one as wide as the lags left need.
template <typename Vec, int kMaxV>
VX_INLINE void autocorrelateWith(const double* x, int n, int p, double* r)
{
    constexpr int W = sizeof(Vec) / sizeof(double);
    int j = 0;
    for (; j + kMaxV * W - 1 <= p; j += kMaxV * W)
        autocorrelateBlock<Vec, kMaxV>(x, n, j, r + j);
    if (j <= p)
        autocorrelateRestUpTo<Vec, kMaxV>((p - j + W) / W, x, n, j, p, r);
}

void autocorrelatePlain(const double* x, int n, int p, double* r)
{
    autocorrelateWith<Lanes2, 8>(x, n, p, r);
}

#if VX_WIDE_BUILDS
VX_TARGET_V3 void autocorrelateV3(const double* x, int n, int p, double* r)
{
    autocorrelateWith<Lanes4, 8>(x, n, p, r);
}
// Unaligned 512-bit loads nearly always straddle two cache lines, which
// makes 256-bit vectors the faster choice here too; the 32 registers take
// up to 16 accumulators.
VX_TARGET_V4 void autocorrelateV4(const double* x, int n, int p, double* r)
{
    autocorrelateWith<Lanes4, 16>(x, n, p, r);
}
#endif

} // namespace

void CMathFunc::autolpc(const double* x, int n, int p, LpcOut& out)
{
    if (p > kMaxOrder) {
        std::fputs("Requested LPC order too large\n", stderr);
        p = kMaxOrder;
    }
    p = std::max(p, 0);
    out.order = p;
    out.k.assign(static_cast<std::size_t>(p) + 1, 0.0);
    out.a.assign(static_cast<std::size_t>(p) + 1, 0.0);
    out.a[0] = 1.0;
    out.error = 0;
    std::vector<double> r(static_cast<std::size_t>(p) + 1, 0.0);
    kernels().autocorrelate(x, n, p, r.data());
    if (p == 0) {
        out.error = r[0];
        return;
    }
    std::vector<double> ep(static_cast<std::size_t>(p)), en(static_cast<std::size_t>(p));
    for (int i = 0; i < p; ++i) {
        ep[static_cast<std::size_t>(i)] = r[static_cast<std::size_t>(i) + 1];
        en[static_cast<std::size_t>(i)] = r[static_cast<std::size_t>(i)];
    }
    auto& k = out.k;
    k[1] = -ep[0] / en[0];
    en[0] += k[1] * ep[0];
    for (int m = 1; m < p; ++m) {
        const double km = k[static_cast<std::size_t>(m)];
        for (int j = m; j < p; ++j) {
            const std::size_t e = static_cast<std::size_t>(j - m + 1);
            const double oldEp = ep[static_cast<std::size_t>(j)];
            ep[static_cast<std::size_t>(j)] = oldEp + km * en[e];
            en[e] = en[e] + km * oldEp;
        }
        k[static_cast<std::size_t>(m) + 1] = -ep[static_cast<std::size_t>(m)] / en[0];
        en[0] += k[static_cast<std::size_t>(m) + 1] * ep[static_cast<std::size_t>(m)];
    }
    out.error = en[0];

    auto& a = out.a;
    a[1] = k[1];
    std::vector<double> copy(static_cast<std::size_t>(p) + 1);
    for (int m = 1; m < p; ++m) {
        std::copy(a.begin(), a.begin() + m + 1, copy.begin());
        const double km1 = k[static_cast<std::size_t>(m) + 1];
        for (int i = 1; i <= m; ++i)
            a[static_cast<std::size_t>(i)] = copy[static_cast<std::size_t>(i)] + km1 * copy[static_cast<std::size_t>(m + 1 - i)];
        a[static_cast<std::size_t>(m) + 1] = km1;
    }
}

QuadraticRoot cmpfb2(double b, double c, double fs)
{
    const double f = fs / dTWOPI;
    const double h = b / 2;
    const double d = h * h - c;
    QuadraticRoot r{};
    if (d < 0) {
        r.zreal = -h;
        r.zimag = std::sqrt(-d);
        r.tfreq = h == 0 ? fs / 4 : std::atan2(r.zimag, -h) * f;
        r.tbandw = -f * std::log(c);
    } else {
        const double root = std::sqrt(d) + std::fabs(h);
        if (b >= 0) {
            r.tfreq = 0;
            r.zreal = root;
        } else {
            r.tfreq = fs / 2;
            r.zreal = -root;
        }
        r.zimag = 0;
        r.tbandw = -f * std::log(root * root);
    }
    return r;
}

int rfactr(int n, const double* a, double* q, double* root, double tolerance)
{
    if (n < 1)
        return 0;
    double x;
    if (scanForRoot(n, a, tolerance, &x)) {
        q[0] = a[0];
        for (int j = 1; j <= n; ++j)
            q[j] = q[j - 1] * x + a[j];
        *root = x;
        return 1;
    }
    // The reversed polynomial's roots are the reciprocals of a's.
    if (n > kMaxOrder)
        return 0;
    std::array<double, kMaxOrder + 1> reversed;
    for (int j = 0; j <= n; ++j)
        reversed[static_cast<std::size_t>(j)] = a[n - j];
    double y;
    if (!scanForRoot(n, reversed.data(), tolerance, &y) || y == 0.0)
        return 0;
    q[n - 1] = a[n];
    for (int j = n - 1; j >= 1; --j)
        q[j - 1] = y * q[j] + a[j];
    q[n] = y * q[0] + a[0];
    const double lead = q[0];
    if (lead == 0.0)
        return 0;
    for (int j = 1; j <= n; ++j)
        q[j] /= lead;
    q[0] = 1.0;
    *root = 1.0 / y;
    return 1;
}

namespace {

// Bairstow's iteration from u = 2, v = -1. With kBlocked the two divisions
// go four terms at a time (in vectors of four).
template <bool kBlocked>
VX_INLINE int barstwWith(int n, const double* a, double* quotient, double tolerance, int iterations, double* u,
                         double* v)
{
    // The second division reaches c[n - 4]: below degree 4 there is nothing
    // to iterate on.
    if (n < 4)
        return 0;
    if (n > kMaxOrder)
        return 0;
    std::array<double, kMaxOrder + 1> b, c;
    double uu = 2.0, vv = -1.0;
    double relU = 1.0, relV = 1.0;
    for (int it = 0; it < iterations; ++it) {
        // Both divisions in one pass: c[j] needs only b[j] and earlier c, so
        // the two recurrences interleave. The term of the older element is
        // added first, which shortens the chain through the newest one.
        b[0] = a[0];
        b[1] = a[1] + uu * b[0];
        c[0] = b[0];
        c[1] = b[1] + uu * c[0];
        int j = 2;
        if (kBlocked && n - 1 >= 6) {
            // Four terms at a time, each four from the two before them only:
            // with h the impulse response of y[k] = x[k] + u y[k-1] + v y[k-2]
            // (h0 = 1, h1 = u, hk = u h(k-1) + v h(k-2)),
            // y[j+i] = sum over m <= i of h(i-m) x[j+m] + h(i+1) y[j-1] + v h(i) y[j-2],
            // so that a step waits on the previous one once instead of four
            // times. The terms differ from the one-by-one recurrence only by
            // rounding. The blocks run as far as b goes (n - 1); the c terms
            // past n - 3 that come with them are not used.
            const double h1 = uu, h2 = uu * h1 + vv, h3 = uu * h2 + vv * h1, h4 = uu * h3 + vv * h2;
            const Lanes4 H1{0, h1, h1, h1}, H2{0, 0, h2, h2}, H3{0, 0, 0, h3};
            const Lanes4 P{h1, h2, h3, h4}, Q{vv, vv * h1, vv * h2, vv * h3};
            b[2] = (a[2] + vv * b[0]) + uu * b[1];
            c[2] = (b[2] + vv * c[0]) + uu * c[1];
            Lanes4 lastB{0, b[0], b[1], b[2]}, lastC{0, c[0], c[1], c[2]};
            for (j = 3; j + 3 <= n - 1; j += 4) {
                Lanes4 a0, a1, a2, a3;
                std::memcpy(&a0, a + j, sizeof a0);
                std::memcpy(&a1, a + j - 1, sizeof a1);
                std::memcpy(&a2, a + j - 2, sizeof a2);
                std::memcpy(&a3, a + j - 3, sizeof a3);
                const Lanes4 sB = ((a0 + H3 * a3) + H2 * a2) + H1 * a1;
                const Lanes4 nextB = (sB + Q * __builtin_shufflevector(lastB, lastB, 2, 2, 2, 2))
                                   + P * __builtin_shufflevector(lastB, lastB, 3, 3, 3, 3);
                // b is handed on in registers: reading it back just after
                // storing it would stall.
                const Lanes4 b1 = __builtin_shufflevector(lastB, nextB, 3, 4, 5, 6);
                const Lanes4 b2 = __builtin_shufflevector(lastB, nextB, 2, 3, 4, 5);
                const Lanes4 b3 = __builtin_shufflevector(lastB, nextB, 1, 2, 3, 4);
                const Lanes4 sC = ((nextB + H3 * b3) + H2 * b2) + H1 * b1;
                const Lanes4 nextC = (sC + Q * __builtin_shufflevector(lastC, lastC, 2, 2, 2, 2))
                                   + P * __builtin_shufflevector(lastC, lastC, 3, 3, 3, 3);
                std::memcpy(b.data() + j, &nextB, sizeof nextB);
                std::memcpy(c.data() + j, &nextC, sizeof nextC);
                lastB = nextB;
                lastC = nextC;
            }
        }
        for (; j <= n - 3; ++j) {
            const std::size_t k = static_cast<std::size_t>(j);
            b[k] = (a[j] + vv * b[k - 2]) + uu * b[k - 1];
            c[k] = (b[k] + vv * c[k - 2]) + uu * c[k - 1];
        }
        for (j = std::max(j, 2); j <= n - 1; ++j) {
            const std::size_t k = static_cast<std::size_t>(j);
            b[k] = (a[j] + vv * b[k - 2]) + uu * b[k - 1];
        }
        b[static_cast<std::size_t>(n)] = a[n] + vv * b[static_cast<std::size_t>(n) - 2];
        if (it > 0 && relU < tolerance && relV < tolerance) {
            std::copy(b.begin(), b.begin() + (n - 1), quotient);
            *u = uu;
            *v = vv;
            return 1;
        }
        const double R = b[static_cast<std::size_t>(n) - 1];
        const double S = b[static_cast<std::size_t>(n)];
        const double c3 = c[static_cast<std::size_t>(n) - 3];
        const double C = b[static_cast<std::size_t>(n) - 2] + vv * c[static_cast<std::size_t>(n) - 4];
        const double D = uu * C * c3 + C * C - vv * c3 * c3;
        if (D == 0.0 || !std::isfinite(D))
            return 0;
        const double du = -(R * C - S * c3) / D;
        const double dv = -(S * (uu * c3 + C) - R * vv * c3) / D;
        const double uBefore = uu, vBefore = vv;
        uu += du;
        vv += dv;
        relU = std::fabs(du) / std::max(std::fabs(uBefore), 1.0);
        const double vScale = std::max(std::fabs(vBefore), std::fabs(vv));
        relV = vScale > 0 ? std::fabs(dv) / vScale : 0.0;
    }
    return 0;
}

int barstwPlain(int n, const double* a, double* quotient, double tolerance, int iterations, double* u, double* v)
{
    return barstwWith<false>(n, a, quotient, tolerance, iterations, u, v);
}

#if VX_WIDE_BUILDS
VX_TARGET_V3 int barstwV3(int n, const double* a, double* quotient, double tolerance, int iterations, double* u,
                          double* v)
{
    return barstwWith<true>(n, a, quotient, tolerance, iterations, u, v);
}
VX_TARGET_V4 int barstwV4(int n, const double* a, double* quotient, double tolerance, int iterations, double* u,
                          double* v)
{
    return barstwWith<true>(n, a, quotient, tolerance, iterations, u, v);
}
#endif

} // namespace

int barstw(int n, const double* a, double* quotient, double tolerance, int* iterations, double* u, double* v)
{
    return kernels().barstw(n, a, quotient, tolerance, *iterations, u, v);
}

int frwbkw(int n, const double* a, double* quotient, double* u, double* v, int iterations, double tolerance)
{
    // The iteration reads q[n - 4]: below degree 4 it has nothing to use.
    if (n < 4)
        return 0;
    std::vector<double> Q(static_cast<std::size_t>(n) + 1), q(static_cast<std::size_t>(n) + 1),
        b(static_cast<std::size_t>(n) + 1);
    for (double s : {0.0, 0.5, 1.0, 1.5, 2.0}) {
        std::copy(a, a + n + 1, Q.begin());
        for (int i = 0; i < n; ++i)
            for (int j = 1; j <= n - i; ++j)
                Q[static_cast<std::size_t>(j)] -= s * Q[static_cast<std::size_t>(j) - 1];
        double uu = 2.0, vv = -1.0;
        for (int it = 0; it < iterations; ++it) {
            q[0] = Q[0];
            q[1] = Q[0] * uu + Q[1];
            for (int j = 2; j <= n - 2; ++j)
                q[static_cast<std::size_t>(j)] = q[static_cast<std::size_t>(j) - 2] * vv
                                               + q[static_cast<std::size_t>(j) - 1] * uu + Q[static_cast<std::size_t>(j)];
            const double qn2 = q[static_cast<std::size_t>(n) - 2];
            if (qn2 == 0.0)
                break;
            const double t1 = q[static_cast<std::size_t>(n) - 3] / qn2;
            const double t2 = q[static_cast<std::size_t>(n) - 4] / qn2;
            const double e1 = Q[static_cast<std::size_t>(n) - 1] - t1 * Q[static_cast<std::size_t>(n)];
            const double e2 = Q[static_cast<std::size_t>(n) - 2] - t1 * e1 - t2 * Q[static_cast<std::size_t>(n)];
            if (e2 == 0.0)
                break;
            const double vNew = -Q[static_cast<std::size_t>(n)] / e2;
            const double uNew = -e1 / e2;
            if (!std::isfinite(uNew) || !std::isfinite(vNew))
                break;
            const double su = std::max(std::fabs(uu), std::fabs(uNew));
            const double sv = std::max(std::fabs(vv), std::fabs(vNew));
            const bool converged = (su == 0 || std::fabs(uNew - uu) / su < tolerance)
                                && (sv == 0 || std::fabs(vNew - vv) / sv < tolerance);
            uu = uNew;
            vv = vNew;
            if (converged) {
                const double uBack = uNew - 2 * s;
                const double vBack = uNew * s + vNew - s * s;
                bairstowDivide(n, a, uBack, vBack, b.data());
                std::copy(b.begin(), b.begin() + (n - 1), quotient);
                *u = uBack;
                *v = vBack;
                return 1;
            }
        }
    }
    return 0;
}

int factor(int n, const double* a, double* quotient, double* u, double* v)
{
    *v = 0;
    if (rfactr(n, a, quotient, u, kFactorTolerance))
        return 1;
    int iterations = kFactorIterations;
    if (barstw(n, a, quotient, kFactorTolerance, &iterations, u, v))
        return 2;
    if (frwbkw(n, a, quotient, u, v, kFactorIterations, kFactorTolerance))
        return 2;
    return 0;
}

std::optional<RootRecord> rootsub(int n, double maxBandwidth, std::vector<double>& a, double fs)
{
    RootRecord ro;
    if (n < 2)
        return ro;
    std::vector<double> quocoe(static_cast<std::size_t>(n) + 1, 0.0);
    int d = n;
    while (d > 1) {
        double b, c;
        if (d == 2) {
            b = a[1];
            c = a[2];
        } else {
            double u = 0, v = 0;
            const int result = factor(d, a.data(), quocoe.data(), &u, &v);
            if (result == 0)
                return std::nullopt;
            if (result == 1) {
                --d;
                std::copy(quocoe.begin(), quocoe.begin() + d + 1, a.begin());
                continue;
            }
            if (result != 2) {
                std::fputs("  factor() is confused,\n", stderr);
                return std::nullopt;
            }
            b = -u;
            c = -v;
        }
        const QuadraticRoot r = cmpfb2(b, c, fs);
        ro.factors.push_back({b, c, r.zreal, r.zimag});
        if (r.tbandw <= maxBandwidth) {
            ro.freq.push_back(r.tfreq);
            ro.bandwidth.push_back(r.tbandw);
        }
        d -= 2;
        if (d >= 0)
            std::copy(quocoe.begin(), quocoe.begin() + d + 1, a.begin());
    }
    // Insertion sort: equal frequencies keep the order they were found in.
    for (std::size_t i = 1; i < ro.freq.size(); ++i) {
        const double f = ro.freq[i], bw = ro.bandwidth[i];
        std::size_t j = i;
        for (; j > 0 && ro.freq[j - 1] > f; --j) {
            ro.freq[j] = ro.freq[j - 1];
            ro.bandwidth[j] = ro.bandwidth[j - 1];
        }
        ro.freq[j] = f;
        ro.bandwidth[j] = bw;
    }
    return ro;
}

void CMathFunc::DoLPC(double* frame, int p, int n, double preEmphasis, int windowType, bool smooth, int P, int F,
                      double fs, bool roots, bool rootsOnly)
{
    m_work.resize(static_cast<std::size_t>(std::max(n, 0))); // windowed writes every sample
    windowed(frame, n, preEmphasis, windowType, m_work.data());
    autolpc(m_work.data(), n, p, m_lpc);
    if (roots) {
        m_pole.assign(m_lpc.a.begin(), m_lpc.a.end());
        m_roots = rootsub(m_lpc.order, 600.0, m_pole, fs);
    }
    if (rootsOnly)
        return;
    m_re.assign(256, 0.0);
    m_im.assign(256, 0.0);
    std::copy(m_lpc.a.begin(), m_lpc.a.begin() + std::min<std::size_t>(m_lpc.a.size(), 256), m_re.begin());
    FFT_CODE_REAL(m_re.data(), m_im.data(), 8);
    for (int k = 0; k < 128; ++k) {
        const double power = m_re[static_cast<std::size_t>(k)] * m_re[static_cast<std::size_t>(k)]
                           + m_im[static_cast<std::size_t>(k)] * m_im[static_cast<std::size_t>(k)];
        frame[k] = power == 0 ? 0.0 : 10.0 * std::log10(power);
    }
    if (smooth)
        splineResample(frame, 128, P, (F / (fs / 2)) * 128 / P);
}

} // namespace vx
