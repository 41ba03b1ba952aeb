#pragma once
// What the spectrogram window shows, computed without a window: the stretch
// it analyses, its settings and readouts, the layout of tiers, waveform and
// spectrogram, the pixel <-> time/frequency mappings, the grey mapping, the
// grids, the labels on the tiers, and the cursor, marker and selection.
//
// Layout coordinates are the view's logical pixels with y down. The
// analysis has one column and one row per device pixel: `scale` device
// pixels to a logical one. Marker and selection are kept as times (ms) and
// frequencies (Hz), so that every layout places them anew.

#include "analysis/SpectrogramData.h"
#include "app/Settings.h"
#include "document/Document.h"
#include "platform/Types.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vx {

enum class SpectrogramKind { WholeFile, Selection, Window };

// A stretch of one channel: first and end sample, start and stop in ms.
struct SpectrogramStretch {
    double startPoint = 0, endPoint = 0;
    double startTime = 0, stopTime = 0;
    bool operator==(const SpectrogramStretch&) const = default;
};

// The stretch a command analyses: the whole channel, its selection, or the
// page the main view shows. Nothing, with the reason in `why`, when the
// stretch is empty.
std::optional<SpectrogramStretch> spectrogramStretch(const Channels& c, SpectrogramKind kind, std::string* why);

// The spectrogram's analysis parameters from its option group.
SpectrogramParams spectrogramParams(const SpectrogramOptions& s, double sampleRate);

// The six values above the picture.
struct SpectrogramReadouts {
    std::string sampleRate, windowLength, dynamicRange, lpcCoefficients, bandwidths, preemphasis;
};
SpectrogramReadouts spectrogramReadouts(const Settings& s);
// "%.1f" in the C locale.
std::string formatTenths(double v);

constexpr int kSpectrogramLeftMargin = 50;
constexpr int kSpectrogramTimeBand = 20;

struct SpectrogramLayout {
    Rect client{}, spectrogram{}, audio{};
    std::array<Rect, Channels::kNumTiers> tiers{};
    bool drawLabels = false, drawAudio = false;
    double scale = 1;
    int columns = 0; // device pixels across the spectrogram
    int rows = 0;    // device pixels down the spectrogram
    // Nothing to analyse: the spectrogram area has no pixel.
    bool empty() const { return columns <= 0 || rows <= 0; }
    // The overlays (cursor, selection, marker) span the tiers, the waveform
    // and the spectrogram: y from 0 to the spectrogram's bottom.
    int frameHeight() const { return spectrogram.bottom; }
};
SpectrogramLayout layoutSpectrogram(const Channels& c, const SpectrogramOptions& s, int width, int height,
                                    double scale);

// Grey index of a normalised level: 0 (nearly white) at or below 0, 256
// (black) at the dynamic range.
int greyIndex(double level, int dynamicRange);
// The 8-bit grey of each index: 255 * (256 - g) / 257, rounded.
const std::array<std::uint8_t, 257>& greyRamp();
// Writes the levels as opaque grey 0xAARRGGBB pixels: column i at x = i,
// row 0 (0 Hz) at the bottom line. `stride` counts pixels per line.
void renderSpectrogramPixels(const SpectrogramData& d, int dynamicRange, std::uint32_t* topLeft, std::ptrdiff_t stride);

struct GridLine {
    double at = 0; // y for frequencies, x for times (logical pixels)
    std::string label;
};
std::vector<GridLine> spectrogramFrequencyGrid(const SpectrogramLayout& l, const SpectrogramOptions& s);
// Lines at multiples of the spacing, widened (x2, x5, x10 ...) until they
// are at least 40 pixels apart; a spacing of 0 picks one that gives about
// ten lines.
std::vector<GridLine> spectrogramTimeGrid(const SpectrogramLayout& l, const SpectrogramOptions& s,
                                          const SpectrogramStretch& st);

// A label of a shown tier inside the stretch, at x (logical pixels).
struct SpectrogramLabel {
    int tier = 0;
    double x = 0;
    const Labels* label = nullptr;
};
std::vector<SpectrogramLabel> spectrogramLabels(const Channels& c, const SpectrogramLayout& l,
                                                const SpectrogramStretch& st);

// The pixel mappings of one layout over one stretch.
class SpectrogramMapping {
public:
    SpectrogramMapping() = default;
    SpectrogramMapping(const SpectrogramLayout& l, const SpectrogramStretch& st, int frequencyRange);

    bool inside(double x, double y) const;
    // Held to the spectrogram rectangle.
    double clampX(double x) const;
    double clampY(double y) const;
    double timeAt(double x) const;
    double frequencyAt(double y) const;
    double xOfTime(double t) const;
    double yOfFrequency(double f) const;
    // The sample a time names, inside the stretch and the data.
    double sampleAt(double t, double dataLength) const;
    // The analysis column under x, within 0 .. columns - 1.
    int columnAt(double x) const;

    const SpectrogramLayout& layout() const { return m_l; }
    const SpectrogramStretch& stretch() const { return m_st; }

private:
    SpectrogramLayout m_l;
    SpectrogramStretch m_st;
    int m_range = 0;
};

// Cursor, marker and selection of the window, and its readouts.
class SpectrogramCursor {
public:
    struct Marker {
        double time = 0, frequency = 0;
    };
    struct Selection {
        double start = 0, stop = 0; // ms, absolute
    };

    void setMapping(const SpectrogramMapping& m) { m_map = m; }
    const SpectrogramMapping& mapping() const { return m_map; }

    // A press inside the spectrogram: the marker there, unless it ends a
    // selection, which is cleared. Presses outside are ignored (false).
    bool press(double x, double y);
    // A drag after a press: the selection from the press to x, held to the
    // spectrogram. Also moves the cursor.
    bool drag(double x, double y);
    void release();
    // A move without a button: the cursor and readouts follow inside the
    // spectrogram; outside nothing changes (false).
    bool move(double x, double y);
    // Forgets marker and selection (the stretch changed).
    void clear();

    const std::optional<Marker>& marker() const { return m_marker; }
    const std::optional<Selection>& selection() const { return m_selection; }
    bool pressed() const { return m_pressed; }
    // Where the cursor lines are drawn, if the mouse has been over the
    // spectrogram.
    std::optional<double> cursorX() const;
    std::optional<double> cursorY() const;
    // The marker and selection placed on the current layout.
    double markerX() const { return m_map.xOfTime(m_marker->time); }
    double markerY() const { return m_map.yOfFrequency(m_marker->frequency); }
    std::pair<double, double> selectionX() const
    {
        return {m_map.xOfTime(m_selection->start), m_map.xOfTime(m_selection->stop)};
    }

    const std::string& frequencyReadout() const { return m_frequencyText; }
    const std::string& durationReadout() const { return m_durationText; }
    const std::string& cursorReadout() const { return m_cursorText; }

private:
    void track(double x, double y);

    SpectrogramMapping m_map;
    std::optional<Marker> m_marker;
    std::optional<Selection> m_selection;
    bool m_pressed = false;
    double m_pressTime = 0;
    std::optional<double> m_cursorTime, m_cursorFrequency;
    std::string m_frequencyText, m_durationText, m_cursorText;
};

} // namespace vx
