#include "platform/Paths.h"

#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <pwd.h>
#include <unistd.h>

namespace vx {

namespace {

std::string env(const char* name)
{
    const char* v = std::getenv(name);
    return v && *v ? std::string(v) : std::string();
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

std::string tempFolder()
{
    std::string dir = env("VOXTRACE_TEMP_DIR");
    if (dir.empty()) {
        std::string tmp = env("TMPDIR");
        dir = (tmp.empty() ? std::string("/tmp") : tmp) + "/temp/";
    }
    if (dir.back() != '/')
        dir += '/';
    return dir;
}

namespace {

std::string g_processTemp;

void removeProcessTemp()
{
    std::error_code ec;
    std::filesystem::remove_all(g_processTemp, ec);
}

} // namespace

std::string processTempFolder()
{
    static std::once_flag once;
    std::call_once(once, [] {
        std::string tmp = env("TMPDIR");
        for (std::string parent : {tempFolder(), tmp.empty() ? std::string("/tmp/") : tmp + "/"}) {
            makeFolders(parent);
            std::string pattern = parent + "voxtrace-" + std::to_string(getpid()) + "-XXXXXX";
            if (mkdtemp(pattern.data())) {
                g_processTemp = pattern + "/";
                std::atexit(removeProcessTemp);
                return;
            }
        }
    });
    return g_processTemp;
}

bool makeFolders(const std::string& path)
{
    std::error_code ec;
    std::filesystem::create_directories(path, ec);
    return !ec && std::filesystem::is_directory(path, ec);
}

} // namespace vx
