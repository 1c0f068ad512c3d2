// The balance kept up to date one change at a time: after every change its numbers are
// those of a fresh computeBalance, it says which cells changed, and it works out only the
// map outcomes the change touches; with unsaved edits beside the saved files, the cells
// they change are marked until the files hold them.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <functional>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "balance/balance_text.h"
#include "balance/balance_what_if.h"
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

// What the what-if should show, kept the simple way: the saved files, the profiles and the
// edits of the boxes, and every number worked out afresh from them.
struct Mirror {
    std::vector<MonsterRecord> monsters;
    std::vector<EncounterRecord> maps;
    std::vector<CharacterProfile> profiles;
    std::optional<MonsterEdit> monsterEdit;
    std::optional<MapEdit> mapEdit;

    std::vector<MonsterRecord> shownMonsters() const {
        std::vector<MonsterRecord> shown = monsters;
        if (monsterEdit && monsterEdit->monster < shown.size())
            shown[monsterEdit->monster] = monsterEdit->record;
        return shown;
    }
    std::vector<EncounterRecord> shownMaps() const {
        std::vector<EncounterRecord> shown = maps;
        if (mapEdit && mapEdit->map < shown.size())
            shown[mapEdit->map] = mapEdit->record;
        return shown;
    }
};

// The values of a monster the balance reads, and the ranges that reach every verdict.
struct MonsterValue {
    std::int16_t MonsterRecord::*field;
    int low, high;
};
constexpr MonsterValue kMonsterValues[] = {
    {&MonsterRecord::level, 1, 15},   {&MonsterRecord::strength, 0, 40},
    {&MonsterRecord::agility, 0, 30}, {&MonsterRecord::offMax, 0, 60},
    {&MonsterRecord::def, 0, 25},     {&MonsterRecord::hp, 1, 300},
    {&MonsterRecord::exp, 0, 500},    {&MonsterRecord::gold, 0, 300},
    {&MonsterRecord::item1, -1, 6},   {&MonsterRecord::item1Perc, 0, 100},
    {&MonsterRecord::item2, -1, 6},   {&MonsterRecord::item2Perc, 0, 100}};

// Random records from a few monsters, so that maps share them, with monster numbers a
// little past the stats file's end, so that a file that grows or shrinks changes which
// slots count, and values that reach every verdict.
class RandomGame {
public:
    explicit RandomGame(std::uint32_t seed) : random_(seed) {}

    int in(int low, int high) { return std::uniform_int_distribution<int>(low, high)(random_); }
    bool oneIn(int n) { return in(1, n) == 1; }

    MonsterRecord monster() {
        MonsterRecord r;
        r.name =
            std::string(1, static_cast<char>('A' + in(0, 25))) + std::string(kNameWidth - 1, ' ');
        for (const MonsterValue& value : kMonsterValues)
            r.*value.field = static_cast<std::int16_t>(in(value.low, value.high));
        // A level of 100 fails the calculator's combat values: the verdict "error".
        if (oneIn(40))
            r.level = 100;
        return r;
    }

    // One value of the monster changed, as a keystroke in one of its boxes does.
    MonsterRecord typedInto(MonsterRecord r) {
        const MonsterRecord other = monster();
        const auto field =
            kMonsterValues[in(0, static_cast<int>(std::size(kMonsterValues)) - 1)].field;
        if (oneIn(8))
            r.name = other.name;
        else
            r.*field = other.*field;
        return r;
    }

    EncounterRecord map(std::size_t monsters) {
        EncounterRecord r;
        for (std::size_t i = 0; i < r.monIndex.size(); ++i) {
            r.monIndex[i] = static_cast<std::int16_t>(in(-1, static_cast<int>(monsters) + 2));
            r.monFreq[i] = static_cast<std::int16_t>(oneIn(2) ? 0 : in(-5, 60));
        }
        for (std::int16_t& weight : r.nomNum)
            weight = static_cast<std::int16_t>(oneIn(4) ? 0 : in(-1, 5));
        return r;
    }

    // One of the map's 13 numbers changed.
    EncounterRecord typedInto(EncounterRecord r, std::size_t monsters) {
        EncounterRecord other = map(monsters);
        const auto number = [](EncounterRecord& map, std::size_t i) -> std::int16_t& {
            return i < 5 ? map.monIndex[i] : i < 10 ? map.monFreq[i - 5] : map.nomNum[i - 10];
        };
        const auto i = static_cast<std::size_t>(in(0, 12));
        number(r, i) = number(other, i);
        return r;
    }

    // A few profiles, some equal to each other, drawn from a small pool so that a profile
    // comes back after it went.
    std::vector<CharacterProfile> profiles() {
        static const CharacterProfile pool[] = {{"L1", 1, 14, 11, 10, 5, 45},
                                                {"L5", 5, 30, 23, 34, 17, 105},
                                                {"L12", 12, 58, 44, 76, 38, 210},
                                                {"On screen", 7, 40, 30.5, 50, 25, 150},
                                                {"On screen", 3, 20, 15, 20, 10, 1}};
        std::vector<CharacterProfile> chosen(static_cast<std::size_t>(oneIn(8) ? 0 : in(1, 4)));
        for (CharacterProfile& profile : chosen)
            profile = pool[in(0, static_cast<int>(std::size(pool)) - 1)];
        return chosen;
    }

private:
    std::mt19937 random_;
};

