// The balance commands: the README's two worked maps through balance and where, the
// calculator's texts per monster, the profile options and files and their faults, and
// the report's parts.
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include "cli/balance_commands.h"
#include "cli/cli.h"
#include "cli/terminal_text.h"
#include "cli_fixture.h"
#include "demo/tables.h"
#include "game/encounter_record.h"
#include "game/monster_record.h"
#include "game/sprite.h"
#include "game/tables/json.h"
#include "game/tables/text_stream.h"
#include "support/monster_builder.h"

namespace valmor::test {
namespace {

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> list;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        list.push_back(line);
    }
    return list;
}

std::size_t count(const std::string& text, const std::string& part) {
    std::size_t n = 0;
    for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++n;
    return n;
}

MonsterRecord monster(const char* name, std::int16_t hp, std::int16_t def, std::int16_t offMax,
                      std::int16_t exp, std::int16_t gold, std::int16_t item1 = -1,
                      std::int16_t item1Perc = 0, std::int16_t item2 = -1,
                      std::int16_t item2Perc = 0) {
    MonsterRecord r = battleMonster(hp, def, offMax, exp, gold, item1, item1Perc, item2, item2Perc);
    r.name = name;
    return r;
}

// The demo files with the stats and encounters of the README's worked example: a
// character of level, strength and agility 0 (so every combat value is its base value)
// with item damage 10, item defense 2 and 100 HP.
class WorkedExampleTest : public DemoDirTest {
protected:
    void SetUp() override {
        DemoDirTest::SetUp();
        MonsterRecord lich = monster("Lich", 50, 1, 1, 1, 1);
        lich.level = 100;
        const MonsterRecord monsters[] = {
            monster("Ooze", 20, 5, 6, 10, 4, 7, 50),
            monster("Bat", 9, 6, 12, 30, 20, 7, 100, 8, 20),
            monster("Golem", 10, 8, 3, 4, 2),
            lich,
            monster("Wall", 10, 10, 0, 0, 0),
        };
        std::filesystem::remove(file(kMonsterFileName));
        for (std::size_t n = 0; n < std::size(monsters); ++n)
            writeMonsterRecord(file(kMonsterFileName), static_cast<std::int16_t>(n), monsters[n]);
        std::filesystem::remove(file(kEncounterFileName));
        writeEncounterRecord(file(kEncounterFileName), 1,
                             {{0, 1, 0, 0, 0}, {3, 1, 0, 0, 0}, {1, 0, 1}});
        writeEncounterRecord(file(kEncounterFileName), 2,
                             {{2, 0, 99, 2, 1}, {40, 40, 50, 20, -5}, {2, 2, -4}});
        writeEncounterRecord(file(kEncounterFileName), 3,
                             {{0, 3, 0, 0, 0}, {1, 1, 0, 0, 0}, {1, 0, 0}});
        writeEncounterRecord(file(kEncounterFileName), 4,
                             {{4, 0, 0, 0, 0}, {1, 1, 0, 0, 0}, {0, 1, 0}});
    }
    ToolRun run(std::vector<std::string> arguments) {
        arguments.insert(arguments.begin(), {"-C", dir_.string()});
        return runTool(arguments);
    }
};

TEST_F(WorkedExampleTest, BalanceGivesTheMapsWorkedByHand) {
    const ToolRun result = run({"balance", "--character", "0,0,0,10,2,100"});
    ASSERT_EQ(result.status, 0) << result.err;
    const std::vector<std::string> rows = lines(result.out);
    ASSERT_EQ(rows.size(), 269u); // the header and the editor's 268 maps
    const std::pair<std::size_t, const char*> expected[] = {
        {0, "map,profile,monsters,group,hits,exp,gold,damage,damage_pct,worst_pct,verdict,"
            "defeat_pct"},
        {1, "1,\"L0\",\"0:75%;1:25%\",2,7.5,30,16,69.9375,69.9375,180,\"risky\",28.9062"},
        {2, "2,\"L0\",\"2:60%;0:40%\",1.5,6.9,9.6,4.2,19.16,19.16,48,\"safe\",0"},
        {3, "3,\"L0\",\"0:50%;3:50%\",1,,5.5,2.5,,,,\"error (monster 3: Division by zero)\","},
        {4, "4,\"L0\",\"4:50%;0:50%\",2,,10,4,,,,\"unbeatable\","},
        {5, "5,\"L0\",\"\",,,,,,,,\"empty\","},
        {268, "268,\"L0\",\"\",,,,,,,,\"empty\","},
    };
    for (const auto& entry : expected) {
        SCOPED_TRACE(rowName(expected, entry));
        const auto& [row, text] = entry;
        EXPECT_EQ(rows[row], text) << "row " << row;
    }
}

