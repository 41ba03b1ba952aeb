#pragma once
// The option groups: one table per group of Settings that an option panel
// edits, saying for every field its text, unit, accepted range and place in
// the configuration record. The panels, the readers of the settings and
// configuration files and voxtrace-cli all check values with checkOptions,
// so that a value one of them takes, the others take too.
//
// A group's values travel as OptionValues, one number per field of its
// table (flags as 0 or 1), read from and written to a document with
// readOptions and writeOptions. Adding a setting to a group is adding its
// member to the group's struct (app/Settings.h) and a row to its table
// (Options.cpp).

#include "app/Settings.h"

#include <optional>
#include <span>
#include <string>
#include <vector>

namespace vx {

class Document;

enum class OptionGroup { Display, RecordPlay, Zoom, FFTLPC, Spectrogram, Pitch, Intensity, Log, ReferenceGain };
constexpr int kOptionGroupCount = 9;

enum class FieldKind {
    Flag,   // a check box
    Pair,   // two choices: the first (items[0]) is true
    Whole,  // a whole number
    Real,   // a decimal number
    Choice, // one of `items`, stored as its index (window lengths) or as
            // the item's own number (record rates)
};

struct OptionField {
    const char* name = "";  // the member's name, "m_dPitchWindowLength"
    const char* text = "";  // the text of its control; empty for a field no
                            // panel shows
    const char* unit = "";  // "ms", "Hz", "dB", "%", "in or cm" or ""
    FieldKind kind = FieldKind::Flag;
    double low = 0, high = 0;    // accepted, inclusive
    bool aboveLow = false;       // low itself is refused
    bool even = false;           // LPC orders
    const char* zeroMeans = nullptr; // what 0 stands for: "automatic" (time
                                     // grids), "off" (formant ceilings)
    double lowUnlessZero = 0;        // above 0, the least accepted value
    int offset = -1;             // in the configuration record, or -1
    bool recordDouble = false;   // held there as a double, else as an int32
    int decimals = 0;            // shown in a text control
    std::vector<std::string> items; // Pair and Choice
    bool firstIsTrue = true;        // Pair: the first item stands for true
    bool itemIsValue = false;       // Choice: the item's number is stored
    double (*get)(const void* group) = nullptr;
    void (*set)(void* group, double v) = nullptr;

    bool shown() const { return text[0] != '\0'; }
};

using OptionValues = std::vector<double>;

// The group's title ("Pitch"), its panel's title, its fields in table
// order.
const char* optionGroupName(OptionGroup g);
const char* optionPanelTitle(OptionGroup g);
std::span<const OptionField> optionFields(OptionGroup g);
// The index of a field in its group's table; -1 when there is none.
int optionIndex(OptionGroup g, const std::string& name);

// Where a group's values live: a document's Settings, channel 0's record
// or the application state.
struct OptionSources {
    Settings* settings = nullptr;
    IntensityOptions* intensity = nullptr;
    RecordPlayOptions* recordPlay = nullptr;
};
OptionSources optionSources(Document& d);

OptionValues readOptions(OptionGroup g, const OptionSources& from);
void writeOptions(OptionGroup g, const OptionValues& v, const OptionSources& to);
OptionValues readOptions(OptionGroup g, Document& d);
void writeOptions(OptionGroup g, const OptionValues& v, Document& d);

// What is wrong with a group's values at analysis rate R: the field (its
// index) and a sentence naming it, its value and what it must be.
struct OptionProblem {
    int field = -1;
    std::string message;
    // The value a panel puts in the field when it corrects it (an applied
    // window or a frequency range above what the rate allows).
    std::optional<double> corrected;
};
// Refuses values that are not finite, outside their field's range, not
// whole where a whole number is wanted, odd where an even one is, and the
// group's own rules: the FFT's applied window inside its window and its
// range up to R / 2, the spectrogram's range up to (trunc(R) div 2000) *
// 1000 (these two only for R > 0), pitch ranges whose low is not below
// their high, a window length that is not its selector's.
std::optional<OptionProblem> checkOptions(OptionGroup g, const OptionValues& v, double R);

// "from 10 to 100 ms", "greater than 0 and at most 100 in or cm", for
// messages and help texts.
std::string optionRangeText(const OptionField& f);
// A value as the panel and the command line show it.
std::string optionValueText(const OptionField& f, double v);

// The panel's Default button: the values its fields get at rate R. Fields
// the button does not set keep `current`'s values.
OptionValues defaultOptions(OptionGroup g, const OptionValues& current, double R);

} // namespace vx
