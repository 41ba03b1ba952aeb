// voxtrace-cli run as a user's script would run it.

#include "app/AppState.h"
#include "app/ConfigFile.h"
#include "platform/ByteReader.h"
#include "platform/FileIO.h"
#include "support/SoundFiles.h"
#include "support/TestFolders.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <tuple>
#include <sys/stat.h>
#include <unistd.h>

using testing::HasSubstr;
using vxtest::Output;
using vxtest::q;
using vxtest::runCli;
using vxtest::tempPath;
using vxtest::tsvRows;

namespace {

std::map<std::string, std::string> keyValues(const std::string& text)
{
    std::map<std::string, std::string> kv;
    for (const auto& row : tsvRows(text))
        if (row.size() >= 2)
            kv[row[0]] = row[1];
    return kv;
}

std::string homeIn(const std::string& dir)
{
    return "HOME=" + q(dir) + " XDG_CONFIG_HOME=" + q(dir) + " VOXTRACE_CONFIG_DIR=" + q(dir);
}

// A refusal: status 1, nothing on standard output, the reason said.
void expectRefused(const Output& o, const std::string& reason)
{
    EXPECT_EQ(o.status, 1);
    EXPECT_EQ(o.out, "");
    EXPECT_THAT(o.err, HasSubstr(reason));
}

// One second of a 150 Hz sawtooth in two channels at 16 kHz, made once.
class Cli : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        wav = tempPath("saw.wav");
        f = q(wav);
        ASSERT_EQ(vxtest::run("sox -V1 -n -r 16000 -c 2 -b 16 " + f + " synth 1 saw 150 gain -6"), 0);
    }
    static inline std::string wav; // its path
    static inline std::string f;   // its path quoted
};

} // namespace

TEST_F(Cli, InfoAnswersFromTheHeaderAndConvertWritesWaveAndNativeAndNeverTheInput)
{
    const auto kv = keyValues(runCli("info " + f + " --channel 2").out);
    const std::map<std::string, std::string> expected = {
        {"format", "wave"},       {"channels_in_file", "2"}, {"channel", "2"}, {"sample_rate", "16000"},
        {"samples", "16000"},     {"duration_ms", "1000"},   {"labels", "0"}};
    EXPECT_EQ(kv, expected);
    EXPECT_EQ(keyValues(runCli("info " + f).out)["channel"], "1") << "the first channel by default";

    const auto before = vxtest::readBytes(wav);
    const std::string vxt = tempPath("out.vxt");
    ASSERT_EQ(runCli("convert " + f + " " + q(vxt)).status, 0);
    EXPECT_EQ(std::filesystem::file_size(vxt), 512u + 248 + 2 * 16000);

    const std::string part = tempPath("part.wav");
    Output o = runCli("convert " + q(vxt) + " " + q(part) + " --selection-ms 250 750");
    ASSERT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(std::filesystem::file_size(part), 48u + 2 * 8000);
    // A failing conversion leaves an existing output as it was.
    expectRefused(runCli("convert " + f + " " + q(part) + " --selection-ms 700 700"), "no samples");
    EXPECT_EQ(std::filesystem::file_size(part), 48u + 2 * 8000);
    expectRefused(runCli("convert " + f + " " + f), "");
    expectRefused(runCli("convert " + f + " " + q(tempPath("x.mp3"))), "");
    EXPECT_EQ(vxtest::readBytes(wav), before);

    // The second channel of a legacy file whose channels differ in rate.
    const std::string qad = tempPath("two.qad");
    vxtest::writeBytes(qad, vxtest::makeQadFloat({{8000, std::vector<float>(800, 0.25f)},
                                                  {16000, std::vector<float>(1600, 0.5f)}}));
    const std::string second = tempPath("second.wav");
    ASSERT_EQ(runCli("convert " + q(qad) + " " + q(second) + " --channel 2").status, 0);
    const auto bytes = vxtest::readBytes(second);
    ASSERT_EQ(bytes.size(), 48u + 2 * 1600);
    vx::ByteReader r(bytes);
    r.seek(24);
    EXPECT_EQ(r.u32le(), 16000u);
    r.seek(48);
    EXPECT_EQ(r.i16le(), 16384) << "channel 2's samples, not channel 1's";

    // Info answers from the header: 3 GB, sparse, whose samples are never read.
    const std::string huge = tempPath("huge.wav");
    std::vector<std::uint8_t> head = vxtest::makeWave({}, 1, 44100);
    const std::uint32_t dataBytes = 3000000000u;
    vx::putU32le(head.data() + 4, 36 + dataBytes);
    vx::putU32le(head.data() + 40, dataBytes);
    vxtest::writeBytes(huge, head);
    ASSERT_EQ(::truncate(huge.c_str(), static_cast<off_t>(head.size() + dataBytes)), 0);
    EXPECT_EQ(keyValues(runCli("info " + q(huge)).out)["samples"], "1500000000");
    const std::string junk = tempPath("junk.bin");
    vxtest::writeBytes(junk, {'j', 'u', 'n', 'k'});
    ASSERT_EQ(::truncate(junk.c_str(), 3000000000), 0);
    expectRefused(runCli("info " + q(junk)), "not in a format");

    // It says what it repaired.
    auto native = vxtest::readBytes(vxt);
    vx::putF64le(native.data() + 512, 1e300);
    vxtest::writeBytes(vxt, native);
    const auto repaired = keyValues(runCli("info " + q(vxt)).out);
    EXPECT_EQ(repaired.at("duration_ms"), "1000");
    EXPECT_THAT(repaired.at("repaired"), HasSubstr("stored duration (1e+300 ms)"));
}

