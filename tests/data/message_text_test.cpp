// Outside text in messages: what reaches a terminal.
#include <gtest/gtest.h>

#include <string>

#include "data/message_text.h"

namespace valmor::test {
namespace {

TEST(EscapeForMessage, EscapesControlsAndBrokenUtf8ByteByByte) {
    const struct {
        std::string bytes;
        std::string shown;
    } cases[] = {
        {"monsters.tat", "monsters.tat"},
        {"Orc \\ Ogre", "Orc \\ Ogre"},
        {"Ogre\x1b]0;pwned\x07", "Ogre\\x1B]0;pwned\\x07"},
        {std::string("a\0b", 3), "a\\x00b"},
        {"back\bspace\rline\n\t\x7f", "back\\x08space\\x0Dline\\x0A\\x09\\x7F"},
        {"caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x90\x89", "caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x90\x89"},
        {"\xc2\x9b"
         "31m",
         "\\xC2\\x9B31m"},                            // C1 control CSI
        {"\xc2\xa0", "\xc2\xa0"},                     // U+00A0 is no control
        {"caf\xe9", "caf\\xE9"},                      // ISO-8859-1, not UTF-8
        {"\xc3", "\\xC3"},                            // cut short
        {"\xc0\xaf", "\\xC0\\xAF"},                   // overlong
        {"\xed\xa0\x80", "\\xED\\xA0\\x80"},          // surrogate
        {"\xf4\x90\x80\x80", "\\xF4\\x90\\x80\\x80"}, // beyond U+10FFFF
        {"\xe2\x82", "\\xE2\\x82"},
        {"\x9b", "\\x9B"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(escapeForMessage(c.bytes), c.shown) << c.shown;
}

} // namespace
} // namespace valmor::test
