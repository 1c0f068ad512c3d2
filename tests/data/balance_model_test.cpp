// The balance kept up to date one change at a time: after every change its numbers are
// those of a fresh computeBalance, it says which cells changed, and it works out only the
// map outcomes the change touches; with unsaved edits beside the saved files, the cells
// they change are marked until the files hold them.
#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <string>
#include <vector>

#include "data/balance_text.h"
#include "data/balance_what_if.h"
#include "demo/tables.h"
#include "support/row_name.h"

namespace valmor::test {
namespace {

using Row = std::array<std::string, kMapColumns.size()>;

// The demo monsters and one more that no map counts.
std::vector<MonsterRecord> monstersAndAnIdleOne() {
    std::vector<MonsterRecord> monsters = demo::demoMonsters();
    monsters.push_back(monsters[3]);
    return monsters;
}

struct Inputs {
    std::vector<MonsterRecord> monsters = monstersAndAnIdleOne();
    std::vector<EncounterRecord> maps = demo::demoEncounters();
    std::vector<CharacterProfile> profiles{{"L1", 1, 14, 11, 10, 5, 45},
                                           {"L5", 5, 30, 23, 34, 17, 105},
                                           {"L12", 12, 58, 44, 76, 38, 210}};
};

// Every cell as valmor-data balance writes it, by profile then map.
std::vector<Row> cellsOf(const BalanceModel& model) {
    std::vector<Row> rows;
    for (std::size_t p = 0; p < model.profiles().size(); ++p) {
        for (std::size_t m = 0; m < model.maps().size(); ++m)
            rows.push_back(mapRowCells(model.outcome({m, p}), model.profiles()[p].name));
    }
    return rows;
}

std::vector<Row> freshCells(const Inputs& in) {
    const Balance balance = computeBalance(in.monsters, in.maps, in.profiles);
    std::vector<Row> rows;
    for (const ProfileBalance& profile : balance.profiles) {
        for (const MapOutcome& outcome : profile.maps)
            rows.push_back(mapRowCells(outcome, profile.character.name));
    }
    return rows;
}

int firstMonsterCountingNowhere(const Inputs& in) {
    const std::vector<int> counts = mapsPerMonster(in.maps, in.monsters.size());
    return static_cast<int>(std::ranges::find(counts, 0) - counts.begin());
}

std::size_t placesOf(const Inputs& in, int monster) {
    return static_cast<std::size_t>(mapsPerMonster(in.maps, in.monsters.size())[monster]);
}

TEST(IncrementalBalanceTest, EachChangeGivesFreshNumbersAndCostsOnlyWhatItTouches) {
    Inputs in;
    BalanceModel model;
    model.setMonsters(in.monsters);
    model.setMaps(in.maps);
    model.setProfiles(in.profiles);
    ASSERT_EQ(cellsOf(model), freshCells(in));
    const int idle = firstMonsterCountingNowhere(in);
    ASSERT_LT(idle, static_cast<int>(in.monsters.size()));

    struct Step {
        const char* name;
        // Changes `in` and hands the change to the model.
        std::function<void(Inputs&, BalanceModel&)> change;
        // The map outcomes it may work out, given the inputs after it.
        std::function<std::size_t(const Inputs&)> cost;
    };
    const std::size_t maps = in.maps.size();
    const Step steps[] = {
        {"a monster that counts on maps",
         [](Inputs& in, BalanceModel& m) {
             in.monsters[13].hp = 300;
             m.setMonster(13, in.monsters[13]);
         },
         [](const Inputs& in) { return placesOf(in, 13) * in.profiles.size(); }},
        {"a monster that counts nowhere",
         [&](Inputs& in, BalanceModel& m) {
             in.monsters[idle].offMax = 900;
             m.setMonster(idle, in.monsters[idle]);
         },
         [](const Inputs&) { return std::size_t{0}; }},
        {"one record changed among all given",
         [](Inputs& in, BalanceModel& m) {
             in.monsters[2].def = 40;
             m.setMonsters(in.monsters);
         },
         [](const Inputs& in) { return placesOf(in, 2) * in.profiles.size(); }},
        {"a map's frequencies",
         [](Inputs& in, BalanceModel& m) {
             in.maps[11].monFreq[0] = 90;
             m.setMap(11, in.maps[11]);
         },
         [](const Inputs& in) { return in.profiles.size(); }},
        {"a map takes in the monster that counted nowhere",
         [&](Inputs& in, BalanceModel& m) {
             in.maps[11].monIndex[4] = static_cast<std::int16_t>(idle);
             in.maps[11].monFreq[4] = 50;
             m.setMaps(in.maps);
         },
         [](const Inputs& in) { return in.profiles.size(); }},
        {"that monster now counts there",
         [&](Inputs& in, BalanceModel& m) {
             in.monsters[idle].offMax = 20;
             m.setMonster(idle, in.monsters[idle]);
         },
         [](const Inputs& in) { return in.profiles.size(); }},
        {"the map lets it go again",
         [](Inputs& in, BalanceModel& m) {
             in.maps[11].monFreq[4] = 0;
             m.setMap(11, in.maps[11]);
         },
         [](const Inputs& in) { return in.profiles.size(); }},
        {"one profile's HP",
         [](Inputs& in, BalanceModel& m) {
             in.profiles[1].hp = 80;
             m.setProfiles(in.profiles);
         },
         [=](const Inputs&) { return maps; }},
        {"profiles reordered",
         [](Inputs& in, BalanceModel& m) {
             std::swap(in.profiles[0], in.profiles[2]);
             m.setProfiles(in.profiles);
         },
         [](const Inputs&) { return std::size_t{0}; }},
        {"a profile added first",
         [](Inputs& in, BalanceModel& m) {
             in.profiles.insert(in.profiles.begin(), {"On screen", 7, 20, 20, 30, 20, 150});
             m.setProfiles(in.profiles);
         },
         [=](const Inputs&) { return maps; }},
        {"the stats file grows by a record",
         [](Inputs& in, BalanceModel& m) {
             in.monsters.push_back(in.monsters[5]);
             m.setMonsters(in.monsters);
         },
         [=](const Inputs& in) { return maps * in.profiles.size(); }},
        {"nothing new",
         [](Inputs& in, BalanceModel& m) {
             m.setMonsters(in.monsters);
             m.setMaps(in.maps);
             m.setProfiles(in.profiles);
         },
         [](const Inputs&) { return std::size_t{0}; }},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.name);
        const std::size_t worked = model.outcomesComputed();
        step.change(in, model);
        EXPECT_EQ(cellsOf(model), freshCells(in));
        EXPECT_LE(model.outcomesComputed() - worked, step.cost(in));
    }
}

TEST(IncrementalBalanceTest, ReportsExactlyTheCellsThatChanged) {
    Inputs in;
    BalanceModel model;
    model.setMonsters(in.monsters);
    model.setMaps(in.maps);
    model.setProfiles(in.profiles);
    const std::vector<Row> before = cellsOf(model);
    in.monsters[13].hp = 1;
    const std::vector<BalanceCell> reported = model.setMonster(13, in.monsters[13]);
    const std::vector<Row> after = cellsOf(model);
    std::vector<BalanceCell> differing;
    for (std::size_t m = 0; m < in.maps.size(); ++m) {
        for (std::size_t p = 0; p < in.profiles.size(); ++p) {
            const std::size_t at = p * in.maps.size() + m;
            if (before[at] != after[at])
                differing.push_back({m, p});
        }
    }
    EXPECT_FALSE(differing.empty());
    EXPECT_EQ(reported, differing);

    const std::vector<MonsterPlace> places = model.placesOf(13);
    ASSERT_EQ(places.size(), placesOf(in, 13));
    for (std::size_t i = 1; i < places.size(); ++i)
        EXPECT_TRUE(
            places[i - 1].chance > places[i].chance ||
            (places[i - 1].chance == places[i].chance && places[i - 1].map < places[i].map));
}

TEST(IncrementalBalanceTest, AProfileWithoutHpIsRefusedAndChangesNothing) {
    Inputs in;
    BalanceModel model;
    model.setMonsters(in.monsters);
    model.setMaps(in.maps);
    model.setProfiles(in.profiles);
    std::vector<CharacterProfile> bad = in.profiles;
    bad[2].hp = 0;
    EXPECT_THROW(model.setProfiles(bad), DataError);
    EXPECT_EQ(cellsOf(model), freshCells(in));
}

TEST(BalanceWhatIfTest, EditsMarkTheCellsTheyChangeUntilTheFilesHoldThem) {
    Inputs in;
    BalanceWhatIf whatIf;
    whatIf.setSaved(in.monsters, in.maps);
    whatIf.setProfiles(in.profiles);
    EXPECT_TRUE(whatIf.differences().empty());

    Inputs edited = in;
    edited.monsters[13].offMax = 120;
    edited.maps[40].nomNum = {0, 0, 5};
    const auto marksMatch = [&] {
        for (std::size_t m = 0; m < whatIf.mapCount(); ++m) {
            for (std::size_t p = 0; p < whatIf.profileCount(); ++p) {
                const MapOutcome& saved = whatIf.saved().outcome({m, p});
                const MapOutcome& shown = whatIf.shown().outcome({m, p});
                EXPECT_EQ(whatIf.differs({m, p}), verdictText(saved) != verdictText(shown) ||
                                                      defeatText(saved) != defeatText(shown))
                    << "map " << m + 1 << ", profile " << p;
            }
        }
    };
    whatIf.setMonsterEdit(MonsterEdit{13, edited.monsters[13]});
    const std::vector<BalanceCell> changed = whatIf.setMapEdit(MapEdit{40, edited.maps[40]});
    EXPECT_FALSE(changed.empty());
    EXPECT_EQ(cellsOf(whatIf.shown()), freshCells(edited));
    EXPECT_EQ(cellsOf(whatIf.saved()), freshCells(in));
    EXPECT_FALSE(whatIf.differences().empty());
    marksMatch();

    // Another monster picked: the first one's edit goes, the new one holds what is saved.
    whatIf.setMonsterEdit(MonsterEdit{14, in.monsters[14]});
    edited.monsters[13] = in.monsters[13];
    EXPECT_EQ(cellsOf(whatIf.shown()), freshCells(edited));
    marksMatch();

    // The map's Save: the files now hold the edit, and nothing differs.
    whatIf.setSaved(edited.monsters, edited.maps);
    EXPECT_TRUE(whatIf.differences().empty());
    EXPECT_EQ(cellsOf(whatIf.saved()), freshCells(edited));

    // An edit of a record the files do not hold is no edit.
    whatIf.setMonsterEdit(MonsterEdit{in.monsters.size(), edited.monsters[13]});
    EXPECT_TRUE(whatIf.differences().empty());
}

} // namespace
} // namespace valmor::test
