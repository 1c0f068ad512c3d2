// The sprite file's rollback journal, through the real valmor-data stopped or failed at
// each of its steps by a preloaded fault library (tests/support/fault_shim.cpp), counted,
// not timed: the sprite file holds the old frames or the new ones, never a mix; a journal
// left midway is reported by check and rolled back by the next writer; signals roll back
// and end the program by themselves. Also two rules of file safety that only a fault in a
// system call shows: a replace flushes its new file before the rename, and a game file
// that becomes a pipe after its check never blocks the open.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <fstream>
#include <string>
#include <vector>

#include "cli_fixture.h"
#include "data/game_file.h"
#include "data/monster_record.h"
#include "data/rollback_journal.h"
#include "data/sprite.h"
#include "support/child_process.h"

namespace valmor::test {
namespace {

namespace fs = std::filesystem;

struct Outcome {
    ChildRun run;
    std::string said; // standard output and error
};

class SpriteJournalTest : public TempDirTest {
protected:
    void SetUp() override {
        fs::create_directories(game_);
        demo::writeDemoData(game_);
        ASSERT_EQ(runTool({"-C", game_.string(), "export-sprites", images_.string()}).status, 0);
        // Two sprites replaced and two appended; the first appended one overwrites a
        // partial frame at the end, whose bytes and length the journal must bring back.
        fs::create_directories(batch_);
        for (const auto& [from, to] :
             {std::pair{"050", "003"}, {"051", "010"}, {"012", "057"}, {"013", "058"}})
            fs::copy_file(images_ / (from + std::string(".png")),
                          batch_ / (to + std::string(".png")));
        old_ = readBytes(sprites());
        old_.resize(57 * kSpriteFrameBytes + 100, 0xEE);
        writeBytes(sprites(), old_);
    }

    fs::path sprites() const { return game_ / kSpriteFileName; }
    fs::path journal() const { return game_ / "monster.dat.valmor-journal"; }

    void restore() {
        writeBytes(sprites(), old_);
        fs::remove(journal());
    }

    // Runs valmor-data on the game folder with the fault library preloaded; `fault` holds
    // its settings (see fault_shim.cpp) past the folder it watches.
    Outcome valmorData(std::vector<std::string> arguments, std::vector<std::string> fault = {},
                       std::chrono::seconds limit = std::chrono::seconds(120)) {
        arguments.insert(arguments.begin(), {VALMOR_DATA_EXE, "-C", game_.string()});
        fault.push_back("LD_PRELOAD=" VALMOR_FAULT_SHIM);
        // A sanitized program wants its runtime first; the fault library comes before it.
        fault.push_back("ASAN_OPTIONS=verify_asan_link_order=0");
        if (std::ranges::none_of(
                fault, [](const std::string& v) { return v.starts_with("VALMOR_FAULT_UNDER="); }))
            fault.push_back("VALMOR_FAULT_UNDER=" + game_.string());
        const fs::path said = dir_ / "said.txt";
        const auto started = std::chrono::steady_clock::now();
        const ChildRun run = waitChild(startChild(arguments, fault, said), started, limit);
        return {run, readText(said)};
    }

    // The counted calls of a run left alone, one "N call path" line each.
    std::vector<std::string> steps(const std::vector<std::string>& arguments,
                                   const std::string& calls = {}) {
        const fs::path log = dir_ / "steps.txt";
        fs::remove(log);
        std::vector<std::string> fault{"VALMOR_FAULT_LOG=" + log.string()};
        if (!calls.empty())
            fault.push_back("VALMOR_FAULT_CALLS=" + calls);
        EXPECT_EQ(valmorData(arguments, fault).run.status, 0);
        std::vector<std::string> lines;
        std::ifstream in(log);
        for (std::string line; std::getline(in, line);)
            lines.push_back(line);
        return lines;
    }

    static bool says(const Outcome& outcome, const std::string& text) {
        return outcome.said.find(text) != std::string::npos;
    }

    JournalState journalState() const { return journalStateOf(GamePath(sprites())); }

