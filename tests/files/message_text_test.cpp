// Outside text in messages: what reaches a terminal.
#include <gtest/gtest.h>

#include <string>

#include "files/message_text.h"

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
        {"\xe0\x80\xaf", "\\xE0\\x80\\xAF"},          // overlong '/' in three bytes
        {"\xe0\x9f\xbf", "\\xE0\\x9F\\xBF"},          // overlong U+07FF
        {"\xe0\xa0\x80", "\xe0\xa0\x80"},             // U+0800, the first of three
        {"\xf0\x80\x80\xaf", "\\xF0\\x80\\x80\\xAF"}, // overlong '/' in four bytes
        {"\xf0\x8f\xbf\xbf", "\\xF0\\x8F\\xBF\\xBF"}, // overlong U+FFFF
        {"\xf0\x90\x80\x80", "\xf0\x90\x80\x80"},     // U+10000, the first of four
        {"\xc2\x80", "\\xC2\\x80"},                   // U+0080, first C1 control
        {"\xc2\x9f", "\\xC2\\x9F"},                   // U+009F, last C1 control
        {"A\xe2\x80\xae"
         "BC",
         "A\\xE2\\x80\\xAEBC"}, // U+202E turns text around
        {"\xe2\x81\xa6x\xe2\x81\xa9", "\\xE2\\x81\\xA6x\\xE2\\x81\\xA9"}, // isolates
        {"\xd8\x9c\xe2\x80\x8f", "\\xD8\\x9C\\xE2\\x80\\x8F"},            // U+061C, U+200F
        {"\xe2\x80\xaf\xe2\x80\x8d", "\xe2\x80\xaf\xe2\x80\x8d"},         // U+202F, U+200D are not
        {"\xed\xa0\x80", "\\xED\\xA0\\x80"},                              // surrogate
        {"\xf4\x90\x80\x80", "\\xF4\\x90\\x80\\x80"},                     // beyond U+10FFFF
        {"\xe2\x82", "\\xE2\\x82"},
        {"\x9b", "\\x9B"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(escapeForMessage(c.bytes), c.shown) << c.shown;
}

} // namespace
} // namespace valmor::test
