// Monster stats and encounter tables as CSV or JSON. The columns are the fields of the
// record layouts in layout order, under their layout names; encounter tables lead with
// the map number.
#pragma once

#include <istream>
#include <optional>
#include <string>
#include <string_view>

#include "game/tables/progress.h"
#include "game/tables/text_table.h"

namespace valmor::tables {

std::optional<TableFormat> tableFormatNamed(std::string_view name);

// The table of every record in the bytes of "monsters.tat" or "encountr.mon". A partial
// last record reads as if its missing bytes were zero.
std::string statsToTable(std::string_view fileBytes, TableFormat format, Progress& progress);
std::string encountersToTable(std::string_view fileBytes, TableFormat format, Progress& progress);

// The file bytes for a table read from `table`, one record at a time, so that memory does
// not grow with the input. Without a format, a table whose first character after blanks
// (and a byte order mark) is a bracket is JSON, anything else CSV. Every row is checked
// before the bytes are given; throws ImportError, naming `source`, with every problem
// found and its line and column. Encounter rows may come in any order; every map from 1
// to the highest named must have one.
std::string statsFromTable(std::istream& table, std::optional<TableFormat> format,
                           const std::string& source, Progress& progress);
std::string encountersFromTable(std::istream& table, std::optional<TableFormat> format,
                                const std::string& source, Progress& progress);

} // namespace valmor::tables
