// The balance model: the calculator's steps as the window runs them, two maps worked by
// hand (the README's example), and every verdict, empty maps included.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "balance/balance.h"
#include "balance/battle_estimate.h"
#include "demo/tables.h"
#include "support/monster_builder.h"
#include "support/row_name.h"

namespace valmor::test {
namespace {

MonsterRecord monster(std::int16_t hp, std::int16_t def, std::int16_t offMax, std::int16_t exp,
                      std::int16_t gold, std::int16_t item1 = -1, std::int16_t item1Perc = 0,
                      std::int16_t item2 = -1, std::int16_t item2Perc = 0) {
    return battleMonster(hp, def, offMax, exp, gold, item1, item1Perc, item2, item2Perc);
}

EncounterRecord map(std::array<std::int16_t, 5> monsters, std::array<std::int16_t, 5> frequencies,
                    std::array<std::int16_t, 3> groups) {
    return {monsters, frequencies, groups};
}

// Level, strength and agility 0 make every combat value its base value: attack = item
// damage or Off Max, defense = item defense or def.
const CharacterProfile kHero{"hero", 0, 0, 0, 10, 2, 100};

// Monster 0: 10 - 5 = 5 damage, 20 / 5 = 4 hits; it hits for 6 - 2 = 4.
// Monster 1: 10 - 6 = 4 damage, 9 / 4 = 2.25, so 3 hits; it hits for 12 - 2 = 10.
// Monster 2: 10 - 8 = 2 damage, 10 / 2 = 5 hits; it hits for 3 - 2 = 1.
const std::vector<MonsterRecord> kMonsters{
    monster(20, 5, 6, 10, 4, 7, 50),
    monster(9, 6, 12, 30, 20, 7, 100, 8, 20),
    monster(10, 8, 3, 4, 2),
};

std::vector<MonsterBattle> battles(const CharacterProfile& character,
                                   const std::vector<MonsterRecord>& monsters) {
    std::vector<MonsterBattle> list;
    for (const MonsterRecord& m : monsters) {
        SCOPED_TRACE(rowName(monsters, m));
        list.push_back(battleAgainst(character, m));
    }
    return list;
}

MapOutcome outcome(const EncounterRecord& record,
                   const std::vector<MonsterRecord>& monsters = kMonsters,
                   const CharacterProfile& character = kHero) {
    return mapOutcome(1, record, monsters, battles(character, monsters), character.hp);
}

TEST(BalanceModelTest, GroupsOfOneAndThreeWorkedByHand) {
    // P(0) = 3/4, P(1) = 1/4; P(1 monster) = P(3 monsters) = 1/2, so E[k] = 2.
    // E[h] = 3.75, E[d] = 5.5, E[h d] = 0.75 x 16 + 0.25 x 30 = 19.5.
    // Damage: 1/2 x 19.5 + 1/2 x (3 x 19.5 + 3 x 3.75 x 5.5) = 69.9375.
    // Worst: 3 of monster 1: 3 x 10 x 6 = 180, 180 % of 100 HP.
    // Defeat: one monster does at most 30; of the groups of three only three of monster 0
    // stay below 100 (4 x 12 + 4 x 8 + 4 x 4 = 96): 1/2 x (1 - 0.75^3) = 0.2890625.
    const MapOutcome o = outcome(map({0, 1, 0, 0, 0}, {3, 1, 0, 0, 0}, {1, 0, 1}));
    EXPECT_EQ(o.verdict, Verdict::Risky);
    ASSERT_EQ(o.monsters.size(), 2u);
    EXPECT_EQ(o.monsters[0].monster, 0);
    EXPECT_DOUBLE_EQ(o.monsters[0].chance, 0.75);
    EXPECT_DOUBLE_EQ(o.monsters[1].chance, 0.25);
    EXPECT_DOUBLE_EQ(o.group, 2);
    EXPECT_DOUBLE_EQ(*o.hits, 7.5);
    EXPECT_DOUBLE_EQ(o.exp, 30);  // 2 x (0.75 x 10 + 0.25 x 30)
    EXPECT_DOUBLE_EQ(o.gold, 16); // 2 x (0.75 x 4 + 0.25 x 20)
    EXPECT_DOUBLE_EQ(*o.damage, 69.9375);
    EXPECT_DOUBLE_EQ(*o.damagePercent, 69.9375);
    EXPECT_DOUBLE_EQ(*o.worstPercent, 180);
    EXPECT_DOUBLE_EQ(*o.defeatPercent, 28.90625);
    ASSERT_EQ(o.drops.size(), 2u);
    EXPECT_EQ(o.drops[0].item, 7);
    EXPECT_DOUBLE_EQ(o.drops[0].expected, 1.25); // 2 x (0.75 x 0.5 + 0.25 x 1)
    EXPECT_EQ(o.drops[1].item, 8);
    EXPECT_DOUBLE_EQ(o.drops[1].expected, 0.1); // 2 x 0.25 x 0.2
}

TEST(BalanceModelTest, MonsterInTwoSlotsWorkedByHand) {
    // Monster 2 in slots 0 and 3 (40 + 20), monster 0 in slot 1 (40); slot 2 names no
    // record and slot 4 has a negative frequency, so neither counts. The third group
    // weight is negative and counts as 0: P(1) = P(2) = 1/2, E[k] = 1.5.
    // E[h] = 0.6 x 5 + 0.4 x 4 = 4.6, E[d] = 0.6 x 1 + 0.4 x 4 = 2.2,
    // E[h d] = 0.6 x 5 + 0.4 x 16 = 9.4.
    // Damage: 1/2 x 9.4 + 1/2 x (2 x 9.4 + 1 x 4.6 x 2.2) = 19.16.
    // Worst: 2 of monster 0: 4 x 4 x 3 = 48, so no draw defeats the character.
    const MapOutcome o = outcome(map({2, 0, 99, 2, 1}, {40, 40, 50, 20, -5}, {2, 2, -4}));
    EXPECT_EQ(o.verdict, Verdict::Safe);
    ASSERT_EQ(o.monsters.size(), 2u);
    EXPECT_EQ(o.monsters[0].monster, 2);
    EXPECT_NEAR(o.monsters[0].chance, 0.6, 1e-12);
    EXPECT_EQ(o.monsters[1].monster, 0);
    EXPECT_NEAR(o.monsters[1].chance, 0.4, 1e-12);
    EXPECT_DOUBLE_EQ(o.group, 1.5);
    EXPECT_NEAR(*o.hits, 6.9, 1e-12);
    EXPECT_NEAR(o.exp, 9.6, 1e-12);
    EXPECT_NEAR(o.gold, 4.2, 1e-12);
    EXPECT_NEAR(*o.damagePercent, 19.16, 1e-12);
    EXPECT_NEAR(*o.worstPercent, 48, 1e-12);
    EXPECT_EQ(*o.defeatPercent, 0);
    ASSERT_EQ(o.drops.size(), 1u);
    EXPECT_NEAR(o.drops[0].expected, 0.3, 1e-12); // 1.5 x 0.4 x 0.5
}

TEST(BalanceModelTest, ItemZeroDropsAndAMonsterWithoutHpTakesOneHit) {
    // Each map holds one monster alone, in groups of one; 10 - 5 = 5 damage a hit.
    const struct {
        const char* name;
        MonsterRecord monster;
        double hits;
        std::vector<int> items;
    } cases[] = {
        {"item 0 drops like any other", monster(20, 5, 6, 1, 1, 0, 50, -1, 100), 4, {0}},
        {"items below 0 drop nothing", monster(20, 5, 6, 1, 1, -2, 100, -1, 100), 4, {}},
        {"HP 0 still takes a hit", monster(0, 5, 6, 1, 1), 1, {}},
        {"HP below 0 still takes a hit", monster(-30, 5, 6, 1, 1), 1, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const MapOutcome o = outcome(map({0, 0, 0, 0, 0}, {1, 0, 0, 0, 0}, {1, 0, 0}), {c.monster});
        ASSERT_TRUE(o.hits.has_value());
        EXPECT_DOUBLE_EQ(*o.hits, c.hits);
        std::vector<int> items;
        for (const ItemDrop& drop : o.drops)
            items.push_back(drop.item);
        EXPECT_EQ(items, c.items);
    }
}

TEST(BalanceModelTest, TheOrderOfTheDrawDecidesTheDefeat) {
    // Map 1 of the worked example, groups of three. Monster 0: h 4, d 4; monster 1: h 3, d 10.
    // While the first is fought all three hit back, so a strong monster last hurts most.
    const EncounterRecord record = map({0, 1, 0, 0, 0}, {3, 1, 0, 0, 0}, {1, 0, 1});
    const MapOutcome o = outcome(record);
    const std::vector<MonsterBattle> list = battles(kHero, kMonsters);
    const BattleLookup battleOf = [&](int n) -> const MonsterBattle& {
        return list[static_cast<std::size_t>(n)];
    };
    struct Draw {
        std::vector<int> monsters;
        double chance;
        double damage;
    };
    const Draw expected[] = {
        {{0}, 0.375, 16},
        {{1}, 0.125, 30},
        {{0, 0, 0}, 0.2109375, 96},  // 4 x 12 + 4 x 8 + 4 x 4
        {{0, 0, 1}, 0.0703125, 158}, // 4 x 18 + 4 x 14 + 3 x 10
        {{0, 1, 0}, 0.0703125, 130}, // 4 x 18 + 3 x 14 + 4 x 4
        {{1, 0, 0}, 0.0703125, 102}, // 3 x 18 + 4 x 8 + 4 x 4
        {{0, 1, 1}, 0.0234375, 186}, // 4 x 24 + 3 x 20 + 3 x 10
        {{1, 1, 0}, 0.0234375, 130}, // 3 x 24 + 3 x 14 + 4 x 4
        {{1, 1, 1}, 0.0078125, 180},
    };
    const std::vector<OrderedDraw> draws = orderedDraws(o.draw, o.monsters, battleOf);
    EXPECT_EQ(draws.size(), 2u + 8u);
    for (const Draw& want : expected) {
        const auto found = std::ranges::find_if(draws, [&](const OrderedDraw& d) {
            return std::vector<int>(d.monsters.begin(), d.monsters.begin() + d.count) ==
                   want.monsters;
        });
        ASSERT_NE(found, draws.end()) << ::testing::PrintToString(want.monsters);
        EXPECT_DOUBLE_EQ(found->chance, want.chance) << ::testing::PrintToString(want.monsters);
        EXPECT_DOUBLE_EQ(found->damage, want.damage) << ::testing::PrintToString(want.monsters);
    }
    // The defeat chance as the HP passes each draw's damage; a draw that does exactly the
    // HP defeats.
    const std::pair<double, double> byHp[] = {
        {16, 1},          {16.5, 0.625},    {30, 0.625},  {96, 0.5},      {96.5, 0.2890625},
        {102, 0.2890625}, {103, 0.21875},   {131, 0.125}, {159, 0.03125}, {180, 0.03125},
        {181, 0.0234375}, {186, 0.0234375}, {186.5, 0},
    };
    for (const auto& [hp, chance] : byHp)
        EXPECT_DOUBLE_EQ(defeatChance(o.draw, o.monsters, battleOf, hp), chance) << hp;
}

TEST(BalanceModelTest, TheMeanOfTheDrawsIsTheExpectedDamage) {
    // Every demo map against the demo progression's levels 1, 7, 14 and 20.
    const std::vector<MonsterRecord> monsters = demo::demoMonsters();
    const std::vector<EncounterRecord> maps = demo::demoEncounters();
    int checked = 0;
    for (const double level : {1.0, 7.0, 14.0, 20.0}) {
        const CharacterProfile character{"",
                                         level,
                                         10 + 4 * level,
                                         8 + 3 * level,
                                         4 + 6 * level,
                                         2 + 3 * level,
                                         30 + 15 * level};
        const std::vector<MonsterBattle> list = battles(character, monsters);
        for (std::size_t m = 0; m < maps.size(); ++m) {
            const MapOutcome o = mapOutcome(int(m + 1), maps[m], monsters, list, character.hp);
            if (!o.damage)
                continue;
            double chance = 0;
            double mean = 0;
            for (const OrderedDraw& d :
                 orderedDraws(o.draw, o.monsters, [&](int n) -> const MonsterBattle& {
                     return list[static_cast<std::size_t>(n)];
                 })) {
                chance += d.chance;
                mean += d.chance * d.damage;
            }
            SCOPED_TRACE("level " + std::to_string(level) + ", map " + std::to_string(m + 1));
            EXPECT_NEAR(chance, 1, 1e-12);
            EXPECT_NEAR(mean, *o.damage, 1e-9 * *o.damage);
            ++checked;
        }
    }
    EXPECT_GT(checked, 500);
}

TEST(BalanceModelTest, Verdicts) {
    const std::vector<MonsterRecord> monsters{
        monster(20, 5, 6, 10, 4),   // 0: beatable, 4 hits of 4
        monster(20, 10, 6, 10, 4),  // 1: 10 - 10 = 0 damage: cannot be beaten
        monster(20, 12, 6, 10, 4),  // 2: damage -2: cannot be beaten
        monster(10, 5, 102, 10, 4), // 3: 2 hits of 100
        monster(5, 5, 152, 1, 1),   // 4: 1 hit of 150
        [] {
            MonsterRecord r = monster(20, 5, 6, 10, 4); // 5: level 100 fails the combat values
            r.level = 100;
            return r;
        }(),
    };
    struct Case {
        const char* name;
        EncounterRecord record;
        Verdict verdict;
        const char* problem;
    };
    const Case cases[] = {
        {"safe", map({0, 0, 0, 0, 0}, {1, 0, 0, 0, 0}, {1, 0, 0}), Verdict::Safe, ""},
        {"zero damage", map({0, 1, 0, 0, 0}, {9, 1, 0, 0, 0}, {1, 0, 0}), Verdict::Unbeatable, ""},
        {"negative damage", map({2, 0, 0, 0, 0}, {1, 0, 0, 0, 0}, {1, 0, 0}), Verdict::Unbeatable,
         ""},
        // Damage 1/2 x 200 + 1/2 x 16 = 108 %.
        {"deadly", map({3, 0, 0, 0, 0}, {1, 1, 0, 0, 0}, {1, 0, 0}), Verdict::Deadly, ""},
        // Damage 1/2 x 16 + 1/2 x 150 = 83 %; worst 150 %.
        {"risky", map({0, 4, 0, 0, 0}, {1, 1, 0, 0, 0}, {1, 0, 0}), Verdict::Risky, ""},
        {"error", map({0, 5, 0, 0, 0}, {1, 1, 0, 0, 0}, {1, 0, 0}), Verdict::Error,
         "monster 5: Division by zero"},
        {"error before unbeatable", map({1, 5, 0, 0, 0}, {1, 1, 0, 0, 0}, {1, 0, 0}),
         Verdict::Error, "monster 5: Division by zero"},
        {"error only where it counts", map({0, 5, 0, 0, 0}, {1, 0, 0, 0, 0}, {1, 0, 0}),
         Verdict::Safe, ""},
        {"every number past the stats file",
         map({6, 7, 99, -1, 32767}, {20, 20, 20, 20, 20}, {1, 1, 1}), Verdict::Empty, ""},
        {"no frequency above 0", map({0, 0, 0, 0, 0}, {0, -3, 0, 0, 0}, {1, 1, 1}), Verdict::Empty,
         ""},
        {"no group weight", map({0, 0, 0, 0, 0}, {1, 0, 0, 0, 0}, {0, -1, 0}), Verdict::Empty, ""},
        {"all zeros", EncounterRecord{}, Verdict::Empty, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const MapOutcome o = outcome(c.record, monsters);
        EXPECT_EQ(verdictName(o.verdict), verdictName(c.verdict));
        EXPECT_EQ(o.problem, c.problem);
        const bool known = c.verdict != Verdict::Unbeatable && c.verdict != Verdict::Error &&
                           c.verdict != Verdict::Empty;
        EXPECT_EQ(o.damagePercent.has_value(), known);
        EXPECT_EQ(o.worstPercent.has_value(), known);
        EXPECT_EQ(o.defeatPercent.has_value(), known);
        for (const double value : {o.group, o.exp, o.gold, o.damagePercent.value_or(0)})
            EXPECT_TRUE(std::isfinite(value));
        if (c.verdict == Verdict::Empty) {
            EXPECT_TRUE(o.monsters.empty());
            EXPECT_EQ(o.group, 0);
            EXPECT_TRUE(o.drops.empty());
        }
    }
}

// Rows from the calculator window's own test: the model must show the same texts and
// stop at the same step.
TEST(BalanceModelTest, MonsterRowsMatchTheCalculatorWindow) {
    struct Case {
        const char* name;
        CharacterProfile character;
        // level, strength, agility, Off Max, def, HP of the monster
        std::array<std::int16_t, 6> monster;
        std::array<const char*, 4> texts;
        std::size_t shown;
        std::optional<ErrorKind> error;
        bool beatable;
        double hits;
    };
    const Case cases[] = {
        {"worked",
         {"", 10, 20, 15, 9, 3, 50},
         {20, 30, 10, 8, 2, 39},
         {"9.75", "10.83333", "4", "4.6153860355034"},
         4,
         {},
         true,
         4},
        {"negative factor",
         {"", 120, 20, 15, 9, 3, 50},
         {20, 30, 10, 8, 2, 39},
         {"-111.25", "50.25", "-0.350561797752809", "0.995024875621891"},
         4,
         {},
         false,
         0},
        {"hits rounded up",
         {"", 0, 0, 0, 10, 3, 9},
         {0, 0, 0, 3, 4, 12},
         {"6", "0", "2", ""},
         3,
         ErrorKind::DivisionByZero,
         true,
         2},
        {"zero damage",
         {"", 0, 0, 0, 4, 1, 9},
         {0, 0, 0, 5, 4, 12},
         {"0", "4", "", ""},
         2,
         ErrorKind::DivisionByZero,
         false,
         0},
        {"monster level 100",
         {"", 10, 20, 15, 9, 3, 50},
         {100, 30, 10, 8, 2, 39},
         {"", "", "", ""},
         0,
         ErrorKind::DivisionByZero,
         false,
         0},
        {"character level 100",
         {"", 100, -200, 15, 9, 3, 50},
         {20, 30, 10, 8, 2, 39},
         {"", "", "", ""},
         0,
         ErrorKind::Overflow,
         false,
         0},
        {"beyond single precision",
         {"", 10, 20, 15, 9, 1e39, 50},
         {20, 30, 10, 8, 2, 39},
         {"", "", "", ""},
         0,
         ErrorKind::Overflow,
         false,
         0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MonsterRecord r;
        r.level = c.monster[0];
        r.strength = c.monster[1];
        r.agility = c.monster[2];
        r.offMax = c.monster[3];
        r.def = c.monster[4];
        r.hp = c.monster[5];
        const MonsterBattle battle = battleAgainst(c.character, r);
        for (std::size_t k = 0; k < 4; ++k)
            EXPECT_EQ(battle.texts[k], c.texts[k]) << k;
        EXPECT_EQ(battle.shown, c.shown);
        EXPECT_EQ(battle.error ? std::optional(battle.error->kind()) : std::nullopt, c.error);
        EXPECT_EQ(battle.beatable(), c.beatable);
        if (c.beatable) {
            EXPECT_EQ(battle.hits, c.hits);
        }
    }
}

TEST(BattleEstimateTest, ReadsEachInputWhenItsStepNeedsIt) {
    // An input that fails when read stops the steps there; the results before it stand.
    const std::array<double, kBattleInputCount> worked{10, 20, 15, 9, 3, 50, 20, 30, 10, 8, 2, 39};
    const std::pair<BattleInput, std::size_t> cases[] = {
        {BattleInput::CharacterLevel, 0},
        {BattleInput::MonsterDefense, 0},
        {BattleInput::MonsterHp, 2},
        {BattleInput::CharacterHp, 3},
    };
    for (const auto& [failing, shownBefore] : cases) {
        SCOPED_TRACE(static_cast<int>(failing));
        std::vector<std::string> shown;
        EXPECT_THROW(estimateBattle(
                         [&](BattleInput in) {
                             if (in == failing)
                                 throw DataError(ErrorKind::Overflow);
                             return worked[static_cast<std::size_t>(in)];
                         },
                         [&](BattleResult, const std::string& text) { shown.push_back(text); }),
                     DataError);
        EXPECT_EQ(shown.size(), shownBefore);
    }
}

TEST(BalanceModelTest, ProfilesNeedHpAboveZeroAndMapsCountWhereMonstersCount) {
    const std::vector<EncounterRecord> maps{
        map({0, 0, 1, 9, 2}, {1, 1, 1, 1, 0}, {1, 0, 0}), // 0 twice, 1; 9 names no record
        map({1, 1, 1, 1, 1}, {1, 1, 1, 1, 1}, {0, 0, 0}), // no group weight: empty
        map({2, 0, 0, 0, 0}, {1, 0, 0, 0, 0}, {0, 0, 1}),
    };
    const Balance balance = computeBalance(kMonsters, maps, {kHero, {"L5", 5, 1, 1, 10, 2, 30}});
    EXPECT_EQ(balance.mapsPerMonster, (std::vector<int>{1, 1, 1}));
    ASSERT_EQ(balance.profiles.size(), 2u);
    EXPECT_EQ(balance.profiles[1].maps.size(), 3u);
    EXPECT_EQ(balance.profiles[1].battles.size(), 3u);
    EXPECT_EQ(balance.profiles[0].maps[1].verdict, Verdict::Empty);
    for (const double hp : {0.0, -5.0, std::nan("")}) {
        CharacterProfile weak = kHero;
        weak.hp = hp;
        EXPECT_THROW(computeBalance(kMonsters, maps, {weak}), DataError) << hp;
    }
}

} // namespace
} // namespace valmor::test
