#pragma once
// Formants below a ceiling, as phoneticians measure them: the signal
// resampled to twice the ceiling, five formants sought with order 10 in a
// 50 ms Hamming frame pre-emphasised from 50 Hz, and every root from 50 Hz
// to 50 Hz below the ceiling counted as a formant, however wide.
//
// The rule without a ceiling (order from the rate, the order read as ms,
// roots at least twice their bandwidth) leaves spare pole pairs at the
// resampled rate that split close formants (F2 and F3 of /i/), and it
// drops the broad F1 of a high voice.

#include <cmath>
#include <optional>

namespace vx {

struct CeilingLpc {
    double ceiling;     // Hz
    double rate;        // twice the ceiling
    int order = 10;
    int frameMs = 50;
    double preEmphasis; // from 50 Hz at the rate

    bool countsAsFormant(double frequency) const { return frequency >= 50 && frequency <= ceiling - 50; }
};

// None for a ceiling of 0 (off), or one at or above half the sample rate,
// which leaves nothing to resample.
inline std::optional<CeilingLpc> ceilingLpc(double ceiling, double sampleRate)
{
    if (!(ceiling > 0) || !(2 * ceiling < sampleRate))
        return std::nullopt;
    CeilingLpc c{ceiling, 2 * ceiling, 10, 50, std::exp(-2 * M_PI * 50 / (2 * ceiling))};
    return c;
}

} // namespace vx