TEST_F(Cli, AnalysisCommandsPrintTheirTablesIgnoringThePerUserSettingsAndLeavingThemAlone)
{
    const std::vector<std::string> commands = {"pitch " + f, "intensity " + f + " --relative",
                                               "formants " + f + " --step-ms 100 --order 16",
                                               "spectrum " + f + " --at-ms 500", "info " + f};
    const std::string empty = tempPath("empty-home");
    std::filesystem::create_directories(empty);
    std::vector<std::string> plain;
    for (const std::string& c : commands) {
        Output o = runCli(c, homeIn(empty));
        ASSERT_EQ(o.status, 0) << c << ": " << o.err;
        plain.push_back(o.out);
    }
    EXPECT_TRUE(std::filesystem::is_empty(empty)) << "no settings folder or file is made";

    const auto t = tsvRows(plain[0]);
    ASSERT_EQ(t.size(), 1u + 100) << "one row per 10 ms frame";
    EXPECT_EQ(t[0], (std::vector<std::string>{"time_ms", "f0_hz"}));
    EXPECT_EQ(t[11][0], "100.000");
    EXPECT_NEAR(std::stod(t[50][1]), 150, 2);
    EXPECT_EQ(t[1][1], "0.000") << "the first frame is never voiced";
    const auto part = tsvRows(runCli("pitch " + f + " --from-ms 200 --to-ms 400 --step-ms 5").out);
    EXPECT_EQ(part.size(), 1u + 40);
    EXPECT_EQ(part[1][0], "200.000");
    EXPECT_EQ(tsvRows(plain[1]).size(), 1u + 100);
    const auto fm = tsvRows(plain[2]);
    ASSERT_EQ(fm[0].size(), 11u);
    EXPECT_EQ(fm.size(), 1u + 10);
    const auto sp = tsvRows(plain[3]);
    ASSERT_EQ(sp.size(), 2u + 8000) << "one point per Hz up to the frequency range";
    EXPECT_EQ(sp[1], (std::vector<std::string>{"freq_hz", "level_db", "lpc_db"}));
    // Under a ceiling the envelope ends at it; the spectrum does not.
    const auto low = tsvRows(runCli("spectrum " + f + " --at-ms 500 --ceiling 2000").out);
    ASSERT_EQ(low.size(), 2u + 8000);
    EXPECT_NE(low[2 + 1999][2], "");
    EXPECT_EQ(low[2 + 2000][2], "");
    EXPECT_EQ(low[2 + 2000][1], sp[2 + 2000][1]);
    EXPECT_THAT(runCli("pitch --help").out, HasSubstr("analysis window (default: 35 ms)"));

    // Another rate, pitch step, LPC order and intensity step, where each variable leads.
    vx::ConfigRecord r = vx::buildLegacyDefaultRecord();
    vx::putF64le(r.data() + 520, 44100);
    vx::putF64le(r.data() + 1080, 5);
    vx::putU32le(r.data() + 652, 30);
    vx::putU32le(r.data() + 728, 20);
    const std::string full = tempPath("full-home");
    const std::vector<std::string> files = {full + "/VoxtraceConf.cfg", full + "/voxtrace/VoxtraceConf.cfg",
                                            full + "/.config/voxtrace/VoxtraceConf.cfg"};
    for (const std::string& file : files) {
        std::filesystem::create_directories(std::filesystem::path(file).parent_path());
        ASSERT_TRUE(vx::writeFileAtomically(file, r));
    }
    vx::app().gAppPath = full;
    EXPECT_EQ(vx::Document().s.m_dPitchStepSize, 5) << "the application would take the file";
    vx::resetAppState();

    for (std::size_t k = 0; k < commands.size(); ++k)
        EXPECT_EQ(runCli(commands[k], homeIn(full)).out, plain[k]) << commands[k];
    for (const std::string& file : files)
        EXPECT_EQ(vxtest::readBytes(file), std::vector<std::uint8_t>(r.begin(), r.end()));
    EXPECT_EQ(std::distance(std::filesystem::recursive_directory_iterator(full), {}), 6) << "nothing added";

    // --settings applies a saved user configuration over the defaults.
    vx::Document saved(vx::StartingSettings::defaultsOnly);
    saved.s.m_dPitchStepSize = 5;
    saved.getChannel(0).m_dIntensityStepSizeMS = 20;
    const std::string path = tempPath("user.cfg"), config = q(path);
    ASSERT_TRUE(vx::saveUserConfiguration(saved, path));
    EXPECT_EQ(tsvRows(runCli("pitch " + f + " --settings " + config, homeIn(empty)).out).size(), 1u + 200);
    EXPECT_EQ(tsvRows(runCli("pitch " + f + " --settings " + config + " --step-ms 10").out).size(), 1u + 100)
        << "an option overrides the settings";
    EXPECT_EQ(tsvRows(runCli("intensity " + f + " --settings " + config).out).size(), 1u + 50);
}

