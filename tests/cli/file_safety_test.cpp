// valmor-data against hostile files and racing writers: every command refuses a pipe or a
// device at once, never writes through a link, never shrinks a file unasked, keeps owner
// and mode, and two writers at once never lose a change that was reported as done.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "balance/character_profiles.h"
#include "cli_fixture.h"
#include "files/file_replace.h"
#include "files/game_file.h"
#include "game/encounter_record.h"
#include "game/item_list.h"
#include "game/monster_record.h"
#include "game/palette.h"
#include "game/sprite.h"
#include "support/child_process.h"

namespace valmor::test {
namespace {

namespace fs = std::filesystem;

class FileSafetyTest : public DemoDirTest {
protected:
    using Run = ToolRun;

    // The whole tool in-process on dir_, as the command line would run it.
    Run tool(std::vector<std::string> arguments, const std::string& input = {}) {
        arguments.insert(arguments.begin(), {"-C", dir_.string()});
        return runTool(arguments, input);
    }

    // Starts the real program on dir_; gives its process id.
    pid_t spawn(std::vector<std::string> arguments) {
        arguments.insert(arguments.begin(), {VALMOR_DATA_EXE, "-C", dir_.string()});
        return startChild(arguments);
    }

    static int exitStatus(pid_t pid) { return waitChild(pid).status; }

