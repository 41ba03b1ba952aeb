#pragma once
// A nullable, resizable, owning buffer. A null handle (never allocated or
// disposed) is distinct from an allocated one of size zero.

#include <cstddef>
#include <optional>
#include <vector>

namespace vx {

template <typename T>
class Handle {
public:
    bool isNull() const { return !m_data.has_value(); }
    explicit operator bool() const { return !isNull(); }

    // Allocates n zero-initialised elements, replacing any previous contents.
    void newClear(std::size_t n) { m_data.emplace(n, T{}); }
    void dispose() { m_data.reset(); }
    void resize(std::size_t n)
    {
        if (!m_data)
            m_data.emplace();
        m_data->resize(n, T{});
    }

    std::size_t size() const { return m_data ? m_data->size() : 0; }
    T* data() { return m_data ? m_data->data() : nullptr; }
    const T* data() const { return m_data ? m_data->data() : nullptr; }
    T& operator[](std::size_t i) { return (*m_data)[i]; }
    const T& operator[](std::size_t i) const { return (*m_data)[i]; }

    std::vector<T>& vec() { return *m_data; }
    const std::vector<T>& vec() const { return *m_data; }

private:
    std::optional<std::vector<T>> m_data;
};

} // namespace vx
