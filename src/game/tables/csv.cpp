#include "game/tables/csv.h"

namespace valmor::tables {

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

CsvReader::CsvReader(TextStream& text) : text_(text) {
    text_.skipByteOrderMark();
}

bool CsvReader::atLineEnd() {
    const char c = text_.peek();
    return c == '\n' || c == '\r' || text_.atEnd();
}

bool CsvReader::next(std::vector<Cell>& record) {
    record.clear();
    // Empty lines hold no record.
    while (!text_.atEnd() && (text_.peek() == '\n' || text_.peek() == '\r'))
        text_.advance();
    if (text_.atEnd())
        return false;
    const TextPosition rowAt = text_.position();
    const std::uint64_t rowStart = text_.offset();
    for (;;) {
        readField(record.emplace_back());
        if (text_.offset() - rowStart > kMaxRowBytes)
            text_.fail(rowAt, rowAt.line == text_.position().line
                                  ? "this line is longer than 64 KiB (65536 bytes), more than "
                                    "any row of a table needs"
                                  : "this row is longer than 64 KiB (65536 bytes), more than "
                                    "any row of a table needs");
        if (text_.peek() != ',')
            break;
        text_.advance();
    }
    // The line end: CRLF, LF or a lone CR.
    if (text_.peek() == '\r')
        text_.advance();
    if (text_.peek() == '\n')
        text_.advance();
    return true;
}

void CsvReader::readField(Cell& cell) {
    cell.at = text_.position();
    const std::uint64_t start = text_.offset();
    const auto checkLength = [&] {
        if (text_.offset() - start > kMaxTokenBytes)
            text_.fail(cell.at, "this field is longer than 64 KiB (65536 bytes)");
    };
    if (text_.peek() != '"') {
        while (!atLineEnd() && text_.peek() != ',') {
            if (text_.peek() == '"')
                text_.fail(text_.position(),
                           "a quote inside an unquoted field; quote the whole field and "
                           "double the quote");
            cell.text += text_.peek();
            text_.advance();
            checkLength();
        }
        return;
    }
    text_.advance();
    for (;;) {
        if (text_.atEnd())
            text_.fail(cell.at, "this quoted field is never closed");
        const char c = text_.peek();
        text_.advance();
        checkLength();
        if (c == '"') {
            if (text_.peek() != '"')
                break;
            text_.advance();
        }
        cell.text += c;
    }
    if (!atLineEnd() && text_.peek() != ',')
        text_.fail(text_.position(), "text after the closing quote of a field; a comma or a "
                                     "line end must follow");
}

} // namespace valmor::tables
