// valmor-data against hostile names and files: names that are not UTF-8, control
// characters that must never reach a terminal, devices and pipes as outputs, links that
// are the user's, loops of links, files beyond the formats' limits and deep folders.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "cli_fixture.h"
#include "game/encounter_record.h"
#include "game/item_list.h"
#include "game/monster_record.h"
#include "game/palette.h"
#include "game/sprite.h"

namespace valmor::test {
namespace {

namespace fs = std::filesystem;

const std::string kProfile = "5,10,10,10,5,60";

// Nothing that a terminal acts on: no escape, bell, backspace or return, no C1 control,
// no byte of broken UTF-8.
bool terminalSafe(const std::string& text) {
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if ((byte < 0x20 && c != '\n') || byte == 0x7F || byte == 0xE9 || byte == 0x9B)
            return false;
    }
    return true;
}

class HostileInputTest : public DemoDirTest {
protected:
    ToolRun tool(std::vector<std::string> arguments, const std::string& input = {}) {
        arguments.insert(arguments.begin(), {"-C", dir_.string()});
        return runTool(arguments, input);
    }
};

TEST_F(HostileInputTest, NamesThatAreNotUtf8WorkInEveryCommandAndAreShownEscaped) {
    // ISO-8859-1 "é" and an escape character: a folder from an older system, and worse.
    const fs::path game = dir_ / "g\xE9me\x1B";
    fs::rename(dir_ / kMonsterFileName, dir_ / "keep.tat");
    fs::create_directory(game);
    for (const char* name :
         {kPaletteFileName, kSpriteFileName, kEncounterFileName, kItemListFileName})
        fs::rename(dir_ / name, game / name);
    fs::rename(dir_ / "keep.tat", game / kMonsterFileName);
    const std::string g = game.string();
    const struct {
        std::vector<std::string> arguments;
        fs::path written; // empty when the command writes no file
    } cases[] = {
        {{"export-stats", "-o", g + "/t\xE9.csv"}, game / "t\xE9.csv"},
        {{"import-stats", g + "/t\xE9.csv"}, {}},
        {{"export-encounters", "--format", "json", "-o", g + "/e\xE9.json"}, game / "e\xE9.json"},
        {{"import-encounters", g + "/e\xE9.json"}, {}},
        {{"export-sprites", g + "/s\xE9"}, game / "s\xE9" / "003.png"},
        {{"import-sprite", "3", g + "/s\xE9/003.png"}, {}},
        {{"import-sprites", g + "/s\xE9"}, {}},
        {{"balance", "--character", kProfile, "-o", g + "/b\xE9.csv"}, game / "b\xE9.csv"},
        {{"where", "1"}, {}},
        {{"report", "--character", kProfile, "-o", g + "/r\xE9.html"}, game / "r\xE9.html"},
        {{"check"}, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.arguments.front());
        std::vector<std::string> arguments{"-C", g};
        arguments.insert(arguments.end(), c.arguments.begin(), c.arguments.end());
        const ToolRun run = runTool(arguments);
        EXPECT_EQ(run.status, 0) << run.err;
        EXPECT_TRUE(terminalSafe(run.out + run.err)) << run.out << run.err;
        if (!c.written.empty()) {
            EXPECT_TRUE(fs::exists(c.written));
        }
    }
    const ToolRun textconv = runTool({"textconv", g + "/" + kMonsterFileName});
    EXPECT_EQ(textconv.status, 0);
    EXPECT_EQ(runTool({"diff", g, g}).status, 0);
    const ToolRun missing = runTool({"-C", g + "x", "check"});
    EXPECT_EQ(missing.status, 2);
    EXPECT_NE(missing.err.find("g\\xE9me\\x1Bx: no such directory"), std::string::npos)
        << missing.err;
}

TEST_F(HostileInputTest, ControlCharactersInNamesNeverReachTheTerminal) {
    // A monster whose name retitles the terminal, and a profile table that rings its bell.
    Bytes stats = readBytes(file(kMonsterFileName));
    const std::string name = "\x1B]0;x\x07\x9B";
    std::copy(name.begin(), name.end(), stats.begin() + kMonsterRecordBytes);
    writeBytes(file(kMonsterFileName), stats);
    fs::create_directory(file("b"));
    for (const char* game : {kPaletteFileName, kSpriteFileName, kEncounterFileName,
                             kItemListFileName, kMonsterFileName})
        fs::copy_file(file(game), file(std::string("b/") + game));
    stats[kMonsterRecordBytes + 10] ^= 1; // monster 1's hp
    writeBytes(file(std::string("b/") + kMonsterFileName), stats);
    writeText(file("bell.csv"), "name,level,strength,agility,item_damage,item_defense,hp\n"
                                "x,\x07\x1B[2J,1,1,1,1,1\n");
    const std::vector<std::vector<std::string>> commands = {
        {"where", "1"},
        {"diff", dir_.string(), file("b").string()},
        {"balance", "--characters", file("bell.csv").string()},
        {"export-stats", "-o", file("out\x1B[2J.csv").string()},
        {"import-stats", file("no\x07such.csv").string()},
        {"--bogus\x1B[31m"},
        {"export-stats", "--format", "\x1B[31m"},
        {"textconv", "--as", "\x08", file(kMonsterFileName).string()},
        {"textconv", "--as", kMonsterFileName, file("gone\x1B[2J.tat").string()},
    };
    for (const auto& arguments : commands) {
        SCOPED_TRACE(arguments.front());
        const ToolRun run = arguments.front() == "diff" ? runTool(arguments) : tool(arguments);
        EXPECT_TRUE(terminalSafe(run.out + run.err)) << run.out << run.err;
    }
}

// Starts the real program in `cwd` with standard output into `out`; gives its exit status.
int runIn(const fs::path& cwd, const fs::path& out, std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), VALMOR_DATA_EXE);
    std::vector<char*> argv;
    for (std::string& argument : arguments)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addchdir_np(&actions, cwd.c_str());
    posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = -1;
    const int started = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    int status = -1;
    if (started != 0 || waitpid(pid, &status, 0) != pid || !WIFEXITED(status))
        return -1;
    return WEXITSTATUS(status);
}

