#include "model/Channels.h"
#include "platform/ByteReader.h"

#include <gtest/gtest.h>

#include <tuple>

using namespace vx;

namespace {

// A channel of n samples at rate fs, shown whole.
Channels makeChannel(int n, double fs)
{
    Channels c;
    c.m_hData.newClear(static_cast<std::size_t>(n));
    for (int k = 0; k < n; ++k)
        c.m_hData[static_cast<std::size_t>(k)] = static_cast<float>(k) / n;
    c.m_dwFileLength = n;
    c.m_dSampleRate = fs;
    c.m_dLengthMS = n * 1000.0 / fs;
    c.m_dPageMax = n;
    return c;
}

} // namespace

TEST(Channels, PixelSampleTimeMappingClampsAtBothEndsAndTheDurationRunsFromTheEarlierEnd)
{
    Channels c = makeChannel(22050, 11025); // shown over 500 px
    for (auto [x, sample, ms] : {std::tuple{600.0, 22050.0, 2000.0}, {-10.0, 0.0, 0.0}, {250.0, 11025.0, 1000.0}}) {
        c.SetCursorInFile_Point({x, 0}, 500);
        EXPECT_EQ(c.m_dCursorFileValue, sample) << x;
        EXPECT_EQ(c.m_dCursorTime, ms) << x;
    }
    c.SetCursorInFile_Time(5000);
    EXPECT_EQ(c.m_dCursorFileValue, 22050.0);
    EXPECT_EQ(c.m_dCursorTime, 2000.0);
    EXPECT_EQ(c.GetCursorTime({125, 0}, 250), 1000.0);
    EXPECT_DOUBLE_EQ(c.GetCursorPixelforTime(-100, 500), -25.0) << "neither rounded nor clamped";
    c.SetMarkerValues_Point({100, 0}, 1000);
    EXPECT_EQ(c.m_dMarkerTime, 200.0);

    Channels empty;
    empty.SetCursorInFile_Point({10, 0}, 0);
    EXPECT_EQ(empty.m_dCursorTime, 0.0) << "no samples, no strip: still finite";

    c.SetMarkerValues_Time(1500);
    EXPECT_EQ(c.m_dMarkerFileValue, 16537.5);
    EXPECT_FLOAT_EQ(static_cast<float>(c.m_dMarkerDataValue), c.m_hData[16537]);
    c.SetCursorInFile_Time(500);
    c.CalculateDuration();
    EXPECT_EQ(c.m_dDurationStartTime, 500.0);
    EXPECT_EQ(c.m_dDurationStopTime, 1500.0);
    EXPECT_EQ(c.GetDurationTime(), 1000.0);
    EXPECT_EQ(c.m_dDurationFile, 11025.0);

    c.SetCursorInFile_Time(1500);
    c.m_dCursorFileValue = 16000; // equal times: both ends come from the cursor
    c.CalculateDuration();
    EXPECT_EQ(c.m_dDurationStartFile, 16000.0);
    EXPECT_EQ(c.m_dDurationStopFile, 16000.0);
    EXPECT_EQ(c.m_dDurationTime, 0.0);

    c.SetMarkerValues_Time(2000);
    EXPECT_FLOAT_EQ(static_cast<float>(c.m_dMarkerDataValue), c.m_hData[22049]) << "N reads the last sample";
}

TEST(Channels, ReadsEachSampleEncodingAndOneChannelOfInterleavedOnes)
{
    const std::vector<std::uint8_t> pcm = {0x00, 0x80, 0xFF, 0x7F, 0x80, 0x00};
    std::vector<std::uint8_t> f(24);
    for (int k = 0; k < 6; ++k)
        putF32le(&f[4 * std::size_t(k)], k < 2 ? (k ? -2.0f : 0.25f) : float(k));
    const struct {
        const std::vector<std::uint8_t>& bytes;
        int n, at, bits;
        bool swap;
        int channels, channel; // 0 channels: one channel, not interleaved
        std::vector<float> expected;
    } cases[] = {
        {pcm, 3, 0, 16, false, 0, 0, {-1.0f, 0.999969482421875f, 0.00390625f}},
        {pcm, 1, 4, 16, true, 0, 0, {-1.0f}},
        {pcm, 1, 2, 12, false, 0, 0, {32767 / 2048.0f}},
        {pcm, 2, 0, 8, false, 0, 0, {-1.0f, 0.0f}}, // unsigned with 128 as zero
        {f, 2, 0, 32, true, 0, 0, {0.25f, -2.0f}},  // 32-bit reads ignore swap
        {pcm, 1, 0, 16, false, 3, 1, {0.999969482421875f}},
        {f, 2, 0, 32, false, 3, 2, {2.0f, 5.0f}},
    };
    for (const auto& k : cases) {
        Channels c;
        ASSERT_TRUE(k.channels ? c.readDataMuliChannel(k.bytes, k.n, k.at, k.bits, k.swap, k.channels, k.channel)
                               : c.readData(k.bytes, k.n, k.at, k.bits, k.swap));
        EXPECT_EQ(std::vector<float>(c.m_hData.data(), c.m_hData.data() + c.m_hData.size()), k.expected)
            << k.bits << " bits from " << k.at;
    }
    Channels c;
    EXPECT_THROW(c.readData(pcm, 4, 0, 16, false), ReadPastEnd);
    EXPECT_THROW(c.readData(pcm, 1, 5, 16, false), ReadPastEnd);
    EXPECT_FALSE(c.readData(pcm, -1, 0, 16, false));
    EXPECT_FALSE(c.readDataMuliChannel(f, 2, 0, 32, false, 3, 3)) << "channel index past the file's count";
    EXPECT_THROW(c.readDataMuliChannel(f, 3, 0, 32, false, 3, 0), ReadPastEnd);
}

TEST(Channels, DuplicateCopiesSamplesFieldsAndUntieredLabelsButNotTiers)
{
    Channels src = makeChannel(100, 8000);
    src.m_nChannelType = 1;
    src.m_dC1Cal = 3.0;
    src.m_bApplyCalibration = true;
    src.SetMarkerValues_Time(5);
    LabelRecord rec;
    rec.strText = "untiered";
    src.Add_Label(rec);
    src.Tier_Add_Label_Cocoa(1, std::make_shared<Labels>());
    src.m_hfDataPitch.newClear(3);
    src.m_hfDataPitch[2] = 120.0f;
    src.m_nPitchFileLength = 3;

    Channels dst;
    dst.Add_Label(rec);
    dst.Duplicate(src);
    EXPECT_EQ(dst.m_nChannelType, 1);
    EXPECT_EQ(dst.m_hData[99], src.m_hData[99]);
    EXPECT_EQ(dst.m_dC1Cal, 3.0);
    EXPECT_FALSE(dst.m_bApplyCalibration);
    EXPECT_EQ(dst.m_dMarkerTime, 5.0);
    EXPECT_EQ(dst.m_nLabelCount, 1);
    EXPECT_NE(dst.GetLabel(0), src.GetLabel(0)) << "labels are copied, not shared";
    EXPECT_EQ(dst.GetLabel(0)->getLabelText(), "untiered");
    EXPECT_EQ(dst.m_Tiers[1].nLabelCount, 0);
    EXPECT_EQ(dst.m_hfDataPitch[2], 120.0f);
}
