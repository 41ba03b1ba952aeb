// The ring, and the player and recorder on real PortAudio streams through an
// ALSA device of files.

#include "audio/AudioPlayer.h"
#include "audio/AudioRecorder.h"
#include "audio/SpscRing.h"
#include "document/Document.h"
#include "document/RecordedFile.h"
#include "support/SoundFiles.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <numeric>
#include <thread>
#include <vector>

namespace {

TEST(SpscRing, KeepsOrderAcrossTheWrapAndRefusesWhatDoesNotFit)
{
    vx::SpscRing<float> ring(5);
    ASSERT_EQ(ring.capacity(), 8u);
    std::vector<float> in(20), out(20);
    std::iota(in.begin(), in.end(), 0.0f);
    EXPECT_EQ(ring.push(in.data(), 6), 6u);
    EXPECT_EQ(ring.pop(out.data(), 4), 4u);
    EXPECT_EQ(ring.push(in.data() + 6, 10), 6u); // only 6 free
    EXPECT_EQ(ring.pop(out.data() + 4, 20), 8u);
    for (int i = 0; i < 12; ++i)
        EXPECT_EQ(out[i], float(i));
    EXPECT_EQ(ring.readable(), 0u);
}

// Points ALSA at a private configuration: playback into `played`, capture from `input`.
void useFileDevice(const std::string& played, const std::string& input)
{
    const std::string conf = vxtest::tempPath("asound.conf");
    std::ofstream(conf) << "pcm.vx_out { type file slave.pcm { type null } file \"" << played
                        << "\" format \"raw\" perm 0644 }\n"
                        << "pcm.vx_in { type file slave.pcm { type null } file \"/dev/null\" infile \"" << input
                        << "\" }\n"
                        << "pcm.!default { type asym playback.pcm \"vx_out\" capture.pcm \"vx_in\" }\n";
    setenv("ALSA_CONFIG_PATH", conf.c_str(), 1);
}

// Polls `done` until it holds, for at most 20 s; whether it holds.
template <typename F>
bool waitFor(F done)
{
    const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!done() && std::chrono::steady_clock::now() < limit)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    return done();
}

TEST(AudioPlayer, PlaysTheStretchSampleForSampleThenSilence)
{
    const std::string played = vxtest::tempPath("played.raw");
    useFileDevice(played, "/dev/zero");
    std::vector<float> x(30000);
    for (std::size_t i = 0; i < x.size(); ++i)
        x[i] = 0.5f * std::sin(0.01f * float(i)) + 1e-5f * float(i % 7);
    auto backend = vx::makePortAudioBackend();
    {
        vx::AudioPlayer player(*backend);
        player.setData(x.data(), 12345, 1000);
        player.setSampleRate(22050);
        ASSERT_EQ(player.startPlay(), "") << "the test's own file device did not open";
        ASSERT_TRUE(waitFor([&] { return player.finished(); }));
        EXPECT_NEAR(player.playedNanoseconds(), 12345 / 22050.0 * 1e9, 1.0);
        player.stopPlay();
    }
    const std::vector<float> out = vxtest::readF32(played);
    // The device may put silence before the first block.
    std::size_t lead = 0;
    while (lead < out.size() && out[lead] == 0.0f)
        ++lead;
    ASSERT_GE(out.size(), lead + 12345u);
    for (std::size_t i = 0; i < 12345; ++i)
        ASSERT_EQ(out[lead + i], x[1000 + i]) << i;
    for (std::size_t i = lead + 12345; i < out.size(); ++i)
        ASSERT_EQ(out[i], 0.0f) << i;
}

