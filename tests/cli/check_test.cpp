// The check command on the clean demo data and on files with each kind of problem.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "cli/check.h"
#include "cli_fixture.h"
#include "game/encounter_record.h"
#include "game/item_list.h"
#include "game/monster_record.h"
#include "game/palette.h"
#include "game/sprite.h"

namespace valmor::test {
namespace {

namespace fs = std::filesystem;

class CheckTest : public DemoDirTest {
protected:
    std::vector<std::string> problemLines() {
        std::vector<std::string> lines;
        for (const cli::CheckProblem& problem :
             cli::checkGameFiles(GameDirectory::open(dir_)).problems)
            lines.push_back(cli::formatProblem(problem));
        return lines;
    }

    void editMonster(std::int16_t sprite, const std::function<void(MonsterRecord&)>& edit) {
        MonsterRecord record = readMonsterRecord(file(kMonsterFileName), sprite);
        edit(record);
        writeMonsterRecord(file(kMonsterFileName), sprite, record);
    }

    void editMap(std::int16_t map, const std::function<void(EncounterRecord&)>& edit) {
        EncounterRecord record = readEncounterRecord(file(kEncounterFileName), map);
        edit(record);
        writeEncounterRecord(file(kEncounterFileName), map, record);
    }

    void resize(const char* name, std::size_t size) {
        Bytes bytes = readBytes(file(name));
        bytes.resize(size, 0);
        writeBytes(file(name), bytes);
    }

