#include "app/AppState.h"
#include "document/AiffFormat.h"
#include "document/Document.h"
#include "document/SaveCommands.h"
#include "document/WaveFormat.h"
#include "platform/ByteReader.h"
#include "support/SoundFiles.h"

#include <gtest/gtest.h>

#include <cmath>
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

TEST_F(Wave, OddChunksWithAndWithoutPadByte)
{
    for (bool pad : {true, false}) {
        Document d;
        auto file = makeWave({7, 8, 9}, 1, 8000, chunk("LIST", {'a', 'b', 'c'}, pad));
        ReadResult r = d.readFromData(file, nullptr);
        ASSERT_TRUE(r.ok) << "pad " << pad << ": " << r.reason;
        EXPECT_EQ(d.getChannel(0).m_dwFileLength, 3.0);
        EXPECT_EQ(d.getChannel(0).m_hData[2], 9 / 32768.0f);
    }
}

TEST_F(Wave, MalformedHeadersAreRefusedWithAReason)
{
    auto good = makeWave({1, 2, 3, 4}, 1, 8000);
    struct Case {
        const char* what;
        std::vector<std::uint8_t> bytes;
        const char* reason;
    };
    auto zeroAlign = good;
    putU16le(&zeroAlign[32], 0);
    auto zeroRate = good;
    putU32le(&zeroRate[24], 0);
    std::vector<std::uint8_t> dataFirst(good.begin(), good.begin() + 12);
    auto data = chunk("data", {1, 0, 2, 0}, true);
    dataFirst.insert(dataFirst.end(), data.begin(), data.end());
    dataFirst.insert(dataFirst.end(), good.begin() + 12, good.begin() + 36);
    auto adpcm = good;
    putU16le(&adpcm[20], 2);
    const Case cases[] = {
        {"block align 0", zeroAlign, "block align of 0"},
        {"rate 0", zeroRate, "sample rate of 0"},
        {"data before fmt", dataFirst, "before its \"fmt \""},
        {"ADPCM", adpcm, "tag 2"},
        {"12 bytes", std::vector<std::uint8_t>(good.begin(), good.begin() + 12), "no \"fmt \""},
        {"11 bytes", std::vector<std::uint8_t>(good.begin(), good.begin() + 11), "not in a format"},
        {"no data", std::vector<std::uint8_t>(good.begin(), good.begin() + 36), "no \"data\""},
    };
    for (const Case& k : cases) {
        Document d;
        ReadResult r = d.readFromData(k.bytes, nullptr);
        EXPECT_FALSE(r.ok) << k.what;
        EXPECT_NE(r.reason.find(k.reason), std::string::npos) << k.what << ": " << r.reason;
    }
}

TEST_F(Wave, ARecordingCutShortKeepsTheFramesItHas)
{
    auto file = makeWave({10, 20, 30, 40, 50}, 1, 8000);
    file.erase(file.end() - 5, file.end()); // two and a half frames gone
    Document d;
    ReadResult r = d.readFromData(file, nullptr);
    ASSERT_TRUE(r.ok) << r.reason;
    EXPECT_EQ(d.getChannel(0).m_dwFileLength, 2.0);
    EXPECT_EQ(d.getChannel(0).m_hData[1], 20 / 32768.0f);
}

