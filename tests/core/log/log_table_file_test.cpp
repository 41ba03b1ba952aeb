#include "log/LogFile.h"
#include "support/SoundFiles.h"
#include "support/TestFolders.h"

#include <gtest/gtest.h>

using namespace vx;

namespace {

std::vector<std::string> numbers(int n)
{
    std::vector<std::string> out;
    for (int k = 1; k <= n; ++k)
        out.push_back(std::to_string(k));
    return out;
}

// Cells of every stored column of every row, titles first.
std::vector<std::vector<std::string>> grid(const LogTable& t)
{
    std::vector<std::vector<std::string>> out(1);
    for (int c = 1; c < t.columnCount(); ++c)
        out[0].push_back(t.column(c).title);
    for (std::size_t r = 0; r < t.rowCount(); ++r) {
        out.emplace_back();
        for (int c = 1; c < t.columnCount(); ++c)
            out.back().push_back(t.cell(r, c));
    }
    return out;
}

} // namespace

TEST(LogTable, EveryRowHasACellInEveryColumnWhateverTheEntriesCountAndEditsMarkItDirty)
{
    LogTable t;
    EXPECT_EQ(t.columnCount(), 4);
    EXPECT_EQ(t.AddLog({"a.wav", "six", numbers(6)}), 6);
    EXPECT_TRUE(t.setCell(0, t.columnCount() - 1, "note"));
    EXPECT_EQ(t.AddLog({"a.wav", "three", numbers(3)}), 0);
    EXPECT_EQ(t.AddLog({"a.wav", "eight", numbers(8)}), 2);
    EXPECT_EQ(t.AddLog({"a.wav", "twenty", numbers(20)}), 12);
    ASSERT_EQ(t.entryColumnCount(), 20);
    EXPECT_EQ(t.column(t.columnCount() - 1).identifier, "comment") << "the comment column stays last";
    EXPECT_EQ(t.cell(0, t.columnCount() - 1), "note") << "a comment moves with its column";
    EXPECT_EQ(t.cell(0, 3 + 6), "") << "the comment's old column is an empty entry now";
    EXPECT_EQ(t.cell(1, 3 + 3), "") << "a shorter entry leaves the later columns empty";
    EXPECT_EQ(t.cell(0, 3 + 7), "") << "columns added later are empty for earlier rows";
    EXPECT_EQ(t.cell(3, 3 + 19), "20") << "values past the fifteenth are kept";
    EXPECT_EQ(t.cell(3, 0), "4");

    t.removeRows(0, 2);
    EXPECT_EQ(t.rowCount(), 2u);
    EXPECT_EQ(t.cell(0, 2), "eight");
    EXPECT_EQ(t.cell(0, 0), "1") << "row numbers follow the rows";

    // Editing the same text leaves the log clean.
    t.m_bDirty = false;
    EXPECT_FALSE(t.setCell(0, 3, "1"));
    EXPECT_FALSE(t.isDirty());
    EXPECT_FALSE(t.setCell(0, 0, "7")) << "row numbers are not editable";
    EXPECT_FALSE(t.setCell(5, 3, "x")) << "a row that does not exist";
    EXPECT_TRUE(t.setCell(0, 4, "creaky"));
    EXPECT_TRUE(t.isDirty());
}

TEST(LogFile, WritesWhatAPlainTsvReaderAndTheLogReadBack)
{
    LogTable t;
    t.AddLog({"a.wav", "Duration Entry: start, end, duration ", {"10.00", "250.50", "240.50"}});
    t.AddLog({"voix\n.wav", "Labels All Entry: Tier, Label's Text, Time, pitch, Intensity ",
              {"Words\tand more", "caf\xc3\xa9\r\nbar", "12.00", "", "61.2"}});
    t.setCell(0, t.columnCount() - 1, "first\ttry");

    const std::string text = logFileText(t);
    EXPECT_EQ(text.substr(0, text.find('\n')),
              "File Name\tEntry definitions and order\tEntry 1\tEntry 2\tEntry 3\tEntry 4\tEntry 5\tComments\t");
    // As a plain tab-separated reader reads it; every line ends in a tab.
    auto tsv = vxtest::tsvRows(text);
    for (auto& row : tsv) {
        EXPECT_EQ(row.back(), "");
        row.pop_back();
    }
    ASSERT_EQ(tsv.size(), 3u) << "a tab or line end inside a cell must not split its row";
    const std::vector<std::string> second = {"voix .wav", "Labels All Entry: Tier, Label's Text, Time, pitch, Intensity ",
                                             "Words and more", "caf\xc3\xa9  bar", "12.00", "", "61.2", ""};
    EXPECT_EQ(tsv[2], second);
    EXPECT_EQ(tsv[1][7], "first try");

    const LogReadResult back = parseLog(text);
    ASSERT_TRUE(back.table) << back.error;
    EXPECT_EQ(grid(*back.table), tsv) << "the log reads the same cells as the plain reader";
    EXPECT_FALSE(back.table->isDirty());
    EXPECT_EQ(logFileText(*back.table), text) << "reading and writing again changes nothing";
}

