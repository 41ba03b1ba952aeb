#include "model/SampleSummary.h"

#include <algorithm>

namespace vx {

namespace {

constexpr std::size_t kFirstBlock = 64;
constexpr std::size_t kFactor = 64;
constexpr int kLevels = 3;
constexpr std::size_t kCancelCheck = 4096;

} // namespace

SampleSummary::SampleSummary(const float* samples, std::size_t n, const std::atomic<bool>* cancel)
    : m_samples(samples), m_size(n)
{
    std::size_t block = kFirstBlock;
    for (int level = 0; level < kLevels && block <= n; ++level, block *= kFactor) {
        Level l;
        l.block = block;
        const std::size_t count = n / block;
        l.min.resize(count);
        l.max.resize(count);
        l.any.resize(count);
        for (std::size_t k = 0; k < count; ++k) {
            // About every 250 000 samples.
            if (cancel && k % kCancelCheck == 0 && cancel->load(std::memory_order_relaxed)) {
                m_complete = false;
                m_levels.clear();
                return;
            }
            Range r{0, 0, false};
            if (level == 0)
                scan(k * block, (k + 1) * block, r);
            else
                for (std::size_t s = 0; s < kFactor; ++s)
                    accumulate(m_levels.back(), k * kFactor + s, r);
            l.min[k] = r.min;
            l.max[k] = r.max;
            l.any[k] = r.any;
        }
        m_levels.push_back(std::move(l));
    }
}

void SampleSummary::scan(std::size_t from, std::size_t to, Range& r) const
{
    std::size_t i = from;
    if (!r.any) {
        while (i < to && m_samples[i] != m_samples[i]) // NaN
            ++i;
        if (i == to)
            return;
        r = {m_samples[i], m_samples[i], true};
        ++i;
    }
    // Eight running extremes, each started from a sample already counted, so
    // that the loop has no branch and vectorises; a NaN never wins a
    // comparison, as in a plain scan.
    constexpr std::size_t kLanes = 8;
    float lo[kLanes], hi[kLanes];
    for (std::size_t k = 0; k < kLanes; ++k) {
        lo[k] = r.min;
        hi[k] = r.max;
    }
    for (; i + kLanes <= to; i += kLanes)
        for (std::size_t k = 0; k < kLanes; ++k) {
            const float v = m_samples[i + k];
            hi[k] = v > hi[k] ? v : hi[k];
            lo[k] = v < lo[k] ? v : lo[k];
        }
    for (; i < to; ++i) {
        const float v = m_samples[i];
        hi[0] = v > hi[0] ? v : hi[0];
        lo[0] = v < lo[0] ? v : lo[0];
    }
    for (std::size_t k = 0; k < kLanes; ++k) {
        r.max = hi[k] > r.max ? hi[k] : r.max;
        r.min = lo[k] < r.min ? lo[k] : r.min;
    }
}

void SampleSummary::accumulate(const Level& l, std::size_t k, Range& r) const
{
    if (!l.any[k])
        return;
    if (!r.any) {
        r = {l.min[k], l.max[k], true};
        return;
    }
    r.max = std::max(r.max, l.max[k]);
    r.min = std::min(r.min, l.min[k]);
}

SampleSummary::Range SampleSummary::minMax(std::size_t from, std::size_t count) const
{
    Range r{0, 0, false};
    if (from >= m_size)
        return r;
    std::size_t to = from + std::min(count, m_size - from);
    // Walk up the levels: the unaligned head and tail at each level are
    // covered by the level below.
    std::size_t lo = from, hi = to;
    int level = static_cast<int>(m_levels.size()) - 1;
    for (; level >= 0; --level) {
        const std::size_t b = m_levels[static_cast<std::size_t>(level)].block;
        const std::size_t a = (lo + b - 1) / b * b;
        const std::size_t e = hi / b * b;
        if (a < e) {
            // Blocks [a, e) at this level; recurse on [lo, a) and [e, hi).
            for (std::size_t k = a / b; k < e / b; ++k)
                accumulate(m_levels[static_cast<std::size_t>(level)], k, r);
            Range head = minMax(lo, a - lo);
            Range tail = minMax(e, hi - e);
            for (const Range& part : {head, tail}) {
                if (!part.any)
                    continue;
                if (!r.any) {
                    r = part;
                } else {
                    r.max = std::max(r.max, part.max);
                    r.min = std::min(r.min, part.min);
                }
            }
            return r;
        }
    }
    scan(lo, hi, r);
    return r;
}

} // namespace vx
