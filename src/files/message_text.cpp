#include "files/message_text.h"

#include <cstdint>

namespace valmor {

namespace {

void appendEscaped(std::string& out, unsigned char byte) {
    constexpr char kHex[] = "0123456789ABCDEF";
    out += "\\x";
    out += kHex[byte >> 4];
    out += kHex[byte & 0xF];
}

// The length of the valid UTF-8 sequence that starts `text`, 0 when it starts none:
// overlong forms, surrogates and code points above U+10FFFF are not valid.
std::size_t utf8SequenceLength(std::string_view text) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(0);
    std::size_t length = 0;
    std::uint32_t code = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        code = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        code = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        code = lead & 0x07;
    } else {
        return 0;
    }
    if (text.size() < length)
        return 0;
    for (std::size_t i = 1; i < length; ++i) {
        if ((byte(i) & 0xC0) != 0x80)
            return 0;
        code = (code << 6) | (byte(i) & 0x3F);
    }
    const bool overlong = (length == 3 && code < 0x800) || (length == 4 && code < 0x10000);
    const bool surrogate = code >= 0xD800 && code <= 0xDFFF;
    return overlong || surrogate || code > 0x10FFFF ? 0 : length;
}

// Whether the valid UTF-8 sequence at the start of `text` is a bidirectional control
// (U+061C, U+200E, U+200F, U+202A to U+202E, U+2066 to U+2069), which would turn the rest of
// a message around on the screen.
bool isBidiControl(std::string_view text, std::size_t length) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    if (length == 2)
        return byte(0) == 0xD8 && byte(1) == 0x9C;
    if (length != 3 || byte(0) != 0xE2)
        return false;
    const unsigned second = byte(1);
    const unsigned third = byte(2);
    return (second == 0x80 &&
            (third == 0x8E || third == 0x8F || (third >= 0xAA && third <= 0xAE))) ||
           (second == 0x81 && third >= 0xA6 && third <= 0xA9);
}

} // namespace

std::string escapeForMessage(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    for (std::size_t i = 0; i < bytes.size();) {
        const auto byte = static_cast<unsigned char>(bytes[i]);
        if (byte < 0x80) {
            if (byte < 0x20 || byte == 0x7F)
                appendEscaped(out, byte);
            else
                out += bytes[i];
            ++i;
            continue;
        }
        const std::size_t length = utf8SequenceLength(bytes.substr(i));
        // U+0080 to U+009F, the C1 controls, are C2 80 to C2 9F.
        const bool c1 =
            length == 2 && byte == 0xC2 && static_cast<unsigned char>(bytes[i + 1]) < 0xA0;
        const bool bidi = length != 0 && isBidiControl(bytes.substr(i), length);
        if (length == 0 || c1 || bidi) {
            const std::size_t escaped = c1 || bidi ? length : 1;
            for (std::size_t k = 0; k < escaped; ++k)
                appendEscaped(out, static_cast<unsigned char>(bytes[i + k]));
            i += escaped;
            continue;
        }
        out.append(bytes.substr(i, length));
        i += length;
    }
    return out;
}

} // namespace valmor
