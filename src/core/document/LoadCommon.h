#pragma once
// Steps that several readers share.

#include "document/Document.h"
#include "document/Limits.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace vx {

// Page 0..N with the page times, and the un-zoom range, of a freshly loaded
// channel.
void setWholePage(Channels& c);

// Allocates a channel's n samples for a decoder to fill; throws
// NotEnoughMemory when they cannot be held.
float* allocateSamples(Channels& c, std::size_t n);

// Throws NotEnoughMemory for n samples unless `loaded` (what a channel's
// read returned).
void requireSamples(bool loaded, double n);

// A duration stored in a file that does not agree with the channel's
// samples and rate (beyond a couple of samples or a millisecond of
// rounding) is replaced by the one they give, and a note says so.
void repairDuration(Channels& c, ReadContext& ctx, int channel);

// The first and count of the samples a writer takes from channel c (its
// selection when `selection`); throws WriteRefused, naming `format`, when
// the buffer does not hold them all or the rate is one no reader takes.
struct SampleSpan {
    std::int64_t first, count;
};
SampleSpan samplesToWrite(const Channels& c, bool selection, double writtenRate, const std::string& format);

// Takes the analysis extent from channel 0 and, when its rate differs from
// the rate the document's settings were made for, recomputes the
// rate-dependent Settings; then remembers the rate process-wide.
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
