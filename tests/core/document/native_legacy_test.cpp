#include "app/AppState.h"
#include "document/Document.h"
#include "document/NativeFormat.h"
#include "document/SaveCommands.h"
#include "platform/ByteReader.h"
#include "support/SoundFiles.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace vx;

namespace {

class Native : public ::testing::Test {
protected:
    void SetUp() override { resetAppState(); }
};

LabelPtr makeLabel(const std::string& text, double time, int justification)
{
    auto l = std::make_shared<Labels>();
    l->setFont_Color({"DejaVu Sans", 18.0, 9, true}, {0xFFFF, 0x8080, 0});
    l->setLabelText(text);
    l->dTime = time;
    l->nJustification = justification;
    l->bAddLine = true;
    l->rectLocation = {12, -5, 30, 40};
    return l;
}

// A 2-second 8 kHz document with labels on tiers 1 and 3 (tier 2 hidden).
void makeLabelledDocument(Document& d)
{
    std::vector<float> samples(16000);
    for (std::size_t k = 0; k < samples.size(); ++k)
        samples[k] = static_cast<float>((static_cast<int>(k % 200) - 100) / 128.0);
    vxtest::fillChannel(d, samples, 8000);
    Channels& c = d.getChannel(0);
    c.SetTitle("speaker A");
    c.SetUnit("Pa");
    c.m_nColorRed = 100;
    c.m_dC1Cal = 2.5;
    c.m_dReference = 0.25;
    c.m_Tiers[1].bSelected = true;
    c.m_Tiers[1].nHeigth = 33;
    c.m_Tiers[2].bSelected = false;
    c.m_Tiers[3].bSelected = true;
    c.m_Tiers[3].setLevelName("notes");
    c.Tier_Add_Label_Cocoa(1, makeLabel("hello", 500, 2));
    c.Tier_Add_Label_Cocoa(1, makeLabel("world", 1200, 1));
    c.Tier_Add_Label_Cocoa(1, makeLabel("", 1300, 0));
    c.Tier_Add_Label_Cocoa(2, makeLabel("hidden", 100, 0));
    c.Tier_Add_Label_Cocoa(3, makeLabel("H*", 1100, 0));
}

} // namespace

TEST_F(Native, SizeOfAFileWithoutTiersAndSampleEncoding)
{
    Document d;
    vxtest::fillChannel(d, {0.5f, -1.0f, 1.5f}, 11025);
    std::vector<std::uint8_t> bytes = Save_VXT_FileType(d, 0);
    ASSERT_EQ(bytes.size(), 512u + 248 + 2 * 3);
    EXPECT_STREQ(reinterpret_cast<const char*>(bytes.data()), "VXTMACX");
    ByteReader r(bytes);
    r.seek(512 + 248);
    EXPECT_EQ(r.i16le(), 16384);
    EXPECT_EQ(r.i16le(), -32768);
    EXPECT_EQ(r.i16le(), 32767) << "clipped";
    Document back;
    ASSERT_TRUE(back.readFromData(bytes, nullptr).ok);
    EXPECT_EQ(back.getChannel(0).m_hData[0], 0.5f);
    EXPECT_EQ(back.s.m_nFileFormat, 13);
    EXPECT_FALSE(back.m_bForeignFile);
}

