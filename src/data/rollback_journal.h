// A rollback journal for a game file changed in place (the sprite file). Before the first
// byte of the file changes, the old bytes of every range the change writes, with their
// offsets and the file's old length, go to NAME.valmor-journal beside the file and are
// flushed, folder and all; the journal is removed once the change is flushed. A writer
// stopped at any point (a signal, a full disk, kill -9, a power cut) thus leaves the old
// bytes, the new ones, or a complete journal that puts the old ones back.
//
// The journal, integers little-endian:
//   "VLMRJRN1"                     8 bytes
//   old length of the file         8 bytes
//   number of ranges               8 bytes
//   per range: offset, length      8 + 8 bytes, then that many old bytes
//   64-bit FNV-1a of all the above 8 bytes
// A journal whose checksum or length does not match was cut off while it was written,
// before the file was touched: it is only removed.
#pragma once

#include <cstdint>
#include <span>

#include "game_file.h"
#include "interruption.h"

namespace valmor {

// A stretch of the file that a change writes.
struct ByteRange {
    std::int64_t offset = 0;
    std::int64_t length = 0;
};

// The journal of `file`: beside the file its links lead to, named NAME.valmor-journal.
GamePath journalPath(const GamePath& file);

enum class JournalState {
    None,     // no journal
    Torn,     // cut off while it was written: the file was not changed yet
    Complete, // the file may hold part of a change that the journal takes back
};

// What lies beside `file`, reading the whole journal to check it. Throws DataError when a
// journal is there but cannot be read.
JournalState journalStateOf(const GamePath& file);

// Under the lock of `locked`: a complete journal left beside it by a writer that was
// stopped is rolled back (the old length and bytes put back and flushed, then the journal
// removed); a torn one is only removed. Gives what was found. Throws DataError when the
// rollback fails; the journal then stays for the next writer.
JournalState recoverJournal(GameFile& locked);

// The journal of one change of a locked file. SIGINT, SIGTERM and SIGHUP are noted from
// before the journal is written until this goes (see InterruptionGuard): the writer checks
// for them between its steps with throwIfInterrupted and rolls back.
class RollbackJournal {
public:
    // Writes and flushes the journal of `locked` for a change that writes `ranges` (parts
    // past the file's end need no old bytes: the old length takes them back). The old
    // bytes are streamed from the file a range at a time. On failure, or a signal noted
    // meanwhile, the journal is removed again and DataError thrown: nothing was changed.
    RollbackJournal(GameFile& locked, std::span<const ByteRange> ranges);
    // Leaves a journal that was neither committed nor rolled back on the disk, for the next
    // writer to roll back.
    ~RollbackJournal();
    RollbackJournal(const RollbackJournal&) = delete;
    RollbackJournal& operator=(const RollbackJournal&) = delete;

    // Flushes the changed file and removes the journal: from then on the change stands. A
    // signal noted before then throws DataError(Interrupted) and leaves the journal; so does
    // a failure to flush or remove. A folder that cannot be flushed once the journal is
    // removed throws too, with the change standing (pending() is then false).
    void commit();
    // Puts back the old length and bytes, flushes them and removes the journal. Throws
    // DataError when that fails; the journal then stays for the next writer.
    void rollBack();
    // Whether the journal is still there to roll back: neither committed nor rolled back.
    bool pending() const { return open_; }

private:
    InterruptionGuard guard_;
    GameFile& file_;
    GamePath path_;
    int journalFd_ = -1; // the journal as written, open until it is removed
    bool open_ = true;
};

} // namespace valmor
