// JSON tables: an array of objects, one object per record, each value a number or a
// string. Only this shape is read; any JSON is parsed, so that a value of the wrong type
// is reported where it stands.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "cli/text_table.h"

namespace valmor::cli {

// Appends a JSON string literal; control characters are escaped, the rest stays UTF-8.
void appendJsonString(std::string& out, std::string_view utf8);

struct JsonObject {
    TextPosition at;
    std::vector<Cell> keys;
    std::vector<Cell> values; // one per key
};

// The objects of a top-level array. Throws ImportError, naming `source`, at the first
// syntax error or at an array element that is not an object.
std::vector<JsonObject> readJsonObjects(std::string_view text, const std::string& source);

} // namespace valmor::cli
