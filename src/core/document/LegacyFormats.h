#pragma once
// Files of older acquisition programs: the multi-channel "QAD_PC_FLOAT"
// format and the old PC layouts (two little-endian layouts told apart by
// header size and version, and the big-endian "QAD_Mac" layout). These
// readers load up to 19 channels; channel 0 is the speech channel.

#include "document/Document.h"

#include <cstdint>
#include <span>

namespace vx {

int Read_QAD_PC_Float_FileType(Document& d, std::span<const std::uint8_t> data, ReadContext& ctx);
int Read_OLD_PC_FileType(Document& d, std::span<const std::uint8_t> data, ReadContext& ctx);

} // namespace vx