    std::string statsTable() { return tool({"export-stats"}).out; }
};

TEST_F(FileSafetyTest, EveryCommandRefusesAPipeOrADeviceAtOnceNamingTheFile) {
    fs::create_directory(file("sprites"));
    tool({"export-sprites", file("sprites").string()});
    const std::string table = statsTable();
    const struct {
        const char* file;
        std::vector<std::string> arguments;
    } cases[] = {
        {kMonsterFileName, {"export-stats"}},
        {kMonsterFileName, {"import-stats", "-"}},
        {kEncounterFileName, {"export-encounters"}},
        {kSpriteFileName, {"export-sprites", file("out").string()}},
        {kSpriteFileName, {"import-sprite", "3", file("sprites/003.png").string()}},
        {kSpriteFileName, {"import-sprites", file("sprites").string()}},
        {kPaletteFileName, {"export-sprites", file("out").string()}},
        {kPaletteFileName, {"import-sprite", "3", file("sprites/003.png").string()}},
        {kItemListFileName, {"check"}},
    };
    for (const bool pipe : {true, false}) {
        for (const auto& c : cases) {
            SCOPED_TRACE(std::string(c.file) + (pipe ? " as a pipe: " : " as /dev/zero: ") +
                         c.arguments.front());
            fs::remove_all(dir_ / c.file);
            if (pipe) {
                ASSERT_EQ(mkfifo(file(c.file).c_str(), 0600), 0);
            } else {
                fs::create_symlink("/dev/zero", file(c.file));
            }
            const Run run = tool(c.arguments, table);
            EXPECT_NE(run.status, 0);
            const std::string said = run.out + run.err;
            EXPECT_NE(said.find(std::string(c.file) + " (a "), std::string::npos) << said;
            EXPECT_NE(said.find("not a regular file"), std::string::npos) << said;
            fs::remove(file(c.file));
            demo::writeDemoData(dir_, true);
        }
    }
}

TEST_F(FileSafetyTest, OutputsReplaceALinkInsteadOfWritingThroughIt) {
    const Bytes stats = readBytes(file(kMonsterFileName));
    fs::create_directory(file("out"));
    // An output that leads to a game file is refused, even through a link.
    fs::create_symlink("../monsters.tat", file("out/000.png"));
    fs::create_symlink("monsters.tat", file("table.csv"));
    const Run images = tool({"export-sprites", file("out").string()});
    EXPECT_EQ(images.status, 1);
    EXPECT_NE(images.err.find("will not write an image over the game file"), std::string::npos)
        << images.err;
    EXPECT_EQ(tool({"export-encounters", "-o", file("table.csv").string()}).status, 1);
    fs::remove(file("out/000.png"));
    fs::create_symlink("../elsewhere.png", file("out/000.png"));
    EXPECT_EQ(tool({"export-sprites", file("out").string()}).status, 0);
    fs::remove(file("table.csv"));
    fs::create_symlink("elsewhere.csv", file("table.csv"));
    writeText(file("elsewhere.csv"), "keep me");
    EXPECT_EQ(tool({"export-encounters", "-o", file("table.csv").string()}).status, 0);

    EXPECT_EQ(readBytes(file(kMonsterFileName)), stats);
    EXPECT_FALSE(fs::is_symlink(file("out/000.png")));
    EXPECT_EQ(readText(file("out/000.png")).substr(1, 3), "PNG");
    EXPECT_FALSE(fs::is_symlink(file("table.csv")));
    EXPECT_EQ(readText(file("elsewhere.csv")), "keep me");
}

TEST_F(FileSafetyTest, AFailedExportSaysHowFarItGotAndWhere) {
    fs::create_directories(file("out/005.png")); // a folder where an image must go
    const Run run = tool({"export-sprites", file("out").string()});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("export-sprites stopped at 005.png after writing 5 of 57 images"),
              std::string::npos)
        << run.err;
    EXPECT_EQ(run.err.find("nothing was written"), std::string::npos);
    EXPECT_TRUE(fs::exists(file("out/004.png")));
}

TEST_F(FileSafetyTest, EveryFailureNamesItsFileAndLine) {
    const std::string palette = readText(file(kPaletteFileName));
    tool({"export-sprites", file("sprites").string()});
    const struct {
        const char* name;
        std::function<void()> damage;
        std::vector<std::string> arguments;
        const char* said;
    } cases[] = {
        {"a palette level that overflows",
         [&] { writeText(file(kPaletteFileName), "1,2,3\n9000,0,0\n" + palette); },
         {"export-sprites", file("out").string()},
         "valmor-data: Overflow: mypal.pal, line 2\n"},
        {"more frames than sprite numbers reach",
         [&] { fs::resize_file(file(kSpriteFileName), std::uintmax_t{2} << 30); },
         {"import-sprite", "3", file("sprites/003.png").string()},
         "valmor-data: Overflow: monster.dat (2147483648 bytes: more frames than the 32768 that "
         "sprite numbers reach)\n"},
        {"a stats file beyond what record numbers reach",
         [&] { fs::resize_file(file(kMonsterFileName), 86 * 32768); },
         {"export-stats"},
         "valmor-data: File too large: monsters.tat (2818048 bytes: more than the 32767 records "
         "a record file can address)\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        demo::writeDemoData(dir_, true);
        c.damage();
        const Run run = tool(c.arguments);
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.err, c.said);
    }
}

TEST_F(FileSafetyTest, AnImportThatWouldShrinkTheFileNeedsTruncate) {
    const Bytes before = readBytes(file(kMonsterFileName));
    const std::string header = statsTable().substr(0, statsTable().find("\r\n") + 2);
    const struct {
        const char* name;
        std::vector<std::string> arguments;
        std::string table;
    } cases[] = {
        {"CSV header only", {"import-stats", "-"}, header},
        {"empty JSON", {"import-stats", "--format", "json", "-"}, "[]"},
        {"encounters, empty JSON", {"import-encounters", "-"}, "[]\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string target =
            c.arguments.front() == "import-stats" ? kMonsterFileName : kEncounterFileName;
        const Bytes old = readBytes(file(target));
        const Run refused = tool(c.arguments, c.table);
        EXPECT_EQ(refused.status, 1);
        EXPECT_NE(refused.err.find("records would go. Give --truncate"), std::string::npos)
            << refused.err;
        EXPECT_EQ(readBytes(file(target)), old);

        std::vector<std::string> forced = c.arguments;
        forced.insert(forced.begin() + 1, "--truncate");
        EXPECT_EQ(tool(forced, c.table).status, 0);
        EXPECT_EQ(fs::file_size(file(target)), 0u);
        demo::writeDemoData(dir_, true);
    }
    EXPECT_EQ(readBytes(file(kMonsterFileName)), before);
}

TEST_F(FileSafetyTest, AReplaceKeepsOwnerAndModeAndRemovesALeftover) {
    const std::string table = statsTable();
    writeText(file("monsters.tat.valmor-new"), "left by a replace that was killed");
    fs::permissions(file(kMonsterFileName),
                    fs::perms::owner_read | fs::perms::owner_write | fs::perms::others_read);
    const bool root = geteuid() == 0;
    if (root) {
        ASSERT_EQ(chown(file(kMonsterFileName).c_str(), 65534, 65534), 0);
    }
    EXPECT_EQ(tool({"import-stats", "-"}, table).status, 0);
    struct stat status {};
    ASSERT_EQ(stat(file(kMonsterFileName).c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 07777, 0604u);
    if (root) {
        EXPECT_EQ(status.st_uid, 65534u);
        EXPECT_EQ(status.st_gid, 65534u);
    }
    EXPECT_FALSE(fs::exists(file("monsters.tat.valmor-new")));
    EXPECT_EQ(tool({"check"}).status, 0);
}

TEST_F(FileSafetyTest, ASecondWriterGivesUpBusyAndChangesNothing) {
    const Bytes before = readBytes(file(kMonsterFileName));
    std::string table = statsTable();
    table.replace(table.find(",8,8,"), 5, ",9,9,");
    const GameFile holder = GameFile::openLocked(file(kMonsterFileName), false);
    const Run run = tool({"import-stats", "-"}, table);
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("File busy: monsters.tat (another program is changing it"),
              std::string::npos)
        << run.err;
    EXPECT_EQ(readBytes(file(kMonsterFileName)), before);
}

TEST_F(FileSafetyTest, RacingSpriteImportsBothLand) {
    tool({"export-sprites", file("sprites").string()});
    for (int round = 0; round < 8; ++round) {
        SCOPED_TRACE(round);
        demo::writeDemoData(dir_, true);
        // Sprites 3 and 4 become copies of 50 and 51, from two programs at once.
        const pid_t first = spawn({"import-sprite", "3", file("sprites/050.png").string()});
        const pid_t second = spawn({"import-sprite", "4", file("sprites/051.png").string()});
        EXPECT_EQ(exitStatus(first), 0);
        EXPECT_EQ(exitStatus(second), 0);
        const Bytes sprites = readBytes(file(kSpriteFileName));
        ASSERT_EQ(sprites.size(), 57u * kSpriteFrameBytes);
        const auto frame = [&](int n) { return sprites.begin() + n * kSpriteFrameBytes; };
        EXPECT_TRUE(std::equal(frame(3), frame(4), frame(50)));
        EXPECT_TRUE(std::equal(frame(4), frame(5), frame(51)));
    }
}

TEST_F(FileSafetyTest, EditorSavesRacingImportsLandInTheFileThatIsThere) {
    // The imports hold the table as it is; each Save writes monster 2's name. A Save that
    // went to a file an import had already renamed away would be lost without a word.
    fs::create_directory(file("tables"));
    writeText(file("tables/stats.csv"), statsTable());
    for (int round = 0; round < 6; ++round) {
        SCOPED_TRACE(round);
        const pid_t import = spawn({"import-stats", file("tables/stats.csv").string()});
        MonsterRecord saved = readMonsterRecord(file(kMonsterFileName), 2);
        saved.name = fixedWidth("Save " + std::to_string(round), kNameWidth);
        writeMonsterRecord(file(kMonsterFileName), 2, saved);
        // Reported as saved: the file at the path has it, unless the import that was
        // running replaced the whole file after the Save.
        const std::string name = readMonsterRecord(file(kMonsterFileName), 2).name;
        EXPECT_EQ(exitStatus(import), 0);
        const std::string after = readMonsterRecord(file(kMonsterFileName), 2).name;
        EXPECT_TRUE(name == saved.name || after == name) << name << " / " << after;
        EXPECT_EQ(fs::file_size(file(kMonsterFileName)), 57u * kMonsterRecordBytes);
    }
}

TEST_F(FileSafetyTest, ImportSpritesPutsBackAFolderInOnePassOrNothing) {
    tool({"export-sprites", file("sprites").string()});
    const Bytes before = readBytes(file(kSpriteFileName));
    EXPECT_EQ(tool({"import-sprites", file("sprites").string()}).status, 0);
    EXPECT_EQ(readBytes(file(kSpriteFileName)), before);

    // Two new sprites follow on from 57; a gap is refused before anything is written.
    fs::copy_file(file("sprites/010.png"), file("sprites/057.png"));
    fs::copy_file(file("sprites/011.png"), file("sprites/059.png"));
    Run run = tool({"import-sprites", file("sprites").string()});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("no sprite 59"), std::string::npos) << run.err;
    EXPECT_EQ(readBytes(file(kSpriteFileName)), before);

    fs::rename(file("sprites/059.png"), file("sprites/058.png"));
    writeText(file("sprites/020.png"), "not an image");
    run = tool({"import-sprites", file("sprites").string()});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("020.png"), std::string::npos) << run.err;
    EXPECT_EQ(readBytes(file(kSpriteFileName)), before);

