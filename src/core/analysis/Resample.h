#pragma once
// Band-limited resampling of stretches of a recording, for analyses that
// look at the signal at a lower rate (LPC below a formant ceiling). A
// Kaiser-windowed sinc, made once per pair of rates; any number of threads
// may use one instance at once.

#include <vector>

namespace vx {

class Resampler {
public:
    // Both rates in Hz, finite and positive. Below the input rate the
    // signal is low-passed at half the output rate.
    Resampler(double inRate, double outRate);

    double inRate() const { return m_in; }
    double outRate() const { return m_out; }

    // out[i] = the signal at input position first + i * inRate / outRate
    // (in samples, fractional), for i < count. Samples before 0, at or past
    // dataLength and samples that are not finite count as zero.
    void segment(const float* samples, long dataLength, double first, int count, double* out) const;

private:
    double kernel(double d) const;

    double m_in, m_out, m_ratio, m_reach;
    std::vector<double> m_table; // the kernel over 0 ... kZeroCrossings output periods
};

} // namespace vx
