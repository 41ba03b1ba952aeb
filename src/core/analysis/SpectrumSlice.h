#pragma once
// The spectrum slice: the FFT spectrum at one position or averaged over a
// selection, the LPC envelope of the last frame aligned to the spectrum's
// maximum, and up to five formants with bandwidths.
//
// A frame's FFT sees the applied window's samples under a Hamming window of
// their own length; its LPC sees a frame of `lpcOrder` ms centred on them,
// or under a formant ceiling the frame ceilingLpc() describes.

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
    // Hz, 0 for none: below half the sample rate the LPC follows
    // ceilingLpc() instead of lpcOrder.
    double formantCeiling = 0;
};

struct SliceResult {
    std::vector<double> fft; // relative dB, minimum 0, one per Hz
    // The envelope, peak equal to fftMax, one per Hz up to the frequency
    // range or the formant ceiling, whichever is lower.
    std::vector<double> lpc;
    double fftMax = 0; // the highest point of fft
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

// Frames further than this before the last weigh less than 2^-64 in the
// average and are not analysed; the first frame still gives its formants.
constexpr long kSliceFramesThatCount = 64;

// The largest frequency range the display allows at a rate.
int sliceFrequencyLimit(double sampleRate);

// The LPC order the slice uses: the setting's, or the ceiling's.
int sliceLpcOrder(const SliceParams& params);

// Empty when the slice can be computed with these parameters; otherwise a
// sentence naming the first unusable setting, its value and what it must be.
std::string sliceParamsProblem(const SliceParams& params);

// The formants and bandwidths (-1 where missing) of the LPC analysis of
// the frame centred on sample position `centre`, as the slice computes
// them.
struct SliceFormants {
    std::array<double, 5> formant{-1, -1, -1, -1, -1};
    std::array<double, 5> bandwidth{-1, -1, -1, -1, -1};
};
SliceFormants sliceFormantsAt(const float* samples, double dataLength, double centre, const SliceParams& params);

// Start and stop are sample positions (equal for the cursor). Frame k
// starts at trunc(start + k h) for the step h; frames follow while the one
// before ends before the stop. Samples past dataLength, and samples that
// are not finite, count as zero. Parameters
// that sliceParamsProblem rejects, or a start or stop that is not finite,
// give an empty result (no frames).
SliceResult computeSpectrumSlice(const float* samples, double dataLength, double startPoint, double stopPoint,
                                 const SliceParams& params, SliceControl* control = nullptr);

} // namespace vx
