// The one writer of table rows, as CSV or JSON: the exports of the record files and
// valmor-data balance write their rows through it. CSV is a header of the column names, then
// a record per row, texts always quoted (csv.h). JSON is an array with one object per row,
// each on a line of its own so that a version-control diff shows which rows changed.
#pragma once

#include <cstddef>
#include <span>
#include <string>
#include <string_view>

#include "game/tables/text_table.h"

namespace valmor::tables {

// How a JSON row is laid out: Spaced, as the record tables are ({"hp": 5, "name": "Orc"},
// indented by two blanks), or Compact, as balance writes its rows ({"map":1,...}).
enum class JsonLayout { Spaced, Compact };

// Appends to `out`, which the caller may hand on and clear between rows to keep memory flat.
class RowWriter {
public:
    // Appends the table's start: the CSV header of `columns`, or JSON's opening bracket.
    RowWriter(std::string& out, TableFormat format, std::span<const std::string_view> columns,
              JsonLayout layout = JsonLayout::Spaced);

    void beginRow();
    // A number as its digits; empty is an empty CSV cell or JSON's null.
    void number(std::string_view column, std::string_view digits);
    void text(std::string_view column, std::string_view utf8);
    // JSON only: a list of objects as the value of `column`, each object's values given
    // between beginObject and endObject.
    void beginList(std::string_view column);
    void beginObject();
    void endObject();
    void endList();
    void endRow();
    // Appends the table's end.
    void finish();

private:
    // The separator before a value and, in JSON, its key.
    void key(std::string_view column);

    std::string& out_;
    TableFormat format_;
    JsonLayout layout_;
    std::size_t rows_ = 0;
    bool first_ = true; // the next value is the first of its row, object or list
};

} // namespace valmor::tables
