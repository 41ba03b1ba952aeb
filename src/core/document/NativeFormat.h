#pragma once
// The application's own format: channel 0 with its acquisition values,
// title, unit, colour, and the labels of its shown tiers. "VXTMACX" files
// are written and read; "VXT_PC" files are read without label fonts and
// colours.

#include "document/Document.h"

#include <cstdint>
#include <span>
#include <vector>

namespace vx {

constexpr std::size_t kNativeFileHeaderSize = 512;
constexpr std::size_t kNativeChannelHeaderSize = 248;
constexpr std::size_t kNativeTierRecordSize = 264;
constexpr std::size_t kNativeLabelRecordSize = 368;

int Read_VXT_MACX_FileType(Document& d, std::span<const std::uint8_t> data, ReadContext& ctx);
int Read_VXT_PC_FileType(Document& d, std::span<const std::uint8_t> data, ReadContext& ctx);

// Mode 0: the whole of channel 0. Mode 1: its selection, with label times
// relative to the selection's start. Throws WriteRefused when the channel's
// buffer does not hold the samples to write, or its rate could not be read
// back.
std::vector<std::uint8_t> Save_VXT_FileType(const Document& d, int mode);

} // namespace vx
