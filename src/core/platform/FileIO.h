#pragma once
// Reading files (whole, or mapped so that only the bytes a reader touches
// are read) and atomic whole-file writing.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace vx {

// No limit on the size of a file read whole.
constexpr std::uint64_t kAnySize = ~std::uint64_t(0);

// The file's bytes, or nothing when it cannot be read: a folder, a pipe, a
// device or a file larger than maxBytes is refused with the reason.
std::optional<std::vector<std::uint8_t>> readWholeFile(const std::string& path, std::string* error = nullptr,
                                                        std::uint64_t maxBytes = kAnySize);

// A regular file mapped read-only. Pages are read from the disk only when
// touched, so a reader that looks at a header and a few chunks reads just
// those, whatever the size of the file.
class MappedFile {
public:
    // Nothing, with the reason, when the path is not a regular file that
    // can be opened and mapped.
    static std::optional<MappedFile> open(const std::string& path, std::string* error = nullptr);

    MappedFile(MappedFile&& other) noexcept;
    MappedFile& operator=(MappedFile&& other) noexcept;
    MappedFile(const MappedFile&) = delete;
    MappedFile& operator=(const MappedFile&) = delete;
    ~MappedFile();

    std::span<const std::uint8_t> bytes() const { return {m_data, m_size}; }

private:
    MappedFile(const std::uint8_t* data, std::size_t size) : m_data(data), m_size(size) {}
    const std::uint8_t* m_data = nullptr;
    std::size_t m_size = 0;
};

// Writes bytes to a temporary file in the target's folder, flushes it to the
// disk and renames it over path. A path that is a symbolic link is followed:
// its target is replaced, in the target's folder, and the link stays. A
// replaced file keeps its permissions; a new one gets 0666 less the umask.
// On any failure the old file stays as it was, the temporary is removed,
// and error (when given) says why.
bool writeFileAtomically(const std::string& path, std::span<const std::uint8_t> bytes,
                         std::string* error = nullptr);

} // namespace vx