TEST_F(Wave, ExportIsByteExactAndClips)
{
    Document d;
    vxtest::fillChannel(d, {-1.0f, 0.5f, 1.0f, 1.5f, -2.0f, 0.0f}, 22050);
    std::vector<std::uint8_t> w = Save_WAVE_FileType(d, false, 0);
    ASSERT_EQ(w.size(), 48u + 2 * 6);
    ByteReader r(w);
    EXPECT_EQ(r.fourcc(), "RIFF");
    EXPECT_EQ(r.u32le(), 40u + 12);
    EXPECT_EQ(r.fourcc(), "WAVE");
    EXPECT_EQ(r.fourcc(), "fmt ");
    EXPECT_EQ(r.u32le(), 20u);
    EXPECT_EQ(r.u16le(), 1);
    EXPECT_EQ(r.u16le(), 1);
    EXPECT_EQ(r.u32le(), 22050u);
    EXPECT_EQ(r.u32le(), 44100u);
    EXPECT_EQ(r.u16le(), 2);
    EXPECT_EQ(r.u16le(), 16);
    EXPECT_EQ(r.u32le(), 0u);
    EXPECT_EQ(r.fourcc(), "data");
    EXPECT_EQ(r.u32le(), 12u);
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

namespace {

std::vector<std::uint8_t> be32(std::uint32_t v)
{
    std::uint8_t b[4];
    putU32be(b, v);
    return {b, b + 4};
}

// FORM, a COMM of the given body, then SSND with offset 0.
std::vector<std::uint8_t> makeAiff(const char* form, std::vector<std::uint8_t> comm,
                                   const std::vector<std::uint8_t>& samples)
{
    std::vector<std::uint8_t> out(12, 0);
    auto id = [&](const char* s) {
        std::size_t at = out.size();
        out.resize(at + 4);
        std::memcpy(out.data() + at, s, 4);
    };
    std::memcpy(out.data(), "FORM", 4);
    std::memcpy(out.data() + 8, form, 4);
    id("COMM");
    auto size = be32(static_cast<std::uint32_t>(comm.size()));
    out.insert(out.end(), size.begin(), size.end());
    out.insert(out.end(), comm.begin(), comm.end());
    id("SSND");
    size = be32(static_cast<std::uint32_t>(samples.size() + 8));
    out.insert(out.end(), size.begin(), size.end());
    out.insert(out.end(), 8, 0);
    out.insert(out.end(), samples.begin(), samples.end());
    putU32be(&out[4], static_cast<std::uint32_t>(out.size() - 8));
    return out;
}

std::vector<std::uint8_t> commBody(int K, std::uint32_t N, int bits)
{
    // 8000 Hz as an 80-bit extended value.
    std::vector<std::uint8_t> b = {0, static_cast<std::uint8_t>(K)};
    auto n = be32(N);
    b.insert(b.end(), n.begin(), n.end());
    b.insert(b.end(), {0, static_cast<std::uint8_t>(bits), 0x40, 0x0B, 0xFA, 0, 0, 0, 0, 0, 0, 0});
    return b;
}

} // namespace

TEST_F(Wave, AiffAndAifcVariants)
{
    const std::uint8_t rate44100[10] = {0x40, 0x0E, 0xAC, 0x44, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(ConvertFromIeeeExtended(rate44100), 44100.0);

    const std::vector<std::uint8_t> be16 = {0x80, 0x00, 0x40, 0x00};
    Document aiff;
    ReadResult r = aiff.readFromData(makeAiff("AIFF", commBody(1, 2, 16), be16), nullptr);
    ASSERT_TRUE(r.ok) << r.reason;
    EXPECT_EQ(r.reader, "aiff");
    EXPECT_EQ(aiff.getChannel(0).m_dSampleRate, 8000.0);
    EXPECT_EQ(aiff.getChannel(0).m_hData[0], -1.0f);
    EXPECT_EQ(aiff.getChannel(0).m_hData[1], 0.5f);
    EXPECT_EQ(aiff.s.m_dAnalysisSampleRate, 8000.0);
    EXPECT_EQ(aiff.s.m_nFFTfrequencyRange, 4000);

    // The classic 38-byte AIFF-C "COMM": compression type and a 16-byte name.
    auto aifc = commBody(1, 2, 16);
    aifc.insert(aifc.end(), {'s', 'o', 'w', 't'});
    aifc.insert(aifc.end(), 16, 0);
    Document sowt;
    r = sowt.readFromData(makeAiff("AIFC", aifc, {0x00, 0x80, 0x00, 0x40}), nullptr);
    ASSERT_TRUE(r.ok) << r.reason;
    EXPECT_EQ(r.reader, "aifc");
    EXPECT_EQ(sowt.getChannel(0).m_hData[0], -1.0f);
    EXPECT_EQ(sowt.getChannel(0).m_hData[1], 0.5f);

    auto ima = commBody(1, 2, 16);
    ima.insert(ima.end(), {'i', 'm', 'a', '4', 0, 0});
    Document compressed;
    r = compressed.readFromData(makeAiff("AIFC", ima, be16), nullptr);
    EXPECT_FALSE(r.ok);
    EXPECT_NE(r.reason.find("\"ima4\""), std::string::npos) << r.reason;

    Document eight;
    ASSERT_TRUE(eight.readFromData(makeAiff("AIFF", commBody(2, 2, 8), {0x80, 1, 0x40, 2}), nullptr).ok);
    EXPECT_EQ(eight.getChannel(0).m_hData[1], 0.5f) << "8-bit AIFF is signed";

    Document cutShort;
    r = cutShort.readFromData(makeAiff("AIFF", commBody(1, 3, 16), be16), nullptr);
    EXPECT_FALSE(r.ok);
    EXPECT_NE(r.reason.find("shorter than its header"), std::string::npos);
    // A COMM without the whole rate: refused, not read on into the next chunk.
    auto truncated = commBody(1, 2, 16);
    truncated.resize(16);
    r = cutShort.readFromData(makeAiff("AIFF", truncated, be16), nullptr);
    EXPECT_FALSE(r.ok);
    EXPECT_NE(r.reason.find("\"COMM\" chunk is too short"), std::string::npos) << r.reason;

    // Rates no recording has: refused, naming the rate, before anything
    // is allocated for them.
    for (double rate : {1e-300, 0.001, 2e6}) {
        auto comm = commBody(1, 2, 16);
        const int e = std::ilogb(rate);
        const auto mantissa = static_cast<std::uint64_t>(std::ldexp(rate, 63 - e));
        comm[8] = static_cast<std::uint8_t>((e + 16383) >> 8);
        comm[9] = static_cast<std::uint8_t>(e + 16383);
        for (int k = 0; k < 8; ++k)
            comm[static_cast<std::size_t>(10 + k)] = static_cast<std::uint8_t>(mantissa >> (56 - 8 * k));
        EXPECT_DOUBLE_EQ(ConvertFromIeeeExtended(&comm[8]), rate);
        Document odd;
        r = odd.readFromData(makeAiff("AIFF", comm, be16), nullptr);
        EXPECT_FALSE(r.ok) << rate;
        EXPECT_NE(r.reason.find("The AIFF file declares a sample rate of"), std::string::npos) << r.reason;
    }

    for (std::uint32_t N : {0x80000000u, 0xFFFFFFFFu}) {
        Document huge;
        r = huge.readFromData(makeAiff("AIFF", commBody(1, N, 8), {1, 2}), nullptr);
        EXPECT_FALSE(r.ok);
        EXPECT_NE(r.reason.find("at most 2147483647"), std::string::npos) << r.reason;
    }
}

TEST_F(Wave, ALaterFmtChunkReplacesTheChannelChosenForAnEarlierOne)
{
    // A stereo "fmt " (the second channel chosen), then a mono 8-bit one:
    // the mono layout is read from its first byte, not one byte on.
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
    std::vector<std::uint8_t> file{'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E'};
    for (const auto& part : {fmt(2, 16), fmt(1, 8), chunk("data", {192, 128, 0, 255}, true)})
        file.insert(file.end(), part.begin(), part.end());
    putU32le(&file[4], static_cast<std::uint32_t>(file.size() - 8));
    Document d;
    ScriptedAnswers ui(1);
    ReadResult r = d.readFromData(file, &ui);
    ASSERT_TRUE(r.ok) << r.reason;
    ASSERT_EQ(d.getChannel(0).m_dwFileLength, 4);
    EXPECT_EQ(d.getChannel(0).m_hData[0], 0.5f);
    EXPECT_EQ(d.getChannel(0).m_hData[3], 127 / 128.0f);
}
