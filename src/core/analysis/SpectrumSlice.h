#pragma once
// The spectrum slice: the FFT spectrum at one position or averaged over a
// selection, the LPC envelope of the last frame aligned to the spectrum's
// maximum, and up to five formants with bandwidths.

#include <array>
#include <atomic>
#include <vector>

namespace vx {

struct SliceParams {
    double sampleRate = 11025;
    int windowLength = 256;      // W, m_nFFTWindowLength
    int appliedWindowMs = 23;    // m_nFFTAppliedWindowLength
    int lpcOrder = 14;           // also the LPC frame in ms
    int averageStepMs = 10;
    int frequencyRange = 5000;   // Hz; one display point per Hz
};

struct SliceResult {
    std::vector<double> fft; // relative dB, minimum 0, one per Hz
    std::vector<double> lpc; // envelope, peak equal to fftMax
    double fftMax = 0;
    std::array<double, 5> formant{-1, -1, -1, -1, -1};
    std::array<double, 5> bandwidth{-1, -1, -1, -1, -1};
    int frames = 0;
    // The frames held no signal (digital silence): the spectrum is flat,
    // there is no envelope and there are no formants.
    bool silent = false;
    bool cancelled = false;
};

// Shared with a worker that computes a slice: progress in per cent of the
// frames, and a cancel request honoured between frames.
struct SliceControl {
    std::atomic<bool> cancel{false};
    std::atomic<int> progress{0};
};

// The largest frequency range the display allows at a rate.
int sliceFrequencyLimit(double sampleRate);

// The formants and bandwidths (-1 where missing) of the LPC analysis of
// the one frame starting at sample `at`, as the slice computes them.
struct SliceFormants {
    std::array<double, 5> formant{-1, -1, -1, -1, -1};
    std::array<double, 5> bandwidth{-1, -1, -1, -1, -1};
};
SliceFormants sliceFormantsAt(const float* samples, double dataLength, double at, const SliceParams& params);

// Start and stop are sample positions (equal for the cursor). Samples past
// dataLength count as zero.
SliceResult computeSpectrumSlice(const float* samples, double dataLength, double startPoint, double stopPoint,
                                 const SliceParams& params, SliceControl* control = nullptr);

} // namespace vx
