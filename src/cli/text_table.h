// The shape that CSV and JSON tables are read into: cells that remember the line and
// column where they start, so that a bad value can be pointed at.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace valmor::cli {

// 1-based; columns count characters (UTF-8 code points), not bytes.
struct TextPosition {
    int line = 1;
    int column = 1;

    bool operator==(const TextPosition&) const = default;
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

struct TableProblem {
    TextPosition at;
    std::string message;
};

// Walks a text byte by byte and keeps the line and column of the current byte. A line
// ends at LF, CRLF or a lone CR.
class TextCursor {
public:
    explicit TextCursor(std::string_view text) : text_(text) {}

    bool atEnd() const { return pos_ >= text_.size(); }
    char peek() const { return atEnd() ? '\0' : text_[pos_]; }
    TextPosition position() const { return at_; }
    std::size_t offset() const { return pos_; }

    void advance() {
        const char c = text_[pos_++];
        if (c == '\n' || (c == '\r' && peek() != '\n')) {
            ++at_.line;
            at_.column = 1;
        } else if ((static_cast<unsigned char>(c) & 0xC0) != 0x80 && c != '\r') {
            // UTF-8 continuation bytes belong to the character before them.
            ++at_.column;
        }
    }

    // Skips a UTF-8 byte order mark, which some spreadsheet programs write.
    void skipByteOrderMark() {
        if (text_.substr(pos_).starts_with("\xEF\xBB\xBF"))
            pos_ += 3;
    }

private:
    std::string_view text_;
    std::size_t pos_ = 0;
    TextPosition at_;
};

} // namespace valmor::cli
