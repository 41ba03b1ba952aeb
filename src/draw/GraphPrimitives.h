#pragma once
// The graph primitives of every view (main view, spectrogram, spectrum),
// drawn with a QPainter in picture coordinates (y down). They keep no state.

#include "analysis/PitchIntensity.h"
#include "model/SampleSummary.h"
#include "platform/Types.h"

#include <QColor>
#include <QPainter>

#include <array>
#include <cstdint>
#include <vector>

namespace vx {

// A 16-bit colour component is either off (0) or full (any other value).
QColor deviceColor(const RGBColor& c, double alpha = 1.0);

// Waveform with min/max decimation at four or more samples per column; the
// summary answers each column's extremes.
void DrawGraphFloat_1(QPainter& p, const SampleSummary* data, double pageMin, double pageMax, double yScale,
                      double zeroFraction, const Rect& rect, const RGBColor& colour, double referenceValue,
                      bool drawReference, const RGBColor& referenceColour);

// The contour's per-sample levels, a column's first and highest joined by
// a vertical line; yScale must not be negative.
void DrawIntensityFloat(QPainter& p, const IntensityContour* contour, double selectionStart, double selectionStop,
                        double pageMin, double pageMax, double yScale, const Rect& rect, const RGBColor& colour);

void DrawPitchTrackVoxtrace(QPainter& p, const std::vector<double>* data, double frameCount, double firstFrame,
                            double lastFrame, int left, int bottom, int verticalRange, int horizontalRange, int high,
                            int low, int dotScale);

void DrawFormantTrack(QPainter& p, const std::vector<std::array<std::uint16_t, 5>>& frames, const Rect& rect,
                      int maxFrequency, int frameCount, int dotScale);

// The step the time grid uses for a range drawn across `pixels` (spacing 0
// picks one; a given spacing is widened until its lines are a few pixels
// apart), and how many lines it has.
double timeGridStep(double range, int spacing, double pixels, int* count);
// One line of the time grid and its label (x and the label's extent in
// picture pixels); `shown` is false for a label that would overlap the one
// before it.
struct GridLabel {
    double x = 0, left = 0, right = 0;
    QString text;
    bool shown = true;
};
// A label that would run past `rightEdge` (the picture's) ends at it.
std::vector<GridLabel> timeGridLabels(const QFontMetrics& fm, const Rect& rect, double tmin, double tmax, int spacing,
                                      bool relativeLabels, double rightEdge = 1e300);
void TimeGrids(QPainter& p, const Rect& rect, int bottomInset, bool drawLines, double tmin, double tmax, int spacing,
               bool relativeLabels);

void DrawAnyGrid(QPainter& p, const Rect& rect, int low, int high, int grid, int orientation, bool labelsInside);

} // namespace vx
