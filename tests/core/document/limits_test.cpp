// Files that declare what no recording can be: every reader refuses them
// with the value named, or repairs what can be repaired and says so; and
// no writer writes what a reader would refuse.

#include "app/AppState.h"
#include "document/Document.h"
#include "document/Limits.h"
#include "document/SaveCommands.h"
#include "platform/ByteReader.h"
#include "support/SoundFiles.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

using namespace vx;

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
std::vector<std::uint8_t> nativeFile(double rate, std::size_t n = 16)
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

constexpr std::size_t kNativeRate = 512 + 8;
constexpr std::size_t kNativeLength = 512;
constexpr std::size_t kNativeTierHeight = 512 + 248 + 260;
constexpr std::size_t kNativeLabelTime = 512 + 248 + 264;

} // namespace

TEST_F(Limits, RatesOutsideOneHertzToOneMegahertzAreRefusedByEveryReader)
{
    struct Case {
        std::string what;
        std::vector<std::uint8_t> bytes;
    };
    std::vector<Case> cases;
    for (double rate : {0.0, 0.001, 1e-300, 1e6 + 1, 2147483647.0, std::nan("")}) {
        auto native = nativeFile(8000);
        putF64le(native.data() + kNativeRate, rate);
        cases.push_back({"native at " + std::to_string(rate), native});
        cases.push_back({"legacy float at " + std::to_string(rate), vxtest::makeQadFloat({{8000, {0.25f, 0.25f}}, {rate, {0.5f, 0.5f}}})});
    }
    for (std::uint32_t rate : {0u, 1073741824u, 1000001u})
        cases.push_back({"WAVE at " + std::to_string(rate), vxtest::makeWave({1, 2}, 1, static_cast<int>(rate))});
    for (const Case& k : cases) {
        Document d;
        const ReadResult r = d.readFromData(k.bytes, nullptr);
        EXPECT_FALSE(r.ok) << k.what;
        EXPECT_NE(r.reason.find("sample rate of"), std::string::npos) << k.what << ": " << r.reason;
        EXPECT_NE(r.reason.find("1 to 1000000 Hz"), std::string::npos) << k.what << ": " << r.reason;
    }
    for (double rate : {1.0, 1e6}) {
        Document d;
        EXPECT_TRUE(d.readFromData(nativeFile(rate), nullptr).ok) << rate << " Hz is a rate";
    }
}

TEST_F(Limits, ADurationThatDisagreesIsRepairedAndSaid)
{
    for (double stored : {1e300, std::numeric_limits<double>::infinity(), -5.0, 1500.0}) {
        auto bytes = nativeFile(16000, 16000);
        putF64le(bytes.data() + kNativeLength, stored);
        Document d;
        const ReadResult r = d.readFromData(bytes, nullptr);
        ASSERT_TRUE(r.ok) << r.reason;
        EXPECT_DOUBLE_EQ(d.getChannel(0).m_dLengthMS, 1000.0) << stored;
        ASSERT_EQ(r.notes.size(), 1u) << stored;
        EXPECT_NE(r.notes[0].find("1000 ms is used"), std::string::npos) << r.notes[0];
    }
    // A selection saves its duration from its times, which may differ from
    // the samples' by less than a sample: no repair.
    auto bytes = nativeFile(16000, 16000);
    putF64le(bytes.data() + kNativeLength, 1000.05);
    Document d;
    const ReadResult r = d.readFromData(bytes, nullptr);
    ASSERT_TRUE(r.ok);
    EXPECT_TRUE(r.notes.empty());
    EXPECT_EQ(d.getChannel(0).m_dLengthMS, 1000.05);
}

TEST_F(Limits, TierHeightsAndLabelTimesAreHeldToWhatTheViewsCanDraw)
{
    auto bytes = nativeFile(8000);
    putU32le(bytes.data() + kNativeTierHeight, 0x7FFFFFFF);
    Document tall;
    ASSERT_TRUE(tall.readFromData(bytes, nullptr).ok);
    EXPECT_EQ(tall.getChannel(0).m_Tiers[0].nHeigth, TIERS::kMaxHeight);

    bytes = nativeFile(8000);
    putF64le(bytes.data() + kNativeLabelTime, std::numeric_limits<double>::infinity());
    Document timeless;
    const ReadResult r = timeless.readFromData(bytes, nullptr);
    ASSERT_TRUE(r.ok) << r.reason;
    EXPECT_EQ(timeless.getChannel(0).m_Tiers[0].nLabelCount, 0);
    ASSERT_EQ(r.notes.size(), 1u);
    EXPECT_NE(r.notes[0].find("label 1 of tier 1"), std::string::npos) << r.notes[0];

    // (The writers refuse to write one: a file of one sample says 0.)
    bytes = nativeFile(8000, 1);
    putF64le(bytes.data() + kNativeLength + 16, 0);
    Document empty;
    EXPECT_FALSE(empty.readFromData(bytes, nullptr).ok) << "no samples is no recording";
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
    std::vector<std::uint8_t> head = vxtest::makeWave({}, 1, 44100);
    putU32le(head.data() + 4, 36 + bytes);
    putU32le(head.data() + 40, bytes);
    vxtest::writeBytes(path, head);
    ASSERT_EQ(::truncate(path.c_str(), static_cast<off_t>(head.size()) + bytes), 0);

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
