#pragma once
// The rows that the main view's and the spectrogram's log commands hand to
// the measurement log, built from what the view holds. Every row of a kind
// has the same number of values in the same order; a value the view does
// not have (no intensity contour, say) is an empty cell, never left out.
//
// Numbers are written in the C locale. Pitch and label times follow the
// document's ms/seconds setting; marker, duration and spectrogram times
// are always in ms.

#include "log/LogTable.h"
#include "mainview/MainViewModel.h"
#include "spectrogram/SpectrogramDisplay.h"

#include <string>
#include <vector>

namespace vx {

enum class MainLogEntry {
    Marker,
    Duration,
    PitchAtMarker,
    PitchSelection,
    PitchAll,
    LabelsSelection,
    LabelsAll,
};

// Whether the command may run: the log is shown, the document has data,
// and it has the marker or selection the kind needs.
bool mainLogEntryEnabled(const MainViewModel& view, MainLogEntry kind, bool logVisible);
// The rows of one command; `name` is the document's display name.
std::vector<LogEntry> mainLogEntries(const MainViewModel& view, MainLogEntry kind, const std::string& name);

enum class SpectrogramLogEntry { Marker, Duration, FormantsMarker, FormantsSelection };

// What a spectrogram window logs from: its cursor (marker and selection,
// placed by its mapping), its stretch and its analysis.
struct SpectrogramLogSource {
    const SpectrogramCursor& cursor;
    const SpectrogramStretch& stretch;
    const SpectrogramData* data; // null while nothing is computed
    double stepMs;               // the log step of the formant selection
};

// Formant entries also need formants to have been tracked.
bool spectrogramLogEntryEnabled(const SpectrogramLogSource& s, SpectrogramLogEntry kind, bool logVisible);

struct SpectrogramLogRows {
    std::vector<LogEntry> rows;
    std::string error; // set when the command was refused
};
SpectrogramLogRows spectrogramLogEntries(const SpectrogramLogSource& s, SpectrogramLogEntry kind,
                                         const std::string& name);

// The most rows one formant-selection command adds; a smaller step over
// the selection is refused.
constexpr std::size_t kMaxFormantRows = 1'000'000;

} // namespace vx
