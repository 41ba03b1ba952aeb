// Readers checked against files made by sox and ffmpeg, as sox decodes them.

#include "app/AppState.h"
#include "document/Document.h"
#include "support/SoundFiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

using namespace vx;

namespace {

struct ToolFile {
    const char* name;
    // Makes the file at %s from a generated chirp.
    std::string make;
    int channel;              // from 1
    const char* format;       // reader expected to load it, or nullptr
    const char* reason;       // part of the refusal, when not loaded
    double tolerance;
};

std::string sox(const std::string& options, int channels)
{
    return "sox -V1 -n -r 16000 -c " + std::to_string(channels) + " " + options
         + " %s synth 0.25 sine 200-3000 sine 300-2000 sine 700 sine 150 sine 900 sine 1200 gain -3";
}

class ToolFiles : public ::testing::TestWithParam<ToolFile> {
protected:
    void SetUp() override { resetAppState(); }
};

} // namespace

TEST_P(ToolFiles, LoadWithTheToolsSamplesOrAreRefusedWithAReason)
{
    const ToolFile& t = GetParam();
    const bool aiff = t.make.find("aif") != std::string::npos;
    const std::string path = vxtest::tempPath(std::string(t.name) + (aiff ? ".aif" : ".wav"));
    std::string make = t.make;
    ASSERT_EQ(vxtest::run(make.replace(make.find("%s"), 2, vxtest::q(path))), 0) << make;

    Document d;
    FixedAnswers answers(t.channel - 1);
    ReadResult r = d.loadFile(path, &answers);
    if (!t.format) {
        EXPECT_FALSE(r.ok);
        EXPECT_NE(r.reason.find(t.reason), std::string::npos) << r.reason;
        EXPECT_FALSE(d.m_bHaveData);
        EXPECT_TRUE(d.getChannel(0).m_hData.isNull()) << "a failed open leaves nothing behind";
        return;
    }
    ASSERT_TRUE(r.ok) << r.reason;
    EXPECT_EQ(r.reader, t.format);
    EXPECT_EQ(d.getChannel(0).m_dSampleRate, 16000.0);
    EXPECT_EQ(d.s.m_nFFTfrequencyRange, 8000) << "the rate rule ran";

    const std::string raw = path + ".f32";
    ASSERT_EQ(vxtest::run("sox " + vxtest::q(path) + " -t f32 " + vxtest::q(raw) + " remix " + std::to_string(t.channel)), 0);
    const std::vector<float> expected = vxtest::readF32(raw);
    const Channels& c = d.getChannel(0);
    ASSERT_EQ(c.m_dwFileLength, static_cast<double>(expected.size()));
    ASSERT_EQ(c.m_hData.size(), expected.size());
    double worst = 0;
    for (std::size_t k = 0; k < expected.size(); ++k)
        worst = std::max(worst, std::fabs(double(c.m_hData[k]) - expected[k]));
    EXPECT_LE(worst, t.tolerance);
    EXPECT_GT(*std::max_element(expected.begin(), expected.end()), 0.03f) << "the reference is not silence";
}

INSTANTIATE_TEST_SUITE_P(
    SoxAndFfmpeg, ToolFiles,
    ::testing::Values(
        ToolFile{"stereo16", sox("-b 16 -e signed", 2), 2, "wave", nullptr, 1e-7},
        ToolFile{"unsigned8", sox("-b 8 -e unsigned", 1), 1, "wave", nullptr, 1e-7},
        ToolFile{"pcm24", sox("-t wavpcm -b 24 -e signed", 1), 1, "wave", nullptr, 1e-7},
        ToolFile{"pcm32", sox("-t wavpcm -b 32 -e signed", 2), 2, "wave", nullptr, 1e-7},
        ToolFile{"float32", sox("-t wavpcm -b 32 -e floating-point", 1), 1, "wave", nullptr, 0},
        ToolFile{"mulaw", sox("-e mu-law", 1), 1, "wave", nullptr, 1e-4},
        ToolFile{"alaw", sox("-e a-law", 1), 1, nullptr, "tag 6 (A-law)", 0},
        ToolFile{"six", sox("-t wavpcm -b 16 -e signed", 6), 5, "wave", nullptr, 1e-7},
        ToolFile{"extensible", sox("-t wav -b 16 -e signed", 6), 1, nullptr, "WAVE_FORMAT_EXTENSIBLE", 0},
        ToolFile{"aiff8", sox("-t aiff -b 8", 1), 1, "aiff", nullptr, 1e-7},
        ToolFile{"aiff16", sox("-t aiff -b 16", 2), 2, "aiff", nullptr, 1e-7},
        ToolFile{"aiff24", sox("-t aiff -b 24", 1), 1, nullptr, "24-bit AIFF", 0},
        ToolFile{"aifcNone", sox("-t aifc -b 16", 1), 1, "aifc", nullptr, 1e-7},
        ToolFile{"ffsowt", "ffmpeg -v error -f lavfi -i sine=f=440:r=16000:d=0.25 -ac 2 -c:a pcm_s16le -f aiff %s",
                 2, "aifc", nullptr, 1e-7}),
    [](const auto& info) { return std::string(info.param.name); });