TEST_F(Cli, BadArgumentsSettingsAndOutputsAreErrorsNotCrashesNorSuccesses)
{
    const std::string notSound = tempPath("notes.txt");
    vxtest::writeBytes(notSound, {'h', 'e', 'l', 'l', 'o', '\n', 0, 1, 2, 3, 4, 5, 6, 7});
    vx::Document d(vx::StartingSettings::defaultsOnly);
    const std::string shortFile = tempPath("short.cfg");
    vxtest::writeBytes(shortFile, std::vector<std::uint8_t>(100, 0));
    const std::string zeroStep = tempPath("zero-step.cfg");
    vx::ConfigRecord r = vx::buildUserConfiguration(d);
    vx::putF64le(r.data() + 1080, 0);
    ASSERT_TRUE(vx::writeFileAtomically(zeroStep, r));
    const std::string longWindow = tempPath("long-window.cfg");
    d.s.m_dPitchWindowLength = 5000;
    ASSERT_TRUE(vx::saveUserConfiguration(d, longWindow));
    const std::string noWindow = tempPath("no-applied-window.cfg");
    d.s = vx::Document(vx::StartingSettings::defaultsOnly).s;
    d.s.m_nFFTAppliedWindowLength = 0;
    ASSERT_TRUE(vx::saveUserConfiguration(d, noWindow));
    const std::string missing = tempPath("missing.cfg"), folder = vxtest::testRoot();
    const std::string fifo = tempPath("fifo.wav");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    // (arguments, what the refusal says); each option's range is tried with the options' own tests.
    const std::pair<std::string, std::string> cases[] = {
        {"", "usage"},
        {"info", "one sound file is needed"},
        {"info " + q(notSound), "not in a format"},
        {"pitch " + f + " --bogus 1", "unknown option \"--bogus\""},
        {"pitch " + f + " --step-ms --low 60", "needs 1 value"},
        {"convert " + f + " " + q(tempPath("x.wav")) + " --selection-ms 100", "needs 2 values"},
        {"pitch " + f + " --window-ms abc", "needs a number, not \"abc\""},
        {"pitch " + f + " --window-ms 0", "option \"--window-ms\": Pitch options: Window length must be from 10"},
        {"formants " + f + " --step-ms 0", "--step-ms\" must be from 0.1"},
        {"pitch " + f + " --low 400 --high 300", "must be above the lowest"},
        {"pitch " + f + " --step-ms 5 --step-ms 6", "given twice"},
        {"pitch " + f + " --channel 3", "has 2 channels"},
        {"pitch " + f + " --channel 0", "--channel\" must be a whole number from 1"},
        {"pitch " + f + " --from-ms 500 --to-ms 100", "--to-ms (100) must be after --from-ms (500)"},
        {"pitch " + f + " --from-ms -1", "--from-ms\" must be 0 ms or more"},
        {"pitch " + f + " --to-ms 5000", "past the end of the recording (1000 ms)"},
        {"spectrum " + f + " --at-ms 1001", "past the end"},
        {"spectrum " + f, "either --at-ms or --from-ms/--to-ms"},
        {"spectrum " + f + " --at-ms 5 --order 0", "from 2 to 400"},
        {"formants " + f + " --ceiling 100", "Formant ceiling must be 0 (off) or a whole number from 500 to"},
        {"pitch " + f + " " + f, "one sound file is needed"},
        {"info " + f + " --settings x.cfg", "unknown option"},
        {"bogus", "unknown command"},
        {"convert " + f + " " + q(tempPath("x.wav")) + " --labels x.TextGrid", "--labels needs a \".vxt\" output"},
        {"labels " + f + " --intervals", "--intervals needs --textgrid OUT"},
        {"labels " + f + " --textgrid", "option \"--textgrid\" needs 1 value (OUT)"},
        // Failures are never reported as success; a pipe is refused without waiting for a writer.
        {"info " + f + " >/dev/full", "the output could not be written: No space left on device"},
        {"pitch " + f + " >/dev/full", "the output could not be written: No space left on device"},
        {"info " + q(fifo), "it is a pipe, not a file"},
        // A settings file that is refused is named.
        {"pitch " + f + " --settings " + q(missing), missing + ": the settings file cannot be read"},
        {"pitch " + f + " --settings " + q(folder), folder + ": the settings file cannot be read"},
        {"pitch " + f + " --settings " + q(shortFile), shortFile + ": The configuration file is too short"},
        {"pitch " + f + " --settings " + q(zeroStep), "Pitch options: Step must be from 1 to 20 ms, not 0."},
        {"pitch " + f + " --settings " + q(longWindow), "Pitch options: Window length must be from 10 to 100 ms"},
        {"spectrum --at-ms 100 " + f + " --settings " + q(noWindow), "FFT/LPC options: Applied window must be a"},
    };
    for (const auto& [arguments, message] : cases) {
        SCOPED_TRACE(arguments);
        expectRefused(runCli(arguments), message);
    }
}

