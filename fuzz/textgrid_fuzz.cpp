// Feeds arbitrary bytes to the TextGrid import, then writes and reads back
// what it took.

#include "FuzzEntry.h"

#include <cstdio>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string wrong = vxfuzz::textGridInput(data, size);
    if (!wrong.empty()) {
        std::fprintf(stderr, "textgrid_fuzz: %s\n", wrong.c_str());
        __builtin_trap();
    }
    return 0;
}
