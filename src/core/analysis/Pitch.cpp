// Cepstral pitch of one frame.

#include "analysis/MathFunc.h"

#include <algorithm>
#include <cmath>

namespace vx {

namespace {

// The dB spectrum is floored this far below the frame's loudest bin before
// the second transform, so that the faint, regular fine structure of the
// deepest valleys cannot outweigh the harmonics in the cepstrum.
constexpr double kCepstrumFloorDb = 60.0;

// 10 log10(p) = kDbPerNeper ln(p).
constexpr double kDbPerNeper = 4.3429448190325182765;

bool allowedLength(int N)
{
    return N == 128 || N == 256 || N == 512 || N == 1024 || N == 2048 || N == 4096;
}

int log2Of(int N)
{
    int m = 0;
    while ((1 << m) < N)
        ++m;
    return m;
}

} // namespace

CepstralRange cepstralRange(double fs, double low, double high)
{
    CepstralRange r{};
    r.qLo = static_cast<int>(fs / high);
    r.qHi = static_cast<int>(fs / low);
    r.span = r.qHi - r.qLo;
    // At most 22000 interpolated points: a wide range lowers the factor.
    if (10 * r.span <= 22000) {
        r.f = 10;
        r.M = 10 * r.span;
    } else {
        r.f = 22000 / r.span;
        r.M = r.f * r.span;
    }
    r.i0 = static_cast<int>(r.f * fs / high);
    r.i1 = static_cast<int>(r.f * fs / low);
    return r;
}

// The knots are the integers 0 .. span - 1, so the interval that splint's
// bisection finds for abscissa t*span/M is known directly (abscissae past
// the last knot use the last interval, as the bisection does), and the
// weights of splint's formula (with h = 1) can be computed once.
const CMathFunc::UpsamplingTable& CMathFunc::upsampling(int span, int M)
{
    UpsamplingTable& u = m_upsampling;
    if (u.span == span && u.M == M)
        return u;
    u.span = span;
    u.M = M;
    const std::size_t n = static_cast<std::size_t>(M);
    u.lo.resize(n);
    u.a.resize(n);
    u.b.resize(n);
    u.a3.resize(n);
    u.b3.resize(n);
    for (int t = 0; t < M; ++t) {
        const double x = static_cast<double>(t) * span / M;
        const int lo = std::min(static_cast<int>(x), span - 2) + 1; // 1-based, knot abscissa lo - 1
        const double a = lo - x;
        const double b = x - (lo - 1);
        const std::size_t k = static_cast<std::size_t>(t);
        u.lo[k] = lo;
        u.a[k] = a;
        u.b[k] = b;
        u.a3[k] = a * a * a - a;
        u.b3[k] = b * b * b - b;
    }
    return u;
}

// spline() with the knots 0 .. span - 1 and natural ends, on 1-based
// tables: the pivots are the same for every frame, so their reciprocals
// are kept and the recurrences multiply instead of divide.
void CMathFunc::unitSpline(const double* y, int span, double* y2)
{
    UnitSpline& s = m_unitSpline;
    const std::size_t n = static_cast<std::size_t>(span) + 1;
    if (s.span != span) {
        s.span = span;
        s.factor.assign(n, 0.0);
        s.inversePivot.assign(n, 0.0);
        for (int i = 2; i <= span - 1; ++i) {
            const std::size_t k = static_cast<std::size_t>(i);
            const double p = 0.5 * s.factor[k - 1] + 2.0;
            s.factor[k] = -0.5 / p;
            s.inversePivot[k] = 1.0 / p;
        }
    }
    m_u.resize(n);
    double* u = m_u.data();
    u[1] = 0.0;
    for (int i = 2; i <= span - 1; ++i) {
        const double d = (y[i + 1] - y[i]) - (y[i] - y[i - 1]);
        u[i] = (3.0 * d - 0.5 * u[i - 1]) * s.inversePivot[static_cast<std::size_t>(i)];
    }
    y2[1] = 0.0;
    y2[span] = 0.0;
    for (int k = span - 1; k >= 2; --k)
        y2[k] = s.factor[static_cast<std::size_t>(k)] * y2[k + 1] + u[k];
}

double CMathFunc::DoPitchCepstrumFloat(const float* samples, double start, double dataLength, double fs,
                                       double low, double high, int N, int W)
{
    if (!allowedLength(N))
        return -1.0;
    W = std::clamp(W, 0, N);
    const int half = N / 2;
    m_re.resize(static_cast<std::size_t>(half) + 1);
    m_im.resize(static_cast<std::size_t>(half) + 1);

    // Only the first W samples of the frame are used; past the end of the
    // data the frame counts as zero. The real transform takes the even
    // samples in m_re and the odd ones in m_im.
    const long s0 = static_cast<long>(start);
    const long available = static_cast<long>(dataLength) - s0;
    const int take = static_cast<int>(std::clamp<long>(available, 0, W));
    const double* w = hamming(std::max(W, 1)).data();
    const float* x = samples + s0;
    double* re = m_re.data();
    double* im = m_im.data();
    for (int i = 0; i < take / 2; ++i) {
        re[i] = x[2 * i] * w[2 * i];
        im[i] = x[2 * i + 1] * w[2 * i + 1];
    }
    if (take % 2) {
        re[take / 2] = x[take - 1] * w[take - 1];
        im[take / 2] = 0.0;
    }
    std::fill(re + (take + 1) / 2, re + half, 0.0);
    std::fill(im + (take + 1) / 2, im + half, 0.0);

    const int m = log2Of(N);
    realFFT(m_re.data(), m_im.data(), m);
    // dB levels of bins 0 .. N/2; bin N - k has the level of bin k.
    m_work.resize(static_cast<std::size_t>(half) + 1);
    double* level = m_work.data();
    double loudest = -HUGE_VAL;
    for (int k = 0; k <= half; ++k) {
        const std::size_t i = static_cast<std::size_t>(k);
        const double power = m_re[i] * m_re[i] + m_im[i] * m_im[i];
        level[k] = power == 0 ? 0.0 : kDbPerNeper * std::log(power);
        loudest = std::max(loudest, level[k]);
    }
    const double floorDb = loudest - kCepstrumFloorDb;
    for (int k = 0; k <= half; ++k)
        level[k] = std::max(level[k], floorDb);
    for (int i = 0; i < half; ++i) {
        const int even = 2 * i, odd = 2 * i + 1;
        m_re[static_cast<std::size_t>(i)] = level[even <= half ? even : N - even];
        m_im[static_cast<std::size_t>(i)] = level[odd <= half ? odd : N - odd];
    }
    realFFT(m_re.data(), m_im.data(), m);
    // The power cepstrum, bins 0 .. N/2 - 1; bins above count as 0.
    m_cepstrum.resize(static_cast<std::size_t>(half));
    for (std::size_t q = 0; q < m_cepstrum.size(); ++q)
        m_cepstrum[q] = m_re[q] * m_re[q] + m_im[q] * m_im[q];

    const CepstralRange range = cepstralRange(fs, low, high);
    const int qLo = range.qLo, span = range.span, f = range.f, M = range.M;
    if (span < 2 || qLo < 0 || f < 1)
        return 0.0;

    m_y.resize(static_cast<std::size_t>(span) + 1);
    m_y2.resize(static_cast<std::size_t>(span) + 1);
    for (int j = 0; j < span; ++j) {
        const int q = qLo + j;
        m_y[static_cast<std::size_t>(j) + 1] = q < half ? m_cepstrum[static_cast<std::size_t>(q)] : 0.0;
    }
    unitSpline(m_y.data(), span, m_y2.data());

    const int i0 = range.i0, i1 = range.i1;
    const UpsamplingTable& table = upsampling(span, M);
    const double* ya = m_y.data();
    const double* y2 = m_y2.data();
    // Value t stands for the quefrency qLo + t/f, so it belongs at position
    // f*qLo + t; the search covers positions i0 .. i1 - 1.
    const int first = std::max(0, i0 - f * qLo);
    const int last = std::min(M, i1 - f * qLo);
    // Every f-th value lies on a knot and equals it exactly, so the largest
    // knot in the search is a floor under the peak. Between knots j and
    // j + 1 the spline stays below the larger knot plus an eighth of the
    // larger |y2|: an interval whose bound, with a margin far above any
    // rounding, is under that floor cannot hold the peak and is skipped.
    // The interval past the last knot extrapolates and is always evaluated.
    double floorValue = 0;
    for (int j = (first + f - 1) / f; j * f < last && j < span; ++j)
        floorValue = std::max(floorValue, ya[j + 1]);
    double best = 0;
    int bestAt = -1;
    for (int j = first / f; j * f < last; ++j) {
        const bool extrapolating = j >= span - 2;
        if (!extrapolating) {
            const double top = std::max(ya[j + 1], ya[j + 2]);
            const double bend = std::max(std::fabs(y2[j + 1]), std::fabs(y2[j + 2]));
            if (top + bend / 8 + 1e-9 * (std::fabs(top) + bend) < floorValue)
                continue;
        }
        const int to = extrapolating ? last : std::min(last, (j + 1) * f);
        for (int t = std::max(first, j * f); t < to; ++t) {
            const std::size_t k = static_cast<std::size_t>(t);
            const int lo = table.lo[k];
            const double v = table.a[k] * ya[lo] + table.b[k] * ya[lo + 1]
                           + (table.a3[k] * y2[lo] + table.b3[k] * y2[lo + 1]) / 6.0;
            if (v > best) {
                best = v;
                bestAt = f * qLo + t;
            }
        }
        if (extrapolating)
            break;
    }
    if (bestAt < 0)
        return 0.0;
    // A largest value on the search's edge is the cepstrum still rising
    // beyond it (towards the envelope's part at short quefrencies), not a
    // period: the largest maximum inside the search is the pitch, or the
    // frame has none.
    if (bestAt == f * qLo + first || bestAt == f * qLo + last - 1) {
        const auto value = [&](int t) {
            const std::size_t k = static_cast<std::size_t>(t);
            const int lo = table.lo[k];
            return table.a[k] * ya[lo] + table.b[k] * ya[lo + 1]
                 + (table.a3[k] * y2[lo] + table.b3[k] * y2[lo + 1]) / 6.0;
        };
        best = 0;
        bestAt = -1;
        if (last - first >= 3) {
            double before = value(first), here = value(first + 1);
            for (int t = first + 1; t < last - 1; ++t) {
                const double next = value(t + 1);
                if (here > before && here >= next && here > best) {
                    best = here;
                    bestAt = f * qLo + t;
                }
                before = here;
                here = next;
            }
        }
        if (bestAt < 0)
            return 0.0;
    }
    const double pitch = fs / (static_cast<double>(bestAt) / f);
    return pitch >= low && pitch <= high ? pitch : 0.0;
}

void DoIntensityFloat(const float* x, float* output, double* minimum, double* maximum, double offset, double start,
                      double window, double step, double dataLength, bool relative, bool linear)
{
    const long n = static_cast<long>(dataLength);
    const long K = step > 0 ? static_cast<long>((dataLength - window) / step) : 0;
    const long width = static_cast<long>(window);
    float level = 0;
    long lastEnd = 0;
    for (long k = 0; k < K; ++k) {
        const long s = static_cast<long>(k * step + start);
        const long e = std::min(s + width, n);
        double sum = 0;
        for (long i = std::max(s, 0L); i < e; ++i) {
            const double v = x[i] - offset;
            sum += v * v;
        }
        const double meanSquare = sum / window;
        if (linear)
            level = static_cast<float>(meanSquare);
        else
            level = static_cast<float>(meanSquare > 0 ? 10.0 * std::log10(meanSquare) : kSilenceLevelDb);
        for (long i = std::max(s, 0L); i < e; ++i)
            output[i] = level;
        lastEnd = e;
    }
    if (K > 0)
        for (long i = std::max(lastEnd, 0L); i < n; ++i)
            output[i] = level;

    double lo = 1e9, hi = -1e9;
    for (long i = 0; i < n; ++i) {
        lo = std::min(lo, double(output[i]));
        hi = std::max(hi, double(output[i]));
    }
    if (n <= 0)
        lo = hi = 0;
    if (hi < 0 && lo < 0) {
        const double shift = lo + hi;
        for (long i = 0; i < n; ++i)
            output[i] = static_cast<float>(output[i] - shift);
        const double newLo = std::fabs(hi), newHi = std::fabs(lo);
        lo = newLo;
        hi = newHi;
    } else if (hi >= 0 && lo < 0) {
        for (long i = 0; i < n; ++i)
            output[i] = static_cast<float>(output[i] - lo);
        hi -= lo;
        lo = 0;
    }
    if (relative) {
        for (long i = 0; i < n; ++i)
            output[i] = static_cast<float>(output[i] - lo);
        hi -= lo;
        lo = 0;
    }
    *minimum = lo;
    *maximum = hi;
}

} // namespace vx
