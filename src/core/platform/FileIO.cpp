#include "platform/FileIO.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vx {

namespace {

void setError(std::string* error, const std::string& what, int err)
{
    if (error)
        *error = what + ": " + std::strerror(err);
}

std::string folderOf(const std::string& path)
{
    auto slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? std::string("/") : path.substr(0, slash);
}

} // namespace

std::optional<std::vector<std::uint8_t>> readWholeFile(const std::string& path, std::string* error)
{
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        setError(error, "cannot open \"" + path + "\"", errno);
        return std::nullopt;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        int err = S_ISDIR(st.st_mode) ? EISDIR : errno;
        ::close(fd);
        setError(error, "cannot read \"" + path + "\"", err);
        return std::nullopt;
    }
    // Read straight into the result; a file that grows while it is read
    // is read to its new end.
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
        if (atEnd)
            bytes.insert(bytes.end(), probe, probe + n);
        done += static_cast<std::size_t>(n);
    }
    bytes.resize(done);
    ::close(fd);
    return bytes;
}

bool writeFileAtomically(const std::string& path, std::span<const std::uint8_t> bytes, std::string* error)
{
    std::string tmpl = folderOf(path) + "/.vxtmp-XXXXXX";
    std::vector<char> name(tmpl.begin(), tmpl.end());
    name.push_back('\0');
    int fd = ::mkstemp(name.data());
    if (fd < 0) {
        setError(error, "cannot create a file in \"" + folderOf(path) + "\"", errno);
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
    // Keep the permissions of a file being replaced; a new one gets 0644.
    struct stat st {};
    mode_t mode = ::stat(path.c_str(), &st) == 0 ? (st.st_mode & 07777) : 0644;
    ::fchmod(fd, mode);
    if (::fsync(fd) != 0)
        return fail("cannot write \"" + path + "\"", errno);
    if (::close(fd) != 0) {
        int err = errno;
        ::unlink(name.data());
        setError(error, "cannot write \"" + path + "\"", err);
        return false;
    }
    if (::rename(name.data(), path.c_str()) != 0) {
        int err = errno;
        ::unlink(name.data());
        setError(error, "cannot replace \"" + path + "\"", err);
        return false;
    }
    return true;
}

} // namespace vx
