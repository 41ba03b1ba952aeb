#pragma once
// Speech-like test signals: pulses or noise through two-pole formant
// resonators, the way a vocal tract shapes a glottal source.

#include <algorithm>
#include <cmath>
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
    double peak = 0;
    for (const double v : x)
        peak = std::max(peak, std::fabs(v));
    return peak;
}

} // namespace vxtest
