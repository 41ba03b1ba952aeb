#include "app/AppState.h"
#include "document/Document.h"
#include "platform/ByteReader.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace vx;

namespace {

std::vector<std::string> calls; // the stand-in readers that ran

class DocumentTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        resetAppState();
        calls.clear();
        std::filesystem::remove_all(std::getenv("VOXTRACE_CONFIG_DIR"));
    }
};

// A reader that changes the document, then loads (0), passes (-1), throws
// (2) or refuses with a reason (3).
FileReader standIn(const char* name, int result)
{
    return {name, [=](Document& d, std::span<const std::uint8_t>, ReadContext& ctx) {
                calls.push_back(name);
                d.m_nNumofChannels = 7;
                d.s.m_nFFTfrequencyRange = 1;
                if (result == 2)
                    throw ReadPastEnd();
                if (result == 3) {
                    ctx.reason = std::string(name) + " refused the variant";
                    return -1;
                }
                if (result == 0)
                    d.m_bHaveData = true;
                return result;
            }};
}

} // namespace

TEST_F(DocumentTest, ReaderChainStopsAtFirstSuccessOrExceptionAndRestoresTheDocument)
{
    Document d;
    ReadResult r = d.readFromData({}, nullptr, {standIn("a", -1), standIn("b", 0), standIn("c", 0)});
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(r.reader, "b");
    EXPECT_EQ(calls, (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(d.m_nNumofChannels, 7) << "the loading reader's changes stay";

    Document failed;
    calls.clear();
    r = failed.readFromData({}, nullptr, {standIn("a", 3), standIn("b", 2), standIn("c", 0)});
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(calls, (std::vector<std::string>{"a", "b"})) << "no reader after an exception";
    EXPECT_EQ(r.reason, "a refused the variant");
    EXPECT_EQ(failed.m_nNumofChannels, 0);
    EXPECT_EQ(failed.s.m_nFFTfrequencyRange, 5000);
    EXPECT_FALSE(failed.m_bHaveData);

    r = failed.readFromData({}, nullptr, {standIn("a", -1)});
    EXPECT_NE(r.reason.find("not in a format"), std::string::npos);
    r = failed.loadFile("/nonexistent/file.wav", nullptr);
    EXPECT_FALSE(r.ok);
    EXPECT_NE(r.reason.find("/nonexistent/file.wav"), std::string::npos);
}

TEST_F(DocumentTest, ANewDocumentHasTwentySlotsAtTheRecordRateAndTracksItsChanges)
{
    app().g_nRecordSampleRate = 44100;
    Document d;
    EXPECT_EQ(d.s.m_dAnalysisSampleRate, 44100.0);
    EXPECT_THROW(d.getChannel(20), std::out_of_range);

    EXPECT_FALSE(d.isDocumentEdited());
    d.setDirty();
    EXPECT_TRUE(d.isDocumentEdited());
    d.clearChanges();
    EXPECT_FALSE(d.isDocumentEdited());
}
