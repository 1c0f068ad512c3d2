// valmor-data apply and diff --changes: a change list from one folder to another applied
// to a copy of the first gives the second byte for byte; a stale or bad list writes
// nothing; a difference no list can say is trouble; the output guard keeps the list off
// the game files.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "cli_fixture.h"
#include "game/encounter_record.h"
#include "game/monster_record.h"

namespace valmor::test {
namespace {

namespace fs = std::filesystem;

// Folders A and B, both the demo data; B then differs as each test makes it.
class ChangeListCommandTest : public TempDirTest {
public: // for the rows of the tables
    void SetUp() override {
        for (const fs::path& folder : {a(), b()}) {
            fs::create_directory(folder);
            demo::writeDemoData(folder);
        }
    }

    fs::path a() const { return dir_ / "A"; }
    fs::path b() const { return dir_ / "B"; }
    std::string in(const fs::path& folder, const char* name) const {
        return (folder / name).string();
    }

    void setHp(const fs::path& folder, std::int16_t monster, std::int16_t hp) {
        MonsterRecord record = readMonsterRecord(in(folder, kMonsterFileName), monster);
        record.hp = hp;
        writeMonsterRecord(in(folder, kMonsterFileName), monster, record);
    }

    void setFreq(const fs::path& folder, std::int16_t map, std::size_t slot, std::int16_t freq) {
        EncounterRecord record = readEncounterRecord(in(folder, kEncounterFileName), map);
        record.monFreq[slot] = freq;
        writeEncounterRecord(in(folder, kEncounterFileName), map, record);
    }

