// The battle estimate: level factors, combat values, damages and hits, with their checks.
#include <gtest/gtest.h>

#include <array>
#include <limits>
#include <optional>
#include <string>

#include "balance/battle.h"
#include "files/error.h"
#include "game/conversions.h"
#include "support/temp_dir.h"

namespace valmor::test {
namespace {

// The twelve input texts, character first, as the calculator reads them.
struct Inputs {
    const char *chLvl, *chStr, *chAgi, *chDam, *chDef, *chHP;
    const char *level, *str, *agi, *offMax, *def, *hp;
};

// The four result texts, computed the way the calculator does: the hits divide by the damage
// as displayed, not by the unrounded difference.
std::array<std::string, 4> calculate(const Inputs& in) {
    const auto p = [](const char* text) { return ParseNumber(text); };
    const float charAttack = combatValue(p(in.chDam), p(in.chStr), p(in.chLvl));
    const float charDefense = combatValue(p(in.chDef), p(in.chAgi), p(in.chLvl));
    const float monsterAttack = combatValue(p(in.offMax), p(in.str), p(in.level));
    const float monsterDefense = combatValue(p(in.def), p(in.agi), p(in.level));
    std::array<std::string, 4> out;
    out[0] = FormatSingle(damage(charAttack, monsterDefense));
    out[1] = FormatSingle(damage(monsterAttack, charDefense));
    out[2] = FormatDouble(hitsToKill(p(in.hp), ParseNumber(out[0])));
    out[3] = FormatDouble(hitsToKill(p(in.chHP), ParseNumber(out[1])));
    return out;
}

TEST(BattleCalculator, WorkedExampleGivesTheExpectedTexts) {
    EXPECT_EQ(combatValue(9, 20, 10), 13.0f);
    EXPECT_EQ(combatValue(3, 15, 10), 4.16666651f);
    EXPECT_EQ(combatValue(8, 30, 20), 15.0f);
    EXPECT_EQ(combatValue(2, 10, 20), 3.25f);
    const Inputs example{"10", "20", "15", "9", "3", "50", "20", "30", "10", "8", "2", "39"};
    const std::array<std::string, 4> expected{"9.75", "10.83333", "4", "4.6153860355034"};
    EXPECT_EQ(calculate(example), expected);
}

TEST(BattleCalculator, PlainLevelsAndNegativeDamage) {
    // Levels, strengths and agilities 0 keep the base values; a defense above the attack
    // gives negative damage and negative hits.
    struct Case {
        Inputs inputs;
        std::array<std::string, 4> expected;
    };
    const Case cases[] = {
        {{"0", "0", "0", "10", "0", "30", "0", "0", "0", "5", "4", "12"}, {"6", "5", "2", "6"}},
        {{"0", "0", "0", "2", "0", "30", "0", "0", "0", "5", "4", "12"}, {"-2", "5", "-6", "6"}},
        {{"0", "0", "10", "2", "1", "7", "0", "0", "0", "1", "0", "1"},
         {"2", "-0.1", "0.5", "-70"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(rowName(cases, c));
        EXPECT_EQ(calculate(c.inputs), c.expected) << c.inputs.chDam << " vs " << c.inputs.def;
    }
}

TEST(BattleLevelFactor, CountsTheLevelTwice) {
    struct Case {
        double stat, level, expected;
    };
    const Case cases[] = {
        {0, 0, 1}, {50, 0, 1.5}, {20, 120, -12}, {7, 99, 206}, {-100, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(rowName(cases, c));
        EXPECT_EQ(levelFactor(c.stat, c.level), c.expected) << c.stat << ", " << c.level;
    }
    EXPECT_EQ(levelFactor(-300, 100), -std::numeric_limits<double>::infinity());
    EXPECT_EQ(combatValue(9, 20, 120), -108.0f);
    EXPECT_EQ(combatValue(1e-50, 0, 0), 0.0f) << "underflow is not an error";
}

TEST(BattleChecks, RaiseTheErrorOfTheirOwnStep) {
    constexpr double kMax = std::numeric_limits<double>::max();
    constexpr float kInfF = std::numeric_limits<float>::infinity();
    const auto divide = ErrorKind::DivisionByZero;
    const auto overflow = ErrorKind::Overflow;
    struct Case {
        const char* what;
        std::optional<ErrorKind> error;
        std::optional<ErrorKind> expected;
    };
    const Case cases[] = {
        {"level 100", errorKindOf([] { combatValue(9, 20, 100); }), divide},
        {"level 100, base 0", errorKindOf([] { combatValue(0, 20, 100); }), divide},
        {"level 100, strength -200", errorKindOf([] { combatValue(9, -200, 100); }), overflow},
        {"product beyond single", errorKindOf([] { combatValue(1e300, 0, 0); }), overflow},
        {"negative beyond single", errorKindOf([] { combatValue(-3.5e38, 0, 0); }), overflow},
        {"sum beyond double", errorKindOf([] { combatValue(1, kMax, kMax); }), overflow},
        {"inf - inf", errorKindOf([] { damage(kInfF, kInfF); }), overflow},
        {"attack equals defense", errorKindOf([] { damage(3.25f, 3.25f); }), std::nullopt},
        {"hits with damage 0", errorKindOf([] { hitsToKill(39, 0); }), divide},
        {"hits 0 / 0", errorKindOf([] { hitsToKill(0, 0); }), overflow},
        {"hits beyond double", errorKindOf([] { hitsToKill(1e300, 1e-300); }), overflow},
        {"negative hits", errorKindOf([] { EXPECT_EQ(hitsToKill(39, -2), -19.5); }), std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(rowName(cases, c));
        EXPECT_EQ(c.error, c.expected) << c.what;
    }
}

TEST(BattleChecks, EmptyBoxesStopAtTheFirstHitsStep) {
    const Inputs empty{"", "", "", "", "", "", "", "", "", "", "", ""};
    EXPECT_EQ(errorKindOf([&] { calculate(empty); }), ErrorKind::Overflow);
    EXPECT_EQ(FormatSingle(damage(combatValue(0, 0, 0), combatValue(0, 0, 0))), "0");
}

} // namespace
} // namespace valmor::test
