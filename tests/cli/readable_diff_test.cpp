// textconv and diff: which file a name means, the text form of each game file (partial
// records, short palettes and odd texts included), and the differences between folders
// with their exit statuses.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdio>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "cli/cli.h"
#include "cli/folder_diff.h"
#include "cli/game_file_entries.h"
#include "cli/textconv.h"
#include "cli_fixture.h"
#include "game/encounter_record.h"
#include "game/item_list.h"
#include "game/monster_record.h"
#include "game/sprite.h"
#include "game/text_input.h"

namespace valmor::test {
namespace {

using cli::GameFileKind;

TEST(GameFileNameTest, RecognisesTheFiveByTheEndOfTheName) {
    struct Case {
        const char* row;
        const char* path;
        std::optional<GameFileKind> file;
    };
    const Case cases[] = {
        {"plain", "monsters.tat", GameFileKind::Monsters},
        {"upper case", "GAME/ENCOUNTR.MON", GameFileKind::Encounters},
        {"git blob folder", "/tmp/git-blob-Xy12/monster.dat", GameFileKind::Sprites},
        {"older git prefix", "/tmp/Xy12ab_mypal.pal", GameFileKind::Palette},
        {"item list", "itemlist.txt", GameFileKind::Items},
        {"sprite name is not the stats name", "monster.tat", std::nullopt},
        {"name in a folder only", "monsters.tat/readme", std::nullopt},
        {"backup copy", "mypal.pal.bak", std::nullopt},
        {"shorter than any", "a", std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.row);
        EXPECT_EQ(cli::recogniseGameFile(c.path), c.file);
    }
    EXPECT_EQ(cli::gameFileNamed("Monster.Dat"), GameFileKind::Sprites);
    EXPECT_EQ(cli::gameFileNamed("x_monster.dat"), std::nullopt);
}

TEST(GameFileTextTest, QuotesTextsSoEveryValueStaysOnItsLine) {
    struct Case {
        const char* row;
        std::string latin1;
        const char* quoted;
    };
    const Case cases[] = {
        {"trailing blanks kept", "Orc       ", "\"Orc       \""},
        {"quote and backslash", "a\"b\\c", "\"a\\\"b\\\\c\""},
        {"line end and tab", "a\nb\tc\r", "\"a\\x0Ab\\x09c\\x0D\""},
        {"zero byte", std::string("a\0b", 3), "\"a\\x00b\""},
        {"Latin-1 letter as UTF-8", "Caf\xE9", "\"Caf\xC3\xA9\""},
        {"C1 control and DEL escaped", "\x85\x7F", "\"\\x85\\x7F\""},
        {"empty", "", "\"\""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.row);
        EXPECT_EQ(cli::quoteText(c.latin1), c.quoted);
    }
}

class TextconvTest : public TempDirTest {
protected:
    // textconv's standard output for `bytes` written as `name`; "error: ..." on failure.
    std::string textconv(const std::string& name, const std::string& bytes,
                         std::optional<GameFileKind> as = std::nullopt) {
        writeText(file(name), bytes);
        std::istringstream in;
        std::ostringstream out;
        std::ostringstream err;
        try {
            cli::textconv(cli::Session{{}, in, out, err, false}, file(name), as);
        } catch (const std::exception& error) {
            return std::string("error: ") + error.what();
        }
        return out.str();
    }
};

std::string monsterBytes() {
    MonsterRecord record;
    record.name = "Orc \"Big\" ";
    record.hp = 86;
    record.hp2 = -86;
    record.item1 = -1;
    record.special1 = "Club Smash  ";
    record.canURun = 1;
    const auto bytes = encodeMonsterRecord(record);
    return {bytes.begin(), bytes.end()};
}

TEST_F(TextconvTest, WritesOneLinePerEntryOfEachFile) {
    const std::string monster = monsterBytes();
    std::string frame(kSpriteFrameBytes, '\0');
    frame.front() = 5;
    frame.back() = '\xFF';
    EncounterRecord map;
    map.monIndex = {3, 4, 0, 0, 0};
    map.monFreq = {60, 40, 0, 0, 0};
    map.nomNum = {100, 0, -1};
    const auto mapBytes = encodeEncounterRecord(map);
    const std::string monsterLine =
        "name=\"Orc \\\"Big\\\" \" hp=86 hp2=-86 gold=0 exp=0 item1=-1 item2=0 level=0 "
        "agility=0 strength=0 item1Perc=0 item2Perc=0 special1=\"Club Smash  \" "
        "special2=\"            \" special1Perc=0 special2Perc=0 s1Target=0 s2Target=0 "
        "offMin=0 offMax=0 sp1Min=0 sp1Max=0 sp2Min=0 sp2Max=0 def=0 mpower=0 s1PorM=0 "
        "s2PorM=0 canURun=1";
    struct Case {
        const char* row;
        const char* name;
        std::string bytes;
        std::string text;
    };
    const Case cases[] = {
        {"stats, two records", "monsters.tat", monster + monster,
         "monster 0: " + monsterLine + "\nmonster 1: " + monsterLine + "\n"},
        {"stats, partial last record reads as zeros", "monsters.tat", monster + "\x05",
         "monster 0: " + monsterLine +
             "\nmonster 1: name=\"\\x05\\x00\\x00\\x00\\x00\\x00\\x00\\x00\\x00\\x00\" hp=0 "
             "hp2=0 gold=0 exp=0 item1=0 item2=0 level=0 agility=0 strength=0 item1Perc=0 "
             "item2Perc=0 special1=\"\\x00\\x00\\x00\\x00\\x00\\x00\\x00\\x00\\x00\\x00\\x00"
             "\\x00\" special2=\"\\x00\\x00\\x00\\x00\\x00\\x00\\x00\\x00\\x00\\x00\\x00\\x00\" "
             "special1Perc=0 special2Perc=0 s1Target=0 s2Target=0 offMin=0 offMax=0 sp1Min=0 "
             "sp1Max=0 sp2Min=0 sp2Max=0 def=0 mpower=0 s1PorM=0 s2PorM=0 canURun=0 bytes=1\n"},
        {"encounters, numbered from map 1",
         "encountr.mon",
         {mapBytes.begin(), mapBytes.end()},
         "map 1: monIndex0=3 monIndex1=4 monIndex2=0 monIndex3=0 monIndex4=0 monFreq0=60 "
         "monFreq1=40 monFreq2=0 monFreq3=0 monFreq4=0 nomNum0=100 nomNum1=0 nomNum2=-1\n"},
        {"sprites, whole and partial frame", "monster.dat", frame + std::string(10, '\x07'),
         "sprite 0: hash=9acace2f0adf422d pixels=2\n"
         "sprite 1: hash=ea3255b04d996c9b pixels=10 bytes=10\n"},
        {"palette, levels as written, last colour short", "mypal.pal", "0,0,0\r\n63 1.5 7\n9",
         "colour 0: red=0 green=0 blue=0\ncolour 1: red=63 green=1.5 blue=7\n"
         "colour 2: red=9\n"},
        {"items, quoted field with a comma", "itemlist.txt", "Herb\n\"Bread, stale\"\nSword  \n",
         "item 0: name=\"Herb\"\nitem 1: name=\"Bread, stale\"\nitem 2: name=\"Sword\"\n"},
        {"empty file", "encountr.mon", "", ""},
        {"name git gives a copy", "git-blob_itemlist.txt", "Axe", "item 0: name=\"Axe\"\n"},
        {"unknown name", "notes.txt", "Axe",
         "error: " + file("notes.txt").string() +
             ": no game file of this name; say which it is with --as NAME"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.row);
        EXPECT_EQ(textconv(c.name, c.bytes), c.text);
    }
}

TEST_F(TextconvTest, AsNamesTheFileAndMissingFilesAreErrors) {
    EXPECT_EQ(textconv("notes.txt", "Axe", GameFileKind::Items), "item 0: name=\"Axe\"\n");
    // --as wins over what the name suggests.
    EXPECT_EQ(textconv("copy-of-monsters.tat", "Axe", GameFileKind::Items),
              "item 0: name=\"Axe\"\n");
    std::istringstream in;
    std::ostringstream out;
    std::ostringstream err;
    const cli::Session session{{}, in, out, err, false};
    // A missing file, a directory and a pipe (which must not block).
    mkfifo(file("mypal.pal").c_str(), 0600);
    std::filesystem::create_directory(file("monster.dat"));
    struct Case {
        const char* row;
        const char* name;
        ErrorKind kind;
    };
    const Case cases[] = {
        {"missing", "monsters.tat", ErrorKind::FileNotFound},
        {"directory", "monster.dat", ErrorKind::IsAFolder},
        {"pipe", "mypal.pal", ErrorKind::NotARegularFile},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.row);
        EXPECT_EQ(errorKindOf([&] { cli::textconv(session, file(c.name), std::nullopt); }), c.kind);
    }
    EXPECT_FALSE(std::filesystem::exists(file("monsters.tat"))) << "a read must create nothing";
}

// A file that none of its kind can be is one line and status 0, so that git goes on with
// the other files and commits; diff still calls it trouble.
TEST_F(TextconvTest, AFileNoneOfItsKindCanBeIsOneLineAndNoError) {
    const auto sparse = [&](const char* name, std::uintmax_t size) {
        writeText(file(name), "");
        std::filesystem::resize_file(file(name), size);
    };
    const auto hashOf = [](const std::string& bytes) {
        char hex[17];
        std::snprintf(hex, sizeof hex, "%016llx",
                      static_cast<unsigned long long>(fnv1a64(
                          {reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()})));
        return std::string(hex);
    };
    const std::string items = std::string(kTextFileLimit, 'x') + "\n";
    const std::string palette = "0 0 0\n63 63 63\n1e999 0 0\n";
    struct Case {
        const char* row;
        const char* name;
        std::function<void()> write;
        std::string line; // the start of the one line; the size and hash follow
        std::string tail;
    };
    const Case cases[] = {
        {"records past the numbers", "monsters.tat", [&] { sparse("monsters.tat", 86 * 40000); },
         "monsters.tat not shown (File too large: monsters.tat (3440000 bytes: more than the "
         "32767 records a record file can address)): 3440000 bytes, fnv1a64=",
         ""},
        {"frames past the numbers", "monster.dat",
         [&] { sparse("monster.dat", std::uintmax_t{kSpriteFrameBytes} * 32769); },
         "monster.dat not shown (Overflow: monster.dat (294921000 bytes: more frames than the "
         "32768 that sprite numbers reach)): 294921000 bytes, fnv1a64=",
         ""},
        {"item list past the bound", "itemlist.txt",
         [&] { writeText(file("itemlist.txt"), items); },
         "itemlist.txt not shown (File too large: itemlist.txt (more than 1048576 bytes of "
         "text)): 1048577 bytes, fnv1a64=",
         hashOf(items)},
        {"palette level that overflows after two colours", "mypal.pal",
         [&] { writeText(file("mypal.pal"), palette); },
         "mypal.pal not shown (Overflow: mypal.pal, line 3): 25 bytes, fnv1a64=", hashOf(palette)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.row);
        c.write();
        const ToolRun run = runTool({"textconv", file(c.name).string()});
        EXPECT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(run.err, "");
        if (run.out.rfind(c.line, 0) != 0) {
            ADD_FAILURE() << run.out.substr(0, 300) << run.err;
            continue;
        }
        const std::string hash = run.out.substr(c.line.size());
        EXPECT_EQ(hash.size(), 17u) << "one line: " << run.out.substr(0, 300);
        if (!c.tail.empty()) {
            EXPECT_EQ(hash, c.tail + '\n');
        }
    }
    // diff compares values, which these files have none of: trouble.
    std::filesystem::create_directory(file("b"));
    const ToolRun diff = runTool({"diff", dir_.string(), file("b").string()});
    EXPECT_EQ(diff.status, cli::kDiffTrouble) << diff.out << diff.err;
}

cli::GameFileEntries entries(std::vector<cli::Entry> list, std::uint64_t size = 1,
                             std::uint64_t fingerprint = 1) {
    return {std::move(list), size, fingerprint};
}

TEST(EntryDifferencesTest, SaysWhatChangedEntryByEntry) {
    const cli::Entry orc{"monster 12", "Orc", {{"name", "\"Orc \""}, {"hp", "86"}, {"def", "3"}}};
    const cli::Entry orcStronger{
        "monster 12", "Orc", {{"name", "\"Orc \""}, {"hp", "90"}, {"def", "4"}}};
    const cli::Entry ork{"monster 12", "Ork", {{"name", "\"Ork \""}, {"hp", "86"}, {"def", "3"}}};
    const cli::Entry sprite{"sprite 3", "", {{"hash", "aa"}, {"pixels", "2210"}}};
    const cli::Entry spriteRedrawn{"sprite 3", "", {{"hash", "bb"}, {"pixels", "2250"}}};
    const cli::Entry spriteMoved{"sprite 3", "", {{"hash", "cc"}, {"pixels", "2210"}}};
    const cli::Entry partialMap{"map 2", "", {{"monFreq0", "0"}, {"bytes", "4"}}};
    const cli::Entry wholeMap{"map 2", "", {{"monFreq0", "0"}}};
    struct Case {
        const char* row;
        GameFileKind file;
        cli::GameFileEntries a;
        cli::GameFileEntries b;
        std::vector<std::string> lines;
    };
    const Case cases[] = {
        {"equal", GameFileKind::Monsters, entries({orc}), entries({orc}), {}},
        {"two fields, one line each",
         GameFileKind::Monsters,
         entries({orc}),
         entries({orcStronger}),
         {"monsters.tat: monster 12 (Orc): hp 86 -> 90",
          "monsters.tat: monster 12 (Orc): def 3 -> 4"}},
        {"renamed, titled by the old name",
         GameFileKind::Monsters,
         entries({orc}),
         entries({ork}),
         {"monsters.tat: monster 12 (Orc): name \"Orc \" -> \"Ork \""}},
        {"added",
         GameFileKind::Monsters,
         entries({}),
         entries({orc}),
         {"monsters.tat: monster 12 (Orc) added"}},
        {"removed",
         GameFileKind::Monsters,
         entries({orc}),
         entries({}),
         {"monsters.tat: monster 12 (Orc) removed"}},
        {"sprite with other pixel count",
         GameFileKind::Sprites,
         entries({sprite}),
         entries({spriteRedrawn}),
         {"monster.dat: sprite 3 changed (pixels 2210 -> 2250)"}},
        {"sprite with the same pixel count",
         GameFileKind::Sprites,
         entries({sprite}),
         entries({spriteMoved}),
         {"monster.dat: sprite 3 changed"}},
        {"field on one side only",
         GameFileKind::Encounters,
         entries({partialMap}),
         entries({wholeMap}),
         {"encountr.mon: map 2: bytes 4 -> none"}},
        {"same values, other size",
         GameFileKind::Palette,
         entries({}, 10, 1),
         entries({}, 11, 1),
         {"mypal.pal: same values, different bytes (10 -> 11 bytes)"}},
        {"same values, other bytes",
         GameFileKind::Items,
         entries({}, 10, 1),
         entries({}, 10, 2),
         {"itemlist.txt: same values, different bytes"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.row);
        EXPECT_EQ(cli::entryDifferences(c.file, c.a, c.b), c.lines);
    }
}

// Two copies of the demo data, a/ and b/.
class FolderDiffTest : public TempDirTest {
protected:
    void makeFolders() {
        demo::writeDemoData(a());
        demo::writeDemoData(b());
    }
    std::filesystem::path a() const { return dir_ / "a"; }
    std::filesystem::path b() const { return dir_ / "b"; }

    struct Result {
        int status;
        std::string out;
        std::string err;
    };
    Result diff(const std::filesystem::path& first, const std::filesystem::path& second) {
        std::istringstream in;
        std::ostringstream out;
        std::ostringstream err;
        const int status = cli::runCli({"valmor-data", "diff", first.string(), second.string()}, in,
                                       out, err, false);
        return {status, out.str(), err.str()};
    }
};

TEST_F(FolderDiffTest, ReportsEachChangeAndExitsAsDiffDoes) {
    struct Case {
        const char* row;
        std::function<void()> change;
        int status;
        std::string out;
        std::string err;
    };
    const auto setHp = [this] {
        MonsterRecord orc = readMonsterRecord(b() / kMonsterFileName, 11);
        orc.hp = 90;
        writeMonsterRecord(b() / kMonsterFileName, 11, orc);
    };
    const Case cases[] = {
        {"equal", [] {}, 0, "", ""},
        {"one stats field", setHp, 1, "monsters.tat: monster 11 (Hobgoblin): hp 82 -> 90\n", ""},
        {"a map added",
         [this] { writeEncounterRecord(b() / kEncounterFileName, 269, EncounterRecord{}); }, 1,
         "encountr.mon: map 269 added\n", ""},
        {"a file in one folder only", [this] { std::filesystem::remove(a() / kItemListFileName); },
         1, "itemlist.txt: only in " + (dir_ / "b").string() + "\n", ""},
        {"a file in neither folder",
         [this] {
             std::filesystem::remove(a() / kItemListFileName);
             std::filesystem::remove(b() / kItemListFileName);
         },
         2, "",
         "valmor-data: diff: no itemlist.txt in " + a().string() + " nor in " + b().string() +
             "\n"},
        {"a file that cannot be read, with a difference found elsewhere",
         [&] {
             setHp();
             std::filesystem::remove(b() / kSpriteFileName);
             std::filesystem::create_directory(b() / kSpriteFileName);
         },
         2, "monsters.tat: monster 11 (Hobgoblin): hp 82 -> 90\n",
         "valmor-data: diff: cannot read " + (b() / kSpriteFileName).string() + ": "},
        {"a loop of links is no missing file",
         [this] {
             std::filesystem::remove(a() / kPaletteFileName);
             std::filesystem::create_symlink(kPaletteFileName, a() / kPaletteFileName);
         },
         2, "",
         "valmor-data: diff: cannot read " + (a() / kPaletteFileName).string() +
             ": Bad file name: mypal.pal (too many levels of symbolic links)\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.row);
        makeFolders();
        c.change();
        const Result result = diff(a(), b());
        EXPECT_EQ(result.status, c.status);
        EXPECT_EQ(result.out, c.out);
        EXPECT_EQ(result.err.substr(0, c.err.size()), c.err);
        std::filesystem::remove_all(a());
        std::filesystem::remove_all(b());
    }
}

TEST_F(FolderDiffTest, AMissingFolderIsTrouble) {
    makeFolders();
    const Result result = diff(a(), dir_ / "nowhere");
    EXPECT_EQ(result.status, 2);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err,
              "valmor-data: diff: " + (dir_ / "nowhere").string() + ": no such folder\n");
}

} // namespace
} // namespace valmor::test