    // Replaces line `index` (from 0) of a text file.
    void replaceLine(const char* name, std::size_t index, const std::string& line) {
        const std::string text = readText(file(name));
        std::size_t start = 0;
        for (std::size_t i = 0; i < index; ++i)
            start = text.find('\n', start) + 1;
        const std::size_t end = text.find('\n', start);
        writeText(file(name), text.substr(0, start) + line + text.substr(end));
    }
};

TEST_F(CheckTest, DemoDataIsClean) {
    const cli::CheckReport report = cli::checkGameFiles(GameDirectory::open(dir_));
    EXPECT_TRUE(report.problems.empty());
    EXPECT_EQ(report.exitStatus(), 0);
    EXPECT_EQ(cli::check(session()), 0);
    EXPECT_EQ(out_.str(), "check: no problems in 57 sprites, 57 stats records, 268 encounter "
                          "records and 100 item names\n");
}

TEST_F(CheckTest, ReportsEachKindOfProblemWithFileRecordAndField) {
    struct Case {
        std::function<void()> damage;
        std::vector<std::string> lines;
        int status;
    };
    const Case cases[] = {
        {[this] { resize(kSpriteFileName, 57 * 9000 + 10); },
         {"monster.dat: error: 513010 bytes are no whole number of 9000-byte frames: 10 bytes "
          "follow sprite 56"},
         2},
        {[this] { resize(kMonsterFileName, 50 * 86); },
         {"monsters.tat: error: 50 records for 57 sprites: sprites 50 to 56 have no stats"},
         2},
        {[this] {
             editMonster(4, [](MonsterRecord& r) { r.item1 = 100; });
             editMonster(0, [](MonsterRecord& r) { r.item2 = -2; });
         },
         {"monsters.tat, record 1 (sprite 0), item2: error: -2 is outside -1 to 99",
          "monsters.tat, record 5 (sprite 4), item1: error: 100 is outside -1 to 99"},
         2},
        {[this] {
             editMonster(56, [](MonsterRecord& r) {
                 r.hp = 30;
                 r.hp2 = 31;
             });
         },
         {"monsters.tat, record 57 (sprite 56), hp2: error: 31 differs from hp 30"},
         2},
        {[this] {
             editMap(3, [](EncounterRecord& r) { r.monIndex[2] = 57; });
             editMap(268, [](EncounterRecord& r) { r.monIndex[4] = -1; });
         },
         {"encountr.mon, record 3 (map 3), monIndex2: error: monster 57 is outside 0 to 56",
          "encountr.mon, record 268 (map 268), monIndex4: error: monster -1 is outside 0 to 56"},
         2},
        {[this] { editMap(10, [](EncounterRecord& r) {
                      r.monFreq = {50, 20, 20, 5, 4};
                  }); },
         {"encountr.mon, record 10 (map 10), monFreq0-4: warning: the frequencies add up to 99, "
          "not 100"},
         1},
        {[this] {
             replaceLine(kPaletteFileName, 7, "10,64,10");
             replaceLine(kPaletteFileName, 1, "-1,0,0");
         },
         {"mypal.pal, line 2, index 1, red: error: level -1 is outside 0 to 63",
          "mypal.pal, line 8, index 7, green: error: level 64 is outside 0 to 63"},
         2},
        {[this] {
             replaceLine(kPaletteFileName, 3, "abc,def,12abc");
             replaceLine(kPaletteFileName, 5, "9000,0,0");
         },
         {"mypal.pal, line 4, index 3, red: error: \"abc\" is not a number (the editor reads it "
          "as 0)",
          "mypal.pal, line 4, index 3, green: error: \"def\" is not a number (the editor reads it "
          "as 0)",
          "mypal.pal, line 4, index 3, blue: error: \"12abc\" is not a number (the editor reads "
          "it as 12)",
          "mypal.pal, line 6, index 5, red: error: \"9000\" overflows: a level times 4 must lie "
          "within -32768 to 32767"},
         2},
        {[this] {
             const std::string palette = readText(file(kPaletteFileName));
             writeText(file(kPaletteFileName), palette.substr(0, palette.find("\n", 1000)));
         },
         {"mypal.pal, line 121: error: the file ends after 363 of 768 levels"},
         2},
        {[this] { replaceLine(kItemListFileName, 0, "\"Herb"); },
         {"itemlist.txt, item 0 (line 1): warning: its quote closes only on line 2, so the name "
          "takes in the line break and what follows"},
         1},
        {[this] {
             fs::remove(file(kSpriteFileName));
             ASSERT_EQ(mkfifo(file(kSpriteFileName).c_str(), 0600), 0);
         },
         {"monster.dat: error: Not a regular file: monster.dat (a named pipe, not a regular "
          "file)"},
         2},
        {[this] { writeText(file("monsters.tat.valmor-new"), "half a file"); },
         {"monsters.tat: warning: monsters.tat.valmor-new was left beside it by a replace that "
          "did not finish; the next valmor-data import-stats removes it, or remove it by hand"},
         1},
        {[this] {
             const std::string items = readText(file(kItemListFileName));
             writeText(file(kItemListFileName),
                       items.substr(0, items.rfind('\n', items.size() - 2) + 1));
         },
         {"itemlist.txt: error: 99 item names; the editor reads 100"},
         2},
        {[this] { fs::remove(file(kItemListFileName)); }, {"itemlist.txt: error: missing"}, 2},
        {[this] { resize(kMonsterFileName, 57 * 86 + 3); },
         {"monsters.tat: warning: the last record is partial: 3 of 86 bytes"},
         1},
        {[this] { resize(kEncounterFileName, 267 * 26); },
         {"encountr.mon: warning: 267 records for the 268 maps the editor lists"},
         1},
        // A Save after the file was cut (here to 5 records) fills the records it skips with
        // zeros.
        {[this] {
             const MonsterRecord monster9 = readMonsterRecord(file(kMonsterFileName), 9);
             resize(kMonsterFileName, 5 * 86);
             writeMonsterRecord(file(kMonsterFileName), 9, monster9);
         },
         {"monsters.tat, records 6 to 9 (sprites 5 to 8): warning: all zeros, as a Save past the "
          "end of a shorter file leaves the records it skips; give them values unless they are "
          "meant to be empty",
          "monsters.tat: error: 10 records for 57 sprites: sprites 10 to 56 have no stats"},
         2},
        // A removed encounter file, saved again at map 7: one line for the zeros, none per
        // map for their frequencies.
        {[this] {
             const EncounterRecord map7 = readEncounterRecord(file(kEncounterFileName), 7);
             fs::remove(file(kEncounterFileName));
             writeEncounterRecord(file(kEncounterFileName), 7, map7);
         },
         {"encountr.mon, records 1 to 6 (maps 1 to 6): warning: all zeros, as a Save past the "
          "end of a shorter file leaves the records it skips; give them values unless they are "
          "meant to be empty",
          "encountr.mon: warning: 7 records for the 268 maps the editor lists"},
         1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.lines.front());
        fs::remove_all(dir_);
        demo::writeDemoData(dir_, true);
        c.damage();
        EXPECT_EQ(problemLines(), c.lines);
        EXPECT_EQ(cli::check(session()), c.status) << c.lines.front();
        EXPECT_NE(out_.str().find(c.lines.front()), std::string::npos);
    }
}

TEST_F(CheckTest, SummarisesErrorsAndWarnings) {
    editMap(1, [](EncounterRecord& r) { r.monFreq[0] += 1; });
    editMap(2, [](EncounterRecord& r) { r.monFreq[0] += 1; });
    editMonster(3, [](MonsterRecord& r) { r.hp2 += 1; });
    EXPECT_EQ(cli::check(session()), 2);
    EXPECT_EQ(out_.str().substr(out_.str().rfind("check:")), "check: 1 error, 2 warnings\n");
}

// The man page states the rules as check applies them: each with the numbers of the record
// layouts and the counts the editor reads.
TEST(CheckRulesTest, TheManPageAndTheHelpStateTheRulesCheckApplies) {
    std::ifstream in(VALMOR_SOURCE_DIR "/docs/valmor-data.1");
    std::string page{std::istreambuf_iterator<char>(in), {}};
    ASSERT_FALSE(page.empty());
    // As the page reads: roff's escaped minus is a minus, and lines run on.
    for (std::size_t at = 0; (at = page.find("\\-", at)) != std::string::npos;)
        page.replace(at, 2, "-");
    std::replace(page.begin(), page.end(), '\n', ' ');
    std::string help = cli::checkDescription();
    std::replace(help.begin(), help.end(), '\n', ' ');
    std::vector<std::string> rules = cli::fieldRangeRules();
    EXPECT_EQ(rules, (std::vector<std::string>{"item1 or item2 outside -1 to 99",
                                               "monIndex0 to monIndex4 outside 0 to the last "
                                               "sprite number"}));
    rules.push_back("fewer than " + std::to_string(kItemCount) + " item names");
    rules.push_back("the editor's " + std::to_string(kMapCount) + " maps");
    rules.push_back("outside 0 to 63");
    rules.push_back("do not add up to 100");
    rules.push_back("records that are all zeros");
    for (const std::string& rule : rules) {
        SCOPED_TRACE(rule);
        EXPECT_NE(page.find(rule), std::string::npos);
        EXPECT_NE(help.find(rule), std::string::npos);
    }
}

TEST_F(CheckTest, AnUnreadableFileIsAnErrorNotAClean) {
    if (geteuid() == 0)
        GTEST_SKIP() << "root reads through permissions; the test script runs this as nobody";
    for (const char* name : {kSpriteFileName, kMonsterFileName, kPaletteFileName}) {
        SCOPED_TRACE(name);
        demo::writeDemoData(dir_, true);
        fs::permissions(file(name), fs::perms::none);
        EXPECT_EQ(problemLines(), std::vector<std::string>{std::string(name) +
                                                           ": error: Permission denied: " + name +
                                                           " (Permission denied)"});
        EXPECT_EQ(cli::check(session()), 2);
        fs::permissions(file(name), fs::perms::owner_read | fs::perms::owner_write);
    }
}

} // namespace
} // namespace valmor::test