TEST_F(Cli, ConvertCarriesATextGridsLabelsAndLabelsListsOrWritesThem)
{
    const std::string grid = tempPath("in.TextGrid");
    std::ofstream(grid) << "File type = \"ooTextFile\"\nObject class = \"TextGrid\"\n\n0\n1\n<exists>\n2\n"
                           "\"IntervalTier\"\n\"words\"\n0\n1\n3\n0\n0.2\n\"\"\n0.2\n0.9\n\"a\tb\\c\"\n0.9\n1\n\"é\"\n"
                           "\"TextTier\"\n\"tones\"\n0\n1\n1\n0.0015\n\"H*\"\n";
    const std::string vxt = tempPath("labelled.vxt");
    Output o = runCli("convert " + f + " " + q(vxt) + " --labels " + q(grid));
    ASSERT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(runCli("labels " + q(vxt)).out, "tier\ttier_name\ttime_ms\ttext\n"
                                              "1\twords\t200\ta\\tb\\\\c\n"
                                              "1\twords\t900\té\n"
                                              "2\ttones\t1.5\tH*\n");

    const std::string out = tempPath("out.TextGrid");
    ASSERT_EQ(runCli("labels " + q(vxt) + " --textgrid " + q(out)).status, 0);
    EXPECT_THAT(vxtest::readText(out), HasSubstr("class = \"TextTier\" \n        name = \"words\""));
    ASSERT_EQ(runCli("labels " + q(vxt) + " --textgrid " + q(out) + " --intervals").status, 0);
    EXPECT_THAT(vxtest::readText(out), HasSubstr("xmin = 0.9 \n            xmax = 1 \n            text = \"é\""));
    EXPECT_EQ(runCli("labels " + f).out, "tier\ttier_name\ttime_ms\ttext\n");

    // Labels past the end of a shorter sound: refused, nothing written.
    const std::string shorter = tempPath("short.wav");
    ASSERT_EQ(vxtest::run("sox -V1 -n -r 8000 -b 16 " + q(shorter) + " synth 0.4 sine 200"), 0);
    const std::string never = tempPath("never.vxt");
    expectRefused(runCli("convert " + q(shorter) + " " + q(never) + " --labels " + q(grid)),
                  grid + ": line 5: the TextGrid's xmax (1 s) lies outside the sound (0 to 0.4 s)");
    EXPECT_FALSE(std::filesystem::exists(never));
}