TEST(LogFile, OpensWhatSpreadsheetsAndOlderProgramsWrite)
{
    // A byte-order mark, CRLF, no last tab, a short row, a blank line.
    const std::string exported = "\xEF\xBB\xBF"
                                 "File Name\tEntry definitions and order\tF0\tF1\tComments\r\n"
                                 "a.wav\tdef\t120.5\t700\tok\r\n"
                                 "\r\n"
                                 "b.wav\tdef\t99\r\n";
    const LogReadResult r = parseLog(exported);
    ASSERT_TRUE(r.table) << r.error;
    const std::vector<std::vector<std::string>> expected = {
        {"File Name", "Entry definitions and order", "F0", "F1", "Comments"},
        {"a.wav", "def", "120.5", "700", "ok"},
        {"b.wav", "def", "99", "", ""}};
    EXPECT_EQ(grid(*r.table), expected);

    // Sixteen entry columns, the fifth untitled: counted up to the last title.
    std::string titles = "File Name\tdef\t", cells = "n\td\t";
    for (int k = 1; k <= 16; ++k) {
        if (k != 5)
            titles += 'E' + std::to_string(k);
        titles += '\t';
        cells += std::to_string(k) + "\t";
    }
    const LogReadResult w = parseLog(titles + "Comments\t\n" + cells + "c\t\n");
    ASSERT_TRUE(w.table) << w.error;
    EXPECT_EQ(w.table->entryColumnCount(), 16);
    EXPECT_EQ(w.table->cell(0, 3 + 15), "16");
    EXPECT_EQ(w.table->cell(0, w.table->columnCount() - 1), "c");

    // 8000 titles over 8000 one-cell rows (32 KB) hold what the file holds.
    std::string head, body;
    for (int k = 0; k < 8000; ++k) {
        head += "t\t";
        body += "r\n";
    }
    const LogReadResult h = parseLog(head + "\n" + body);
    ASSERT_TRUE(h.table) << h.error;
    EXPECT_EQ(h.table->rowCount(), 8000u);
    EXPECT_EQ(h.table->cell(7999, 1), "r");
    EXPECT_EQ(h.table->cell(7999, 7999), "");
    std::size_t held = 0;
    for (std::size_t r = 0; r < h.table->rowCount(); ++r)
        held += sizeof(std::string) + h.table->rowText(r).capacity();
    EXPECT_LT(held, 1u << 20);

    // Latin-1 from an older program; an overlong form is not UTF-8 either.
    for (const auto& [cell, read] : {std::pair<std::string, std::string>{"caf\xe9.wav", "caf\xc3\xa9.wav"},
                                     {"\xc0\xaf", "\xc3\x80\xc2\xaf"}}) {
        const LogReadResult latin = parseLog("File Name\tdef\tComments\t\n" + cell + "\td\t\t\n");
        ASSERT_TRUE(latin.table) << latin.error;
        EXPECT_EQ(latin.table->cell(0, 1), read);
    }
}

TEST(LogFile, RefusesWhatIsNotALogAndSaysWhy)
{
    const std::pair<std::string, std::string> cases[] = {
        {"", "empty"},
        {std::string("RIFF\0\0\0\0WAVEfmt ", 16), "not a text file"},
        {"name,definition,comment\nx,y,z\n", "three tab-separated"},
        {"\n\n\n", "no lines"},
        {"File Name\tdef\tComments\t\na\tb\tc\td\t\n", "Line 2 has more cells"},
    };
    for (const auto& [bytes, why] : cases) {
        const LogReadResult r = parseLog(bytes);
        EXPECT_FALSE(r.table) << why;
        EXPECT_NE(r.error.find(why), std::string::npos) << r.error;
    }
}

TEST(LogFile, SavesAtomicallyAndAFailedSaveKeepsTheLogUnsaved)
{
    LogTable t;
    t.AddLog({"caf\xc3\xa9.wav", "def", {"1.00"}});
    const std::string path = vxtest::tempPath("log-save.txt");
    std::string why;
    ASSERT_TRUE(saveLog(t, path, &why)) << why;
    EXPECT_FALSE(t.isDirty());
    EXPECT_EQ(t.m_strFilePath, path);
    const std::string saved = vxtest::readText(path);
    EXPECT_NE(saved.find("caf\xc3\xa9.wav\t"), std::string::npos) << "UTF-8 on disk";
    EXPECT_EQ(logFileText(*readLog(path).table), saved);

    t.AddLog({"a.wav", "def", {"2.00"}});
    EXPECT_FALSE(saveLog(t, vxtest::tempPath("no-such-folder/log.txt"), &why));
    EXPECT_FALSE(why.empty());
    EXPECT_TRUE(t.isDirty()) << "a failed save leaves the rows unsaved";
    EXPECT_EQ(t.m_strFilePath, path);
    EXPECT_EQ(vxtest::readText(path), saved) << "the earlier file is untouched";

    EXPECT_FALSE(readLog(vxtest::tempPath("no-such-log.txt")).table);
    EXPECT_NE(readLog(vxtest::testRoot()).error.find("could not be read"), std::string::npos) << "a folder";
}
