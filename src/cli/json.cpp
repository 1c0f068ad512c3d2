#include "cli/json.h"

#include <cstdint>
#include <cstdio>

#include "cli/cli_error.h"

namespace valmor::cli {

void appendJsonString(std::string& out, std::string_view utf8) {
    out += '"';
    for (const char c : utf8) {
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (static_cast<unsigned char>(c) < 0x20) {
                char escaped[8];
                std::snprintf(escaped, sizeof escaped, "\\u%04X", static_cast<unsigned>(c));
                out += escaped;
            } else {
                out += c;
            }
        }
    }
    out += '"';
}

namespace {

constexpr int kMaxDepth = 64;

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

void appendUtf8(std::string& out, std::uint32_t code) {
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | code >> 6);
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | code >> 12);
        out += static_cast<char>(0x80 | (code >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | code >> 18);
        out += static_cast<char>(0x80 | (code >> 12 & 0x3F));
        out += static_cast<char>(0x80 | (code >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

class JsonReader {
public:
    JsonReader(std::string_view text, const std::string& source) : cursor_(text), source_(source) {}

    std::vector<JsonObject> readTable() {
        cursor_.skipByteOrderMark();
        skipSpace();
        if (cursor_.peek() != '[')
            fail("a JSON table is an array of objects, one per record: it starts with [");
        cursor_.advance();
        std::vector<JsonObject> objects;
        skipSpace();
        if (cursor_.peek() == ']') {
            cursor_.advance();
        } else {
            for (;;) {
                skipSpace();
                if (cursor_.peek() != '{')
                    fail("expected an object { ... } for each record");
                objects.push_back(readObject());
                if (!endOfList(']'))
                    break;
            }
        }
        skipSpace();
        if (!cursor_.atEnd())
            fail("text after the end of the table");
        return objects;
    }

private:
    [[noreturn]] void fail(std::string message) const { failAt(cursor_.position(), message); }
    [[noreturn]] void failAt(TextPosition at, std::string message) const {
        throw ImportError(source_, {{at, std::move(message)}});
    }

    void skipSpace() {
        while (cursor_.peek() == ' ' || cursor_.peek() == '\t' || cursor_.peek() == '\n' ||
               cursor_.peek() == '\r')
            cursor_.advance();
    }

    void expect(char c) {
        if (cursor_.peek() != c)
            fail(std::string("expected ") + c);
        cursor_.advance();
    }

    // After an element: true and past the comma when another follows, false and past the
    // closing bracket at the end.
    bool endOfList(char close) {
        skipSpace();
        if (cursor_.peek() == ',') {
            cursor_.advance();
            return true;
        }
        if (cursor_.peek() == close) {
            cursor_.advance();
            return false;
        }
        fail(std::string("expected , or ") + close);
    }

    JsonObject readObject() {
        JsonObject object;
        object.at = cursor_.position();
        cursor_.advance();
        skipSpace();
        if (cursor_.peek() == '}') {
            cursor_.advance();
            return object;
        }
        do {
            skipSpace();
            if (cursor_.peek() != '"')
                fail("expected a field name in double quotes");
            object.keys.push_back(readString());
            skipSpace();
            expect(':');
            skipSpace();
            object.values.push_back(readValue(1));
        } while (endOfList('}'));
        return object;
    }

    Cell readValue(int depth) {
        const char c = cursor_.peek();
        if (c == '"')
            return readString();
        if (c == '-' || isDigit(c))
            return readNumber();
        Cell cell;
        cell.kind = CellKind::Other;
        cell.at = cursor_.position();
        if (c == '[' || c == '{') {
            skipContainer(depth);
            cell.text = c == '[' ? "an array" : "an object";
        } else {
            for (const std::string_view literal : {"true", "false", "null"}) {
                if (c == literal[0]) {
                    for (const char expected : literal)
                        this->expect(expected);
                    cell.text = literal;
                    return cell;
                }
            }
            fail("expected a value");
        }
        return cell;
    }

    void skipContainer(int depth) {
        if (depth >= kMaxDepth)
            fail("values nested too deeply");
        const char close = cursor_.peek() == '[' ? ']' : '}';
        cursor_.advance();
        skipSpace();
        if (cursor_.peek() == close) {
            cursor_.advance();
            return;
        }
        do {
            skipSpace();
            if (close == '}') {
                if (cursor_.peek() != '"')
                    fail("expected a field name in double quotes");
                readString();
                skipSpace();
                expect(':');
                skipSpace();
            }
            readValue(depth + 1);
        } while (endOfList(close));
    }

    Cell readNumber() {
        Cell cell;
        cell.kind = CellKind::Number;
        cell.at = cursor_.position();
        const auto take = [&] {
            cell.text += cursor_.peek();
            cursor_.advance();
        };
        const auto digits = [&] {
            if (!isDigit(cursor_.peek()))
                failAt(cell.at, "malformed number");
            while (isDigit(cursor_.peek()))
                take();
        };
        if (cursor_.peek() == '-')
            take();
        if (cursor_.peek() == '0')
            take();
        else
            digits();
        if (cursor_.peek() == '.') {
            take();
            digits();
        }
        if (cursor_.peek() == 'e' || cursor_.peek() == 'E') {
            take();
            if (cursor_.peek() == '+' || cursor_.peek() == '-')
                take();
            digits();
        }
        return cell;
    }

    std::uint32_t readHex4() {
        std::uint32_t value = 0;
        for (int i = 0; i < 4; ++i) {
            const char c = cursor_.peek();
            int digit = -1;
            if (isDigit(c))
                digit = c - '0';
            else if (c >= 'a' && c <= 'f')
                digit = c - 'a' + 10;
            else if (c >= 'A' && c <= 'F')
                digit = c - 'A' + 10;
            if (digit < 0)
                fail("expected four hexadecimal digits after \\u");
            value = value << 4 | static_cast<std::uint32_t>(digit);
            cursor_.advance();
        }
        return value;
    }

    Cell readString() {
        Cell cell;
        cell.kind = CellKind::String;
        cell.at = cursor_.position();
        cursor_.advance();
        for (;;) {
            if (cursor_.atEnd())
                failAt(cell.at, "this string is never closed");
            const char c = cursor_.peek();
            if (static_cast<unsigned char>(c) < 0x20)
                fail("a control character inside a string; write it as \\u00XX");
            cursor_.advance();
            if (c == '"')
                return cell;
            if (c != '\\') {
                cell.text += c;
                continue;
            }
            const TextPosition escapeAt = cursor_.position();
            const char e = cursor_.peek();
            cursor_.advance();
            switch (e) {
            case '"':
            case '\\':
            case '/':
                cell.text += e;
                break;
            case 'b':
                cell.text += '\b';
                break;
            case 'f':
                cell.text += '\f';
                break;
            case 'n':
                cell.text += '\n';
                break;
            case 'r':
                cell.text += '\r';
                break;
            case 't':
                cell.text += '\t';
                break;
            case 'u': {
                std::uint32_t code = readHex4();
                if (code >= 0xD800 && code <= 0xDBFF && cursor_.peek() == '\\') {
                    cursor_.advance();
                    expect('u');
                    const std::uint32_t low = readHex4();
                    if (low < 0xDC00 || low > 0xDFFF)
                        failAt(escapeAt, "a lone UTF-16 surrogate in \\u escapes");
                    code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
                } else if (code >= 0xD800 && code <= 0xDFFF) {
                    failAt(escapeAt, "a lone UTF-16 surrogate in \\u escapes");
                }
                appendUtf8(cell.text, code);
                break;
            }
            default:
                failAt(escapeAt, "unknown escape in a string");
            }
        }
    }

    TextCursor cursor_;
    const std::string& source_;
};

} // namespace

std::vector<JsonObject> readJsonObjects(std::string_view text, const std::string& source) {
    return JsonReader(text, source).readTable();
}

} // namespace valmor::cli