TEST_F(Native, SaveAndReopenKeepsEverythingAttachedToTheChannel)
{
    Document d;
    makeLabelledDocument(d);
    Document back;
    ReadResult r = back.readFromData(dataOfType(d), nullptr);
    ASSERT_TRUE(r.ok) << r.reason;
    EXPECT_EQ(r.reader, "native");
    const Channels& c = back.getChannel(0);
    EXPECT_EQ(c.m_strTitle, "speaker A");
    EXPECT_EQ(c.m_strUnit, "Pa");
    EXPECT_EQ(c.m_nColorRed, 100);
    EXPECT_EQ(c.m_dC1Cal, 2.5);
    EXPECT_EQ(c.m_dReference, 0.25);
    EXPECT_EQ(c.m_dwFileLength, 16000.0);
    EXPECT_EQ(c.m_hData[150], d.getChannel(0).m_hData[150]);

    EXPECT_EQ(c.m_Tiers[0].strName, "words") << "saved tiers reopen as 0, 1, ...";
    EXPECT_EQ(c.m_Tiers[0].nHeigth, 33);
    EXPECT_TRUE(c.m_Tiers[0].bSelected);
    ASSERT_EQ(c.m_Tiers[0].nLabelCount, 2) << "the empty label is written but not restored";
    EXPECT_EQ(c.m_Tiers[1].strName, "notes");
    EXPECT_EQ(c.m_Tiers[1].nLabelCount, 1);
    const Labels& l = *c.m_Tiers[0].m_pArrayLabels[0];
    EXPECT_EQ(l.getLabelText(), "hello");
    EXPECT_EQ(l.dTime, 500.0);
    EXPECT_EQ(l.nJustification, 2);
    EXPECT_TRUE(l.bAddLine);
    EXPECT_EQ(l.rectLocation, (Rect{12, -5, 30, 40}));
    EXPECT_EQ(l.mFontColor, (RGBColor{0xFFFF, 0x8080, 0}));
    EXPECT_EQ(l.mFont, (LabelFont{"DejaVu Sans", 18.0, 9, true}));

    // The PC variant of the same bytes ignores fonts and colours.
    std::vector<std::uint8_t> pc = dataOfType(d);
    std::memcpy(pc.data(), "VXT_PC\0\0", 8);
    Document fromPc;
    ASSERT_TRUE(fromPc.readFromData(pc, nullptr).ok);
    EXPECT_EQ(fromPc.getChannel(0).m_Tiers[0].m_pArrayLabels[0]->mFont, (LabelFont{"Arial", 14.0, 5, false}));
    EXPECT_EQ(fromPc.getChannel(0).m_Tiers[0].m_pArrayLabels[0]->mFontColor, (RGBColor{}));
}

TEST_F(Native, ASelectionSavesLabelTimesFromItsStart)
{
    Document d;
    makeLabelledDocument(d);
    Channels& c = d.getChannel(0);
    c.SetMarkerValues_Time(1000);
    c.SetCursorInFile_Time(1500);
    c.CalculateDuration();
    SaveBytes s = bytesForSave(d, "selection");
    ASSERT_TRUE(s.error.empty());
    Document back;
    ASSERT_TRUE(back.readFromData(s.bytes, nullptr).ok);
    const Channels& b = back.getChannel(0);
    EXPECT_EQ(b.m_dLengthMS, 500.0);
    EXPECT_EQ(b.m_dwFileLength, 4000.0);
    EXPECT_EQ(b.m_hData[0], c.m_hData[8000]);
    ASSERT_EQ(b.m_Tiers[0].nLabelCount, 1);
    EXPECT_EQ(b.m_Tiers[0].m_pArrayLabels[0]->dTime, 200.0);
    EXPECT_EQ(b.m_Tiers[1].m_pArrayLabels[0]->dTime, 100.0);
}

TEST_F(Native, LegacyFloatFilesLoadSeveralChannels)
{
    Document d;
    ReadResult r = d.readFromData(vxtest::makeQadFloat({{1000, {0.25f, -0.5f}}, {22050, {0.25f, -0.5f}}}), nullptr);
    ASSERT_TRUE(r.ok) << r.reason;
    EXPECT_EQ(r.reader, "legacy-float");
    EXPECT_EQ(d.m_nNumofChannels, 2);
    EXPECT_EQ(d.s.m_nFileFormat, 4);
    EXPECT_EQ(d.getChannel(1).m_hData[1], -0.5f);
    EXPECT_EQ(d.getChannel(1).m_nChannelType, 1) << "the first channel above 8 kHz becomes the speech channel";
    EXPECT_EQ(d.getChannel(0).m_nChannelType, 0);
    EXPECT_EQ(d.getChannel(0).m_strTitle, "EGG");
    ASSERT_NE(d.getChannel(1).GetLabel(0), nullptr);
    EXPECT_EQ(d.getChannel(1).GetLabel(0)->getLabelText(), "onset");
}

