// Reading and writing sound files, and refusing or repairing damaged ones.

#include "app/AppState.h"
#include "document/Document.h"
#include "document/NativeFormat.h"
#include "document/SaveCommands.h"
#include "document/WaveFormat.h"
#include "platform/ByteReader.h"
#include "platform/Format.h"
#include "support/SoundFiles.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <sys/resource.h>
#include <tuple>
#include <type_traits>
#include <unistd.h>

using namespace vx;
using vxtest::makeWave;
using Bytes = std::vector<std::uint8_t>;

#if defined(__SANITIZE_ADDRESS__)
#define VX_ASAN 1
#elif defined(__has_feature)
#define VX_ASAN __has_feature(address_sanitizer)
#else
#define VX_ASAN 0
#endif

namespace {

class SoundFiles : public ::testing::Test {
protected:
    void SetUp() override { resetAppState(); }
};

Bytes chunk(const char* id, const Bytes& body, bool pad = true)
{
    Bytes out(8);
    std::memcpy(out.data(), id, 4);
    putU32le(&out[4], static_cast<std::uint32_t>(body.size()));
    out.insert(out.end(), body.begin(), body.end());
    if (pad && (body.size() & 1))
        out.push_back(0);
    return out;
}

// A saved native file of n samples at `rate`, with one label on one tier.
Bytes nativeFile(double rate, std::size_t n = 16)
{
    Document d;
    vxtest::fillChannel(d, std::vector<float>(n, 0.25f), rate);
    Channels& c = d.getChannel(0);
    c.m_Tiers[0].bSelected = true;
    auto label = std::make_shared<Labels>();
    label->setLabelText("a");
    label->dTime = 1;
    c.Tier_Add_Label_Cocoa(0, label);
    return dataOfType(d);
}

constexpr std::size_t kNativeTierCount = 512 + 92;
constexpr std::size_t kNativeRate = 512 + 8;
constexpr std::size_t kNativeLength = 512;
constexpr std::size_t kNativeLabelCount = 512 + 248 + 256;
constexpr std::size_t kNativeTierHeight = 512 + 248 + 260;
constexpr std::size_t kNativeLabelTime = 512 + 248 + 264;

// `bytes` with `value` stored little-endian at `at`.
template <typename T>
Bytes with(Bytes bytes, std::size_t at, T value)
{
    if constexpr (std::is_floating_point_v<T>)
        putF64le(bytes.data() + at, value);
    else if constexpr (sizeof(T) == 2)
        putU16le(bytes.data() + at, static_cast<std::uint16_t>(value));
    else
        putU32le(bytes.data() + at, static_cast<std::uint32_t>(value));
    return bytes;
}

Bytes firstBytes(const Bytes& bytes, std::size_t n)
{
    return {bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(n)};
}

// FORM, a COMM of the given body, then SSND with offset 0.
Bytes makeAiff(const char* form, const Bytes& comm, const Bytes& samples)
{
    Bytes out(12 + 8 + comm.size() + 16, 0);
    std::memcpy(out.data(), "FORM", 4);
    putU32be(&out[4], static_cast<std::uint32_t>(out.size() - 8 + samples.size()));
    std::memcpy(&out[8], form, 4);
    std::memcpy(&out[12], "COMM", 4);
    putU32be(&out[16], static_cast<std::uint32_t>(comm.size()));
    std::copy(comm.begin(), comm.end(), out.begin() + 20);
    std::memcpy(&out[20 + comm.size()], "SSND", 4);
    putU32be(&out[24 + comm.size()], static_cast<std::uint32_t>(samples.size() + 8));
    out.insert(out.end(), samples.begin(), samples.end());
    return out;
}

// A COMM body of one channel of N `bits`-bit frames at 8000 Hz.
Bytes commBody(std::uint32_t N, int bits)
{
    Bytes b = {0, 1, 0, 0, 0, 0, 0, static_cast<std::uint8_t>(bits), 0x40, 0x0B, 0xFA, 0, 0, 0, 0, 0, 0, 0};
    putU32be(&b[2], N);
    return b;
}

} // namespace

