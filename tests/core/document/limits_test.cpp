// Files that are damaged or declare what no recording can be: every reader
// refuses them with the value named and leaves the document as it was, or
// repairs what can be repaired and says so; and no writer writes what a
// reader would refuse.

#include "app/AppState.h"
#include "document/AiffFormat.h"
#include "document/Document.h"
#include "document/Limits.h"
#include "document/SaveCommands.h"
#include "platform/ByteReader.h"
#include "platform/Format.h"
#include "support/SoundFiles.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <fcntl.h>
#include <sys/resource.h>
#include <type_traits>
#include <unistd.h>

using namespace vx;
using Bytes = std::vector<std::uint8_t>;

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VX_CLANG_ASAN 1
#endif
#endif
#ifndef VX_CLANG_ASAN
#define VX_CLANG_ASAN 0
#endif

namespace {

class Limits : public ::testing::Test {
protected:
    void SetUp() override { resetAppState(); }
};

// A saved one-channel native file of n samples at `rate`, with one tier
// holding one label.
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

Bytes chunk(const char* id, const Bytes& body)
{
    Bytes out(8);
    std::memcpy(out.data(), id, 4);
    putU32le(&out[4], static_cast<std::uint32_t>(body.size()));
    out.insert(out.end(), body.begin(), body.end());
    return out;
}

// FORM, a COMM of the given body, then SSND with offset 0.
Bytes makeAiff(const char* form, const Bytes& comm, const Bytes& samples)
{
    Bytes out = {'F', 'O', 'R', 'M', 0, 0, 0, 0};
    out.insert(out.end(), form, form + 4);
    auto header = [&out](const char* id, std::size_t size) {
        out.insert(out.end(), id, id + 4);
        out.resize(out.size() + 4);
        putU32be(&out[out.size() - 4], static_cast<std::uint32_t>(size));
    };
    header("COMM", comm.size());
    out.insert(out.end(), comm.begin(), comm.end());
    header("SSND", samples.size() + 8);
    out.insert(out.end(), 8, 0);
    out.insert(out.end(), samples.begin(), samples.end());
    putU32be(&out[4], static_cast<std::uint32_t>(out.size() - 8));
    return out;
}

// A COMM body of K channels of N `bits`-bit frames at `rate`, the rate as
// an 80-bit extended value.
Bytes commBody(int K, std::uint32_t N, int bits, double rate = 8000)
{
    Bytes b(18, 0);
    putU16be(&b[0], static_cast<std::uint16_t>(K));
    putU32be(&b[2], N);
    putU16be(&b[6], static_cast<std::uint16_t>(bits));
    const int e = std::ilogb(rate);
    const auto mantissa = static_cast<std::uint64_t>(std::ldexp(rate, 63 - e));
    putU16be(&b[8], static_cast<std::uint16_t>(e + 16383));
    for (int k = 0; k < 8; ++k)
        b[static_cast<std::size_t>(10 + k)] = static_cast<std::uint8_t>(mantissa >> (56 - 8 * k));
    return b;
}

std::string rateRefusal(double rate)
{
    return "declares a sample rate of " + formatShortest(rate) + " Hz; recordings of 1 to 1000000 Hz can be opened.";
}

} // namespace

