#include "app/AppState.h"
#include "document/Document.h"
#include "platform/ByteReader.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace vx;

namespace {

class DocumentTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        resetAppState();
        std::filesystem::remove_all(std::getenv("VOXTRACE_CONFIG_DIR"));
    }
};

// A reader that changes the document, then loads (0), passes (-1), throws
// (2) or refuses with a reason (3).
FileReader standIn(const char* name, int result, std::vector<std::string>* calls)
{
    return {name, [=](Document& d, std::span<const std::uint8_t>, ReadContext& ctx) {
                calls->push_back(name);
                d.m_nNumofChannels = 7;
                d.getChannel(0).m_dwFileLength = 99;
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

TEST_F(DocumentTest, CreationMakesTwentySlotsAtTheRecordRate)
{
    app().g_nRecordSampleRate = 44100;
    Document d;
    EXPECT_EQ(d.m_Channel.size(), 20u);
    EXPECT_EQ(d.m_nNumofChannels, 0);
    EXPECT_FALSE(d.m_bHaveData);
    EXPECT_EQ(d.s.m_dAnalysisSampleRate, 44100.0);
    EXPECT_EQ(d.getChannel(15).m_strUnit, "normalized");
    EXPECT_EQ(d.getChannel(16).m_strUnit, "");
    EXPECT_EQ(d.getChannel(19).m_dSampleRate, 44100.0);
    EXPECT_THROW(d.getChannel(20), std::out_of_range);
}

TEST_F(DocumentTest, ReaderChainStopsAtFirstSuccess)
{
    Document d;
    std::vector<std::string> calls;
    std::vector<FileReader> chain = {standIn("a", -1, &calls), standIn("b", 0, &calls), standIn("c", 0, &calls)};
    ReadResult r = d.readFromData({}, nullptr, chain);
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(r.reader, "b");
    EXPECT_EQ(calls, (std::vector<std::string>{"a", "b"}));
    EXPECT_TRUE(d.m_bHaveData);
    EXPECT_EQ(d.m_nNumofChannels, 7) << "the loading reader's changes stay";
}

TEST_F(DocumentTest, ReaderChainStopsAtExceptionAndRestoresTheDocument)
{
    Document d;
    std::vector<std::string> calls;
    std::vector<FileReader> chain = {standIn("a", 3, &calls), standIn("b", 2, &calls), standIn("c", 0, &calls)};
    ReadResult r = d.readFromData({}, nullptr, chain);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(calls, (std::vector<std::string>{"a", "b"})) << "no reader after an exception";
    EXPECT_EQ(r.reason, "a refused the variant");
    EXPECT_EQ(d.m_nNumofChannels, 0);
    EXPECT_EQ(d.getChannel(0).m_dwFileLength, 0.0);
    EXPECT_EQ(d.s.m_nFFTfrequencyRange, 5000);
    EXPECT_FALSE(d.m_bHaveData);

    calls.clear();
    r = d.readFromData({}, nullptr, {standIn("a", -1, &calls), standIn("b", -1, &calls)});
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(calls.size(), 2u);
    EXPECT_NE(r.reason.find("not in a format"), std::string::npos);

    r = d.loadFile("/nonexistent/file.wav", nullptr);
    EXPECT_FALSE(r.ok);
    EXPECT_NE(r.reason.find("/nonexistent/file.wav"), std::string::npos);
}

TEST_F(DocumentTest, EnablingRules)
{
    Document d;
    using A = DocumentAction;
    for (A a : {A::saveDocument, A::saveDocumentAs, A::fileSaveCopyAs, A::fileExportAs,
                A::revertDocumentToSaved, A::fileSaveConfiguration, A::fileSaveSelectionAs})
        EXPECT_FALSE(d.validateMenuItem(a));
    EXPECT_TRUE(d.validateMenuItem(A::fileLoadConfiguration));
    EXPECT_TRUE(d.validateMenuItem(A::other));
    d.m_bHaveSelection = true;
    EXPECT_FALSE(d.validateMenuItem(A::fileExportSelectionAs)) << "a selection without data";
    d.m_bHaveData = true;
    EXPECT_TRUE(d.validateMenuItem(A::fileExportSelectionAs));
    EXPECT_TRUE(d.validateMenuItem(A::saveDocument));
    d.m_bHaveSelection = false;
    EXPECT_FALSE(d.validateMenuItem(A::fileSaveSelectionAs));

    EXPECT_FALSE(d.isDocumentEdited());
    d.setDirty();
    EXPECT_TRUE(d.isDocumentEdited());
    d.clearChanges();
    EXPECT_FALSE(d.isDocumentEdited());
}