TEST_F(SoundFiles, AWaveFileSetsItsFieldsTheRateRuleDependsOnTheDocumentAndAChannelIsChosen)
{
    Document d;
    ASSERT_TRUE(d.readFromData(makeWave({1, 2, 3}, 1, 44100), nullptr).ok);
    const Channels& c = d.getChannel(0);
    EXPECT_EQ(c.m_dFilterRate, 22050.0);
    EXPECT_EQ(c.m_nResolutionBits, 32);
    EXPECT_TRUE(c.m_bAnchorChannel);
    EXPECT_EQ(d.s.m_nFFTAppliedWindowLength, 5);

    Document second;
    ASSERT_TRUE(second.readFromData(makeWave({1, 2}, 1, 44100), nullptr).ok);
    EXPECT_EQ(second.s.m_nLPCNumberofCoefficients, 48) << "a second document of the same rate";
    EXPECT_EQ(second.s.m_nFFTfrequencyRange, 22000);

    Document chosen;
    chosen.s.m_dAnalysisSampleRate = 44100; // settings made for this rate, as the settings file carries them
    chosen.s.m_nFFTAppliedWindowLength = 9; // the user's choice
    ASSERT_TRUE(chosen.readFromData(makeWave({1, 2}, 1, 44100), nullptr).ok);
    EXPECT_EQ(chosen.s.m_nFFTAppliedWindowLength, 9) << "values made for this rate stay";

    // A file of six channels: one is chosen, or the choice is cancelled.
    const Bytes six = makeWave(std::vector<std::int16_t>(24, 7), 6, 8000);
    Document lastOfSix, cancelled;
    FixedAnswers last(5), pastTheEnd(6); // an answer past the channels offered cancels
    ASSERT_TRUE(lastOfSix.readFromData(six, &last).ok);
    EXPECT_EQ(lastOfSix.getChannel(0).m_dwFileLength, 4.0);
    EXPECT_EQ(lastOfSix.m_nNumofChannels, 1);
    EXPECT_EQ(cancelled.readFromData(six, &pastTheEnd).reason, "No channel was chosen, so the file was not opened.");
    EXPECT_FALSE(cancelled.m_bHaveData);
}

