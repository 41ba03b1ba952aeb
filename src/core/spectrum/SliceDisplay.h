#pragma once
// What the spectrum-slice window shows, computed without a window: which
// channel it reads, the analysis parameters and the settings check, the
// graph's layout, the spectrum and envelope polylines, the grids with their
// labels, the readouts and the cursor and marker. The window draws these.
//
// Pixel coordinates have y down.

#include "analysis/SpectrumSlice.h"
#include "app/Settings.h"
#include "document/Document.h"

#include <optional>
#include <string>
#include <vector>

namespace vx {

// The first channel of type 1 among the document's channels, else channel
// 0; -1 when the document has no samples.
int sliceChannel(const Document& d);

// The samples a slice reads: never beyond what the channel holds.
struct SliceSource {
    const float* samples = nullptr;
    double length = 0;
    double rate = 0;
};
SliceSource sliceSource(const Channels& c);

// The slice's analysis from the FFT/LPC options: what the window and the
// command line compute with.
SliceParams sliceParams(const FFTOptions& s, double sampleRate);

// Why the settings cannot be analysed, for an alert: empty `message` when
// they can.
struct SliceProblem {
    std::string message;
    std::string informative;
    bool any() const { return !message.empty(); }
};
SliceProblem checkSliceSettings(const Settings& s, double sampleRate);

// The values above the graph, each "%d".
struct SliceReadouts {
    std::string sampleRate, bandwidth, windowLength, lpcCoefficients, appliedWindow, averageStep;
};
SliceReadouts sliceReadouts(const Settings& s, double sampleRate);

// "Formants = \t...\nBandwidths = \t...", or the sentence of a silent result.
std::string sliceFormantText(const SliceResult& r);
extern const char* const kSliceSilentText;

struct SliceRect {
    int left = 0, top = 0, right = 0, bottom = 0;
    int width() const { return right - left; }
    int height() const { return bottom - top; }
    bool contains(int x, int y) const { return x >= left && x <= right && y >= top && y <= bottom; }
};
// The graph inside a view, with room for labels left of and below it.
SliceRect sliceGraphRect(int viewWidth, int viewHeight);

struct SlicePoint {
    int x = 0, y = 0;
    bool operator==(const SlicePoint&) const = default;
};
// Polylines: each point joined to the one before it.
std::vector<SlicePoint> sliceSpectrumCurve(const SliceResult& r, const FFTOptions& s, const SliceRect& g);
std::vector<SlicePoint> sliceEnvelopeCurve(const SliceResult& r, const FFTOptions& s, const SliceRect& g);

struct SliceGridLine {
    SlicePoint from, to;
};
struct SliceGridLabel {
    enum class Anchor {
        TopCentre,  // (x, y) is the middle of the text's top edge
        LeftMiddle, // (x, y) is the middle of its left edge
        RightMiddle // (x, y) is the middle of its right edge
    };
    std::string text;
    int x = 0, y = 0;
    Anchor anchor = Anchor::TopCentre;
};
struct SliceGrid {
    std::vector<SliceGridLine> lines;
    std::vector<SliceGridLabel> labels;
};
SliceGrid sliceFrequencyGrid(const FFTOptions& s, const SliceRect& g);
SliceGrid sliceDbGrid(const SliceResult& r, const FFTOptions& s, const SliceRect& g);

// The window's state between results: the layout, the mouse readouts and
// the marker. A new size lays the graph out again from the same result.
class SliceDisplay {
public:
    void setSettings(const FFTOptions& s) { m_settings = s; }
    const FFTOptions& settings() const { return m_settings; }
    void setResult(std::optional<SliceResult> r);
    const std::optional<SliceResult>& result() const { return m_result; }
    void layout(int viewWidth, int viewHeight) { m_rect = sliceGraphRect(viewWidth, viewHeight); }
    const SliceRect& rect() const { return m_rect; }

    // The point under column x, or nothing outside the graph.
    std::optional<int> pointAt(int x, int y) const;
    // The mouse moved: the cursor follows and, inside the graph, the
    // readouts show the point under it. Returns whether anything changed.
    bool mouseMoved(int x, int y);
    // A click inside the graph sets the marker there, outside removes it.
    void clicked(int x, int y);

    std::optional<int> cursorX() const { return m_cursorX; }
    std::optional<int> markerFrequency() const { return m_marker; }
    int markerX() const;
    const std::string& frequencyReadout() const { return m_frequency; }
    const std::string& levelReadout() const { return m_level; }

    std::vector<SlicePoint> spectrum() const;
    std::vector<SlicePoint> envelope() const;
    SliceGrid frequencyGrid() const;
    SliceGrid dbGrid() const;

private:
    FFTOptions m_settings;
    std::optional<SliceResult> m_result;
    SliceRect m_rect;
    std::optional<int> m_cursorX;
    std::optional<int> m_marker;
    std::string m_frequency, m_level;
};

} // namespace vx
