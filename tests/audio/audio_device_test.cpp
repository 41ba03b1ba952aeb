// The ring, and the player and recorder on real PortAudio streams through
// an ALSA device that writes what is played to a file and reads what is
// recorded from one.

#include "audio/AudioPlayer.h"
#include "audio/AudioRecorder.h"
#include "audio/SpscRing.h"
#include "support/SoundFiles.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <thread>
#include <vector>

namespace {

TEST(SpscRing, KeepsOrderAcrossTheWrapAndRefusesWhatDoesNotFit)
{
    vx::SpscRing<float> ring(5);
    ASSERT_EQ(ring.capacity(), 8u);
    std::vector<float> in(20), out(20);
    for (int i = 0; i < 20; ++i)
        in[i] = float(i);
    EXPECT_EQ(ring.push(in.data(), 6), 6u);
    EXPECT_EQ(ring.pop(out.data(), 4), 4u);
    EXPECT_EQ(ring.push(in.data() + 6, 10), 6u); // only 6 free
    EXPECT_EQ(ring.pop(out.data() + 4, 20), 8u);
    for (int i = 0; i < 12; ++i)
        EXPECT_EQ(out[i], float(i));
    EXPECT_EQ(ring.readable(), 0u);
}

// Points ALSA at a private configuration: playback into `played`, capture
// from `input`.
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

template <typename F>
bool waitFor(F done)
{
    for (int i = 0; i < 1000 && !done(); ++i)
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
        const std::string error = player.startPlay();
        if (!error.empty())
            GTEST_SKIP() << "no sound device here: " << error;
        ASSERT_TRUE(waitFor([&] { return player.finished(); }));
        EXPECT_NEAR(player.playedNanoseconds(), 12345 / 22050.0 * 1e9, 1.0);
        player.stopPlay();
    }
    const std::vector<float> out = vxtest::readF32(played);
    ASSERT_GE(out.size(), 12345u);
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
