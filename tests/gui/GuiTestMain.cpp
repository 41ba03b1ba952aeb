// The GUI tests' main: one QApplication (offscreen) and private folders for
// the settings files, as the core tests have.

#include "draw/ViewFonts.h"

#include <QApplication>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace {
std::string g_root;
}

namespace vxtest {
const std::string& testRoot()
{
    return g_root;
}
} // namespace vxtest

int main(int argc, char** argv)
{
    std::string tmpl = (std::filesystem::temp_directory_path() / "voxtrace-gui-test-XXXXXX").string();
    g_root = mkdtemp(tmpl.data()) ? tmpl : std::string("/tmp");
    setenv("VOXTRACE_CONFIG_DIR", (g_root + "/config").c_str(), 1);
    setenv("VOXTRACE_TEMP_DIR", (g_root + "/temp").c_str(), 1);
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    vx::installTextMeasurer();
    ::testing::InitGoogleTest(&argc, argv);
    int result = RUN_ALL_TESTS();
    std::error_code ec;
    std::filesystem::remove_all(g_root, ec);
    return result;
}
