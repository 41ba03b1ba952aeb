#include "CliCommon.h"

#include "document/SaveCommands.h"
#include "labels/TextGrid.h"
#include "platform/FileIO.h"

#include <cstdio>
#include <filesystem>

namespace vxcli {

namespace {

int labelCount(const vx::Channels& c)
{
    int n = c.m_nLabelCount;
    for (const vx::TIERS& t : c.m_Tiers)
        n += t.nLabelCount;
    return n;
}

std::string extensionOf(const std::string& path)
{
    std::string ext = std::filesystem::path(path).extension().string();
    for (char& ch : ext)
        ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    return ext;
}

} // namespace

int runInfo(const Args& args)
{
    if (args.positional().size() != 1)
        throw CliError("one sound file is needed (see voxtrace-cli info --help)");
    // Everything info says comes from the header: no sample is decoded.
    Loaded l = loadDocument(args.positional()[0], channelOption(args), true);
    const vx::Channels& c = l.doc->getChannel(0);
    int inFile = c.m_nChannelsinFile > 0 ? c.m_nChannelsinFile : l.doc->m_nNumofChannels;
    std::printf("format\t%s\n", l.result.reader.c_str());
    std::printf("channels_in_file\t%d\n", inFile);
    std::printf("channel\t%d\n", l.result.channel + 1);
    std::printf("sample_rate\t%s\n", formatNumber(c.m_dSampleRate).c_str());
    std::printf("samples\t%s\n", formatNumber(c.m_dwFileLength).c_str());
    std::printf("duration_ms\t%s\n", formatNumber(c.m_dLengthMS).c_str());
    std::printf("labels\t%d\n", labelCount(c));
    for (const std::string& note : l.result.notes)
        std::printf("repaired\t%s\n", note.c_str());
    return 0;
}

int runConvert(const Args& args)
{
    if (args.positional().size() != 2)
        throw CliError("an input and an output file are needed (see voxtrace-cli convert --help)");
    const std::string in = args.positional()[0];
    const std::string out = args.positional()[1];
    const std::string ext = extensionOf(out);
    if (ext != ".wav" && ext != ".vxt")
        throw CliError(out + ": the output name must end in \".wav\" or \".vxt\"");
    if (args.has("labels") && ext != ".vxt")
        throw CliError(out + ": --labels needs a \".vxt\" output; a WAVE file carries no labels");
    std::error_code ec;
    if (std::filesystem::exists(out, ec) && std::filesystem::equivalent(in, out, ec))
        throw CliError(out + ": the output would replace the input file");

    Loaded l = loadDocument(in, channelOption(args));
    if (args.has("labels")) {
        const std::string grid = args.text("labels");
        std::string error, note;
        if (!vx::importTextGridFile(l.doc->getChannel(0), grid, &error, &note))
            throw CliError(grid + ": " + error);
        if (!note.empty())
            std::fprintf(stderr, "voxtrace-cli: %s: %s\n", grid.c_str(), note.c_str());
    }
    const bool selection = args.has("selection-ms");
    if (selection)
        selectMs(*l.doc, args.number("selection-ms", 0), args.number("selection-ms", 1));
    std::string context = ext == ".wav" ? (selection ? "channelselection" : "channel")
                                        : (selection ? "selection" : "copyof");
    vx::SaveBytes bytes = vx::bytesForSave(*l.doc, context);
    if (!bytes.error.empty())
        throw CliError(out + ": " + bytes.error);
    std::string error;
    if (!vx::writeFileAtomically(out, bytes.bytes, &error))
        throw CliError(error);
    return 0;
}

} // namespace vxcli