// The command exists where the desktop part is built.
#ifdef VOXTRACE_CLI_PICTURE
TEST_F(Cli, PictureOfEachViewInEachFormatAndItsRefusals)
{
    const std::string grid = tempPath("picture.TextGrid");
    std::ofstream(grid) << "File type = \"ooTextFile\"\nObject class = \"TextGrid\"\n\n0\n1\n<exists>\n1\n"
                           "\"TextTier\"\n\"tones\"\n0\n1\n1\n0.7\n\"Hstar\"\n";
    // (options, file, width and height of a PNG, the format's first bytes)
    const std::tuple<std::string, std::string, int, int, std::string> cases[] = {
        {"", "main.png", 1800, 1200, "\x89PNG"},
        {"--view spectrogram --from-ms 100 --to-ms 800 --width-cm 10 --height-cm 5", "spectrogram.png", 1181, 590,
         "\x89PNG"},
        {"--view spectrum --at-ms 500", "slice.png", 432, 288, "\x89PNG"},
        {"--view spectrum --from-ms 200 --to-ms 900 --width-in 3 --height-in 2", "slice-avg.png", 216, 144,
         "\x89PNG"},
        {"--labels " + q(grid), "main.pdf", 0, 0, "%PDF-"},
        {"--view spectrogram --labels " + q(grid), "spectrogram.svg", 0, 0, "<?xml"},
    };
    std::string pdf;
    for (const auto& [options, file, width, height, magic] : cases) {
        SCOPED_TRACE(file);
        const std::string out = tempPath(file);
        if (magic == "%PDF-")
            pdf = out;
        const Output o = runCli("picture " + f + " " + q(out) + " " + options);
        ASSERT_EQ(o.status, 0) << o.err;
        const std::vector<std::uint8_t> b = vxtest::readBytes(out);
        ASSERT_GE(b.size(), 24u);
        EXPECT_EQ(std::string(b.begin(), b.begin() + static_cast<long>(magic.size())), magic);
        const auto be32 = [&](std::size_t at) { return b[at] << 24 | b[at + 1] << 16 | b[at + 2] << 8 | b[at + 3]; };
        if (width) {
            EXPECT_EQ(std::make_pair(be32(16), be32(20)), std::make_pair(width, height));
        }
    }
    // The label is text in the PDF.
    EXPECT_THAT(vxtest::runCommand("pdftotext " + q(pdf) + " -").out, HasSubstr("Hstar"));

    const std::pair<std::string, std::string> refused[] = {
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
    for (const auto& [arguments, message] : refused) {
        SCOPED_TRACE(arguments);
        const std::string out = tempPath("refused.png");
        expectRefused(runCli("picture " + f + " " + q(out) + " " + arguments), message);
        EXPECT_FALSE(std::filesystem::exists(out));
    }
    const std::string jpeg = tempPath("p.jpg");
    expectRefused(runCli("picture " + f + " " + q(jpeg)), "a picture is written as .tif, .png, .pdf or .svg");
    EXPECT_FALSE(std::filesystem::exists(jpeg));
    expectRefused(runCli("picture " + f), "");
    expectRefused(runCli("picture " + q(tempPath("none.wav")) + " " + q(tempPath("none.png"))), "");
}
#endif
