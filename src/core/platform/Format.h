#pragma once
// Numbers as text for files, table cells and readouts: always with a
// decimal point, whatever the user's locale, so that what is written means
// the same to every program that reads it back.

#include <string>

namespace vx {

// printf's "%.<digits>f" in the C locale ("nan" and "inf" as printf writes
// them).
std::string formatFixed(double v, int digits);

} // namespace vx

namespace vx {

// The shortest text that reads back as v, in the C locale, whole numbers
// written out in full ("44100", "1000000", "0.001", "1e-300").
std::string formatShortest(double v);

} // namespace vx
