// voxtrace-cli run as a user's script would run it.

#include "support/SoundFiles.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <map>

using vxtest::run;
using vxtest::tempPath;

namespace {

struct Output {
    int status;
    std::string out;
    std::string err;
};

Output cli(const std::string& arguments)
{
    std::string errPath = tempPath("stderr.txt");
    std::string cmd = std::string(VOXTRACE_CLI) + " " + arguments + " 2>'" + errPath + "'";
    Output o{};
    FILE* p = popen(cmd.c_str(), "r");
    std::array<char, 4096> buf{};
    std::size_t n;
    while ((n = fread(buf.data(), 1, buf.size(), p)) > 0)
        o.out.append(buf.data(), n);
    int status = pclose(p);
    o.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    auto err = vxtest::readBytes(errPath);
    o.err.assign(err.begin(), err.end());
    return o;
}

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

std::string q(const std::string& path)
{
    return "'" + path + "'";
}

} // namespace

TEST(Cli, InfoPrintsOneKeyValueLineEach)
{
    std::string wav = tempPath("stereo.wav");
    ASSERT_EQ(run("sox -V1 -n -r 22050 -c 2 -b 16 " + q(wav) + " synth 1.5 sine 300"), 0);
    Output o = cli("info " + q(wav) + " --channel 2");
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
    EXPECT_EQ(keyValues(cli("info " + q(wav)).out)["channel"], "1") << "the first channel by default";

    Output tooHigh = cli("info " + q(wav) + " --channel 3");
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
    ASSERT_EQ(cli("convert " + q(in) + " " + q(vxt)).status, 0);
    EXPECT_EQ(std::filesystem::file_size(vxt), 512u + 248 + 2 * 16000);
    EXPECT_EQ(keyValues(cli("info " + q(vxt)).out)["format"], "native");

    std::string part = tempPath("part.wav");
    Output o = cli("convert " + q(vxt) + " " + q(part) + " --selection-ms 500 1500");
    ASSERT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(std::filesystem::file_size(part), 48u + 2 * 8000);
    EXPECT_EQ(vxtest::readBytes(in), before);

    // A failing conversion leaves an existing output as it was.
    o = cli("convert " + q(in) + " " + q(part) + " --selection-ms 700 700");
    EXPECT_EQ(o.status, 1);
    EXPECT_NE(o.err.find("no samples"), std::string::npos) << o.err;
    EXPECT_EQ(std::filesystem::file_size(part), 48u + 2 * 8000);

    EXPECT_EQ(cli("convert " + q(in) + " " + q(in)).status, 1);
    EXPECT_EQ(vxtest::readBytes(in), before);
    EXPECT_EQ(cli("convert " + q(in) + " " + q(tempPath("x.mp3"))).status, 1);

    std::string notSound = tempPath("notes.txt");
    vxtest::writeBytes(notSound, {'h', 'e', 'l', 'l', 'o', '\n', 0, 1, 2, 3, 4, 5, 6, 7});
    o = cli("info " + q(notSound));
    EXPECT_EQ(o.status, 1);
    EXPECT_NE(o.err.find("not in a format"), std::string::npos) << o.err;
    EXPECT_EQ(cli("bogus").status, 1);
    EXPECT_EQ(cli("info").status, 1);
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

    Output pitch = cli("pitch " + q(wav));
    ASSERT_EQ(pitch.status, 0) << pitch.err;
    auto t = rows(pitch.out);
    ASSERT_EQ(t[0], (std::vector<std::string>{"time_ms", "f0_hz"}));
    ASSERT_EQ(t.size(), 1u + 100) << "one row per 10 ms frame";
    EXPECT_EQ(t[11][0], "100.000");
    EXPECT_NEAR(std::stod(t[50][1]), 150, 2);
    EXPECT_EQ(t[1][1], "0.000") << "the first frame is never voiced";

    auto part = rows(cli("pitch " + q(wav) + " --from-ms 200 --to-ms 400 --step-ms 5").out);
    EXPECT_EQ(part.size(), 1u + 40);
    EXPECT_EQ(part[1][0], "200.000");

    auto level = rows(cli("intensity " + q(wav) + " --relative").out);
    ASSERT_EQ(level[0], (std::vector<std::string>{"time_ms", "intensity"}));
    EXPECT_EQ(level.size(), 1u + 100);

    auto f = rows(cli("formants " + q(wav) + " --step-ms 100 --order 16").out);
    ASSERT_EQ(f[0].size(), 11u);
    EXPECT_EQ(f[0][1], "F1");
    EXPECT_EQ(f[0][10], "B5");
    EXPECT_EQ(f.size(), 1u + 10);

    Output s = cli("spectrum " + q(wav) + " --at-ms 500");
    ASSERT_EQ(s.status, 0) << s.err;
    auto sp = rows(s.out);
    EXPECT_EQ(sp[0][0], "formants");
    EXPECT_EQ(sp[0][6], "bandwidths");
    EXPECT_EQ(sp[1], (std::vector<std::string>{"freq_hz", "level_db", "lpc_db"}));
    EXPECT_EQ(sp.size(), 2u + 8000) << "one point per Hz up to the frequency range";
    // The 150 Hz fundamental stands above the trough between it and its octave.
    EXPECT_GT(std::stod(sp[2 + 150][1]), std::stod(sp[2 + 225][1]));

    EXPECT_EQ(cli("spectrum " + q(wav)).status, 1);
    EXPECT_EQ(cli("pitch " + q(wav) + " --step-ms 0").status, 1);
    EXPECT_EQ(cli("pitch " + q(wav) + " --from-ms 500 --to-ms 100").status, 1);
}
