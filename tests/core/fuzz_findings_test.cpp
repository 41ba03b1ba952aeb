// Replays every input kept under fuzz/findings through the entry the fuzz
// targets use; under the sanitizer build a report there aborts the test.

#include "FuzzEntry.h"
#include "support/SoundFiles.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace {

using Entry = std::string (*)(const std::uint8_t*, std::size_t);

int replayFolder(const std::string& folder, Entry entry)
{
    int replayed = 0;
    for (const auto& e : std::filesystem::directory_iterator(folder)) {
        if (!e.is_regular_file() || e.path().filename().string().starts_with("."))
            continue;
        SCOPED_TRACE(e.path().string());
        const std::vector<std::uint8_t> bytes = vxtest::readBytes(e.path().string());
        EXPECT_EQ(entry(bytes.data(), bytes.size()), "");
        ++replayed;
    }
    return replayed;
}

} // namespace

TEST(FuzzFindings, EveryKeptInputPassesItsFuzzTargetsEntry)
{
    const std::string root = VOXTRACE_FUZZ_FINDINGS;
    EXPECT_GE(replayFolder(root + "/reader-chain", vxfuzz::readerChainInput), 1);
    replayFolder(root + "/config", vxfuzz::configurationInput);
    replayFolder(root + "/textgrid", vxfuzz::textGridInput);
    replayFolder(root + "/log", vxfuzz::logFileInput);
}
