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

double CMathFunc::DoPitchCepstrumFloat(const float* samples, double start, double dataLength, double fs,
                                       double low, double high, int N, int W)
{
    if (!allowedLength(N))
        return -1.0;
    W = std::clamp(W, 0, N);
    const std::size_t n = static_cast<std::size_t>(N);
    m_re.assign(n, 0.0);
    m_im.assign(n, 0.0);

    // Only the first W samples of the frame are used; past the end of the
    // data the frame counts as zero.
    const long s0 = static_cast<long>(start);
    const long available = static_cast<long>(dataLength) - s0;
    const long take = std::clamp<long>(available, 0, W);
    const std::vector<double>& w = hamming(std::max(W, 1));
    for (long i = 0; i < take; ++i)
        m_re[static_cast<std::size_t>(i)] = samples[s0 + i] * w[static_cast<std::size_t>(i)];

    const int m = log2Of(N);
    FFT_CODE_REAL(m_re.data(), m_im.data(), m);
    double loudest = -HUGE_VAL;
    for (std::size_t k = 0; k < n; ++k) {
        const double power = m_re[k] * m_re[k] + m_im[k] * m_im[k];
        m_re[k] = power == 0 ? 0.0 : 10.0 * std::log10(power);
        m_im[k] = 0.0;
        loudest = std::max(loudest, m_re[k]);
    }
    const double floorDb = loudest - kCepstrumFloorDb;
    for (std::size_t k = 0; k < n; ++k)
        m_re[k] = std::max(m_re[k], floorDb);
    FFT_CODE_REAL(m_re.data(), m_im.data(), m);
    // The power cepstrum, bins 0 .. N/2 - 1; bins above stay 0.
    m_cepstrum.assign(n, 0.0);
    for (std::size_t q = 0; q < n / 2; ++q)
        m_cepstrum[q] = m_re[q] * m_re[q] + m_im[q] * m_im[q];

    const CepstralRange range = cepstralRange(fs, low, high);
    const int qLo = range.qLo, span = range.span, f = range.f, M = range.M;
    if (span < 2 || qLo < 0 || f < 1)
        return 0.0;

    m_x.assign(static_cast<std::size_t>(span) + 1, 0.0);
    m_y.assign(static_cast<std::size_t>(span) + 1, 0.0);
    m_y2.assign(static_cast<std::size_t>(span) + 1, 0.0);
    for (int j = 0; j < span; ++j) {
        m_x[static_cast<std::size_t>(j) + 1] = j;
        const int q = qLo + j;
        m_y[static_cast<std::size_t>(j) + 1] = q < N ? m_cepstrum[static_cast<std::size_t>(q)] : 0.0;
    }
    spline(m_x.data(), m_y.data(), span, 1e30, 1e30, m_y2.data());

    const int i0 = range.i0, i1 = range.i1;
    const UpsamplingTable& table = upsampling(span, M);
    const double* ya = m_y.data();
    const double* y2 = m_y2.data();
    // Value t stands for the quefrency qLo + t/f, so it belongs at position
    // f*qLo + t; the search covers positions i0 .. i1 - 1.
    const int first = std::max(0, i0 - f * qLo);
    const int last = std::min(M, i1 - f * qLo);
    double best = 0;
    int bestAt = -1;
    for (int t = first; t < last; ++t) {
        const int lo = table.lo[static_cast<std::size_t>(t)];
        const double v = table.a[static_cast<std::size_t>(t)] * ya[lo] + table.b[static_cast<std::size_t>(t)] * ya[lo + 1]
                       + (table.a3[static_cast<std::size_t>(t)] * y2[lo] + table.b3[static_cast<std::size_t>(t)] * y2[lo + 1])
                             / 6.0;
        if (v > best) {
            best = v;
            bestAt = f * qLo + t;
        }
    }
    if (bestAt < 0)
        return 0.0;
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
        for (long i = lastEnd; i < n; ++i)
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