// Whether `model` holds the numbers a fresh computeBalance gives for the same inputs, and
// knows for each monster the maps where it counts.
testing::AssertionResult holdsFresh(const BalanceModel& model,
                                    const std::vector<MonsterRecord>& monsters,
                                    const std::vector<EncounterRecord>& maps,
                                    const std::vector<CharacterProfile>& profiles) {
    if (model.monsters() != monsters || model.maps() != maps ||
        !std::ranges::equal(model.profiles(), profiles, sameProfile))
        return testing::AssertionFailure() << "other inputs than those given";
    const Balance fresh = computeBalance(monsters, maps, profiles);
    for (std::size_t p = 0; p < profiles.size(); ++p) {
        for (std::size_t m = 0; m < maps.size(); ++m) {
            if (!sameOutcome(model.outcome({m, p}), fresh.profiles[p].maps[m]))
                return testing::AssertionFailure()
                       << "map " << m + 1 << ", profile " << p << ": "
                       << verdictText(model.outcome({m, p})) << " where a fresh balance says "
                       << verdictText(fresh.profiles[p].maps[m]);
        }
    }
    std::vector<std::vector<std::size_t>> counting(monsters.size()); // per monster, its maps
    for (std::size_t m = 0; m < maps.size(); ++m) {
        const EncounterDraw draw = encounterDraw(maps[m], monsters.size());
        for (std::size_t i = 0; i < draw.slot.size(); ++i) {
            if (draw.slot[i] == 0)
                continue;
            auto& places = counting[static_cast<std::size_t>(maps[m].monIndex[i])];
            if (places.empty() || places.back() != m)
                places.push_back(m);
        }
    }
    for (std::size_t n = 0; n < monsters.size(); ++n) {
        std::vector<std::size_t> places;
        for (const MonsterPlace& place : model.placesOf(static_cast<int>(n)))
            places.push_back(place.map);
        std::ranges::sort(places);
        if (places != counting[n])
            return testing::AssertionFailure()
                   << "monster " << n << " counts on " << counting[n].size()
                   << " maps, the model has " << places.size();
    }
    return testing::AssertionSuccess();
}

// The outcomes and marks of every cell, to find the cells a change touched.
struct Picture {
    std::size_t maps = 0;
    std::size_t profiles = 0;
    std::vector<MapOutcome> outcomes; // per profile, per map
    std::vector<bool> marks;
};

Picture pictureOf(const Mirror& mirror) {
    const Balance saved = computeBalance(mirror.monsters, mirror.maps, mirror.profiles);
    const Balance shown =
        computeBalance(mirror.shownMonsters(), mirror.shownMaps(), mirror.profiles);
    Picture picture{mirror.maps.size(), mirror.profiles.size(), {}, {}};
    for (std::size_t p = 0; p < picture.profiles; ++p) {
        for (std::size_t m = 0; m < picture.maps; ++m) {
            const MapOutcome& before = saved.profiles[p].maps[m];
            const MapOutcome& after = shown.profiles[p].maps[m];
            picture.outcomes.push_back(after);
            picture.marks.push_back(verdictText(before) != verdictText(after) ||
                                    defeatText(before) != defeatText(after));
        }
    }
    return picture;
}

// Whether the what-if holds what `mirror` says, marks the cells the edits change, and
// `reported` names every cell that looks different from `before`.
testing::AssertionResult followsMirror(const BalanceWhatIf& whatIf, const Mirror& mirror,
                                       const Picture& before,
                                       const std::vector<BalanceCell>& reported) {
    if (auto saved = holdsFresh(whatIf.saved(), mirror.monsters, mirror.maps, mirror.profiles);
        !saved)
        return saved << " (the saved files)";
    if (auto shown =
            holdsFresh(whatIf.shown(), mirror.shownMonsters(), mirror.shownMaps(), mirror.profiles);
        !shown)
        return shown << " (with the edits)";
    const Picture after = pictureOf(mirror);
    const bool reshaped = before.maps != after.maps || before.profiles != after.profiles;
    for (std::size_t p = 0; p < after.profiles; ++p) {
        for (std::size_t m = 0; m < after.maps; ++m) {
            const std::size_t at = p * after.maps + m;
            if (whatIf.differs({m, p}) != after.marks[at])
                return testing::AssertionFailure() << "map " << m + 1 << ", profile " << p
                                                   << (after.marks[at] ? " not" : "") << " marked";
            const bool looksNew = reshaped || after.marks[at] != before.marks[at] ||
                                  !sameOutcome(after.outcomes[at], before.outcomes[at]);
            if (looksNew && std::ranges::find(reported, BalanceCell{m, p}) == reported.end())
                return testing::AssertionFailure()
                       << "map " << m + 1 << ", profile " << p << " changed unreported";
        }
    }
    return testing::AssertionSuccess();
}

