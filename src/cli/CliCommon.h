#pragma once
// Argument handling and document loading shared by the commands of
// voxtrace-cli.

#include "app/Options.h"
#include "document/Document.h"

#include <limits>
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

// One "--name value..." option of a command. Numeric values are checked
// against [low, high] when the arguments are read; `lowOpen` refuses low
// itself.
struct Option {
    std::string name;
    int values = 1; // 0 for a flag
    std::string metavar;
    std::string help; // says the unit and the default
    bool numeric = true;
    bool whole = false;
    double low = -std::numeric_limits<double>::infinity();
    double high = std::numeric_limits<double>::infinity();
    bool lowOpen = false;
    // A value of a setting: its group's check decides what is accepted,
    // with the same words as the option panels.
    std::optional<vx::OptionGroup> group;
    int field = -1;

    // "from 0.1 to 10000 ms", for messages.
    std::string rangeText() const;
    bool accepts(double v) const;
};

// Positional arguments and options, each option taking the number of
// values its command declares.
class Args {
public:
    Args(int argc, char** argv, int first, const std::vector<Option>& options);

    const std::vector<std::string>& positional() const { return m_positional; }
    bool has(const std::string& name) const { return m_values.count(name) != 0; }
    std::string text(const std::string& name, int index = 0) const;
    double number(const std::string& name, int index = 0) const;
    std::optional<double> optionalNumber(const std::string& name) const;
    // The option's value when given, else `fallback` (a value of the
    // settings), which must lie in the option's range too.
    double numberOr(const std::string& name, double fallback) const;
    const Option& option(const std::string& name) const;
    const std::vector<Option>& options() const { return m_options; }

private:
    std::vector<Option> m_options;
    std::vector<std::string> m_positional;
    std::map<std::string, std::vector<std::string>> m_values;
    std::map<std::string, std::vector<double>> m_numbers;
};

struct Loaded {
    std::unique_ptr<vx::Document> doc;
    vx::ReadResult result;
};

// Opens a file through the reader chain into a document that starts from
// the built-in default settings; `channel` (from 1) answers the channel
// question of multi-channel files, and of a file whose reader loads every
// channel it is moved to channel 0, which every command reads. With
// headerOnly, no samples are decoded. Throws CliError with the reason when
// nothing could load it.
Loaded loadDocument(const std::string& path, std::optional<int> channel, bool headerOnly = false);

// Applies the user configuration file named by --settings, when given.
void applySettingsOption(const Args& args, vx::Document& doc);

// Puts the values the arguments give for settings of `group` into the
// document, after checking the whole group at rate R as the option panel
// does; a refused value names its option.
void applyGroupOptions(const Args& args, vx::Document& doc, vx::OptionGroup group, double R);

std::optional<int> channelOption(const Args& args);

// Sets channel 0's selection to a..b ms, clamped to the recording.
void selectMs(vx::Document& d, double a, double b);

std::string formatNumber(double v);

// A stretch of channel 0 in samples and ms.
struct Range {
    double startPoint, stopPoint, startTime, stopTime;
};
// --NAME's time, refused past the end of the recording.
double timeWithin(const Args& args, const char* name, const vx::Channels& c);
// The whole recording, or the part that --from-ms/--to-ms give.
Range rangeOf(const Args& args, const vx::Channels& c);

// The document of the file, with --settings applied over the settings the
// file's rate gave, and its channel with samples to analyse.
struct Analysed {
    Loaded loaded;
    const vx::Channels* channel;
};
Analysed loadForAnalysis(const Args& args);

int runInfo(const Args& args);
int runConvert(const Args& args);
int runLabels(const Args& args);
int runPitch(const Args& args);
int runIntensity(const Args& args);
int runFormants(const Args& args);
int runSpectrum(const Args& args);
int runSettings(const Args& args);
#ifdef VOXTRACE_CLI_PICTURE
int runPicture(const Args& args);
#endif

} // namespace vxcli
