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

// r[j] = sum of x[i] x[i + j] over i = 0 .. n-1-j, for j = 0 .. p. The
// inner loops run over the lags, which vectorises, and take four samples
// per pass over r while every lag lies in the frame. Each lag is still
// summed in ascending i: the result is that of a lag-by-lag loop.
[[gnu::always_inline]] inline void autocorrelationLoop(const double* x, int n, int p, double* r)
{
    std::fill(r, r + p + 1, 0.0);
    int i = 0;
    for (; i + 3 < n - p; i += 4)
        for (int j = 0; j <= p; ++j)
            r[j] = (((r[j] + x[i] * x[i + j]) + x[i + 1] * x[i + 1 + j]) + x[i + 2] * x[i + 2 + j])
                 + x[i + 3] * x[i + 3 + j];
    for (; i < n; ++i) {
        const int last = std::min(p, n - 1 - i);
        for (int j = 0; j <= last; ++j)
            r[j] += x[i] * x[i + j];
    }
}

// f[k] = a(x[k]) by Horner's rule for k < m, a of degree n with the leading
// coefficient first. The inner loops run over the points, which
// vectorises, and take two coefficients per pass over f. Each value is
// rounded as a point-by-point Horner loop rounds it.
[[gnu::always_inline]] inline void hornerPointsLoop(int n, const double* a, const double* x, int m, double* f)
{
    std::fill(f, f + m, a[0]);
    int j = 1;
    for (; j + 1 <= n; j += 2)
        for (int k = 0; k < m; ++k)
            f[k] = (f[k] * x[k] + a[j]) * x[k] + a[j + 1];
    for (; j <= n; ++j)
        for (int k = 0; k < m; ++k)
            f[k] = f[k] * x[k] + a[j];
}

// The library's builds of the loops above.
void autocorrelate(const double* x, int n, int p, double* r);
void hornerPoints(int n, const double* a, const double* x, int m, double* f);

} // namespace vx
