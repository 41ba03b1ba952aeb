#pragma once
// Helpers for tests that make sound files and run programs.

#include "document/Document.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace vxtest {

// A shell command's exit status.
int run(const std::string& command);

struct Output {
    int status;
    std::string out;
    std::string err;
};
// A shell command's exit status, standard output and error.
Output runCommand(const std::string& command);
// The command line program; `environment` is a prefix of NAME=value words for env(1).
Output runCli(const std::string& arguments, const std::string& environment = "");
// A path in single quotes for a shell command.
std::string q(const std::string& path);
// Tab-separated text as rows of cells.
std::vector<std::vector<std::string>> tsvRows(const std::string& text);

// What f returned in a child process forked from this one, once the child has ended by
// std::exit (running exit handlers) when `exitHandlers`, else by _exit.
std::string inChildProcess(const std::function<std::string()>& f, bool exitHandlers = false);

// A fresh path inside this test process's private folder.
std::string tempPath(const std::string& name);

std::vector<std::uint8_t> readBytes(const std::string& path);
std::string readText(const std::string& path);
void writeBytes(const std::string& path, const std::vector<std::uint8_t>& bytes);
// A file of raw 32-bit floats, as a tool decoded them.
std::vector<float> readF32(const std::string& path);

// A 16-bit PCM WAVE file of interleaved samples, with extra chunks before "data".
std::vector<std::uint8_t> makeWave(const std::vector<std::int16_t>& samples, int channels, int rate,
                                   const std::vector<std::uint8_t>& extraChunks = {});

struct LegacyChannel {
    double rate;
    std::vector<float> samples;
    int type = 0;
};
// A legacy float file ("QAD_PC_FLOAT"): per channel its header (titled "EGG"), one label "onset" at
// 1 ms and its samples; `declared` channels in the file header, or as many as given when negative.
std::vector<std::uint8_t> makeQadFloat(const std::vector<LegacyChannel>& channels, int declared = -1);

// A document with channel 0 holding `samples` at `rate`.
void fillChannel(vx::Document& d, const std::vector<float>& samples, double rate);

} // namespace vxtest
