#include "platform/Types.h"

#include <cmath>
#include <limits>

namespace vx {

int truncInt(double v)
{
    if (std::isnan(v))
        return 0;
    if (v >= 2147483647.0)
        return std::numeric_limits<int>::max();
    if (v <= -2147483648.0)
        return std::numeric_limits<int>::min();
    return static_cast<int>(v);
}

} // namespace vx
