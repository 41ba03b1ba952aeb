// voxtrace-cli run as a user's script would run it.

#include "app/AppState.h"
#include "app/ConfigFile.h"
#include "platform/ByteReader.h"
#include "platform/FileIO.h"
#include "support/SoundFiles.h"
#include "support/TestFolders.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>
#include <map>

using vxtest::run;
using vxtest::runCli;
using vxtest::tempPath;

namespace {

using vxtest::Output;
using vxtest::q;

std::map<std::string, std::string> keyValues(const std::string& text)
{
    std::map<std::string, std::string> kv;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        std::string line = text.substr(start, end - start);
        std::size_t tab = line.find('\t');
        if (tab != std::string::npos)
            kv[line.substr(0, tab)] = line.substr(tab + 1);
        start = end == std::string::npos ? text.size() : end + 1;
    }
    return kv;
}


} // namespace

TEST(Cli, InfoPrintsOneKeyValueLineEach)
{
    std::string wav = tempPath("stereo.wav");
    ASSERT_EQ(run("sox -V1 -n -r 22050 -c 2 -b 16 " + q(wav) + " synth 1.5 sine 300"), 0);
    Output o = runCli("info " + q(wav) + " --channel 2");
    ASSERT_EQ(o.status, 0) << o.err;
    auto kv = keyValues(o.out);
    EXPECT_EQ(kv["format"], "wave");
    EXPECT_EQ(kv["channels_in_file"], "2");
    EXPECT_EQ(kv["channel"], "2");
    EXPECT_EQ(kv["sample_rate"], "22050");
    EXPECT_EQ(kv["samples"], "33075");
    EXPECT_EQ(kv["duration_ms"], "1500");
    EXPECT_EQ(kv["labels"], "0");
    EXPECT_EQ(kv.size(), 7u);
    EXPECT_EQ(keyValues(runCli("info " + q(wav)).out)["channel"], "1") << "the first channel by default";

    Output tooHigh = runCli("info " + q(wav) + " --channel 3");
    EXPECT_EQ(tooHigh.status, 1);
    EXPECT_NE(tooHigh.err.find("has 2 channels"), std::string::npos) << tooHigh.err;
    EXPECT_TRUE(tooHigh.out.empty());
}

TEST(Cli, ConvertWritesWaveAndNativeAndNeverTheInput)
{
    std::string in = tempPath("in.wav");
    ASSERT_EQ(run("sox -V1 -n -r 8000 -b 16 " + q(in) + " synth 2 sine 200"), 0);
    const auto before = vxtest::readBytes(in);

    std::string vxt = tempPath("out.vxt");
    ASSERT_EQ(runCli("convert " + q(in) + " " + q(vxt)).status, 0);
    EXPECT_EQ(std::filesystem::file_size(vxt), 512u + 248 + 2 * 16000);
    EXPECT_EQ(keyValues(runCli("info " + q(vxt)).out)["format"], "native");

    std::string part = tempPath("part.wav");
    Output o = runCli("convert " + q(vxt) + " " + q(part) + " --selection-ms 500 1500");
    ASSERT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(std::filesystem::file_size(part), 48u + 2 * 8000);
    EXPECT_EQ(vxtest::readBytes(in), before);

    // A failing conversion leaves an existing output as it was.
    o = runCli("convert " + q(in) + " " + q(part) + " --selection-ms 700 700");
    EXPECT_EQ(o.status, 1);
    EXPECT_NE(o.err.find("no samples"), std::string::npos) << o.err;
    EXPECT_EQ(std::filesystem::file_size(part), 48u + 2 * 8000);

    EXPECT_EQ(runCli("convert " + q(in) + " " + q(in)).status, 1);
    EXPECT_EQ(vxtest::readBytes(in), before);
    EXPECT_EQ(runCli("convert " + q(in) + " " + q(tempPath("x.mp3"))).status, 1);

    std::string notSound = tempPath("notes.txt");
    vxtest::writeBytes(notSound, {'h', 'e', 'l', 'l', 'o', '\n', 0, 1, 2, 3, 4, 5, 6, 7});
    o = runCli("info " + q(notSound));
    EXPECT_EQ(o.status, 1);
    EXPECT_NE(o.err.find("not in a format"), std::string::npos) << o.err;
    EXPECT_EQ(runCli("bogus").status, 1);
    EXPECT_EQ(runCli("info").status, 1);
}

