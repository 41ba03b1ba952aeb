#pragma once
// Argument handling and document loading shared by the commands of
// voxtrace-cli.

#include "document/Document.h"

#include <map>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace vxcli {

// A failure to report on standard error; the program exits with status 1.
struct CliError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// Positional arguments and "--name value..." options, each option taking
// the number of values its command declares.
class Args {
public:
    Args(int argc, char** argv, int first, const std::map<std::string, int>& optionArity);

    const std::vector<std::string>& positional() const { return m_positional; }
    bool has(const std::string& name) const { return m_options.count(name) != 0; }
    std::string text(const std::string& name, int index = 0) const;
    double number(const std::string& name, int index = 0) const;
    std::optional<double> optionalNumber(const std::string& name) const;
    int integer(const std::string& name) const;

private:
    std::vector<std::string> m_positional;
    std::map<std::string, std::vector<std::string>> m_options;
};

struct Loaded {
    std::unique_ptr<vx::Document> doc;
    vx::ReadResult result;
};

// Opens a file through the reader chain; `channel` (from 1) answers the
// channel question of multi-channel files. Throws CliError with the reason
// when nothing could load it.
Loaded loadDocument(const std::string& path, std::optional<int> channel);

// Sets channel 0's selection to a..b ms, clamped to the recording.
void selectMs(vx::Document& d, double a, double b);

std::string formatNumber(double v);

int runInfo(const Args& args);
int runConvert(const Args& args);
int runPitch(const Args& args);
int runIntensity(const Args& args);
int runFormants(const Args& args);
int runSpectrum(const Args& args);

} // namespace vxcli
