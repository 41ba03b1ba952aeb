#include "log/LogTable.h"

#include <algorithm>
#include <stdexcept>

namespace vx {

namespace {

LogColumn makeColumn(std::string id, std::string title, int width, bool right = false)
{
    return LogColumn{std::move(id), std::move(title), width, right, {}};
}

} // namespace

LogTable::LogTable()
{
    createEmptyTable();
}

void LogTable::createEmptyTable()
{
    m_columns.clear();
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
    return column(c).cells.at(row);
}

int LogTable::ensureEntryColumns(int n)
{
    const int added = std::max(0, n - entryColumnCount());
    while (entryColumnCount() < n) {
        const std::string number = std::to_string(entryColumnCount() + 1);
        LogColumn col = makeColumn("entry" + number, "Entry " + number, 100, true);
        col.cells.assign(rowCount(), std::string());
        m_columns.insert(m_columns.end() - 1, std::move(col));
    }
    return added;
}

int LogTable::AddLog(const LogEntry& entry)
{
    const int added = ensureEntryColumns(static_cast<int>(entry.values.size()));
    m_columns[1].cells.push_back(entry.name);
    m_columns[2].cells.push_back(entry.def);
    for (int k = 0; k < entryColumnCount(); ++k) {
        const auto i = static_cast<std::size_t>(k);
        m_columns[i + 3].cells.push_back(i < entry.values.size() ? entry.values[i] : std::string());
    }
    comment().cells.emplace_back();
    m_bDirty = true;
    return added;
}

bool LogTable::setCell(std::size_t row, int c, const std::string& text)
{
    if (!editable(c) || c >= columnCount() || row >= rowCount())
        return false;
    std::string& cell = m_columns[static_cast<std::size_t>(c)].cells[row];
    if (cell == text)
        return false;
    cell = text;
    m_bDirty = true;
    return true;
}

void LogTable::removeRows(std::size_t first, std::size_t count)
{
    if (first >= rowCount() || count == 0)
        return;
    const std::size_t last = std::min(rowCount(), first + count);
    for (std::size_t c = 1; c < m_columns.size(); ++c) {
        auto& cells = m_columns[c].cells;
        cells.erase(cells.begin() + static_cast<std::ptrdiff_t>(first), cells.begin() + static_cast<std::ptrdiff_t>(last));
    }
    m_bDirty = true;
}

void LogTable::rebuild(std::vector<std::string> titles, std::vector<std::vector<std::string>> rows)
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
    for (std::size_t c = 1; c < m_columns.size(); ++c)
        m_columns[c].cells.reserve(rows.size());
    for (auto& row : rows) {
        row.resize(n);
        for (std::size_t k = 0; k < n; ++k)
            m_columns[k + 1].cells.push_back(std::move(row[k]));
    }
    m_bDirty = false;
}

} // namespace vx
