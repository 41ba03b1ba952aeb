#pragma once
// One text label anchored at a time of a channel, and one tier (a named band
// of labels). Labels are shared between a tier's array and the callers that
// hold them, so identity (the pointer) is what the tier operations compare.
// Both hold only what a file keeps; where a label lands in a view is
// computed by placeLabel for that view.

#include "platform/Types.h"

#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace vx {

struct LabelFont {
    std::string family = "Arial";
    double pointSize = 12.0;
    int weight = 5; // 0 to 15, 5 normal, above 8 bold
    bool italic = false;
    bool operator==(const LabelFont&) const = default;
};

struct TextSize {
    double width = 0;
    double height = 0;
};

// Measures a text as the views will draw it. Core code has no fonts, so the
// GUI installs a real measurer; the fallback estimates from the point size.
using TextMeasurer = std::function<TextSize(const std::string& text, const LabelFont& font)>;
TextSize measureText(const std::string& text, const LabelFont& font);
void setTextMeasurer(TextMeasurer measurer);

// The longest prefix of s that fits in maxBytes without splitting a UTF-8
// character.
std::string truncateUtf8(const std::string& s, std::size_t maxBytes);

// Copies s into a zero-terminated byte field of N bytes, cut at a character
// boundary so that at most N - 1 bytes of text remain.
template <std::size_t N>
void copyToField(std::array<char, N>& field, const std::string& s)
{
    field.fill(0);
    std::string cut = truncateUtf8(s, N - 1);
    std::copy(cut.begin(), cut.end(), field.begin());
}

template <std::size_t N>
std::string fieldToString(const std::array<char, N>& field)
{
    std::size_t n = 0;
    while (n < N && field[n] != 0)
        ++n;
    return std::string(field.data(), n);
}

class Labels;
using LabelPtr = std::shared_ptr<Labels>;

// A label handed over by value to the adding operations.
struct LabelRecord {
    std::array<char, 256> cText{};
    int nJustification = 0;
    double dTime = 0;
    double dVerticalFactor = 0;
    Rect bounds{};
    bool bAddLine = false;
    std::string strText;
    LabelFont font{};
    RGBColor color{};
};

class Labels {
public:
    std::array<char, 256> cText{};
    int nJustification = 0;
    double dTime = 0;
    double dVerticalFactor = 0;
    // Written to native files; set when the label is added, moved or loaded.
    Rect rectLocation{};
    bool bAddLine = false;
    std::string _strText;
    // The extent of the text: measured, or given by the adding record.
    TextSize _textSize{};
    bool _hasAttribs = false;
    LabelFont mFont{};
    RGBColor mFontColor{};

    void Duplicate(const Labels& source);
    void setLabelText(const std::string& bytes);
    void setLabelNSText(const std::string& text);
    void setFont_Color(const LabelFont& font, const RGBColor& color);

    const TextSize& textSize() const { return _textSize; }
    double getLabelTime() const { return dTime; }
    const std::string& getLabelText() const { return _strText; }
};

class TIERS {
public:
    // The tallest band a tier may have, in pixels, and the most labels it
    // may hold: what the layouts and the file formats are made for.
    static constexpr int kMaxHeight = 1000;
    static constexpr int kMaxLabels = 1000000;

    std::string strName;
    int nLabelCount = 0;
    std::vector<LabelPtr> m_pArrayLabels;
    int nHeigth = 20;
    bool bSelected = false;

    void setLevelName(const std::string& name) { strName = name; }
    void setLevelcName(const char* name) { strName = name ? name : ""; }
    void addLabel(LabelPtr label);
    bool removeLabel(const Labels* label);
    bool contains(const Labels* label) const;
    const std::string& getName() const { return strName; }
};

// Where a label is drawn on the band `tier` of a view whose data area is
// `dataArea`, for the page tmin..tmax (ms): at its time, as wide as its
// text, and as tall as its text measures now. Nothing when the time lies
// outside the page (its ends included in it).
std::optional<Rect> placeLabel(const Labels& label, const Rect& dataArea, const Rect& tier, double tmin,
                               double tmax);

} // namespace vx
