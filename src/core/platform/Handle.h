#pragma once
// A nullable, resizable, owning buffer. A null handle (never allocated or
// disposed) is distinct from an allocated one of size zero.

#include <cstddef>
#include <cstdlib>
#include <memory>
#include <new>
#include <optional>
#include <stdexcept>
#include <vector>

namespace vx {

// Leaves elements uninitialised when a vector grows without a value, so that
// a buffer about to be overwritten is not cleared first.
constexpr std::size_t kLarge = std::size_t(8) << 20;
void* allocateLarge(std::size_t bytes);
void freeLarge(void* p, std::size_t bytes);

template <typename T>
struct DefaultInitAllocator : std::allocator<T> {
    template <typename U>
    struct rebind {
        using other = DefaultInitAllocator<U>;
    };
    using value_type = T;
    DefaultInitAllocator() = default;
    template <typename U>
    DefaultInitAllocator(const DefaultInitAllocator<U>&) noexcept
    {
    }

    // Large buffers (long recordings) come straight from the kernel, so that
    // freeing them returns the memory at once.
    T* allocate(std::size_t n)
    {
        const std::size_t bytes = n * sizeof(T);
        if (bytes >= kLarge)
            return static_cast<T*>(allocateLarge(bytes));
        return std::allocator<T>{}.allocate(n);
    }
    void deallocate(T* p, std::size_t n)
    {
        if (n * sizeof(T) >= kLarge)
            freeLarge(p, n * sizeof(T));
        else
            std::allocator<T>{}.deallocate(p, n);
    }
    template <typename U>
    bool operator==(const DefaultInitAllocator<U>&) const noexcept
    {
        return true;
    }

    template <typename U>
    void construct(U* p)
    {
        ::new (static_cast<void*>(p)) U;
    }
    template <typename U, typename... Args>
    void construct(U* p, Args&&... args)
    {
        ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
    }
};

template <typename T>
class Handle {
public:
    using Storage = std::vector<T, DefaultInitAllocator<T>>;

    bool isNull() const { return !m_data.has_value(); }
    explicit operator bool() const { return !isNull(); }

    // Allocates n zero-initialised elements, replacing any previous contents.
    void newClear(std::size_t n)
    {
        m_data.emplace();
        reserveWithRoom(n);
        m_data->resize(n, T{});
    }
    // Allocates n elements that the caller overwrites before reading.
    void newUninitialized(std::size_t n)
    {
        m_data.emplace();
        reserveWithRoom(n);
        m_data->resize(n);
    }
    void dispose() { m_data.reset(); }
    void resize(std::size_t n)
    {
        if (!m_data)
            m_data.emplace();
        m_data->resize(n, T{});
    }

    // Puts count elements of `from` before element `at`; removes [first, end).
    void insert(std::size_t at, const T* from, std::size_t count)
    {
        if (!m_data)
            m_data.emplace();
        m_data->insert(m_data->begin() + static_cast<std::ptrdiff_t>(at), from, from + count);
    }
    void erase(std::size_t first, std::size_t end)
    {
        if (m_data)
            m_data->erase(m_data->begin() + static_cast<std::ptrdiff_t>(first),
                          m_data->begin() + static_cast<std::ptrdiff_t>(end));
    }

    std::size_t size() const { return m_data ? m_data->size() : 0; }
    T* data() { return m_data ? m_data->data() : nullptr; }
    const T* data() const { return m_data ? m_data->data() : nullptr; }
    T& operator[](std::size_t i) { return (*m_data)[i]; }
    const T& operator[](std::size_t i) const { return (*m_data)[i]; }

private:
    // A long buffer is allocated with an eighth more room than it holds:
    // address space only, untouched until used, so that an insertion (a
    // paste) moves the samples after it instead of copying the whole
    // recording to a new allocation.
    // When the room cannot be had, the buffer is made without it.
    void reserveWithRoom(std::size_t n)
    {
        if (n <= (std::size_t(1) << 20))
            return;
        try {
            m_data->reserve(n + n / 8);
        } catch (const std::bad_alloc&) {
        } catch (const std::length_error&) {
        }
    }

    std::optional<Storage> m_data;
};

} // namespace vx