    fs::path game_ = dir_ / "game";
    fs::path images_ = dir_ / "images";
    fs::path batch_ = dir_ / "batch";
    Bytes old_;
};

// The number (from 1) of the first or last counted call `call` on a path ending in `path`;
// 0 when there is none.
std::size_t stepOf(const std::vector<std::string>& calls, const std::string& call,
                   const std::string& path, bool last = false) {
    std::size_t found = 0;
    for (std::size_t k = 1; k <= calls.size() && (last || found == 0); ++k) {
        if (calls[k - 1].find(" " + call + " ") != std::string::npos &&
            calls[k - 1].ends_with(path))
            found = k;
    }
    return found;
}

TEST_F(SpriteJournalTest, StoppedOrFailedAtAnyStepTheFileHoldsOldOrNewSpritesNeverAMix) {
    const struct {
        const char* how;
        std::vector<std::string> import;
        std::string calls; // the calls counted; all when empty
        const char* action;
    } cases[] = {
        {"import-sprites killed", {"import-sprites", batch_.string()}, {}, "kill"},
        // Fault 3: a frame half written on a full disk was reported as "0 of 1 written".
        {"import-sprite on a full disk",
         {"import-sprite", "3", (images_ / "050.png").string()},
         "write,pwrite,fsync,ftruncate,unlinkat",
         "ENOSPC"},
    };
    for (const auto& c : cases) {
        restore();
        const std::vector<std::string> calls = steps(c.import, c.calls);
        const Bytes fresh = readBytes(sprites());
        ASSERT_NE(fresh, old_);
        // The journal and its folder reach the disk before the first frame is written, the
        // frames before the journal goes; the change stands once the journal is removed.
        const std::size_t commit = stepOf(calls, "unlinkat", "/monster.dat.valmor-journal");
        const std::size_t firstFrame = stepOf(calls, "pwrite", "/monster.dat");
        ASSERT_GT(commit, 0u) << c.how;
        EXPECT_LT(stepOf(calls, "write", "/monster.dat.valmor-journal", true), firstFrame);
        EXPECT_LT(stepOf(calls, "fsync", "/monster.dat.valmor-journal"), firstFrame);
        EXPECT_LT(stepOf(calls, "fsync", "/game"), firstFrame);
        EXPECT_LT(stepOf(calls, "pwrite", "/monster.dat", true),
                  stepOf(calls, "fsync", "/monster.dat", true));
        EXPECT_LT(stepOf(calls, "fsync", "/monster.dat", true), commit);
        const bool killed = std::string(c.action) == "kill";
        for (std::size_t step = 1; step <= calls.size(); ++step) {
            SCOPED_TRACE(std::string(c.how) + " at " + calls[step - 1]);
            restore();
            const Outcome stopped =
                valmorData(c.import, {"VALMOR_FAULT_CALLS=" + c.calls,
                                      "VALMOR_FAULT_AT=" + std::to_string(step),
                                      std::string("VALMOR_FAULT_DO=") + c.action});
            const Bytes left = readBytes(sprites());
            const JournalState state = journalState();
            if (killed) {
                EXPECT_EQ(stopped.run.signal, SIGKILL);
                if (left != old_ && left != fresh) {
                    EXPECT_EQ(state, JournalState::Complete) << "a mix with nothing to undo it";
                }
                const ToolRun check = runTool({"-C", game_.string(), "check"});
                EXPECT_EQ(check.out.find("interrupted sprite import") != std::string::npos,
                          state != JournalState::None)
                    << check.out;
            } else {
                EXPECT_EQ(stopped.run.status, 1);
                EXPECT_TRUE(says(stopped, "nothing was changed")) << stopped.said;
                EXPECT_TRUE(left == old_);
                EXPECT_EQ(state, JournalState::None);
            }
            // Any writer rolls a journal back first; this one then refuses its number.
            const Outcome next =
                valmorData({"import-sprite", "9999", (images_ / "000.png").string()});
            EXPECT_TRUE(says(next, "no sprite 9999")) << next.said;
            EXPECT_EQ(says(next, "interrupted sprite import was rolled back"),
                      state == JournalState::Complete);
            EXPECT_TRUE(readBytes(sprites()) == (step <= commit ? old_ : fresh));
            EXPECT_FALSE(fs::exists(journal()));
        }
    }
}

TEST_F(SpriteJournalTest, ARollbackThatFailsTooSaysSoAndLeavesTheJournalToTheNextWriter) {
    // A disk that stays full from the first frame on.
    const Outcome stuck =
        valmorData({"import-sprite", "3", (images_ / "050.png").string()},
                   {"VALMOR_FAULT_CALLS=pwrite", "VALMOR_FAULT_AT=1", "VALMOR_FAULT_DO=ENOSPC+"});
    EXPECT_EQ(stuck.run.status, 1);
    EXPECT_TRUE(says(stuck, "putting the old sprites back failed as well")) << stuck.said;
    EXPECT_TRUE(says(stuck, "until the next import-sprite or import-sprites puts the old ones"))
        << stuck.said;
    EXPECT_EQ(journalState(), JournalState::Complete);
    EXPECT_FALSE(readBytes(sprites()) == old_);
    EXPECT_EQ(valmorData({"import-sprite", "9999", (images_ / "000.png").string()}).run.status, 1);
    EXPECT_TRUE(readBytes(sprites()) == old_);
    EXPECT_FALSE(fs::exists(journal()));
}

TEST_F(SpriteJournalTest, ASignalDuringTheChangeRollsBackAndEndsTheProgramByIt) {
    const struct {
        const char* signal;
        int number;
        const char* call; // the signal comes during the Nth of these
        int at;
    } cases[] = {
        {"TERM", SIGTERM, "write", 1}, // while the journal is written
        {"INT", SIGINT, "pwrite", 2},  // between two frames
        {"HUP", SIGHUP, "fsync", 3},   // while the frames are flushed
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.signal);
        restore();
        const Outcome stopped = valmorData({"import-sprites", batch_.string()},
                                           {std::string("VALMOR_FAULT_CALLS=") + c.call,
                                            "VALMOR_FAULT_AT=" + std::to_string(c.at),
                                            std::string("VALMOR_FAULT_DO=") + c.signal});
        EXPECT_EQ(stopped.run.signal, c.number); // a shell shows 128 + the signal
        EXPECT_TRUE(says(stopped, std::string("Interrupted: SIG") + c.signal)) << stopped.said;
        EXPECT_TRUE(says(stopped, "nothing was changed")) << stopped.said;
        EXPECT_TRUE(readBytes(sprites()) == old_);
        EXPECT_FALSE(fs::exists(journal()));
    }
}

TEST_F(SpriteJournalTest, ADamagedJournalIsTornAndRemovedLeavingTheFileAlone) {
    // A journal as an import leaves it when killed before its first frame.
    {
        GameFile locked = GameFile::openLocked(GamePath(sprites()), false);
        const ByteRange frames[] = {{3 * kSpriteFrameBytes, kSpriteFrameBytes},
                                    {57 * kSpriteFrameBytes, kSpriteFrameBytes}};
        RollbackJournal written(locked, frames);
    }
    const Bytes whole = readBytes(journal());
    ASSERT_EQ(whole.size(), 24u + 16 + 9000 + 16 + 100 + 8);
    const auto cut = [&](std::size_t size) { return Bytes(whole.begin(), whole.begin() + size); };
    const auto flipped = [&](std::size_t at) {
        Bytes bytes = whole;
        bytes[at] ^= 1;
        return bytes;
    };
    Bytes longer = whole;
    longer.push_back(0);
    const struct {
        const char* damage;
        Bytes journal;
    } cases[] = {
        {"cut after its name", cut(8)},
        {"cut in the old bytes", cut(5000)},
        {"cut before the checksum's last byte", cut(whole.size() - 1)},
        {"a byte more", longer},
        {"another name", flipped(0)},
        {"an old byte changed", flipped(24 + 16 + 100)},
        {"the checksum changed", flipped(whole.size() - 1)},
        {"none", whole},
    };
    // A wrongly trusted journal would bring sprite 3 back over these bytes.
    Bytes changed = old_;
    std::fill_n(changed.begin() + 3 * kSpriteFrameBytes, kSpriteFrameBytes, 0x42);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.damage);
        writeBytes(sprites(), changed);
        writeBytes(journal(), c.journal);
        const JournalState expected =
            c.journal == whole ? JournalState::Complete : JournalState::Torn;
        EXPECT_EQ(journalState(), expected);
        GameFile locked = GameFile::openLocked(GamePath(sprites()), false);
        EXPECT_EQ(recoverJournal(locked), expected);
        EXPECT_TRUE(readBytes(sprites()) == (expected == JournalState::Complete ? old_ : changed));
        EXPECT_FALSE(fs::exists(journal()));
    }
}

