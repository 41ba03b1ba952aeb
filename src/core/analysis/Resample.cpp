#include "analysis/Resample.h"

#include <algorithm>
#include <cmath>

namespace vx {

namespace {

// 24 zero crossings each side and a Kaiser window of beta 9 keep what is
// folded back from above the new half rate about 90 dB down.
constexpr int kZeroCrossings = 24;
constexpr int kSteps = 1024; // table points per zero crossing
constexpr double kBeta = 9.0;

double besselI0(double x)
{
    double sum = 1, term = 1;
    for (int k = 1; k < 60; ++k) {
        term *= (x / (2 * k)) * (x / (2 * k));
        sum += term;
        if (term < 1e-17 * sum)
            break;
    }
    return sum;
}

} // namespace

Resampler::Resampler(double inRate, double outRate)
    : m_in(inRate), m_out(outRate), m_ratio(std::min(1.0, outRate / inRate)), m_reach(kZeroCrossings / m_ratio),
      m_table(static_cast<std::size_t>(kZeroCrossings * kSteps) + 2)
{
    const double norm = besselI0(kBeta);
    for (std::size_t i = 0; i < m_table.size(); ++i) {
        const double u = static_cast<double>(i) / kSteps;
        const double edge = u / kZeroCrossings;
        const double window = edge >= 1 ? 0.0 : besselI0(kBeta * std::sqrt(1 - edge * edge)) / norm;
        const double sinc = u == 0 ? 1.0 : std::sin(M_PI * u) / (M_PI * u);
        m_table[i] = sinc * window;
    }
}

// The kernel at a distance of d input samples, scaled for unit gain.
double Resampler::kernel(double d) const
{
    const double u = std::fabs(d) * m_ratio * kSteps;
    const auto i = static_cast<std::size_t>(u);
    if (i + 1 >= m_table.size())
        return 0.0;
    const double f = u - static_cast<double>(i);
    return m_ratio * (m_table[i] + f * (m_table[i + 1] - m_table[i]));
}

void Resampler::segment(const float* samples, long dataLength, double first, int count, double* out) const
{
    const double step = m_in / m_out;
    const long end = samples ? dataLength : 0;
    for (int i = 0; i < count; ++i) {
        const double centre = first + i * step;
        const long from = std::max(0L, static_cast<long>(std::ceil(centre - m_reach)));
        const long to = std::min(end - 1, static_cast<long>(std::floor(centre + m_reach)));
        double sum = 0;
        for (long n = from; n <= to; ++n) {
            const double v = samples[n];
            if (std::isfinite(v))
                sum += v * kernel(centre - static_cast<double>(n));
        }
        out[i] = sum;
    }
}

} // namespace vx
