#pragma once
// The two loops of an LPC frame that vectorise (they and Bairstow's
// iteration, which cannot, take most of its time), as plain loops over
// arrays. The library builds each once through the functions at the end
// (with an AVX2 build beside the plain one where VectorBuilds.h allows); a
// test can build the loops again. The loops are always inlined, so that
// each caller compiles them for its own target.

#include <algorithm>

namespace vx {

// Predictor orders above this are capped: working arrays are sized by it.
constexpr int kMaxLpcOrder = 400;

// Samples taken per pass over the lags, and coefficients per pass over
// the points: each pass loads and stores its sums once.
constexpr int kPassLength = 8;

// r[j] = sum of x[i] x[i + j] over i = 0 .. n-1-j, for j = 0 .. p. The
// inner loops run over the lags, which vectorises. Each lag is still summed
// in ascending i: the result is that of a lag-by-lag loop.
[[gnu::always_inline]] inline void autocorrelationLoop(const double* x, int n, int p, double* r)
{
    std::fill(r, r + p + 1, 0.0);
    int i = 0;
    // While every lag of the samples of a pass lies in the frame.
    for (; i + kPassLength - 1 < n - p; i += kPassLength)
        for (int j = 0; j <= p; ++j) {
            double sum = r[j];
            for (int k = i; k < i + kPassLength; ++k)
                sum += x[k] * x[k + j];
            r[j] = sum;
        }
    for (; i < n; ++i) {
        const int last = std::min(p, n - 1 - i);
        for (int j = 0; j <= last; ++j)
            r[j] += x[i] * x[i + j];
    }
}

// f[k] = a(x[k]) by Horner's rule for k < m, a of degree n with the leading
// coefficient first. The inner loops run over the points, which
// vectorises. Each value is rounded as a point-by-point Horner loop rounds
// it.
[[gnu::always_inline]] inline void hornerPointsLoop(int n, const double* a, const double* x, int m, double* f)
{
    std::fill(f, f + m, a[0]);
    int j = 1;
    for (; j + kPassLength - 1 <= n; j += kPassLength)
        for (int k = 0; k < m; ++k) {
            double v = f[k];
            for (int c = j; c < j + kPassLength; ++c)
                v = v * x[k] + a[c];
            f[k] = v;
        }
    for (; j <= n; ++j)
        for (int k = 0; k < m; ++k)
            f[k] = f[k] * x[k] + a[j];
}

// The library's builds of the loops above.
void autocorrelate(const double* x, int n, int p, double* r);
void hornerPoints(int n, const double* a, const double* x, int m, double* f);

} // namespace vx
