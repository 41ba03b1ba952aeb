#pragma once
// The measurement log's table: a row-number column, the entry's name and
// definition, one column per value position, and a comment column that is
// always last. Every row has a cell in every column; a row keeps only the
// cells up to its last one that is not empty, as one text with its cells
// separated by tabs (as its line in the file), so that a table costs
// memory in proportion to what it holds, however wide its header. A tab,
// carriage return or line feed in a text becomes a space as it enters the
// table, as it would in the file.
//
// The row numbers are not stored: row r shows r + 1.

#include <cstddef>
#include <string>
#include <vector>

namespace vx {

// A cell's text as it goes into the file.
std::string logCellText(std::string_view text);

// What a view hands to the log for one row: the values name their own
// positions, value k going to entry column k + 1.
struct LogEntry {
    std::string name;
    std::string def;
    std::vector<std::string> values;
};

struct LogColumn {
    std::string identifier; // "row", "name", "def", "entry%d", "comment"
    std::string title;
    int width = 100;
    bool rightAligned = false;
};

class LogTable {
public:
    // The four fixed columns, no rows.
    LogTable();

    // Back to the four fixed columns, with no rows and no file, clean.
    void createEmptyTable();

    int columnCount() const { return static_cast<int>(m_columns.size()); }
    // Columns between "def" and "comment".
    int entryColumnCount() const { return columnCount() - 4; }
    std::size_t rowCount() const { return m_rows.size(); }
    const LogColumn& column(int c) const { return m_columns[static_cast<std::size_t>(c)]; }
    // The text shown in a cell; the row column gives the row number.
    std::string cell(std::size_t row, int c) const;
    bool editable(int c) const { return c > 0; }

    // Appends one row, adding the entry columns it needs. Returns how many
    // columns were added.
    int AddLog(const LogEntry& entry);
    // Adds entry columns, empty in every row, until there are `n`. Returns
    // how many were added.
    int ensureEntryColumns(int n);
    // Replaces a cell's text; false (and the log stays clean) when the text
    // is the same or the cell cannot be edited.
    bool setCell(std::size_t row, int c, const std::string& text);
    // Removes `count` rows from `first` on.
    void removeRows(std::size_t first, std::size_t count);

    // Columns in the order a file's header gives them: the name's, the
    // definition's, the entry columns' and the comment's titles. Used when
    // a file is read; each of `rows` holds a line's cells separated by tabs,
    // at most one per title, without line ends.
    void rebuild(std::vector<std::string> titles, std::vector<std::string> rows);

    // Row r's cells of columns 1 to columnCount() - 1 separated by tabs,
    // without its trailing empty cells.
    const std::string& rowText(std::size_t r) const { return m_rows[r]; }

    bool isDirty() const { return m_bDirty; }

    bool m_bDirty = false;
    // Read from a file.
    bool m_bhasData = false;
    // The file read from or last saved to; empty for a new log.
    std::string m_strFilePath;

private:
    std::vector<LogColumn> m_columns;
    std::vector<std::string> m_rows;
};

} // namespace vx
