// Comma-separated tables as RFC 4180 defines them: fields separated by commas, records
// by line ends; a field holding a comma, a quote or a line end is quoted, and a quote
// inside it is doubled.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "game/tables/text_stream.h"
#include "game/tables/text_table.h"

namespace valmor::tables {

// Appends one field. Text fields are always quoted, so that blanks at their ends
// survive spreadsheet programs that trim unquoted fields.
void appendCsvText(std::string& out, std::string_view utf8);
void appendCsvNumber(std::string& out, std::string_view digits);
// Ends a record with CRLF, as RFC 4180 asks.
void endCsvRecord(std::string& out);

// Reads the records of a text one at a time, as written: the header is the first.
// Records end at CRLF, LF or CR; empty lines are skipped; a UTF-8 byte order mark at the
// start is ignored. Throws ImportError at the first syntax error, and at a field over
// kMaxTokenBytes or a row over kMaxRowBytes.
class CsvReader {
public:
    explicit CsvReader(TextStream& text);

    // The next record into `record`; false at the end of the text.
    bool next(std::vector<Cell>& record);

private:
    bool atLineEnd();
    void readField(Cell& cell);

    TextStream& text_;
};

} // namespace valmor::tables
