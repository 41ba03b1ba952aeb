#pragma once
// Speech-like test signals: pulses through two-pole formant resonators.

#include <algorithm>
#include <cmath>
#include <numeric>
#include <utility>
#include <vector>

namespace vxtest {

// A formant's frequency and bandwidth, in Hz.
using Formant = std::pair<double, double>;

// Filters x through one two-pole resonator per formant, in series. With
// `unityDcGain` each resonator is scaled to pass 0 Hz unchanged.
inline void resonate(std::vector<double>& x, double fs, const std::vector<Formant>& formants,
                     bool unityDcGain = false)
{
    for (const auto& [F, B] : formants) {
        const double rho = std::exp(-M_PI * B / fs);
        const double a1 = 2 * rho * std::cos(2 * M_PI * F / fs), a2 = -rho * rho;
        const double gain = unityDcGain ? 1 - a1 - a2 : 1.0;
        double y1 = 0, y2 = 0;
        for (double& v : x) {
            const double y = gain * v + a1 * y1 + a2 * y2;
            y2 = y1;
            y1 = y;
            v = y;
        }
    }
}

// The largest magnitude in x.
inline double peakOf(const std::vector<double>& x)
{
    return std::accumulate(x.begin(), x.end(), 0.0, [](double m, double v) { return std::max(m, std::fabs(v)); });
}

// n samples of unit pulses at f0 Hz, one where the phase (f0 / fs a sample) wraps.
inline std::vector<double> pulses(std::size_t n, double fs, double f0)
{
    std::vector<double> x(n, 0.0);
    double phase = 0;
    for (double& v : x) {
        phase += f0 / fs;
        if (phase >= 1) {
            phase -= 1;
            v = 1.0;
        }
    }
    return x;
}

// x as floats, scaled to a largest magnitude of `peak`.
inline std::vector<float> scaledTo(const std::vector<double>& x, double peak)
{
    std::vector<float> out(x.size());
    std::transform(x.begin(), x.end(), out.begin(), [k = peak / peakOf(x)](double v) { return float(k * v); });
    return out;
}

// A vowel of n samples: pulses at f0 through the formants, scaled to `peak`.
inline std::vector<float> vowel(std::size_t n, double fs, double f0, const std::vector<Formant>& formants,
                                double peak = 0.5)
{
    std::vector<double> x = pulses(n, fs, f0);
    resonate(x, fs, formants);
    return scaledTo(x, peak);
}

} // namespace vxtest
