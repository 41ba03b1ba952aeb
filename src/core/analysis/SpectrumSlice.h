#pragma once
// The spectrum slice: the FFT spectrum at one position or averaged over a
// selection, the LPC envelope of the last frame aligned to the spectrum's
// maximum, and up to five formants with bandwidths.

#include <array>
#include <atomic>
#include <string>
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
    // The last frame held no signal (digital silence, or past the data):
    // its spectrum is flat (a range of at most 1e-6 dB), the averaged
    // spectrum is shown flat too, there is no envelope and there are no
    // formants.
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

// Empty when the slice can be computed with these parameters; otherwise a
// sentence naming the first unusable setting, its value and what it must be.
std::string sliceParamsProblem(const SliceParams& params);

// The formants and bandwidths (-1 where missing) of the LPC analysis of
// the one frame starting at sample `at`, as the slice computes them.
struct SliceFormants {
    std::array<double, 5> formant{-1, -1, -1, -1, -1};
    std::array<double, 5> bandwidth{-1, -1, -1, -1, -1};
};
SliceFormants sliceFormantsAt(const float* samples, double dataLength, double at, const SliceParams& params);

// Start and stop are sample positions (equal for the cursor). Samples past
// dataLength, and samples that are not finite, count as zero. Parameters
// that sliceParamsProblem rejects, or a start or stop that is not finite,
// give an empty result (no frames).
SliceResult computeSpectrumSlice(const float* samples, double dataLength, double startPoint, double stopPoint,
                                 const SliceParams& params, SliceControl* control = nullptr);

} // namespace vx
