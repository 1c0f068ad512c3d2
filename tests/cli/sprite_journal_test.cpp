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
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "cli/png_rows.h"
#include "cli_fixture.h"
#include "files/game_file.h"
#include "game/monster_record.h"
#include "game/rollback_journal.h"
#include "game/sprite.h"
#include "support/child_process.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>
#include <zlib.h>

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

    JournalState journalState() const { return inspectJournal(GamePath(sprites())).state; }

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

// Whether both steps happened and `first` came before `then`: a step that never happens
// has the number 0, which would come before any other.
::testing::AssertionResult cameBefore(std::size_t first, std::size_t then) {
    if (first == 0 || then == 0)
        return ::testing::AssertionFailure()
               << "a step never happened (" << first << ", " << then << ")";
    if (first >= then)
        return ::testing::AssertionFailure() << "step " << first << " came after step " << then;
    return ::testing::AssertionSuccess();
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
        EXPECT_TRUE(
            cameBefore(stepOf(calls, "write", "/monster.dat.valmor-journal", true), firstFrame));
        EXPECT_TRUE(cameBefore(stepOf(calls, "fsync", "/monster.dat.valmor-journal"), firstFrame));
        EXPECT_TRUE(cameBefore(stepOf(calls, "fsync", "/game"), firstFrame));
        EXPECT_TRUE(cameBefore(stepOf(calls, "pwrite", "/monster.dat", true),
                               stepOf(calls, "fsync", "/monster.dat", true)));
        EXPECT_TRUE(cameBefore(stepOf(calls, "fsync", "/monster.dat", true), commit));
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
    // A journal as an import leaves it when killed before its first frame, whose new
    // frames are all 0x42.
    const SpriteFrame fresh = [] {
        SpriteFrame frame;
        frame.fill(0x42);
        return frame;
    }();
    {
        GameFile locked = GameFile::openLocked(GamePath(sprites()), false);
        const ByteRange frames[] = {{3 * kSpriteFrameBytes, kSpriteFrameBytes},
                                    {57 * kSpriteFrameBytes, kSpriteFrameBytes}};
        RollbackJournal written(locked, frames, [&](std::size_t) { return std::span(fresh); });
    }
    const Bytes whole = readBytes(journal());
    ASSERT_EQ(whole.size(), 64u + 16 + 9000 + 9000 + 16 + 100 + 9000 + 8);
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
        JournalState expected;
    } cases[] = {
        {"empty", cut(0), JournalState::Torn},
        {"cut in its name", cut(5), JournalState::Torn},
        {"cut after its name", cut(8), JournalState::Torn},
        {"cut in the old bytes", cut(5000), JournalState::Torn},
        {"cut before the checksum's last byte", cut(whole.size() - 1), JournalState::Torn},
        {"a byte more", longer, JournalState::Torn},
        // A file that does not begin with the journal's name was never one: it is set aside.
        {"another name", flipped(0), JournalState::Refused},
        {"an old byte changed", flipped(64 + 16 + 100), JournalState::Torn},
        {"the checksum changed", flipped(whole.size() - 1), JournalState::Torn},
        {"none", whole, JournalState::Complete},
    };
    // A wrongly trusted journal would bring sprite 3 back over these bytes.
    Bytes changed = old_;
    std::fill_n(changed.begin() + 3 * kSpriteFrameBytes, kSpriteFrameBytes, 0x42);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.damage);
        writeBytes(sprites(), changed);
        writeBytes(journal(), c.journal);
        fs::remove(game_ / "monster.dat.valmor-journal.refused");
        EXPECT_EQ(journalState(), c.expected);
        GameFile locked = GameFile::openLocked(GamePath(sprites()), false);
        if (c.expected == JournalState::Refused) {
            EXPECT_THROW(recoverJournal(locked), DataError);
            EXPECT_TRUE(readBytes(game_ / "monster.dat.valmor-journal.refused") == c.journal);
        } else {
            EXPECT_EQ(recoverJournal(locked), c.expected);
        }
        EXPECT_TRUE(readBytes(sprites()) ==
                    (c.expected == JournalState::Complete ? old_ : changed));
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

