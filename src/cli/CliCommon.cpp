#include "CliCommon.h"

#include "app/ConfigFile.h"
#include "document/LoadCommon.h"
#include "platform/FileIO.h"

#include <cctype>
#include <cmath>
#include <cstdio>
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

bool isOptionName(const std::string& a)
{
    return a.size() > 2 && a.rfind("--", 0) == 0 && !std::isdigit(static_cast<unsigned char>(a[2]))
        && a[2] != '.';
}

std::string shortNumber(double v)
{
    char buf[64];
    std::snprintf(buf, sizeof buf, "%g", v);
    return buf;
}

} // namespace

std::string Option::rangeText() const
{
    if (group)
        return vx::optionRangeText(vx::optionFields(*group)[static_cast<std::size_t>(field)]);
    const std::string unit = metavar == "MS" ? " ms" : metavar == "HZ" ? " Hz" : metavar == "PCT" ? " %" : "";
    const bool bounded = std::isfinite(high);
    if (lowOpen)
        return "greater than " + shortNumber(low) + (bounded ? " and at most " + shortNumber(high) : "") + unit;
    if (!std::isfinite(low))
        return "at most " + shortNumber(high) + unit;
    if (!bounded)
        return shortNumber(low) + unit + " or more";
    return "from " + shortNumber(low) + " to " + shortNumber(high) + unit;
}

bool Option::accepts(double v) const
{
    return (lowOpen ? v > low : v >= low) && v <= high && (!whole || v == std::trunc(v));
}

Args::Args(int argc, char** argv, int first, const std::vector<Option>& options) : m_options(options)
{
    for (int i = first; i < argc; ++i) {
        const std::string a = argv[i];
        if (!isOptionName(a)) {
            m_positional.push_back(a);
            continue;
        }
        const std::string name = a.substr(2);
        const Option* option = nullptr;
        for (const Option& o : m_options)
            if (o.name == name)
                option = &o;
        if (!option)
            throw CliError("unknown option \"" + a + "\" (see --help)");
        if (has(name))
            throw CliError("option \"" + a + "\" is given twice");
        std::vector<std::string> values;
        std::vector<double> numbers;
        for (int k = 0; k < option->values; ++k) {
            if (i + 1 >= argc || isOptionName(argv[i + 1]))
                throw CliError("option \"" + a + "\" needs " + std::to_string(option->values) + " value"
                               + (option->values == 1 ? "" : "s") + " (" + option->metavar + ")");
            const std::string s = argv[++i];
            values.push_back(s);
            if (!option->numeric)
                continue;
            char* end = nullptr;
            const double v = std::strtod(s.c_str(), &end);
            if (s.empty() || std::isspace(static_cast<unsigned char>(s[0])) || *end != '\0' || !std::isfinite(v))
                throw CliError("option \"" + a + "\" needs a number, not \"" + s + "\"");
            if (!option->group && !option->accepts(v))
                throw CliError("option \"" + a + "\" must be " + std::string(option->whole ? "a whole number " : "")
                               + option->rangeText() + ", not " + s);
            numbers.push_back(v);
        }
        m_values[name] = values;
        m_numbers[name] = numbers;
    }
}

const Option& Args::option(const std::string& name) const
{
    for (const Option& o : m_options)
        if (o.name == name)
            return o;
    throw std::logic_error("no option --" + name);
}

std::string Args::text(const std::string& name, int index) const
{
    return m_values.at(name).at(static_cast<std::size_t>(index));
}

double Args::number(const std::string& name, int index) const
{
    return m_numbers.at(name).at(static_cast<std::size_t>(index));
}

std::optional<double> Args::optionalNumber(const std::string& name) const
{
    if (!has(name))
        return std::nullopt;
    return number(name);
}

double Args::numberOr(const std::string& name, double fallback) const
{
    if (has(name))
        return number(name);
    const Option& o = option(name);
    if (!std::isfinite(fallback) || !o.accepts(fallback))
        throw CliError((has("settings") ? text("settings") + ": " : std::string()) + "the settings give "
                       + shortNumber(fallback) + " for --" + name + ", which must be "
                       + o.rangeText());
    return fallback;
}

void applyGroupOptions(const Args& args, vx::Document& doc, vx::OptionGroup group, double R)
{
    vx::OptionValues values = vx::readOptions(group, doc);
    const Option* given[64] = {};
    for (const Option& o : args.options()) {
        if (o.group != group || !args.has(o.name))
            continue;
        values.at(static_cast<std::size_t>(o.field)) = o.values == 0 ? 1.0 : args.number(o.name);
        if (o.field < 64)
            given[o.field] = &o;
    }
    if (const auto problem = vx::checkOptions(group, values, R)) {
        const Option* o = problem->field >= 0 && problem->field < 64 ? given[problem->field] : nullptr;
        throw CliError((o ? "option \"--" + o->name + "\": "
                          : args.has("settings") ? args.text("settings") + ": " : std::string())
                       + problem->message);
    }
    vx::writeOptions(group, values, doc);
}

std::optional<int> channelOption(const Args& args)
{
    if (!args.has("channel"))
        return std::nullopt;
    return static_cast<int>(args.number("channel"));
}

Loaded loadDocument(const std::string& path, std::optional<int> channel, bool headerOnly)
{
    if (channel && *channel < 1)
        throw CliError("--channel counts from 1");
    Loaded out;
    out.doc = std::make_unique<vx::Document>(vx::StartingSettings::defaultsOnly);
    CliAnswers answers(channel);
    out.result = out.doc->loadFile(path, &answers, headerOnly);
    if (!out.result.ok) {
        if (channel && answers.offered() > 0 && *channel > answers.offered())
            throw CliError(path + ": channel " + std::to_string(*channel) + " was asked for, but the file has "
                           + std::to_string(answers.offered()) + " channels");
        throw CliError(path + ": " + out.result.reason);
    }
    vx::Document& d = *out.doc;
    const vx::Channels& c0 = d.getChannel(0);
    int inFile = c0.m_nChannelsinFile > 0 ? c0.m_nChannelsinFile : d.m_nNumofChannels;
    if (channel && *channel > inFile)
        throw CliError(path + ": channel " + std::to_string(*channel) + " was asked for, but the file has "
                       + std::to_string(inFile) + " channel" + (inFile == 1 ? "" : "s"));
    if (channel && *channel > 1 && d.m_nNumofChannels > 1) {
        const auto k = static_cast<std::size_t>(*channel - 1);
        std::swap(d.m_Channel[0], d.m_Channel[k]);
        d.m_Channel[0].m_bAnchorChannel = true;
        d.m_Channel[k].m_bAnchorChannel = false;
        vx::applyAnalysisRate(d);
        out.result.channel = *channel - 1;
    }
    return out;
}

void applySettingsOption(const Args& args, vx::Document& doc)
{
    if (!args.has("settings"))
        return;
    const std::string path = args.text("settings");
    std::string error;
    auto bytes = vx::readWholeFile(path, &error, 1 << 20);
    if (!bytes)
        throw CliError(path + ": the settings file cannot be read (" + error + ")");
    std::string why;
    if (!vx::loadUserConfiguration(doc, *bytes, &why))
        throw CliError(path + ": " + why);
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
