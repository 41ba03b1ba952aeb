#pragma once
// Labels exchanged with TextGrid files, the text format of the phonetics
// program most annotated speech is kept in. Reading takes the long and the
// short text forms, in UTF-8 (with or without a byte-order mark; a file that
// is not valid UTF-8 is read as Latin-1) or in UTF-16 with a byte-order
// mark. Writing gives the long form in UTF-8.

#include "model/Channels.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace vx {

struct TextGridLabel {
    double timeMs = 0;
    std::string text;
};

struct TextGridTier {
    std::string name;
    bool intervals = false; // an interval tier: labels start non-empty intervals
    std::vector<TextGridLabel> labels;
};

// A checked file, ready to be applied to a channel.
struct TextGridContents {
    std::vector<TextGridTier> tiers;
};

struct TextGridRead {
    bool ok = false;
    int line = 0;      // where the file is wrong (1-based; 0 when no line is to blame)
    std::string error; // for the user: "line 12: ..." or a sentence naming the tiers
    // Said of a file that was read: its end lay after the sound's and was
    // moved to it ("" when nothing was).
    std::string note;
    TextGridContents contents;
};

// Times may lie this far outside 0..length of the sound, for rounding.
constexpr double kTextGridTimeToleranceMs = 0.001;
// The ends of the grid, of its tiers and of intervals may lie this far past
// the sound (a grid made on a resampled copy, or rounded up by another
// tool); they are moved to its end. A label must lie inside the sound.
constexpr double kTextGridEndSlackMs = 500;

// Parses and checks a TextGrid against a sound lengthMs long. Refused: a
// wrong header, a count that does not match its items, a time outside the
// sound, unterminated text, more than Channels::kNumTiers tiers, a tier
// name or label text longer than 255 bytes of UTF-8.
TextGridRead parseTextGrid(std::span<const std::uint8_t> bytes, double lengthMs);

// Replaces the labels of every tier of c: tiers 0.. take the file's tiers in
// order (name, labels, shown); the tiers after them are emptied and keep
// their names and shown state. Point labels are left-justified without a
// line; interval labels sit at their interval's start, left-justified, with
// their line drawn. Empty texts give no label. The untiered list is kept.
void applyTextGrid(Channels& c, const TextGridContents& contents);

// parseTextGrid against c.m_dLengthMS, then applyTextGrid. On failure c is
// unchanged and error (when given) says why; note (when given) gets the
// read's note.
bool importTextGrid(Channels& c, std::span<const std::uint8_t> bytes, std::string* error = nullptr,
                    std::string* note = nullptr);
bool importTextGridFile(Channels& c, const std::string& path, std::string* error = nullptr,
                        std::string* note = nullptr);

enum class TextGridTiers {
    points,   // TextTier: one point per label
    intervals // IntervalTier: each label starts an interval ending at the next label or at the end
};

struct TextGridWrite {
    bool ok = false;
    std::string error;
    std::string text;
};

// Every tier of c that holds labels (shown or not), in tier order, its
// labels in time order; xmax is the end of the sound (or the last label
// when later). Times are in seconds, written so that reading gives back the
// same double. Interval tiers start with an empty interval from 0 when the
// first label is later; they refuse two labels at one time and a label at
// the end of the sound, which would make intervals of no length.
TextGridWrite textGridText(const Channels& c, TextGridTiers kind);

// textGridText written atomically to path.
bool exportTextGridFile(const Channels& c, const std::string& path, TextGridTiers kind,
                        std::string* error = nullptr);

} // namespace vx