// A journal with a right checksum, as a writer would leave it: `magic` ("VLMRJRN4" with the
// device, inode and birth time of `file` and the fingerprint of its bytes that no range
// writes; "VLMRJRN3" with only the device and inode; "VLMRJRN2", which had none; or the first
// format's "VLMRJRN1", which had no new length and no new bytes either), the lengths, and
// ranges of old and new bytes.
struct JournalRange {
    std::uint64_t offset;
    Bytes old;
    Bytes fresh;
};
Bytes journalBytes(const std::string& magic, std::uint64_t oldLength, std::uint64_t newLength,
                   const std::vector<JournalRange>& ranges, const fs::path& file = {}) {
    const bool first = magic.back() == '1';
    Bytes bytes(magic.begin(), magic.end());
    const auto number = [&](std::uint64_t value) {
        for (int i = 0; i < 8; ++i)
            bytes.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
    };
    if (magic.back() >= '3') {
        struct statx status {};
        EXPECT_EQ(::statx(AT_FDCWD, file.c_str(), 0, STATX_INO | STATX_BTIME, &status), 0);
        number(::makedev(status.stx_dev_major, status.stx_dev_minor));
        number(status.stx_ino);
        if (magic.back() == '4') {
            number(status.stx_btime.tv_sec * 1'000'000'000ULL + status.stx_btime.tv_nsec);
            const Bytes held = readBytes(file);
            std::uint64_t untouched = 14695981039346656037ULL;
            for (std::uint64_t at = 0; at < std::min<std::uint64_t>(oldLength, held.size()); ++at)
                if (std::none_of(ranges.begin(), ranges.end(), [&](const JournalRange& range) {
                        return at >= range.offset && at < range.offset + range.fresh.size();
                    }))
                    untouched = (untouched ^ held.at(at)) * 1099511628211ULL;
            number(untouched);
        }
    }
    number(oldLength);
    if (!first)
        number(newLength);
    number(ranges.size());
    for (const JournalRange& range : ranges) {
        number(range.offset);
        number(first ? range.old.size() : range.fresh.size());
        bytes.insert(bytes.end(), range.old.begin(), range.old.end());
        if (!first)
            bytes.insert(bytes.end(), range.fresh.begin(), range.fresh.end());
    }
    std::uint64_t hash = 14695981039346656037ULL;
    for (const std::uint8_t byte : bytes)
        hash = (hash ^ byte) * 1099511628211ULL;
    number(hash);
    return bytes;
}

Bytes frameOf(const Bytes& file, int n) {
    return Bytes(file.begin() + n * kSpriteFrameBytes, file.begin() + (n + 1) * kSpriteFrameBytes);
}

TEST_F(SpriteJournalTest, AJournalIsAppliedOnlyToTheFileItWasWrittenFor) {
    const fs::path refused = game_ / "monster.dat.valmor-journal.refused";
    const fs::path elsewhere = dir_ / "elsewhere" / "monster.dat.valmor-journal";
    constexpr std::uint64_t kTebibyte = 1ULL << 40;
    // An import-sprites killed once its first frame (sprite 3) is written.
    const auto killedImport = [&] {
        restore();
        const Outcome killed =
            valmorData({"import-sprites", batch_.string()},
                       {"VALMOR_FAULT_CALLS=pwrite", "VALMOR_FAULT_AT=2", "VALMOR_FAULT_DO=kill"});
        ASSERT_EQ(killed.run.signal, SIGKILL);
        ASSERT_EQ(journalState(), JournalState::Complete);
    };
    const Bytes seven(kSpriteFrameBytes, 0x77);
    const struct {
        const char* how;
        std::function<void()> make; // leaves the file and the journal
        const char* said;
    } cases[] = {
        // Fault 1: the half import discarded (git checkout), another branch's file of 60.
        {"killed, then another branch's file of 60 sprites",
         [&] {
             killedImport();
             Bytes other = old_;
             other.resize(60 * kSpriteFrameBytes, 0x33);
             std::copy(seven.begin(), seven.end(), other.begin());
             writeBytes(sprites(), other);
         },
         "monster.dat changed since the interrupted import that left it: the file holds 540000 "
         "bytes, where that import took it from 513100 to 531000 bytes"},
        {"killed, then one of its frames changed by another program",
         [&] {
             killedImport();
             Bytes changed = readBytes(sprites());
             std::copy(seven.begin(), seven.end(), changed.begin() + 10 * kSpriteFrameBytes);
             writeBytes(sprites(), changed);
         },
         "byte 90000 holds neither its old value nor its new one"},
        // Fault 2: forged journals.
        {"an old length of 1 TiB in the first format",
         [&] {
             restore();
             writeBytes(journal(), journalBytes("VLMRJRN1", kTebibyte, 0, {}));
         },
         "it is in the format of an older valmor-data"},
        {"an old length of 1 TiB",
         [&] {
             restore();
             writeBytes(journal(), journalBytes("VLMRJRN4", kTebibyte, kTebibyte, {}, sprites()));
         },
         "it gives lengths a sprite file cannot have"},
        {"the third format, which names the inode but not the file's bytes",
         [&] {
             restore();
             writeBytes(journal(),
                        journalBytes("VLMRJRN3", old_.size(), old_.size(), {}, sprites()));
         },
         "it is in the format of an older valmor-data"},
        {"the second format, which names no file",
         [&] {
             restore();
             writeBytes(journal(), journalBytes("VLMRJRN2", old_.size(), old_.size(), {}));
         },
         "it is in the format of an older valmor-data"},
        {"a link to a journal of the file in another folder",
         [&] {
             restore();
             Bytes changed = old_;
             std::copy(seven.begin(), seven.end(), changed.begin() + 3 * kSpriteFrameBytes);
             writeBytes(sprites(), changed);
             fs::create_directories(elsewhere.parent_path());
             writeBytes(elsewhere, journalBytes("VLMRJRN4", old_.size(), old_.size(),
                                                {{3 * kSpriteFrameBytes, frameOf(old_, 3), seven}},
                                                sprites()));
             fs::create_symlink(elsewhere, journal());
         },
         "it is a symbolic link, which is never followed"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.how);
        fs::remove(refused);
        c.make();
        const Bytes before = readBytes(sprites());
        const ToolRun check = runTool({"-C", game_.string(), "check"});
        EXPECT_NE(check.out.find("monster.dat.valmor-journal does not belong to the file as it "
                                 "is: "),
                  std::string::npos)
            << check.out;

        const Outcome next = valmorData({"import-sprite", "3", (images_ / "050.png").string()});
        EXPECT_EQ(next.run.status, 1);
        EXPECT_TRUE(says(next, "Journal refused: monster.dat.valmor-journal, left by an "
                               "interrupted sprite import, was not applied: "))
            << next.said;
        EXPECT_TRUE(says(next, c.said)) << next.said;
        EXPECT_TRUE(says(next, "monster.dat was left as it is and the journal set aside as "
                               "monster.dat.valmor-journal.refused"))
            << next.said;
        EXPECT_TRUE(readBytes(sprites()) == before);
        EXPECT_FALSE(fs::exists(fs::symlink_status(journal())));
        EXPECT_TRUE(fs::exists(fs::symlink_status(refused)));
        if (fs::exists(elsewhere)) {
            EXPECT_EQ(fs::file_size(elsewhere), 64u + 16 + 2 * 9000 + 8);
        }
        const ToolRun after = runTool({"-C", game_.string(), "check"});
        EXPECT_NE(after.out.find("monster.dat.valmor-journal.refused was set aside, not "
                                 "applied, by a sprite import"),
                  std::string::npos)
            << after.out;
        // The next command changes the file as it is.
        EXPECT_EQ(valmorData({"import-sprite", "3", (images_ / "050.png").string()}).run.status, 0);
        EXPECT_TRUE(frameOf(readBytes(sprites()), 3) == frameOf(old_, 50));
    }
}

TEST_F(SpriteJournalTest, WhatIsNotProvedAJournalOfTheFileIsSetAsideUnderAFreeNameNeverApplied) {
    const fs::path mainFile = game_ / "main.dat";
    const auto asideNames = [&] {
        std::vector<fs::path> names;
        for (const auto& entry : fs::directory_iterator(game_))
            if (entry.path().filename().string().starts_with("monster.dat.valmor-journal."))
                names.push_back(entry.path());
        return names;
    };
    // An import-sprites killed once its first frame (sprite 3) is written.
    const auto killedImport = [&] {
        restore();
        ASSERT_EQ(
            valmorData({"import-sprites", batch_.string()},
                       {"VALMOR_FAULT_CALLS=pwrite", "VALMOR_FAULT_AT=2", "VALMOR_FAULT_DO=kill"})
                .run.signal,
            SIGKILL);
    };
    // Another branch's file put in its place, as a checkout does: a new file whose sprite 3
    // holds the import's new bytes. The old file is kept, for its inode to stay taken.
    const auto otherBranch = [&] {
        const Bytes half = readBytes(sprites());
        fs::rename(sprites(), mainFile);
        writeBytes(sprites(), half);
    };
    const struct {
        const char* how;
        std::function<void()> make;
        const char* said;    // why the journal is refused
        const char* asideIs; // what the import says it set aside
        const char* asideAs = "monster.dat.valmor-journal.refused";
        bool needsRoot = false;
    } cases[] = {
        // B1: a journal that takes the file back to 0 bytes, planted by someone who cannot
        // write the file.
        {"a whole journal of the file, another user's",
         [&] {
             restore();
             writeBytes(journal(),
                        journalBytes("VLMRJRN4", 0, old_.size(), {{0, {}, old_}}, sprites()));
             ASSERT_EQ(::chown(journal().c_str(), 65534, 65534), 0);
         },
         "it belongs to user 65534, where monster.dat belongs to user 0",
         "what was set aside is another user's file, which may hold anything", nullptr, true},
        // B2: git stash and checkout of another branch after a killed import.
        {"killed, then another branch's file that holds the import's sprite 3",
         [&] {
             killedImport();
             otherBranch();
         },
         "monster.dat is not the file that import changed: the journal was written for the "
         "file of device ",
         "the set-aside journal holds the old sprites of that import"},
        {"killed, then another branch's file, with the first set-aside name taken",
         [&] {
             killedImport();
             otherBranch();
             writeText(game_ / "monster.dat.valmor-journal.refused", "set aside before");
         },
         "(a checkout, copy or restore puts another file in its place)",
         "the set-aside journal holds the old sprites of that import",
         "monster.dat.valmor-journal.refused-2"},
        // A copy of another version written over the file keeps its inode, not the bytes
        // the import left alone.
        {"killed, then another version copied over it",
         [&] {
             killedImport();
             Bytes copy = readBytes(sprites());
             std::fill_n(copy.begin() + 20 * kSpriteFrameBytes, 10, 0x20);
             writeBytes(sprites(), copy);
         },
         "monster.dat changed since the interrupted import that left it: bytes that import does "
         "not write differ",
         "the set-aside journal holds the old sprites of that import"},
        // A checkout may give the new file the old one's inode; it is born later.
        {"killed, then a file born after the import at its inode",
         [&] {
             killedImport();
             Bytes bytes = readBytes(journal());
             bytes[24] ^= 1;
             std::uint64_t hash = 14695981039346656037ULL;
             for (std::size_t i = 0; i + 8 < bytes.size(); ++i)
                 hash = (hash ^ bytes[i]) * 1099511628211ULL;
             for (int i = 0; i < 8; ++i)
                 bytes[bytes.size() - 8 + i] = static_cast<std::uint8_t>(hash >> (8 * i));
             writeBytes(journal(), bytes);
         },
         "monster.dat is not the file that import changed: it was created after that import "
         "began",
         "the set-aside journal holds the old sprites of that import"},
        // B10 and B11: what is not a journal of ours is never removed.
        {"a file of notes",
         [&] {
             restore();
             writeText(journal(), "my precious notes\n");
         },
         "it is not a journal of valmor-data",
         "what was set aside is a file that is not a journal of valmor-data"},
        {"a socket",
         [&] {
             restore();
             const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
             sockaddr_un address{};
             address.sun_family = AF_UNIX;
             const std::string name = fs::relative(journal()).string();
             ASSERT_LT(name.size(), sizeof address.sun_path) << name;
             std::copy(name.begin(), name.end(), address.sun_path);
             ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
             ::close(fd);
         },
         "it is a socket", "what was set aside is a socket,"},
        {"a named pipe",
         [&] {
             restore();
             ASSERT_EQ(::mkfifo(journal().c_str(), 0600), 0);
         },
         "it is a named pipe", "what was set aside is a named pipe,"},
        {"a folder",
         [&] {
             restore();
             fs::create_directory(journal());
         },
         "it is a folder", "what was set aside is a folder,"},
    };
    const fs::path before = fs::current_path();
    fs::current_path(dir_); // a socket's name is short
    for (const auto& c : cases) {
        SCOPED_TRACE(c.how);
        if (c.needsRoot && ::geteuid() != 0)
            continue;
        for (const fs::path& name : asideNames())
            fs::remove_all(name);
        fs::remove(mainFile);
        c.make();
        const std::string asideAs = c.asideAs ? c.asideAs : "monster.dat.valmor-journal.refused";
        const Bytes held = readBytes(sprites());
        const ToolRun check = runTool({"-C", game_.string(), "check"});
        EXPECT_NE(check.out.find("monster.dat.valmor-journal does not belong to the file as it "
                                 "is: "),
                  std::string::npos)
            << check.out;
        EXPECT_NE(check.out.find(c.said), std::string::npos) << check.out;
        EXPECT_NE(check.out.find("sets it aside as " + asideAs + " "), std::string::npos)
            << check.out;

        const Outcome next = valmorData({"import-sprite", "3", (images_ / "050.png").string()});
        EXPECT_EQ(next.run.status, 1);
        EXPECT_TRUE(says(next, "Journal refused: ")) << next.said;
        EXPECT_TRUE(says(next, c.said)) << next.said;
        EXPECT_TRUE(says(next, "the journal set aside as " + asideAs + ".")) << next.said;
        EXPECT_TRUE(says(next, c.asideIs)) << next.said;
        EXPECT_TRUE(readBytes(sprites()) == held);
        EXPECT_FALSE(fs::exists(fs::symlink_status(journal())));
        EXPECT_TRUE(fs::exists(fs::symlink_status(game_ / asideAs)));
        if (std::string(c.how) == "a file of notes") {
            EXPECT_EQ(readText(game_ / asideAs), "my precious notes\n");
        }
        const ToolRun after = runTool({"-C", game_.string(), "check"});
        EXPECT_NE(after.out.find(asideAs + " was set aside, not applied"), std::string::npos)
            << after.out;
        EXPECT_EQ(valmorData({"import-sprite", "3", (images_ / "050.png").string()}).run.status, 0);
        EXPECT_TRUE(frameOf(readBytes(sprites()), 3) == frameOf(old_, 50));
    }
    fs::current_path(before);
}

TEST_F(SpriteJournalTest, CheckTellsAJournalOfAnImportInProgressFromOneLeftBehind) {
    const fs::path pause = dir_ / "pause";
    ASSERT_EQ(::mkfifo(pause.c_str(), 0600), 0);
    // Held at its first frame, its journal written, the file locked.
    const pid_t pid = startChild(
        {VALMOR_DATA_EXE, "-C", game_.string(), "import-sprites", batch_.string()},
        {"LD_PRELOAD=" VALMOR_FAULT_SHIM, "ASAN_OPTIONS=verify_asan_link_order=0",
         "VALMOR_FAULT_UNDER=" + game_.string(), "VALMOR_FAULT_CALLS=pwrite", "VALMOR_FAULT_AT=1",
         "VALMOR_FAULT_DO=pause", "VALMOR_FAULT_PAUSE=" + pause.string()});
    ASSERT_GT(pid, 0);
    int held = -1;
    for (int tries = 0; held < 0 && tries < 30000 && waitpid(pid, nullptr, WNOHANG) == 0; ++tries) {
        held = ::open(pause.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
        if (held < 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    ASSERT_GE(held, 0) << "the import never reached its first frame";
    const ToolRun check = runTool({"-C", game_.string(), "check"});
    ::close(held);
    EXPECT_NE(check.out.find("monster.dat.valmor-journal belongs to a sprite import in progress"),
              std::string::npos)
        << check.out;
    EXPECT_EQ(check.out.find("interrupted"), std::string::npos) << check.out;
    EXPECT_EQ(waitChild(pid).status, 0);
    EXPECT_FALSE(fs::exists(journal()));

    // Another program holding the file's lock is no writer of a journal left behind.
    ASSERT_EQ(valmorData({"import-sprites", batch_.string()},
                         {"VALMOR_FAULT_CALLS=pwrite", "VALMOR_FAULT_AT=2", "VALMOR_FAULT_DO=kill"})
                  .run.signal,
              SIGKILL);
    const int locker = ::open(sprites().c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_EQ(::flock(locker, LOCK_EX), 0);
    const ToolRun left = runTool({"-C", game_.string(), "check"});
    ::close(locker);
    EXPECT_NE(left.out.find("left by an interrupted sprite import"), std::string::npos) << left.out;
    EXPECT_EQ(left.out.find("in progress"), std::string::npos) << left.out;
}

TEST_F(SpriteJournalTest, AJournalWhoseOldBytesAreBackIsReportedAsLeftOverNotAsAChange) {
    const std::vector<std::string> killedImport{"import-sprites", batch_.string()};
    const std::vector<std::string> nextImport{"import-sprite", "9999",
                                              (images_ / "000.png").string()};
    const std::vector<std::string> cannotRemove{"VALMOR_FAULT_UNDER=monster.dat.valmor-journal",
                                                "VALMOR_FAULT_CALLS=unlinkat", "VALMOR_FAULT_AT=1",
                                                "VALMOR_FAULT_DO=EACCES"};
    const struct {
        const char* how;
        std::vector<std::vector<std::string>> runs; // arguments, then fault, per run
        const char* said;                           // by the last run; none for a kill
    } cases[] = {
        {"killed before its first frame",
         {killedImport, {"VALMOR_FAULT_CALLS=pwrite", "VALMOR_FAULT_AT=1", "VALMOR_FAULT_DO=kill"}},
         nullptr},
        // Fault 2: a folder where the journal cannot be removed once the old bytes are back.
        {"rolled back by the next writer, which cannot remove it",
         {killedImport,
          {"VALMOR_FAULT_CALLS=pwrite", "VALMOR_FAULT_AT=3", "VALMOR_FAULT_DO=kill"},
          nextImport,
          cannotRemove},
         "the old sprites of the interrupted import are back in monster.dat, but its journal "
         "could not be removed"},
        {"rolled back by its own import, which cannot remove it",
         {{"import-sprite", "3", (images_ / "050.png").string()},
          {"VALMOR_FAULT_CALLS=pwrite,unlinkat", "VALMOR_FAULT_AT=1,3", "VALMOR_FAULT_DO=EACCES"}},
         "nothing was changed: the old sprites are back in"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.how);
        restore();
        Outcome last;
        for (std::size_t k = 0; k < c.runs.size(); k += 2)
            last = valmorData(c.runs[k], c.runs[k + 1]);
        if (c.said == nullptr) {
            EXPECT_EQ(last.run.signal, SIGKILL);
        } else {
            EXPECT_EQ(last.run.status, 1);
            EXPECT_TRUE(says(last, c.said)) << last.said;
            EXPECT_TRUE(says(last, "could not be removed")) << last.said;
        }
        EXPECT_TRUE(readBytes(sprites()) == old_);
        EXPECT_EQ(journalState(), JournalState::Undone);
        const ToolRun check = runTool({"-C", game_.string(), "check"});
        EXPECT_EQ(check.out.find("may hold some of its new sprites"), std::string::npos)
            << check.out;
        EXPECT_NE(check.out.find("monster.dat: warning: monster.dat.valmor-journal was left by an "
                                 "interrupted sprite import, but the file holds its old sprites"),
                  std::string::npos)
            << check.out;
        const Outcome next = valmorData({"import-sprite", "9999", (images_ / "000.png").string()});
        EXPECT_FALSE(says(next, "rolled back")) << next.said;
        EXPECT_FALSE(fs::exists(journal()));
        EXPECT_TRUE(readBytes(sprites()) == old_);
    }
}

TEST_F(SpriteJournalTest, AppendedNumbersFollowOnFromTheFileAsRolledBack) {
    // Killed before its last frame: sprite 57 is appended, the file holds 58 sprites until
    // the journal takes it back to 57 and the partial frame.
    const struct {
        std::vector<std::string> import;
        const char* said;
    } cases[] = {
        {{"import-sprite", "57", (images_ / "050.png").string()}, "appended sprite 57 to "},
        {{"import-sprites", (dir_ / "one").string()}, "(0 replaced, 1 appended)"},
    };
    fs::create_directories(dir_ / "one");
    fs::copy_file(images_ / "050.png", dir_ / "one" / "057.png");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.import[0]);
        restore();
        ASSERT_EQ(
            valmorData({"import-sprites", batch_.string()},
                       {"VALMOR_FAULT_CALLS=pwrite", "VALMOR_FAULT_AT=4", "VALMOR_FAULT_DO=kill"})
                .run.signal,
            SIGKILL);
        ASSERT_EQ(fs::file_size(sprites()), 58u * kSpriteFrameBytes);
        const Outcome next = valmorData(c.import);
        EXPECT_EQ(next.run.status, 0) << next.said;
        EXPECT_TRUE(says(next, "interrupted sprite import was rolled back")) << next.said;
        EXPECT_TRUE(says(next, c.said)) << next.said;
        const Bytes now = readBytes(sprites());
        ASSERT_EQ(now.size(), 58u * kSpriteFrameBytes);
        EXPECT_TRUE(frameOf(now, 57) == frameOf(old_, 50));
        EXPECT_TRUE(std::equal(old_.begin(), old_.begin() + 57 * kSpriteFrameBytes, now.begin()));
    }
}

TEST_F(SpriteJournalTest, TheJournalTakesTheSpriteFilesOwner) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "giving a file to another user takes root";
    ASSERT_EQ(::chown(sprites().c_str(), 4321, 4322), 0);
    ASSERT_EQ(valmorData({"import-sprites", batch_.string()},
                         {"VALMOR_FAULT_CALLS=pwrite", "VALMOR_FAULT_AT=1", "VALMOR_FAULT_DO=kill"})
                  .run.signal,
              SIGKILL);
    struct stat status {};
    ASSERT_EQ(::lstat(journal().c_str(), &status), 0);
    EXPECT_EQ(status.st_uid, 4321u);
    EXPECT_EQ(status.st_gid, 4322u);
}

// `count` bytes of `byte`, deflated.
Bytes deflatedRun(std::size_t count, std::uint8_t byte) {
    Bytes data;
    const std::vector<std::uint8_t> block(1 << 20, byte);
    std::vector<std::uint8_t> out(1 << 16);
    z_stream stream{};
    deflateInit(&stream, 9);
    do {
        const std::size_t size = std::min(count, block.size());
        count -= size;
        stream.next_in = const_cast<std::uint8_t*>(block.data());
        stream.avail_in = static_cast<uInt>(size);
        do {
            stream.next_out = out.data();
            stream.avail_out = static_cast<uInt>(out.size());
            deflate(&stream, count == 0 ? Z_FINISH : Z_NO_FLUSH);
            data.insert(data.end(), out.data(), out.data() + out.size() - stream.avail_out);
        } while (stream.avail_out == 0);
    } while (count > 0);
    deflateEnd(&stream);
    return data;
}

struct PngChunk {
    std::string type;
    Bytes data;
};

// A black 90 x 100 PNG (8-bit grey) whose image data is its rows, then `after` bytes of
// zeros: in the same deflate stream, or in a second one after it; `extra` chunks come
// between its header and its image data.
Bytes blackPng(std::size_t after, bool secondStream, const std::vector<PngChunk>& extra = {}) {
    Bytes data;
    const auto deflated = [&](std::size_t zeros) {
        const Bytes stream = deflatedRun(zeros, 0);
        data.insert(data.end(), stream.begin(), stream.end());
    };
    // Each row is a filter byte and 90 grey bytes, all 0: black.
    const std::size_t rows = kSpriteHeight * (1 + kSpriteWidth);
    deflated(secondStream ? rows : rows + after);
    if (secondStream)
        deflated(after);
    Bytes png{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    const auto word = [](Bytes& to, std::uint32_t value) {
        for (const int shift : {24, 16, 8, 0})
            to.push_back(static_cast<std::uint8_t>(value >> shift));
    };
    const auto chunk = [&](const char* type, const Bytes& bytes) {
        Bytes typed(type, type + 4);
        typed.insert(typed.end(), bytes.begin(), bytes.end());
        word(png, static_cast<std::uint32_t>(bytes.size()));
        png.insert(png.end(), typed.begin(), typed.end());
        word(png,
             static_cast<std::uint32_t>(crc32(0, typed.data(), static_cast<uInt>(typed.size()))));
    };
    Bytes header;
    word(header, kSpriteWidth);
    word(header, kSpriteHeight);
    header.insert(header.end(), {8, 0, 0, 0, 0}); // 8-bit grey, not interlaced
    chunk("IHDR", header);
    for (const PngChunk& more : extra)
        chunk(more.type.c_str(), more.data);
    chunk("IDAT", data);
    chunk("IEND", {});
    return png;
}

TEST_F(SpriteJournalTest, ImportRefusesPngDataAfterTheRowsAndDecodesEachImageOnce) {
    // Compressed text and colour profiles of 7 MB each (as much as the decoder takes in
    // one chunk), deflated to 7 KB.
    const auto compressed = [](const std::string& type, std::size_t count) {
        std::string head = type == "iTXt"   ? std::string("Comment\0\1\0\0\0", 12)
                           : type == "iCCP" ? std::string("Profile\0\0", 9)
                                            : std::string("Comment\0\0", 9);
        Bytes data(head.begin(), head.end());
        const Bytes text = deflatedRun(7'000'000, 'a');
        data.insert(data.end(), text.begin(), text.end());
        return std::vector<PngChunk>(count, PngChunk{type, data});
    };
    const struct {
        const char* png;
        std::size_t after;
        bool secondStream;
        bool accepted;
        std::vector<PngChunk> extra = {};
        const char* said = "003.png: the image data goes on after its 100 rows";
    } cases[] = {
        {"the rows alone", 0, false, true},
        // Fault 6: 64 MiB of zeros after the rows deflate to about 64 KiB.
        {"64 MiB of zeros after the rows", 64u << 20, false, false},
        {"a second stream after the rows", 1000, true, false},
        // B4: text and profiles that inflate to 210 MB are never inflated.
        {"30 compressed texts of 7 MB", 0, false, true, compressed("zTXt", 30)},
        {"30 international texts of 7 MB", 0, false, true, compressed("iTXt", 30)},
        {"a colour profile of 7 MB", 0, false, true, compressed("iCCP", 1)},
        {"more chunks than an image needs", 0, false, false,
         std::vector<PngChunk>(cli::kMostPngChunks, PngChunk{"tEXt", {'a', 0, 'b'}}),
         "003.png: the PNG has more than 1024 chunks"},
        {"a chunk needed to draw it that PNG does not have",
         0,
         false,
         false,
         {PngChunk{"ZZZZ", {1, 2, 3}}},
         "003.png: cannot read the PNG image: it holds a chunk ZZZZ"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.png);
        restore();
        fs::remove_all(dir_ / "bomb");
        fs::create_directories(dir_ / "bomb");
        writeBytes(dir_ / "bomb" / "003.png", blackPng(c.after, c.secondStream, c.extra));
        const fs::path log = dir_ / "opens.txt";
        fs::remove(log);
        const Outcome run =
            valmorData({"import-sprites", "--nearest", (dir_ / "bomb").string()},
                       {"VALMOR_FAULT_UNDER=" + (dir_ / "bomb").string(),
                        "VALMOR_FAULT_CALLS=openat", "VALMOR_FAULT_LOG=" + log.string()});
        EXPECT_EQ(run.run.status, c.accepted ? 0 : 1) << run.said;
        // The program alone takes some 40 MB (twice that under AddressSanitizer); one text
        // inflated takes 7, all of them inflated together gigabytes.
#ifdef __SANITIZE_ADDRESS__
        constexpr double kMostMegabytes = 250;
#else
        constexpr double kMostMegabytes = 100;
#endif
        EXPECT_LT(run.run.peakMegabytes, kMostMegabytes) << c.png;
        if (c.accepted) {
            EXPECT_FALSE(frameOf(readBytes(sprites()), 3) == frameOf(old_, 3));
            const std::string opens = readText(log);
            ASSERT_NE(opens.find("003.png"), std::string::npos) << "never opened";
            EXPECT_EQ(opens.find("003.png"), opens.rfind("003.png")) << "decoded more than once:\n"
                                                                     << opens;
        } else {
            EXPECT_TRUE(says(run, c.said)) << run.said;
            EXPECT_TRUE(readBytes(sprites()) == old_);
        }
    }
}

TEST_F(SpriteJournalTest, AnInterruptedExportSaysHowManyImagesItWroteAndWhere) {
    const fs::path out = dir_ / "out";
    const struct {
        const char* when;
        const char* call; // TERM comes during the Nth of these on the output folder
        int at;
        int written;
    } cases[] = {
        // Fault 10: between two images, while the next one is encoded. Each image looks up
        // its output name, then makes sure its locked temporary file is still named: two calls,
        // after one look at the folder at the start (standard output must not be in it).
        {"between two images", "fstatat", 10, 4},
        {"while an image is written", "write", 3, 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.when);
        fs::remove_all(out);
        const Outcome stopped = valmorData(
            {"export-sprites", out.string()},
            {"VALMOR_FAULT_UNDER=" + out.string(), std::string("VALMOR_FAULT_CALLS=") + c.call,
             "VALMOR_FAULT_AT=" + std::to_string(c.at), "VALMOR_FAULT_DO=TERM"});
        EXPECT_EQ(stopped.run.signal, SIGTERM);
        const std::string last = "00" + std::to_string(c.written - 1) + ".png";
        EXPECT_TRUE(says(stopped, "Interrupted: SIGTERM: export-sprites stopped after writing " +
                                      std::to_string(c.written) + " of 57 images to " +
                                      out.string() + " (000.png to " + last + ")"))
            << stopped.said;
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(out))
            names.push_back(entry.path().filename().string());
        EXPECT_EQ(names.size(), static_cast<std::size_t>(c.written))
            << testing::PrintToString(names);
        EXPECT_TRUE(fs::exists(out / last));
    }
}

} // namespace
} // namespace valmor::test
