#pragma once
// What the fuzz targets do with one input, shared with the test that
// replays every input kept under fuzz/findings, so that the two cannot
// drift apart. Each returns an empty string when the result is consistent,
// else what is wrong; a crash or a sanitizer report is a finding too.

#include <cstddef>
#include <cstdint>
#include <string>

namespace vxfuzz {

// The bytes as an opened file: through the whole reader chain.
std::string readerChainInput(const std::uint8_t* data, std::size_t size);

// The bytes as a user configuration file loaded onto a new document.
std::string configurationInput(const std::uint8_t* data, std::size_t size);

// The bytes as a TextGrid imported onto a channel: what is imported must
// come back the same after writing it out and reading it again.
std::string textGridInput(const std::uint8_t* data, std::size_t size);

// The bytes as a measurement log opened in the log window: the table must
// be rectangular, and what is written of it must read back the same.
std::string logFileInput(const std::uint8_t* data, std::size_t size);

} // namespace vxfuzz
