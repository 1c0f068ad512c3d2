// The command line: help, version, usage errors and exit statuses, the whole tool run
// in-process on the demo data, the real program's streams, and the progress bar.
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include <sys/wait.h>

#include "cli/cli.h"
#include "cli_fixture.h"
#include "game/encounter_record.h"
#include "game/monster_record.h"
#include "game/sprite.h"
#include "game/tables/progress.h"
#include "support/child_process.h"

namespace valmor::test {
namespace {

bool contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

TEST(CommandLineTest, HelpVersionAndUsageErrors) {
    struct Case {
        std::vector<std::string> arguments;
        int status;
        const char* out; // expected at the start of standard output
        const char* err; // expected in standard error
    };
    const Case cases[] = {
        {{"--help"}, 0, "Usage: valmor-data [-C DIR] COMMAND [OPTIONS] [ARGUMENTS]\n", ""},
        {{"--version"}, 0, "valmor-data 1.0.0\n", ""},
        {{"export-stats", "--help"}, 0, "Usage: valmor-data [-C DIR] export-stats [--format", ""},
        {{"import-stats", "-h"}, 0, "Usage: valmor-data [-C DIR] import-stats [--format", ""},
        {{"export-encounters", "--help"}, 0, "Usage: valmor-data [-C DIR] export-encounters", ""},
        {{"import-encounters", "--help"}, 0, "Usage: valmor-data [-C DIR] import-encounters", ""},
        {{"export-sprites", "--help"}, 0, "Usage: valmor-data [-C DIR] export-sprites DIR\n", ""},
        {{"import-sprite", "--help"},
         0,
         "Usage: valmor-data [-C DIR] import-sprite [--nearest] N FILE.png\n",
         ""},
        {{"check", "--help"}, 0, "Usage: valmor-data [-C DIR] check\n", ""},
        {{"textconv", "--help"}, 0, "Usage: valmor-data [-C DIR] textconv [--as NAME] FILE\n", ""},
        {{"diff", "--help"}, 0, "Usage: valmor-data [-C DIR] diff [--changes [-o FILE]] A B\n", ""},
        {{"apply", "--help"}, 0, "Usage: valmor-data [-C DIR] apply FILE\n", ""},
        {{"apply"}, 2, "", "apply: expected FILE, got 0 arguments\n"},
        {{"diff", "a"}, 2, "", "diff: expected A B, got 1 argument\n"},
        {{"textconv", "--as", "game.dat", "x"},
         2,
         "",
         "textconv: --as game.dat: not a game file name (mypal.pal, monster.dat, "},
        {{}, 2, "", "valmor-data: no command given\nTry 'valmor-data --help'.\n"},
        {{"frob"}, 2, "", "valmor-data: unknown command \"frob\"\n"},
        {{"--frob"}, 2, "", "valmor-data: Unknown option 'frob'."},
        {{"import-stats"},
         2,
         "",
         "valmor-data: import-stats: expected FILE, got 0 arguments\n"
         "Try 'valmor-data import-stats --help'.\n"},
        {{"check", "extra"}, 2, "", "check: expected no arguments, got 1 argument\n"},
        {{"export-stats", "--format", "xml"},
         2,
         "",
         "export-stats: unknown format \"xml\"; use csv or json\n"},
        {{"import-sprite", "-1", "a.png"}, 2, "", "import-sprite: Unknown option '1'."},
        {{"import-sprite", "x1", "a.png"},
         2,
         "",
         "import-sprite: N must be a sprite number (0, 1, ...), not \"x1\"\n"},
        {{"-C", "/nonexistent/valmor", "check"},
         2,
         "",
         "check: -C /nonexistent/valmor: no such directory\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(rowName(cases, c));
        const ToolRun run = runTool(c.arguments);
        const std::string what = c.arguments.empty() ? "(none)" : c.arguments.front();
        EXPECT_EQ(run.status, c.status) << what;
        EXPECT_EQ(run.out.substr(0, std::string(c.out).size()), c.out) << what;
        EXPECT_TRUE(contains(run.err, c.err)) << what << ": " << run.err;
    }
}

class CommandLineDemoTest : public DemoDirTest {};

TEST_F(CommandLineDemoTest, TablesGoThroughStandardStreams) {
    const Bytes before = readBytes(file(kMonsterFileName));
    for (const char* format : {"csv", "json"}) {
        const ToolRun exported = runTool({"-C", dir_.string(), "export-stats", "--format", format});
        ASSERT_EQ(exported.status, 0) << exported.err;
        const ToolRun imported = runTool({"import-stats", "-", "-C", dir_.string()}, exported.out);
        EXPECT_EQ(imported.status, 0) << imported.err;
        EXPECT_EQ(imported.out, "wrote 57 records to " + file(kMonsterFileName).string() + "\n");
        EXPECT_EQ(readBytes(file(kMonsterFileName)), before);
    }
    std::string bad = runTool({"-C", dir_.string(), "export-stats"}).out;
    bad.replace(bad.find(",8,8,"), 5, ",8,x,");
    const ToolRun rejected = runTool({"-C", dir_.string(), "import-stats", "-"}, bad);
    EXPECT_EQ(rejected.status, 1);
    EXPECT_EQ(rejected.err, "<stdin>:2:16: hp2: \"x\" is not a whole number\n"
                            "valmor-data: nothing was written\n");
    EXPECT_EQ(readBytes(file(kMonsterFileName)), before);
}

TEST_F(CommandLineDemoTest, ImportsATableFileAndNamesOneItCannotRead) {
    const Bytes before = readBytes(file(kEncounterFileName));
    const std::string json =
        runTool({"-C", dir_.string(), "export-encounters", "--format", "json"}).out;
    writeText(file("marked.json"), "\xEF\xBB\xBF" + json);
    std::filesystem::create_directory(file("folder.csv"));
    const struct {
        const char* name;
        std::string input;
        int status;
        std::string err;
    } cases[] = {
        {"JSON after a byte order mark", file("marked.json").string(), 0, ""},
        {"a directory", file("folder.csv").string(), 1,
         "valmor-data: cannot read " + file("folder.csv").string() + ": Is a folder: folder.csv\n"},
        {"a missing file", file("none.csv").string(), 1,
         "valmor-data: cannot read " + file("none.csv").string() + ": No such file or directory\n"},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.name);
        const ToolRun run = runTool({"-C", dir_.string(), "import-encounters", row.input});
        EXPECT_EQ(run.status, row.status);
        EXPECT_EQ(run.err, row.err);
        EXPECT_EQ(readBytes(file(kEncounterFileName)), before);
    }
}

TEST_F(CommandLineDemoTest, NeverWritesATableOverAGameFile) {
    const Bytes before = readBytes(file(kEncounterFileName));
    const ToolRun run = runTool(
        {"-C", dir_.string(), "export-stats", "-o", (dir_ / "." / kEncounterFileName).string()});
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(contains(run.err, "will not write a table over the game file")) << run.err;
    EXPECT_EQ(readBytes(file(kEncounterFileName)), before);
}

TEST_F(CommandLineDemoTest, NamesAMissingGameFile) {
    std::filesystem::remove(file(kEncounterFileName));
    const ToolRun run = runTool({"-C", dir_.string(), "export-encounters"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "valmor-data: no encountr.mon in " + dir_.string() +
                           " (run in the game's folder, or name it with -C DIR)\n");
}

// Runs the real program with its output in files of dir_; gives the exit status.
int runProgram(const std::filesystem::path& dir, const std::string& arguments,
               const std::string& redirect = "") {
    const std::string command = std::string(VALMOR_DATA_EXE) + " -C " + dir.string() + ' ' +
                                arguments + " >" +
                                (redirect.empty() ? (dir / "out.txt").string() : redirect) + " 2>" +
                                (dir / "err.txt").string();
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST_F(CommandLineDemoTest, TheProgramExitsWithTheCheckResult) {
    EXPECT_EQ(runProgram(dir_, "check"), 0);
    EXPECT_EQ(readText(file("out.txt")).substr(0, 20), "check: no problems i");
    MonsterRecord record = readMonsterRecord(file(kMonsterFileName), 2);
    record.item1 = 120;
    writeMonsterRecord(file(kMonsterFileName), 2, record);
    EXPECT_EQ(runProgram(dir_, "check"), 2);
    EXPECT_EQ(readText(file("out.txt")),
              "monsters.tat, record 3 (sprite 2), item1: error: 120 is outside -1 to 99\n"
              "check: 1 error, 0 warnings\n");
    EXPECT_EQ(runProgram(dir_, "import-stats"), 2);
    EXPECT_EQ(runProgram(dir_, "export-stats", "/dev/full"), 1);
    EXPECT_EQ(readText(file("err.txt")), "valmor-data: cannot write to standard output\n");
}

// Each message of a mistake or a failure, from the real program: what it names, the kind
// of error, and whether it is a mistake of the command line (status 2, "Try --help") or
// the trouble of a file (status 1).
TEST_F(CommandLineDemoTest, EachMessageSaysWhatTheNameWasAndWhatWentWrong) {
    const std::string dir = dir_.string();
    writeText(file("stats.csv"), runTool({"-C", dir, "export-stats"}).out);
    std::filesystem::create_directory(file("adir"));
    // Fails the program's first open of the game folder as a disk error would.
    const std::vector<std::string> diskError = {
        "LD_PRELOAD=" VALMOR_FAULT_SHIM, "VALMOR_FAULT_UNDER=" + dir,
        "VALMOR_FAULT_CALLS=openat",     "VALMOR_FAULT_AT=1",
        "VALMOR_FAULT_DO=EIO",           "ASAN_OPTIONS=verify_asan_link_order=0"};
    const struct {
        const char* name;
        std::function<void()> prepare;
        std::vector<std::string> arguments;
        std::vector<std::string> environment;
        int status;
        std::string said; // in the output, whole lines
    } cases[] = {
        {"an import into a folder without the file",
         [&] { std::filesystem::remove(file(kMonsterFileName)); },
         {"-C", dir, "import-stats", file("stats.csv").string()},
         {},
         0,
         "note: there was no monsters.tat before\n"},
        {"a folder as the table",
         [] {},
         {"-C", dir, "import-stats", file("adir").string()},
         {},
         1,
         "valmor-data: cannot read " + file("adir").string() + ": Is a folder: adir\n"},
        {"a file as the game folder",
         [] {},
         {"-C", file(kSpriteFileName).string(), "check"},
         {},
         2,
         "valmor-data: check: -C " + file(kSpriteFileName).string() +
             ": Not a folder: monster.dat\nTry 'valmor-data check --help'.\n"},
        {"a file as the folder of export-sprites",
         [] {},
         {"-C", dir, "export-sprites", file("stats.csv").string()},
         {},
         1,
         "valmor-data: Not a folder: " + file("stats.csv").string() + "\n"},
        {"a file as the folder of import-sprites",
         [] {},
         {"-C", dir, "import-sprites", file("stats.csv").string()},
         {},
         1,
         "valmor-data: Not a folder: " + file("stats.csv").string() + "\n"},
        {"a disk error opening the game folder",
         [] {},
         {"-C", dir, "check"},
         diskError,
         1,
         "valmor-data: -C " + dir + ": Device I/O error: " + dir_.filename().string() +
             " (Input/output error)\n"},
        {"two profiles whose names differ in trailing blanks",
         [&] {
             writeText(file("profiles.csv"), "name,level,strength,agility,item_damage,"
                                             "item_defense,hp\nBob,1,2,3,4,5,6\n"
                                             "Bob ,2,2,3,4,5,6\n");
         },
         {"-C", dir, "balance", "--characters", file("profiles.csv").string()},
         {},
         1,
         "valmor-data: " + file("profiles.csv").string() +
             ":3:1: name \"Bob\" is also the name on line 2; give each profile its own name\n"},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.name);
        row.prepare();
        std::vector<std::string> arguments{VALMOR_DATA_EXE};
        arguments.insert(arguments.end(), row.arguments.begin(), row.arguments.end());
        const std::string output = dir_.string() + ".out";
        const ChildRun run = waitChild(startChild(arguments, row.environment, output));
        const std::string said = readText(output);
        std::filesystem::remove(output);
        EXPECT_EQ(run.status, row.status) << said;
        EXPECT_TRUE(contains("\n" + said, "\n" + row.said)) << said;
        EXPECT_EQ(contains(said, "Try '"), row.status == 2) << said;
    }
}

TEST(ProgressTest, DrawsOnlyForLargeWork) {
    std::ostringstream out;
    {
        tables::Progress progress(&out, "export-sprites");
        progress.start(300);
        progress.advance();
        progress.finish();
    }
    EXPECT_EQ(out.str(), "");
    {
        tables::Progress progress(&out, "export-sprites");
        progress.start(400);
        for (int i = 0; i < 400; ++i)
            progress.advance();
        progress.finish();
    }
    const std::string drawn = out.str();
    EXPECT_EQ(drawn.substr(0, 17), "\rexport-sprites [");
    EXPECT_EQ(drawn.substr(drawn.rfind('\r')),
              "\rexport-sprites [##############################] 100% 400/400\n");
    EXPECT_EQ(std::count(drawn.begin(), drawn.end(), '\r'), 101); // once per percent
    out.str({});
    {
        tables::Progress progress(&out, "import-stats");
        progress.start(1000);
        for (int i = 0; i < 20; ++i)
            progress.advance();
    }
    EXPECT_EQ(out.str().substr(out.str().rfind('\r')),
              "\rimport-stats [..............................] 2% 20/1000\n");
    out.str({});
    {
        // An import counts the KiB of its table, when the table's size is known.
        tables::Progress progress(&out, "import-stats");
        progress.start(400, "KiB");
        progress.advanceTo(200);
        progress.advanceTo(500);
    }
    EXPECT_EQ(out.str().substr(out.str().rfind('\r')),
              "\rimport-stats [##############################] 100% 400/400 KiB\n");
    tables::Progress silent;
    silent.start(100000);
    silent.advance();
}

} // namespace
} // namespace valmor::test
