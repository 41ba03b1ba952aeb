#include "analysis/MathFunc.h"

#include <cmath>
#include <utility>
#include <vector>

namespace vx {

namespace {

// The h butterflies of one block of a stage, with twiddles (cr, ci): the
// one butterfly loop of every transform. The arrays never overlap, so the
// loop vectorises.
inline void butterflies(double* __restrict r0, double* __restrict i0, double* __restrict r1,
                        double* __restrict i1, const double* __restrict cr, const double* __restrict ci, int h)
{
    for (int j = 0; j < h; ++j) {
        const double tr = r1[j] * cr[j] - i1[j] * ci[j];
        const double ti = r1[j] * ci[j] + i1[j] * cr[j];
        r1[j] = r0[j] - tr;
        i1[j] = i0[j] - ti;
        r0[j] += tr;
        i0[j] += ti;
    }
}

} // namespace

// The twiddles of stage l (h = 2^(l-1) butterflies per block) do not depend
// on the transform length; they are stored from offset h - 1, made by the
// rotation recurrence the analyses have always used.
void CMathFunc::prepareTwiddles(int m)
{
    if (m <= m_twiddleStages)
        return;
    const std::size_t size = (std::size_t{1} << m) - 1;
    m_twiddleRe.resize(size);
    m_twiddleIm.resize(size);
    for (int l = m_twiddleStages + 1; l <= m; ++l) {
        const int h = 1 << (l - 1);
        const double angle = PI / h;
        const double wr = std::cos(angle);
        const double wi = -std::sin(angle);
        double ur = 1.0;
        double ui = 0.0;
        double* cr = m_twiddleRe.data() + h - 1;
        double* ci = m_twiddleIm.data() + h - 1;
        for (int j = 0; j < h; ++j) {
            cr[j] = ur;
            ci[j] = ui;
            const double next = ur * wr - ui * wi;
            ui = ur * wi + ui * wr;
            ur = next;
        }
    }
    m_twiddleStages = m;
}

void CMathFunc::FFT_CODE_REAL(double* re, double* im, int m)
{
    if (m <= 0)
        return;
    const int N = 1 << m;
    if (m_bitReversal.size() <= static_cast<std::size_t>(m))
        m_bitReversal.resize(static_cast<std::size_t>(m) + 1);
    std::vector<int>& swaps = m_bitReversal[static_cast<std::size_t>(m)];
    if (swaps.empty()) {
        for (int i = 0, j = 0; i < N - 1; ++i) {
            if (i < j) {
                swaps.push_back(i);
                swaps.push_back(j);
            }
            int k = N / 2;
            while (j >= k) {
                j -= k;
                k /= 2;
            }
            j += k;
        }
    }
    for (std::size_t s = 0; s < swaps.size(); s += 2) {
        std::swap(re[swaps[s]], re[swaps[s + 1]]);
        std::swap(im[swaps[s]], im[swaps[s + 1]]);
    }
    prepareTwiddles(m);
    for (int l = 1; l <= m; ++l) {
        const int h = 1 << (l - 1);
        const double* cr = m_twiddleRe.data() + h - 1;
        const double* ci = m_twiddleIm.data() + h - 1;
        for (int block = 0; block < N; block += 2 * h)
            butterflies(re + block, im + block, re + block + h, im + block + h, cr, ci, h);
    }
}

void CMathFunc::realFFT(double* re, double* im, int m)
{
    if (m <= 0)
        return;
    const int half = 1 << (m - 1);
    FFT_CODE_REAL(re, im, m - 1);
    prepareTwiddles(m);
    // Z = FFT(even + i odd). With E = (Z[k] + conj Z[half-k]) / 2 and
    // O = (Z[k] - conj Z[half-k]) / 2i, X[k] = E + w^k O and
    // X[half-k] = conj(E - w^k O), w^k being stage m's twiddle k.
    const double* cr = m_twiddleRe.data() + half - 1;
    const double* ci = m_twiddleIm.data() + half - 1;
    const double r0 = re[0], i0 = im[0];
    re[0] = r0 + i0;
    im[0] = 0.0;
    re[half] = r0 - i0;
    im[half] = 0.0;
    for (int k = 1; k < half - k; ++k) {
        const int j = half - k;
        const double er = 0.5 * (re[k] + re[j]), ei = 0.5 * (im[k] - im[j]);
        const double orr = 0.5 * (im[k] + im[j]), oi = -0.5 * (re[k] - re[j]);
        const double tr = cr[k] * orr - ci[k] * oi;
        const double ti = cr[k] * oi + ci[k] * orr;
        re[k] = er + tr;
        im[k] = ei + ti;
        re[j] = er - tr;
        im[j] = ti - ei;
    }
    if (half >= 2)
        im[half / 2] = -im[half / 2];
}

const std::vector<double>& CMathFunc::hamming(int n)
{
    if (m_windowLength != n) {
        std::swap(m_window, m_previousWindow);
        std::swap(m_windowLength, m_previousWindowLength);
    }
    if (m_windowLength != n) {
        // The periodic form: divided by n, not n - 1.
        m_window.resize(static_cast<std::size_t>(n));
        for (int i = 0; i < n; ++i)
            m_window[static_cast<std::size_t>(i)] = 0.54 - 0.46 * std::cos(i * dTWOPI / n);
        m_windowLength = n;
    }
    return m_window;
}

void CMathFunc::windowed(const double* x, int n, double preEmphasis, int windowType, double* out)
{
    const double* w = windowType == 1 ? hamming(n).data() : nullptr;
    for (int i = 0; i < n; ++i) {
        const double v = preEmphasis > 0 ? x[i + 1] - preEmphasis * x[i] : x[i];
        out[i] = w ? v * w[i] : v;
    }
}

namespace {

double levelDb(double re, double im)
{
    const double power = re * re + im * im;
    return power == 0 ? 0.0 : 10.0 * std::log10(power);
}

} // namespace

void CMathFunc::splineResample(double* frame, int points, int P, double step)
{
    m_x.assign(static_cast<std::size_t>(points) + 1, 0.0);
    m_y.assign(static_cast<std::size_t>(points) + 1, 0.0);
    m_y2.assign(static_cast<std::size_t>(points) + 1, 0.0);
    for (int k = 0; k < points; ++k) {
        m_x[static_cast<std::size_t>(k) + 1] = k;
        m_y[static_cast<std::size_t>(k) + 1] = frame[k];
    }
    spline(m_x.data(), m_y.data(), points, 1e30, 1e30, m_y2.data());
    for (int j = 0; j < P; ++j)
        splint(m_x.data(), m_y.data(), m_y2.data(), points, j * step, &frame[j]);
}

int CMathFunc::DoFFT_Real(double* frame, int n, double preEmphasis, int windowType, bool smooth, int P, int F,
                          double fs)
{
    int N = 1;
    int m = 0;
    while (N < n) {
        N *= 2;
        ++m;
    }
    if (N < 2) {
        N = 2;
        m = 1;
    }
    m_re.assign(static_cast<std::size_t>(N), 0.0);
    m_im.assign(static_cast<std::size_t>(N), 0.0);
    windowed(frame, n, preEmphasis, windowType, m_re.data());
    FFT_CODE_REAL(m_re.data(), m_im.data(), m);
    const int bins = n / 2;
    for (int k = 0; k < bins; ++k)
        frame[k] = levelDb(m_re[static_cast<std::size_t>(k)], m_im[static_cast<std::size_t>(k)]);
    if (!smooth)
        return 0;
    const double step = (F / (fs / 2)) * bins / P;
    splineResample(frame, bins, P, step);
    return 0;
}

void CMathFunc::spline(const double* x, const double* y, int n, double yp1, double ypn, double* y2)
{
    if (n < 2)
        return;
    m_u.assign(static_cast<std::size_t>(n) + 1, 0.0);
    double* u = m_u.data();
    if (yp1 > 0.99e30) {
        y2[1] = u[1] = 0.0;
    } else {
        y2[1] = -0.5;
        u[1] = (3.0 / (x[2] - x[1])) * ((y[2] - y[1]) / (x[2] - x[1]) - yp1);
    }
    for (int i = 2; i <= n - 1; ++i) {
        const double sig = (x[i] - x[i - 1]) / (x[i + 1] - x[i - 1]);
        const double p = sig * y2[i - 1] + 2.0;
        y2[i] = (sig - 1.0) / p;
        u[i] = (y[i + 1] - y[i]) / (x[i + 1] - x[i]) - (y[i] - y[i - 1]) / (x[i] - x[i - 1]);
        u[i] = (6.0 * u[i] / (x[i + 1] - x[i - 1]) - sig * u[i - 1]) / p;
    }
    double qn, un;
    if (ypn > 0.99e30) {
        qn = un = 0.0;
    } else {
        qn = 0.5;
        un = (3.0 / (x[n] - x[n - 1])) * (ypn - (y[n] - y[n - 1]) / (x[n] - x[n - 1]));
    }
    y2[n] = (un - qn * u[n - 1]) / (qn * y2[n - 1] + 1.0);
    for (int k = n - 1; k >= 1; --k)
        y2[k] = y2[k] * y2[k + 1] + u[k];
}

int CMathFunc::splintInterval(const double* xa, int n, double x)
{
    int lo = 1;
    int hi = n;
    while (hi - lo > 1) {
        const int k = (hi + lo) / 2;
        if (xa[k] > x)
            hi = k;
        else
            lo = k;
    }
    return lo;
}

int CMathFunc::splint(const double* xa, const double* ya, const double* y2a, int n, double x, double* y)
{
    const int lo = splintInterval(xa, n, x);
    const int hi = n > 1 ? lo + 1 : lo;
    const double h = xa[hi] - xa[lo];
    if (h == 0.0)
        return 1;
    const double a = (xa[hi] - x) / h;
    const double b = (x - xa[lo]) / h;
    *y = a * ya[lo] + b * ya[hi] + ((a * a * a - a) * y2a[lo] + (b * b * b - b) * y2a[hi]) * (h * h) / 6.0;
    return 0;
}

} // namespace vx
