// voxtrace-cli picture: each view in each format at the size asked, the
// labels of a TextGrid drawn as text, and the arguments it refuses.

#include "support/SoundFiles.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

// The command exists where the desktop part is built.
#ifdef VOXTRACE_CLI_PICTURE

using vxtest::q;
using vxtest::tempPath;

namespace {

// A PNG's width and height from its header.
std::pair<int, int> pngSize(const std::vector<std::uint8_t>& b)
{
    if (b.size() < 24)
        return {0, 0};
    const auto be32 = [&](std::size_t at) { return b[at] << 24 | b[at + 1] << 16 | b[at + 2] << 8 | b[at + 3]; };
    return {be32(16), be32(20)};
}

std::string head(const std::vector<std::uint8_t>& b, std::size_t n)
{
    return std::string(b.begin(), b.begin() + static_cast<long>(std::min(n, b.size())));
}

} // namespace

TEST(CliPicture, EachViewInEachFormatAndItsRefusals)
{
    const std::string wav = tempPath("picture.wav");
    ASSERT_EQ(vxtest::run("sox -V1 -n -r 16000 -b 16 " + q(wav) + " synth 1.5 sawtooth 120 vol 0.5"), 0);
    const std::string grid = tempPath("picture.TextGrid");
    std::ofstream(grid) << "File type = \"ooTextFile\"\nObject class = \"TextGrid\"\n\n0\n1.5\n<exists>\n1\n"
                           "\"TextTier\"\n\"tones\"\n0\n1.5\n1\n0.7\n\"Hstar\"\n";
    const std::string f = q(wav);
    const struct {
        std::string options, file;
        int width, height; // of a PNG; 0 for the other formats
        std::string magic;
    } cases[] = {
        {"", "main.png", 1800, 1200, "\x89PNG"},
        {"--view spectrogram --from-ms 100 --to-ms 800 --width-cm 10 --height-cm 5", "spectrogram.png", 1181, 590,
         "\x89PNG"},
        {"--view spectrum --at-ms 500", "slice.png", 432, 288, "\x89PNG"},
        {"--view spectrum --from-ms 200 --to-ms 900 --width-in 3 --height-in 2", "slice-avg.png", 216, 144,
         "\x89PNG"},
        {"--labels " + q(grid), "main.pdf", 0, 0, "%PDF-"},
        {"--view spectrogram --labels " + q(grid), "spectrogram.svg", 0, 0, "<?xml"},
        {"--view spectrogram", "spectrogram.tif", 0, 0, std::string("II*\0", 4)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        const std::string out = tempPath(c.file);
        const vxtest::Output o = vxtest::runCli("picture " + f + " " + q(out) + " " + c.options);
        ASSERT_EQ(o.status, 0) << o.err;
        EXPECT_EQ(o.out, "");
        const std::vector<std::uint8_t> bytes = vxtest::readBytes(out);
        EXPECT_EQ(head(bytes, c.magic.size()), c.magic);
        if (c.width) {
            EXPECT_EQ(pngSize(bytes), std::make_pair(c.width, c.height));
        }
    }
    // The label is text in the PDF.
    const std::string pdf = tempPath("labelled.pdf");
    ASSERT_EQ(vxtest::runCli("picture " + f + " " + q(pdf) + " --labels " + q(grid)).status, 0);
    EXPECT_NE(vxtest::runCommand("pdftotext " + q(pdf) + " -").out.find("Hstar"), std::string::npos);

    const struct {
        std::string arguments, message;
    } refused[] = {
        {"--view waveform", "the views are main, spectrogram and spectrum"},
        {"--width-in 6 --height-cm 4", "inches or in centimetres, not both"},
        {"--width-in 6", "--width-in and --height-in are given together"},
        {"--width-in 200 --height-in 4", "32767"},
        {"--width-in 0 --height-in 4", "--width-in"},
        {"--at-ms 100", "--at-ms is for --view spectrum"},
        {"--view spectrum", "either --at-ms or --from-ms/--to-ms"},
        {"--view spectrum --at-ms 9000", "past the end of the recording"},
        {"--labels " + q(tempPath("missing.TextGrid")), "missing.TextGrid"},
    };
    for (const auto& r : refused) {
        SCOPED_TRACE(r.arguments);
        const std::string out = tempPath("refused.png");
        const vxtest::Output o = vxtest::runCli("picture " + f + " " + q(out) + " " + r.arguments);
        EXPECT_EQ(o.status, 1);
        EXPECT_NE(o.err.find(r.message), std::string::npos) << o.err;
        EXPECT_FALSE(std::filesystem::exists(out));
    }
    const std::string jpeg = tempPath("p.jpg");
    const vxtest::Output o = vxtest::runCli("picture " + f + " " + q(jpeg));
    EXPECT_EQ(o.status, 1);
    EXPECT_NE(o.err.find("a picture is written as .tif, .png, .pdf or .svg"), std::string::npos) << o.err;
    EXPECT_FALSE(std::filesystem::exists(jpeg));
    EXPECT_EQ(vxtest::runCli("picture " + f).status, 1);
    EXPECT_EQ(vxtest::runCli("picture " + q(tempPath("none.wav")) + " " + q(tempPath("none.png"))).status, 1);
}
#endif