    fs::remove(file("sprites/020.png"));
    run = tool({"import-sprites", file("sprites").string()});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "wrote 58 sprites to " + file(kSpriteFileName).string() +
                           " (56 replaced, 2 appended)\n");
    EXPECT_NE(run.err.find("sprites 57 to 58 have no stats yet"), std::string::npos) << run.err;
    const Bytes after = readBytes(file(kSpriteFileName));
    ASSERT_EQ(after.size(), 59u * kSpriteFrameBytes);
    EXPECT_TRUE(std::equal(before.begin(), before.end(), after.begin()));
    EXPECT_TRUE(std::equal(after.begin() + 57 * kSpriteFrameBytes,
                           after.begin() + 58 * kSpriteFrameBytes,
                           after.begin() + 10 * kSpriteFrameBytes));
}

TEST_F(FileSafetyTest, AnOutputThatIsAGameFileTheProfilesOrItsOwnInputIsRefused) {
    fs::create_directory(file("tables"));
    const std::string input = file("tables/c.csv").string();
    fs::create_symlink("c.csv", file("tables/link.csv"));
    writeText(file("targets.csv"), "map,verdict\n1,easy\n");
    const std::string link = file("tables/link.csv").string();
    const std::string profiles = file(kCharactersFileName).string();
    const std::string one = "5,5,5,5,5,50";
    const struct {
        const char* name;
        std::vector<std::string> arguments;
        std::string guarded; // the file that must keep its bytes
        std::string said;
    } cases[] = {
        {"balance over its --characters",
         {"balance", "--characters", input, "-o", input},
         input,
         "will not write over its own input " + input},
        {"balance onto a link to its input",
         {"balance", "--characters", input, "-o", link},
         input,
         "over its own input " + link},
        {"balance from a link, onto the file it leads to",
         {"balance", "--monsters", "--characters", link, "-o", input},
         input,
         "over its own input " + input},
        {"balance onto a hard link of its input",
         {"balance", "--characters", input, "-o", file("tables/hard.csv").string()},
         input,
         "over its own input"},
        {"report over its --characters",
         {"report", "--characters", input, "-o", input},
         input,
         "over its own input " + input},
        {"balance over the folder's characters.csv",
         {"balance", "--character", one, "-o", profiles},
         profiles,
         "will not write over the balance profiles " + profiles},
        {"balance over the folder's targets.csv",
         {"balance", "--character", one, "-o", file("targets.csv").string()},
         file("targets.csv").string(),
         "over the balance targets"},
        {"export-encounters over the item list",
         {"export-encounters", "-o", file(kItemListFileName).string()},
         file(kItemListFileName).string(),
         "will not write a table over the game file " + file(kItemListFileName).string()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        // A refusal missed replaces a file the next case needs.
        demo::writeDemoData(dir_, true, true);
        fs::remove(input);
        fs::remove(file("tables/hard.csv"));
        fs::copy_file(file(kCharactersFileName), input);
        fs::create_hard_link(input, file("tables/hard.csv"));
        const Bytes before = readBytes(c.guarded);
        const Run run = tool(c.arguments);
        EXPECT_EQ(run.status, 1);
        EXPECT_NE(run.err.find(c.said), std::string::npos) << run.err;
        EXPECT_EQ(readBytes(c.guarded), before);
    }
    // A name that leads to no input is written, even beside one.
    EXPECT_EQ(
        tool({"balance", "--characters", input, "-o", file("tables/new.csv").string()}).status, 0);
    EXPECT_TRUE(fs::exists(file("tables/new.csv")));
}

// The hidden temporary outputs (.NAME.valmor-tmp-PID-N) in `folder`.
std::vector<std::string> temporaryOutputs(const fs::path& folder) {
    std::vector<std::string> names;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder)) {
        const std::string name = entry.path().filename().string();
        if (name.starts_with('.') && name.find(".valmor-") != std::string::npos)
            names.push_back(name);
    }
    return names;
}

