#include "CliCommon.h"

#include "app/AppState.h"
#include "platform/Format.h"

#include <cstdio>

namespace vxcli {

int runSettings(const Args& args)
{
    if (!args.positional().empty())
        throw CliError("settings takes no file (see voxtrace-cli settings --help)");
    vx::Document d(vx::StartingSettings::defaultsOnly);
    applySettingsOption(args, d);
    std::string rows = "group\tname\tvalue\tunit\trange\n";
    for (int g = 0; g < vx::kOptionGroupCount; ++g) {
        const auto group = static_cast<vx::OptionGroup>(g);
        const vx::OptionValues values = vx::readOptions(group, d);
        const auto fields = vx::optionFields(group);
        for (std::size_t k = 0; k < fields.size(); ++k)
            rows += std::string(vx::optionGroupName(group)) + "\t" + fields[k].name + "\t"
                  + vx::formatShortest(values[k]) + "\t" + fields[k].unit + "\t" + vx::optionRangeText(fields[k])
                  + "\n";
    }
    std::fputs(rows.c_str(), stdout);
    return 0;
}

} // namespace vxcli
