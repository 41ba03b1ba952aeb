#include "log/LogFile.h"

#include "platform/FileIO.h"
#include "platform/Utf8.h"

#include <algorithm>
#include <cstdint>

namespace vx {

namespace {

// Splits at tabs; "a\t" gives "a" and "".
std::vector<std::string> splitTabs(std::string_view line)
{
    std::vector<std::string> out;
    std::size_t from = 0;
    for (;;) {
        const std::size_t tab = line.find('\t', from);
        out.emplace_back(line.substr(from, tab == std::string_view::npos ? std::string_view::npos : tab - from));
        if (tab == std::string_view::npos)
            return out;
        from = tab + 1;
    }
}

// Calls f(number, line) for every line, numbered from 1, without its line
// end (LF, or CR LF), until f returns false.
template <typename F>
void forEachLine(std::string_view text, F f)
{
    std::size_t number = 0;
    for (std::size_t from = 0; from < text.size();) {
        std::size_t end = text.find('\n', from);
        if (end == std::string_view::npos)
            end = text.size();
        std::string_view line = text.substr(from, end - from);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (!f(++number, line))
            return;
        from = end + 1;
    }
}

// The line's first n cells up to the last that is not empty, or nothing
// when a cell past the n-th is not empty.
std::optional<std::string_view> rowWithin(std::string_view line, std::size_t n)
{
    std::size_t kept = 0, from = 0;
    for (std::size_t k = 0;; ++k) {
        const std::size_t tab = line.find('\t', from);
        const std::size_t end = tab == std::string_view::npos ? line.size() : tab;
        if (end > from) {
            if (k >= n)
                return std::nullopt;
            kept = end;
        }
        if (tab == std::string_view::npos)
            return line.substr(0, kept);
        from = tab + 1;
    }
}

void appendCell(std::string& out, std::string_view text)
{
    out += logCellText(text);
    out += '\t';
}

} // namespace

std::string logFileText(const LogTable& table)
{
    std::string out;
    for (int c = 1; c < table.columnCount(); ++c)
        appendCell(out, table.column(c).title);
    out += '\n';
    const std::size_t cells = static_cast<std::size_t>(table.columnCount() - 1);
    for (std::size_t r = 0; r < table.rowCount(); ++r) {
        // Cells hold no tab or line end, so the row's text goes as it is.
        // The row's stored cells, then a tab after each cell, the empty
        // ones after the stored cells included.
        const std::string& row = table.rowText(r);
        const std::size_t stored = row.empty() ? 0 : 1 + static_cast<std::size_t>(std::count(row.begin(), row.end(), '\t'));
        out += row;
        out.append(cells - stored + (stored > 0 ? 1 : 0), '\t');
        out += '\n';
    }
    return out;
}

std::string decodeLogText(std::string_view bytes)
{
    while (bytes.starts_with("\xEF\xBB\xBF"))
        bytes.remove_prefix(3);
    return utf8OrLatin1(bytes);
}

LogReadResult parseLog(std::string_view bytes)
{
    if (bytes.empty())
        return {std::nullopt, "The file is empty."};
    if (bytes.find('\0') != std::string_view::npos)
        return {std::nullopt, "The file is not a text file."};
    const std::string text = decodeLogText(bytes);
    if (text.find_first_not_of("\r\n") == std::string::npos)
        return {std::nullopt, "The file holds no lines of text."};
    std::optional<std::vector<std::string>> titles;
    std::vector<std::string> rows;
    std::string error;
    forEachLine(text, [&](std::size_t number, std::string_view line) {
        if (!titles) {
            titles = splitTabs(line);
            // The titles end at the last one that is not empty: the tab after
            // the last title leaves an empty field behind it.
            while (!titles->empty() && titles->back().empty())
                titles->pop_back();
            if (titles->size() < 3) {
                error = "Its first line does not hold at least three tab-separated column titles "
                        "(file name, definition and comment), so it is not a measurement log.";
                return false;
            }
            return true;
        }
        if (line.empty())
            return true;
        const auto row = rowWithin(line, titles->size());
        if (!row) {
            error = "Line " + std::to_string(number) + " has more cells than the first line has column titles ("
                  + std::to_string(titles->size()) + ").";
            return false;
        }
        // A carriage return inside a line is a space in the table, as it
        // would be written.
        std::string& stored = rows.emplace_back(*row);
        std::replace(stored.begin(), stored.end(), '\r', ' ');
        return true;
    });
    if (!error.empty())
        return {std::nullopt, error};
    LogReadResult result;
    result.table.emplace();
    result.table->rebuild(std::move(*titles), std::move(rows));
    return result;
}

LogReadResult readLog(const std::string& path)
{
    std::string error;
    // A log of a million rows is well under this; larger is not one.
    const auto bytes = readWholeFile(path, &error, std::uint64_t(256) << 20);
    if (!bytes)
        return {std::nullopt, "The file could not be read: " + error};
    LogReadResult r = parseLog(std::string_view(reinterpret_cast<const char*>(bytes->data()), bytes->size()));
    if (r.table) {
        r.table->m_strFilePath = path;
        r.table->m_bhasData = true;
    }
    return r;
}

bool saveLog(LogTable& table, const std::string& path, std::string* why)
{
    const std::string text = logFileText(table);
    std::string error;
    if (!writeFileAtomically(path, std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()), &error)) {
        if (why)
            *why = error;
        return false;
    }
    table.m_bDirty = false;
    table.m_strFilePath = path;
    return true;
}

} // namespace vx
