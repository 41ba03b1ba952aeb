// voxtrace-cli: batch analysis and conversion for scripts and corpora.
// Output is tab-separated text on standard output; errors go to standard
// error with exit status 1. Input files are never changed, and the
// per-user settings folder is never read or written: every run starts from
// a new document's default settings, or from the file --settings names.

#include "CliCommon.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>
#include <functional>
#include <limits>
#include <string>
#include <vector>

namespace {

using vxcli::Option;

constexpr double kNoLimit = std::numeric_limits<double>::infinity();

struct Command {
    std::string name;
    std::string synopsis;
    std::string summary;
    std::vector<Option> options;
    std::function<int(const vxcli::Args&)> run;
};

std::string num(double v)
{
    return vxcli::formatNumber(v);
}

Option number(const std::string& name, const std::string& metavar, const std::string& help, double low,
              double high, bool lowOpen = false)
{
    Option o;
    o.name = name;
    o.metavar = metavar;
    o.help = help;
    o.low = low;
    o.high = high;
    o.lowOpen = lowOpen;
    return o;
}

// An option that sets a field of a settings group: its range, unit and
// check are the group's.
Option setting(const std::string& name, const std::string& metavar, vx::OptionGroup group, const char* member,
               const std::string& help, double current)
{
    Option o;
    o.name = name;
    o.metavar = metavar;
    o.group = group;
    o.field = vx::optionIndex(group, member);
    const vx::OptionField& f = vx::optionFields(group)[static_cast<std::size_t>(o.field)];
    o.whole = f.kind == vx::FieldKind::Whole;
    o.low = f.low;
    o.high = f.high;
    o.lowOpen = f.aboveLow;
    if (f.kind == vx::FieldKind::Flag || f.kind == vx::FieldKind::Pair) {
        o.values = 0;
        o.numeric = false;
        o.help = help + " (default: " + (current != 0 ? "on" : "off") + ")";
    } else {
        o.help = help + " (default: " + num(current) + (f.unit[0] ? std::string(" ") + f.unit : "") + ")";
    }
    return o;
}

Option flag(const std::string& name, const std::string& help)
{
    Option o;
    o.name = name;
    o.values = 0;
    o.help = help;
    o.numeric = false;
    return o;
}

Option text(const std::string& name, const std::string& metavar, const std::string& help)
{
    Option o;
    o.name = name;
    o.metavar = metavar;
    o.help = help;
    o.numeric = false;
    return o;
}

Option channelOption(const std::string& what)
{
    Option o = number("channel", "K", "channel of the file to " + what + ", counted from 1 (default: 1)", 1, 65535);
    o.whole = true;
    return o;
}

Option settingsOption()
{
    Option o;
    o.name = "settings";
    o.metavar = "FILE";
    o.help = "apply a configuration file saved by Voxtrace (File > Save Configuration) over the "
             "defaults (default: none; the per-user settings are never read)";
    o.numeric = false;
    return o;
}

const std::vector<Command>& commands()
{
    static const std::vector<Command> table = [] {
        const vx::Document d(vx::StartingSettings::defaultsOnly);
        const vx::Settings& s = d.s;
        const vx::Channels& c = d.getChannel(0);
        const Option from = number("from-ms", "MS", "start of the analysed part (default: 0)", 0, kNoLimit);
        const Option to = number("to-ms", "MS", "end of the analysed part (default: the end of the recording)", 0,
                                 kNoLimit);
        using G = vx::OptionGroup;
        Option order = setting("order", "N", G::FFTLPC, "m_nLPCNumberofCoefficients",
                               "LPC order, also the LPC frame in ms; for a new document the sample rate in "
                               "kHz + 4, rounded down to even, at most 400",
                               s.m_nLPCNumberofCoefficients);
        order.help = "LPC order, also the LPC frame in ms (default: the settings' LPC order; for a new document "
                     "the sample rate in kHz + 4, rounded down to even, at most 400)";
        const Option ceiling = setting("ceiling", "HZ", G::FFTLPC, "m_nFFTFormantCeiling",
                                       "formant ceiling: five formants are sought below HZ in the signal resampled "
                                       "to twice HZ (order 10, a 50 ms frame, pre-emphasis from 50 Hz; --order is "
                                       "then not used); 0 is off, 5500 is usual for a man's voice, 5000 for a "
                                       "woman's",
                                       s.m_nFFTFormantCeiling);
        return std::vector<Command>{
            {"info", "FILE", "The file's format, channels, sample rate, length and label count, one per line.",
             {channelOption("describe")}, vxcli::runInfo},
            {"convert", "IN OUT", "Writes one channel of IN to OUT, which ends in .wav (16-bit PCM) or .vxt.",
             {channelOption("convert"),
              [] {
                  Option o = number("selection-ms", "A B", "write only A to B ms (default: the whole recording)",
                                    0, kNoLimit);
                  o.values = 2;
                  return o;
              }(),
              text("labels", "FILE",
                   "replace the labels with those of a TextGrid file (long or short text form); the "
                   "output must end in .vxt (default: the input's labels)")},
             vxcli::runConvert},
            {"labels", "FILE",
             "The labels of every tier that holds any, shown or not, in time order within each tier: a "
             "header row, then tier (1 to 10), tier_name, time_ms, text. A tab, line break or backslash "
             "in a text is written as \\t, \\n or \\\\.",
             {channelOption("read"),
              text("textgrid", "OUT",
                   "write the labels to OUT as a TextGrid file (UTF-8, one point tier per tier) instead "
                   "of printing them (default: print)"),
              flag("intervals", "with --textgrid: interval tiers instead, each label starting an interval "
                                "that ends at the next label or at the end of the recording (default: off)")},
             vxcli::runLabels},
            {"pitch", "FILE", "The pitch track, one row per step: time_ms, f0_hz (0 where unvoiced).",
             {channelOption("analyse"), settingsOption(), from, to,
              setting("window-ms", "MS", G::Pitch, "m_dPitchWindowLength", "analysis window",
                      s.m_dPitchWindowLength),
              setting("step-ms", "MS", G::Pitch, "m_dPitchStepSize", "time between frames", s.m_dPitchStepSize),
              setting("low", "HZ", G::Pitch, "m_dPitchCalculationLow", "lowest pitch sought",
                      s.m_dPitchCalculationLow),
              setting("high", "HZ", G::Pitch, "m_dPitchCalculationHigh", "highest pitch sought, above --low",
                      s.m_dPitchCalculationHigh),
              setting("deviation", "HZ", G::Pitch, "m_dFreqDeviation",
                      "largest jump to a neighbouring frame that keeps a frame voiced", s.m_dFreqDeviation),
              setting("threshold", "PCT", G::Pitch, "m_dTrackingThreshHold",
                      "frames below this share of the largest frame energy are unvoiced", s.m_dTrackingThreshHold)},
             vxcli::runPitch},
            {"intensity", "FILE", "The intensity contour in dB, one row per step: time_ms, intensity.",
             {channelOption("analyse"), settingsOption(),
              setting("window-ms", "MS", G::Intensity, "m_dIntensityWindowLengthMS", "averaging window",
                      c.m_dIntensityWindowLengthMS),
              setting("step-ms", "MS", G::Intensity, "m_dIntensityStepSizeMS", "time between rows",
                      c.m_dIntensityStepSizeMS),
              setting("relative", "", G::Intensity, "m_bIntensityRelative", "levels above the quietest frame, whose level is 0",
                      c.m_bIntensityRelative)},
             vxcli::runIntensity},
            {"formants", "FILE",
             "Formants F1-F5 and bandwidths B1-B5 in Hz (-1 where missing), one row per step, of the "
             "LPC frame centred on time_ms.",
             {channelOption("analyse"), settingsOption(),
              number("step-ms", "MS", "time between rows (default: 10 ms)", 0.1, 10000), order, ceiling},
             vxcli::runFormants},
            {"spectrum", "FILE",
             "The spectrum slice at --at-ms, or averaged over --from-ms to --to-ms: the formants and "
             "bandwidths, then freq_hz, level_db, lpc_db per Hz up to the FFT frequency range (lpc_db empty "
             "where there is no envelope: a silent slice, or above the formant ceiling). The "
             "FFT and LPC values are the settings' (for a new document: a " + num(s.m_nFFTWindowLength)
                 + "-point window, LPC order and frequency range from the sample rate).",
             {channelOption("analyse"), settingsOption(),
              number("at-ms", "MS", "position of a single slice (no default: --at-ms or --from-ms/--to-ms)", 0,
                     kNoLimit),
              from, to, order, ceiling},
             vxcli::runSpectrum},
            {"settings", "",
             "Every setting of a new document, or of one with --settings applied, one row each: group, "
             "name, value, unit and accepted range.",
             {settingsOption()}, vxcli::runSettings},
#ifdef VOXTRACE_CLI_PICTURE
            {"picture", "FILE OUT",
             "Draws a view of FILE into OUT as the application's File > Save as Picture... does: a .tif or .png "
             "of 300 pixels an inch (the spectrum 72) that stores its display size, or a .pdf or .svg with "
             "the lines and text as vectors. Pitch, intensity, formants and levels are computed with the "
             "settings; nothing is printed on success.",
             {channelOption("draw"), settingsOption(),
              text("view", "VIEW", "main, spectrogram or spectrum (default: main)"),
              from, to,
              number("at-ms", "MS", "with --view spectrum: the one frame at MS (or --from-ms/--to-ms averaged)", 0,
                     kNoLimit),
              number("width-in", "W", "picture width in inches (default: the settings', " + num(s.m_dWidth)
                                          + " for the main view)", 0, kNoLimit, true),
              number("height-in", "H", "picture height in inches (default: the settings', " + num(s.m_dHeight)
                                           + " for the main view)", 0, kNoLimit, true),
              number("width-cm", "W", "picture width in centimetres, instead of inches", 0, kNoLimit, true),
              number("height-cm", "H", "picture height in centimetres, instead of inches", 0, kNoLimit, true),
              text("labels", "FILE", "draw the labels of a TextGrid file (default: the file's own labels)")},
             vxcli::runPicture},
#endif
        };
    }();
    return table;
}

// Writes text in lines of at most 79 columns, the first after `head`, the
// others indented to `indent`.
void printWrapped(std::FILE* out, const std::string& head, std::size_t indent, const std::string& text)
{
    std::string line = head;
    if (line.size() < indent)
        line.resize(indent, ' ');
    bool empty = true;
    std::size_t at = 0;
    while (at < text.size()) {
        std::size_t end = text.find(' ', at);
        if (end == std::string::npos)
            end = text.size();
        const std::string word = text.substr(at, end - at);
        if (!empty && line.size() + 1 + word.size() > 79) {
            std::fprintf(out, "%s\n", line.c_str());
            line.assign(indent, ' ');
            empty = true;
        }
        line += (empty ? "" : " ") + word;
        empty = false;
        at = end + 1;
    }
    std::fprintf(out, "%s\n", line.c_str());
}

void printHelp(std::FILE* out, const Command& c)
{
    std::fprintf(out, "usage: voxtrace-cli %s%s%s [OPTIONS]\n", c.name.c_str(), c.synopsis.empty() ? "" : " ",
                 c.synopsis.c_str());
    printWrapped(out, "  ", 2, c.summary);
    for (const Option& o : c.options) {
        const std::string head = "    --" + o.name + (o.metavar.empty() ? "" : " " + o.metavar) + "  ";
        const std::string range =
            o.numeric ? " [" + std::string(o.whole ? "a whole number " : "") + o.rangeText() + "]" : "";
        printWrapped(out, head, 24, o.help + range);
    }
}

void printUsage(std::FILE* out)
{
    std::fputs("usage: voxtrace-cli COMMAND ARGUMENTS [OPTIONS]\n"
               "       voxtrace-cli COMMAND --help\n"
               "Tab-separated results on standard output; errors on standard error with exit status 1.\n"
               "Every run starts from a new document's default settings; the per-user settings\n"
               "folder is neither read nor written. Times are in ms, frequencies in Hz.\n\n",
               out);
    for (const Command& c : commands()) {
        printHelp(out, c);
        std::fputc('\n', out);
    }
}

bool isHelp(const char* a)
{
    return std::strcmp(a, "--help") == 0 || std::strcmp(a, "-h") == 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        printUsage(stderr);
        return 1;
    }
    if (isHelp(argv[1])) {
        printUsage(stdout);
        return 0;
    }
    const Command* command = nullptr;
    for (const Command& c : commands())
        if (c.name == argv[1])
            command = &c;
    if (!command) {
        std::fprintf(stderr, "voxtrace-cli: unknown command \"%s\" (see voxtrace-cli --help)\n", argv[1]);
        return 1;
    }
    for (int i = 2; i < argc; ++i) {
        if (isHelp(argv[i])) {
            printHelp(stdout, *command);
            return 0;
        }
    }
    try {
        vxcli::Args args(argc, argv, 2, command->options);
        const int status = command->run(args);
        // Rows that did not reach their file (a full disk, a closed pipe)
        // make the run a failure.
        errno = 0;
        if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
            const int err = errno;
            std::fprintf(stderr, "voxtrace-cli %s: the output could not be written%s%s\n", argv[1],
                         err ? ": " : "", err ? std::strerror(err) : "");
            return 1;
        }
        return status;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "voxtrace-cli %s: %s\n", argv[1], e.what());
    }
    return 1;
}