// Each reopens by its content, not its name, whole or its header alone.
TEST_F(SoundFiles, BothWritersClipWhatTheyWriteReopensAndNothingUnreadableIsWritten)
{
    Document d;
    vxtest::fillChannel(d, {-1.0f, 0.5f, 1.0f, 1.5f, -2.0f, 0.0f}, 22050);
    const struct {
        Bytes bytes;
        std::size_t header;
        int format;
        const char *reader, *name;
    } files[] = {{Save_WAVE_FileType(d, false, 0), 48, 2, "wave", "wave.vxt"},
                 {Save_VXT_FileType(d, 0), 512 + 248, 13, "native", "native.wav"}};
    for (const auto& f : files) {
        ASSERT_EQ(f.bytes.size(), f.header + 2 * 6);
        ByteReader r(f.bytes);
        r.seek(f.header);
        for (int e : {-32768, 16384, 32767, 32767, -32768, 0})
            EXPECT_EQ(r.i16le(), e) << f.reader;
        const std::string path = vxtest::tempPath(f.name);
        vxtest::writeBytes(path, f.bytes);
        Document back, header;
        FixedAnswers noQuestion(-1); // a question would cancel
        ASSERT_EQ(back.loadFile(path, &noQuestion).reader, f.reader);
        EXPECT_EQ(back.getChannel(0).m_hData[0], -1.0f);
        EXPECT_EQ(back.getChannel(0).m_hData[1], 0.5f);
        EXPECT_EQ(back.s.m_nFileFormat, f.format);
        EXPECT_EQ(back.m_bForeignFile, f.format == 2);
        ASSERT_TRUE(header.loadFile(path, nullptr, true).ok);
        EXPECT_EQ(header.getChannel(0).m_dwFileLength, 6.0);
        EXPECT_EQ(header.getChannel(0).m_hData.size(), 0u) << "a header-only read decodes no samples";
    }
    const Bytes header = {
        'R', 'I', 'F', 'F', 52, 0, 0, 0, 'W', 'A', 'V', 'E', 'f', 'm', 't', ' ', 20, 0, 0, 0,
        1, 0, 1, 0, 0x22, 0x56, 0, 0, 0x44, 0xAC, 0, 0, 2, 0, 16, 0, 0, 0, 0, 0, // PCM, mono, 22050 Hz, 16 bits
        'd', 'a', 't', 'a', 12, 0, 0, 0};
    EXPECT_EQ(firstBytes(files[0].bytes, 48), header);
    EXPECT_STREQ(reinterpret_cast<const char*>(files[1].bytes.data()), "VXTMACX") << "a channel without tiers";

    Channels& c = d.getChannel(0);
    c.m_dDurationStartFile = 1;
    c.m_dDurationStopFile = 3;
    EXPECT_EQ(Save_WAVE_FileType(d, true, 0).size(), 48u + 2 * 2);
    c.SetMarkerValues_Time(0.01);
    SaveBytes empty = bytesForSave(d, "channelselection");
    EXPECT_TRUE(empty.bytes.empty());
    EXPECT_NE(empty.error.find("no samples"), std::string::npos);

    // Nothing is written that could not be read back or is not held.
    c.m_dwFileLength = 7; // more than the buffer holds
    for (const char* context : {"copyof", "channel"}) {
        const SaveBytes s = bytesForSave(d, context);
        EXPECT_TRUE(s.bytes.empty()) << context;
        EXPECT_NE(s.error.find("internal fault"), std::string::npos) << context << ": " << s.error;
    }
    c.m_hData.resize(0);
    c.m_dwFileLength = 0;
    for (const char* context : {"copyof", "channel"})
        EXPECT_NE(bytesForSave(d, context).error.find("There are no samples to save"), std::string::npos) << context;
    c.m_dwFileLength = 3;
    c.m_dSampleRate = 0.5; // a WAVE file holds a whole rate: 0
    EXPECT_NE(bytesForSave(d, "channel").error.find("0 Hz"), std::string::npos);
    c.m_dSampleRate = 2e6;
    EXPECT_NE(bytesForSave(d, "copyof").error.find("2000000 Hz"), std::string::npos);
}

TEST_F(SoundFiles, OddButReadableWaveFilesAreRead)
{
    // A stereo "fmt " then a mono 8-bit one: the data is read as the last says.
    const Bytes refmt = makeWave({-32576, -256}, 2, 8000, chunk("fmt ", {1, 0, 1, 0, 0x40, 0x1F, 0, 0, 0x40, 0x1F,
                                                                          0, 0, 1, 0, 8, 0}));
    auto cut = makeWave({10, 20, 30, 40, 50}, 1, 8000);
    cut.erase(cut.end() - 5, cut.end()); // two and a half frames gone: the frames there are kept
    const struct {
        const char* what;
        Bytes bytes;
        std::vector<float> samples;
    } cases[] = {
        {"odd chunk, padded", makeWave({7, 8, 9}, 1, 8000, chunk("LIST", {'a', 'b', 'c'})),
         {7 / 32768.0f, 8 / 32768.0f, 9 / 32768.0f}},
        {"odd chunk, not padded", makeWave({7, 8, 9}, 1, 8000, chunk("LIST", {'a', 'b', 'c'}, false)),
         {7 / 32768.0f, 8 / 32768.0f, 9 / 32768.0f}},
        {"cut short", cut, {10 / 32768.0f, 20 / 32768.0f}},
        {"a later fmt", refmt, {0.5f, 0.0f, -1.0f, 127 / 128.0f}},
    };
    for (const auto& k : cases) {
        Document d;
        FixedAnswers ui(1);
        ReadResult r = d.readFromData(k.bytes, &ui);
        ASSERT_TRUE(r.ok) << k.what << ": " << r.reason;
        const Channels& c = d.getChannel(0);
        EXPECT_EQ(c.m_dwFileLength, static_cast<double>(k.samples.size())) << k.what;
        EXPECT_EQ(std::vector<float>(c.m_hData.data(), c.m_hData.data() + c.m_hData.size()), k.samples) << k.what;
    }
}

