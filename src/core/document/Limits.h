#pragma once
// What a loaded recording may declare. Every reader refuses a file outside
// these limits, and every writer refuses to write one, so that whatever is
// written can be read back.

#include <cstdint>
#include <stdexcept>
#include <string>

namespace vx {

constexpr double kMinSampleRate = 1;
constexpr double kMaxSampleRate = 1e6;
// A channel's length is a 32-bit signed count everywhere after loading.
constexpr std::uint64_t kMaxSamples = 0x7FFFFFFF;

inline bool sampleRateUsable(double rate)
{
    return rate >= kMinSampleRate && rate <= kMaxSampleRate;
}

// "<what> declares a sample rate of 0.001 Hz; recordings of 1 to 1000000 Hz
// can be opened." for a refused rate.
std::string sampleRateRefusal(const std::string& what, double rate);

// Thrown by a reader when a channel's samples cannot be held in memory.
struct NotEnoughMemory : std::runtime_error {
    explicit NotEnoughMemory(std::uint64_t n)
        : std::runtime_error("not enough memory for " + std::to_string(n) + " samples"), samples(n)
    {
    }
    std::uint64_t samples;
};

// Thrown by a writer that will not write what the document holds: a file
// the readers would refuse, or fewer samples than its length says.
struct WriteRefused : std::runtime_error {
    using std::runtime_error::runtime_error;
};

} // namespace vx
