#pragma once
// The measurement log's table: a row-number column, the entry's name and
// definition, one column per value position, and a comment column that is
// always last. Cells are kept per column, as strings; every stored column
// holds one cell for every row, so the table is always rectangular.
//
// The row numbers are not stored: row r shows r + 1.

#include <cstddef>
#include <string>
#include <vector>

namespace vx {

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
    std::vector<std::string> cells; // empty for "row"
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
    std::size_t rowCount() const { return m_columns.back().cells.size(); }
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
    // a file is read; `rows` holds one cell per title in each row.
    void rebuild(std::vector<std::string> titles, std::vector<std::vector<std::string>> rows);

    bool isDirty() const { return m_bDirty; }

    bool m_bDirty = false;
    // Read from a file.
    bool m_bhasData = false;
    // The file read from or last saved to; empty for a new log.
    std::string m_strFilePath;

private:
    LogColumn& comment() { return m_columns.back(); }

    std::vector<LogColumn> m_columns;
};

} // namespace vx
