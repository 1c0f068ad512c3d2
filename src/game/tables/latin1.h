// The record files store texts as ISO-8859-1 bytes; tables are UTF-8. One character of
// ISO-8859-1 is the Unicode code point of the same number.
#pragma once

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace valmor::tables {

std::string latin1ToUtf8(std::string_view latin1);

// A stored text (a monster's name, say) as UTF-8 without the blanks that pad it.
inline std::string storedText(std::string_view latin1) {
    return latin1ToUtf8(latin1.substr(0, latin1.find_last_not_of(' ') + 1));
}

// Whether two texts are equal when the letters A to Z count as a to z.
inline bool equalIgnoringCase(std::string_view a, std::string_view b) {
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [&](char x, char y) { return lower(x) == lower(y); });
}

// Appends the UTF-8 bytes of one Unicode code point.
void appendUtf8(std::string& out, std::uint32_t code);

// The ISO-8859-1 bytes of a UTF-8 text. Gives nothing, and says why in `problem`, for a
// text that is not valid UTF-8 or holds a character above U+00FF.
std::optional<std::string> utf8ToLatin1(std::string_view utf8, std::string& problem);

} // namespace valmor::tables
