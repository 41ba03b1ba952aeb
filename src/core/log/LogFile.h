#pragma once
// The measurement log as a text file: UTF-8, one line per row, each cell
// followed by a tab, a header line of column titles first. The row numbers
// are not written. A tab, carriage return or line feed inside a cell is
// written as one space each; nothing is quoted.
//
// Reading accepts what spreadsheet programs write when they export such a
// table as tab-separated text: a byte-order mark, CRLF line ends, no tab
// after the last cell, rows that stop before their trailing empty cells.

#include "log/LogTable.h"

#include <optional>
#include <string>
#include <string_view>

namespace vx {

// The whole file's text.
std::string logFileText(const LogTable& table);

// The bytes as UTF-8 text without a byte-order mark; bytes that are not
// valid UTF-8 are read as Latin-1 (as older logs and some spreadsheets
// write them).
std::string decodeLogText(std::string_view bytes);

struct LogReadResult {
    std::optional<LogTable> table;
    std::string error; // why the file was refused, as a sentence
};

// A table from a file's bytes, or why they are not a log.
LogReadResult parseLog(std::string_view bytes);

// Reads the file at `path`; the table remembers it as its file, clean.
LogReadResult readLog(const std::string& path);

// Writes the table to `path` atomically. On success the log is clean and
// remembers the path; on failure it stays as it was and `why` says why.
bool saveLog(LogTable& table, const std::string& path, std::string* why);

} // namespace vx
