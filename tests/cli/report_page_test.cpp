// The report's page read for what it says, not only for how many parts it has: the
// tables of monsters on no map, the cards of monsters named on the command line, and the
// number of profiles it takes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cli_fixture.h"
#include "demo/demo_data.h"
#include "demo/tables.h"
#include "game/monster_record.h"
#include "game/sprite.h"

namespace valmor::test {
namespace {

std::size_t count(const std::string& text, const std::string& part) {
    std::size_t n = 0;
    for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++n;
    return n;
}

// The part of the page in <section id="`id`">.
std::string section(const std::string& html, const std::string& id) {
    const std::size_t begin = html.find("<section id=\"" + id + "\">");
    if (begin == std::string::npos)
        return {};
    return html.substr(begin, html.find("</section>", begin) - begin);
}

// The monster numbers of the rows of each table of monsters on no map, in page order.
std::vector<std::vector<int>> rowTables(const std::string& html) {
    const std::string table = "<div class=\"rows\">", row = "<tr id=\"monster-";
    std::vector<std::vector<int>> tables;
    for (auto at = html.find(table); at != std::string::npos;) {
        const std::size_t next = html.find(table, at + 1);
        const std::size_t end = next == std::string::npos ? html.size() : next;
        tables.emplace_back();
        for (auto r = html.find(row, at); r < end; r = html.find(row, r + 1))
            tables.back().push_back(std::stoi(html.substr(r + row.size())));
        at = next;
    }
    return tables;
}

// The demo files whose stats file repeats the demo monsters up to a chosen count; the
// copies count on no map. The sprite file holds as many frames, blank past the demo's.
class ReportPageTest : public DemoDirTest {
protected:
    void growTo(std::size_t monsters) {
        const std::vector<MonsterRecord> demo = demo::demoMonsters();
        std::string stats;
        for (std::size_t n = 0; n < monsters; ++n) {
            const auto bytes = encodeMonsterRecord(demo[n % demo.size()]);
            stats.append(reinterpret_cast<const char*>(bytes.data()), bytes.size());
        }
        writeText(file(kMonsterFileName), stats);
        std::filesystem::resize_file(file(kSpriteFileName),
                                     std::uintmax_t{monsters} * kSpriteFrameBytes);
    }

