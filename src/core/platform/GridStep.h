#pragma once
// How far apart the lines of a grid are drawn. A step from the settings is
// kept when its lines fall far enough apart on the screen, and widened
// otherwise, so that no grid ever draws more lines than it has room for,
// whatever the settings or the file say.

namespace vx {

// The step for a grid over `range` units drawn across `pixels`: `step`
// itself when its lines are at least `minPixels` apart, else the smallest
// of 2, 5, 10, 20, 50, ... times `step` that is. 0 (no grid) when step,
// range or pixels is not a positive finite number.
double widenedGridStep(double step, double range, double pixels, double minPixels);

// Lines of such a grid never number more than this.
constexpr int kMaxGridLines = 1000;

} // namespace vx
