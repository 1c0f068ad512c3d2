// The tuning search: hand-worked cases whose answer is known, the locks, and on the demo
// data a differential check against a fresh balance of the changed records, value by value.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "balance/character_profiles.h"
#include "balance/tuner.h"
#include "demo/tables.h"
#include "files/error.h"
#include "support/row_name.h"

namespace valmor::test {
namespace {

const CharacterProfile kHero{"L1", 1, 14, 11, 10, 5, 45};

MonsterRecord monster(std::int16_t hp, std::int16_t strength, std::int16_t offMax) {
    MonsterRecord m;
    m.level = 1;
    m.hp = hp;
    m.strength = strength;
    m.offMax = offMax;
    m.agility = 5;
    m.def = 2;
    return m;
}

EncounterRecord mapOf(std::array<std::int16_t, 5> monsters, std::array<std::int16_t, 5> freq) {
    return {monsters, freq, {1, 0, 0}};
}

TargetBands bandsOf(std::size_t profiles, std::vector<std::pair<BalanceCell, TargetBand>> list) {
    TargetBands bands(kMapCount, profiles);
    for (const auto& [cell, band] : list)
        bands.band(cell) = band;
    return bands;
}

std::optional<double> percentOf(const std::vector<MonsterRecord>& monsters,
                                const std::vector<EncounterRecord>& maps, std::size_t map) {
    return targetPercent(computeBalance(monsters, maps, {kHero}).profiles[0].maps[map]);
}

TEST(TunerTest, OneMonsterGetsTheSmallestHpThatMeetsItsBand) {
    std::vector<MonsterRecord> monsters{monster(10, 20, 20)};
    const std::vector<EncounterRecord> maps{mapOf({0, 0, 0, 0, 0}, {1, 0, 0, 0, 0})};
    ASSERT_EQ(percentOf(monsters, maps, 0), 0.0);
    TuneOptions options;
    options.fields = {0}; // hp
    const TuneResult result =
        tune(monsters, maps, {kHero}, bandsOf(1, {{{0, 0}, {50, 100}}}), options);

    int smallest = monsters[0].hp;
    for (; percentOf(monsters, maps, 0) < 50.0; monsters[0].hp = std::int16_t(++smallest))
        ASSERT_LT(smallest, 32767);
    ASSERT_TRUE(result.allMet());
    ASSERT_EQ(result.changeList(), (std::vector<RecordChange>{
                                       {ChangedFile::Monsters, 0, 1, 10, std::int16_t(smallest)}}));
    EXPECT_EQ(result.changes[0].fixes, (std::vector<BalanceCell>{{0, 0}}));
    monsters[0].hp = std::int16_t(smallest - 1);
    EXPECT_LT(percentOf(monsters, maps, 0), 50.0) << "one less does not meet it";
}

TEST(TunerTest, TwoBandsThatPullOneMonsterApartLeaveOneCellOutAndSayWhy) {
    const std::vector<MonsterRecord> monsters{monster(60, 20, 20)};
    const std::vector<EncounterRecord> maps{mapOf({0, 0, 0, 0, 0}, {1, 0, 0, 0, 0}),
                                            mapOf({0, 0, 0, 0, 0}, {1, 0, 0, 0, 0})};
    ASSERT_EQ(percentOf(monsters, maps, 0), 100.0);
    const TuneResult result =
        tune(monsters, maps, {kHero}, bandsOf(1, {{{0, 0}, {0, 0}}, {{1, 0}, {100, 100}}}), {});
    EXPECT_TRUE(result.changes.empty());
    EXPECT_EQ(result.missedAfter, (std::vector<BalanceCell>{{0, 0}}));
    ASSERT_EQ(result.unmet.size(), 1u);
    EXPECT_NE(result.unmet[0].reason.find("apart"), std::string::npos) << result.unmet[0].reason;
    EXPECT_NE(result.unmet[0].reason.find("map 2 L1"), std::string::npos) << result.unmet[0].reason;
}

TEST(TunerTest, AFrequencyFixesAMapWithoutTouchingItsMonsters) {
    // Monster 0 defeats the hero alone, monster 1 cannot hurt: half the draws defeat.
    const std::vector<MonsterRecord> monsters{monster(60, 20, 20), monster(5, 0, 0)};
    const std::vector<EncounterRecord> maps{mapOf({0, 1, 0, 0, 0}, {50, 50, 0, 0, 0})};
    ASSERT_EQ(percentOf(monsters, maps, 0), 50.0);
    TuneOptions options;
    options.stats = false;
    options.frequencies = true;
    const TuneResult result =
        tune(monsters, maps, {kHero}, bandsOf(1, {{{0, 0}, {0, 30}}}), options);
    // 21 / 71 is under 30%, 22 / 72 over it.
    EXPECT_EQ(result.changeList(),
              (std::vector<RecordChange>{{ChangedFile::Encounters, 1, 5, 50, 21}}));
    EXPECT_TRUE(result.allMet());
}

TEST(TunerTest, AMapThatCountsNoMonsterSaysSo) {
    const std::vector<MonsterRecord> monsters{monster(10, 20, 20)};
    const std::vector<EncounterRecord> maps{mapOf({0, 0, 0, 0, 0}, {0, 0, 0, 0, 0})};
    const TuneResult result = tune(monsters, maps, {kHero}, bandsOf(1, {{{0, 0}, {10, 20}}}), {});
    ASSERT_EQ(result.unmet.size(), 1u);
    EXPECT_EQ(result.unmet[0].reason, "at 0%, target 10-20%: no monster counts on map 1 "
                                      "(--levers frequencies may bring one in)");
}

TEST(TunerTest, ACancelledSearchStops) {
    std::stop_source stop;
    stop.request_stop();
    const std::vector<MonsterRecord> monsters{monster(10, 20, 20)};
    const std::vector<EncounterRecord> maps(40, mapOf({0, 0, 0, 0, 0}, {1, 0, 0, 0, 0}));
    try {
        tune(monsters, maps, {kHero}, bandsOf(1, {{{0, 0}, {50, 100}}}), {}, {}, stop.get_token());
        ADD_FAILURE() << "not stopped";
    } catch (const DataError& error) {
        EXPECT_EQ(error.kind(), ErrorKind::Interrupted);
    }
}

struct Demo {
    std::vector<MonsterRecord> monsters = demo::demoMonsters();
    std::vector<EncounterRecord> maps = demo::demoEncounters();
    std::vector<CharacterProfile> profiles =
        profilesFromCsv(demo::charactersCsvText(), "characters.csv");
    TargetBands bands = targetsFromCsv(demo::targetsCsvText(), "targets.csv", profiles);

