#include "labels/TextGrid.h"
#include "support/SoundFiles.h"
#include "support/TestFolders.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iconv.h>
#include <tuple>

using namespace vx;

namespace {

std::span<const std::uint8_t> bytesOf(const std::string& s)
{
    return {reinterpret_cast<const std::uint8_t*>(s.data()), s.size()};
}

Channels soundOf(double lengthMs)
{
    Channels c;
    c.m_dSampleRate = 10000;
    c.m_dwFileLength = lengthMs * 10;
    c.m_dLengthMS = lengthMs;
    return c;
}

void add(Channels& c, int tier, double ms, const std::string& text)
{
    auto l = std::make_shared<Labels>();
    l->dTime = ms;
    l->setLabelText(text);
    c.Tier_Add_Label_Cocoa(tier, l);
}

// Every tiered label, tier by tier, as "tier|name|ms|text", "|line" if drawn with a line.
std::vector<std::string> labelsOf(const Channels& c)
{
    std::vector<std::string> out;
    for (int i = 0; i < Channels::kNumTiers; ++i)
        for (const LabelPtr& l : c.m_Tiers[static_cast<std::size_t>(i)].m_pArrayLabels) {
            char ms[40];
            std::snprintf(ms, sizeof ms, "%.6f", l->dTime);
            out.push_back(std::to_string(i) + "|" + c.m_Tiers[static_cast<std::size_t>(i)].strName + "|" + ms + "|"
                          + l->getLabelText() + (l->bAddLine ? "|line" : ""));
        }
    return out;
}

// As the phonetics program writes it: a tier of intervals (two empty), one of points.
const char* const kLong = "File type = \"ooTextFile\"\nObject class = \"TextGrid\"\n\n"
                          "xmin = 0 \nxmax = 2 \ntiers? <exists> \nsize = 2 \nitem []: \n"
                          "    item [1]:\n        class = \"IntervalTier\" \n        name = \"words\" \n"
                          "        xmin = 0 \n        xmax = 2 \n        intervals: size = 4 \n"
                          "        intervals [1]:\n            xmin = 0 \n            xmax = 0.25 \n"
                          "            text = \"\" \n"
                          "        intervals [2]:\n            xmin = 0.25 \n            xmax = 0.7 \n"
                          "            text = \"the \"\"café\"\"\" \n"
                          "        intervals [3]:\n            xmin = 0.7 \n            xmax = 1.9 \n"
                          "            text = \"\" \n"
                          "        intervals [4]:\n            xmin = 1.9 \n            xmax = 2 \n"
                          "            text = \"end\" \n"
                          "    item [2]:\n        class = \"TextTier\" \n        name = \"tones\" \n"
                          "        xmin = 0 \n        xmax = 2 \n        points: size = 2 \n"
                          "        points [1]:\n            number = 0.4 \n            mark = \"H*\" \n"
                          "        points [2]:\n            number = 1.95 \n            mark = \"L%\" \n";

const char* const kShort = "File type = \"ooTextFile\"\nObject class = \"TextGrid\"\n\n0\n2\n<exists>\n2\n"
                           "\"IntervalTier\"\n\"words\"\n0\n2\n4\n0\n0.25\n\"\"\n0.25\n0.7\n\"the \"\"café\"\"\"\n"
                           "0.7\n1.9\n\"\"\n1.9\n2\n\"end\"\n"
                           "\"TextTier\"\n\"tones\"\n0\n2\n2\n0.4\n\"H*\"\n1.95\n\"L%\"\n";

const std::vector<std::string> kExpected = {"0|words|250.000000|the \"café\"|line", "0|words|1900.000000|end|line",
                                            "1|tones|400.000000|H*", "1|tones|1950.000000|L%"};

// `s` with every `from` replaced by `to`; there must be one.
std::string replaced(std::string s, const std::string& from, const std::string& to)
{
    EXPECT_NE(s.find(from), std::string::npos) << from;
    for (std::size_t at = s.find(from); at != std::string::npos; at = s.find(from, at + to.size()))
        s.replace(at, from.size(), to);
    return s;
}

std::string utf16(const std::string& utf8, bool bigEndian)
{
    const iconv_t cd = iconv_open(bigEndian ? "UTF-16BE" : "UTF-16LE", "UTF-8");
    std::string out(4 * utf8.size(), '\0');
    char* in = const_cast<char*>(utf8.data());
    char* to = out.data();
    std::size_t inLeft = utf8.size(), outLeft = out.size();
    EXPECT_NE(iconv(cd, &in, &inLeft, &to, &outLeft), static_cast<std::size_t>(-1));
    iconv_close(cd);
    out.resize(out.size() - outLeft);
    return std::string(bigEndian ? "\xFE\xFF" : "\xFF\xFE") + out;
}

} // namespace

