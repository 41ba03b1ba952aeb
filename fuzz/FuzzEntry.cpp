#include "FuzzEntry.h"

#include "app/AppState.h"
#include "app/ConfigFile.h"
#include "document/Document.h"
#include "document/Limits.h"
#include "document/SaveCommands.h"
#include "labels/TextGrid.h"
#include "log/LogFile.h"

#include <algorithm>
#include <cmath>

namespace vxfuzz {

namespace {

class AlwaysSecondChannel : public vx::UserInteraction {
public:
    int chooseChannel(const std::vector<std::string>& items) override { return items.size() > 1 ? 1 : 0; }
    int alert(const vx::AlertSpec&) override { return 1; }
};

} // namespace

std::string readerChainInput(const std::uint8_t* data, std::size_t size)
{
    // A reader leaves the analysis rate behind in the process-wide state;
    // every input starts from a fresh one so that a finding replays alone.
    vx::resetAppState();
    vx::Document d(vx::StartingSettings::defaultsOnly);
    AlwaysSecondChannel ui;
    const vx::ReadResult r = d.readFromData({data, size}, &ui);
    if (!r.ok)
        return {};
    // Everything a view would touch next must be consistent.
    for (int k = 0; k < std::max(1, std::min(d.m_nNumofChannels, vx::Document::kNumChannels)); ++k) {
        const vx::Channels& c = d.getChannel(k);
        const std::string channel = "channel " + std::to_string(k + 1) + " (" + r.reader + ") ";
        if (c.m_hData.size() < static_cast<std::size_t>(c.m_dwFileLength))
            return channel + "holds fewer samples than its length";
        if (!vx::sampleRateUsable(c.m_dSampleRate))
            return channel + "has a sample rate out of range";
        if (!std::isfinite(c.m_dLengthMS)
            || std::fabs(c.m_dLengthMS - c.m_dwFileLength * 1000.0 / c.m_dSampleRate)
                   > std::max({2000.0 / c.m_dSampleRate, 1.0, 1e-9 * c.m_dLengthMS}))
            return channel + "has a duration that disagrees with its samples and rate";
        for (const vx::TIERS& t : c.m_Tiers) {
            if (t.nHeigth < 0 || t.nHeigth > vx::TIERS::kMaxHeight)
                return channel + "has a tier of height " + std::to_string(t.nHeigth);
            for (const vx::LabelPtr& l : t.m_pArrayLabels)
                if (!std::isfinite(l->dTime))
                    return channel + "has a label without a usable time";
        }
    }
    if (d.getChannel(0).m_dwFileLength < 1)
        return "a document opened without samples (" + r.reader + ")";
    // What the writers write, the readers read back.
    for (const char* context : {"copyof", "channel"}) {
        const vx::SaveBytes saved = vx::bytesForSave(d, context);
        if (!saved.error.empty())
            continue;
        vx::Document again(vx::StartingSettings::defaultsOnly);
        const vx::ReadResult back = again.readFromData(saved.bytes, &ui);
        if (!back.ok)
            return std::string("a document saved as \"") + context + "\" is refused: " + back.reason;
    }
    return {};
}

std::string configurationInput(const std::uint8_t* data, std::size_t size)
{
    vx::resetAppState();
    vx::Document d(vx::StartingSettings::defaultsOnly);
    if (!vx::loadUserConfiguration(d, {data, size}))
        return {};
    // What was taken once is taken again after a save.
    const vx::ConfigRecord saved = vx::buildUserConfiguration(d);
    vx::Document again(vx::StartingSettings::defaultsOnly);
    std::string why;
    if (!vx::loadUserConfiguration(again, saved, &why))
        return "a loaded configuration, saved again, is refused: " + why;
    if (vx::buildUserConfiguration(again) != saved)
        return "a loaded configuration does not save the same twice";
    return {};
}

namespace {

// Each tier's labels in time order, as the writer puts them.
std::vector<std::vector<const vx::Labels*>> sortedTiers(const vx::Channels& c)
{
    std::vector<std::vector<const vx::Labels*>> out;
    for (const vx::TIERS& t : c.m_Tiers) {
        std::vector<const vx::Labels*> labels;
        for (const vx::LabelPtr& l : t.m_pArrayLabels)
            labels.push_back(l.get());
        std::stable_sort(labels.begin(), labels.end(),
                         [](const vx::Labels* a, const vx::Labels* b) { return a->dTime < b->dTime; });
        if (!labels.empty())
            out.push_back(std::move(labels));
    }
    return out;
}

std::string sameLabels(const vx::Channels& a, const vx::Channels& b, const char* how)
{
    const auto ta = sortedTiers(a), tb = sortedTiers(b);
    if (ta.size() != tb.size())
        return std::string("written as ") + how + ", the tiers holding labels change in number";
    for (std::size_t i = 0; i < ta.size(); ++i) {
        if (ta[i].size() != tb[i].size())
            return std::string("written as ") + how + ", tier " + std::to_string(i + 1) + " changes its label count";
        for (std::size_t k = 0; k < ta[i].size(); ++k)
            if (ta[i][k]->getLabelText() != tb[i][k]->getLabelText()
                || std::fabs(ta[i][k]->dTime - tb[i][k]->dTime) > 1e-6)
                return std::string("written as ") + how + ", a label of tier " + std::to_string(i + 1)
                     + " comes back different";
    }
    return {};
}

} // namespace

std::string textGridInput(const std::uint8_t* data, std::size_t size)
{
    vx::Channels c;
    c.m_dLengthMS = 1e6;
    const vx::Channels before = c;
    std::string error;
    if (!vx::importTextGrid(c, {data, size}, &error)) {
        if (error.empty())
            return "a refused TextGrid gives no reason";
        for (std::size_t i = 0; i < c.m_Tiers.size(); ++i)
            if (c.m_Tiers[i].strName != before.m_Tiers[i].strName || c.m_Tiers[i].nLabelCount != 0)
                return "a refused TextGrid changed the channel";
        return {};
    }
    for (const vx::TIERS& t : c.m_Tiers)
        for (const vx::LabelPtr& l : t.m_pArrayLabels)
            if (!(l->dTime >= 0 && l->dTime <= c.m_dLengthMS) || l->getLabelText().empty()
                || l->getLabelText().size() > 255)
                return "an imported label lies outside the sound or has an empty or too long text";
    for (auto [kind, how] : {std::pair{vx::TextGridTiers::points, "points"},
                             std::pair{vx::TextGridTiers::intervals, "intervals"}}) {
        const vx::TextGridWrite w = vx::textGridText(c, kind);
        if (!w.ok) {
            if (kind == vx::TextGridTiers::points)
                return "imported labels cannot be written as points: " + w.error;
            continue;
        }
        vx::Channels again;
        again.m_dLengthMS = c.m_dLengthMS;
        if (!vx::importTextGrid(again, {reinterpret_cast<const std::uint8_t*>(w.text.data()), w.text.size()},
                                &error))
            return std::string("written as ") + how + ", the labels are refused: " + error;
        if (std::string wrong = sameLabels(c, again, how); !wrong.empty())
            return wrong;
    }
    return {};
}

std::string logFileInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const vx::LogReadResult r = vx::parseLog(bytes);
    if (!r.table)
        return r.error.empty() ? "a refused log gives no reason" : std::string();
    const vx::LogTable& t = *r.table;
    if (t.columnCount() < 4 || t.column(0).identifier != "row" || t.column(t.columnCount() - 1).identifier != "comment")
        return "the table lacks its fixed columns";
    // A row never stores more cells than there are columns, nor a line end.
    for (std::size_t row = 0; row < t.rowCount(); ++row) {
        const std::string& text = t.rowText(row);
        if (text.find_first_of("\r\n") != std::string::npos)
            return "row " + std::to_string(row + 1) + " holds a line end";
        if (static_cast<long>(std::count(text.begin(), text.end(), '\t')) + 1 > t.columnCount() - 1)
            return "row " + std::to_string(row + 1) + " holds more cells than the table has columns";
    }
    // A file under 1 MB is held in about its own size again, whatever its
    // shape.
    std::size_t held = 0;
    for (std::size_t row = 0; row < t.rowCount(); ++row)
        held += sizeof(std::string) + t.rowText(row).capacity();
    if (size < (1u << 20) && held > 50u * (1u << 20))
        return "a log of " + std::to_string(size) + " bytes takes " + std::to_string(held) + " bytes";
    const std::string text = vx::logFileText(t);
    const vx::LogReadResult again = vx::parseLog(text);
    if (!again.table)
        return "a written log is refused: " + again.error;
    if (again.table->columnCount() != t.columnCount() || again.table->rowCount() != t.rowCount())
        return "a written log reads back with another shape";
    for (int c = 1; c < t.columnCount(); ++c) {
        if (again.table->column(c).title != vx::logCellText(t.column(c).title))
            return "a title changed on writing and reading";
        for (std::size_t row = 0; row < t.rowCount(); ++row)
            if (again.table->cell(row, c) != vx::logCellText(t.cell(row, c)))
                return "a cell changed on writing and reading";
    }
    return {};
}

} // namespace vxfuzz