namespace {

std::vector<std::vector<std::string>> rows(const std::string& text)
{
    std::vector<std::vector<std::string>> out;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        std::string line = text.substr(start, end - start);
        std::vector<std::string> cells;
        std::size_t a = 0;
        for (std::size_t tab; (tab = line.find('\t', a)) != std::string::npos; a = tab + 1)
            cells.push_back(line.substr(a, tab - a));
        cells.push_back(line.substr(a));
        out.push_back(cells);
        start = end == std::string::npos ? text.size() : end + 1;
    }
    return out;
}

} // namespace

TEST(Cli, AnalysisCommandsPrintTheirTables)
{
    std::string wav = tempPath("saw.wav");
    ASSERT_EQ(run("sox -V1 -n -r 16000 -b 16 " + q(wav) + " synth 1 saw 150 gain -6"), 0);

    Output pitch = runCli("pitch " + q(wav));
    ASSERT_EQ(pitch.status, 0) << pitch.err;
    auto t = rows(pitch.out);
    ASSERT_EQ(t[0], (std::vector<std::string>{"time_ms", "f0_hz"}));
    ASSERT_EQ(t.size(), 1u + 100) << "one row per 10 ms frame";
    EXPECT_EQ(t[11][0], "100.000");
    EXPECT_NEAR(std::stod(t[50][1]), 150, 2);
    EXPECT_EQ(t[1][1], "0.000") << "the first frame is never voiced";

    auto part = rows(runCli("pitch " + q(wav) + " --from-ms 200 --to-ms 400 --step-ms 5").out);
    EXPECT_EQ(part.size(), 1u + 40);
    EXPECT_EQ(part[1][0], "200.000");

    auto level = rows(runCli("intensity " + q(wav) + " --relative").out);
    ASSERT_EQ(level[0], (std::vector<std::string>{"time_ms", "intensity"}));
    EXPECT_EQ(level.size(), 1u + 100);

    auto f = rows(runCli("formants " + q(wav) + " --step-ms 100 --order 16").out);
    ASSERT_EQ(f[0].size(), 11u);
    EXPECT_EQ(f[0][1], "F1");
    EXPECT_EQ(f[0][10], "B5");
    EXPECT_EQ(f.size(), 1u + 10);

    Output s = runCli("spectrum " + q(wav) + " --at-ms 500");
    ASSERT_EQ(s.status, 0) << s.err;
    auto sp = rows(s.out);
    EXPECT_EQ(sp[0][0], "formants");
    EXPECT_EQ(sp[0][6], "bandwidths");
    EXPECT_EQ(sp[1], (std::vector<std::string>{"freq_hz", "level_db", "lpc_db"}));
    EXPECT_EQ(sp.size(), 2u + 8000) << "one point per Hz up to the frequency range";
    // The 150 Hz fundamental stands above the trough between it and its octave.
    EXPECT_GT(std::stod(sp[2 + 150][1]), std::stod(sp[2 + 225][1]));
    // Under a ceiling the envelope ends at it; the spectrum does not.
    auto low = rows(runCli("spectrum " + q(wav) + " --at-ms 500 --ceiling 2000").out);
    ASSERT_EQ(low.size(), 2u + 8000);
    EXPECT_NE(low[2 + 1999][2], "");
    EXPECT_EQ(low[2 + 2000][2], "");
    EXPECT_EQ(low[2 + 2000][1], sp[2 + 2000][1]);

}