TEST_F(WorkedExampleTest, MonsterRowsCarryTheCalculatorTextsAndErrors) {
    const ToolRun result = run(
        {"balance", "--character", "0,0,0,10,2,100", "--character", "5,1,1,10,2,30", "--monsters"});
    ASSERT_EQ(result.status, 0) << result.err;
    const std::vector<std::string> rows = lines(result.out);
    ASSERT_EQ(rows.size(), 11u);
    const std::pair<std::size_t, const char*> expected[] = {
        {0, "monster,name,profile,damage_to_monster,damage_to_char,hits_to_kill_monster,"
            "hits_to_kill_char,maps"},
        {1, "0,\"Ooze\",\"L0\",5,4,4,25,4"},
        {3, "1,\"Bat\",\"L0\",4,10,2.25,10,1"},
        {5, "2,\"Golem\",\"L0\",2,1,5,100,1"},
        {7, "3,\"Lich\",\"L0\",\"Division by zero\",,,,1"},
        {9, "4,\"Wall\",\"L0\",0,-2,\"Division by zero\",,1"},
        {10, "4,\"Wall\",\"L5\",1.157895,-2.231579,8.63636167355417,-13.4433959093539,1"},
    };
    for (const auto& entry2 : expected) {
        SCOPED_TRACE(rowName(expected, entry2));
        const auto& [row, text] = entry2;
        EXPECT_EQ(rows[row], text) << "row " << row;
    }
}

TEST_F(WorkedExampleTest, JsonHoldsTheSameValuesAndTheDrops) {
    const ToolRun result = run({"balance", "--character", "0,0,0,10,2,100", "--format", "json"});
    ASSERT_EQ(result.status, 0) << result.err;
    std::istringstream in(result.out);
    tables::TextStream stream(in, "out");
    tables::JsonReader reader(stream);
    std::vector<tables::JsonObject> objects;
    for (tables::JsonObject object; reader.next(object);)
        objects.push_back(object);
    ASSERT_EQ(objects.size(), 268u);
    const tables::JsonObject& first = objects.front();
    std::vector<std::string> keys;
    for (const tables::Cell& key : first.keys)
        keys.push_back(key.text);
    EXPECT_EQ(keys, (std::vector<std::string>{"map", "profile", "monsters", "group", "hits", "exp",
                                              "gold", "damage", "damage_pct", "worst_pct",
                                              "verdict", "defeat_pct", "drops"}));
    EXPECT_EQ(first.values[8].text, "69.9375");
    EXPECT_EQ(first.values[10].text, "risky");
    EXPECT_EQ(first.values[11].text, "28.9062");
    EXPECT_EQ(objects[2].values[11].kind, tables::CellKind::Other); // error: null
    // The drops are nested, so only their text is checked here.
    EXPECT_NE(result.out.find("\"drops\":[{\"item\":7,\"name\":\""), std::string::npos);
    EXPECT_NE(result.out.find("\"expected\":1.25},{\"item\":8,"), std::string::npos);
    EXPECT_EQ(objects[4].values[4].kind, tables::CellKind::Other); // hits of an empty map: null
}

