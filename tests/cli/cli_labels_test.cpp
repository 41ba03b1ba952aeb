// voxtrace-cli's labels command and convert --labels.

#include "support/SoundFiles.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

using vxtest::tempPath;

namespace {

using vxtest::Output;
using vxtest::q;


std::string textOf(const std::string& path)
{
    const auto b = vxtest::readBytes(path);
    return std::string(b.begin(), b.end());
}

const char* const kGrid = "File type = \"ooTextFile\"\nObject class = \"TextGrid\"\n\n0\n1.5\n<exists>\n2\n"
                          "\"IntervalTier\"\n\"words\"\n0\n1.5\n3\n0\n0.2\n\"\"\n0.2\n0.9\n\"a\tb\\c\"\n0.9\n1.5\n\"é\"\n"
                          "\"TextTier\"\n\"tones\"\n0\n1.5\n1\n0.0015\n\"H*\"\n";

} // namespace

TEST(CliLabels, ConvertCarriesATextGridsLabelsAndLabelsListsOrWritesThem)
{
    const std::string wav = tempPath("labels-in.wav");
    ASSERT_EQ(vxtest::run("sox -V1 -n -r 8000 -b 16 " + q(wav) + " synth 1.5 sine 200"), 0);
    const std::string grid = tempPath("in.TextGrid");
    std::ofstream(grid) << kGrid;

    const std::string vxt = tempPath("labelled.vxt");
    Output o = vxtest::runCli("convert " + q(wav) + " " + q(vxt) + " --labels " + q(grid));
    ASSERT_EQ(o.status, 0) << o.err;
    o = vxtest::runCli("labels " + q(vxt));
    ASSERT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(o.out, "tier\ttier_name\ttime_ms\ttext\n"
                     "1\twords\t200\ta\\tb\\\\c\n"
                     "1\twords\t900\té\n"
                     "2\ttones\t1.5\tH*\n");

    const std::string out = tempPath("out.TextGrid");
    ASSERT_EQ(vxtest::runCli("labels " + q(vxt) + " --textgrid " + q(out)).status, 0);
    EXPECT_NE(textOf(out).find("class = \"TextTier\" \n        name = \"words\""), std::string::npos);
    ASSERT_EQ(vxtest::runCli("labels " + q(vxt) + " --textgrid " + q(out) + " --intervals").status, 0);
    EXPECT_NE(textOf(out).find("xmin = 0.9 \n            xmax = 1.5 \n            text = \"é\""), std::string::npos)
        << textOf(out);
    EXPECT_EQ(vxtest::runCli("labels " + q(wav)).out, "tier\ttier_name\ttime_ms\ttext\n");
}

TEST(CliLabels, RefusesWithTheReasonAndWritesNothing)
{
    const std::string wav = tempPath("labels-short.wav");
    ASSERT_EQ(vxtest::run("sox -V1 -n -r 8000 -b 16 " + q(wav) + " synth 0.8 sine 200"), 0);
    const std::string grid = tempPath("long.TextGrid");
    std::ofstream(grid) << kGrid; // 1.5 s of labels for a 0.8 s sound
    const std::string vxt = tempPath("never.vxt");

    Output o = vxtest::runCli("convert " + q(wav) + " " + q(vxt) + " --labels " + q(grid));
    EXPECT_EQ(o.status, 1);
    EXPECT_NE(o.err.find(grid + ": line 5: the TextGrid's xmax (1.5 s) lies outside the sound (0 to 0.8 s)"),
              std::string::npos)
        << o.err;
    EXPECT_FALSE(std::filesystem::exists(vxt));

    o = vxtest::runCli("convert " + q(wav) + " " + q(tempPath("x.wav")) + " --labels " + q(grid));
    EXPECT_EQ(o.status, 1);
    EXPECT_NE(o.err.find("--labels needs a \".vxt\" output"), std::string::npos) << o.err;
    o = vxtest::runCli("labels " + q(wav) + " --intervals");
    EXPECT_EQ(o.status, 1);
    EXPECT_NE(o.err.find("--intervals needs --textgrid OUT"), std::string::npos) << o.err;
    o = vxtest::runCli("labels " + q(wav) + " --textgrid");
    EXPECT_EQ(o.status, 1);
    EXPECT_NE(o.err.find("option \"--textgrid\" needs 1 value (OUT)"), std::string::npos) << o.err;
    o = vxtest::runCli("labels --help");
    EXPECT_EQ(o.status, 0);
    EXPECT_NE(o.out.find("usage: voxtrace-cli labels FILE [OPTIONS]"), std::string::npos);
    EXPECT_NE(o.out.find("--intervals"), std::string::npos);
}