TEST_F(Limits, DamagedOrImpossibleFilesAreRefusedWithTheReasonAndTouchNothing)
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
    Bytes ima4 = commBody(1, 2, 16);
    ima4.insert(ima4.end(), {'i', 'm', 'a', '4', 0, 0});
    const Bytes be16 = {0x80, 0x00, 0x40, 0x00};
    const Bytes native = nativeFile(8000);
    auto cutShort = vxtest::makeQadFloat({{8000, {0.25f, -0.5f}, 1}});
    cutShort.pop_back();
    std::vector<Case> cases = {
        {"WAVE block align 0", with<std::uint16_t>(wave, 32, 0), "block align of 0"},
        {"WAVE data before fmt", dataFirst, "before its \"fmt \""},
        {"WAVE ADPCM", with<std::uint16_t>(wave, 20, 2), "tag 2"},
        {"WAVE of 12 bytes", firstBytes(wave, 12), "no \"fmt \""},
        {"WAVE of 11 bytes", firstBytes(wave, 11), "not in a format"},
        {"WAVE without data", firstBytes(wave, 36), "no \"data\""},
        {"AIFC ima4", makeAiff("AIFC", ima4, be16), "\"ima4\""},
        {"AIFF cut short", makeAiff("AIFF", commBody(1, 3, 16), be16), "shorter than its header"},
        // Without the whole rate: refused, not read on into the next chunk.
        {"AIFF COMM of 16 bytes", makeAiff("AIFF", firstBytes(commBody(1, 2, 16), 16), be16),
         "\"COMM\" chunk is too short"},
        {"AIFF 2^31 frames", makeAiff("AIFF", commBody(1, 0x80000000u, 8), {1, 2}), "at most 2147483647"},
        {"AIFF 2^32-1 frames", makeAiff("AIFF", commBody(1, 0xFFFFFFFFu, 8), {1, 2}), "at most 2147483647"},
        {"native of two channels", with(native, 8, 2), "declares 2 channels"},
        {"native of 11 tiers", with(native, kNativeTierCount, 11), "11 tiers"},
        {"native of -1 tiers", with(native, kNativeTierCount, -1), "-1 tiers"},
        {"native of too many labels", with(native, kNativeLabelCount, 100000), "more than the file holds"},
        {"native of -3 labels", with(native, kNativeLabelCount, -3), "declares -3 labels"},
        {"native cut short", firstBytes(native, native.size() - 1), "truncated"},
        // (The writers refuse to write one: a file of one sample says 0.)
        {"native of no samples", with(nativeFile(8000, 1), kNativeLength + 16, 0.0), "contains no samples"},
        {"legacy float of 20 channels", vxtest::makeQadFloat({{1000, {0.25f, -0.5f}}}, 20), "20 channels"},
        {"legacy float cut short", cutShort, "its data ends before its header says"},
    };
    // Rates no recording has: refused, naming the rate, before anything is
    // allocated for them.
    for (double rate : {0.0, 0.001, 1e-300, 1e6 + 1, 2147483647.0, std::nan("")}) {
        cases.push_back({"native at " + formatShortest(rate), with(native, kNativeRate, rate), rateRefusal(rate)});
        cases.push_back({"legacy float at " + formatShortest(rate),
                         vxtest::makeQadFloat({{8000, {0.25f, 0.25f}}, {rate, {0.5f, 0.5f}}}), rateRefusal(rate)});
    }
    for (std::uint32_t rate : {0u, 1073741824u, 1000001u})
        cases.push_back({"WAVE at " + std::to_string(rate), with(wave, 24, rate), rateRefusal(rate)});
    for (double rate : {1e-300, 0.001, 2e6})
        cases.push_back({"AIFF at " + formatShortest(rate), makeAiff("AIFF", commBody(1, 2, 16, rate), be16),
                         rateRefusal(rate)});

    for (const Case& k : cases) {
        Document d;
        d.getChannel(0).SetTitle("untouched");
        const ReadResult r = d.readFromData(k.bytes, nullptr);
        EXPECT_FALSE(r.ok) << k.what;
        EXPECT_NE(r.reason.find(k.reason), std::string::npos) << k.what << ": " << r.reason;
        EXPECT_EQ(d.getChannel(0).m_strTitle, "untouched") << k.what;
        EXPECT_EQ(d.getChannel(0).m_Tiers[0].strName, "tones") << k.what;
        EXPECT_EQ(d.m_nNumofChannels, 0) << k.what;
        EXPECT_FALSE(d.m_bHaveData) << k.what;
    }
    const std::uint8_t rate44100[10] = {0x40, 0x0E, 0xAC, 0x44, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(ConvertFromIeeeExtended(rate44100), 44100.0);
    for (double rate : {1.0, 1e6}) {
        Document d;
        EXPECT_TRUE(d.readFromData(nativeFile(rate), nullptr).ok) << rate << " Hz is a rate";
    }
}

