#pragma once
// The pitch track and the intensity contour of a channel, as the main view
// computes them, without the view: callable from any thread, with progress
// and cancel flags that another thread may read and set.

#include "app/Settings.h"

#include <atomic>
#include <cstddef>
#include <optional>
#include <vector>

namespace vx {

struct PitchParams {
    double sampleRate = 11025;
    double windowMs = 35;     // m_dPitchWindowLength
    double stepMs = 10;       // m_dPitchStepSize
    double low = 50;          // m_dPitchCalculationLow
    double high = 500;        // m_dPitchCalculationHigh
    double deviation = 100;   // m_dFreqDeviation, Hz
    double thresholdPct = 1;  // m_dTrackingThreshHold, percent of the largest frame energy
};
// The pitch analysis of a channel at `sampleRate` with a document's pitch
// options: what the main view and the command line analyse with.
PitchParams pitchParams(const PitchOptions& s, double sampleRate);

// Window W in samples and FFT length N for a pitch window; a window that
// does not fit 4096 points is shortened to the longest whole number of ms
// that does, which is returned in windowMs.
struct PitchFrameSize {
    int W;
    int N;
    double windowMs;
};
PitchFrameSize pitchFrameSize(double sampleRate, double windowMs);

struct PitchTrack {
    std::vector<double> track; // Hz per frame, 0 = no pitch
    double frameCount = 0;     // (stop - start) / step; its integer part frames exist
    double startPoint = 0, stopPoint = 0;
    double startTime = 0, stopTime = 0;
    double windowMs = 0;       // the window actually used
};

struct AnalysisControl {
    std::atomic<bool> cancel{false};
    std::atomic<int> progress{0};
};

// Frames are estimated on up to `threads` threads; the tracking rules then
// run over the whole track. Returns nothing when cancelled.
std::optional<PitchTrack> computePitchTrack(const float* samples, double dataLength, const PitchParams& params,
                                            double startPoint, double stopPoint, double startTime,
                                            double stopTime, AnalysisControl* control = nullptr,
                                            unsigned threads = 2);

// The continuity, smoothing and voicing rules over raw estimates.
std::vector<double> applyTrackingRules(const std::vector<double>& raw, const std::vector<double>& energy,
                                       double frameCount, double deviation, double thresholdPct);

struct IntensityParams {
    double sampleRate = 11025;
    double windowMs = 30; // channel's m_dIntensityWindowLengthMS
    double stepMs = 10;   // channel's m_dIntensityStepSizeMS
    double offset = 0;    // channel's m_dReference
    bool relative = false;
};
// The intensity analysis of a channel with its options, rate and reference.
IntensityParams intensityParams(const IntensityOptions& s, double sampleRate, double reference);

struct IntensityContour {
    std::vector<float> level; // one per sample
    double minimum = 0, maximum = 0;
};

IntensityContour computeIntensity(const float* samples, double dataLength, const IntensityParams& params,
                                  double startPoint = 0);

// Mean of the non-zero pitch values whose frame times lie inside the
// selection [selStart, selStop] ms; 0 when there are none.
double averagePitch(const PitchTrack& t, double selStart, double selStop);

// The time in ms at which frame k is drawn.
double pitchFrameTime(const PitchTrack& t, int k);

} // namespace vx