TEST_F(HostileInputTest, EachFaultLeavesTheGameFilesAsTheyWere) {
    const struct {
        const char* fault;
        std::function<void()> prepare;
        std::vector<std::string> arguments;
        std::string input;
        int status;
        const char* said; // in standard error, or standard output when there is none
    } cases[] = {
        {"an output through a link onto a device is written into, not replaced",
         [&] { fs::create_symlink("/dev/null", file("null")); },
         {"export-stats", "-o", file("null").string()},
         "",
         0,
         ""},
        {"an output through a link onto a game file is refused",
         [&] { fs::create_symlink(file(kMonsterFileName), file("stats-link.csv")); },
         {"export-stats", "-o", file("stats-link.csv").string()},
         "",
         1,
         "will not write a table over the game file"},
        {"a failed command leaves a dangling link as it was",
         [&] {
             tool({"export-sprites", file("png").string()});
             fs::rename(file(kSpriteFileName), file("sprites.dat"));
             fs::create_symlink("later/monster.dat", file(kSpriteFileName));
             fs::create_directory(file("later"));
         },
         {"import-sprite", "5", file("png/005.png").string()},
         "",
         1,
         "no sprite 5"},
        {"a loop of links is named as such, not as a missing file",
         [&] {
             fs::rename(file(kEncounterFileName), file("maps.mon"));
             fs::create_symlink("loop2", file(kEncounterFileName));
             fs::create_symlink(kEncounterFileName, file("loop2"));
         },
         {"export-encounters"},
         "",
         1,
         "encountr.mon (too many levels of symbolic links)"},
        {"a record file beyond the records numbers reach is one line of textconv, no error",
         [&] {
             writeText(file("big.tat"), "");
             fs::resize_file(file("big.tat"), 86 * 40000);
         },
         {"textconv", "--as", kMonsterFileName, file("big.tat").string()},
         "",
         0,
         "more than the 32767 records a record file can address)): 3440000 bytes, fnv1a64="},
        {"a table saved as UTF-16 is named as such",
         [] {},
         {"import-stats", "-"},
         std::string("\xFF\xFEn\0a\0", 6),
         1,
         "the table is UTF-16 (little-endian); save it as UTF-8"},
    };
    const Bytes stats = readBytes(file(kMonsterFileName));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.fault);
        c.prepare();
        const ToolRun run = tool(c.arguments, c.input);
        EXPECT_EQ(run.status, c.status) << run.err;
        EXPECT_NE((run.err.empty() ? run.out : run.err).find(c.said), std::string::npos)
            << run.out << run.err;
        EXPECT_EQ(readBytes(file(kMonsterFileName)), stats);
    }
    EXPECT_TRUE(fs::is_character_file(file("null")));
    // The dangling link is still a link, and nothing was created where it points.
    EXPECT_TRUE(fs::is_symlink(file(kSpriteFileName)));
    EXPECT_FALSE(fs::exists(file("later/monster.dat")));
}

