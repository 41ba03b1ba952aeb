// Feeds arbitrary bytes to the whole reader chain, as opening a file does.

#include "app/AppState.h"
#include "document/Document.h"

#include <cstddef>
#include <cstdint>

namespace {

class AlwaysSecondChannel : public vx::UserInteraction {
public:
    int chooseChannel(const std::vector<std::string>& items) override { return items.size() > 1 ? 1 : 0; }
    int alert(const vx::AlertSpec&) override { return 1; }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // No settings file: every document starts from the built-in defaults.
    vx::app().gAppPath = "/nonexistent/voxtrace-fuzz";
    vx::Document d;
    AlwaysSecondChannel ui;
    vx::ReadResult r = d.readFromData({data, size}, &ui);
    if (r.ok) {
        const vx::Channels& c = d.getChannel(0);
        // Everything a view would touch next must be consistent.
        if (c.m_hData.size() < static_cast<std::size_t>(c.m_dwFileLength))
            __builtin_trap();
    }
    return 0;
}
