#pragma once
// The pitch track and the intensity contour of a channel, as the main view
// computes them, without the view: callable from any thread, with progress
// and cancel flags that another thread may read and set.

#include "app/Settings.h"

#include <atomic>
#include <cstddef>
#include <optional>
#include <algorithm>
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

// The intensity contour held as one level per frame. Per sample it answers
// what DoIntensityFloat writes, bit for bit: each sample carries the level
// of the last frame that covers it, samples after the last frame that
// frame's level, and samples no frame reaches the level of silence before
// the shift (0 shifted with the others).
class IntensityContour {
public:
    IntensityContour() = default;
    // Frames `width` samples long every `step` samples from sample 0, over
    // `samples` samples, with these levels (minimum and maximum are left 0).
    IntensityContour(std::vector<float> levels, double step, long width, long samples)
        : m_levels(std::move(levels)), m_samples(samples), m_width(width), m_step(step)
    {
    }

    double minimum = 0, maximum = 0;

    // Samples the contour spans.
    std::size_t size() const { return static_cast<std::size_t>(m_samples); }
    // The level of sample i, i < size().
    float at(long i) const;
    // The highest level of samples [from, to), clamped to the contour;
    // `none` for an empty stretch.
    float highest(long from, long to, float none) const;
    std::size_t frames() const { return m_levels.size(); }

private:
    friend IntensityContour computeIntensity(const float*, double, const IntensityParams&, double);
    long frameStart(long k) const { return static_cast<long>(static_cast<double>(k) * m_step + m_start); }
    long frameEnd(long k) const { return std::min(frameStart(k) + m_width, m_samples); }
    // The last frame starting at or before sample i, or -1.
    long lastFrameFrom(long i) const;

    std::vector<float> m_levels;
    float m_uncovered = 0;
    long m_samples = 0, m_width = 0;
    double m_step = 1, m_start = 0;
};

IntensityContour computeIntensity(const float* samples, double dataLength, const IntensityParams& params,
                                  double startPoint = 0);

// Mean of the non-zero pitch values whose frame times lie inside the
// selection [selStart, selStop] ms; 0 when there are none.
double averagePitch(const PitchTrack& t, double selStart, double selStop);

// The time in ms at which frame k is drawn.
double pitchFrameTime(const PitchTrack& t, int k);

} // namespace vx
