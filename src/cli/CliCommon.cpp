#include "CliCommon.h"

#include "app/AppState.h"

#include <cmath>
#include <cstdio>
#include <cctype>
#include <cstdlib>

namespace vxcli {

namespace {

class CliAnswers : public vx::UserInteraction {
public:
    explicit CliAnswers(std::optional<int> channel) : m_channel(channel.value_or(1)) {}
    int chooseChannel(const std::vector<std::string>& items) override
    {
        m_offered = static_cast<int>(items.size());
        return m_channel >= 1 && m_channel <= m_offered ? m_channel - 1 : -1;
    }
    int alert(const vx::AlertSpec&) override { return 1; }
    int offered() const { return m_offered; }

private:
    int m_channel;
    int m_offered = 0;
};

} // namespace

Args::Args(int argc, char** argv, int first, const std::map<std::string, int>& optionArity)
{
    for (int i = first; i < argc; ++i) {
        std::string a = argv[i];
        if (a.rfind("--", 0) != 0 || a.size() == 2 || std::isdigit(static_cast<unsigned char>(a[2]))) {
            m_positional.push_back(a);
            continue;
        }
        std::string name = a.substr(2);
        auto it = optionArity.find(name);
        if (it == optionArity.end())
            throw CliError("unknown option \"" + a + "\"");
        std::vector<std::string> values;
        for (int k = 0; k < it->second; ++k) {
            if (i + 1 >= argc)
                throw CliError("option \"" + a + "\" needs " + std::to_string(it->second) + " value(s)");
            values.push_back(argv[++i]);
        }
        m_options[name] = values;
    }
}

std::string Args::text(const std::string& name, int index) const
{
    return m_options.at(name).at(static_cast<std::size_t>(index));
}

double Args::number(const std::string& name, int index) const
{
    std::string s = text(name, index);
    char* end = nullptr;
    double v = std::strtod(s.c_str(), &end);
    if (s.empty() || *end != '\0' || !std::isfinite(v))
        throw CliError("option \"--" + name + "\" needs a number, not \"" + s + "\"");
    return v;
}

std::optional<double> Args::optionalNumber(const std::string& name) const
{
    if (!has(name))
        return std::nullopt;
    return number(name);
}

int Args::integer(const std::string& name) const
{
    double v = number(name);
    if (v != std::trunc(v) || std::fabs(v) > 1e9)
        throw CliError("option \"--" + name + "\" needs a whole number, not \"" + text(name) + "\"");
    return static_cast<int>(v);
}

Loaded loadDocument(const std::string& path, std::optional<int> channel)
{
    if (channel && *channel < 1)
        throw CliError("--channel counts from 1");
    vx::applicationWillFinishLaunching();
    Loaded out;
    out.doc = std::make_unique<vx::Document>();
    CliAnswers answers(channel);
    out.result = out.doc->loadFile(path, &answers);
    if (!out.result.ok) {
        if (channel && answers.offered() > 0 && *channel > answers.offered())
            throw CliError(path + ": channel " + std::to_string(*channel) + " was asked for, but the file has "
                           + std::to_string(answers.offered()) + " channels");
        throw CliError(path + ": " + out.result.reason);
    }
    const vx::Channels& c0 = out.doc->getChannel(0);
    int inFile = c0.m_nChannelsinFile > 0 ? c0.m_nChannelsinFile : out.doc->m_nNumofChannels;
    if (channel && *channel > inFile)
        throw CliError(path + ": channel " + std::to_string(*channel) + " was asked for, but the file has "
                       + std::to_string(inFile) + " channel" + (inFile == 1 ? "" : "s"));
    return out;
}

void selectMs(vx::Document& d, double a, double b)
{
    vx::Channels& c = d.getChannel(0);
    c.SetMarkerValues_Time(std::min(a, b));
    c.SetCursorInFile_Time(std::max(a, b));
    c.CalculateDuration();
    d.m_bHaveSelection = c.m_dDurationFile > 0;
}

std::string formatNumber(double v)
{
    char buf[64];
    if (v == std::trunc(v) && std::fabs(v) < 1e15)
        std::snprintf(buf, sizeof buf, "%.0f", v);
    else
        std::snprintf(buf, sizeof buf, "%.3f", v);
    return buf;
}

} // namespace vxcli