TEST_F(SpriteJournalTest, FaultsInOtherCommandsLeaveTheGameFileAsItWas) {
    const fs::path stats = game_ / kMonsterFileName;
    std::string table = runTool({"-C", game_.string(), "export-stats"}).out;
    table.replace(table.find(",8,8,"), 5, ",9,9,");
    writeText(dir_ / "stats.csv", table);
    const struct {
        const char* rule;
        std::vector<std::string> arguments;
        std::vector<std::string> fault;
        const char* said;
    } cases[] = {
        {"a replace flushes its new file before the rename: a failed flush fails the import",
         {"import-stats", (dir_ / "stats.csv").string()},
         {"VALMOR_FAULT_UNDER=monsters.tat.valmor-new", "VALMOR_FAULT_CALLS=fsync",
          "VALMOR_FAULT_AT=1", "VALMOR_FAULT_DO=EIO"},
         "Input/output error"},
        {"a game file that becomes a pipe after its check never blocks the open",
         {"export-stats"},
         {"VALMOR_FAULT_FIFO=" + stats.string()},
         "monsters.tat (a named pipe, not a regular file)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.rule);
        demo::writeDemoData(game_, true);
        const Bytes before = readBytes(stats);
        const Outcome outcome = valmorData(c.arguments, c.fault, std::chrono::seconds(30));
        EXPECT_FALSE(outcome.run.timedOut);
        EXPECT_EQ(outcome.run.status, 1);
        EXPECT_TRUE(says(outcome, c.said)) << outcome.said;
        if (fs::is_regular_file(stats)) {
            EXPECT_TRUE(readBytes(stats) == before);
        }
        EXPECT_FALSE(fs::exists(game_ / "monsters.tat.valmor-new"));
    }
}

} // namespace
} // namespace valmor::test