TEST_F(WorkedExampleTest, WhereListsTheMapsOfAMonsterByChance) {
    const struct {
        const char* monster;
        int status;
        const char* out;
        const char* err;
        const char* profile = "";
    } cases[] = {
        {"0", 0,
         "Ooze (monster 0) counts in 4 of 268 maps:\n"
         "   map     chance   1 monster  2 monsters  3 monsters\n"
         "     1        75%         50%          0%         50%\n"
         "     3        50%        100%          0%          0%\n"
         "     4        50%          0%        100%          0%\n"
         "     2        40%         50%         50%          0%\n",
         ""},
        {" golem ", 0,
         "Golem (monster 2) counts in 1 of 268 maps:\n"
         "   map     chance   1 monster  2 monsters  3 monsters\n"
         "     2        60%         50%         50%          0%\n",
         ""},
        {"Bat", 0,
         "Bat (monster 1) counts in 1 of 268 maps:\n"
         "   map     chance   1 monster  2 monsters  3 monsters\n"
         "     1        25%         50%          0%         50%\n",
         ""},
        {"5", 1, "", "valmor-data: monster 5: the stats file holds 5 monsters, 0 to 4\n"},
        {"Dragon", 1, "", "valmor-data: no monster is named \"Dragon\"\n"},
        // A profile adds its defeat chance per map, or the verdict where it is unknown.
        {"0", 0,
         "Ooze (monster 0) counts in 4 of 268 maps:\n"
         "   map     chance   1 monster  2 monsters  3 monsters   L0 defeat\n"
         "     1        75%         50%          0%         50%    28.9062%\n"
         "     3        50%        100%          0%          0%       error\n"
         "     4        50%          0%        100%          0%  unbeatable\n"
         "     2        40%         50%         50%          0%          0%\n",
         "", "0,0,0,10,2,100"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.monster) + " " + c.profile);
        std::vector<std::string> arguments{"where", c.monster};
        if (*c.profile != '\0')
            arguments.insert(arguments.end(), {"--character", c.profile});
        const ToolRun result = run(arguments);
        EXPECT_EQ(result.status, c.status);
        EXPECT_EQ(result.out, c.out);
        EXPECT_EQ(result.err, c.err);
    }
}

TEST_F(WorkedExampleTest, ProfileOptionsAndFilesAreChecked) {
    writeText(file("good.csv"), "hp,name,level,strength,agility,item_damage,item_defense,note\r\n"
                                "100,hero,0,0,0,10,2,x\r\n"
                                "50,,3,0,0,10,2,y\r\n");
    writeText(file("letters.csv"), "name,level,strength,agility,item_damage,item_defense,hp\n"
                                   "a,1,2,3,4,5,6\n"
                                   "b,x,2,3,4,5,6\n");
    writeText(file("nohp.csv"), "name,level,strength,agility,item_damage,item_defense\n");
    writeText(file("zero.csv"), "name,level,strength,agility,item_damage,item_defense,hp\n"
                                "a,1,2,3,4,5,0\n");
    writeText(file("short.csv"), "name,level,strength,agility,item_damage,item_defense,hp\n"
                                 "a,1,2\n");
    writeText(file("empty.csv"), "name,level,strength,agility,item_damage,item_defense,hp\n");
    writeText(file("twice.csv"), "name,level,strength,agility,item_damage,item_defense,hp\n"
                                 "hero,1,2,3,4,5,6\n"
                                 "elf,1,2,3,4,5,6\n"
                                 "hero,7,2,3,4,5,6\n");
    const std::string f = dir_.string() + "/";
    const struct {
        const char* name;
        std::vector<std::string> arguments;
        int status;
        std::string err;
    } cases[] = {
        {"file", {"--characters", f + "good.csv"}, 0, ""},
        {"no profile", {}, 2, "balance: give one or more --character L,S,A,D,DEF,HP, or"},
        {"both",
         {"--character", "1,1,1,1,1,1", "--characters", f + "good.csv"},
         2,
         "balance: give one or more"},
        {"five numbers",
         {"--character", "1,2,3,4,5"},
         2,
         "balance: --character 1,2,3,4,5: expected six numbers"},
        {"seven numbers", {"--character", "1,2,3,4,5,6,7"}, 2, "expected six numbers"},
        {"a word", {"--character", "1,2,x,4,5,6"}, 2, "expected six numbers"},
        {"hp 0", {"--character", "1,2,3,4,5,0"}, 2, "--character 1,2,3,4,5,0: HP must be above 0"},
        {"letters",
         {"--characters", f + "letters.csv"},
         1,
         f + "letters.csv:3:3: level: \"x\" is not a number"},
        {"no hp column", {"--characters", f + "nohp.csv"}, 1, f + "nohp.csv:1:1: no column hp"},
        {"hp 0 in a file",
         {"--characters", f + "zero.csv"},
         1,
         f + "zero.csv:2:13: hp: must be above 0"},
        {"short row",
         {"--characters", f + "short.csv"},
         1,
         f + "short.csv:2:1: 3 fields where the header has 7"},
        {"header only", {"--characters", f + "empty.csv"}, 1, "no profiles, only a header"},
        {"two profiles of one name",
         {"--characters", f + "twice.csv"},
         1,
         f + "twice.csv:4:1: name \"hero\" is also the name on line 2"},
        {"missing file", {"--characters", f + "none.csv"}, 1, "cannot read " + f + "none.csv"},
        {"over a game file",
         {"--character", "1,1,1,1,1,1", "-o", f + kMonsterFileName},
         1,
         "will not write over the game file"},
    };
    const Bytes stats = readBytes(file(kMonsterFileName));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::string> arguments{"balance"};
        arguments.insert(arguments.end(), c.arguments.begin(), c.arguments.end());
        const ToolRun result = run(arguments);
        EXPECT_EQ(result.status, c.status);
        EXPECT_NE(result.err.find(c.err), std::string::npos) << result.err;
        if (c.status == 0) {
            EXPECT_EQ(lines(result.out).at(1).substr(0, 9), "1,\"hero\",");
            EXPECT_EQ(lines(result.out).at(2).substr(0, 7), "1,\"L3\",");
        }
    }
    EXPECT_EQ(readBytes(file(kMonsterFileName)), stats);
}

