// Monster stats and encounter tables as CSV or JSON. The columns are the fields of the
// record layouts in layout order, under their layout names; encounter tables lead with
// the map number.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "cli/progress.h"

namespace valmor::cli {

enum class TableFormat { Csv, Json };

std::optional<TableFormat> tableFormatNamed(std::string_view name);
// JSON when the first thing in the text is a bracket, CSV otherwise.
TableFormat guessTableFormat(std::string_view text);

// Records in a file of `fileBytes` bytes, a partial last record included.
std::size_t recordCount(std::size_t fileBytes, std::size_t recordBytes);

// The table of every record in the bytes of "monsters.tat" or "encountr.mon". A partial
// last record reads as if its missing bytes were zero.
std::string statsToTable(std::string_view fileBytes, TableFormat format, Progress& progress);
std::string encountersToTable(std::string_view fileBytes, TableFormat format, Progress& progress);

// The file bytes for a table. Every row is checked before any byte is made; throws
// ImportError, naming `source`, with every problem found and its line and column.
std::string statsFromTable(std::string_view table, TableFormat format, const std::string& source,
                           Progress& progress);
std::string encountersFromTable(std::string_view table, TableFormat format,
                                const std::string& source, Progress& progress);

} // namespace valmor::cli