    ToolRun report(const std::vector<std::string>& options) {
        std::vector<std::string> arguments{"-C", dir_.string(), "report", "--character",
                                           "5,30,23,34,17,105"};
        arguments.insert(arguments.end(), options.begin(), options.end());
        arguments.insert(arguments.end(), {"-o", file("report.html").string()});
        return runTool(arguments);
    }
};

TEST_F(ReportPageTest, MonstersOnNoMapComeInTablesOf250RowsEachListedOnce) {
    const struct {
        std::size_t monsters;
        std::vector<std::size_t> tables; // rows per table
    } cases[] = {
        {57, {}},               // every monster counts: no table
        {58, {1}},              //
        {307, {250}},           // a full table and no empty one after it
        {308, {250, 1}},        //
        {557, {250, 250}},      //
        {700, {250, 250, 143}}, //
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(rowName(cases, c));
        growTo(c.monsters);
        const ToolRun result = report({});
        ASSERT_EQ(result.status, 0) << result.err;
        const std::string html = readText(file("report.html"));
        const auto tables = rowTables(html);
        std::vector<std::size_t> sizes;
        std::vector<int> listed;
        for (const auto& table : tables) {
            sizes.push_back(table.size());
            listed.insert(listed.end(), table.begin(), table.end());
        }
        EXPECT_EQ(sizes, c.tables);
        std::vector<int> onNoMap;
        for (int n = 57; n < static_cast<int>(c.monsters); ++n)
            onNoMap.push_back(n);
        EXPECT_EQ(listed, onNoMap) << "each monster on no map once, in order";
        EXPECT_EQ(html.find("Monsters on no map") != std::string::npos, !c.tables.empty());
    }
}

TEST_F(ReportPageTest, AMonsterNamedTwiceGetsOneCard) {
    growTo(700);
    // Monster 0 is the demo's Green Ooze and counts on maps; 100 and 699 count nowhere.
    const struct {
        std::vector<std::string> named;
        std::vector<int> cards; // the named monsters, each with one card and no row
        std::size_t allCards;
        const char* summary;
    } cases[] = {
        {{"100", "100"},
         {100},
         58,
         "58 of 700 monsters are shown in full: the 57 that count "
         "on some map (only they can change a map) and 1 named with "
         "--monster. The other 642 are listed"},
        {{"699", "100", "699.0", "100"},
         {100, 699},
         59,
         "and 2 named with --monster. The other "
         "641 are listed"},
        {{"Green Ooze", "0", "green ooze"},
         {0},
         57,
         "(only they can change a map). The other 643 are listed"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(rowName(cases, c));
        std::vector<std::string> options;
        for (const std::string& name : c.named)
            options.insert(options.end(), {"--monster", name});
        const ToolRun result = report(options);
        ASSERT_EQ(result.status, 0) << result.err;
        const std::string html = readText(file("report.html"));
        EXPECT_EQ(count(html, "<article class=\"card\""), c.allCards);
        for (const int n : c.cards) {
            const std::string id = "id=\"monster-" + std::to_string(n) + "\"";
            EXPECT_EQ(count(html, id), 1u) << n;
            EXPECT_EQ(count(html, "<article class=\"card\" " + id), 1u) << n;
        }
        // Once above the cards and once in the summary.
        EXPECT_EQ(count(html, c.summary), 2u) << c.summary;
    }
}

TEST_F(ReportPageTest, TakesTwoHundredProfilesAndRefusesMore) {
    const struct {
        int profiles;
        int status;
        const char* out;
        const char* err;
    } cases[] = {
        {200, 0, ": 57 monsters, 268 maps, 200 profiles\n", ""},
        {201, 1, "",
         "report takes at most 200 profiles, 201 given: a heat map of more rows cannot be read "
         "(balance takes any number)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(rowName(cases, c));
        std::string table = "name,level,strength,agility,item_damage,item_defense,hp\n";
        for (int p = 0; p < c.profiles; ++p)
            table += "Hero " + std::to_string(p) + ',' + std::to_string(1 + p % 30) + ",30,23," +
                     std::to_string(10 + p) + ",17," + std::to_string(45 + 3 * p) + '\n';
        writeText(file("profiles.csv"), table);
        std::filesystem::remove(file("report.html"));
        const ToolRun result =
            runTool({"-C", dir_.string(), "report", "--characters", file("profiles.csv").string(),
                     "-o", file("report.html").string()});
        EXPECT_EQ(result.status, c.status);
        EXPECT_TRUE(result.out.ends_with(c.out)) << result.out;
        EXPECT_NE(result.err.find(c.err), std::string::npos) << result.err;
        if (c.status != 0) {
            EXPECT_FALSE(std::filesystem::exists(file("report.html")));
            continue;
        }
        // Every profile, in order: a row of the summary, a heading of the maps table, a
        // row of each heat map.
        const std::string html = readText(file("report.html"));
        const std::string summary = section(html, "summary"), maps = section(html, "maps"),
                          charts = section(html, "charts");
        for (const int p : {0, 1, 100, 198, 199}) {
            const std::string name = "Hero " + std::to_string(p);
            EXPECT_EQ(count(summary, "<tr><td class=\"text\">" + name + "</td>"), 1u) << name;
            EXPECT_EQ(count(maps, "<th>" + name + "</th>"), 1u) << name;
            EXPECT_EQ(count(charts, "text-anchor=\"end\">" + name + "</text>"), 2u) << name;
        }
        EXPECT_EQ(count(summary, "<tr><td class=\"text\">Hero "), 200u);
        EXPECT_EQ(count(maps, "<th>Hero "), 200u);
        EXPECT_EQ(count(maps, "<td class=\"p v-"), 268 * 200u);
        EXPECT_EQ(count(charts, "text-anchor=\"end\">Hero "), 2 * 200u);
    }
}

} // namespace
} // namespace valmor::test
