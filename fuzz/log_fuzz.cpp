// Feeds arbitrary bytes to the measurement log's reader, then writes what
// it read and reads that back.

#include "FuzzEntry.h"

#include <cstdio>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string wrong = vxfuzz::logFileInput(data, size);
    if (!wrong.empty()) {
        std::fprintf(stderr, "log_fuzz: %s\n", wrong.c_str());
        __builtin_trap();
    }
    return 0;
}
