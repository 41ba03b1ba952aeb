// The factoring of a predictor polynomial into real roots and quadratic
// factors, and the formants among them. A real root is looked for by a
// scan for a sign change; a quadratic factor by Bairstow's iteration, and
// where that fails by a shifted forward-backward iteration. Each complex
// root so found is then polished by Newton's iteration on the whole
// predictor: deflating one factor after another loses accuracy at high
// orders, enough to put a root outside the unit circle.

#include "analysis/LpcKernels.h"
#include "analysis/MathFunc.h"
#include "analysis/VectorBuilds.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <complex>

namespace vx {

VX_AVX2_CLONE void hornerPoints(int n, const double* a, const double* x, int m, double* f)
{
    hornerPointsLoop(n, a, x, m, f);
}

namespace {

constexpr double kFactorTolerance = 1e-4;
constexpr int kFactorIterations = 100;
constexpr int kMaxScanPoints = 1024;

double horner(int n, const double* a, double x)
{
    double v = a[0];
    for (int j = 1; j <= n; ++j)
        v = v * x + a[j];
    return v;
}

// Halves [lo, hi], where the degree-n a changes sign and a(lo) = flo, until
// its width relative to its ends is below the tolerance; returns the last
// midpoint (hi if the interval is narrow enough already).
double bisect(int n, const double* a, double lo, double hi, double flo, double tolerance)
{
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
    return mid;
}

// The points of the root scan for degree n: -1.2, then in steps of 1/n (as
// repeated additions, which the points depend on) up to the first point at
// or past 1.2, at most kMaxScanPoints of them.
struct ScanPoints {
    std::array<double, kMaxScanPoints> x;
    int count = 0;