TEST(TextGrid, ReadsLongAndShortFormsInEveryEncoding)
{
    const std::vector<std::pair<std::string, std::string>> files = {
        {"long, UTF-8 with a byte-order mark", "\xEF\xBB\xBF" + std::string(kLong)},
        {"long, UTF-16LE", utf16(kLong, false)},
        {"short, UTF-16BE", utf16(kShort, true)},
        {"long, CR LF, Latin-1", replaced(replaced(kLong, "\n", "\r\n"), "café", "caf\xE9")},
    };
    for (const auto& [what, text] : files) {
        SCOPED_TRACE(what);
        Channels c = soundOf(2000);
        add(c, 5, 10, "old");
        c.m_Tiers[5].setLevelName("kept name");
        std::string error;
        ASSERT_TRUE(importTextGrid(c, bytesOf(text), &error)) << error;
        EXPECT_EQ(labelsOf(c), kExpected) << "an import replaces every tier's labels";
        EXPECT_TRUE(c.m_Tiers[0].bSelected && c.m_Tiers[1].bSelected);
        EXPECT_EQ(c.m_Tiers[5].strName, "kept name");
    }

    // Characters beyond the 16-bit plane come through UTF-16 surrogates.
    const std::string emoji = replaced(kShort, "\"end\"", "\"\xF0\x9F\x98\x80 ok\"");
    TextGridRead r = parseTextGrid(bytesOf(utf16(emoji, false)), 2000);
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(r.contents.tiers[0].labels[1].text, "\xF0\x9F\x98\x80 ok");
}

TEST(TextGrid, WritesPointsOfEveryTierThatReadBackToTheMicrosecond)
{
    Channels c = soundOf(1500);
    c.m_Tiers[0].setLevelName("say \"what\"");
    c.m_Tiers[0].bSelected = true;
    add(c, 0, 1234.5678, "b \"quoted\" \"\"");
    add(c, 0, 0.001, "a");
    add(c, 0, 1500, "at the end");
    c.m_Tiers[3].setLevelName("hidden ñ");
    c.m_Tiers[3].bSelected = false;
    add(c, 3, 333.333333, "日本語 ü");
    c.m_Tiers[2].setLevelName("empty, kept in its place");

    TextGridWrite w = textGridText(c, TextGridTiers::points);
    ASSERT_TRUE(w.ok) << w.error;
    EXPECT_NE(w.text.find("mark = \"b \"\"quoted\"\" \"\"\"\"\" \n"), std::string::npos) << w.text;

    Channels back = soundOf(1500);
    std::string error;
    ASSERT_TRUE(importTextGrid(back, bytesOf(w.text), &error)) << error;
    // In time order; every tier in its place, the hidden one shown.
    EXPECT_EQ(labelsOf(back), (std::vector<std::string>{"0|say \"what\"|0.001000|a",
                                                        "0|say \"what\"|1234.567800|b \"quoted\" \"\"",
                                                        "0|say \"what\"|1500.000000|at the end",
                                                        "3|hidden ñ|333.333333|日本語 ü"}));
    EXPECT_TRUE(back.m_Tiers[3].bSelected);
    EXPECT_EQ(back.m_Tiers[2].strName, "empty, kept in its place");

    // A time that is not a number would give a file no reader takes.
    add(c, 0, std::numeric_limits<double>::infinity(), "lost");
    w = textGridText(c, TextGridTiers::points);
    EXPECT_FALSE(w.ok);
    EXPECT_NE(w.error.find("(\"lost\") without a usable time"), std::string::npos) << w.error;
}

