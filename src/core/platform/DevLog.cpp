#include "platform/DevLog.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>

namespace vx {

void devLog(const char* format, ...)
{
    static const bool enabled = std::getenv("VOXTRACE_DEBUG") != nullptr;
    if (!enabled)
        return;
    va_list args;
    va_start(args, format);
    std::vfprintf(stderr, format, args);
    va_end(args);
    std::fputc('\n', stderr);
}

} // namespace vx
