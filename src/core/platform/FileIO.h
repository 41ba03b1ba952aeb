#pragma once
// Whole-file reading and atomic whole-file writing.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace vx {

// The file's bytes, or nothing when it cannot be read (a folder cannot).
std::optional<std::vector<std::uint8_t>> readWholeFile(const std::string& path,
                                                        std::string* error = nullptr);

// Writes bytes to a temporary file in the target's folder, flushes it to the
// disk and renames it over path. On any failure the old file stays as it was,
// the temporary is removed, and error (when given) says why.
bool writeFileAtomically(const std::string& path, std::span<const std::uint8_t> bytes,
                         std::string* error = nullptr);

} // namespace vx