// A process number that no process of this PID namespace has, for a writer in another one:
// a sweep that went by process numbers would take its file for a dead run's.
pid_t processNumberUnusedHere() {
    for (pid_t pid = 30000; pid > 1000; --pid) {
        if (kill(pid, 0) != 0 && errno == ESRCH)
            return pid;
    }
    return 0;
}

TEST_F(FileSafetyTest, TheSweepRemovesOnlyTheLeftoversNoWriterHoldsInAnyNamespace) {
    const std::string table = statsTable();
    const std::string held = ".held.csv.valmor-tmp-";
    const std::vector<std::string> fault = {
        "LD_PRELOAD=" VALMOR_FAULT_SHIM, "VALMOR_FAULT_UNDER=" + held, "VALMOR_FAULT_CALLS=write",
        "VALMOR_FAULT_AT=1", "VALMOR_FAULT_PAUSE=" + file("pause").string(),
        // A sanitized program wants its runtime first; the fault library comes before it.
        "ASAN_OPTIONS=verify_asan_link_order=0"};
    const std::vector<std::string> writer = {VALMOR_DATA_EXE, "-C", dir_.string(),
                                             "export-stats",  "-o", file("held.csv").string()};
    // An export of the host into the same folder, which sweeps it first.
    const auto sweep = [&] {
        return runChild({VALMOR_DATA_EXE, "-C", dir_.string(), "export-encounters", "-o",
                         file("other.csv").string()})
            .status;
    };
    // Through env, which finds unshare on PATH for posix_spawn.
    const std::vector<std::string> unshare = {"/usr/bin/env", "unshare",      "--pid",
                                              "--fork",       "--kill-child", "--mount-proc"};
    std::vector<std::string> probe = unshare;
    probe.push_back("/bin/true");
    const bool namespaces = runChild(probe).status == 0;
    enum class Writer { None, HeldHere, HeldInAnotherNamespace };
    const struct {
        const char* name;
        Writer writer;
        std::function<void()> leave; // without a writer: leaves a temporary output behind
        bool kept;                   // without a writer: whether the sweep keeps it
    } cases[] = {
        {"left by a run killed while writing", Writer::None,
         [&] {
             std::vector<std::string> killing = fault;
             killing.push_back("VALMOR_FAULT_DO=kill");
             EXPECT_EQ(waitChild(startChild(writer, killing)).signal, SIGKILL);
         },
         false},
        {"named after a live process, locked by none", Writer::None,
         [&] { writeText(file(held + std::to_string(getpid()) + "-0"), "half a table"); }, false},
        {"a pipe named as one: nothing the sweep can lock", Writer::None,
         [&] {
             const std::string name = held + std::to_string(processNumberUnusedHere()) + "-0";
             ASSERT_EQ(mkfifo(file(name).c_str(), 0600), 0);
         },
         true},
        {"written by a run of this namespace", Writer::HeldHere, {}, true},
        {"written by a run in another PID namespace", Writer::HeldInAnotherNamespace, {}, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.writer == Writer::HeldInAnotherNamespace && !namespaces)
            GTEST_SKIP() << "unshare --pid --fork --mount-proc is not permitted here";
        for (const std::string& name : temporaryOutputs(dir_))
            fs::remove(dir_ / name);
        if (c.writer == Writer::None) {
            c.leave();
            ASSERT_EQ(temporaryOutputs(dir_).size(), 1u);
            const std::string left = temporaryOutputs(dir_).front();
            EXPECT_EQ(sweep(), 0);
            EXPECT_EQ(fs::exists(fs::symlink_status(dir_ / left)), c.kept);
            continue;
        }
        // A writer held before its first byte, its temporary output made and locked.
        ASSERT_EQ(mkfifo(file("pause").c_str(), 0600), 0);
        std::vector<std::string> pausing = fault;
        pausing.push_back("VALMOR_FAULT_DO=pause");
        std::vector<std::string> command = writer;
        if (c.writer == Writer::HeldInAnotherNamespace) {
            // The writer gets that number there; its shell stays, for the writer not to be 1.
            const pid_t number = processNumberUnusedHere();
            ASSERT_GT(number, 0);
            command = unshare;
            command.insert(command.end(),
                           {"/bin/sh", "-c",
                            "echo \"$0\" > /proc/sys/kernel/ns_last_pid; \"$@\"; exit $?",
                            std::to_string(number - 1)});
            command.insert(command.end(), writer.begin(), writer.end());
        }
        const pid_t pid = startChild(command, pausing);
        ASSERT_GT(pid, 0);
        int pause = -1;
        for (int tries = 0; pause < 0 && tries < 30000; ++tries) {
            pause = open(file("pause").c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
            if (pause < 0 && waitpid(pid, nullptr, WNOHANG) == pid)
                break;
            if (pause < 0)
                std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        ASSERT_GE(pause, 0) << "the writer never reached its first write";
        const std::vector<std::string> written = temporaryOutputs(dir_);
        EXPECT_EQ(sweep(), 0);
        EXPECT_EQ(temporaryOutputs(dir_), written);
        close(pause);
        EXPECT_EQ(waitChild(pid).status, 0);
        EXPECT_TRUE(readText(file("held.csv")) == table) << "held.csv is not the whole table";
        EXPECT_TRUE(temporaryOutputs(dir_).empty());
        fs::remove(file("pause"));
        fs::remove(file("held.csv"));
    }
}

} // namespace
} // namespace valmor::test
