#include "platform/GridStep.h"

#include <algorithm>
#include <cmath>

namespace vx {

double widenedGridStep(double step, double range, double pixels, double minPixels)
{
    if (!(step > 0) || !std::isfinite(step) || !(range > 0) || !std::isfinite(range) || !(pixels > 0)
        || !std::isfinite(pixels))
        return 0;
    const double room = std::clamp(std::floor(pixels / std::max(minPixels, 1.0)), 1.0, double(kMaxGridLines));
    const double ratio = range / (room * step);
    if (ratio <= 1)
        return step;
    const double decade = std::pow(10.0, std::floor(std::log10(ratio)));
    for (double f : {1.0, 2.0, 5.0, 10.0})
        if (f * decade >= ratio)
            return step * f * decade;
    return step * 10 * decade;
}

} // namespace vx
