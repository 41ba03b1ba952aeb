#include "platform/Paths.h"

#include <cstdlib>
#include <filesystem>
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

bool makeFolders(const std::string& path)
{
    std::error_code ec;
    std::filesystem::create_directories(path, ec);
    return !ec && std::filesystem::is_directory(path, ec);
}

} // namespace vx
