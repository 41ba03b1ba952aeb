#include "platform/Format.h"

#include <charconv>
#include <cmath>

namespace vx {

std::string formatFixed(double v, int digits)
{
    // Room for the largest double written out in full, and its fraction.
    char buf[512];
    const auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, digits);
    return r.ec == std::errc() ? std::string(buf, r.ptr) : std::string("nan");
}

} // namespace vx

namespace vx {

std::string formatShortest(double v)
{
    if (v == std::trunc(v) && std::fabs(v) < 1e15)
        return formatFixed(v, 0);
    char buf[64];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    return r.ec == std::errc() ? std::string(buf, r.ptr) : std::string("nan");
}

} // namespace vx