TEST(BattleCacheTest, GivesEachBattleWhetherKeptMadeRoomOrNeverKept) {
    const std::vector<MonsterRecord> monsters{
        monster("Ooze", 20, 5, 6, 10, 4),   monster("Bat", 9, 6, 12, 30, 20),
        monster("Golem", 10, 8, 3, 4, 2),   monster("Wall", 10, 10, 0, 0, 0),
        monster("Imp", 7, 9, 8, 12, 6),     monster("Wolf", 14, 11, 10, 20, 9),
        monster("Troll", 40, 14, 6, 18, 15)};
    const std::vector<CharacterProfile> profiles{
        {"a", 0, 0, 0, 10, 2, 100}, {"b", 5, 1, 1, 10, 2, 30}, {"c", 9, 30, 20, 40, 12, 90}};
    const int asked[] = {0, 1, 0, 2, 3, 1, 6, 5, 4, 0, 3, 3, 2, 0, 6, 1, 5, 4, 2};
    // Room for every monster; for five (the one asked for longest ago goes); for fewer
    // than a map names (one, none): each battle formed as asked.
    for (const std::size_t kept :
         {std::size_t{7}, std::size_t{5}, std::size_t{1}, std::size_t{0}}) {
        cli::BattleCache cache(monsters, profiles, kept * profiles.size() * sizeof(MonsterBattle));
        for (const int n : asked) {
            for (std::size_t p = profiles.size(); p-- > 0;) {
                SCOPED_TRACE("kept " + std::to_string(kept) + ", monster " + std::to_string(n) +
                             ", profile " + std::to_string(p));
                const MonsterBattle expected = battleAgainst(profiles[p], monsters[n]);
                const MonsterBattle& given = cache.lookup(p)(n);
                EXPECT_EQ(given.texts, expected.texts);
                EXPECT_EQ(given.hits, expected.hits);
            }
        }
    }
}

TEST(BalanceFormatTest, NumbersKeepSixSignificantDigits) {
    const std::pair<double, const char*> cases[] = {
        {0, "0"},
        {-0.0, "0"},
        {7.5, "7.5"},
        {0.1 + 0.2, "0.3"},
        {1.0 / 3, "0.333333"},
        {69.9375, "69.9375"},
        {-2.5, "-2.5"},
        {1234567, "1.23457e+06"},
        {0.00001234, "1.234e-05"},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(rowName(cases, row));
        const auto& [value, text] = row;
        EXPECT_EQ(cli::formatNumber(value), text) << value;
    }
}

// The demo files and the demo character progression.
class BalanceDemoTest : public DemoDirTest {
protected:
    void SetUp() override { demo::writeDemoData(dir_, false, true); }
};