TEST_F(Native, OldPcLayoutAPlacesFlaggedChannelsInOrder)
{
    std::vector<std::uint8_t> a(6484 + 8, 0);
    putU32le(a.data(), 6484);
    putU32le(a.data() + 4, 10);
    putU32le(a.data() + 8, 4);
    putU32le(a.data() + 16, 10000);
    putU32le(a.data() + 20, 2000);
    putU32le(a.data() + 24, 8);
    putU32le(a.data() + 28, 4);
    for (int flag : {1, 3, 5}) {
        a[188 + 4 * static_cast<std::size_t>(flag)] = 1;
        putU32le(a.data() + 256 + 4 * flag, static_cast<std::uint32_t>(10 * flag));
    }
    putU32le(a.data() + 1480, 2);
    putU32le(a.data() + 1484, 0); // at time 0: outside the recording
    putU32le(a.data() + 1488, 0);
    std::memcpy(a.data() + 1888, "skip", 4);
    putU16le(a.data() + 6484, 0x4000);
    Document d;
    ReadResult r = d.readFromData(a, nullptr);
    ASSERT_TRUE(r.ok) << r.reason;
    EXPECT_EQ(r.reader, "legacy-pc");
    EXPECT_EQ(d.m_nNumofChannels, 4);
    EXPECT_EQ(d.getChannel(0).m_dwFileLength, 4.0);
    EXPECT_EQ(d.getChannel(0).m_hData[0], 0.5f);
    EXPECT_EQ(d.getChannel(0).m_dADInputVoltageRangeMV, 5000.0);
    EXPECT_EQ(d.getChannel(1).m_dGain, 10.0);
    EXPECT_EQ(d.getChannel(2).m_dGain, 30.0);
    EXPECT_EQ(d.getChannel(3).m_dGain, 50.0);
    EXPECT_EQ(d.getChannel(3).m_nOrder, 4);
    EXPECT_EQ(d.getChannel(3).m_nResolutionBits, 12);
    EXPECT_EQ(d.getChannel(0).m_nLabelCount, 0);
}

TEST_F(Native, QadMacChannelsAreNumberedFromZeroAndLabelsWithAnyRectangleLoad)
{
    std::vector<std::uint8_t> m(512, 0);
    std::memcpy(m.data(), "QAD_Mac", 7);
    putU32be(m.data() + 8, 2);
    for (int k = 0; k < 2; ++k) {
        std::vector<std::uint8_t> h(248, 0);
        putF64be(h.data(), 0.25);
        putF64be(h.data() + 8, 8000);
        putF64be(h.data() + 16, 2);
        putU32be(h.data() + 92, k == 0 ? 1 : 0);
        m.insert(m.end(), h.begin(), h.end());
        if (k == 0) {
            std::vector<std::uint8_t> label(368, 0);
            putF64be(label.data(), 0.1);
            putU32be(label.data() + 28, 0x7FFFFFFF); // the largest top a file can hold
            std::memcpy(label.data() + 112, "edge", 4);
            m.insert(m.end(), label.begin(), label.end());
        }
        m.insert(m.end(), {0x40, 0x00, 0xC0, 0x00});
    }
    Document d;
    ASSERT_TRUE(d.readFromData(m, nullptr).ok);
    EXPECT_EQ(d.getChannel(0).m_strTitle, "Chan  0");
    EXPECT_EQ(d.getChannel(1).m_strTitle, "Chan  1");
    EXPECT_EQ(d.getChannel(0).m_hData[0], 0.5f) << "big-endian samples";
    EXPECT_EQ(d.getChannel(0).m_hData[1], -0.5f);
    EXPECT_EQ(d.getChannel(1).m_hData[0], 0x4000 / 2048.0f);
    ASSERT_EQ(d.getChannel(0).m_nLabelCount, 1);
    EXPECT_EQ(d.getChannel(0).GetLabel(0)->getLabelText(), "edge");
}

TEST_F(Native, DetectionIsByContentNotName)
{
    Document d;
    vxtest::fillChannel(d, {0.25f, 0.5f}, 8000);
    std::string native = vxtest::tempPath("native.wav");
    std::string wave = vxtest::tempPath("wave.vxt");
    vxtest::writeBytes(native, dataOfType(d));
    vxtest::writeBytes(wave, bytesForSave(d, "channel").bytes);
    Document a, b;
    EXPECT_EQ(a.loadFile(native, nullptr).reader, "native");
    EXPECT_EQ(b.loadFile(wave, nullptr).reader, "wave");
}
