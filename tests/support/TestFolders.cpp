#include "support/TestFolders.h"

#include <cstdlib>
#include <filesystem>
#include <stdexcept>

static std::string g_root; // this process's private folder

namespace vxtest {

void makeTestFolders()
{
    g_root = (std::filesystem::temp_directory_path() / "voxtrace-test-XXXXXX").string();
    if (!mkdtemp(g_root.data()))
        throw std::runtime_error("no private test folder in " + g_root);
    setenv("VOXTRACE_CONFIG_DIR", (g_root + "/config").c_str(), 1);
    setenv("VOXTRACE_TEMP_DIR", (g_root + "/temp").c_str(), 1);
}

const std::string& testRoot()
{
    return g_root;
}

void removeTestFolders()
{
    std::error_code ec;
    std::filesystem::remove_all(g_root, ec);
}

} // namespace vxtest
