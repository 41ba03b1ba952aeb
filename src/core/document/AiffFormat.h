#pragma once
// AIFF and AIFF-C ("NONE" and "sowt") readers of the reader chain.

#include "document/Document.h"

#include <cstdint>
#include <span>

namespace vx {

int Read_AIFF_FileType(Document& d, std::span<const std::uint8_t> data, ReadContext& ctx);

// The 80-bit big-endian IEEE extended value at p (10 bytes) as a double.
double ConvertFromIeeeExtended(const std::uint8_t* p);

} // namespace vx