TEST_F(SoundFiles, NativeSaveAndReopenKeepsEverythingAttachedToTheChannelOrItsSelection)
{
    Document d;
    std::vector<float> samples(16000);
    for (std::size_t k = 0; k < samples.size(); ++k)
        samples[k] = static_cast<float>(k) / 16000;
    vxtest::fillChannel(d, samples, 8000);
    Channels& source = d.getChannel(0);
    source.SetTitle("speaker A");
    source.m_dC1Cal = 2.5;
    source.m_Tiers[1].bSelected = true;
    source.m_Tiers[1].nHeigth = 33;
    source.m_Tiers[3].bSelected = true;
    source.m_Tiers[3].setLevelName("notes");
    for (auto [tier, text, time] : {std::tuple{1, "hello", 1200.0}, {1, "", 1300.0}, {2, "hidden", 100.0},
                                    {3, "H*", 1100.0}}) {
        auto l = std::make_shared<Labels>();
        l->setFont_Color({"DejaVu Sans", 18.0, 9, true}, {0xFFFF, 0x8080, 0});
        l->setLabelText(text);
        l->dTime = time;
        l->rectLocation = {12, -5, 30, 40};
        source.Tier_Add_Label_Cocoa(tier, l);
    }
    Document back;
    ReadResult r = back.readFromData(dataOfType(d), nullptr);
    ASSERT_TRUE(r.ok) << r.reason;
    EXPECT_EQ(r.reader, "native");
    const Channels& c = back.getChannel(0);
    EXPECT_EQ(c.m_strTitle, "speaker A");
    EXPECT_EQ(c.m_dC1Cal, 2.5);
    EXPECT_EQ(c.m_dwFileLength, 16000.0);
    EXPECT_EQ(c.m_Tiers[0].strName, "words") << "saved tiers reopen as 0, 1, ...";
    EXPECT_EQ(c.m_Tiers[0].nHeigth, 33);
    EXPECT_TRUE(c.m_Tiers[0].bSelected);
    ASSERT_EQ(c.m_Tiers[0].nLabelCount, 1) << "the empty label is written but not restored";
    EXPECT_EQ(c.m_Tiers[1].strName, "notes");
    EXPECT_EQ(c.m_Tiers[1].nLabelCount, 1);
    const Labels& l = *c.m_Tiers[0].m_pArrayLabels[0];
    EXPECT_EQ(l.getLabelText(), "hello");
    EXPECT_EQ(l.dTime, 1200.0);
    EXPECT_EQ(l.rectLocation, (Rect{12, -5, 30, 40}));
    EXPECT_EQ(l.mFontColor, (RGBColor{0xFFFF, 0x8080, 0}));
    EXPECT_EQ(l.mFont, (LabelFont{"DejaVu Sans", 18.0, 9, true}));

    // The PC variant of the same bytes ignores fonts and colours.
    Bytes pc = dataOfType(d);
    std::memcpy(pc.data(), "VXT_PC\0\0", 8);
    Document fromPc;
    ASSERT_TRUE(fromPc.readFromData(pc, nullptr).ok);
    EXPECT_EQ(fromPc.getChannel(0).m_Tiers[0].m_pArrayLabels[0]->mFont, (LabelFont{"Arial", 14.0, 5, false}));
    EXPECT_EQ(fromPc.getChannel(0).m_Tiers[0].m_pArrayLabels[0]->mFontColor, (RGBColor{}));

    // A selection saves its samples and label times from its start.
    source.SetMarkerValues_Time(1000);
    source.SetCursorInFile_Time(1500);
    source.CalculateDuration();
    SaveBytes s = bytesForSave(d, "selection");
    ASSERT_TRUE(s.error.empty());
    Document part;
    ASSERT_TRUE(part.readFromData(s.bytes, nullptr).ok);
    const Channels& b = part.getChannel(0);
    EXPECT_EQ(b.m_dLengthMS, 500.0);
    EXPECT_EQ(b.m_dwFileLength, 4000.0);
    EXPECT_EQ(b.m_hData[0], samples[8000]);
    ASSERT_EQ(b.m_Tiers[0].nLabelCount, 1);
    EXPECT_EQ(b.m_Tiers[0].m_pArrayLabels[0]->dTime, 200.0);
    EXPECT_EQ(b.m_Tiers[1].m_pArrayLabels[0]->dTime, 100.0);
}