TEST_F(Limits, ADurationThatDisagreesIsRepairedAndSaid)
{
    // A selection saves its duration from its times, which may differ from
    // the samples' by less than a sample: no repair.
    for (double stored : {1e300, std::numeric_limits<double>::infinity(), -5.0, 1500.0, 1000.05}) {
        Document d;
        const ReadResult r = d.readFromData(with(nativeFile(16000, 16000), kNativeLength, stored), nullptr);
        ASSERT_TRUE(r.ok) << r.reason;
        const bool repaired = stored != 1000.05;
        EXPECT_DOUBLE_EQ(d.getChannel(0).m_dLengthMS, repaired ? 1000.0 : 1000.05) << stored;
        EXPECT_EQ(r.notes.size(), repaired ? 1u : 0u) << stored;
        for (const std::string& note : r.notes)
            EXPECT_NE(note.find("1000 ms is used"), std::string::npos) << note;
    }
}

TEST_F(Limits, TierHeightsAndLabelTimesAreHeldToWhatTheViewsCanDraw)
{
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

TEST_F(Limits, WritersRefuseWhatCouldNotBeReadBackOrIsNotHeld)
{
    Document d;
    vxtest::fillChannel(d, {0.1f, 0.2f, 0.3f}, 8000);
    d.getChannel(0).m_dwFileLength = 5; // more than the buffer holds
    for (const char* context : {"copyof", "channel"}) {
        const SaveBytes s = bytesForSave(d, context);
        EXPECT_TRUE(s.bytes.empty()) << context;
        EXPECT_NE(s.error.find("internal fault"), std::string::npos) << context << ": " << s.error;
    }
    // A recording cut to nothing is not written: no reader would open it.
    d.getChannel(0).m_hData.resize(0);
    d.getChannel(0).m_dwFileLength = 0;
    for (const char* context : {"copyof", "channel"})
        EXPECT_NE(bytesForSave(d, context).error.find("There are no samples to save"), std::string::npos) << context;
    d.getChannel(0).m_dwFileLength = 3;
    d.getChannel(0).m_dSampleRate = 0.5; // a WAVE file holds a whole rate: 0
    EXPECT_NE(bytesForSave(d, "channel").error.find("0 Hz"), std::string::npos);
    d.getChannel(0).m_dSampleRate = 2e6;
    EXPECT_NE(bytesForSave(d, "copyof").error.find("2000000 Hz"), std::string::npos);
}

TEST_F(Limits, AHeaderOnlyReadDecodesNoSamples)
{
    const std::string path = vxtest::tempPath("header-only.wav");
    vxtest::writeBytes(path, vxtest::makeWave({1, 2, 3, 4, 5, 6}, 2, 44100));
    Document d;
    const ReadResult r = d.loadFile(path, nullptr, true);
    ASSERT_TRUE(r.ok) << r.reason;
    EXPECT_EQ(d.getChannel(0).m_dwFileLength, 3.0);
    EXPECT_EQ(d.getChannel(0).m_hData.size(), 0u);
    Document full;
    ASSERT_TRUE(full.loadFile(path, nullptr).ok);
    EXPECT_EQ(full.getChannel(0).m_hData.size(), 3u);
}

// Under an address-space limit a file that claims more samples than fit is
// refused with the reason; the limit is set in a child process, so the
// test process keeps its own. AddressSanitizer reserves far more address
// space than any such limit, so there the test cannot run.
TEST_F(Limits, ASampleBufferThatCannotBeHeldRefusesTheFile)
{
#if defined(__SANITIZE_ADDRESS__) || VX_CLANG_ASAN
    GTEST_SKIP() << "an address-space limit cannot be tried under AddressSanitizer";
#else
    // A sparse WAVE of 600 million 16-bit samples: 1.2 GB of file, 2.4 GB
    // of floats; the limit leaves room for the file's mapping only.
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
    EXPECT_EQ(said, "not enough memory to open " + path + " (600000000 samples)");
#endif
}