TEST_F(HostileInputTest, EachMessageSaysWhatHappened) {
    const struct {
        const char* fault;
        std::function<void()> prepare;
        std::vector<std::string> arguments;
        std::optional<rlim_t> fileSizeLimit;
        std::string said;    // in standard error
        const char* missing; // a file the command must not leave, or nullptr
    } cases[] = {
        {"a folder where the stats file belongs",
         [&] {
             fs::remove(file(kMonsterFileName));
             fs::create_directory(file(kMonsterFileName));
         },
         {"export-stats"},
         std::nullopt,
         "Is a folder: monsters.tat\n",
         nullptr},
        {"a sprite file without frames",
         [&] {
             tool({"export-sprites", file("png").string()});
             fs::resize_file(file(kSpriteFileName), 0);
         },
         {"import-sprite", "5", file("png/005.png").string()},
         std::nullopt,
         "no sprite 5: monster.dat holds no sprites; give 0 to append one\n",
         nullptr},
        {"an output into a folder that does not exist",
         [] {},
         {"export-stats", "-o", file("none/t.csv").string()},
         std::nullopt,
         "; there was no file before, and none is left\n",
         "none/t.csv"},
        {"an import into a removed stats file, the disk full",
         [&] {
             writeText(file("t.csv"), tool({"export-stats"}).out);
             fs::remove(file(kMonsterFileName));
         },
         {"import-stats", file("t.csv").string()},
         1000,
         "; there was no file before, and none is left\n",
         kMonsterFileName},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.fault);
        fs::remove_all(dir_);
        demo::writeDemoData(dir_, true);
        c.prepare();
        std::optional<FileSizeLimit> limit;
        if (c.fileSizeLimit)
            limit.emplace(*c.fileSizeLimit);
        const ToolRun run = tool(c.arguments);
        limit.reset();
        EXPECT_EQ(run.status, 1);
        EXPECT_TRUE(run.err.ends_with(c.said)) << run.err;
        if (c.missing) {
            EXPECT_FALSE(fs::exists(file(c.missing)));
        }
    }
}

TEST_F(HostileInputTest, ADeepWorkingFolderAndAnOutputThroughProcWork) {
    // A working folder whose path, with a file name and ".valmor-new" added, is longer
    // than the system takes in one path.
    fs::path deep = dir_;
    while (deep.string().size() < 4060)
        deep /= std::string(std::min<std::size_t>(200, 4060 - deep.string().size()), 'd');
    fs::create_directories(deep);
    for (const char* name : {kPaletteFileName, kSpriteFileName, kMonsterFileName,
                             kEncounterFileName, kItemListFileName})
        fs::copy_file(file(name), deep / name);
    writeText(file("table.csv"), tool({"export-stats"}).out);
    EXPECT_EQ(runIn(deep, file("import.out"), {"import-stats", file("table.csv").string()}), 0)
        << readText(file("import.out"));
    EXPECT_EQ(readBytes(deep / kMonsterFileName), readBytes(file(kMonsterFileName)));

    // /dev/stdout names what the program already has open: it is written into.
    fs::create_symlink("/proc/self/fd/1", file("stdout"));
    EXPECT_EQ(runIn(dir_, file("table.out"), {"export-stats", "-o", file("stdout").string()}), 0);
    EXPECT_TRUE(fs::is_symlink(file("stdout")));
    EXPECT_TRUE(readText(file("table.out")) == readText(file("table.csv")));
}

} // namespace
} // namespace valmor::test
