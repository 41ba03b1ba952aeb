// voxtrace-cli: batch analysis and conversion for scripts and corpora.
// Output is tab-separated text on standard output; errors go to standard
// error with exit status 1. Input files are never changed.

#include "CliCommon.h"

#include <cstdio>
#include <cstring>
#include <exception>
#include <functional>
#include <map>

namespace {

const char* kUsage =
    "usage: voxtrace-cli COMMAND [ARGS]\n"
    "  info FILE [--channel K]\n"
    "  convert IN OUT [--channel K] [--selection-ms A B]   (OUT ends in .wav or .vxt)\n"
    "  pitch FILE [--from-ms A --to-ms B] [--window-ms W] [--step-ms S] [--low HZ] [--high HZ]\n"
    "             [--deviation HZ] [--threshold PCT]\n"
    "  intensity FILE [--window-ms W] [--step-ms S] [--relative]\n"
    "  formants FILE [--step-ms S] [--order N]\n"
    "  spectrum FILE --at-ms T | --from-ms A --to-ms B\n";

struct Command {
    std::map<std::string, int> options;
    std::function<int(const vxcli::Args&)> run;
};

const std::map<std::string, Command>& commands()
{
    static const std::map<std::string, Command> table = {
        {"info", {{{"channel", 1}}, vxcli::runInfo}},
        {"convert", {{{"channel", 1}, {"selection-ms", 2}}, vxcli::runConvert}},
        {"pitch",
         {{{"from-ms", 1}, {"to-ms", 1}, {"window-ms", 1}, {"step-ms", 1}, {"low", 1}, {"high", 1},
           {"deviation", 1}, {"threshold", 1}},
          vxcli::runPitch}},
        {"intensity", {{{"window-ms", 1}, {"step-ms", 1}, {"relative", 0}}, vxcli::runIntensity}},
        {"formants", {{{"step-ms", 1}, {"order", 1}}, vxcli::runFormants}},
        {"spectrum", {{{"at-ms", 1}, {"from-ms", 1}, {"to-ms", 1}}, vxcli::runSpectrum}},
    };
    return table;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2 || std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0) {
        std::fputs(kUsage, argc < 2 ? stderr : stdout);
        return argc < 2 ? 1 : 0;
    }
    auto it = commands().find(argv[1]);
    if (it == commands().end()) {
        std::fprintf(stderr, "voxtrace-cli: unknown command \"%s\"\n%s", argv[1], kUsage);
        return 1;
    }
    try {
        vxcli::Args args(argc, argv, 2, it->second.options);
        return it->second.run(args);
    } catch (const vxcli::CliError& e) {
        std::fprintf(stderr, "voxtrace-cli %s: %s\n", argv[1], e.what());
    } catch (const std::exception& e) {
        std::fprintf(stderr, "voxtrace-cli %s: %s\n", argv[1], e.what());
    }
    return 1;
}
