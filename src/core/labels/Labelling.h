#pragma once
// What the labelling windows show and check, without a window: the rows of
// the label list and their texts, the limit on label texts and tier names,
// and the question asked before a save that would drop labels.

#include "document/Document.h"
#include "platform/Interaction.h"

#include <optional>
#include <string>
#include <vector>

namespace vx {

// Label texts and tier names are saved in 256-byte zero-terminated fields.
constexpr std::size_t kLabelTextMaxBytes = 255;

// "%.1f" in the C locale whatever the user's locale is: files and columns
// are read back by programs that expect a decimal point.
std::string formatFixed1(double v);

// Nothing when `text` fits its field, else a message naming what and by
// how much it is too long. `what` is "label text" or "tier name".
std::optional<std::string> checkFieldLength(const std::string& text, const std::string& what);

// One row of the label list. The label is shared, so a row stays valid
// even when the label leaves its tier before the list is refilled.
struct LabelListEntry {
    int channel = 0;
    int tier = 0;
    LabelPtr label;
};

enum class LabelListColumn { Row, Name, Label, Time };
constexpr int kLabelListColumns = 4;

// Every label of the document: channels in order, then each channel's ten
// tiers in order (shown or not), then each tier's labels in order.
std::vector<LabelListEntry> listLabels(const Document& doc);

// The text of a cell for the entry on row `row` (0-based): the running
// number from 1, the tier's name as channel 0 names it, the label text, and
// the time in ms.
std::string labelListCell(const Document& doc, const LabelListEntry& entry, int row, LabelListColumn column);
const char* labelListTitle(LabelListColumn column);

// The names of channel 0's hidden tiers that hold labels: a native save
// keeps only shown tiers.
std::vector<std::string> hiddenTiersWithLabels(const Document& doc);
// The question to ask before such a save, or nothing when no label would
// be lost. The first button ("Save anyway") answers 1.
std::optional<AlertSpec> hiddenTiersSaveQuestion(const Document& doc);

} // namespace vx