TEST_F(BalanceDemoTest, HelpCarriesTheModelAndTheDemoProgressionRuns) {
    const ToolRun help = runTool({"balance", "--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find(cli::encounterModelHelp()), std::string::npos);
    for (const char* command : {"balance", "where", "report"})
        EXPECT_NE(runTool({"--help"}).out.find(std::string("  ") + command), std::string::npos)
            << command;

    const ToolRun result = runTool(
        {"-C", dir_.string(), "balance", "--characters", file(demo::kCharactersFileName).string()});
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(lines(result.out).size(), 1 + 268 * 20u);
    EXPECT_EQ(result.out.find("nan"), std::string::npos);
    EXPECT_EQ(result.out.find("inf"), std::string::npos);
}

TEST_F(BalanceDemoTest, ReportHoldsEveryPartAndNeedsNothingBesideIt) {
    const ToolRun result =
        runTool({"-C", dir_.string(), "report", "--character", "5,30,23,34,17,105", "--character",
                 "12,58,44,76,38,210", "-o", file("report.html").string()});
    ASSERT_EQ(result.status, 0) << result.err;
    const std::string html = readText(file("report.html"));
    EXPECT_EQ(count(html, "<article class=\"card\""), 57u);
    EXPECT_EQ(count(html, "<span class=\"sprite s"), 57u);
    EXPECT_EQ(count(html, "url(data:image/png;base64,iVBORw0KGgo"), 57u);
    // A row per map, with a cell per profile.
    EXPECT_EQ(count(html, "<tr class=\"map-row\">"), 268u);
    EXPECT_EQ(count(html, "<td class=\"p v-"), 268 * 2u);
    const std::size_t chart = html.find("<svg id=\"damage-chart\"");
    ASSERT_NE(chart, std::string::npos);
    EXPECT_EQ(count(html.substr(chart, html.find("</svg>", chart) - chart), "<rect class=\"bar "),
              268u);
    EXPECT_NE(html.find("<svg id=\"exp-chart\""), std::string::npos);
    EXPECT_NE(html.find("<svg id=\"heat-map\""), std::string::npos);
    EXPECT_NE(html.find("<svg id=\"defeat-map\""), std::string::npos);
    EXPECT_NE(html.find("check finds no problems"), std::string::npos);
    EXPECT_NE(html.find("57 of 57 monsters are shown in full"), std::string::npos);
    EXPECT_EQ(html.find("Monsters on no map"), std::string::npos);
    // Self-contained: no address to fetch anything from.
    for (const char* outside : {"http:", "https:", "<link", "src=\"/"})
        EXPECT_EQ(html.find(outside), std::string::npos) << outside;
    EXPECT_EQ(count(html, "url("), count(html, "url(data:"));

    // One profile: no heat map; problems that check finds appear in the summary.
    MonsterRecord broken = readMonsterRecord(file(kMonsterFileName), 2);
    broken.item1 = 120;
    writeMonsterRecord(file(kMonsterFileName), 2, broken);
    ASSERT_EQ(runTool({"-C", dir_.string(), "report", "--character", "5,30,23,34,17,105", "-o",
                       file("report.html").string()})
                  .status,
              0);
    const std::string single = readText(file("report.html"));
    EXPECT_EQ(single.find("<svg id=\"heat-map\""), std::string::npos);
    EXPECT_EQ(single.find("<svg id=\"defeat-map\""), std::string::npos);
    EXPECT_NE(
        single.find("monsters.tat, record 3 (sprite 2), item1: error: 120 is outside -1 to 99"),
        std::string::npos);
    EXPECT_NE(single.find("120 no such item"), std::string::npos);
}

TEST_F(BalanceDemoTest, ReportEscapesNamesAndGivesEachProfileItsOwnRow) {
    MonsterRecord orc = readMonsterRecord(file(kMonsterFileName), 0);
    std::ranges::copy(std::string_view("<b>Orc&   "), orc.name.begin());
    writeMonsterRecord(file(kMonsterFileName), 0, orc);
    // Map 1 holds monster 0: the weak profile cannot beat it, the strong one is safe.
    const ToolRun result =
        runTool({"-C", dir_.string(), "report", "--character", "1,0,0,3,0,8", "--character",
                 "30,60,60,90,40,400", "-o", file("report.html").string()});
    ASSERT_EQ(result.status, 0) << result.err;
    const std::string html = readText(file("report.html"));
    EXPECT_EQ(html.find("<b>Orc&"), std::string::npos);
    EXPECT_NE(html.find("&lt;b&gt;Orc&amp;"), std::string::npos);
    const std::size_t heat = html.find("<svg id=\"heat-map\"");
    ASSERT_NE(heat, std::string::npos);
    const std::string heatMap = html.substr(heat, html.find("</svg>", heat) - heat);
    for (const auto& [profile, verdict] : {std::pair{"L1", "unbeatable"}, {"L30", "safe"}}) {
        const std::size_t title = heatMap.find(std::string("<title>map 1, ") + profile + ": ");
        ASSERT_NE(title, std::string::npos) << profile;
        EXPECT_EQ(heatMap.substr(title, heatMap.find("</title>", title) - title).find(verdict) !=
                      std::string::npos,
                  true)
            << profile;
    }
    const std::size_t bars = html.find("<svg id=\"damage-chart\"");
    ASSERT_NE(bars, std::string::npos);
    // The first bar is map 1's.
    const std::size_t firstTitle = html.find("<title>", html.find("<rect class=\"bar ", bars));
    EXPECT_EQ(html.substr(firstTitle, 14), "<title>map 1: ");
}

// The demo data grown to the formats' limit: 32,767 stats records (the demo monsters over
// and over, the copies on no map) and a sparse sprite file of as many frames, all blank
// past the demo's 57.
class ReportAtTheLimitTest : public BalanceDemoTest {
protected:
    void SetUp() override {
        BalanceDemoTest::SetUp();
        const std::vector<MonsterRecord> monsters = demo::demoMonsters();
        std::string stats;
        for (std::size_t n = 0; n < 32767; ++n) {
            const auto bytes = encodeMonsterRecord(monsters[n % monsters.size()]);
            stats.append(reinterpret_cast<const char*>(bytes.data()), bytes.size());
        }
        writeText(file(kMonsterFileName), stats);
        std::filesystem::resize_file(file(kSpriteFileName),
                                     std::uintmax_t{32767} * kSpriteFrameBytes);
    }
    ToolRun report(std::vector<std::string> arguments) {
        arguments.insert(arguments.begin(), {"-C", dir_.string(), "report", "--characters",
                                             file(demo::kCharactersFileName).string()});
        return runTool(arguments);
    }
};

TEST_F(ReportAtTheLimitTest, CardsForTheMonstersThatCountARowForEveryOther) {
    const ToolRun result = report({"--monster", "100", "--monster", "Green Ooze", "--monster",
                                   "32766", "-o", file("report.html").string()});
    ASSERT_EQ(result.status, 0) << result.err;
    const std::string html = readText(file("report.html"));
    // The 57 that count and the two named that count nowhere; Green Ooze counts already.
    EXPECT_EQ(count(html, "<article class=\"card\""), 59u);
    EXPECT_NE(html.find("<article class=\"card\" id=\"monster-32766\""), std::string::npos);
    EXPECT_NE(html.find("59 of 32767 monsters are shown in full: the 57 that count on some map "
                        "(only they can change a map) and 2 named with --monster. The other "
                        "32708 are listed"),
              std::string::npos);
    EXPECT_EQ(count(html, "<td>no map\n"), 32708u);
    EXPECT_EQ(html.find("<tr id=\"monster-100\">"), std::string::npos);
    EXPECT_NE(html.find("<tr id=\"monster-101\">"), std::string::npos);
    // Every monster shows a sprite, but each picture is written once: the demo's 57 and
    // the blank frame.
    EXPECT_EQ(count(html, "<span class=\"sprite s"), 59u);
    EXPECT_EQ(count(html, "<i class=\"sprite s"), 32708u);
    EXPECT_EQ(count(html, "{background-image:url(data:image/png;base64,"), 58u);
    EXPECT_EQ(count(html, "<tr class=\"map-row\">"), 268u);
}

TEST_F(ReportAtTheLimitTest, TakesAtMostTwoHundredProfilesAndKnownMonsters) {
    std::string profiles = "name,level,strength,agility,item_damage,item_defense,hp\n";
    for (int p = 0; p < 201; ++p)
        profiles += "P" + std::to_string(p) + ",5,30,23,34,17,105\n";
    writeText(file("many.csv"), profiles);
    const struct {
        std::vector<std::string> arguments;
        const char* err;
    } cases[] = {
        {{"--characters", file("many.csv").string()},
         "report takes at most 200 profiles, 201 given: a heat map of more rows cannot be read "
         "(balance takes any number)"},
        {{"--monster", "32767"}, "monster 32767: the stats file holds 32767 monsters, 0 to 32766"},
        {{"--monster", "Dragon"}, "no monster is named \"Dragon\""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.err);
        std::vector<std::string> arguments = c.arguments;
        arguments.insert(arguments.end(), {"-o", file("refused.html").string()});
        const ToolRun result = report(arguments);
        EXPECT_EQ(result.status, 1);
        EXPECT_NE(result.err.find(c.err), std::string::npos) << result.err;
        EXPECT_FALSE(std::filesystem::exists(file("refused.html")));
    }
}

// Names from the game files and the profile table on standard output: escaped as messages
// are when it is a terminal (no title set, no screen cleared), exact bytes to a pipe.
TEST_F(BalanceDemoTest, NamesReachATerminalEscapedAndAPipeExact) {
    MonsterRecord orc = readMonsterRecord(file(kMonsterFileName), 0);
    orc.name = "Or\x1B]0;x\x07\x9B "; // ten bytes, as the field
    writeMonsterRecord(file(kMonsterFileName), 0, orc);
    writeText(file("heroes.csv"), "name,level,strength,agility,item_damage,item_defense,hp\n"
                                  "\"Hero\x1B[2J\xC2\x9D\",1,0,0,3,0,8\n");
    const auto run = [&](std::vector<std::string> arguments, bool terminal) {
        arguments.insert(arguments.begin(), {"valmor-data", "-C", dir_.string()});
        std::istringstream in;
        std::ostringstream out;
        std::ostringstream err;
        const int status = cli::runCli(arguments, in, out, err, false, terminal);
        EXPECT_EQ(status, 0) << err.str();
        return out.str();
    };
    // The monster's name as exported (ISO-8859-1 as UTF-8) and the profile's, raw and shown.
    const std::string monsterRaw = "Or\x1B]0;x\x07\xC2\x9B";
    const std::string monsterShown = "Or\\x1B]0;x\\x07\\xC2\\x9B";
    const std::string heroRaw = "Hero\x1B[2J\xC2\x9D";
    const std::string heroShown = "Hero\\x1B[2J\\xC2\\x9D";
    const std::string characters = file("heroes.csv").string();
    const struct {
        const char* row;
        std::vector<std::string> arguments;
        std::vector<std::string> names; // raw
        std::vector<std::string> shown; // on a terminal
    } cases[] = {
        {"export-stats", {"export-stats"}, {monsterRaw}, {monsterShown}},
        {"export-stats as JSON",
         {"export-stats", "--format", "json"},
         {"\xC2\x9B"},
         {"\\xC2\\x9B"}},
        {"balance", {"balance", "--characters", characters}, {heroRaw}, {heroShown}},
        {"balance --monsters",
         {"balance", "--monsters", "--characters", characters},
         {monsterRaw, heroRaw},
         {monsterShown, heroShown}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.row);
        const std::string piped = run(c.arguments, false);
        const std::string shown = run(c.arguments, true);
        for (std::size_t n = 0; n < c.names.size(); ++n) {
            EXPECT_NE(piped.find(c.names[n]), std::string::npos) << c.names[n];
            EXPECT_NE(shown.find(c.shown[n]), std::string::npos) << c.shown[n];
        }
        // Nothing a terminal acts on but line ends, and every line still there.
        EXPECT_EQ(shown.find_first_of(std::string("\x1B\x07\x9B\x9D")), std::string::npos);
        EXPECT_EQ(count(shown, "\r"), count(shown, "\r\n"));
        EXPECT_EQ(count(shown, "\n"), count(piped, "\n"));
    }
}

// Text cut into writes anywhere comes out as escaped whole: a character or a line end
// split between two writes is held until it is complete.
TEST(TerminalTextTest, EscapesAsAWholeHoweverTheTextIsCut) {
    const struct {
        std::vector<std::string> writes;
        std::string shown;
    } cases[] = {
        {{"caf\xC3", "\xA9\r", "\n"}, "caf\xC3\xA9\r\n"},    {{"a\r", "b\n"}, "a\\x0Db\n"},
        {{"\xE2\x82", "\xAC", "\x1B"}, "\xE2\x82\xAC\\x1B"}, {{"\xC2", "\x9B", "x"}, "\\xC2\\x9Bx"},
        {{"cut \xF0\x9F\x90"}, "cut \\xF0\\x9F\\x90"},       {{"\t\x7F\r"}, "\\x09\\x7F\\x0D"},
    };
    for (const auto& c : cases) {
        std::ostringstream out;
        {
            cli::TerminalText terminal(out);
            std::ostream stream(&terminal);
            for (const std::string& text : c.writes)
                stream << text << std::flush;
        }
        EXPECT_EQ(out.str(), c.shown) << c.shown;
    }
}

} // namespace
} // namespace valmor::test