namespace {

bool contains(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

// Every entry under a folder with its size and modification time.
std::map<std::string, std::pair<std::uintmax_t, std::filesystem::file_time_type>> folderState(
    const std::string& dir)
{
    std::map<std::string, std::pair<std::uintmax_t, std::filesystem::file_time_type>> state;
    for (const auto& e : std::filesystem::recursive_directory_iterator(dir))
        state[e.path().string()] = {e.is_regular_file() ? e.file_size() : 0, e.last_write_time()};
    return state;
}

std::string homeIn(const std::string& dir)
{
    return "HOME=" + q(dir) + " XDG_CONFIG_HOME=" + q(dir) + " VOXTRACE_CONFIG_DIR=" + q(dir);
}

} // namespace

TEST(Cli, OutputIgnoresThePerUserSettingsAndLeavesThemAlone)
{
    std::string wav = tempPath("settings.wav");
    ASSERT_EQ(run("sox -V1 -n -r 16000 -b 16 " + q(wav) + " synth 1 saw 150 gain -6"), 0);
    const std::vector<std::string> commands = {"pitch " + q(wav), "intensity " + q(wav),
                                               "formants " + q(wav) + " --step-ms 100", "spectrum " + q(wav)
                                               + " --at-ms 500", "info " + q(wav)};

    std::string empty = tempPath("empty-home");
    std::filesystem::create_directories(empty);
    std::vector<std::string> plain;
    for (const std::string& c : commands) {
        Output o = runCli(c, homeIn(empty));
        ASSERT_EQ(o.status, 0) << c << ": " << o.err;
        plain.push_back(o.out);
    }
    EXPECT_TRUE(std::filesystem::is_empty(empty)) << "no settings folder or file is made";

    // A legacy settings file with other pitch, LPC and intensity values,
    // where each of the three variables would find it.
    vx::ConfigRecord r = vx::buildLegacyDefaultRecord();
    vx::putF64le(r.data() + 520, 44100);    // the analysis rate start-up takes
    vx::putF64le(r.data() + 1072, 60);      // pitch window
    vx::putF64le(r.data() + 1080, 5);       // pitch step
    vx::putU32le(r.data() + 652, 30);       // LPC order
    vx::putU32le(r.data() + 664, 80);       // channel 1's intensity window
    vx::putU32le(r.data() + 728, 20);       // channel 1's intensity step
    std::string full = tempPath("full-home");
    for (const std::string& dir : {full, full + "/voxtrace", full + "/.config/voxtrace"}) {
        std::filesystem::create_directories(dir);
        ASSERT_TRUE(vx::writeFileAtomically(dir + "/VoxtraceConf.cfg", r));
    }
    vx::app().gAppPath = full;
    vx::Document taking;
    EXPECT_EQ(taking.s.m_dPitchStepSize, 5) << "the application would take the file";
    vx::resetAppState();

    const auto before = folderState(full);
    for (std::size_t k = 0; k < commands.size(); ++k) {
        Output o = runCli(commands[k], homeIn(full));
        ASSERT_EQ(o.status, 0) << commands[k] << ": " << o.err;
        EXPECT_EQ(o.out, plain[k]) << commands[k];
    }
    EXPECT_EQ(folderState(full), before);

    // --settings applies a saved user configuration over the defaults.
    vx::Document saved(vx::StartingSettings::defaultsOnly);
    saved.s.m_dPitchStepSize = 5;
    saved.getChannel(0).m_dIntensityStepSizeMS = 20;
    std::string config = tempPath("user.cfg");
    ASSERT_TRUE(vx::saveUserConfiguration(saved, config));
    Output o = runCli("pitch " + q(wav) + " --settings " + q(config), homeIn(empty));
    ASSERT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(rows(o.out).size(), 1u + 200) << "5 ms steps";
    EXPECT_EQ(rows(runCli("pitch " + q(wav) + " --settings " + q(config) + " --step-ms 10").out).size(), 1u + 100)
        << "an option overrides the settings";
    EXPECT_EQ(rows(runCli("intensity " + q(wav) + " --settings " + q(config)).out).size(), 1u + 50);
    EXPECT_TRUE(std::filesystem::is_empty(empty));
}

TEST(Cli, BadSettingsFilesAreErrorsNamingTheFile)
{
    std::string wav = tempPath("bad-settings.wav");
    ASSERT_EQ(run("sox -V1 -n -r 16000 -b 16 " + q(wav) + " synth 0.5 sine 200"), 0);
    vx::Document d(vx::StartingSettings::defaultsOnly);
    std::string shortFile = tempPath("short.cfg");
    vxtest::writeBytes(shortFile, std::vector<std::uint8_t>(100, 0));
    std::string zeroStep = tempPath("zero-step.cfg");
    vx::ConfigRecord r = vx::buildUserConfiguration(d);
    vx::putF64le(r.data() + 1080, 0);
    ASSERT_TRUE(vx::writeFileAtomically(zeroStep, r));
    std::string longWindow = tempPath("long-window.cfg");
    d.s.m_dPitchWindowLength = 5000;
    ASSERT_TRUE(vx::saveUserConfiguration(d, longWindow));

    const struct {
        std::string file, message;
    } cases[] = {
        {tempPath("missing.cfg"), "cannot be read"},
        {vxtest::testRoot(), "cannot be read"},
        {shortFile, "too short"},
        {zeroStep, "Pitch options: Step must be from 1 to 20 ms, not 0."},
        {longWindow, "Pitch options: Window length must be from 10 to 100 ms, not 5000."},
    };
    for (const auto& c : cases) {
        Output o = runCli("pitch " + q(wav) + " --settings " + q(c.file));
        EXPECT_EQ(o.status, 1) << c.file;
        EXPECT_TRUE(o.out.empty()) << c.file;
        EXPECT_TRUE(contains(o.err, c.file)) << o.err;
        EXPECT_TRUE(contains(o.err, c.message)) << o.err;
    }
}

TEST(Cli, SpectrumSettingsTheFrameLoopCannotUseAreErrors)
{
    std::string wav = tempPath("slice-settings.wav");
    ASSERT_EQ(run("sox -V1 -n -r 16000 -b 16 " + q(wav) + " synth 0.5 sine 200"), 0);
    vx::Document d(vx::StartingSettings::defaultsOnly);
    d.s.m_nFFTAppliedWindowLength = 0;
    std::string noWindow = tempPath("no-applied-window.cfg");
    ASSERT_TRUE(vx::saveUserConfiguration(d, noWindow));
    Output o = runCli("spectrum " + q(wav) + " --at-ms 100 --settings " + q(noWindow));
    EXPECT_EQ(o.status, 1);
    EXPECT_TRUE(contains(o.err, "FFT/LPC options: Applied window must be a whole number from 1 to 10000 ms, not 0."))
        << o.err;
    EXPECT_TRUE(o.out.empty());
}

TEST(Cli, HelpListsEveryOptionWithItsDefault)
{
    const struct {
        std::string command;
        std::vector<std::string> options;
    } cases[] = {
        {"info", {"--channel K"}},
        {"convert", {"--channel K", "--selection-ms A B"}},
        {"pitch", {"--settings FILE", "--from-ms MS", "--to-ms MS", "--window-ms MS", "--step-ms MS", "--low HZ",
                   "--high HZ", "--deviation HZ", "--threshold PCT"}},
        {"intensity", {"--settings FILE", "--window-ms MS", "--step-ms MS", "--relative"}},
        {"formants", {"--settings FILE", "--step-ms MS", "--order N", "--ceiling HZ"}},
        {"spectrum", {"--settings FILE", "--at-ms MS", "--from-ms MS", "--to-ms MS", "--order N", "--ceiling HZ"}},
    };
    Output all = runCli("--help");
    EXPECT_EQ(all.status, 0);
    for (const auto& c : cases) {
        Output o = runCli(c.command + " --help");
        EXPECT_EQ(o.status, 0) << c.command;
        EXPECT_TRUE(o.err.empty()) << o.err;
        EXPECT_TRUE(contains(o.out, "usage: voxtrace-cli " + c.command)) << o.out;
        EXPECT_TRUE(contains(all.out, "usage: voxtrace-cli " + c.command)) << all.out;
        for (const std::string& option : c.options)
            EXPECT_TRUE(contains(o.out, option)) << c.command << " " << option;
    }
    Output pitch = runCli("pitch --help");
    EXPECT_TRUE(contains(pitch.out, "(default: 35 ms)")) << pitch.out;
    EXPECT_TRUE(contains(pitch.out, "(default: 500 Hz)")) << pitch.out;
    EXPECT_EQ(runCli("").status, 1);
}

TEST(Cli, BadArgumentsAreErrorsNotCrashes)
{
    std::string wav = tempPath("args.wav");
    ASSERT_EQ(run("sox -V1 -n -r 16000 -b 16 -c 2 " + q(wav) + " synth 1 sine 200"), 0);
    const std::string f = q(wav);
    const struct {
        std::string arguments, message;
    } cases[] = {
        {"pitch " + f + " --bogus 1", "unknown option \"--bogus\""},
        {"pitch " + f + " --step-ms", "needs 1 value"},
        {"pitch " + f + " --step-ms --low 60", "needs 1 value"},
        {"convert " + f + " " + q(tempPath("x.wav")) + " --selection-ms 100", "needs 2 values"},
        {"pitch " + f + " --window-ms abc", "needs a number, not \"abc\""},
        {"pitch " + f + " --window-ms 10ms", "needs a number"},
        {"pitch " + f + " --window-ms nan", "needs a number"},
        {"pitch " + f + " --window-ms 0", "option \"--window-ms\": Pitch options: Window length must be from 10 to 100 ms, not 0."},
        {"intensity " + f + " --window-ms 0", "Intensity options: Window length must be a whole number from 1 to 1000 ms"},
        {"pitch " + f + " --step-ms 0", "Pitch options: Step must be from 1 to 20 ms, not 0."},
        {"pitch " + f + " --step-ms -5", "Step must be from 1 to 20 ms, not -5."},
        {"intensity " + f + " --step-ms 0", "Intensity options: Step must be a whole number from 1 to 10000 ms"},
        {"formants " + f + " --step-ms 0", "--step-ms\" must be from 0.1"},
        {"pitch " + f + " --low 400 --high 300", "must be above the lowest"},
        {"pitch " + f + " --low 600", "must be above the lowest"},
        {"pitch " + f + " --low 0", "option \"--low\": Pitch options: Lowest pitch must be from 50 to 1000 Hz"},
        {"pitch " + f + " --threshold 101", "Threshold must be from 1 to 20 %, not 101."},
        {"pitch " + f + " --step-ms 5 --step-ms 6", "given twice"},
        {"pitch " + f + " --channel 3", "has 2 channels"},
        {"pitch " + f + " --channel 0", "--channel\" must be a whole number from 1"},
        {"info " + f + " --channel 1.5", "--channel\" must be a whole number"},
        {"pitch " + f + " --from-ms 500 --to-ms 100", "--to-ms (100) must be after --from-ms (500)"},
        {"pitch " + f + " --from-ms 300 --to-ms 300", "must be after"},
        {"pitch " + f + " --from-ms -1", "--from-ms\" must be 0 ms or more"},
        {"pitch " + f + " --to-ms 5000", "past the end of the recording (1000 ms)"},
        {"spectrum " + f + " --at-ms 1001", "past the end"},
        {"spectrum " + f, "either --at-ms or --from-ms/--to-ms"},
        {"spectrum " + f + " --at-ms 5 --from-ms 1", "either --at-ms"},
        {"formants " + f + " --order 1", "LPC order must be an even number from 2 to 400, not 1."},
        {"formants " + f + " --order 401", "from 2 to 400"},
        {"formants " + f + " --order 13", "an even number"},
        {"spectrum " + f + " --at-ms 5 --order 0", "from 2 to 400"},
        {"formants " + f + " --ceiling 100",
         "Formant ceiling must be 0 (off) or a whole number from 500 to 500000 Hz, not 100."},
        {"pitch", "one sound file is needed"},
        {"pitch " + f + " " + f, "one sound file is needed"},
        {"info " + f + " --settings x.cfg", "unknown option"},
        {"bogus", "unknown command"},
    };
    for (const auto& c : cases) {
        Output o = runCli(c.arguments);
        EXPECT_EQ(o.status, 1) << c.arguments;
        EXPECT_TRUE(o.out.empty()) << c.arguments;
        EXPECT_TRUE(contains(o.err, c.message)) << c.arguments << "\n" << o.err;
    }
}

TEST(Cli, FailuresAreNeverReportedAsSuccess)
{
    std::string wav = tempPath("full.wav");
    ASSERT_EQ(run("sox -V1 -n -r 16000 -b 16 " + q(wav) + " synth 2 sine 200"), 0);
    for (const std::string command : {"info", "labels", "intensity", "pitch"}) {
        Output o = runCli(command + " " + q(wav) + " >/dev/full");
        EXPECT_EQ(o.status, 1) << command;
        EXPECT_TRUE(contains(o.err, "the output could not be written: No space left on device")) << o.err;
    }

    // A file that is not a file: refused at once, without waiting for a
    // writer.
    const std::string fifo = tempPath("fifo.wav");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    Output pipe = runCli("info " + q(fifo));
    EXPECT_EQ(pipe.status, 1);
    EXPECT_TRUE(contains(pipe.err, "it is a pipe, not a file")) << pipe.err;
}

TEST(Cli, ChannelOfAMultiChannelLegacyFileIsTheOneAnalysed)
{
    const std::string qad = tempPath("two.qad");
    vxtest::writeBytes(qad, vxtest::makeQadFloat({{8000, std::vector<float>(800, 0.25f)},
                                                  {16000, std::vector<float>(1600, 0.5f)}}));
    auto kv = keyValues(runCli("info " + q(qad) + " --channel 2").out);
    EXPECT_EQ(kv["channel"], "2");
    EXPECT_EQ(kv["sample_rate"], "16000");
    EXPECT_EQ(kv["samples"], "1600");
    const std::string out = tempPath("second.wav");
    ASSERT_EQ(runCli("convert " + q(qad) + " " + q(out) + " --channel 2").status, 0);
    const auto bytes = vxtest::readBytes(out);
    ASSERT_EQ(bytes.size(), 48u + 2 * 1600);
    vx::ByteReader r(bytes);
    r.seek(24);
    EXPECT_EQ(r.u32le(), 16000u);
    r.seek(48);
    EXPECT_EQ(r.i16le(), 16384) << "channel 2's samples, not channel 1's";
}

TEST(Cli, InfoAnswersFromTheHeaderAndSaysWhatItRepaired)
{
    // 3 GB, sparse: the samples are never read.
    const std::string huge = tempPath("huge.wav");
    std::vector<std::uint8_t> head = vxtest::makeWave({}, 1, 44100);
    const std::uint32_t dataBytes = 3000000000u;
    vx::putU32le(head.data() + 4, 36 + dataBytes);
    vx::putU32le(head.data() + 40, dataBytes);
    vxtest::writeBytes(huge, head);
    ASSERT_EQ(::truncate(huge.c_str(), static_cast<off_t>(head.size() + dataBytes)), 0);
    Output o = runCli("info " + q(huge));
    ASSERT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(keyValues(o.out)["samples"], "1500000000");

    const std::string junk = tempPath("junk.bin");
    vxtest::writeBytes(junk, {'j', 'u', 'n', 'k'});
    ASSERT_EQ(::truncate(junk.c_str(), 3000000000), 0);
    o = runCli("info " + q(junk));
    EXPECT_EQ(o.status, 1);
    EXPECT_TRUE(contains(o.err, "not in a format")) << o.err;

    const std::string wav = tempPath("repair.wav");
    ASSERT_EQ(run("sox -V1 -n -r 16000 -b 16 " + q(wav) + " synth 1 sine 200"), 0);
    const std::string vxt = tempPath("repair.vxt");
    ASSERT_EQ(runCli("convert " + q(wav) + " " + q(vxt)).status, 0);
    auto bytes = vxtest::readBytes(vxt);
    vx::putF64le(bytes.data() + 512, 1e300);
    vxtest::writeBytes(vxt, bytes);
    auto kv = keyValues(runCli("info " + q(vxt)).out);
    EXPECT_EQ(kv["duration_ms"], "1000");
    EXPECT_TRUE(contains(kv["repaired"], "stored duration (1e+300 ms)")) << kv["repaired"];
}
