// Private folders and file access, as another local user or an odd file system entry would try them.

#include "platform/FileIO.h"
#include "platform/Paths.h"
#include "support/SoundFiles.h"
#include "support/TestFolders.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

using namespace vx;
namespace fs = std::filesystem;

namespace {

// A folder holding one file, standing for a user's own files.
std::string victim(const std::string& name)
{
    const std::string dir = vxtest::tempPath(name);
    fs::create_directories(dir);
    vxtest::writeBytes(dir + "/precious.txt", {'k', 'e', 'e', 'p'});
    return dir;
}

mode_t modeOf(const std::string& path)
{
    struct stat st {};
    ::stat(path.c_str(), &st);
    return st.st_mode & 07777;
}

} // namespace

TEST(PrivateFolder, RemovesOnlyTheFolderItMadeAndFollowsNoLink)
{
    const std::string parent = vxtest::tempPath("private-parent");
    fs::create_directories(parent);

    // Emptied and removed, links inside removed as links.
    auto own = PrivateFolder::make(parent, "own-");
    ASSERT_TRUE(own);
    EXPECT_EQ(modeOf(own->path()), 0700u);
    const std::string outside = victim("outside-target");
    fs::create_directories(own->path() + "/a/b");
    vxtest::writeBytes(own->path() + "/a/b/file", {1});
    fs::create_directory_symlink(outside, own->path() + "/a/link");
    EXPECT_TRUE(own->remove());
    EXPECT_FALSE(fs::exists(own->path()));
    EXPECT_TRUE(fs::exists(outside + "/precious.txt")) << "a link inside is removed, not followed";

    // Swapped for a link, or for another folder: nothing is touched.
    for (bool asLink : {true, false}) {
        auto swapped = PrivateFolder::make(parent, "swapped-");
        ASSERT_TRUE(swapped);
        const std::string target = victim(asLink ? "link-target" : "same-name");
        fs::remove(swapped->path());
        if (asLink)
            fs::create_directory_symlink(target, swapped->path());
        else
            fs::rename(target, swapped->path());
        EXPECT_FALSE(swapped->remove());
        EXPECT_TRUE(fs::exists((asLink ? target : swapped->path()) + "/precious.txt")) << (asLink ? "link" : "other folder");
    }
}

TEST(PrivateFolder, TheProcessFolderGoesAtExitButNotThroughALinkPutInItsPlace)
{
    for (bool swap : {false, true}) {
        const std::string target = victim(swap ? "exit-target" : "exit-unused");
        // The child's own folder, removed by its exit handler.
        const std::string folder = vxtest::inChildProcess(
            [&] {
                const std::string made = processTempFolder();
                vxtest::writeBytes(made + "/recording.wav", {1, 2});
                if (swap) {
                    fs::remove_all(made);
                    fs::create_directory_symlink(target, made);
                }
                return made;
            },
            true);
        ASSERT_FALSE(folder.empty());
        EXPECT_EQ(fs::path(folder).parent_path(), fs::path(std::getenv("VOXTRACE_TEMP_DIR")));
        EXPECT_TRUE(fs::exists(target + "/precious.txt"));
        if (swap)
            EXPECT_TRUE(fs::is_symlink(folder)) << "the link is left as the other user made it";
        else
            EXPECT_FALSE(fs::exists(folder));
        fs::remove(folder);
    }
}

TEST(Files, SavesKeepPermissionsAndWriteThroughLinks)
{
    const mode_t old = ::umask(027);
    const std::string fresh = vxtest::tempPath("fresh.vxt");
    ASSERT_TRUE(writeFileAtomically(fresh, std::vector<std::uint8_t>{1}));
    ::umask(old);
    EXPECT_EQ(modeOf(fresh), 0640u) << "a new file follows the umask";

    ::chmod(fresh.c_str(), 0604);
    ASSERT_TRUE(writeFileAtomically(fresh, std::vector<std::uint8_t>{2}));
    EXPECT_EQ(modeOf(fresh), 0604u) << "a replaced file keeps its mode";

    // A link in another folder, relative to its own folder.
    const std::string links = vxtest::tempPath("links");
    fs::create_directories(links);
    fs::create_symlink("../" + fs::path(fresh).filename().string(), links + "/shortcut.vxt");
    std::string error;
    ASSERT_TRUE(writeFileAtomically(links + "/shortcut.vxt", std::vector<std::uint8_t>{3, 3}, &error)) << error;
    EXPECT_TRUE(fs::is_symlink(links + "/shortcut.vxt")) << "the link stays a link";
    EXPECT_EQ(vxtest::readBytes(fresh), (std::vector<std::uint8_t>{3, 3})) << "its target has the new bytes";
    EXPECT_EQ(modeOf(fresh), 0604u);

    fs::create_symlink("loop-b", links + "/loop-a");
    fs::create_symlink("loop-a", links + "/loop-b");
    EXPECT_FALSE(writeFileAtomically(links + "/loop-a", std::vector<std::uint8_t>{4}, &error));
    EXPECT_NE(error.find("symbolic links"), std::string::npos) << error;
}

TEST(Files, PipesFoldersAndHugeFilesAreRefusedWithWhatTheyAre)
{
    const std::string fifo = vxtest::tempPath("a-pipe");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    std::string error;
    // No writer ever opens the pipe: reading must not wait for one.
    EXPECT_FALSE(readWholeFile(fifo, &error));
    EXPECT_NE(error.find("it is a pipe, not a file"), std::string::npos) << error;
    EXPECT_FALSE(MappedFile::open(fifo, &error));
    EXPECT_NE(error.find("a pipe"), std::string::npos) << error;
    EXPECT_FALSE(MappedFile::open(vxtest::testRoot(), &error));
    EXPECT_NE(error.find("a folder"), std::string::npos) << error;
    EXPECT_FALSE(readWholeFile("/dev/zero", &error));
    EXPECT_NE(error.find("a device"), std::string::npos) << error;

    const std::string big = vxtest::tempPath("big.txt");
    vxtest::writeBytes(big, std::vector<std::uint8_t>(5000, 'x'));
    EXPECT_FALSE(readWholeFile(big, &error, 4096));
    EXPECT_NE(error.find("more than the 4096 bytes"), std::string::npos) << error;
    EXPECT_TRUE(readWholeFile(big, &error, 5000));
}
