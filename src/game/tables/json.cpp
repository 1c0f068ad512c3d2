#include "game/tables/json.h"

#include <cstdint>
#include <cstdio>

#include "game/conversions.h"
#include "game/tables/latin1.h"

namespace valmor::tables {

void appendJsonString(std::string& out, std::string_view utf8) {
    // Characters with a one-letter escape, and their letters.
    constexpr std::string_view kEscaped = "\"\\\n\r\t";
    constexpr std::string_view kLetters = "\"\\nrt";
    out += '"';
    for (const char c : utf8) {
        if (const std::size_t which = kEscaped.find(c); which != std::string_view::npos) {
            out += '\\';
            out += kLetters[which];
        } else if (static_cast<unsigned char>(c) < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04X", static_cast<unsigned>(c));
            out += escaped;
        } else {
            out += c;
        }
    }
    out += '"';
}

constexpr int kMaxDepth = 64;

JsonReader::JsonReader(TextStream& text) : text_(text) {
    text_.skipByteOrderMark();
}

bool JsonReader::next(JsonObject& object) {
    if (ended_)
        return false;
    if (!begun_) {
        begun_ = true;
        skipSpace();
        if (text_.peek() != '[')
            fail("a JSON table is an array of objects, one per record: it starts with [");
        advance();
        skipSpace();
        if (text_.peek() == ']') {
            advance();
            finish();
            return false;
        }
    } else if (!endOfList(']')) {
        finish();
        return false;
    }
    skipSpace();
    if (text_.peek() != '{')
        fail("expected an object { ... } for each record");
    readObject(object);
    return true;
}

void JsonReader::fail(std::string message) const {
    text_.fail(text_.position(), std::move(message));
}

void JsonReader::skipSpace() {
    for (;;) {
        if (inObject_ && text_.offset() - objectStart_ > kMaxRowBytes)
            text_.fail(objectAt_, "this object is longer than 64 KiB (65536 bytes), more than any "
                                  "record of a table needs");
        const char c = text_.peek();
        if (c != ' ' && c != '\t' && c != '\n' && c != '\r')
            return;
        advance();
    }
}

void JsonReader::expect(char c) {
    if (text_.peek() != c)
        fail(std::string("expected ") + c);
    advance();
}

// After an element: true and past the comma when another follows, false and past the
// closing bracket at the end.
bool JsonReader::endOfList(char close) {
    skipSpace();
    if (text_.peek() == ',') {
        advance();
        return true;
    }
    if (text_.peek() == close) {
        advance();
        return false;
    }
    fail(std::string("expected , or ") + close);
}

void JsonReader::finish() {
    ended_ = true;
    skipSpace();
    if (!text_.atEnd())
        fail("text after the end of the table");
}

void JsonReader::readObject(JsonObject& object) {
    object.keys.clear();
    object.values.clear();
    object.at = text_.position();
    inObject_ = true;
    objectStart_ = text_.offset();
    objectAt_ = object.at;
    advance();
    skipSpace();
    if (text_.peek() == '}') {
        advance();
    } else {
        do {
            skipSpace();
            object.keys.push_back(readKey());
            object.values.push_back(readValue(1));
        } while (endOfList('}'));
    }
    inObject_ = false;
}

// A key in double quotes, and the colon after it with the blanks around the colon.
Cell JsonReader::readKey() {
    if (text_.peek() != '"')
        fail("expected a field name in double quotes");
    Cell key = readString("key");
    skipSpace();
    expect(':');
    skipSpace();
    return key;
}

Cell JsonReader::readValue(int depth) {
    const char c = text_.peek();
    if (c == '"')
        return readString();
    if (c == '-' || isDecimalDigit(c))
        return readNumber();
    Cell cell{.text = {}, .kind = CellKind::Other, .at = text_.position()};
    if (c == '[' || c == '{') {
        skipContainer(depth);
        cell.text = c == '[' ? "an array" : "an object";
    } else {
        for (const std::string_view literal : {"true", "false", "null"}) {
            if (c == literal[0]) {
                for (const char expected : literal)
                    expect(expected);
                cell.text = literal;
                return cell;
            }
        }
        fail("expected a value");
    }
    return cell;
}

void JsonReader::skipContainer(int depth) {
    if (depth >= kMaxDepth)
        fail("values nested too deeply");
    const char close = text_.peek() == '[' ? ']' : '}';
    advance();
    skipSpace();
    if (text_.peek() == close) {
        advance();
        return;
    }
    do {
        skipSpace();
        if (close == '}')
            readKey();
        readValue(depth + 1);
    } while (endOfList(close));
}

void JsonReader::checkTokenLength(const Cell& token, std::uint64_t start, const char* what) {
    if (text_.offset() - start > kMaxTokenBytes)
        text_.fail(token.at, std::string("this ") + what + " is longer than 64 KiB (65536 bytes)");
}

Cell JsonReader::readNumber() {
    Cell cell{.text = {}, .kind = CellKind::Number, .at = text_.position()};
    const std::uint64_t start = text_.offset();
    const auto take = [&] {
        cell.text += text_.peek();
        advance();
        checkTokenLength(cell, start, "number");
    };
    const auto digits = [&] {
        if (!isDecimalDigit(text_.peek()))
            text_.fail(cell.at, "malformed number");
        while (isDecimalDigit(text_.peek()))
            take();
    };
    if (text_.peek() == '-')
        take();
    if (text_.peek() == '0')
        take();
    else
        digits();
    if (text_.peek() == '.') {
        take();
        digits();
    }
    if (text_.peek() == 'e' || text_.peek() == 'E') {
        take();
        if (text_.peek() == '+' || text_.peek() == '-')
            take();
        digits();
    }
    return cell;
}

std::uint32_t JsonReader::readHex4() {
    std::uint32_t value = 0;
    for (int i = 0; i < 4; ++i) {
        const int digit = digitValue(text_.peek(), 16);
        if (digit < 0)
            fail("expected four hexadecimal digits after \\u");
        value = value << 4 | static_cast<std::uint32_t>(digit);
        advance();
    }
    return value;
}

Cell JsonReader::readString(const char* what) {
    Cell cell{.text = {}, .kind = CellKind::String, .at = text_.position()};
    const std::uint64_t start = text_.offset();
    advance();
    for (;;) {
        checkTokenLength(cell, start, what);
        if (text_.atEnd())
            text_.fail(cell.at, "this string is never closed");
        const char c = text_.peek();
        if (static_cast<unsigned char>(c) < 0x20)
            fail("a control character inside a string; write it as \\u00XX");
        advance();
        if (c == '"')
            return cell;
        if (c != '\\') {
            cell.text += c;
            continue;
        }
        const TextPosition escapeAt = text_.position();
        const char e = text_.peek();
        if (text_.atEnd())
            text_.fail(cell.at, "this string is never closed");
        advance();
        // The one-letter escapes, and the characters they stand for.
        constexpr std::string_view kEscaped = "\"\\/bfnrt";
        constexpr std::string_view kMeant = "\"\\/\b\f\n\r\t";
        if (const std::size_t which = kEscaped.find(e); which != std::string_view::npos) {
            cell.text += kMeant[which];
            continue;
        }
        if (e != 'u')
            text_.fail(escapeAt, "unknown escape in a string");
        std::uint32_t code = readHex4();
        if (code >= 0xD800 && code <= 0xDBFF && text_.peek() == '\\') {
            advance();
            expect('u');
            const std::uint32_t low = readHex4();
            if (low < 0xDC00 || low > 0xDFFF)
                text_.fail(escapeAt, "a lone UTF-16 surrogate in \\u escapes");
            code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
        } else if (code >= 0xD800 && code <= 0xDFFF) {
            text_.fail(escapeAt, "a lone UTF-16 surrogate in \\u escapes");
        }
        appendUtf8(cell.text, code);
    }
}

} // namespace valmor::tables
