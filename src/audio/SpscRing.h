#pragma once
// A fixed-capacity ring of values between exactly one producer thread and
// one consumer thread. Neither side allocates, locks or waits, so an audio
// callback may be either end. The storage is allocated once, by the
// constructor, on the thread that builds the ring.

#include <atomic>
#include <cstddef>
#include <vector>

namespace vx {

template <typename T>
class SpscRing {
public:
    // Holds at least `minCapacity` values (rounded up to a power of two).
    explicit SpscRing(std::size_t minCapacity)
    {
        std::size_t n = 1;
        while (n < minCapacity)
            n <<= 1;
        m_buf.assign(n, T{});
        m_mask = n - 1;
    }
    SpscRing(const SpscRing&) = delete;
    SpscRing& operator=(const SpscRing&) = delete;

    std::size_t capacity() const { return m_buf.size(); }

    // Producer: appends up to n values; returns how many fitted.
    std::size_t push(const T* data, std::size_t n)
    {
        const std::size_t head = m_head.load(std::memory_order_relaxed);
        const std::size_t tail = m_tail.load(std::memory_order_acquire);
        const std::size_t room = capacity() - (head - tail);
        if (n > room)
            n = room;
        for (std::size_t i = 0; i < n; ++i)
            m_buf[(head + i) & m_mask] = data[i];
        m_head.store(head + n, std::memory_order_release);
        return n;
    }

    // Consumer: removes up to n values into out; returns how many there were.
    std::size_t pop(T* out, std::size_t n)
    {
        const std::size_t tail = m_tail.load(std::memory_order_relaxed);
        const std::size_t head = m_head.load(std::memory_order_acquire);
        const std::size_t have = head - tail;
        if (n > have)
            n = have;
        for (std::size_t i = 0; i < n; ++i)
            out[i] = m_buf[(tail + i) & m_mask];
        m_tail.store(tail + n, std::memory_order_release);
        return n;
    }

    // Either side; a snapshot that the other side may change at once.
    std::size_t readable() const
    {
        return m_head.load(std::memory_order_acquire) - m_tail.load(std::memory_order_acquire);
    }
    std::size_t writable() const { return capacity() - readable(); }

private:
    std::vector<T> m_buf;
    std::size_t m_mask = 0;
    // Free-running counters; their difference is the fill.
    alignas(64) std::atomic<std::size_t> m_head{0};
    alignas(64) std::atomic<std::size_t> m_tail{0};
};

} // namespace vx