TEST(TextGrid, IntervalTiersTileTheSoundAndReadBackAsLabelsWithLines)
{
    Channels c = soundOf(2000);
    c.m_Tiers[0].setLevelName("words");
    add(c, 0, 700, "second");
    add(c, 0, 250, "first");
    c.m_Tiers[2].setLevelName("from zero");
    add(c, 2, 0, "x");

    TextGridWrite w = textGridText(c, TextGridTiers::intervals);
    ASSERT_TRUE(w.ok) << w.error;
    EXPECT_NE(w.text.find("intervals: size = 3 \n        intervals [1]:\n            xmin = 0 \n"
                          "            xmax = 0.25 \n            text = \"\" \n"),
              std::string::npos)
        << w.text;
    EXPECT_NE(w.text.find("intervals: size = 1 \n"), std::string::npos) << "no empty interval before a label at 0";

    Channels back = soundOf(2000);
    std::string error;
    ASSERT_TRUE(importTextGrid(back, bytesOf(w.text), &error)) << error;
    EXPECT_EQ(labelsOf(back), (std::vector<std::string>{"0|words|250.000000|first|line",
                                                        "0|words|700.000000|second|line",
                                                        "2|from zero|0.000000|x|line"}));

    // Intervals of no length are not written.
    add(c, 2, 0, "same time");
    w = textGridText(c, TextGridTiers::intervals);
    EXPECT_FALSE(w.ok);
    EXPECT_NE(w.error.find("tier 3 \"from zero\" has two labels at the same time (0.000 ms)"), std::string::npos)
        << w.error;
    EXPECT_TRUE(textGridText(c, TextGridTiers::points).ok);
    Channels end = soundOf(2000);
    add(end, 0, 2000, "end");
    EXPECT_NE(textGridText(end, TextGridTiers::intervals).error.find("at the end of the sound"), std::string::npos);
}

TEST(TextGrid, RefusesABadFileWithItsLineAndChangesNothing)
{
    std::string eleven = "File type = \"ooTextFile\"\nObject class = \"TextGrid\"\n0\n2\n<exists>\n11\n";
    for (int k = 1; k <= 11; ++k)
        eleven += "\"TextTier\"\n\"t" + std::to_string(k) + "\"\n0 2 0\n";
    std::string manyTiers = "File type = \"ooTextFile\"\nObject class = \"TextGrid\"\n0\n2\n<exists>\n40000\n";
    for (int k = 1; k <= 40000; ++k)
        manyTiers += "\"TextTier\"\n\"t" + std::to_string(k) + "\"\n0 2 0\n";
    std::string quotedTooLong = "\"" + std::string(128, 'a');
    for (int n = 0; n < 64; ++n)
        quotedTooLong += "é";
    quotedTooLong += '"';
    // (what, the file, the line refused, what the message says)
    const std::vector<std::tuple<std::string, std::string, int, std::string>> cases = {
        {"binary header", replaced(kLong, "\"ooTextFile\"", "\"ooBinaryFile\""), 1, "not a TextGrid text file"},
        {"other class", replaced(kLong, "\"TextGrid\"", "\"Pitch\""), 2, "\"Pitch\""},
        {"empty file", "", 1, "not a TextGrid"},
        {"too few intervals", replaced(kLong, "size = 4", "size = 5"), 31, "item [2] follows where number 5 belongs"},
        {"too many points", replaced(kLong, "points: size = 2", "points: size = 1"), 40, "the file goes on"},
        {"short form runs out", replaced(kShort, "\n2\n0.4", "\n3\n0.4"), 34, "number 3 is not there (found the"},
        {"short form, too few tiers", replaced(kShort, "<exists>\n2", "<exists>\n3"), 34, "declares 3 tiers"},
        {"point after the end", replaced(kLong, "= 1.95", "= 2.5"), 41, "point 2 of tier 2 \"tones\" (2.5"},
        {"negative time", replaced(kLong, "xmin = 0.7", "xmin = -0.7"), 24, "outside the sound"},
        {"interval after the end", replaced(kLong, "xmin = 1.9", "xmin = 2.2"), 28, "interval 4 of tier 1"},
        {"ends too far after the sound", replaced(kLong, "xmax = 2 \ntiers", "xmax = 2.6 \ntiers"), 5, "xmax (2.6 s)"},
        {"interval backwards", replaced(kLong, "xmax = 1.9", "xmax = 0.6"), 25, "in the wrong order"},
        {"unterminated text", replaced(kLong, "mark = \"L%\"", "mark = \"L% "), 42, "no closing quote"},
        {"not a number", replaced(kLong, "xmax = 0.25", "xmax = 0.25s"), 17, "\"0.25s\" is not a number"},
        {"name too long", replaced(kLong, "\"tones\"", "\"" + std::string(256, 'x') + "\""), 33, "is 256 bytes long"},
        // 128 + 2 × 64 = 256 bytes of UTF-8.
        {"text too long", replaced(kShort, "\"H*\"", quotedTooLong), 31, "text of point 1 of tier 2 \"tones\" (\"aaa"},
        {"NUL in a text", replaced(kLong, "\"H*\"", std::string("\"H\0*\"", 5)), 39, "holds a NUL character"},
        {"eleven tiers", eleven, 37, "tier 11 \"t11\" cannot be imported"},
        {"forty thousand tiers", manyTiers, 37, "tiers 11 \"t11\", 12 \"t12\", 13 \"t13\" and 39987 more cannot"},
    };
    for (const auto& [what, text, line, says] : cases) {
        SCOPED_TRACE(what);
        Channels c = soundOf(2000);
        c.m_Tiers[0].setLevelName("my tones");
        add(c, 0, 12, "kept");
        std::string error;
        EXPECT_FALSE(importTextGrid(c, bytesOf(text), &error));
        EXPECT_EQ(error.rfind("line " + std::to_string(line) + ": ", 0), 0u) << error;
        EXPECT_NE(error.find(says), std::string::npos) << error.substr(0, 2000);
        EXPECT_LT(error.size(), 1100u) << "a message quotes the file, never all of it";
        EXPECT_EQ(labelsOf(c), std::vector<std::string>{"0|my tones|12.000000|kept"});
        EXPECT_FALSE(c.m_Tiers[1].bSelected);
    }

    // Ends up to half a second after the sound are moved to its end, with a note.
    Channels shorter = soundOf(1950);
    std::string error, note;
    ASSERT_TRUE(importTextGrid(shorter, bytesOf(kLong), &error, &note)) << error;
    EXPECT_EQ(note, "The TextGrid ends 50.000 ms after the sound; its end was moved to the sound's.");
    EXPECT_EQ(shorter.m_Tiers[1].m_pArrayLabels.size(), 2u);
    ASSERT_TRUE(importTextGrid(shorter, bytesOf(replaced(kLong, "xmin = 1.9", "xmin = 1.95")), &error, &note));
}

