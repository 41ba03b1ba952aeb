#include "app/AppState.h"
#include "document/Document.h"
#include "document/SaveCommands.h"
#include "document/WaveFormat.h"
#include "platform/ByteReader.h"
#include "support/SoundFiles.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace vx;
using vxtest::makeWave;

namespace {

class ScriptedAnswers : public UserInteraction {
public:
    explicit ScriptedAnswers(int answer) : m_answer(answer) {}
    int chooseChannel(const std::vector<std::string>& items) override
    {
        offered = items;
        return m_answer;
    }
    int alert(const AlertSpec&) override { return 1; }
    std::vector<std::string> offered;

private:
    int m_answer;
};

std::vector<std::uint8_t> chunk(const char* id, std::vector<std::uint8_t> body, bool pad)
{
    std::vector<std::uint8_t> out(8);
    std::memcpy(out.data(), id, 4);
    putU32le(&out[4], static_cast<std::uint32_t>(body.size()));
    out.insert(out.end(), body.begin(), body.end());
    if (pad && (body.size() & 1))
        out.push_back(0);
    return out;
}

class Wave : public ::testing::Test {
protected:
    void SetUp() override { resetAppState(); }
};

} // namespace

TEST_F(Wave, MonoLoadsWithoutAQuestionAndSetsItsFields)
{
    Document d;
    ScriptedAnswers ui(0);
    ReadResult r = d.readFromData(makeWave({-32768, 16384, 32767}, 1, 44100), &ui);
    ASSERT_TRUE(r.ok) << r.reason;
    EXPECT_TRUE(ui.offered.empty());
    const Channels& c = d.getChannel(0);
    EXPECT_EQ(c.m_hData[0], -1.0f);
    EXPECT_EQ(c.m_hData[1], 0.5f);
    EXPECT_EQ(c.m_dwFileLength, 3.0);
    EXPECT_EQ(c.m_dFilterRate, 22050.0);
    EXPECT_EQ(c.m_nResolutionBits, 32);
    EXPECT_EQ(c.m_strUnit, "normalized");
    EXPECT_TRUE(c.m_bAnchorChannel);
    EXPECT_EQ(d.s.m_nFileFormat, 2);
    EXPECT_TRUE(d.m_bForeignFile);
    EXPECT_EQ(d.s.m_nLPCNumberofCoefficients, 48);
    EXPECT_EQ(d.s.m_nFFTAppliedWindowLength, 5);
    EXPECT_EQ(app().g_dAnalysisSampleRate, 44100.0);

    // Whether the rate rule runs depends on the document alone, never on
    // the files opened before it.
    Document second;
    ASSERT_TRUE(second.readFromData(makeWave({1, 2}, 1, 44100), nullptr).ok);
    EXPECT_EQ(second.s.m_nLPCNumberofCoefficients, 48) << "a second document of the same rate";
    EXPECT_EQ(second.s.m_nFFTfrequencyRange, 22000);

    Document chosen;
    chosen.s.m_dAnalysisSampleRate = 44100; // settings made for this rate, as the settings file carries them
    chosen.s.m_nFFTAppliedWindowLength = 9; // the user's choice
    ASSERT_TRUE(chosen.readFromData(makeWave({1, 2}, 1, 44100), nullptr).ok);
    EXPECT_EQ(chosen.s.m_nFFTAppliedWindowLength, 9) << "values made for this rate stay";
}

TEST_F(Wave, TheChannelChoiceOffersEveryChannel)
{
    std::vector<std::int16_t> frames;
    for (int k = 0; k < 4; ++k)
        for (int ch = 0; ch < 6; ++ch)
            frames.push_back(static_cast<std::int16_t>(1000 * ch + k));
    Document d;
    ScriptedAnswers ui(4);
    ASSERT_TRUE(d.readFromData(makeWave(frames, 6, 8000), &ui).ok);
    ASSERT_EQ(ui.offered.size(), 6u);
    EXPECT_EQ(ui.offered.front(), "Channel 1 ");
    EXPECT_EQ(ui.offered.back(), "Channel 6 ");
    EXPECT_EQ(d.getChannel(0).m_hData[3], (4000 + 3) / 32768.0f);
    EXPECT_EQ(d.m_nNumofChannels, 1);

    Document cancelled;
    ScriptedAnswers no(-1);
    EXPECT_FALSE(cancelled.readFromData(makeWave(frames, 6, 8000), &no).ok);
    EXPECT_FALSE(cancelled.m_bHaveData);
}