// Records a 440 Hz tone from the file device at `deviceRate` (0: the record
// rate) and loads the file. The device is not paced, so the ring overflows;
// what reached the file must be the tone's start.
void recordTone(double deviceRate, double recordRate, bool exact)
{
    const double inRate = deviceRate > 0 ? deviceRate : recordRate;
    std::vector<float> tone(static_cast<std::size_t>(inRate * 40));
    for (std::size_t i = 0; i < tone.size(); ++i)
        tone[i] = 0.8f * std::sin(float(2 * M_PI * 440 * double(i) / inRate));
    const std::string input = vxtest::tempPath("input.f32");
    std::ofstream(input, std::ios::binary)
        .write(reinterpret_cast<const char*>(tone.data()), std::streamsize(tone.size() * sizeof(float)));
    useFileDevice(vxtest::tempPath("unused.raw"), input);
    auto backend = vx::makePortAudioBackend(deviceRate);
    const std::string path = vxtest::tempPath("rec.wav");
    vx::AudioRecorder rec(*backend);
    rec.setOutputFilePath(path);
    rec.setSampleRate(recordRate);
    ASSERT_NO_THROW(rec.start()) << "the test's own file device did not open";
    ASSERT_TRUE(waitFor([&] { return rec.seconds() >= 1.0; }));
    rec.stop();
    EXPECT_DOUBLE_EQ(rec.deviceRate(), inRate);
    const vx::BlockLevels lv = rec.latestLevels();
    ASSERT_TRUE(lv.valid);
    EXPECT_LE(lv.max - lv.min, 1.6f + 1e-5f);

    vx::Document d;
    std::string why;
    ASSERT_EQ(vx::Read_RecordedFile(d, path, &why), 0) << why;
    const vx::Channels& c = d.getChannel(0);
    EXPECT_EQ(c.m_dSampleRate, recordRate);
    EXPECT_EQ(double(c.m_dwFileLength), double(rec.framesWritten()));
    const double kept = std::min(rec.seconds() * inRate - double(rec.framesLost()), 10.0 * inRate);
    ASSERT_GT(kept, 0.5 * inRate);
    const float* y = c.m_hData.data();
    if (exact) {
        EXPECT_EQ(double(rec.framesWritten()), std::round(rec.seconds() * inRate) - double(rec.framesLost()));
        for (std::size_t i = 0; i < std::size_t(kept); ++i)
            ASSERT_EQ(y[i], tone[i]) << i;
        return;
    }
    EXPECT_NEAR(double(rec.framesWritten()), (rec.seconds() * inRate - double(rec.framesLost())) * recordRate / inRate,
                2.0);
    // Through the converter: the frequency from the upward zero crossings.
    const std::size_t n = std::size_t(kept * recordRate / inRate);
    std::vector<double> ups;
    for (std::size_t i = 200; i + 1 < n; ++i)
        if (y[i] < 0 && y[i + 1] >= 0)
            ups.push_back(double(i) + y[i] / (y[i] - y[i + 1]));
    ASSERT_GT(ups.size(), 100u);
    const double f = double(ups.size() - 1) * recordRate / (ups.back() - ups.front());
    EXPECT_NEAR(f, 440.0, 0.05);
}

TEST(AudioRecorder, WritesWhatTheDeviceDeliversAtTheRecordRateOrConvertsToIt)
{
    recordTone(0, 22050, true);
    recordTone(48000, 11025, false);
}

TEST(AudioDevices, ARefusedDeviceGivesAReasonNotACrash)
{
    const std::string conf = vxtest::tempPath("asound-none.conf");
    std::ofstream(conf) << "pcm.!default { type hw card 9 }\n";
    setenv("ALSA_CONFIG_PATH", conf.c_str(), 1);
    auto backend = vx::makePortAudioBackend();
    std::vector<float> x(100, 0.1f);
    vx::AudioPlayer player(*backend);
    player.setData(x.data(), 100, 0);
    const std::string error = player.startPlay();
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(player.isPlaying());
    vx::AudioRecorder rec(*backend);
    rec.setOutputFilePath(vxtest::tempPath("never.wav"));
    EXPECT_THROW(rec.start(), vx::RecorderError);
    EXPECT_FALSE(rec.isRecording());
}

} // namespace
