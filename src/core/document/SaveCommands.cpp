#include "document/SaveCommands.h"

#include "document/Limits.h"
#include "document/NativeFormat.h"
#include "document/WaveFormat.h"

namespace vx {

namespace {

bool selectionIsEmpty(const Document& d)
{
    const Channels& c = d.getChannel(0);
    return truncInt(c.m_dDurationStopFile) <= truncInt(c.m_dDurationStartFile);
}

} // namespace

SaveBytes bytesForSave(const Document& d, const std::string& context)
{
    const bool selection = context == "selection" || context == "channelselection";
    if (selection && selectionIsEmpty(d))
        return {{}, "The selection holds no samples, so nothing was written."};
    SaveBytes out;
    try {
        if (context == "selection")
            out.bytes = Save_VXT_FileType(d, 1);
        else if (context == "copyof")
            out.bytes = Save_VXT_FileType(d, 0);
        else if (context == "channel")
            out.bytes = Save_WAVE_FileType(d, false, 0);
        else if (context == "channelselection")
            out.bytes = Save_WAVE_FileType(d, true, 0);
    } catch (const WriteRefused& e) {
        return {{}, e.what()};
    } catch (const std::bad_alloc&) {
        return {{}, "There is not enough memory to save the recording; nothing was written."};
    }
    if (out.bytes.empty())
        out.error = "Wrong save file method.";
    return out;
}

std::vector<std::uint8_t> dataOfType(const Document& d)
{
    return Save_VXT_FileType(d, 0);
}

} // namespace vx
