// Feeds arbitrary bytes to the whole reader chain, as opening a file does.

#include "FuzzEntry.h"

#include <cstdio>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string wrong = vxfuzz::readerChainInput(data, size);
    if (!wrong.empty()) {
        std::fprintf(stderr, "reader_chain_fuzz: %s\n", wrong.c_str());
        __builtin_trap();
    }
    return 0;
}
