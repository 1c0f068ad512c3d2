#include "game/tables/latin1.h"

#include <cstdint>
#include <cstdio>

namespace valmor::tables {

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

std::string latin1ToUtf8(std::string_view latin1) {
    std::string utf8;
    utf8.reserve(latin1.size());
    for (const char c : latin1)
        appendUtf8(utf8, static_cast<unsigned char>(c));
    return utf8;
}

namespace {

// Decodes the UTF-8 sequence at `at`, strictly: no overlong forms, no surrogates, nothing
// above U+10FFFF. Gives -1 for an invalid sequence.
std::int32_t decodeUtf8(std::string_view text, std::size_t& at) {
    const auto lead = static_cast<unsigned char>(text[at++]);
    if (lead < 0x80)
        return lead;
    int extra = 0;
    std::int32_t code = 0;
    std::int32_t least = 0;
    if ((lead & 0xE0) == 0xC0) {
        extra = 1, code = lead & 0x1F, least = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        extra = 2, code = lead & 0x0F, least = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        extra = 3, code = lead & 0x07, least = 0x10000;
    } else {
        return -1;
    }
    for (int i = 0; i < extra; ++i) {
        if (at >= text.size() || (static_cast<unsigned char>(text[at]) & 0xC0) != 0x80)
            return -1;
        code = code << 6 | (static_cast<unsigned char>(text[at++]) & 0x3F);
    }
    if (code < least || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
        return -1;
    return code;
}

} // namespace

std::optional<std::string> utf8ToLatin1(std::string_view utf8, std::string& problem) {
    std::string latin1;
    latin1.reserve(utf8.size());
    std::size_t at = 0;
    while (at < utf8.size()) {
        const std::size_t start = at;
        const std::int32_t code = decodeUtf8(utf8, at);
        if (code < 0) {
            problem = "is not valid UTF-8 (save the table as UTF-8)";
            return std::nullopt;
        }
        if (code > 0xFF) {
            char name[16];
            std::snprintf(name, sizeof name, "U+%04X", static_cast<unsigned>(code));
            problem = "holds the character " + std::string(utf8.substr(start, at - start)) + " (" +
                      name + "), which ISO-8859-1 cannot store";
            return std::nullopt;
        }
        latin1 += static_cast<char>(code);
    }
    return latin1;
}

} // namespace valmor::tables
