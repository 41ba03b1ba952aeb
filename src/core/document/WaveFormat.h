#pragma once
// RIFF WAVE: the reader of the reader chain and the one-channel writer of
// the export commands.

#include "document/Document.h"

#include <cstdint>
#include <span>
#include <vector>

namespace vx {

int Read_WAVE_FileType(Document& d, std::span<const std::uint8_t> data, ReadContext& ctx);

// A 16-bit mono WAVE file of channel `nWhichChannel`: the whole channel, or
// its selection when `bSelection` is set. Throws WriteRefused as the native
// writer does.
std::vector<std::uint8_t> Save_WAVE_FileType(const Document& d, bool bSelection, int nWhichChannel);

// ITU-T G.711 mu-law byte to a linear value in -32124 ... 32124.
int muLawToLinear(std::uint8_t u);

} // namespace vx
