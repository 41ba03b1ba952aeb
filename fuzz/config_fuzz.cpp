// Feeds arbitrary bytes to the loading of a user configuration file.

#include "FuzzEntry.h"

#include <cstdio>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string wrong = vxfuzz::configurationInput(data, size);
    if (!wrong.empty()) {
        std::fprintf(stderr, "config_fuzz: %s\n", wrong.c_str());
        __builtin_trap();
    }
    return 0;
}
