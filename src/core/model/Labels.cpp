#include "model/Labels.h"

#include <algorithm>

namespace vx {

namespace {

TextMeasurer& measurerSlot()
{
    static TextMeasurer measurer;
    return measurer;
}

} // namespace

TextSize measureText(const std::string& text, const LabelFont& font)
{
    if (measurerSlot())
        return measurerSlot()(text, font);
    double perChar = font.pointSize * 0.6;
    return {perChar * static_cast<double>(text.size()), font.pointSize * 1.25};
}

void setTextMeasurer(TextMeasurer measurer)
{
    measurerSlot() = std::move(measurer);
}

std::string truncateUtf8(const std::string& s, std::size_t maxBytes)
{
    if (s.size() <= maxBytes)
        return s;
    std::size_t cut = maxBytes;
    // Back off over continuation bytes (10xxxxxx) to the start of the
    // character that would be split.
    while (cut > 0 && (static_cast<unsigned char>(s[cut]) & 0xC0) == 0x80)
        --cut;
    return s.substr(0, cut);
}

void Labels::Duplicate(const Labels& source)
{
    cText = source.cText;
    dTime = source.dTime;
    dVerticalFactor = source.dVerticalFactor;
    rectLocation = source.rectLocation;
    bAddLine = source.bAddLine;
    nJustification = source.nJustification;
    _strText = source._strText;
    _textSize = source._textSize;
    _hasAttribs = source._hasAttribs;
    mFont = source.mFont;
    mFontColor = source.mFontColor;
}

void Labels::setLabelText(const std::string& bytes)
{
    copyToField(cText, bytes);
    _strText = fieldToString(cText);
    _textSize = measureText(_strText, mFont);
}

void Labels::setLabelNSText(const std::string& text)
{
    _strText = text;
    _textSize = measureText(_strText, mFont);
    rectLocation.right = static_cast<std::int16_t>(truncInt(rectLocation.left + _textSize.width));
    rectLocation.bottom = static_cast<std::int16_t>(truncInt(rectLocation.top + _textSize.height));
}

void Labels::setFont_Color(const LabelFont& font, const RGBColor& color)
{
    mFont = font;
    mFontColor = color;
    _hasAttribs = true;
}

void TIERS::addLabel(LabelPtr label)
{
    m_pArrayLabels.push_back(std::move(label));
    nLabelCount = static_cast<int>(m_pArrayLabels.size());
}

bool TIERS::removeLabel(const Labels* label)
{
    auto it = std::find_if(m_pArrayLabels.begin(), m_pArrayLabels.end(),
                           [label](const LabelPtr& p) { return p.get() == label; });
    if (it == m_pArrayLabels.end())
        return false;
    m_pArrayLabels.erase(it);
    nLabelCount = static_cast<int>(m_pArrayLabels.size());
    return true;
}

bool TIERS::contains(const Labels* label) const
{
    return std::any_of(m_pArrayLabels.begin(), m_pArrayLabels.end(),
                       [label](const LabelPtr& p) { return p.get() == label; });
}

} // namespace vx