    std::vector<TargetStatus> statuses(const std::vector<MonsterRecord>& m,
                                       const std::vector<EncounterRecord>& e) const {
        const Balance balance = computeBalance(m, e, profiles);
        std::vector<TargetStatus> list;
        for (std::size_t map = 0; map < e.size(); ++map) {
            for (std::size_t p = 0; p < profiles.size(); ++p)
                list.push_back(targetStatus(bands.band({map, p}), balance.profiles[p].maps[map]));
        }
        return list;
    }
};

TEST(TunerTest, OnTheDemoEveryChangeIsNeededAndTheSummaryIsWhatABalanceOfTheChangesSays) {
    const Demo demo;
    TuneOptions frequenciesToo;
    frequenciesToo.frequencies = true;
    for (const TuneOptions& options : {TuneOptions{}, frequenciesToo}) {
        SCOPED_TRACE(options.frequencies ? "stats and frequencies" : "stats");
        const TuneResult result =
            tune(demo.monsters, demo.maps, demo.profiles, demo.bands, options);
        EXPECT_EQ(
            changeListCsv(
                tune(demo.monsters, demo.maps, demo.profiles, demo.bands, options).changeList()),
            changeListCsv(result.changeList()))
            << "the same files give the same changes";
        ASSERT_LT(result.missedAfter.size(), result.missedBefore.size() / 2);

        std::vector<MonsterRecord> monsters = demo.monsters;
        std::vector<EncounterRecord> maps = demo.maps;
        applyChanges(result.changeList(), monsters, maps);
        const std::vector<TargetStatus> after = demo.statuses(monsters, maps);
        std::vector<BalanceCell> missed;
        for (std::size_t i = 0; i < after.size(); ++i) {
            if (missesBand(after[i]))
                missed.push_back({i / demo.profiles.size(), i % demo.profiles.size()});
        }
        EXPECT_EQ(missed, result.missedAfter);
        EXPECT_EQ(result.unmet.size(), missed.size());

        for (const RecordChange& change : result.changeList()) {
            SCOPED_TRACE(changeText(change, demo.monsters));
            RecordChange back = change;
            back.newValue =
                std::int16_t(change.newValue + (change.oldValue > change.newValue ? 1 : -1));
            std::vector<MonsterRecord> m = monsters;
            std::vector<EncounterRecord> e = maps;
            applyChanges({back}, m, e);
            const std::vector<TargetStatus> stepped = demo.statuses(m, e);
            bool someCellLeft = false;
            for (std::size_t i = 0; i < after.size(); ++i)
                someCellLeft = someCellLeft || (after[i] == TargetStatus::Inside &&
                                                stepped[i] != TargetStatus::Inside);
            EXPECT_TRUE(someCellLeft) << "one step back keeps every cell inside";
        }
    }
}

TEST(TunerTest, LockedMonstersFieldsAndShareStayWithinTheirLocks) {
    const Demo demo;
    TuneOptions monsters;
    monsters.monsters = std::vector<int>{4, 5, 6, 7, 8, 9};
    TuneOptions fields;
    fields.fields = {0, 4}; // hp, def
    TuneOptions share;
    share.maxChangePercent = 10;
    const struct {
        TuneOptions options;
        bool (*obeys)(const RecordChange&);
    } cases[] = {
        {monsters, [](const RecordChange& c) { return c.record >= 4 && c.record <= 9; }},
        {fields,
         [](const RecordChange& c) {
             const std::string_view name = changedFieldName(c);
             return name == "hp" || name == "def";
         }},
        {share,
         [](const RecordChange& c) {
             return std::abs(c.newValue - c.oldValue) <= 0.1 * std::max(std::abs(c.oldValue), 1);
         }},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(rowName(cases, row));
        const TuneResult result =
            tune(demo.monsters, demo.maps, demo.profiles, demo.bands, row.options);
        EXPECT_FALSE(result.changes.empty());
        for (const RecordChange& change : result.changeList()) {
            EXPECT_TRUE(row.obeys(change)) << changeText(change, demo.monsters);
            EXPECT_GE(change.newValue, 0);
        }
    }
}

} // namespace
} // namespace valmor::test
