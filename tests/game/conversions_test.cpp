// Control texts to numbers and numbers to texts.
#include <gtest/gtest.h>

#include <cfloat>
#include <clocale>
#include <cmath>
#include <limits>
#include <optional>
#include <string>

#include "files/error.h"
#include "game/conversions.h"
#include "support/temp_dir.h"

namespace valmor::test {
namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();

TEST(ConversionParseNumber, ReadsTheNumberAtTheStart) {
    struct Case {
        const char* text;
        double expected;
    };
    const Case cases[] = {
        {"", 0},
        {"abc", 0},
        {"-", 0},
        {".", 0},
        {"12abc", 12},
        {"1e3", 1000},
        {"1.5.2", 1.5},
        {"1,5", 1},
        {"- 3", -3},
        {"1 2", 12},
        {"\t4\n2 ", 42},
        {"12\r5", 12},
        {"+7", 7},
        {".5", 0.5},
        {"5.", 5},
        {"2.5e-1", 0.25},
        {"1D2", 100},
        {"1d-2", 0.01},
        {"1e", 1},
        {"1e+", 1},
        {"1.5e3.2", 1500},
        {"0.000000000000000000000000000001e30", 1},
        {"0e99999", 0},
        {"1e-400", 0},
        {"1e-99999999999999999999999", 0},
        {"1.7976931348623157e308", DBL_MAX},
        {"4.9406564584124654e-324", std::numeric_limits<double>::denorm_min()},
        {"&H10", 16},
        {"&h1fX", 31},
        {"&H7FFF", 32767},
        {"&H8000", -32768},
        {"&HFFFF", -1},
        {"&H0000FFFF", -1},
        {"&H10000", 65536},
        {"&H7FFFFFFF", 2147483647},
        {"&HFFFFFFFF", -1},
        {"&O17", 15},
        {"&o177777", -1},
        {"&O8", 0},
        {"&H", 0},
        {"&12", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(rowName(cases, c));
        EXPECT_EQ(ParseNumber(c.text), c.expected) << '"' << c.text << '"';
    }
}

TEST(ConversionParseNumber, OverflowsBeyondTheDoubleOr32BitRange) {
    for (const char* text : {"1e400", "-1e400", "1.8e308", "1D309", "1e99999999999999999999",
                             "&H100000000", "&O40000000000", "&H0FFFFFFFFF"})
        EXPECT_EQ(errorKindOf([&] { ParseNumber(text); }), ErrorKind::Overflow) << text;
}

TEST(ConversionToInt16, RoundsHalvesToEvenWithinRange) {
    struct Case {
        double value;
        int expected;
    };
    const Case cases[] = {
        {2.5, 2},
        {3.5, 4},
        {-2.5, -2},
        {0.5, 0},
        {1.5, 2},
        {-0.4, 0},
        {0.49999999999999994, 0},
        {32767.4, 32767},
        {32766.5, 32766},
        {-32768.5, -32768},
        {-32768, -32768},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(rowName(cases, c));
        EXPECT_EQ(ToInt16(c.value), c.expected) << c.value;
    }
    for (double value : {32767.5, 40000.0, -32768.51, -32769.0, kInf, -kInf, std::nan("")})
        EXPECT_EQ(errorKindOf([&] { ToInt16(value); }), ErrorKind::Overflow) << value;
}

TEST(ConversionTextToInt16, IsStricterThanParseNumber) {
    struct Case {
        const char* text;
        double parsed;
        int expected; // when no error
        std::optional<ErrorKind> error;
    };
    const auto mismatch = ErrorKind::TypeMismatch;
    const auto overflow = ErrorKind::Overflow;
    const Case cases[] = {
        {"12abc", 12, 0, mismatch},
        {"", 0, 0, mismatch},
        {"   ", 0, 0, mismatch},
        {"1 2", 12, 0, mismatch},
        {"- 3", -3, 0, mismatch},
        {"1,5", 1, 0, mismatch},
        {"1e", 1, 0, mismatch},
        {".", 0, 0, mismatch},
        {"&H", 0, 0, mismatch},
        {"\t5", 5, 0, mismatch},
        {"  42  ", 42, 42, {}},
        {"+5", 5, 5, {}},
        {"-17", -17, -17, {}},
        {"1e3", 1000, 1000, {}},
        {"2.5D0", 2.5, 2, {}},
        {".5", 0.5, 0, {}},
        {"5.", 5, 5, {}},
        {"&HFFFF", -1, -1, {}},
        {"&o777", 511, 511, {}},
        {"&HFFFFFFFF", -1, -1, {}},
        {"&H10000", 65536, 0, overflow},
        {"40000", 40000, 0, overflow},
        {"-32768.5", -32768.5, -32768, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(rowName(cases, c));
        EXPECT_EQ(ParseNumber(c.text), c.parsed) << '"' << c.text << '"';
        if (c.error)
            EXPECT_EQ(errorKindOf([&] { TextToInt16(c.text); }), c.error) << '"' << c.text << '"';
        else
            EXPECT_EQ(TextToInt16(c.text), c.expected) << '"' << c.text << '"';
    }
    // A malformed text is a type mismatch even when its number part would overflow.
    EXPECT_EQ(errorKindOf([] { TextToInt16("1e400x"); }), mismatch);
    EXPECT_EQ(errorKindOf([] { TextToInt16("1e400"); }), overflow);
}

TEST(ConversionFormat, WritesIntegersAndDoubles) {
    EXPECT_EQ(FormatInt(0), "0");
    EXPECT_EQ(FormatInt(-5), "-5");
    EXPECT_EQ(FormatInt(-32768), "-32768");
    struct Case {
        double value;
        const char* expected;
    };
    const Case cases[] = {
        {3, "3"},
        {12.5, "12.5"},
        {1.0 / 3, "0.333333333333333"},
        {-2.0 / 3, "-0.666666666666667"},
        {50 / 10.83333, "4.6153860355034"},
        {0, "0"},
        {-0.0, "0"},
        {0.0001, "0.0001"},
        {0.000123, "0.000123"},
        {0.00001, "1E-05"},
        {999999999999999, "999999999999999"},
        {999999999999999.9, "1E+15"},
        {1e15, "1E+15"},
        {1.5e20, "1.5E+20"},
        {-123456789012345678.0, "-1.23456789012346E+17"},
        {1.23456789012345e100, "1.23456789012345E+100"},
        {std::numeric_limits<double>::denorm_min(), "4.94065645841247E-324"},
        {DBL_MAX, "1.79769313486231E+308"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(rowName(cases, c));
        EXPECT_EQ(FormatDouble(c.value), c.expected) << c.value;
    }
}

TEST(ConversionFormat, WritesSingles) {
    struct Case {
        double value;
        const char* expected;
    };
    const Case cases[] = {
        {1.0 / 3, "0.3333333"},
        {6.25, "6.25"},
        {10.833333349, "10.83333"},
        {0.1, "0.1"},
        {9999999, "9999999"},
        {1e7, "1E+07"},
        {16777217, "1.677722E+07"},
        {0.00001, "1E-05"},
        {-0.5, "-0.5"},
        {3.5e38, "Infinity"},
        {-1e300, "-Infinity"},
        {1e-50, "0"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(rowName(cases, c));
        EXPECT_EQ(FormatSingle(c.value), c.expected) << c.value;
    }
}

TEST(ConversionFormat, DoubleTextsReadBack) {
    for (double value : {1.0 / 3, -2.0 / 7, 1e-300, 6.02214076e23, 1e15, 0.1 + 0.2, DBL_MAX,
                         -DBL_MAX, std::numeric_limits<double>::denorm_min()}) {
        const std::string text = FormatDouble(value);
        const double back = ParseNumber(text);
        EXPECT_EQ(FormatDouble(back), text);
        EXPECT_NEAR(back, value, std::fabs(value) * 1e-14) << text;
    }
}

TEST(ConversionLocale, PointIsTheSeparatorInEveryLocale) {
    const char* set = nullptr;
    for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "de_DE", "fr_FR.UTF-8"}) {
        if ((set = std::setlocale(LC_ALL, name)))
            break;
    }
    if (!set)
        GTEST_SKIP() << "no locale with a decimal comma is installed";
    EXPECT_EQ(ParseNumber("1.5"), 1.5);
    EXPECT_EQ(ParseNumber("1,5"), 1);
    EXPECT_EQ(TextToInt16("2.5"), 2);
    EXPECT_EQ(errorKindOf([] { TextToInt16("2,5"); }), ErrorKind::TypeMismatch);
    EXPECT_EQ(FormatDouble(12.5), "12.5");
    EXPECT_EQ(FormatSingle(1.0 / 3), "0.3333333");
    std::setlocale(LC_ALL, "C");
}

} // namespace
} // namespace valmor::test
