// JSON tables: an array of objects, one object per record, each value a number or a
// string. Only this shape is read; any JSON is parsed, so that a value of the wrong type
// is reported where it stands.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "game/tables/text_stream.h"
#include "game/tables/text_table.h"

namespace valmor::tables {

// Appends a JSON string literal; control characters are escaped, the rest stays UTF-8.
void appendJsonString(std::string& out, std::string_view utf8);

struct JsonObject {
    TextPosition at;
    std::vector<Cell> keys;
    std::vector<Cell> values; // one per key
};

// Reads the objects of a top-level array one at a time. Throws ImportError at the first
// syntax error, at an array element that is not an object, and at a key, string or
// number over kMaxTokenBytes or an object over kMaxRowBytes.
class JsonReader {
public:
    explicit JsonReader(TextStream& text);

    // The next object into `object`; false after the closing bracket, once the rest of
    // the text has been checked to hold nothing more.
    bool next(JsonObject& object);

private:
    [[noreturn]] void fail(std::string message) const;
    void advance() { text_.advance(); }
    void skipSpace();
    void expect(char c);
    bool endOfList(char close);
    void finish();
    void readObject(JsonObject& object);
    Cell readKey();
    Cell readValue(int depth);
    void skipContainer(int depth);
    Cell readNumber();
    std::uint32_t readHex4();
    Cell readString(const char* what = "string");
    void checkTokenLength(const Cell& token, std::uint64_t start, const char* what);

    TextStream& text_;
    bool begun_ = false;
    bool ended_ = false;
    // The object being read, whose length is checked between its tokens.
    bool inObject_ = false;
    std::uint64_t objectStart_ = 0;
    TextPosition objectAt_;
};

} // namespace valmor::tables
