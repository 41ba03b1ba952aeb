// Every input kept under fuzz/findings through its fuzz target's entry (aborting on a sanitizer's report).

#include "FuzzEntry.h"
#include "support/SoundFiles.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <utility>

TEST(FuzzFindings, EveryKeptInputPassesItsFuzzTargetsEntry)
{
    int replayed = 0;
    for (auto [folder, entry] : {std::pair{"reader-chain", &vxfuzz::readerChainInput},
                                 {"config", &vxfuzz::configurationInput},
                                 {"textgrid", &vxfuzz::textGridInput},
                                 {"log", &vxfuzz::logFileInput}}) {
        for (const auto& e : std::filesystem::directory_iterator(std::string(VOXTRACE_FUZZ_FINDINGS) + "/" + folder)) {
            if (!e.is_regular_file() || e.path().filename().string().starts_with("."))
                continue;
            SCOPED_TRACE(e.path().string());
            const std::vector<std::uint8_t> bytes = vxtest::readBytes(e.path().string());
            EXPECT_EQ(entry(bytes.data(), bytes.size()), "");
            ++replayed;
        }
    }
    EXPECT_GE(replayed, 2) << "the kept inputs were found";
}
