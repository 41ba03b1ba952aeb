#pragma once
// Steps that several readers share.

#include "document/Document.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace vx {

// Page 0..N with the page times, and the un-zoom range, of a freshly loaded
// channel.
void setWholePage(Channels& c);

// Takes the analysis extent from channel 0 and, when its rate differs from
// the rate of the previously loaded file, recomputes the rate-dependent
// Settings; then remembers the rate process-wide.
void applyAnalysisRate(Document& d);

// "Channel 1 " ... "Channel K ".
std::vector<std::string> channelChoices(int K);

// Asks which of K channels to load: the 0-based index, or -1 when the user
// cancelled (the reason is then set).
int askChannel(ReadContext& ctx, int K);

// Whether four bytes at p could start a chunk: printable ASCII.
bool looksLikeChunkId(std::span<const std::uint8_t> data, std::uint64_t p);

// The offset of the chunk after one at p of body size S. RIFF and IFF pad
// an odd-sized body with one byte that many writers count and some do not:
// the pad is skipped only when no chunk id starts right after the body but
// one does start a byte later.
std::uint64_t nextChunk(std::span<const std::uint8_t> data, std::uint64_t p, std::uint32_t S);

// Stores v as a 16-bit sample, clipped to -32768 ... 32767.
std::int16_t toPcm16(float v);

// The NUL-terminated text of a fixed field.
std::string fixedText(std::span<const std::uint8_t> data, std::size_t offset, std::size_t width);

} // namespace vx
