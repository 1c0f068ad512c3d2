// Comma-separated tables as RFC 4180 defines them: fields separated by commas, records
// by line ends; a field holding a comma, a quote or a line end is quoted, and a quote
// inside it is doubled.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "cli/text_table.h"

namespace valmor::cli {

// Appends one field. Text fields are always quoted, so that blanks at their ends
// survive spreadsheet programs that trim unquoted fields.
void appendCsvText(std::string& out, std::string_view utf8);
void appendCsvNumber(std::string& out, std::string_view digits);
// Ends a record with CRLF, as RFC 4180 asks.
void endCsvRecord(std::string& out);

// Every record of the text, as written: the header is the first. Records end at CRLF,
// LF or CR; empty lines are skipped; a UTF-8 byte order mark at the start is ignored.
// Throws ImportError, naming `source`, at the first syntax error.
std::vector<std::vector<Cell>> readCsv(std::string_view text, const std::string& source);

} // namespace valmor::cli
