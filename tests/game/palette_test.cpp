// Loading "mypal.pal" and building the colour table from its levels.
#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "game/palette.h"
#include "support/temp_dir.h"

namespace valmor::test {
namespace {

class PaletteTest : public TempDirTest {
protected:
    // Loads a palette of `count` numbers, three to a line, the first ones taken from `head`.
    PaletteLevels load(const std::vector<std::string>& head, int count = 768,
                       const std::string& tail = "") {
        std::string text;
        for (int i = 0; i < count; ++i)
            text +=
                (i < static_cast<int>(head.size()) ? head[i] : "0") + (i % 3 == 2 ? "\r\n" : ",");
        writeText(file("mypal.pal"), text + tail);
        return loadPalette(file("mypal.pal"));
    }
};

TEST_F(PaletteTest, ColourValuesOfTheWorkedLevels) {
    const std::pair<std::vector<std::string>, double> cases[] = {
        {{"63", "0", "0"}, 252},        {{"0", "63", "0"}, 64512}, {{"0", "0", "63"}, 16515072},
        {{"63", "63", "63"}, 16579836}, {{"1", "1", "1"}, 263172}, {{"64", "0", "0"}, 256},
        {{"0", "0", "64"}, 16777216},   {{"-1", "0", "0"}, -4},
    };
    std::vector<std::string> head;
    for (const auto& row : cases) {
        SCOPED_TRACE(rowName(cases, row));
        const auto& [levels, colour] = row;
        head.insert(head.end(), levels.begin(), levels.end());
    }
    const ColourTable table = makeColorFromRGB(load(head));
    for (std::size_t i = 0; i < std::size(cases); ++i)
        EXPECT_EQ(table[i], cases[i].second) << i;
    const PaletteLevels all63 = load(std::vector<std::string>(768, "63"));
    EXPECT_EQ(all63.paletteRed[256] | all63.paletteGreen[256] | all63.paletteBlue[256], 0);
    const ColourTable grey = makeColorFromRGB(all63);
    EXPECT_EQ(std::count(grey.begin(), grey.end() - 1, 16579836.0), 256);
    EXPECT_EQ(grey[256], 0.0);
}

TEST_F(PaletteTest, ExactlyTheFirst768NumbersAreRead) {
    EXPECT_EQ(errorKindOf([&] { load({}, 767); }), ErrorKind::InputPastEndOfFile);
    EXPECT_EQ(errorKindOf([&] { load({}, 0); }), ErrorKind::InputPastEndOfFile);
    // A 769th number that would overflow if it were read.
    EXPECT_EQ(load({}, 768, "99999\r\n").paletteBlue[255], 0);
    EXPECT_EQ(errorKindOf([&] { loadPalette(file("none.pal")); }), ErrorKind::FileNotFound);
}

TEST_F(PaletteTest, LevelTokensAreReadAndScaledInSixteenBits) {
    constexpr int kOverflow = 1; // never a scaled level
    const std::pair<std::string, int> cases[] = {
        {"8191", 32764},      {"8192", kOverflow}, {"-8192", -32768}, {"-8193", kOverflow},
        {"40000", kOverflow}, {"1.5", 8},          {"2.5", 8},        {"3.5", 16},
        {"-0.4", 0},          {"abc", 0},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(rowName(cases, row));
        const auto& [token, component] = row;
        std::vector<std::string> head(768, "0");
        head[0] = head[767] = token;
        if (component == kOverflow) {
            EXPECT_EQ(errorKindOf([&] { load(head); }), ErrorKind::Overflow) << token;
            continue;
        }
        const PaletteLevels levels = load(head);
        EXPECT_EQ(levels.paletteRed[0], component) << token;
        EXPECT_EQ(levels.paletteBlue[255], component) << token;
    }
}

TEST(ColourTableTest, ThirtyTwoBitArithmeticIsChecked) {
    struct Case {
        std::int16_t red, green, blue;
        std::optional<double> colour; // nothing: Overflow
    };
    const Case cases[] = {
        {0, 1024, 32764, std::nullopt},    {1020, 1020, 32764, 2147483644.0},
        {1023, 1020, 32764, 2147483647.0}, {1024, 1020, 32764, std::nullopt},
        {0, 0, -32768, -2147483648.0},     {-4, 0, -32768, std::nullopt},
        {0, -4, -32768, std::nullopt},     {32764, 32764, 252, 24935420.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(rowName(cases, c));
        PaletteLevels levels;
        levels.paletteRed[255] = c.red;
        levels.paletteGreen[255] = c.green;
        levels.paletteBlue[255] = c.blue;
        double colour = 0;
        const auto error = errorKindOf([&] { colour = makeColorFromRGB(levels)[255]; });
        EXPECT_EQ(error, c.colour ? std::nullopt : std::optional(ErrorKind::Overflow));
        EXPECT_EQ(colour, c.colour.value_or(0)) << c.red << "," << c.green << "," << c.blue;
    }
}

} // namespace
} // namespace valmor::test