    explicit ScanPoints(int n)
    {
        const double dx = 1.0 / n;
        for (double v = -1.2;; v += dx) {
            x[count++] = v;
            if (!(v < 1.2) || count == kMaxScanPoints)
                break;
        }
    }
};

// Looks for the first point where the degree-n a is zero or has changed
// sign from the point before, and refines a sign change by bisection.
bool scanForRoot(int n, const double* a, const ScanPoints& points, double tolerance, double* root)
{
    const double* xs = points.x.data();
    std::array<double, kMaxScanPoints> fs;
    hornerPoints(n, a, xs, points.count, fs.data());
    for (int k = 0; k < points.count; ++k) {
        if (fs[k] == 0.0) {
            *root = xs[k];
            return true;
        }
        if (k > 0 && fs[k - 1] * fs[k] < 0.0) {
            *root = bisect(n, a, xs[k - 1], xs[k], fs[k - 1], tolerance);
            return true;
        }
    }
    return false;
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

constexpr int kPolishIterations = 60;
constexpr double kSettled = 1e-9; // a step this small relative to the root
constexpr double kSameRoot = 1e-8;

// Newton's iteration for a root of the degree-n p (real coefficients) from
// z. False when it does not settle, leaving z as it was. Convergence is
// quadratic: after a step below `settled` of the root, what is left is of
// the order of its square.
bool polish(int n, const double* p, std::complex<double>& z, int iterations = kPolishIterations,
            double settled = kSettled)
{
    std::complex<double> x = z;
    double last = 1; // the squared size of the last step relative to the root
    for (int it = 0; it < iterations; ++it) {
        std::complex<double> f = p[0], d = 0;
        for (int j = 1; j <= n; ++j) {
            d = d * x + f;
            f = f * x + p[j];
        }
        if (f == 0.0) {
            z = x;
            return true;
        }
        // f / d and the step's size without the library's careful complex
        // division and hypot, which cost more than the whole evaluation.
        const double dd = std::norm(d);
        if (dd == 0.0)
            return false;
        const std::complex<double> step = f * std::conj(d) / dd;
        x -= step;
        if (!std::isfinite(x.real()) || !std::isfinite(x.imag()))
            return false;
        last = std::norm(step) / std::max(std::norm(x), 1e-300);
        if (last < settled * settled)
            break;
    }
    if (!(last < settled * settled))
        return false;
    z = x;
    return true;
}

// Where the classic iterations find no factor (they start from one point
// and fail at high orders), Newton's iteration from points near the unit
// circle, where a predictor's roots lie, looks for one; the codes are
// factor's.
int newtonFactor(int n, const double* a, double* quotient, double* u, double* v)
{
    constexpr int kStarts = 24;
    for (int k = 0; k < kStarts; ++k) {
        // From this far a step covers about 1/n of the distance at first.
        // What is left after many factors has lost accuracy: a root found
        // here to 1e-6 is refined on the whole predictor afterwards.
        std::complex<double> z = std::polar(0.97, (k + 0.5) * 3.141592653589793 / kStarts);
        if (!polish(n, a, z, 8 * kPolishIterations, 1e-6))
            continue;
        if (std::fabs(z.imag()) <= kSameRoot * std::abs(z)) {
            quotient[0] = a[0];
            for (int j = 1; j < n; ++j)
                quotient[j] = quotient[j - 1] * z.real() + a[j];
            *u = z.real();
            *v = 0;
            return 1;
        }
        std::array<double, kMaxLpcOrder + 1> b;
        *u = 2 * z.real();
        *v = -std::norm(z);
        bairstowDivide(n, a, *u, *v, b.data());
        std::copy(b.begin(), b.begin() + (n - 1), quotient);
        return 2;
    }
    return 0;
}

} // namespace

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
    const ScanPoints points(n);
    double x;
    if (scanForRoot(n, a, points, tolerance, &x)) {
        q[0] = a[0];
        for (int j = 1; j <= n; ++j)
            q[j] = q[j - 1] * x + a[j];
        *root = x;
        return 1;
    }
    // The reversed polynomial's roots are the reciprocals of a's.
    if (n > kMaxLpcOrder)
        return 0;
    std::array<double, kMaxLpcOrder + 1> reversed;
    for (int j = 0; j <= n; ++j)
        reversed[j] = a[n - j];
    double y;
    if (!scanForRoot(n, reversed.data(), points, tolerance, &y) || y == 0.0)
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

int barstw(int n, const double* a, double* quotient, double tolerance, int* iterations, double* u, double* v)
{
    // The correction reads c[n - 4]: below degree 4 there is nothing to
    // iterate on.
    if (n < 4 || n > kMaxLpcOrder)
        return 0;
    std::array<double, kMaxLpcOrder + 1> b;
    double uu = 2.0, vv = -1.0;
    double relU = 1.0, relV = 1.0;
    for (int it = 0; it < *iterations; ++it) {
        // b = a / (z^2 - uu z - vv) and c = b / (z^2 - uu z - vv) in one
        // pass, the two terms before each carried in registers. The older
        // term is added first: the chain through the newest is one multiply
        // and one add long.
        double b2 = a[0], b1 = a[1] + uu * a[0];
        double c2 = b2, c1 = b1 + uu * c2;
        b[0] = b2;
        b[1] = b1;
        for (int j = 2; j <= n - 3; ++j) {
            const double bj = (a[j] + vv * b2) + uu * b1;
            const double cj = (bj + vv * c2) + uu * c1;
            b[j] = bj;
            b2 = b1;
            b1 = bj;
            c2 = c1;
            c1 = cj;
        }
        // c1 = c[n - 3], c2 = c[n - 4].
        for (int j = n - 2; j <= n - 1; ++j)
            b[j] = (a[j] + vv * b[j - 2]) + uu * b[j - 1];
        b[n] = a[n] + vv * b[n - 2];
        if (it > 0 && relU < tolerance && relV < tolerance) {
            std::copy(b.begin(), b.begin() + (n - 1), quotient);
            *u = uu;
            *v = vv;
            return 1;
        }
        const double R = b[n - 1], S = b[n];
        const double C = b[n - 2] + vv * c2;
        const double D = uu * C * c1 + C * C - vv * c1 * c1;
        if (D == 0.0 || !std::isfinite(D))
            return 0;
        const double du = -(R * C - S * c1) / D;
        const double dv = -(S * (uu * c1 + C) - R * vv * c1) / D;
        const double uBefore = uu, vBefore = vv;
        uu += du;
        vv += dv;
        relU = std::fabs(du) / std::max(std::fabs(uBefore), 1.0);
        const double vScale = std::max(std::fabs(vBefore), std::fabs(vv));
        relV = vScale > 0 ? std::fabs(dv) / vScale : 0.0;
    }
    return 0;
}

int frwbkw(int n, const double* a, double* quotient, double* u, double* v, int iterations, double tolerance)
{
    // The iteration reads q[n - 4]: below degree 4 it has nothing to use.
    if (n < 4 || n > kMaxLpcOrder)
        return 0;
    std::array<double, kMaxLpcOrder + 1> Q, q, b;
    for (double s : {0.0, 0.5, 1.0, 1.5, 2.0}) {
        // Q(z) = a(z + s).
        std::copy(a, a + n + 1, Q.begin());
        for (int i = 0; i < n; ++i)
            for (int j = 1; j <= n - i; ++j)
                Q[j] -= s * Q[j - 1];
        double uu = 2.0, vv = -1.0;
        for (int it = 0; it < iterations; ++it) {
            q[0] = Q[0];
            q[1] = Q[0] * uu + Q[1];
            for (int j = 2; j <= n - 2; ++j)
                q[j] = q[j - 2] * vv + q[j - 1] * uu + Q[j];
            const double qn2 = q[n - 2];
            if (qn2 == 0.0)
                break;
            const double t1 = q[n - 3] / qn2;
            const double t2 = q[n - 4] / qn2;
            const double e1 = Q[n - 1] - t1 * Q[n];
            const double e2 = Q[n - 2] - t1 * e1 - t2 * Q[n];
            if (e2 == 0.0)
                break;
            const double vNew = -Q[n] / e2;
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

bool rootsub(int n, double maxBandwidth, std::vector<double>& a, double fs, RootRecord& out)
{
    out.factors.clear();
    out.freq.clear();
    out.bandwidth.clear();
    if (n < 2)
        return true;
    if (n > kMaxLpcOrder)
        return false;
    std::array<double, kMaxLpcOrder + 1> quotient;
    // The predictor itself, for polishing: a is deflated as factors go.
    std::array<double, kMaxLpcOrder + 1> whole;
    std::copy(a.begin(), a.begin() + n + 1, whole.begin());
    std::vector<std::complex<double>> polished;
    int d = n;
    while (d > 1) {
        double b, c;
        if (d == 2) {
            b = a[1];
            c = a[2];
        } else {
            double u = 0, v = 0;
            int result = factor(d, a.data(), quotient.data(), &u, &v);
            if (result == 0)
                result = newtonFactor(d, a.data(), quotient.data(), &u, &v);
            if (result == 0)
                return false;
            if (result == 1) {
                // A real root: refined on the whole predictor, then divided
                // out of the polynomial as it stands.
                std::complex<double> x(u, 0.0);
                if (polish(n, whole.data(), x) && std::fabs(x.imag()) <= kSameRoot * std::abs(x)) {
                    quotient[0] = a[0];
                    for (int j = 1; j < d; ++j)
                        quotient[j] = quotient[j - 1] * x.real() + a[j];
                }
                --d;
                std::copy(quotient.begin(), quotient.begin() + d + 1, a.begin());
                continue;
            }
            b = -u;
            c = -v;
        }
        QuadraticRoot r = cmpfb2(b, c, fs);
        bool usable = true;
        if (r.zimag > 0) {
            // The pair's root refined against the whole predictor. One that
            // does not settle, or settles on a root already found, means
            // the factoring has lost a root, and with it the numbering of
            // the formants: none is reported rather than wrong ones.
            std::complex<double> z(r.zreal, r.zimag);
            usable = polish(n, whole.data(), z) && z.imag() > 0;
            for (const std::complex<double>& other : polished)
                usable = usable && std::norm(z - other) > kSameRoot * kSameRoot * std::norm(z);
            if (!usable)
                return false;
            if (usable) {
                polished.push_back(z);
                b = -2 * z.real();
                c = std::norm(z);
                r = cmpfb2(b, c, fs);
                // The factor of the refined pair leaves the more accurate
                // quotient for the factors still to come.
                if (d > 2) {
                    std::array<double, kMaxLpcOrder + 1> divided;
                    bairstowDivide(d, a.data(), -b, -c, divided.data());
                    std::copy(divided.begin(), divided.begin() + (d - 1), quotient.begin());
                }
            }
        }
        out.factors.push_back({b, c, r.zreal, r.zimag});
        // A formant is a root inside the unit circle: its bandwidth is above 0.
        if (usable && r.tbandw > 0 && r.tbandw <= maxBandwidth) {
            out.freq.push_back(r.tfreq);
            out.bandwidth.push_back(r.tbandw);
        }
        d -= 2;
        if (d > 1)
            std::copy(quotient.begin(), quotient.begin() + d + 1, a.begin());
    }
    // Insertion sort: equal frequencies keep the order they were found in.
    for (std::size_t i = 1; i < out.freq.size(); ++i) {
        const double f = out.freq[i], bw = out.bandwidth[i];
        std::size_t j = i;
        for (; j > 0 && out.freq[j - 1] > f; --j) {
            out.freq[j] = out.freq[j - 1];
            out.bandwidth[j] = out.bandwidth[j - 1];
        }
        out.freq[j] = f;
        out.bandwidth[j] = bw;
    }
    return true;
}

std::optional<RootRecord> rootsub(int n, double maxBandwidth, std::vector<double>& a, double fs)
{
    RootRecord out;
    if (!rootsub(n, maxBandwidth, a, fs, out))
        return std::nullopt;
    return out;
}

} // namespace vx
