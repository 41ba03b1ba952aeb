#include "CliCommon.h"

#include "labels/TextGrid.h"
#include "platform/Format.h"

#include <algorithm>
#include <cstdio>

namespace vxcli {

namespace {

std::string cell(const std::string& s)
{
    std::string out;
    out.reserve(s.size());
    for (char c : s) {
        switch (c) {
        case '\t': out += "\\t"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\\': out += "\\\\"; break;
        default: out += c;
        }
    }
    return out;
}

} // namespace

int runLabels(const Args& args)
{
    if (args.positional().size() != 1)
        throw CliError("one sound file is needed (see voxtrace-cli labels --help)");
    if (args.has("intervals") && !args.has("textgrid"))
        throw CliError("--intervals needs --textgrid OUT");
    Loaded l = loadDocument(args.positional()[0], channelOption(args));
    const vx::Channels& c = l.doc->getChannel(0);
    if (args.has("textgrid")) {
        const std::string out = args.text("textgrid");
        std::string error;
        const auto kind = args.has("intervals") ? vx::TextGridTiers::intervals : vx::TextGridTiers::points;
        if (!vx::exportTextGridFile(c, out, kind, &error))
            throw CliError(out + ": " + error);
        return 0;
    }
    std::string rows = "tier\ttier_name\ttime_ms\ttext\n";
    for (std::size_t i = 0; i < c.m_Tiers.size(); ++i) {
        const vx::TIERS& t = c.m_Tiers[i];
        std::vector<const vx::Labels*> labels;
        for (const vx::LabelPtr& p : t.m_pArrayLabels)
            labels.push_back(p.get());
        std::stable_sort(labels.begin(), labels.end(),
                         [](const vx::Labels* a, const vx::Labels* b) { return a->dTime < b->dTime; });
        const std::string head = std::to_string(i + 1) + "\t" + cell(t.strName) + "\t";
        for (const vx::Labels* p : labels)
            rows += head + vx::formatShortest(p->dTime) + "\t" + cell(p->getLabelText()) + "\n";
    }
    std::fputs(rows.c_str(), stdout);
    return 0;
}

} // namespace vxcli
