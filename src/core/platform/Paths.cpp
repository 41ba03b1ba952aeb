#include "platform/Paths.h"

#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <mutex>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vx {

namespace {

std::string env(const char* name)
{
    const char* v = std::getenv(name);
    return v && *v ? std::string(v) : std::string();
}

// Deeper folders than this are left in place rather than recursed into.
constexpr int kMaxDepth = 64;

// Removes every entry of the open folder dirFd; folders are opened with
// O_NOFOLLOW relative to their parent, so no link is ever followed.
bool removeEntries(int dirFd, int depth)
{
    if (depth > kMaxDepth)
        return false;
    const int listFd = ::dup(dirFd);
    if (listFd < 0)
        return false;
    DIR* dir = ::fdopendir(listFd);
    if (!dir) {
        ::close(listFd);
        return false;
    }
    bool ok = true;
    while (const dirent* e = ::readdir(dir)) {
        const std::string name = e->d_name;
        if (name == "." || name == "..")
            continue;
        struct stat st {};
        if (::fstatat(dirFd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
            ok = false;
            continue;
        }
        if (S_ISDIR(st.st_mode)) {
            const int sub = ::openat(dirFd, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
            if (sub < 0) {
                ok = false;
                continue;
            }
            ok = removeEntries(sub, depth + 1) && ok;
            ::close(sub);
            ok = ::unlinkat(dirFd, name.c_str(), AT_REMOVEDIR) == 0 && ok;
        } else {
            ok = ::unlinkat(dirFd, name.c_str(), 0) == 0 && ok;
        }
    }
    ::closedir(dir);
    return ok;
}

std::mutex g_processTempLock;
std::optional<PrivateFolder> g_processTemp;
// The process that made the folder: a child forked from it has a folder of
// its own and never removes its parent's.
pid_t g_processTempOwner = 0;

void removeProcessTemp()
{
    if (g_processTemp && g_processTempOwner == ::getpid())
        g_processTemp->remove();
}

} // namespace

std::string homeFolder()
{
    std::string home = env("HOME");
    if (home.empty()) {
        if (const passwd* pw = getpwuid(getuid()); pw && pw->pw_dir)
            home = pw->pw_dir;
    }
    return home.empty() ? std::string("/tmp") : home;
}

std::string configFolder()
{
    if (std::string dir = env("VOXTRACE_CONFIG_DIR"); !dir.empty())
        return dir;
    if (std::string xdg = env("XDG_CONFIG_HOME"); !xdg.empty())
        return xdg + "/voxtrace";
    return homeFolder() + "/.config/voxtrace";
}

std::optional<PrivateFolder> PrivateFolder::make(const std::string& parent, const std::string& prefix)
{
    std::string pattern = parent + (parent.ends_with('/') ? "" : "/") + prefix + "XXXXXX";
    if (!::mkdtemp(pattern.data()))
        return std::nullopt;
    struct stat st {};
    if (::lstat(pattern.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        ::rmdir(pattern.c_str());
        return std::nullopt;
    }
    PrivateFolder f;
    f.m_path = pattern;
    f.m_dev = st.st_dev;
    f.m_ino = st.st_ino;
    return f;
}

bool PrivateFolder::remove() const
{
    struct stat st {};
    if (::lstat(m_path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::getuid()
        || st.st_dev != m_dev || st.st_ino != m_ino)
        return false;
    const int fd = ::open(m_path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return false;
    // The open folder is checked again: the path may have been swapped
    // between the lstat and the open.
    struct stat opened {};
    if (::fstat(fd, &opened) != 0 || opened.st_dev != m_dev || opened.st_ino != m_ino) {
        ::close(fd);
        return false;
    }
    const bool emptied = removeEntries(fd, 0);
    ::close(fd);
    // rmdir never follows a link and never removes a folder with entries.
    return ::rmdir(m_path.c_str()) == 0 && emptied;
}

std::string processTempFolder()
{
    std::lock_guard<std::mutex> lock(g_processTempLock);
    if (g_processTemp && g_processTempOwner == ::getpid())
        return g_processTemp->path();
    g_processTemp.reset();
    const std::string own = env("VOXTRACE_TEMP_DIR");
    if (!own.empty())
        makeFolders(own);
    for (const std::string& parent : {own, env("XDG_RUNTIME_DIR"), env("TMPDIR"), std::string("/tmp")}) {
        if (parent.empty())
            continue;
        if ((g_processTemp = PrivateFolder::make(parent, "voxtrace-" + std::to_string(::getpid()) + "-"))) {
            g_processTempOwner = ::getpid();
            static const bool registered = std::atexit(removeProcessTemp) == 0;
            (void)registered;
            break;
        }
    }
    return g_processTemp ? g_processTemp->path() : std::string();
}

bool makeFolders(const std::string& path)
{
    std::error_code ec;
    std::filesystem::create_directories(path, ec);
    return !ec && std::filesystem::is_directory(path, ec);
}

} // namespace vx
