#pragma once
// Developer diagnostics. Written to standard error only when the
// environment variable VOXTRACE_DEBUG is set, so that batch output stays
// clean.

namespace vx {

void devLog(const char* format, ...) __attribute__((format(printf, 1, 2)));

} // namespace vx