// Some hundred random changes of the saved files, the profiles and the editor's boxes
// (picks, keystrokes, Saves), in the order a user and other programs might make them; after
// each, the incremental models and the marks are those of a full recompute.
TEST(BalanceWhatIfTest, RandomChangesAlwaysGiveWhatAFullRecomputeGives) {
    RandomGame game(20261208);
    Mirror mirror;
    for (int n = 0; n < 12; ++n)
        mirror.monsters.push_back(game.monster());
    for (int m = 0; m < 12; ++m)
        mirror.maps.push_back(game.map(mirror.monsters.size()));
    mirror.profiles = game.profiles();
    BalanceWhatIf whatIf;
    whatIf.setSaved(mirror.monsters, mirror.maps);
    whatIf.setProfiles(mirror.profiles);
    ASSERT_TRUE(followsMirror(whatIf, mirror, pictureOf(mirror), {}));

    struct Change {
        const char* name;
        std::function<std::vector<BalanceCell>()> make;
    };
    const auto save = [&] { return whatIf.setSaved(mirror.monsters, mirror.maps); };
    const auto anyMonster = [&] {
        return static_cast<std::size_t>(game.in(0, static_cast<int>(mirror.monsters.size())));
    };
    const auto anyMap = [&] {
        return static_cast<std::size_t>(game.in(0, static_cast<int>(mirror.maps.size())));
    };
    const Change changes[] = {
        {"a monster record replaced on disk",
         [&] {
             const std::size_t n = anyMonster() % mirror.monsters.size();
             mirror.monsters[n] = game.typedInto(mirror.monsters[n]);
             return save();
         }},
        {"a map record replaced on disk",
         [&] {
             const std::size_t m = anyMap() % mirror.maps.size();
             mirror.maps[m] = game.typedInto(mirror.maps[m], mirror.monsters.size());
             return save();
         }},
        {"the stats file grows or shrinks by a record",
         [&] {
             if (mirror.monsters.size() > 3 && game.oneIn(2))
                 mirror.monsters.pop_back();
             else if (mirror.monsters.size() < 16)
                 mirror.monsters.push_back(game.monster());
             return save();
         }},
        {"the encounter file grows or shrinks by a record",
         [&] {
             if (mirror.maps.size() > 1 && game.oneIn(2))
                 mirror.maps.pop_back();
             else if (mirror.maps.size() < 16)
                 mirror.maps.push_back(game.map(mirror.monsters.size()));
             return save();
         }},
        {"other profiles",
         [&] {
             mirror.profiles = game.profiles();
             return whatIf.setProfiles(mirror.profiles);
         }},
        {"another monster picked",
         [&] {
             const std::size_t n = anyMonster();
             mirror.monsterEdit =
                 game.oneIn(8)
                     ? std::nullopt
                     : std::optional(MonsterEdit{n, n < mirror.monsters.size() ? mirror.monsters[n]
                                                                               : game.monster()});
             return whatIf.setMonsterEdit(mirror.monsterEdit);
         }},
        {"a keystroke in the picked monster's boxes",
         [&] {
             if (mirror.monsterEdit)
                 mirror.monsterEdit->record = game.typedInto(mirror.monsterEdit->record);
             return whatIf.setMonsterEdit(mirror.monsterEdit);
         }},
        {"another map picked",
         [&] {
             const std::size_t m = anyMap();
             mirror.mapEdit =
                 game.oneIn(8) ? std::nullopt
                               : std::optional(MapEdit{m, m < mirror.maps.size()
                                                              ? mirror.maps[m]
                                                              : game.map(mirror.monsters.size())});
             return whatIf.setMapEdit(mirror.mapEdit);
         }},
        {"a keystroke in the selected map's boxes",
         [&] {
             if (mirror.mapEdit)
                 mirror.mapEdit->record =
                     game.typedInto(mirror.mapEdit->record, mirror.monsters.size());
             return whatIf.setMapEdit(mirror.mapEdit);
         }},
        {"the picked monster or the selected map saved",
         [&] {
             if (mirror.monsterEdit && mirror.monsterEdit->monster < mirror.monsters.size())
                 mirror.monsters[mirror.monsterEdit->monster] = mirror.monsterEdit->record;
             if (mirror.mapEdit && mirror.mapEdit->map < mirror.maps.size())
                 mirror.maps[mirror.mapEdit->map] = mirror.mapEdit->record;
             return save();
         }},
    };
    // Keystrokes and picks come most often.
    const std::size_t weights[] = {2, 2, 1, 1, 1, 3, 5, 3, 5, 1};
    static_assert(std::size(weights) == std::size(changes));
    std::discrete_distribution<std::size_t> which(std::begin(weights), std::end(weights));
    std::mt19937 order(7);
    for (int step = 0; step < 400; ++step) {
        const Change& change = changes[which(order)];
        const Picture before = pictureOf(mirror);
        const std::vector<BalanceCell> reported = change.make();
        ASSERT_TRUE(followsMirror(whatIf, mirror, before, reported))
            << "step " << step << ": " << change.name;
    }
}

} // namespace
} // namespace valmor::test
