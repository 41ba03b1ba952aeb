#include "log/LogTable.h"

#include <algorithm>
#include <stdexcept>
#include <string_view>

namespace vx {

namespace {

LogColumn makeColumn(std::string id, std::string title, int width, bool right = false)
{
    return LogColumn{std::move(id), std::move(title), width, right};
}

std::vector<std::string> splitRow(std::string_view row)
{
    std::vector<std::string> cells;
    if (row.empty())
        return cells;
    for (std::size_t from = 0;;) {
        const std::size_t tab = row.find('\t', from);
        cells.emplace_back(row.substr(from, tab == std::string_view::npos ? std::string_view::npos : tab - from));
        if (tab == std::string_view::npos)
            return cells;
        from = tab + 1;
    }
}

std::string joinRow(std::vector<std::string> cells)
{
    while (!cells.empty() && cells.back().empty())
        cells.pop_back();
    std::string out;
    for (std::size_t k = 0; k < cells.size(); ++k) {
        if (k > 0)
            out += '\t';
        out += cells[k];
    }
    return out;
}

} // namespace

std::string logCellText(std::string_view text)
{
    std::string out(text);
    std::replace_if(out.begin(), out.end(), [](char c) { return c == '\t' || c == '\r' || c == '\n'; }, ' ');
    return out;
}

LogTable::LogTable()
{
    createEmptyTable();
}

void LogTable::createEmptyTable()
{
    m_columns.clear();
    m_rows.clear();
    m_columns.push_back(makeColumn("row", "", 30));
    m_columns.push_back(makeColumn("name", "File Name", 100));
    m_columns.push_back(makeColumn("def", "Entry definitions and order", 200));
    m_columns.push_back(makeColumn("comment", "Comments", 200));
    m_bDirty = false;
    m_bhasData = false;
    m_strFilePath.clear();
}

std::string LogTable::cell(std::size_t row, int c) const
{
    if (c == 0)
        return std::to_string(row + 1);
    if (c < 0 || c >= columnCount())
        throw std::out_of_range("no log column " + std::to_string(c));
    const std::string_view text = m_rows.at(row);
    std::size_t from = 0;
    for (int k = 1; k < c; ++k) {
        const std::size_t tab = text.find('\t', from);
        if (tab == std::string_view::npos)
            return {};
        from = tab + 1;
    }
    if (from > text.size())
        return {};
    const std::size_t tab = text.find('\t', from);
    return std::string(text.substr(from, tab == std::string_view::npos ? std::string_view::npos : tab - from));
}

int LogTable::ensureEntryColumns(int n)
{
    const int added = std::max(0, n - entryColumnCount());
    if (added == 0)
        return 0;
    // Rows holding a comment keep it in the comment column, now further on.
    const std::size_t commentAt = static_cast<std::size_t>(columnCount() - 2);
    for (std::string& row : m_rows) {
        std::vector<std::string> cells = splitRow(row);
        if (cells.size() > commentAt) {
            cells.insert(cells.begin() + static_cast<std::ptrdiff_t>(commentAt), static_cast<std::size_t>(added),
                         std::string());
            row = joinRow(std::move(cells));
        }
    }
    while (entryColumnCount() < n) {
        const std::string number = std::to_string(entryColumnCount() + 1);
        m_columns.insert(m_columns.end() - 1, makeColumn("entry" + number, "Entry " + number, 100, true));
    }
    return added;
}

int LogTable::AddLog(const LogEntry& entry)
{
    const int added = ensureEntryColumns(static_cast<int>(entry.values.size()));
    std::vector<std::string> cells{logCellText(entry.name), logCellText(entry.def)};
    for (const std::string& v : entry.values)
        cells.push_back(logCellText(v));
    m_rows.push_back(joinRow(std::move(cells)));
    m_bDirty = true;
    return added;
}

bool LogTable::setCell(std::size_t row, int c, const std::string& text)
{
    if (!editable(c) || c >= columnCount() || row >= rowCount())
        return false;
    const std::string stored = logCellText(text);
    if (cell(row, c) == stored)
        return false;
    std::vector<std::string> cells = splitRow(m_rows[row]);
    const auto at = static_cast<std::size_t>(c - 1);
    if (cells.size() <= at)
        cells.resize(at + 1);
    cells[at] = stored;
    m_rows[row] = joinRow(std::move(cells));
    m_bDirty = true;
    return true;
}

void LogTable::removeRows(std::size_t first, std::size_t count)
{
    if (first >= rowCount() || count == 0)
        return;
    const std::size_t last = std::min(rowCount(), first + count);
    m_rows.erase(m_rows.begin() + static_cast<std::ptrdiff_t>(first), m_rows.begin() + static_cast<std::ptrdiff_t>(last));
    m_bDirty = true;
}

void LogTable::rebuild(std::vector<std::string> titles, std::vector<std::string> rows)
{
    if (titles.size() < 3)
        throw std::invalid_argument("a log needs a name, a definition and a comment column");
    const std::size_t n = titles.size();
    m_columns.clear();
    m_columns.push_back(makeColumn("row", "", 30));
    m_columns.push_back(makeColumn("name", std::move(titles[0]), 100));
    m_columns.push_back(makeColumn("def", std::move(titles[1]), 200));
    for (std::size_t k = 2; k + 1 < n; ++k)
        m_columns.push_back(makeColumn("entry" + std::to_string(k - 1), std::move(titles[k]), 100, true));
    m_columns.push_back(makeColumn("comment", std::move(titles[n - 1]), 200));
    m_rows = std::move(rows);
    m_bDirty = false;
}

} // namespace vx
