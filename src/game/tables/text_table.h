// The shape that CSV and JSON tables are read into: cells that remember the line and
// column where they start, so that a bad value can be pointed at; and the size limits
// that keep reading a table within a fixed amount of memory.
#pragma once

#include <compare>
#include <cstddef>
#include <cstdint>
#include <string>

namespace valmor::tables {

enum class TableFormat { Csv, Json };

// A CSV field, a JSON key, string or number is at most this many bytes as written.
inline constexpr std::size_t kMaxTokenBytes = 64 * 1024;
// A CSV row (a line, or more when a quoted field holds line ends) and a JSON object are at
// most this many bytes as written, checked between their tokens.
inline constexpr std::size_t kMaxRowBytes = 64 * 1024;

// 1-based; columns count characters (UTF-8 code points), not bytes. 64-bit, so that no
// input, however long, can make them overflow.
struct TextPosition {
    std::int64_t line = 1;
    std::int64_t column = 1;

    auto operator<=>(const TextPosition&) const = default;
};

enum class CellKind {
    Raw,    // a CSV field: its column decides whether it is a number or a text
    String, // a JSON string
    Number, // a JSON number, as written
    Other,  // any other JSON value (true, false, null, an array or an object)
};

struct Cell {
    std::string text; // UTF-8
    CellKind kind = CellKind::Raw;
    TextPosition at;
};

// A piece of input quoted in a message: cut to about 60 characters (never inside one) with
// "...", control characters written as \xNN so that none reaches the terminal.
std::string shown(std::string_view text);

struct TableProblem {
    TextPosition at;
    std::string message;
};

} // namespace valmor::tables
