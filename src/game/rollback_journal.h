// A rollback journal for a game file changed in place (the sprite file). Before the first
// byte of the file changes, the old bytes of every range the change writes and its new
// bytes, with their offsets, the file's old length and the length it is heading for, go
// to NAME.valmor-journal beside the file and are flushed, folder and all; the change is
// then copied from the journal into the file, and the journal removed once the file is
// flushed. A writer stopped at any point (a signal, a full disk, kill -9, a power cut)
// thus leaves the old bytes, the new ones, or a complete journal that puts the old ones
// back.
//
// The journal, integers little-endian:
//   "VLMRJRN4"                     8 bytes
//   device and inode of the file   8 + 8 bytes
//   birth time of the file         8 bytes (nanoseconds since 1970; 0 where none is kept)
//   FNV-1a of the bytes before the old length that no range writes   8 bytes
//   old length of the file         8 bytes
//   new length of the file         8 bytes
//   number of ranges               8 bytes
//   per range, in ascending order: offset, length  8 + 8 bytes, then its old bytes (the
//                                  part before the old length), then its new bytes
//   64-bit FNV-1a of all the above 8 bytes
// A journal is looked at only when it is a regular file of one name, owned by the file's
// owner or by the user who looks. One that begins with the name "VLMRJRN4" (or a part of it)
// but whose checksum or length does not match was cut off while it was written, before the
// file was touched: it is only removed. A complete one is applied only to the file it was
// written for: the same device, inode and birth time (a checkout or restore puts another
// file in its place, which a file system may give the same inode), a length between the old
// and the new length, the bytes no range writes as they were (a copy over the file keeps its
// inode, not those bytes), and every journalled byte holding its old or its new value (past
// the old length, also zero: not on the disk yet).
// Anything else at that name (a link, folder, pipe or socket, another user's file, a file
// that is no journal, an older format, lengths a sprite file cannot have, another file or
// a file changed since) is refused: set aside under the first free name of
// NAME.valmor-journal.refused, .refused-2, ... .refused-100, the file left alone.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "files/game_file.h"
#include "files/interruption.h"
#include "game/sprite.h"

namespace valmor {

// A stretch of the file that a change writes.
struct ByteRange {
    std::int64_t offset = 0;
    std::int64_t length = 0;
};

// The longest file a journal may concern, and the most ranges: the sprite file's 32,768
// frames (and a partial one after them).
inline constexpr std::int64_t kMostJournalledBytes = 32769LL * kSpriteFrameBytes - 1;
inline constexpr std::uint64_t kMostJournalRanges = 32768;

// The journal of `file`: beside the file its links lead to, named NAME.valmor-journal.
GamePath journalPath(const GamePath& file);
// How many names a refused journal may be set aside under.
inline constexpr int kMostRefusedJournals = 100;
// The kth name (from 1) a refused journal is set aside under, beside it:
// NAME.valmor-journal.refused, then NAME.valmor-journal.refused-k.
GamePath refusedJournalPath(const GamePath& file, int k = 1);
// The set-aside names that something holds now, in order.
std::vector<GamePath> refusedJournals(const GamePath& file);
// The first set-aside name that nothing holds; nothing when all are taken.
std::optional<GamePath> freeRefusedJournalPath(const GamePath& file);

enum class JournalState {
    None,       // no journal
    Torn,       // cut off while it was written: the file was not changed yet
    Complete,   // the file may hold part of a change that the journal takes back
    Undone,     // complete, but the file holds its old bytes already: nothing to put back
    Refused,    // not a journal of the file as it is: never applied
    InProgress, // (inspectJournal only) a writer holds the file's lock: its change is under way
};

struct JournalFinding {
    JournalState state = JournalState::None;
    std::string refusal; // why a Refused journal does not apply, for messages
};

// What lies beside `file`, reading the whole journal and the file's journalled bytes to
// check it; InProgress, unread, while a writer holds the file's lock. Throws DataError when
// a journal is there but cannot be read.
JournalFinding inspectJournal(const GamePath& file);

// Under the lock of `locked`: a complete journal left beside it by a writer that was
// stopped is rolled back (the old length and bytes put back and flushed, then the journal
// removed); a torn or undone one is only removed. A refused one is renamed to
// freeRefusedJournalPath and DataError(JournalRefused) thrown, the file untouched. Gives what
// was found. Throws DataError when the rollback fails; the journal then stays for the next
// writer.
JournalState recoverJournal(GameFile& locked);

// The journal of one change of a locked file. SIGINT, SIGTERM and SIGHUP are noted from
// before the journal is written until this goes (see InterruptionGuard): the writer checks
// for them between its steps with throwIfInterrupted and rolls back.
class RollbackJournal {
public:
    // Gives the new bytes of range k (as many as the range is long), valid until the
    // next call. May throw: the journal is then removed and nothing changed.
    using NewBytes = std::function<std::span<const std::uint8_t>(std::size_t k)>;

    // Writes and flushes the journal of `locked` for a change that writes `ranges`
    // (ascending, not overlapping) with the bytes `newBytes` gives. The old bytes are
    // streamed from the file a range at a time. On failure, or a signal noted meanwhile,
    // the journal is removed again and the error thrown: nothing was changed.
    RollbackJournal(GameFile& locked, std::span<const ByteRange> ranges, const NewBytes& newBytes);
    // Leaves a journal that was neither committed nor rolled back on the disk, for the next
    // writer to roll back.
    ~RollbackJournal();
    RollbackJournal(const RollbackJournal&) = delete;
    RollbackJournal& operator=(const RollbackJournal&) = delete;

    // Copies the new bytes from the journal into the file, range by range, calling
    // `afterEach` after each. A signal noted meanwhile throws DataError(Interrupted).
    void apply(const std::function<void()>& afterEach);
    // Flushes the changed file and removes the journal: from then on the change stands. A
    // signal noted before then throws DataError(Interrupted) and leaves the journal; so does
    // a failure to flush or remove. A folder that cannot be flushed once the journal is
    // removed throws too, with the change standing (pending() is then false).
    void commit();
    // Puts back the old length and bytes, flushes them and removes the journal. Throws
    // DataError when that fails; the journal then stays for the next writer, and
    // oldBytesBack() tells whether the file holds its old bytes all the same.
    void rollBack();
    // Whether the journal is still there to roll back: neither committed nor rolled back.
    bool pending() const { return open_; }
    // After a failed rollBack: whether the old bytes are back and only the journal's
    // removal failed.
    bool oldBytesBack() const { return oldBytesBack_; }

private:
    InterruptionGuard guard_;
    GameFile& file_;
    GamePath path_;
    int journalFd_ = -1; // the journal as written, open until it is removed
    std::vector<ByteRange> ranges_;
    std::vector<std::int64_t> newBytesAt_; // where each range's new bytes are in the journal
    bool open_ = true;
    bool oldBytesBack_ = false;
};

} // namespace valmor