TEST_F(SoundFiles, LegacyFloatFilesLoadSeveralChannels)
{
    Document d;
    ReadResult r = d.readFromData(vxtest::makeQadFloat({{1000, {0.25f, -0.5f}}, {22050, {0.25f, -0.5f}}}), nullptr);
    ASSERT_TRUE(r.ok) << r.reason;
    EXPECT_EQ(r.reader, "legacy-float");
    EXPECT_EQ(d.m_nNumofChannels, 2);
    EXPECT_EQ(d.getChannel(1).m_hData[1], -0.5f);
    EXPECT_EQ(d.getChannel(1).m_nChannelType, 1) << "the first channel above 8 kHz becomes the speech channel";
    EXPECT_EQ(d.getChannel(0).m_strTitle, "EGG");
    ASSERT_NE(d.getChannel(1).GetLabel(0), nullptr);
    EXPECT_EQ(d.getChannel(1).GetLabel(0)->getLabelText(), "onset");
}

TEST_F(SoundFiles, OldPcLayoutAPlacesFlaggedChannelsInOrder)
{
    Bytes a(6484 + 8, 0);
    // Two labels from 1480, the first at time 0: outside the recording.
    for (auto [at, v] : {std::pair{0, 6484}, {4, 10}, {8, 4}, {16, 10000}, {20, 2000}, {24, 8}, {28, 4}, {1480, 2}})
        putU32le(a.data() + at, static_cast<std::uint32_t>(v));
    for (int flag : {1, 3, 5}) {
        a[188 + 4 * static_cast<std::size_t>(flag)] = 1;
        putU32le(a.data() + 256 + 4 * flag, static_cast<std::uint32_t>(10 * flag));
    }
    std::memcpy(a.data() + 1888, "skip", 4);
    putU16le(a.data() + 6484, 0x4000);
    Document d;
    ReadResult r = d.readFromData(a, nullptr);
    ASSERT_TRUE(r.ok) << r.reason;
    EXPECT_EQ(r.reader, "legacy-pc");
    EXPECT_EQ(d.m_nNumofChannels, 4);
    EXPECT_EQ(d.getChannel(0).m_dwFileLength, 4.0);
    EXPECT_EQ(d.getChannel(0).m_hData[0], 0.5f);
    EXPECT_EQ(d.getChannel(1).m_dGain, 10.0);
    EXPECT_EQ(d.getChannel(3).m_dGain, 50.0);
    EXPECT_EQ(d.getChannel(3).m_nResolutionBits, 12);
    EXPECT_EQ(d.getChannel(0).m_nLabelCount, 0);
}

