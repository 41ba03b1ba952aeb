#include "platform/FileIO.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vx {

namespace {

void setError(std::string* error, const std::string& what)
{
    if (error)
        *error = what;
}

void setError(std::string* error, const std::string& what, int err)
{
    setError(error, what + ": " + std::strerror(err));
}

std::string folderOf(const std::string& path)
{
    auto slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? std::string("/") : path.substr(0, slash);
}

// What a non-regular file is, for the message that refuses it.
std::string kindOf(mode_t mode)
{
    if (S_ISDIR(mode))
        return "a folder";
    if (S_ISFIFO(mode))
        return "a pipe";
    if (S_ISSOCK(mode))
        return "a socket";
    if (S_ISCHR(mode) || S_ISBLK(mode))
        return "a device";
    return "not a regular file";
}

// Opens a regular file for reading. A pipe is opened without waiting for
// a writer, and refused like a folder or a device.
int openRegular(const std::string& path, struct stat& st, std::string* error)
{
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        setError(error, "cannot open \"" + path + "\"", errno);
        return -1;
    }
    if (::fstat(fd, &st) != 0) {
        const int err = errno;
        ::close(fd);
        setError(error, "cannot read \"" + path + "\"", err);
        return -1;
    }
    if (!S_ISREG(st.st_mode)) {
        ::close(fd);
        const std::string kind = kindOf(st.st_mode);
        setError(error, "cannot read \"" + path + "\": it is " + kind + ", not a file");
        return -1;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return fd;
}

std::string sizeText(std::uint64_t bytes)
{
    char buf[64];
    if (bytes >= (std::uint64_t(1) << 20))
        std::snprintf(buf, sizeof buf, "%.1f MB", static_cast<double>(bytes) / (1 << 20));
    else
        std::snprintf(buf, sizeof buf, "%llu bytes", static_cast<unsigned long long>(bytes));
    return buf;
}

mode_t currentUmask()
{
    // /proc says it without changing it; the fallback sets it back at once.
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("Umask:", 0) == 0)
            return static_cast<mode_t>(std::strtoul(line.c_str() + 6, nullptr, 8) & 0777);
    const mode_t m = ::umask(022);
    ::umask(m);
    return m;
}

// The file a save to path replaces: path itself, or the end of the chain
// of symbolic links it names (relative links resolved against the folder of
// the link). Empty when the chain does not end within 40 links.
std::string saveTarget(const std::string& path)
{
    std::string at = path;
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st {};
        if (::lstat(at.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
            return at;
        std::vector<char> buf(PATH_MAX + 1);
        const ssize_t n = ::readlink(at.c_str(), buf.data(), buf.size() - 1);
        if (n < 0)
            return at;
        std::string target(buf.data(), static_cast<std::size_t>(n));
        at = target.starts_with('/') ? target : folderOf(at) + "/" + target;
    }
    return {};
}

} // namespace

std::optional<std::vector<std::uint8_t>> readWholeFile(const std::string& path, std::string* error,
                                                        std::uint64_t maxBytes)
{
    struct stat st {};
    int fd = openRegular(path, st, error);
    if (fd < 0)
        return std::nullopt;
    if (static_cast<std::uint64_t>(st.st_size) > maxBytes) {
        ::close(fd);
        setError(error, "\"" + path + "\" is " + sizeText(static_cast<std::uint64_t>(st.st_size))
                            + ", more than the " + sizeText(maxBytes) + " such a file can have");
        return std::nullopt;
    }
    // Read straight into the result; a file that grows while it is read
    // is read to its new end, up to the limit.
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(st.st_size));
    std::size_t done = 0;
    std::uint8_t probe[1 << 12];
    for (;;) {
        // At the expected end, read into a probe buffer so that a file of
        // the size fstat reported is never copied to a larger buffer.
        const bool atEnd = done == bytes.size();
        ssize_t n = atEnd ? ::read(fd, probe, sizeof probe) : ::read(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            int err = errno;
            ::close(fd);
            setError(error, "cannot read \"" + path + "\"", err);
            return std::nullopt;
        }
        if (n == 0)
            break;
        if (atEnd) {
            if (bytes.size() + static_cast<std::size_t>(n) > maxBytes) {
                ::close(fd);
                setError(error, "\"" + path + "\" grew past the " + sizeText(maxBytes) + " such a file can have");
                return std::nullopt;
            }
            bytes.insert(bytes.end(), probe, probe + n);
        }
        done += static_cast<std::size_t>(n);
    }
    bytes.resize(done);
    ::close(fd);
    return bytes;
}

std::optional<MappedFile> MappedFile::open(const std::string& path, std::string* error)
{
    struct stat st {};
    int fd = openRegular(path, st, error);
    if (fd < 0)
        return std::nullopt;
    const std::size_t size = static_cast<std::size_t>(st.st_size);
    if (size == 0) {
        ::close(fd);
        return MappedFile(nullptr, 0);
    }
    void* p = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
    const int err = errno;
    ::close(fd);
    if (p == MAP_FAILED) {
        setError(error, "cannot read \"" + path + "\"", err);
        return std::nullopt;
    }
    return MappedFile(static_cast<const std::uint8_t*>(p), size);
}

MappedFile::MappedFile(MappedFile&& other) noexcept : m_data(other.m_data), m_size(other.m_size)
{
    other.m_data = nullptr;
    other.m_size = 0;
}

MappedFile& MappedFile::operator=(MappedFile&& other) noexcept
{
    if (this != &other) {
        if (m_data)
            ::munmap(const_cast<std::uint8_t*>(m_data), m_size);
        m_data = other.m_data;
        m_size = other.m_size;
        other.m_data = nullptr;
        other.m_size = 0;
    }
    return *this;
}

MappedFile::~MappedFile()
{
    if (m_data)
        ::munmap(const_cast<std::uint8_t*>(m_data), m_size);
}

bool writeFileAtomically(const std::string& path, std::span<const std::uint8_t> bytes, std::string* error)
{
    const std::string target = saveTarget(path);
    if (target.empty()) {
        setError(error, "cannot write \"" + path + "\": its symbolic links do not end in a file", ELOOP);
        return false;
    }
    std::string tmpl = folderOf(target) + "/.vxtmp-XXXXXX";
    std::vector<char> name(tmpl.begin(), tmpl.end());
    name.push_back('\0');
    int fd = ::mkstemp(name.data());
    if (fd < 0) {
        setError(error, "cannot create a file in \"" + folderOf(target) + "\"", errno);
        return false;
    }
    auto fail = [&](const std::string& what, int err) {
        ::close(fd);
        ::unlink(name.data());
        setError(error, what, err);
        return false;
    };
    std::size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return fail("cannot write \"" + path + "\"", errno);
        }
        done += static_cast<std::size_t>(n);
    }
    struct stat st {};
    const mode_t mode = ::stat(target.c_str(), &st) == 0 ? (st.st_mode & 07777) : (0666 & ~currentUmask());
    if (::fchmod(fd, mode) != 0)
        return fail("cannot set the permissions of \"" + path + "\"", errno);
    if (::fsync(fd) != 0)
        return fail("cannot write \"" + path + "\"", errno);
    if (::close(fd) != 0) {
        int err = errno;
        ::unlink(name.data());
        setError(error, "cannot write \"" + path + "\"", err);
        return false;
    }
    if (::rename(name.data(), target.c_str()) != 0) {
        int err = errno;
        ::unlink(name.data());
        setError(error, "cannot replace \"" + path + "\"", err);
        return false;
    }
    return true;
}

} // namespace vx