    // The game files of a folder, to see that nothing was written.
    std::vector<Bytes> gameBytes(const fs::path& folder) const {
        return {readBytes(folder / kMonsterFileName), readBytes(folder / kEncounterFileName)};
    }
};

TEST_F(ChangeListCommandTest, TheListFromAToBAppliedToACopyOfAGivesB) {
    setHp(b(), 1, 71);
    setHp(b(), 0, -5);
    MonsterRecord last = readMonsterRecord(in(b(), kMonsterFileName), 56);
    last.canURun = 7;
    last.def = 300;
    writeMonsterRecord(in(b(), kMonsterFileName), 56, last);
    setFreq(b(), 5, 2, 12);
    setFreq(b(), 268, 4, 99);

    const ToolRun diff = runTool({"diff", a().string(), b().string(), "--changes"});
    EXPECT_EQ(diff.status, 1) << diff.err;
    EXPECT_EQ(diff.err, "");
    EXPECT_TRUE(diff.out.starts_with("file,record,field,old,new\nmonsters.tat,0,hp,"));
    EXPECT_EQ(std::ranges::count(diff.out, '\n'), 7) << diff.out;

    const fs::path copy = dir_ / "copy";
    fs::copy(a(), copy);
    const fs::path list = dir_ / "balance.csv";
    writeText(list, diff.out);
    const ToolRun apply = runTool({"-C", copy.string(), "apply", list.string()});
    EXPECT_EQ(apply.status, 0) << apply.err;
    EXPECT_NE(apply.out.find("monsters.tat: monster 1 (Blue Slime): hp 12 -> 71\n"),
              std::string::npos)
        << apply.out;
    EXPECT_NE(apply.out.find("encountr.mon: map 5: monFreq2 16 -> 12\n"), std::string::npos)
        << apply.out;
    EXPECT_TRUE(apply.out.ends_with("applied 6 changes: 4 to monsters.tat, 2 to encountr.mon\n"))
        << apply.out;
    EXPECT_EQ(gameBytes(copy), gameBytes(b()));

    // Now the copy is B: no change, and the list's old values are stale there.
    EXPECT_EQ(runTool({"diff", copy.string(), b().string(), "--changes"}).out,
              "file,record,field,old,new\n");
    EXPECT_EQ(runTool({"diff", copy.string(), b().string(), "--changes"}).status, 0);
    // The list again: both files hold its new values already and are left as they are.
    const ToolRun again = runTool({"-C", copy.string(), "apply", "-"}, diff.out);
    EXPECT_EQ(again.status, 0) << again.err;
    EXPECT_NE(again.err.find("note: monsters.tat held every new value of the list already"),
              std::string::npos)
        << again.err;
    EXPECT_EQ(gameBytes(copy), gameBytes(b()));
    // An apply killed between its two files: run again, it writes the second one only.
    writeBytes(copy / kEncounterFileName, readBytes(a() / kEncounterFileName));
    const ToolRun finished = runTool({"-C", copy.string(), "apply", "-"}, diff.out);
    EXPECT_EQ(finished.status, 0) << finished.err;
    EXPECT_EQ(gameBytes(copy), gameBytes(b()));
    // A file that holds some new values and some old ones is stale.
    writeBytes(copy / kEncounterFileName, readBytes(a() / kEncounterFileName));
    setHp(copy, 1, 5);
    EXPECT_EQ(runTool({"-C", copy.string(), "apply", "-"}, diff.out).status, 2);
    writeBytes(copy / kMonsterFileName, readBytes(b() / kMonsterFileName));
    writeBytes(copy / kEncounterFileName, readBytes(b() / kEncounterFileName));

    // The list the other way round, from standard input, turns the copy back into A.
    const ToolRun back = runTool({"-C", copy.string(), "apply", "-"},
                                 runTool({"diff", b().string(), a().string(), "--changes"}).out);
    EXPECT_EQ(back.status, 0) << back.err;
    EXPECT_EQ(gameBytes(copy), gameBytes(a()));
}

TEST_F(ChangeListCommandTest, AStaleOrBadListWritesNothing) {
    setHp(b(), 1, 71);
    const std::string list = runTool({"diff", a().string(), b().string(), "--changes"}).out;
    setHp(a(), 1, 90); // another program changed it since
    const std::string header = "file,record,field,old,new\n";
    struct Case {
        std::vector<std::string> arguments;
        std::string input;
        std::string message;
    };
    const Case cases[] = {
        {{"apply", "-"},
         list + "encountr.mon,5,monFreq2,16,12\n",
         "valmor-data: apply: Record changed by another program: monsters.tat: monster 1 (Blue "
         "Slime): hp is 90, the change list says 12; nothing was written\n"},
        {{"apply", "-"},
         header + "monsters.tat,1,hp,90,\x1b[2J\n",
         "valmor-data: apply: <stdin>:2:22: new: \"\\x1B[2J\" is not a whole number\n"
         "valmor-data: apply: nothing was written\n"},
        {{"apply", a().string()},
         "",
         "valmor-data: apply: cannot read " + a().string() +
             ": Is a folder: A; nothing was written\n"},
        {{"apply", (dir_ / "none.csv").string()},
         "",
         "valmor-data: apply: cannot read " + (dir_ / "none.csv").string() +
             ": File not found: none.csv (No such file or directory); nothing was written\n"},
    };
    const std::vector<Bytes> before = gameBytes(a());
    for (const Case& row : cases) {
        SCOPED_TRACE(rowName(cases, row));
        std::vector<std::string> arguments{"-C", a().string()};
        arguments.insert(arguments.end(), row.arguments.begin(), row.arguments.end());
        const ToolRun run = runTool(arguments, row.input);
        EXPECT_EQ(run.status, 2);
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(run.err, row.message);
        EXPECT_EQ(gameBytes(a()), before);
    }
}

TEST_F(ChangeListCommandTest, AnApplyWhoseReportCannotBeWrittenSaysTheChangesWere) {
    writeText(dir_ / "l.csv", "file,record,field,old,new\nmonsters.tat,1,hp,12,20\n");
    std::istringstream input;
    std::ostream failing(nullptr); // every write fails
    std::ostringstream err;
    const int status =
        cli::runCli({"valmor-data", "-C", a().string(), "apply", (dir_ / "l.csv").string()}, input,
                    failing, err, false);
    EXPECT_EQ(status, 1) << "2 would say that nothing was written";
    EXPECT_NE(err.str().find("cannot write to standard output (the changes were written)"),
              std::string::npos)
        << err.str();
    EXPECT_EQ(readMonsterRecord(in(a(), kMonsterFileName), 1).hp, 20);
}

TEST_F(ChangeListCommandTest, AnEmptyListSaysSoAndWritesNothing) {
    const ToolRun run =
        runTool({"-C", a().string(), "apply", "-"}, "file,record,field,old,new\r\n");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "the change list is empty; nothing was written\n");
}

TEST_F(ChangeListCommandTest, ADifferenceNoListCanSayIsTroubleAndWritesNoList) {
    struct Case {
        std::function<void(ChangeListCommandTest&)> change;
        std::string message;
    };
    const Case cases[] = {
        {[](ChangeListCommandTest& t) {
             MonsterRecord record = readMonsterRecord(t.in(t.b(), kMonsterFileName), 3);
             record.name = "Renamed   ";
             writeMonsterRecord(t.in(t.b(), kMonsterFileName), 3, record);
         },
         "monster 3 (Gloom Blob): name \"Gloom Blob\" -> \"Renamed\"; a change list changes whole "
         "numbers only"},
        {[](ChangeListCommandTest& t) {
             writeEncounterRecord(t.in(t.b(), kEncounterFileName), 269, {});
         },
         "encountr.mon: 6968 bytes in " + a().string() + ", 6994 in " + b().string() +
             "; a change list cannot add or remove records"},
        {[](ChangeListCommandTest& t) {
             Bytes bytes = readBytes(t.b() / kMonsterFileName);
             bytes.push_back(7);
             writeBytes(t.a() / kMonsterFileName, bytes);
             bytes.back() = 8;
             writeBytes(t.b() / kMonsterFileName, bytes);
         },
         "monsters.tat: the bytes past the last whole record differ"},
        {[](ChangeListCommandTest& t) { fs::remove(t.b() / kEncounterFileName); },
         "encountr.mon: only in " + a().string() + "; a change list cannot add or remove a file"},
        {[](ChangeListCommandTest& t) {
             fs::remove(t.a() / kEncounterFileName);
             fs::remove(t.b() / kEncounterFileName);
         },
         "no encountr.mon in " + a().string() + " nor in " + b().string()},
        {[](ChangeListCommandTest& t) {
             fs::remove(t.a() / kMonsterFileName);
             fs::create_directory(t.a() / kMonsterFileName);
         },
         "cannot read " + (a() / kMonsterFileName).string() + ": Is a folder"},
    };
    for (const Case& row : cases) {
        SCOPED_TRACE(rowName(cases, row));
        fs::remove_all(a());
        fs::remove_all(b());
        SetUp();
        setHp(b(), 1, 71); // a difference a list can say, besides
        row.change(*this);
        const fs::path output = dir_ / "list.csv";
        const ToolRun run =
            runTool({"diff", a().string(), b().string(), "--changes", "-o", output.string()});
        EXPECT_EQ(run.status, 2);
        EXPECT_EQ(run.out, "");
        EXPECT_TRUE(run.err.starts_with("valmor-data: diff: ")) << run.err;
        EXPECT_NE(run.err.find(row.message), std::string::npos) << run.err;
        EXPECT_FALSE(fs::exists(output));
    }
}

TEST_F(ChangeListCommandTest, TheListIsNeverWrittenOverAGameFile) {
    setHp(b(), 1, 71);
    struct Case {
        std::vector<std::string> arguments;
        fs::path guarded; // whose bytes stay as they were
    };
    // The working directory is the game folder A, as a user in it would run the tool.
    struct InFolder {
        explicit InFolder(const fs::path& folder) : before(fs::current_path()) {
            fs::current_path(folder);
        }
        ~InFolder() { fs::current_path(before); }
        fs::path before;
    } inA(a());
    const Case cases[] = {
        {{"diff", a().string(), b().string(), "--changes", "-o", "monsters.tat"},
         a() / kMonsterFileName},
        {{"diff", "../B", ".", "--changes", "-o", "../B/monsters.tat"}, b() / kMonsterFileName},
        {{"diff", a().string(), b().string(), "--changes", "-o", in(b(), kEncounterFileName)},
         b() / kEncounterFileName},
        {{"diff", a().string(), b().string(), "--changes", "--output=" + in(a(), "monster.dat")},
         a() / "monster.dat"},
        {{"diff", "../B", ".", "--changes", "-o", "../B/characters.csv"}, b() / "characters.csv"},
        {{"diff", a().string(), b().string(), "--changes", "-o", in(a(), "targets.csv")},
         a() / "targets.csv"},
        {{"diff", a().string(), b().string(), "--changes", "-o",
          in(b(), "monster.dat.valmor-journal")},
         b() / "monster.dat.valmor-journal"},
    };
    for (const char* table : {"characters.csv", "targets.csv"}) {
        writeText(a() / table, "mine\n");
        writeText(b() / table, "mine\n");
    }
    writeText(b() / "monster.dat.valmor-journal", "a journal\n");
    for (const Case& row : cases) {
        SCOPED_TRACE(rowName(cases, row));
        const Bytes before = readBytes(row.guarded);
        const ToolRun run = runTool(row.arguments);
        EXPECT_EQ(run.status, 2);
        EXPECT_NE(run.err.find("will not write a change list over"), std::string::npos) << run.err;
        EXPECT_EQ(readBytes(row.guarded), before);
    }
    const ToolRun run = runTool({"diff", a().string(), b().string(), "-o", "x.csv"});
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.err.find("-o writes a change list: give --changes as well"), std::string::npos)
        << run.err;
}

} // namespace
} // namespace valmor::test
