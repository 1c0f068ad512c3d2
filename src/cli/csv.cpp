#include "cli/csv.h"

#include "cli/cli_error.h"

namespace valmor::cli {

void appendCsvText(std::string& out, std::string_view utf8) {
    out += '"';
    for (const char c : utf8) {
        if (c == '"')
            out += '"';
        out += c;
    }
    out += '"';
}

void appendCsvNumber(std::string& out, std::string_view digits) {
    out += digits;
}

void endCsvRecord(std::string& out) {
    out += "\r\n";
}

namespace {

bool atLineEnd(const TextCursor& cursor) {
    return cursor.atEnd() || cursor.peek() == '\n' || cursor.peek() == '\r';
}

[[noreturn]] void syntaxError(const std::string& source, TextPosition at, std::string message) {
    throw ImportError(source, {{at, std::move(message)}});
}

Cell readField(TextCursor& cursor, const std::string& source) {
    Cell cell;
    cell.at = cursor.position();
    if (cursor.peek() != '"') {
        while (!atLineEnd(cursor) && cursor.peek() != ',') {
            if (cursor.peek() == '"')
                syntaxError(source, cursor.position(),
                            "a quote inside an unquoted field; quote the whole field and "
                            "double the quote");
            cell.text += cursor.peek();
            cursor.advance();
        }
        return cell;
    }
    cursor.advance();
    for (;;) {
        if (cursor.atEnd())
            syntaxError(source, cell.at, "this quoted field is never closed");
        const char c = cursor.peek();
        cursor.advance();
        if (c == '"') {
            if (cursor.peek() != '"')
                break;
            cursor.advance();
        }
        cell.text += c;
    }
    if (!atLineEnd(cursor) && cursor.peek() != ',')
        syntaxError(source, cursor.position(),
                    "text after the closing quote of a field; a comma or a line end must follow");
    return cell;
}

} // namespace

std::vector<std::vector<Cell>> readCsv(std::string_view text, const std::string& source) {
    std::vector<std::vector<Cell>> records;
    TextCursor cursor(text);
    cursor.skipByteOrderMark();
    while (!cursor.atEnd()) {
        const std::size_t start = cursor.offset();
        std::vector<Cell> record;
        for (;;) {
            record.push_back(readField(cursor, source));
            if (cursor.peek() != ',')
                break;
            cursor.advance();
        }
        const bool emptyLine = cursor.offset() == start;
        // The line end: CRLF, LF or a lone CR.
        if (cursor.peek() == '\r')
            cursor.advance();
        if (cursor.peek() == '\n')
            cursor.advance();
        if (!emptyLine)
            records.push_back(std::move(record));
    }
    return records;
}

} // namespace valmor::cli
