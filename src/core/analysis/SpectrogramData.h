#pragma once
// The spectrogram's column analysis: one dB spectrum per pixel column,
// resampled to one value per pixel row, normalised to the dynamic range,
// with up to five LPC formants per column behind a silence gate.

#include "analysis/PitchIntensity.h"

#include <array>
#include <cstdint>
#include <vector>

namespace vx {

struct SpectrogramParams {
    int windowLength = 64;   // m_nSpecWindowLength, samples
    int dynamicRange = 55;   // dB
    double preEmphasis = 0.98;
    int frequencyRange = 5000; // Hz at the top row
    bool formantTracking = true;
    int lpcOrder = 14;
    double sampleRate = 11025;
    // Hz, 0 for none: below half the sample rate the formant tracks follow
    // ceilingLpc() instead of lpcOrder and preEmphasis.
    double formantCeiling = 0;
};

constexpr std::uint16_t kNoFormant = 0xFFFF;
using FormantSlots = std::array<std::uint16_t, 5>;

struct SpectrogramData {
    int columns = 0;
    int rows = 0;
    // Column-major: level(i, j) = levels[i * rows + j], row 0 at 0 Hz,
    // normalised to 0 ... dynamicRange.
    std::vector<double> levels;
    std::vector<FormantSlots> formants; // per column; empty without tracking
    bool haveFormants = false;

    double level(int column, int row) const { return levels[static_cast<std::size_t>(column) * rows + row]; }
};

// The LPC frame in samples at the LPC rate: the order read as
// milliseconds, or the ceiling's frame.
int spectrogramLpcFrame(const SpectrogramParams& p);
// The LPC order of the formant tracks: the setting's, or the ceiling's.
int spectrogramLpcOrder(const SpectrogramParams& p);

// FFT frames start at startPoint + i * (endPoint - startPoint) / columns;
// they are not centred. A column's LPC frame is centred on its FFT frame.
// Samples past dataLength count as zero; a null `samples` analyses
// silence.
SpectrogramData computeSpectrogram(const float* samples, double dataLength, double startPoint, double endPoint,
                                   int columns, int rows, const SpectrogramParams& params,
                                   AnalysisControl* control = nullptr, unsigned threads = 2);

} // namespace vx
