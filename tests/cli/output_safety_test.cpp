// valmor-data's outputs against a hostile folder, through the real program: a link through
// /proc is replaced like any link, a pipe nobody reads can be stopped, a terminal named as
// the output is shown escaped, standard output and -o never land on a game file or the
// profiles (present or missing), and the sweep of temporary files removes none of a user's.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "balance/character_profiles.h"
#include "cli_fixture.h"
#include "demo/tables.h"
#include "game/encounter_record.h"
#include "game/monster_record.h"
#include "game/sprite.h"
#include "support/child_process.h"

namespace valmor::test {
namespace {

namespace fs = std::filesystem;

constexpr const char* kOneProfile = "5,30,23,34,17,105";

struct RealRun {
    int status = -1;
    int signal = 0;
    bool timedOut = false;
    std::string out; // standard output and error together
};

class OutputSafetyTest : public DemoDirTest {
protected:
    // The real program, started as `arguments` (the program first); its output to a file.
    pid_t start(const std::vector<std::string>& arguments) {
        return startChild(arguments, {}, file("tool-output").string());
    }
    RealRun finish(pid_t pid) {
        const ChildRun run =
            waitChild(pid, std::chrono::steady_clock::now(), std::chrono::seconds(20));
        return {run.status, run.signal, run.timedOut, readText(file("tool-output"))};
    }
    RealRun tool(const std::vector<std::string>& arguments) {
        std::vector<std::string> command = {VALMOR_DATA_EXE, "-C", dir_.string()};
        command.insert(command.end(), arguments.begin(), arguments.end());
        return finish(start(command));
    }
    // The program with its standard output appended to `target`, as `>> target` does (or
    // the stream `redirect` names).
    RealRun appendingTo(const fs::path& target, const std::vector<std::string>& arguments,
                        const std::string& redirect = ">>") {
        std::vector<std::string> command = {"/bin/sh",
                                            "-c",
                                            "f=$1; shift; exec \"$@\" " + redirect + " \"$f\"",
                                            "sh",
                                            target.string(),
                                            VALMOR_DATA_EXE,
                                            "-C",
                                            dir_.string()};
        command.insert(command.end(), arguments.begin(), arguments.end());
        return finish(start(command));
    }
};

TEST_F(OutputSafetyTest, ALinkThroughProcIsReplacedNeverWrittenThrough) {
    const std::string victim = file("victim.txt").string();
    writeText(victim, "keep me");
    // The victim open here: another program's descriptor is not the tool's to write into.
    const int held = open(victim.c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(held, 0);
    const struct {
        const char* name;
        std::string link;   // made to lead to the victim
        std::string target; // what it holds
        std::vector<std::string> arguments;
    } cases[] = {
        {"an image named as a link through /proc/self/root",
         file("spx/000.png").string(),
         "/proc/self/root" + victim,
         {"export-sprites", file("spx").string()}},
        {"a table named as a link through /proc/self/root",
         file("out.csv").string(),
         "/proc/self/root" + victim,
         {"export-stats", "-o", file("out.csv").string()}},
        {"a table named as a link through /proc/self/cwd",
         file("out.csv").string(),
         "/proc/self/cwd/" + fs::relative(victim, fs::current_path()).string(),
         {"export-stats", "-o", file("out.csv").string()}},
        {"a table named as a link to /proc/PID/root",
         file("out.csv").string(),
         "/proc/" + std::to_string(getpid()) + "/root" + victim,
         {"export-encounters", "-o", file("out.csv").string()}},
        {"a table named as a link to another program's descriptor",
         file("out.csv").string(),
         "/proc/" + std::to_string(getpid()) + "/fd/" + std::to_string(held),
         {"export-encounters", "-o", file("out.csv").string()}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(file("spx"));
        fs::remove(file("out.csv"));
        fs::create_directory(file("spx"));
        writeText(victim, "keep me");
        fs::create_symlink(c.target, c.link);
        const RealRun run = tool(c.arguments);
        EXPECT_EQ(run.status, 0) << run.out;
        EXPECT_EQ(readText(victim), "keep me");
        EXPECT_FALSE(fs::is_symlink(c.link));
    }
    close(held);
}

// Whether `pid` catches `signal`: its handler is in place.
bool catches(pid_t pid, int signal) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.starts_with("SigCgt:"))
            return ((std::stoull(line.substr(7), nullptr, 16) >> (signal - 1)) & 1) != 0;
    }
    return false;
}

TEST_F(OutputSafetyTest, AnOutputPipeNobodyReadsIsStoppedBySignals) {
    const struct {
        const char* name;
        std::string fifo;
        std::vector<std::string> arguments;
        int signal;
        std::string ready;   // a file that exists once the program waits at the pipe
        bool opened = false; // a reader holds the pipe open and never reads
        bool socket = false; // a socket whose listener never accepts, its queue full
    } cases[] = {
        {"export-stats -o FIFO, SIGINT",
         file("of.fifo").string(),
         {"export-stats", "-o", file("of.fifo").string()},
         SIGINT,
         {}},
        {"export-encounters -o FIFO, SIGTERM",
         file("of.fifo").string(),
         {"export-encounters", "-o", file("of.fifo").string()},
         SIGTERM,
         {}},
        {"balance -o FIFO, SIGHUP",
         file("of.fifo").string(),
         {"balance", "--character", kOneProfile, "-o", file("of.fifo").string()},
         SIGHUP,
         {}},
        {"a pipe among the images of export-sprites, SIGINT",
         file("spf/003.png").string(),
         {"export-sprites", file("spf").string()},
         SIGINT,
         file("spf/002.png").string()},
        {"report -o a FIFO that is full, SIGTERM",
         file("of.fifo").string(),
         {"report", "--character", kOneProfile, "-o", file("of.fifo").string()},
         SIGTERM,
         {},
         true},
        {"export-stats -o a socket nobody accepts on, SIGTERM",
         "of.sock",
         {"export-stats", "-o", "of.sock"},
         SIGTERM,
         {},
         false,
         true},
    };
    const fs::path before = fs::current_path();
    fs::current_path(dir_); // a socket's name is short
    std::vector<int> sockets;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(file("spf"));
        fs::remove(file("of.fifo"));
        fs::create_directory(file("spf"));
        if (c.socket) {
            sockaddr_un address{};
            address.sun_family = AF_UNIX;
            std::copy(c.fifo.begin(), c.fifo.end(), address.sun_path);
            const auto* named = reinterpret_cast<const sockaddr*>(&address);
            sockets.push_back(socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
            ASSERT_EQ(bind(sockets.back(), named, sizeof address), 0);
            ASSERT_EQ(listen(sockets.back(), 0), 0);
            for (int filled = 0; filled < 64; ++filled) {
                sockets.push_back(socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
                if (connect(sockets.back(), named, sizeof address) != 0)
                    break;
            }
        } else {
            ASSERT_EQ(mkfifo(c.fifo.c_str(), 0600), 0);
        }
        const int reader = c.opened ? open(c.fifo.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC) : -1;
        std::vector<std::string> command = {VALMOR_DATA_EXE, "-C", dir_.string()};
        command.insert(command.end(), c.arguments.begin(), c.arguments.end());
        const pid_t pid = start(command);
        ASSERT_GT(pid, 0);
        // Until it waits at the pipe, with its handler in place (or long past it).
        for (int tries = 0; tries < 1000; ++tries) {
            if (catches(pid, c.signal) && (c.ready.empty() || fs::exists(c.ready)))
                break;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        kill(pid, c.signal);
        const RealRun run = finish(pid);
        EXPECT_FALSE(run.timedOut) << "still waiting for a reader";
        EXPECT_EQ(run.signal, c.signal);
        EXPECT_NE(run.out.find("Interrupted"), std::string::npos) << run.out;
        if (reader >= 0)
            close(reader);
    }
    for (const int fd : sockets)
        close(fd);
    fs::current_path(before);
}

TEST_F(OutputSafetyTest, ATerminalNamedAsTheOutputIsShownEscaped) {
    // A monster whose name would retitle the window and turn on bold: ESC ] 0 ; ... BEL, CSI.
    Bytes stats = readBytes(file(kMonsterFileName));
    const std::string hostile = "\x1b]0;PWN\x07\x9b"
                                "1";
    std::copy(hostile.begin(), hostile.end(), stats.begin());
    writeBytes(file(kMonsterFileName), stats);

    const int master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    ASSERT_GE(master, 0);
    ASSERT_EQ(grantpt(master), 0);
    ASSERT_EQ(unlockpt(master), 0);
    const std::string terminal = ptsname(master);
    // Held open here, so that what the program wrote stays readable after it ends.
    const int slave = open(terminal.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    ASSERT_GE(slave, 0);
    fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);
    const std::string demo = dir_.string();
    const struct {
        const char* name;
        std::vector<std::string> arguments;
    } cases[] = {
        {"export-stats to a terminal as standard output", {"export-stats"}},
        {"export-stats -o /dev/stdout", {"export-stats", "-o", "/dev/stdout"}},
        {"export-stats -o the terminal's name", {"export-stats", "-o", terminal}},
        {"balance -o /dev/stdout",
         {"balance", "--monsters", "--character", kOneProfile, "-o", "/dev/stdout"}},
        {"report -o the terminal's name", {"report", "--character", kOneProfile, "-o", terminal}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::string> command = {VALMOR_DATA_EXE, "-C", demo};
        command.insert(command.end(), c.arguments.begin(), c.arguments.end());
        const pid_t pid = startChild(command, {}, terminal);
        ASSERT_GT(pid, 0);
        // Read as it comes: a terminal holds only a few kilobytes unread.
        std::string shown;
        int status = -1;
        const auto drain = [&] {
            char buffer[4096];
            for (ssize_t got; (got = read(master, buffer, sizeof buffer)) > 0;)
                shown.append(buffer, static_cast<std::size_t>(got));
        };
        for (int tries = 0; tries < 20000 && waitpid(pid, &status, WNOHANG) == 0; ++tries) {
            drain();
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        if (waitpid(pid, &status, WNOHANG) == 0) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
        }
        drain();
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
        EXPECT_NE(shown.find("\\x1B]0;PWN\\x07"), std::string::npos) << shown.substr(0, 400);
        EXPECT_EQ(shown.find('\x1b'), std::string::npos);
        EXPECT_EQ(shown.find("\xc2\x9b"), std::string::npos);
    }
    close(slave);
    close(master);
}

TEST_F(OutputSafetyTest, StandardOutputAndOutputNamesNeverLandOnAGameFileOrTheProfiles) {
    const fs::path stats = file(kMonsterFileName);
    const fs::path maps = file(kEncounterFileName);
    const fs::path profiles = file(kCharactersFileName);
    const fs::path targets = file("targets.csv");
    const std::string demo = dir_.string();
    const struct {
        const char* name;
        std::function<RealRun()> run;
        fs::path guarded; // keeps its bytes, or stays missing
        std::string said;
        bool missing = false; // the guarded file is removed first
        std::function<void()> prepare = [] {};
    } cases[] = {
        {"report >> characters.csv",
         [&] {
             return appendingTo(profiles, {"report", "--characters", profiles.string()});
         },
         profiles, "will not write over the balance profiles (standard output)"},
        {"export-stats -o - >> monsters.tat",
         [&] {
             return appendingTo(stats, {"export-stats", "-o", "-"});
         },
         stats, "will not write over the game file (standard output)"},
        {"export-encounters >> encountr.mon",
         [&] { return appendingTo(maps, {"export-encounters"}); }, maps,
         "over the game file (standard output)"},
        {"balance >> characters.csv, given other profiles",
         [&] {
             return appendingTo(profiles, {"balance", "--character", kOneProfile});
         },
         profiles, "over the balance profiles (standard output)"},
        // Commands that write no table feed their own words into the file as well.
        {"textconv monsters.tat >> monsters.tat",
         [&] {
             return appendingTo(stats, {"textconv", stats.string()});
         },
         stats, "will not write over the game file (standard output)"},
        {"check 2>> monster.dat, which cannot carry the refusal",
         [&] { return appendingTo(file(kSpriteFileName), {"check"}, "2>>"); },
         file(kSpriteFileName), ""},
        {"--version >> monsters.tat, before any command",
         [&] { return appendingTo(stats, {"--version"}); }, stats,
         "will not write over the game file (standard output)"},
        {"an unknown command 2>> monsters.tat", [&] { return appendingTo(stats, {"chek"}, "2>>"); },
         stats, ""},
        {"diff A B >> B/monster.dat",
         [&] {
             return appendingTo(file("other") / kSpriteFileName,
                                {"diff", demo, file("other").string()});
         },
         file("other") / kSpriteFileName, "will not write over the game file (standard output)",
         false,
         [&] {
             fs::create_directories(file("other"));
             for (const char* name : {kMonsterFileName, kEncounterFileName, kSpriteFileName})
                 fs::copy_file(file(name), file("other") / name);
         }},
        {"tune >> targets.csv",
         [&] {
             return appendingTo(targets, {"tune", "--characters", profiles.string(), "--targets",
                                          targets.string()});
         },
         targets, "will not write over the balance targets (standard output)", false,
         [&] { writeText(targets, demo::targetsCsvText()); }},
        {"apply changes.csv >> monsters.tat",
         [&] {
             writeText(file("changes.csv"), "file,record,field,old,new\n");
             return appendingTo(stats, {"apply", file("changes.csv").string()});
         },
         stats, "will not write over the game file (standard output)"},
        {"balance --characters my.csv 2>> my.csv",
         [&] {
             return appendingTo(file("my.csv"),
                                {"balance", "--characters", file("my.csv").string()}, "2>>");
         },
         file("my.csv"), "", false,
         [&] {
             writeText(file("my.csv"), "name,level,strength,agility,item_damage,item_defense,hp\n"
                                       "L9,x,1,1,1,1,1\n");
         }},
        {"import-sprites DIR 2>> DIR/003.png",
         [&] {
             return appendingTo(file("images/003.png"), {"import-sprites", file("images").string()},
                                "2>>");
         },
         file("images/003.png"), "", false,
         [&] {
             EXPECT_EQ(tool({"export-sprites", file("images").string()}).status, 0);
         }},
        {"export-encounters -o a missing monsters.tat",
         [&] {
             return tool({"export-encounters", "-o", stats.string()});
         },
         stats, "will not write a table over the game file " + stats.string(), true},
        {"balance -o a missing characters.csv",
         [&] {
             return tool({"balance", "--character", kOneProfile, "-o", profiles.string()});
         },
         profiles, "over the balance profiles " + profiles.string(), true},
        {"balance -o a missing targets.csv",
         [&] {
             return tool({"balance", "--character", kOneProfile, "-o", targets.string()});
         },
         targets, "over the balance targets", true},
        {"export-stats -o a missing monster.dat by another name of the folder",
         [&] {
             return tool({"export-stats", "-o", demo + "/sub/../" + kSpriteFileName});
         },
         file(kSpriteFileName), "over the game file", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        demo::writeDemoData(dir_, true, true);
        fs::remove(targets);
        fs::remove_all(file("other"));
        fs::remove_all(file("images"));
        c.prepare();
        fs::create_directories(file("sub"));
        if (c.missing)
            fs::remove(c.guarded);
        const bool existed = fs::exists(c.guarded);
        const Bytes before = existed ? readBytes(c.guarded) : Bytes{};
        const RealRun run = c.run();
        // Commands whose 1 is an answer (diff, tune) fail with 2, and so does apply.
        const std::string_view name = c.name;
        EXPECT_EQ(run.status,
                  name.starts_with("diff") || name.starts_with("tune") || name.starts_with("apply")
                      ? 2
                      : 1);
        EXPECT_NE(run.out.find(c.said), std::string::npos) << run.out;
        EXPECT_EQ(fs::exists(c.guarded), existed);
        if (existed) {
            EXPECT_EQ(readBytes(c.guarded), before);
        }
    }
    // The names are the game's own, byte for byte: another spelling is another file.
    EXPECT_EQ(tool({"export-stats", "-o", file("Monsters.tat").string()}).status, 0);
    // A number the shell just made into an empty file for the output is no input to guard.
    demo::writeDemoData(dir_, true, true);
    const fs::path before = fs::current_path();
    fs::current_path(dir_);
    const RealRun number = appendingTo(file("12"), {"where", "12"}, ">");
    EXPECT_EQ(number.status, 0) << number.out;
    fs::current_path(before);
    // A name at the longest a folder takes still gets its temporary file beside it.
    EXPECT_EQ(tool({"export-stats", "-o", file(std::string(255, 'a')).string()}).status, 0);
}

TEST_F(OutputSafetyTest, TheSweepRemovesNoneOfAUsersFiles) {
    const struct {
        const char* name;
        std::string left;
        std::function<void(const fs::path&)> make;
        bool kept;
    } cases[] = {
        {"a user's file that looks like a run's name of old", ".budget.valmor-2024-12", {}, true},
        {"a temporary output of ours an ended run left", ".budget.valmor-tmp-2024-12", {}, false},
        {"one with a second name elsewhere", ".budget.valmor-tmp-2024-13",
         [&](const fs::path& left) { fs::create_hard_link(left, file("budget-copy")); }, true},
        {"one another user owns", ".budget.valmor-tmp-2024-14",
         [](const fs::path& left) {
             // Only root can give a file away; another user's own run keeps it as its own.
             if (geteuid() == 0) {
                 ASSERT_EQ(chown(left.c_str(), 4242, 4242), 0);
             }
         },
         geteuid() == 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(file("folder"));
        fs::create_directory(file("folder"));
        const fs::path left = file("folder") / c.left;
        writeText(left, "a user's numbers");
        if (c.make)
            c.make(left);
        const RealRun run = tool({"export-stats", "-o", file("folder/stats.csv").string()});
        EXPECT_EQ(run.status, 0) << run.out;
        EXPECT_EQ(fs::exists(left), c.kept);
    }
}

TEST_F(OutputSafetyTest, AFolderAtTheOutputNameSaysNoFileWasWritten) {
    fs::create_directory(file("adir"));
    const RealRun run = tool({"export-stats", "-o", file("adir").string()});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.out.find("Is a folder"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("no file was written in its place"), std::string::npos) << run.out;
    EXPECT_EQ(run.out.find("old file"), std::string::npos) << run.out;
    EXPECT_TRUE(fs::is_directory(file("adir")));
}

} // namespace
} // namespace valmor::test