TEST(TextGrid, ThePhoneticsProgramReadsWhatIsWritten)
{
    Channels c = soundOf(1500);
    c.m_Tiers[0].setLevelName("to\"nes");
    add(c, 0, 1.2345, "H*\"é");
    add(c, 0, 1234.567891, "日本");
    c.m_Tiers[7].setLevelName("words");
    add(c, 7, 100.25, "a \"b\"");
    for (auto [kind, name] : {std::pair{TextGridTiers::points, "points"}, {TextGridTiers::intervals, "intervals"}}) {
        SCOPED_TRACE(name);
        const std::string grid = vxtest::tempPath(std::string(name) + ".TextGrid");
        std::string error;
        ASSERT_TRUE(exportTextGridFile(c, grid, kind, &error)) << error;
        const std::string script = vxtest::tempPath("list.praat"), table = vxtest::tempPath("table.tsv");
        std::ofstream(script) << "Text writing preferences: \"UTF-8\"\nRead from file: \"" << grid
                              << "\"\nDown to Table: \"no\", 9, \"yes\", \"no\"\n"
                              << "Save as tab-separated file: \"" << table << "\"\n";
        // (Its preferences go to a home of its own.)
        ASSERT_EQ(vxtest::run("HOME=" + vxtest::q(vxtest::testRoot()) + " praat --run " + vxtest::q(script)
                              + " >/dev/null 2>&1"), 0);
        const auto rows = vxtest::tsvRows(vxtest::readText(table));
        ASSERT_EQ(rows.size(), 4u);
        const std::vector<std::vector<std::string>> labels = {
            {"0.001234500", "to\"nes", "H*\"é"}, {"0.100250000", "words", "a \"b\""}, {"1.234567891", "to\"nes", "日本"}};
        for (std::size_t k = 0; k < labels.size(); ++k)
            EXPECT_EQ(std::vector<std::string>(rows[k + 1].begin(), rows[k + 1].begin() + 3), labels[k]);
    }
}
