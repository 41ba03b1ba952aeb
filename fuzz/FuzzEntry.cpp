#include "FuzzEntry.h"

#include "app/AppState.h"
#include "app/ConfigFile.h"
#include "document/Document.h"

#include <algorithm>

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
        if (c.m_hData.size() < static_cast<std::size_t>(c.m_dwFileLength))
            return "channel " + std::to_string(k + 1) + " holds fewer samples than its length (" + r.reader + ")";
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

} // namespace vxfuzz
