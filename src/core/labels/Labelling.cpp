#include "labels/Labelling.h"

#include "platform/Format.h"

#include <algorithm>

namespace vx {

std::string formatFixed1(double v)
{
    return formatFixed(v, 1);
}

std::optional<std::string> checkFieldLength(const std::string& text, const std::string& what)
{
    if (text.size() <= kLabelTextMaxBytes)
        return std::nullopt;
    return "The " + what + " is " + std::to_string(text.size()) + " bytes long in UTF-8; it can hold at most " +
           std::to_string(kLabelTextMaxBytes) + " bytes. Shorten it by " +
           std::to_string(text.size() - kLabelTextMaxBytes) + " bytes.";
}

std::vector<LabelListEntry> listLabels(const Document& doc)
{
    std::vector<LabelListEntry> out;
    const int channels = std::clamp(doc.m_nNumofChannels, 1, Document::kNumChannels);
    for (int k = 0; k < channels; ++k) {
        const Channels& c = doc.getChannel(k);
        for (int t = 0; t < Channels::kNumTiers; ++t)
            for (const LabelPtr& l : c.m_Tiers[static_cast<std::size_t>(t)].m_pArrayLabels)
                out.push_back({k, t, l});
    }
    return out;
}

const char* labelListTitle(LabelListColumn column)
{
    switch (column) {
    case LabelListColumn::Row: return "";
    case LabelListColumn::Name: return "Signal Name";
    case LabelListColumn::Label: return "Label";
    case LabelListColumn::Time: return "Time (ms)";
    }
    return "";
}

std::string labelListCell(const Document& doc, const LabelListEntry& entry, int row, LabelListColumn column)
{
    switch (column) {
    case LabelListColumn::Row: return std::to_string(row + 1);
    case LabelListColumn::Name: return doc.getChannel(0).m_Tiers[static_cast<std::size_t>(entry.tier)].strName;
    case LabelListColumn::Label: return entry.label ? entry.label->getLabelText() : std::string();
    case LabelListColumn::Time: return entry.label ? formatFixed1(entry.label->dTime) : std::string();
    }
    return {};
}

std::vector<std::string> hiddenTiersWithLabels(const Document& doc)
{
    std::vector<std::string> out;
    for (const TIERS& t : doc.getChannel(0).m_Tiers)
        if (!t.bSelected && !t.m_pArrayLabels.empty())
            out.push_back(t.strName);
    return out;
}

std::optional<AlertSpec> hiddenTiersSaveQuestion(const Document& doc)
{
    const std::vector<std::string> names = hiddenTiersWithLabels(doc);
    if (names.empty())
        return std::nullopt;
    std::string list;
    for (std::size_t k = 0; k < names.size(); ++k)
        list += (k == 0 ? "\"" : k + 1 == names.size() ? "\" and \"" : "\", \"") + names[k];
    list += "\"";
    AlertSpec a;
    a.title = "Labels on hidden tiers";
    a.message = (names.size() == 1 ? "The hidden tier " : "The hidden tiers ") + list +
                (names.size() == 1 ? " holds labels." : " hold labels.");
    a.informative = "Only shown tiers are saved in a Voxtrace file; these labels would be lost. "
                    "Show the tiers (Tiers...) to keep them.";
    a.buttons = {"Save anyway", "Cancel"};
    return a;
}

} // namespace vx
