// Writes the seed corpora of the fuzz targets: for the reader chain one
// small file of every format it reads, made by the project's own writers
// and by hand; for the configuration reader the files the project writes;
// for the TextGrid import the TextGrids it writes, long and short.

#include "app/AppState.h"
#include "app/ConfigFile.h"
#include "document/NativeFormat.h"
#include "document/WaveFormat.h"
#include "labels/TextGrid.h"
#include "platform/ByteReader.h"
#include "platform/FileIO.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <tuple>
#include <vector>

using namespace vx;

namespace {

void save(const std::string& dir, const char* name, const std::vector<std::uint8_t>& bytes)
{
    std::string error;
    if (!writeFileAtomically(dir + "/" + name, bytes, &error))
        std::fprintf(stderr, "make_corpus: %s\n", error.c_str());
}

void fill(Document& d, int n, double rate)
{
    Channels& c = d.getChannel(0);
    c.m_hData.newClear(static_cast<std::size_t>(n));
    for (int k = 0; k < n; ++k)
        c.m_hData[static_cast<std::size_t>(k)] = static_cast<float>(0.5 * std::sin(k * 0.3));
    c.m_dwFileLength = n;
    c.m_dSampleRate = rate;
    c.m_dLengthMS = n * 1000.0 / rate;
}

std::vector<std::uint8_t> legacyHeader(std::int32_t H, std::int32_t version, std::size_t size)
{
    std::vector<std::uint8_t> b(size, 0);
    putU32le(b.data(), static_cast<std::uint32_t>(H));
    putU32le(b.data() + 4, static_cast<std::uint32_t>(version));
    putU32le(b.data() + 8, 2);
    putU32le(b.data() + 16, 10000);
    putU32le(b.data() + 20, 2000);
    putU32le(b.data() + 24, 16);
    putU32le(b.data() + 28, 8);
    return b;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 4) {
        std::fprintf(stderr, "usage: make_corpus READER-CHAIN-DIR CONFIGURATION-DIR TEXTGRID-DIR\n");
        return 1;
    }
    const std::string dir = argv[1];
    const std::string configDir = argv[2];
    Document d(StartingSettings::defaultsOnly);
    fill(d, 64, 8000);
    Channels& c = d.getChannel(0);
    c.m_Tiers[1].bSelected = true;
    auto label = std::make_shared<Labels>();
    label->setLabelText("word");
    label->dTime = 2;
    c.Tier_Add_Label_Cocoa(1, label);
    save(dir, "native.vxt", Save_VXT_FileType(d, 0));
    auto pc = Save_VXT_FileType(d, 0);
    std::memcpy(pc.data(), "VXT_PC\0", 7);
    save(dir, "native-pc.vxt", pc);
    save(dir, "mono.wav", Save_WAVE_FileType(d, false, 0));

    std::vector<std::uint8_t> qad(512 + 248 + 4 * 4, 0);
    std::memcpy(qad.data(), "QAD_PC_FLOAT", 12);
    putU32le(qad.data() + 32, 1);
    putF64le(qad.data() + 512 + 8, 8000);
    putF64le(qad.data() + 512 + 16, 4);
    save(dir, "qad-float.bin", qad);
    save(dir, "old-a.bin", legacyHeader(6484, 10, 6484 + 32));
    save(dir, "old-b.bin", legacyHeader(1608, 100, 1728 + 32));
    std::vector<std::uint8_t> mac(512 + 248 + 8, 0);
    std::memcpy(mac.data(), "QAD_Mac", 7);
    putU32be(mac.data() + 8, 1);
    putF64be(mac.data() + 512 + 8, 8000);
    putF64be(mac.data() + 512 + 16, 4);
    save(dir, "qad-mac.bin", mac);

    const ConfigRecord user = buildUserConfiguration(d);
    save(configDir, "user.cfg", {user.begin(), user.end()});
    d.s.m_dPitchStepSize = 5;
    d.getChannel(0).SetUnit("kPa");
    const ConfigRecord changed = buildUserConfiguration(d);
    save(configDir, "user-changed.cfg", {changed.begin(), changed.end()});
    const ConfigRecord legacy = buildLegacyDefaultRecord();
    save(configDir, "legacy-defaults.cfg", {legacy.begin(), legacy.end()});

    const std::string gridDir = argv[3];
    Channels g;
    g.m_dLengthMS = 1500;
    g.m_Tiers[0].setLevelName("t\"o\"nes");
    for (auto [tier, ms, text] : {std::tuple{0, 0.0, "H*"}, {0, 123.4567, "L+H* \"é\""}, {3, 700.0, "word"},
                                  {3, 1499.0, "日本"}}) {
        auto l = std::make_shared<Labels>();
        l->dTime = ms;
        l->setLabelText(text);
        g.Tier_Add_Label_Cocoa(tier, l);
    }
    auto text = [](const std::string& s) { return std::vector<std::uint8_t>(s.begin(), s.end()); };
    save(gridDir, "points.TextGrid", text(textGridText(g, TextGridTiers::points).text));
    save(gridDir, "intervals.TextGrid", text(textGridText(g, TextGridTiers::intervals).text));
    save(gridDir, "short.TextGrid",
         text("File type = \"ooTextFile\"\nObject class = \"TextGrid\"\n\n0\n1.5\n<exists>\n2\n"
              "\"IntervalTier\"\n\"words\"\n0\n1.5\n2\n0\n0.5\n\"\"\n0.5\n1.5\n\"a\"\"b\"\n"
              "\"TextTier\"\n\"tones\"\n0\n1.5\n1\n0.25\n\"H*\"\n"));
    std::vector<std::uint8_t> utf16 = {0xFF, 0xFE};
    for (std::uint8_t b : text(textGridText(g, TextGridTiers::points).text)) {
        utf16.push_back(b < 0x80 ? b : '?');
        utf16.push_back(0);
    }
    save(gridDir, "utf16.TextGrid", utf16);
    return 0;
}
