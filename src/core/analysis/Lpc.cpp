// Linear prediction of a frame: autocorrelation, the Schur recursion and
// the levels of the inverse filter. The factoring of the predictor into
// formants is in PolynomialRoots.cpp.

#include "analysis/LpcKernels.h"
#include "analysis/MathFunc.h"
#include "analysis/VectorBuilds.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>

namespace vx {

VX_AVX2_CLONE void autocorrelate(const double* x, int n, int p, double* r)
{
    autocorrelationLoop(x, n, p, r);
}

void CMathFunc::autolpc(const double* x, int n, int p, LpcOut& out)
{
    if (p > kMaxLpcOrder) {
        std::fputs("Requested LPC order too large\n", stderr);
        p = kMaxLpcOrder;
    }
    p = std::max(p, 0);
    out.order = p;
    out.k.assign(static_cast<std::size_t>(p) + 1, 0.0);
    out.a.assign(static_cast<std::size_t>(p) + 1, 0.0);
    out.a[0] = 1.0;
    std::array<double, kMaxLpcOrder + 1> r;
    autocorrelate(x, n, p, r.data());
    out.error = r[0];
    if (p == 0)
        return;

    // The Schur recursion on the forward (ep) and backward (en) errors.
    std::array<double, kMaxLpcOrder> ep, en;
    for (int i = 0; i < p; ++i) {
        ep[i] = r[i + 1];
        en[i] = r[i];
    }
    double* k = out.k.data();
    k[1] = -ep[0] / en[0];
    en[0] += k[1] * ep[0];
    for (int m = 1; m < p; ++m) {
        for (int j = m; j < p; ++j) {
            const double oldEp = ep[j];
            ep[j] = oldEp + k[m] * en[j - m + 1];
            en[j - m + 1] += k[m] * oldEp;
        }
        k[m + 1] = -ep[m] / en[0];
        en[0] += k[m + 1] * ep[m];
    }
    out.error = en[0];

    // Step-up from the reflection coefficients to the predictor.
    double* a = out.a.data();
    a[1] = k[1];
    std::array<double, kMaxLpcOrder + 1> before;
    for (int m = 1; m < p; ++m) {
        std::copy(a, a + m + 1, before.begin());
        for (int i = 1; i <= m; ++i)
            a[i] = before[i] + k[m + 1] * before[m + 1 - i];
        a[m + 1] = k[m + 1];
    }
}

void CMathFunc::DoLPC(double* frame, int p, int n, double preEmphasis, int windowType, bool smooth, int P, int F,
                      double fs, bool roots, bool rootsOnly)
{
    m_work.resize(static_cast<std::size_t>(std::max(n, 0))); // windowed writes every sample
    windowed(frame, n, preEmphasis, windowType, m_work.data());
    autolpc(m_work.data(), n, p, m_lpc);
    if (roots) {
        m_pole.assign(m_lpc.a.begin(), m_lpc.a.end());
        // The record of the last frame is refilled, keeping its storage.
        if (!m_roots)
            m_roots.emplace();
        if (!rootsub(m_lpc.order, 600.0, m_pole, fs, *m_roots))
            m_roots.reset();
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
