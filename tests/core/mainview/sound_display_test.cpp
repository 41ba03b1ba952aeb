// Playback as the main view shows it, and loading a finished recording into a document.

#include "document/RecordedFile.h"
#include "document/WaveFormat.h"
#include "mainview/SoundDisplay.h"
#include "platform/ByteReader.h"
#include "support/SoundFiles.h"

#include <gtest/gtest.h>

#include <tuple>

using namespace vx;

namespace {

// A mono WAVE file of `body` with the given format tag and bits: a 16-bit file's header, changed.
std::vector<std::uint8_t> waveWithTag(int tag, int bits, int rate, const std::vector<std::uint8_t>& body)
{
    std::vector<std::uint8_t> w = vxtest::makeWave({}, 1, rate);
    w.insert(w.end(), body.begin(), body.end());
    putU32le(&w[4], static_cast<std::uint32_t>(w.size() - 8));
    putU16le(&w[20], static_cast<std::uint16_t>(tag));
    putU16le(&w[32], static_cast<std::uint16_t>(bits / 8));
    putU16le(&w[34], static_cast<std::uint16_t>(bits));
    putU32le(&w[40], static_cast<std::uint32_t>(body.size()));
    return w;
}

// Writes `bytes` to a file and reads it into d as a finished recording.
int readRecorded(Document& d, const std::vector<std::uint8_t>& bytes, std::string* reason = nullptr)
{
    const std::string path = vxtest::tempPath("recording.wav");
    vxtest::writeBytes(path, bytes);
    return Read_RecordedFile(d, path, reason);
}

} // namespace

TEST(RecordedFile, DecodesEveryWaveLayoutAndLeavesTheDocumentAloneOnAFileItCannotUse)
{
    Document d;
    vxtest::fillChannel(d, std::vector<float>(500, 0.25f), 8000);
    d.getChannel(1).m_hData.newClear(10);
    d.m_bForeignFile = false;
    d.s.m_nFileFormat = 13;

    // 16-bit PCM is decoded, not copied byte for byte.
    ASSERT_EQ(readRecorded(d, vxtest::makeWave({16384, -32768, 0, 8192}, 1, 11025)), 0);
    const Channels& c = d.getChannel(0);
    EXPECT_EQ(c.m_dSampleRate, 11025);
    EXPECT_EQ(c.m_dwFileLength, 4);
    EXPECT_NEAR(c.m_dLengthMS, 4000.0 / 11025, 1e-12);
    ASSERT_EQ(c.m_hData.size(), 4u);
    EXPECT_FLOAT_EQ(c.m_hData[0], 0.5f);
    EXPECT_FLOAT_EQ(c.m_hData[1], -1.0f);
    EXPECT_EQ(c.m_dPageMax, 4);
    EXPECT_EQ(d.m_nNumofChannels, 1);
    EXPECT_EQ(d.getChannel(1).m_hData.size(), 0u);
    EXPECT_TRUE(d.isDocumentEdited());
    EXPECT_TRUE(d.m_bNewFile);
    EXPECT_FALSE(d.m_bForeignFile);
    EXPECT_EQ(d.s.m_nFileFormat, 13);

    // Mu-law (the recorder's own float output is read in the audio tests).
    ASSERT_EQ(readRecorded(d, waveWithTag(7, 8, 8000, {0x00, 0xFF, 0x80})), 0);
    EXPECT_NEAR(d.getChannel(0).m_hData[0], muLawToLinear(0x00) / 32768.0, 1e-6);
    EXPECT_EQ(d.getChannel(0).m_hData[1], 0.0f);

    // A file that is no usable WAVE leaves the document alone.
    Document kept;
    vxtest::fillChannel(kept, std::vector<float>(500, 0.25f), 8000);
    std::string reason;
    EXPECT_EQ(readRecorded(kept, waveWithTag(2, 8, 8000, {1, 2, 3}), &reason), -1);
    EXPECT_NE(reason.find("not supported"), std::string::npos) << reason;
    EXPECT_EQ(Read_RecordedFile(kept, vxtest::tempPath("missing.wav"), &reason), -1);
    EXPECT_FALSE(reason.empty());
    EXPECT_EQ(readRecorded(kept, {'R', 'I', 'F', 'F', 0, 0}), -1);
    EXPECT_EQ(kept.getChannel(0).m_dwFileLength, 500);
    EXPECT_EQ(kept.getChannel(0).m_hData[499], 0.25f);
    EXPECT_FALSE(kept.isDocumentEdited());
}

// The recording level: red exactly above a peak-to-peak of 0.9 (-0.25 and
// 0.65f are 0.9 apart to within float rounding), range*H/2 high but at
// least 10 and at most H/2, two pixels on per block.
TEST(SoundDisplay, TheLevelBarIsRedExactlyAboveAPeakToPeakOf0_9)
{
    EXPECT_FALSE(nextLevelBar(0, true, -0.25f, 0.65f, 400, 300).red);
    EXPECT_TRUE(nextLevelBar(0, true, -0.25f, 0.6501f, 400, 300).red);
    EXPECT_NEAR(nextLevelBar(0, true, -0.1f, 0.3f, 400, 300).height, 0.4 * 150, 1e-4);
    EXPECT_EQ(nextLevelBar(0, true, 0.0f, 0.001f, 400, 300).height, 10);
    EXPECT_EQ(nextLevelBar(0, true, -1.0f, 1.0f, 400, 300).height, 150);
    EXPECT_EQ(nextLevelBar(398, true, 0, 0, 400, 300).x, 400);
    EXPECT_EQ(nextLevelBar(399, true, 0, 0, 400, 300).x, 1);
}

TEST(SoundDisplay, PlayStretchesAndThePlayCursorFollowThePlayedTime)
{
    Document d;
    vxtest::fillChannel(d, std::vector<float>(20000), 10000); // 2 s
    Channels& c = d.getChannel(0);
    c.m_dPageMin = 5000;
    c.m_dPageMax = 10000; // 0.5 s page: 1 px per ms
    c.m_dPageSize = 5000;
    c.GetPageMinMaxTimes(nullptr, nullptr);
    c.m_dDurationStartFile = 6000;
    c.m_dDurationFile = 1000;

    for (auto [code, first, count] : {std::tuple{PlayCode::WholeFile, 0, 20000}, {PlayCode::Selection, 6000, 1000},
                                      {PlayCode::Window, 5000, 5000}}) {
        EXPECT_EQ(playStretch(c, code).first, first);
        EXPECT_EQ(playStretch(c, code).count, count);
    }

    // The whole file played 600 ms in is at 600 ms, 100 px into this page, not 600 px past it.
    const Rect strip{0, 50, 100, 550}; // 500 px from x=50
    EXPECT_NEAR(playCursorX(c, strip, 0, 600e6), 50 + 100, 1e-9);
    EXPECT_NEAR(playCursorX(c, strip, 6000, 50e6), 50 + 150, 1e-9);
    const Rect wide{0, 50, 100, 1050};
    EXPECT_NEAR(playCursorX(c, wide, 6000, 50e6), 50 + 300, 1e-9) << "the column is the calling view's";

    // A stretch never reaches past the samples.
    c.m_dDurationStartFile = 19990;
    c.m_dDurationFile = 100;
    const PlayStretch s = playStretch(c, PlayCode::Selection);
    EXPECT_EQ(s.first + s.count, 20000);
    c.m_hData.dispose();
    EXPECT_EQ(playStretch(c, PlayCode::WholeFile).count, 0);
}
