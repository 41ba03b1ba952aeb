#include "app/AppState.h"

#include "app/ConfigFile.h"
#include "platform/Paths.h"

namespace vx {

namespace {

std::unique_ptr<AppState>& slot()
{
    static std::unique_ptr<AppState> state = std::make_unique<AppState>();
    return state;
}

} // namespace

AppState& app()
{
    return *slot();
}

void resetAppState()
{
    slot() = std::make_unique<AppState>();
}

void applicationWillFinishLaunching()
{
    AppState& a = app();
    a.gAppPath = configFolder();
    makeFolders(a.gAppPath);
    a.gstrVersion = kVersionText;
    // Private to this process: nothing in it can be read, replaced or
    // removed by another user, whatever its name.
    a.appPathTemp = processTempFolder();
    a.gChannels.clear();
    for (int k = 0; k < kNumChannelSlots; ++k)
        a.gChannels.push_back(std::make_unique<Channels>());
    ReadConfig();
}

} // namespace vx
