#pragma once
// Helpers for tests that make sound files: by hand, or with sox and ffmpeg.

#include "document/Document.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace vxtest {

// Runs a shell command; returns its exit status.
int run(const std::string& command);

// What a program run by runCommand said.
struct Output {
    int status;
    std::string out;
    std::string err;
};
// Runs a shell command, keeping its standard output and error.
Output runCommand(const std::string& command);
// The command line program (built beside the tests) with `arguments`;
// `environment` is a prefix of NAME=value words for env(1).
Output runCli(const std::string& arguments, const std::string& environment = "");
// A path in single quotes for a shell command.
std::string q(const std::string& path);
// Tab-separated text as rows of cells.
std::vector<std::vector<std::string>> tsvRows(const std::string& text);

// Runs f in a child process forked from this one and returns what it
// returned, once the child has ended: exit handlers run (std::exit) when
// `exitHandlers`, else the child ends at once (_exit).
std::string inChildProcess(const std::function<std::string()>& f, bool exitHandlers = false);

// A fresh path inside this test process's private folder.
std::string tempPath(const std::string& name);

std::vector<std::uint8_t> readBytes(const std::string& path);
std::string readText(const std::string& path);
void writeBytes(const std::string& path, const std::vector<std::uint8_t>& bytes);

// Raw 32-bit float samples as a tool decoded them.
std::vector<float> readF32(const std::string& path);

// A 16-bit PCM WAVE file of the given interleaved samples, with optional
// extra chunks placed before "data".
std::vector<std::uint8_t> makeWave(const std::vector<std::int16_t>& samples, int channels, int rate,
                                   const std::vector<std::uint8_t>& extraChunks = {});

// One channel of a legacy float file.
struct LegacyChannel {
    double rate;
    std::vector<float> samples;
    int type = 0;
};

// The legacy float layout ("QAD_PC_FLOAT"): per channel its header (titled
// "EGG"), one label "onset" at 1 ms and its samples. The file header
// declares `declared` channels, or as many as are given when negative.
std::vector<std::uint8_t> makeQadFloat(const std::vector<LegacyChannel>& channels, int declared = -1);

// A document with channel 0 holding `samples` at `rate`.
void fillChannel(vx::Document& d, const std::vector<float>& samples, double rate);

} // namespace vxtest
