#pragma once
// Small value types shared by the model, the readers and the views.

#include <cstdint>

namespace vx {

// Picture rectangle in pixels, y down. Stored as 16-bit values like the
// records that carry it; arithmetic on it is done in int.
struct Rect {
    std::int16_t top = 0;
    std::int16_t left = 0;
    std::int16_t bottom = 0;
    std::int16_t right = 0;

    int width() const { return int(right) - int(left); }
    int height() const { return int(bottom) - int(top); }
    bool operator==(const Rect&) const = default;
};

struct RGBColor {
    std::uint16_t red = 0;
    std::uint16_t green = 0;
    std::uint16_t blue = 0;
    bool operator==(const RGBColor&) const = default;
};

struct PointD {
    double x = 0;
    double y = 0;
    bool operator==(const PointD&) const = default;
};

struct RectD {
    double x = 0;
    double y = 0;
    double width = 0;
    double height = 0;
    bool operator==(const RectD&) const = default;
};

// Truncation toward zero into a 32-bit int, saturating instead of invoking
// undefined behaviour for values outside the range (and giving 0 for NaN).
int truncInt(double v);

} // namespace vx
