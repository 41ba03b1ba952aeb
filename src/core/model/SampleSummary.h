#pragma once
// A multi-resolution minimum/maximum summary of a sample buffer, so that
// drawing a long recording's waveform costs per column rather than per
// sample. minMax() gives exactly the values of a scan over the samples: the
// same comparisons (a NaN sample never wins), the same float values.

#include <atomic>
#include <cstddef>
#include <vector>

namespace vx {

class SampleSummary {
public:
    SampleSummary() = default;
    // Builds the summary of n samples; the buffer must outlive the summary.
    // When *cancel becomes true the building stops early, and the summary
    // is not complete() and must not be used.
    SampleSummary(const float* samples, std::size_t n, const std::atomic<bool>* cancel = nullptr);

    bool complete() const { return m_complete; }

    struct Range {
        float min, max;
        bool any; // false when every sample was NaN or the range was empty
    };
    // Minimum and maximum over samples [from, from + count), clamped to the
    // buffer.
    Range minMax(std::size_t from, std::size_t count) const;

    const float* samples() const { return m_samples; }
    std::size_t size() const { return m_size; }

private:
    struct Level {
        std::size_t block;
        std::vector<float> min, max;
        std::vector<unsigned char> any;
    };
    void scan(std::size_t from, std::size_t to, Range& r) const;
    void accumulate(const Level& l, std::size_t k, Range& r) const;

    const float* m_samples = nullptr;
    std::size_t m_size = 0;
    std::vector<Level> m_levels; // block sizes 64, 4096, 262144
    bool m_complete = true;
};

} // namespace vx