TEST_F(Wave, ExportIsByteExactAndClips)
{
    Document d;
    vxtest::fillChannel(d, {-1.0f, 0.5f, 1.0f, 1.5f, -2.0f, 0.0f}, 22050);
    std::vector<std::uint8_t> w = Save_WAVE_FileType(d, false, 0);
    ASSERT_EQ(w.size(), 48u + 2 * 6);
    const std::vector<std::uint8_t> header = {
        'R', 'I', 'F', 'F', 52, 0, 0, 0, 'W', 'A', 'V', 'E', 'f', 'm', 't', ' ', 20, 0, 0, 0,
        1, 0, 1, 0, 0x22, 0x56, 0, 0, 0x44, 0xAC, 0, 0, 2, 0, 16, 0, 0, 0, 0, 0, // PCM, mono, 22050 Hz, 16 bits
        'd', 'a', 't', 'a', 12, 0, 0, 0};
    EXPECT_EQ(std::vector<std::uint8_t>(w.begin(), w.begin() + 48), header);
    ByteReader r(w);
    r.seek(48);
    const std::int16_t expected[] = {-32768, 16384, 32767, 32767, -32768, 0};
    for (std::int16_t e : expected)
        EXPECT_EQ(r.i16le(), e);

    Document back;
    ASSERT_TRUE(back.readFromData(w, nullptr).ok) << "our own export reopens";
    EXPECT_EQ(back.getChannel(0).m_hData[1], 0.5f);

    Channels& c = d.getChannel(0);
    c.m_dDurationStartFile = 1;
    c.m_dDurationStopFile = 3;
    EXPECT_EQ(Save_WAVE_FileType(d, true, 0).size(), 48u + 2 * 2);
    c.SetMarkerValues_Time(0.01);
    SaveBytes empty = bytesForSave(d, "channelselection");
    EXPECT_TRUE(empty.bytes.empty());
    EXPECT_NE(empty.error.find("no samples"), std::string::npos);
    EXPECT_EQ(bytesForSave(d, "other").error, "Wrong save file method.");
}

TEST_F(Wave, OddButReadableFilesAreRead)
{
    auto fmt = [](int K, int bits) {
        std::vector<std::uint8_t> b(16);
        const int align = K * bits / 8;
        putU16le(&b[0], 1);
        putU16le(&b[2], static_cast<std::uint16_t>(K));
        putU32le(&b[4], 8000);
        putU32le(&b[8], static_cast<std::uint32_t>(8000 * align));
        putU16le(&b[12], static_cast<std::uint16_t>(align));
        putU16le(&b[14], static_cast<std::uint16_t>(bits));
        return chunk("fmt ", b, true);
    };
    // A stereo "fmt " (the second channel chosen), then a mono 8-bit one:
    // the mono layout is read from its first byte, not one byte on.
    std::vector<std::uint8_t> refmt{'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E'};
    for (const auto& part : {fmt(2, 16), fmt(1, 8), chunk("data", {192, 128, 0, 255}, true)})
        refmt.insert(refmt.end(), part.begin(), part.end());
    putU32le(&refmt[4], static_cast<std::uint32_t>(refmt.size() - 8));
    auto cut = makeWave({10, 20, 30, 40, 50}, 1, 8000);
    cut.erase(cut.end() - 5, cut.end()); // two and a half frames gone: the frames there are kept
    const struct {
        const char* what;
        std::vector<std::uint8_t> bytes;
        std::vector<float> samples;
    } cases[] = {
        {"odd chunk, padded", makeWave({7, 8, 9}, 1, 8000, chunk("LIST", {'a', 'b', 'c'}, true)),
         {7 / 32768.0f, 8 / 32768.0f, 9 / 32768.0f}},
        {"odd chunk, not padded", makeWave({7, 8, 9}, 1, 8000, chunk("LIST", {'a', 'b', 'c'}, false)),
         {7 / 32768.0f, 8 / 32768.0f, 9 / 32768.0f}},
        {"cut short", cut, {10 / 32768.0f, 20 / 32768.0f}},
        {"a later fmt", refmt, {0.5f, 0.0f, -1.0f, 127 / 128.0f}},
    };
    for (const auto& k : cases) {
        Document d;
        ScriptedAnswers ui(1);
        ReadResult r = d.readFromData(k.bytes, &ui);
        ASSERT_TRUE(r.ok) << k.what << ": " << r.reason;
        const Channels& c = d.getChannel(0);
        EXPECT_EQ(c.m_dwFileLength, static_cast<double>(k.samples.size())) << k.what;
        EXPECT_EQ(std::vector<float>(c.m_hData.data(), c.m_hData.data() + c.m_hData.size()), k.samples) << k.what;
    }
}
