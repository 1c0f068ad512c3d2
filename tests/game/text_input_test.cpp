// Sequential text reading: number tokens, text fields, and the item name list built on them.
#include <gtest/gtest.h>

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "game/item_list.h"
#include "game/text_input.h"
#include "support/temp_dir.h"

namespace valmor::test {
namespace {

TEST(TextScannerTest, NumbersEndAtBlanksCommasAndLineEnds) {
    const std::pair<std::string, std::vector<double>> cases[] = {
        {"1 2 3", {1, 2, 3}},
        {"1,2,3", {1, 2, 3}},
        {"1\r2\n3\r\n4", {1, 2, 3, 4}},
        {"  7 ,  8 ,9  ", {7, 8, 9}},
        {"\t4\t5\r\n", {4, 5}},
        {"\r\n\r\n\n  5\r\n\r\n", {5}},
        {"63,0,0\r\n0, 63, 0\n", {63, 0, 0, 0, 63, 0}},
        {"1,,2", {1, 0, 2}},
        {"-3 1.5 12abc 0", {-3, 1.5, 12, 0}},
        {"", {}},
        {" \r\n\t", {}},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(rowName(cases, row));
        const auto& [text, numbers] = row;
        TextScanner scanner(text, "mypal.pal");
        for (const double expected : numbers)
            EXPECT_EQ(scanner.readNumber(), expected) << '"' << text << '"';
        EXPECT_EQ(errorKindOf([&] { scanner.readNumber(); }), ErrorKind::InputPastEndOfFile)
            << '"' << text << '"';
    }
}

TEST(TextScannerTest, FieldsFollowTheQuoteAndCommaRules) {
    const std::pair<std::string, std::vector<std::string>> cases[] = {
        {"Sword\nShield\n", {"Sword", "Shield"}},
        {"Sword\r\nShield", {"Sword", "Shield"}},
        {"Sword\rShield\r", {"Sword", "Shield"}},
        {"Sword, Shield", {"Sword", "Shield"}},
        {"\"Sword, Shield\"\nAxe", {"Sword, Shield", "Axe"}},
        {"a,,b", {"a", "", "b"}},
        {",x", {"", "x"}},
        {"  Long Sword  \t\nAxe  ,Bow", {"Long Sword", "Axe", "Bow"}},
        {"\"x\" junk,y", {"x", "y"}},
        {"\"  padded  \"", {"  padded  "}},
        {"\"two\r\nlines\",z", {"two\r\nlines", "z"}},
        {"\"q\"\r\nr", {"q", "r"}},
        {"\"\",n", {"", "n"}},
        {"\xE9p\xE9\x65\xFF\n", {"\xE9p\xE9\x65\xFF"}},
        {"", {}},
        {"   ", {}},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(rowName(cases, row));
        const auto& [text, fields] = row;
        TextScanner scanner(text, "itemlist.txt");
        for (const std::string& expected : fields) {
            SCOPED_TRACE(rowName(fields, expected));
            EXPECT_EQ(scanner.readField(), expected) << '"' << text << '"';
        }
        EXPECT_EQ(errorKindOf([&] { scanner.readField(); }), ErrorKind::InputPastEndOfFile)
            << '"' << text << '"';
    }
}

std::string itemLines(int from, int to, const char* lineEnd = "\r\n") {
    std::string text;
    for (int k = from; k < to; ++k)
        text += "Item" + std::to_string(k) + lineEnd;
    return text;
}

using ItemListTest = TempDirTest;

TEST_F(ItemListTest, FirstHundredFieldsAreTheNames) {
    using Names = std::array<std::string, 3>; // positions 0, 1 and 99
    const std::pair<std::string, std::optional<Names>> cases[] = {
        {itemLines(0, 100), Names{"Item0", "Item1", "Item99"}},
        {itemLines(0, 100, "\n"), Names{"Item0", "Item1", "Item99"}},
        {itemLines(0, 101), Names{"Item0", "Item1", "Item99"}},
        {itemLines(0, 98) + "Item98,Item99", Names{"Item0", "Item1", "Item99"}},
        {"\"Sword, Shield\"\r\n" + itemLines(1, 100), Names{"Sword, Shield", "Item1", "Item99"}},
        {"Sword, Shield\r\n" + itemLines(1, 100), Names{"Sword", "Shield", "Item98"}},
        {itemLines(0, 99), std::nullopt},
        {itemLines(0, 98) + "Item98,", std::nullopt},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(rowName(cases, row));
        const auto& [text, names] = row;
        writeText(file("itemlist.txt"), text);
        if (!names) {
            EXPECT_EQ(errorKindOf([&] { loadItemNames(file("itemlist.txt")); }),
                      ErrorKind::InputPastEndOfFile);
            continue;
        }
        const std::vector<std::string> got = loadItemNames(file("itemlist.txt"));
        ASSERT_EQ(got.size(), 100u);
        EXPECT_EQ((Names{got[0], got[1], got[99]}), *names);
    }
    EXPECT_EQ(errorKindOf([&] { loadItemNames(file("missing.txt")); }), ErrorKind::FileNotFound);
    EXPECT_EQ(errorKindOf([&] { TextInputFile input(file("missing.txt")); }),
              ErrorKind::FileNotFound);
}

} // namespace
} // namespace valmor::test
