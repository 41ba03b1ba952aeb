// Every test process gets private configuration and temporary folders, so
// that tests running side by side never share a settings file and never
// touch the user's own.

#include "support/TestFolders.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

std::string g_root;

class PrivateFolders : public ::testing::Environment {
public:
    void SetUp() override
    {
        std::string tmpl = (std::filesystem::temp_directory_path() / "voxtrace-test-XXXXXX").string();
        g_root = mkdtemp(tmpl.data()) ? tmpl : std::string();
        ASSERT_FALSE(g_root.empty());
        setenv("VOXTRACE_CONFIG_DIR", (g_root + "/config").c_str(), 1);
        setenv("VOXTRACE_TEMP_DIR", (g_root + "/temp").c_str(), 1);
    }
    void TearDown() override
    {
        std::error_code ec;
        std::filesystem::remove_all(g_root, ec);
    }
};

} // namespace

namespace vxtest {

const std::string& testRoot()
{
    return g_root;
}

} // namespace vxtest

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::AddGlobalTestEnvironment(new PrivateFolders);
    return RUN_ALL_TESTS();
}