TEST_F(SoundFiles, QadMacChannelsAreNumberedFromZeroAndLabelsWithAnyRectangleLoad)
{
    Bytes m(512, 0);
    std::memcpy(m.data(), "QAD_Mac", 7);
    putU32be(m.data() + 8, 2);
    for (int k = 0; k < 2; ++k) {
        Bytes h(248, 0);
        putF64be(h.data(), 0.25);
        putF64be(h.data() + 8, 8000);
        putF64be(h.data() + 16, 2);
        putU32be(h.data() + 92, k == 0 ? 1 : 0);
        m.insert(m.end(), h.begin(), h.end());
        if (k == 0) {
            Bytes label(368, 0);
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
    EXPECT_EQ(d.getChannel(0).m_hData[0], 0.5f) << "big-endian samples";
    EXPECT_EQ(d.getChannel(1).m_hData[0], 0x4000 / 2048.0f);
    ASSERT_EQ(d.getChannel(0).m_nLabelCount, 1);
    EXPECT_EQ(d.getChannel(0).GetLabel(0)->getLabelText(), "edge");
}

TEST_F(SoundFiles, DamagedOrImpossibleFilesAreRefusedWithTheReasonAndTouchNothing)
{
    struct Case {
        std::string what;
        Bytes bytes;
        std::string reason;
    };
    const Bytes wave = vxtest::makeWave({1, 2, 3, 4}, 1, 8000);
    Bytes dataFirst = firstBytes(wave, 12);
    for (const Bytes& part : {chunk("data", {1, 0, 2, 0}), Bytes(wave.begin() + 12, wave.begin() + 36)})
        dataFirst.insert(dataFirst.end(), part.begin(), part.end());
    Bytes ima4 = commBody(2, 16);
    ima4.insert(ima4.end(), {'i', 'm', 'a', '4', 0, 0});
    Bytes fast = commBody(2, 16);
    fast[9] = 0x13; // 8000 * 2^8 Hz
    const Bytes be16 = {0x80, 0x00, 0x40, 0x00};
    const Bytes native = nativeFile(8000);
    auto cutShort = vxtest::makeQadFloat({{8000, {0.25f, -0.5f}, 1}});
    cutShort.pop_back();
    std::vector<Case> cases = {
        {"WAVE block align 0", with<std::uint16_t>(wave, 32, 0), "block align of 0"},
        {"WAVE data before fmt", dataFirst, "before its \"fmt \""},
        {"WAVE ADPCM", with<std::uint16_t>(wave, 20, 2), "tag 2"},
        {"WAVE of 12 bytes", firstBytes(wave, 12), "no \"fmt \""},
        {"WAVE without data", firstBytes(wave, 36), "no \"data\""},
        {"AIFC ima4", makeAiff("AIFC", ima4, be16), "\"ima4\""},
        {"AIFF cut short", makeAiff("AIFF", commBody(3, 16), be16), "shorter than its header"},
        // Without the whole rate: refused, not read on into the next chunk.
        {"AIFF COMM of 16 bytes", makeAiff("AIFF", firstBytes(commBody(2, 16), 16), be16),
         "\"COMM\" chunk is too short"},
        {"AIFF 2^31 frames", makeAiff("AIFF", commBody(0x80000000u, 8), {1, 2}), "at most 2147483647"},
        {"native of two channels", with(native, 8, 2), "declares 2 channels"},
        {"native of 11 tiers", with(native, kNativeTierCount, 11), "11 tiers"},
        {"native of too many labels", with(native, kNativeLabelCount, 100000), "more than the file holds"},
        {"native cut short", firstBytes(native, native.size() - 1), "truncated"},
        // (The writers refuse to write one: a file of one sample says 0.)
        {"native of no samples", with(nativeFile(8000, 1), kNativeLength + 16, 0.0), "contains no samples"},
        {"legacy float of 20 channels", vxtest::makeQadFloat({{1000, {0.25f, -0.5f}}}, 20), "20 channels"},
        {"legacy float cut short", cutShort, "its data ends before its header says"},
        // Rates no recording has, refused before anything is allocated for them.
        {"WAVE at 0 Hz", with(wave, 24, 0u), "declares a sample rate of 0 Hz"},
        {"WAVE at 1000001 Hz", with(wave, 24, 1000001u), "declares a sample rate of 1000001 Hz"},
        {"AIFF at 2048000 Hz", makeAiff("AIFF", fast, be16), "declares a sample rate of 2048000 Hz"},
        {"legacy float at 2e6 Hz", vxtest::makeQadFloat({{8000, {0.25f, 0.25f}}, {2e6, {0.5f, 0.5f}}}),
         "declares a sample rate of 2000000 Hz; recordings of 1 to 1000000 Hz can be opened."},
    };
    for (double rate : {0.999, 1e6 + 1, std::nan("")})
        cases.push_back({"native at " + formatShortest(rate), with(native, kNativeRate, rate),
                         "declares a sample rate of " + formatShortest(rate) + " Hz"});

    for (const Case& k : cases) {
        Document d;
        d.getChannel(0).SetTitle("untouched");
        const ReadResult r = d.readFromData(k.bytes, nullptr);
        EXPECT_FALSE(r.ok) << k.what;
        EXPECT_NE(r.reason.find(k.reason), std::string::npos) << k.what << ": " << r.reason;
        EXPECT_EQ(d.getChannel(0).m_strTitle, "untouched") << k.what;
        EXPECT_EQ(d.m_nNumofChannels, 0) << k.what;
        EXPECT_FALSE(d.m_bHaveData) << k.what;
    }
    for (double rate : {1.0, 1e6}) {
        Document d;
        EXPECT_TRUE(d.readFromData(nativeFile(rate), nullptr).ok) << rate << " Hz is a rate";
    }
}

TEST_F(SoundFiles, DurationsTierHeightsAndLabelTimesOutOfBoundsAreRepairedAndSaid)
{
    // (A selection's duration may differ from its samples' by less than a sample.)
    for (double stored : {std::numeric_limits<double>::infinity(), -5.0, 1500.0, 1000.05}) {
        Document d;
        const ReadResult r = d.readFromData(with(nativeFile(16000, 16000), kNativeLength, stored), nullptr);
        ASSERT_TRUE(r.ok) << r.reason;
        const bool repaired = stored != 1000.05;
        EXPECT_DOUBLE_EQ(d.getChannel(0).m_dLengthMS, repaired ? 1000.0 : 1000.05) << stored;
        EXPECT_EQ(r.notes.size(), repaired ? 1u : 0u) << stored;
        for (const std::string& note : r.notes)
            EXPECT_NE(note.find("1000 ms is used"), std::string::npos) << note;
    }

    // Tier heights and label times are held to what the views can draw.
    Document tall;
    ASSERT_TRUE(tall.readFromData(with(nativeFile(8000), kNativeTierHeight, 0x7FFFFFFF), nullptr).ok);
    EXPECT_EQ(tall.getChannel(0).m_Tiers[0].nHeigth, TIERS::kMaxHeight);

    Document timeless;
    const double inf = std::numeric_limits<double>::infinity();
    const ReadResult r = timeless.readFromData(with(nativeFile(8000), kNativeLabelTime, inf), nullptr);
    ASSERT_TRUE(r.ok) << r.reason;
    EXPECT_EQ(timeless.getChannel(0).m_Tiers[0].nLabelCount, 0);
    ASSERT_EQ(r.notes.size(), 1u);
    EXPECT_NE(r.notes[0].find("label 1 of tier 1"), std::string::npos) << r.notes[0];
}

// Under an address-space limit (in a child process) a file of more samples than fit is refused.
TEST_F(SoundFiles, ASampleBufferThatCannotBeHeldRefusesTheFile)
{
    // A sparse WAVE of 600 million samples: 1.2 GB of file, 2.4 GB of floats.
    const std::string path = vxtest::tempPath("too-large.wav");
    const std::uint32_t bytes = 1200000000u;
    vxtest::writeBytes(path, with(with(vxtest::makeWave({}, 1, 44100), 4, 36 + bytes), 40, bytes));
    ASSERT_EQ(::truncate(path.c_str(), static_cast<off_t>(44 + bytes)), 0);

    const std::string said = vxtest::inChildProcess([&] {
        rlimit limit{std::uint64_t(2) << 30, std::uint64_t(2) << 30};
        ::setrlimit(RLIMIT_AS, &limit);
        Document d;
        const ReadResult r = d.loadFile(path, nullptr);
        return (r.ok ? "opened" : r.reason) + (d.m_bHaveData ? " with data" : "");
    });
#if VX_ASAN
    // AddressSanitizer's operator new ends the child instead of throwing.
    EXPECT_EQ(said, "");
#else
    EXPECT_EQ(said, "not enough memory to open " + path + " (600000000 samples)");
#endif
}
