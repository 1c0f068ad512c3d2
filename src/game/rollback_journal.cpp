#include "game/rollback_journal.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <functional>
#include <future>
#include <memory>
#include <optional>
#include <stdexcept>
#include <system_error>
#include <utility>
#include <variant>
#include <vector>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "files/fnv1a.h"

namespace valmor {

namespace {

constexpr std::array<std::uint8_t, 8> kMagic{'V', 'L', 'M', 'R', 'J', 'R', 'N', '4'};
// The first format held no new bytes and no new length, the second no device and inode,
// the third no birth time and no fingerprint of the bytes left alone: nothing proves which
// file they were written for.
constexpr std::array<std::array<std::uint8_t, 8>, 3> kOlderMagics{{
    {'V', 'L', 'M', 'R', 'J', 'R', 'N', '1'},
    {'V', 'L', 'M', 'R', 'J', 'R', 'N', '2'},
    {'V', 'L', 'M', 'R', 'J', 'R', 'N', '3'},
}};
constexpr std::int64_t kHeaderBytes = 64;
constexpr std::int64_t kRangeHeaderBytes = 16;
constexpr std::int64_t kChecksumBytes = 8;
// Old bytes are read, written and put back this many at a time.
constexpr std::size_t kChunk = 64 * 1024;

std::array<std::uint8_t, 8> littleEndian(std::uint64_t value) {
    std::array<std::uint8_t, 8> bytes{};
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<std::uint8_t>(value >> (8 * i));
    return bytes;
}

std::uint64_t fromLittleEndian(std::span<const std::uint8_t, 8> bytes) {
    std::uint64_t value = 0;
    for (std::size_t i = 0; i < bytes.size(); ++i)
        value |= std::uint64_t{bytes[i]} << (8 * i);
    return value;
}

// The old bytes a range keeps in the journal: the part before the file's old length.
std::int64_t oldPart(const ByteRange& range, std::int64_t oldLength) {
    return std::clamp<std::int64_t>(oldLength - range.offset, 0, range.length);
}

// Flushes the folder of `inFolder` to the disk: a journal created or removed lives in the
// folder's entries. Gives 0, or the error. A file system that cannot flush a folder says so
// with EINVAL: there is nothing more to do then.
int flushFolder(const GamePath& inFolder) {
    const int fd = ::openat(inFolder.directoryFd(), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return errno;
    const int error = ::fsync(fd) == 0 || errno == EINVAL ? 0 : errno;
    ::close(fd);
    return error;
}

void syncFolder(const GamePath& inFolder) {
    if (const int error = flushFolder(inFolder); error != 0)
        throw fileError(error, inFolder.shown());
}

void unlinkJournal(const GamePath& path) {
    if (::unlinkat(path.directoryFd(), path.name().c_str(), 0) != 0 && errno != ENOENT)
        throw fileError(errno, path.shown());
}

// Reads `bytes` at `offset` of `fd`; false when the file ends first.
bool readFully(int fd, std::int64_t offset, std::span<std::uint8_t> bytes,
               const std::filesystem::path& shown) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t got = ::pread(fd, bytes.data() + done, bytes.size() - done,
                                    static_cast<off_t>(offset + static_cast<std::int64_t>(done)));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            throw fileError(errno, shown);
        if (got == 0)
            return false;
        done += static_cast<std::size_t>(got);
    }
    return true;
}

// Writes a new journal, buffered, keeping its checksum; removes it again unless finished.
class JournalWriter {
public:
    JournalWriter(GamePath path, const struct stat& file) : path_(std::move(path)) {
        fd_ = ::openat(path_.directoryFd(), path_.name().c_str(),
                       O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC, 0600);
        if (fd_ < 0)
            throw fileError(errno, path_.shown());
        // Held until the journal is closed: proof, to whoever looks, that its writer is at
        // work (another program may hold the sprite file's lock, but not this journal's).
        static_cast<void>(::flock(fd_, LOCK_EX | LOCK_NB));
        // Whoever may change the file may read its old bytes back: the journal takes the
        // file's owner where it can (root importing a user's file) and its mode.
        if (file.st_uid != ::geteuid() || file.st_gid != ::getegid())
            static_cast<void>(::fchown(fd_, file.st_uid, file.st_gid));
        if (::fchmod(fd_, file.st_mode & 0666) != 0) {
            const int error = errno;
            ::close(fd_);
            ::unlinkat(path_.directoryFd(), path_.name().c_str(), 0);
            throw fileError(error, path_.shown());
        }
    }
    JournalWriter(const JournalWriter&) = delete;
    JournalWriter& operator=(const JournalWriter&) = delete;
    ~JournalWriter() {
        if (fd_ >= 0)
            ::close(fd_);
        if (!finished_)
            ::unlinkat(path_.directoryFd(), path_.name().c_str(), 0);
    }

    void add(std::span<const std::uint8_t> bytes) {
        checksum_ = fnv1a64(bytes, checksum_);
        buffer_.insert(buffer_.end(), bytes.begin(), bytes.end());
        if (buffer_.size() >= kChunk)
            flush();
    }
    void addNumber(std::uint64_t value) { add(littleEndian(value)); }
    // Where the next byte added goes in the journal.
    std::int64_t position() const { return written_ + static_cast<std::int64_t>(buffer_.size()); }

    // Ends the journal with its checksum and flushes it, folder and all. Gives the open
    // journal: removed while still open, its blocks are freed only when it is closed.
    int finish() {
        const auto checksum = littleEndian(checksum_);
        buffer_.insert(buffer_.end(), checksum.begin(), checksum.end());
        flush();
        // The journal's bytes and its name in the folder must both be on the disk before the
        // file changes. Each flush waits for the disk; run at once, the two wait about as
        // long as one.
        std::future<int> folder;
        try {
            folder = std::async(std::launch::async, flushFolder, std::cref(path_));
        } catch (const std::system_error&) {
            folder = std::async(std::launch::deferred, flushFolder, std::cref(path_));
        }
        const int error = ::fsync(fd_) == 0 ? 0 : errno;
        const int folderError = folder.get();
        if (error != 0 || folderError != 0)
            throw fileError(error != 0 ? error : folderError, path_.shown());
        finished_ = true;
        return std::exchange(fd_, -1);
    }

private:
    void flush() {
        writeAll(fd_,
                 std::string_view(reinterpret_cast<const char*>(buffer_.data()), buffer_.size()),
                 path_.shown());
        written_ += static_cast<std::int64_t>(buffer_.size());
        buffer_.clear();
    }

    GamePath path_;
    int fd_ = -1;
    std::vector<std::uint8_t> buffer_;
    std::int64_t written_ = 0;
    std::uint64_t checksum_ = kFnvOffsetBasis;
    bool finished_ = false;
};

// The journal at its name, opened for reading without following a link; closed when it
// goes.
class JournalFile {
public:
    explicit JournalFile(int fd) : fd_(fd) {}
    JournalFile(const JournalFile&) = delete;
    JournalFile& operator=(const JournalFile&) = delete;
    ~JournalFile() { ::close(fd_); }
    int fd() const { return fd_; }

private:
    int fd_;
};

// A range as the journal holds it, with where its old and new bytes lie in the journal.
struct JournalledRange {
    ByteRange range;
    std::int64_t oldAt = 0;
    std::int64_t newAt = 0;
};

// What a look at the journal found; `ranges` and the lengths only for a complete one,
// `journal` open while there is one to read.
struct Examined {
    JournalState state = JournalState::None;
    std::string refusal;
    std::int64_t oldLength = 0;
    std::vector<JournalledRange> ranges;
    std::shared_ptr<const JournalFile> journal;
    FileIdentity writtenFor;     // the device and inode the journal names
    std::int64_t bornAt = 0;     // the birth time of that file, 0 for none known
    std::uint64_t untouched = 0; // the fingerprint of the bytes the change leaves alone
    // What a refused one is, set aside, for its message.
    std::string setAsideIs = "the set-aside journal holds the old sprites of that import; remove "
                             "it once they are not needed";
};

Examined refused(std::string why) {
    Examined found;
    found.state = JournalState::Refused;
    found.refusal = std::move(why);
    return found;
}

// A refusal of something at the journal's name that is not a journal of ours.
Examined refusedStranger(std::string why, const std::string& what) {
    Examined found = refused(std::move(why));
    found.setAsideIs = "what was set aside is " + what +
                       ", not a journal valmor-data applies; look at it and remove it once it "
                       "is not needed";
    return found;
}

Examined torn() {
    Examined found;
    found.state = JournalState::Torn;
    return found;
}

std::string bytesText(std::int64_t bytes) {
    return std::to_string(bytes) + (bytes == 1 ? " byte" : " bytes");
}

// Reads the journal's table of ranges, checking that it describes a change a sprite file
// can have; then its checksum, streaming it whole.
Examined readJournal(const JournalFile& journal, std::int64_t journalSize,
                     const std::filesystem::path& shown) {
    const auto number = [&](std::int64_t at) -> std::optional<std::uint64_t> {
        std::array<std::uint8_t, 8> bytes{};
        if (!readFully(journal.fd(), at, bytes, shown))
            return std::nullopt;
        return fromLittleEndian(bytes);
    };
    // A journal cut off while it was written begins with its name, or a part of it.
    std::array<std::uint8_t, kMagic.size()> magic{};
    const auto begins = std::span(magic).first(
        static_cast<std::size_t>(std::min<std::int64_t>(journalSize, kMagic.size())));
    if (!readFully(journal.fd(), 0, begins, shown))
        throw fileError(EIO, shown);
    if (std::find(kOlderMagics.begin(), kOlderMagics.end(), magic) != kOlderMagics.end())
        return refused("it is in the format of an older valmor-data, which does not say "
                       "which file it was written for");
    if (!std::equal(begins.begin(), begins.end(), kMagic.begin()))
        return refusedStranger("it is not a journal of valmor-data (it does not begin with "
                               "VLMRJRN4)",
                               "a file that is not a journal of valmor-data");
    const auto device = number(8);
    const auto inode = number(16);
    const auto bornAt = number(24);
    const auto untouched = number(32);
    const auto oldLength = number(40);
    const auto newLength = number(48);
    const auto count = number(56);
    if (begins.size() < kMagic.size() || !device || !inode || !bornAt || !untouched || !oldLength ||
        !newLength || !count)
        return torn();
    if (*newLength > static_cast<std::uint64_t>(kMostJournalledBytes) || *oldLength > *newLength ||
        *count > kMostJournalRanges)
        return refused("it gives lengths a sprite file cannot have (from " +
                       std::to_string(*oldLength) + " to " + std::to_string(*newLength) +
                       " bytes in " + std::to_string(*count) + " ranges; at most " +
                       bytesText(kMostJournalledBytes) + ", 32768 frames)");
    Examined found;
    found.state = JournalState::Complete;
    found.oldLength = static_cast<std::int64_t>(*oldLength);
    found.writtenFor.device = *device;
    found.writtenFor.inode = *inode;
    found.bornAt = static_cast<std::int64_t>(*bornAt);
    found.untouched = *untouched;
    const auto newEnd = static_cast<std::int64_t>(*newLength);
    std::int64_t at = kHeaderBytes;
    std::int64_t end = 0;                   // where the ranges so far end
    std::int64_t covered = found.oldLength; // from the old length, written without a gap
    for (std::uint64_t k = 0; k < *count; ++k) {
        const auto offset = number(at);
        const auto length = number(at + 8);
        if (!offset || !length)
            return torn();
        if (*length == 0 || *offset > static_cast<std::uint64_t>(newEnd) ||
            *length > static_cast<std::uint64_t>(newEnd) - *offset ||
            static_cast<std::int64_t>(*offset) < end ||
            static_cast<std::int64_t>(*offset) > covered)
            return refused("its ranges overlap or lie outside the " + bytesText(newEnd) +
                           " the change was heading for");
        JournalledRange range{
            {static_cast<std::int64_t>(*offset), static_cast<std::int64_t>(*length)},
            at + kRangeHeaderBytes,
            0};
        range.newAt = range.oldAt + oldPart(range.range, found.oldLength);
        end = range.range.offset + range.range.length;
        covered = std::max(covered, end);
        at = range.newAt + range.range.length;
        found.ranges.push_back(range);
        if (at > journalSize)
            return torn();
    }
    if (covered != newEnd)
        return refused("its ranges do not make up the " + bytesText(newEnd) +
                       " the change was heading for");
    // A journal is written front to back: one shorter than its table says was cut off. Bytes
    // after its checksum were put there by something else (`>> NAME.valmor-journal`); the
    // journal itself is whole and proves itself by its checksum, so they are ignored.
    if (at + kChecksumBytes > journalSize)
        return torn();
    std::uint64_t checksum = kFnvOffsetBasis;
    std::vector<std::uint8_t> chunk;
    for (std::int64_t done = 0; done < at;) {
        chunk.resize(static_cast<std::size_t>(std::min<std::int64_t>(at - done, kChunk)));
        if (!readFully(journal.fd(), done, chunk, shown))
            return torn();
        checksum = fnv1a64(chunk, checksum);
        done += static_cast<std::int64_t>(chunk.size());
    }
    if (number(at) != checksum)
        return torn();
    return found;
}

// The FNV-1a of the first `oldLength` bytes of `file` that no range of `written` covers:
// the bytes a change leaves alone. Two files that hold the same journalled bytes (a copy,
// another branch's version) differ there.
std::uint64_t untouchedFingerprint(const GameFile& file, std::int64_t oldLength,
                                   std::span<const ByteRange> written) {
    std::uint64_t hash = kFnvOffsetBasis;
    std::vector<std::uint8_t> chunk;
    const auto add = [&](std::int64_t from, std::int64_t to) {
        for (std::int64_t at = from; at < to;) {
            chunk.resize(static_cast<std::size_t>(std::min<std::int64_t>(to - at, kChunk)));
            file.readZeroFilled(at, chunk);
            hash = fnv1a64(chunk, hash);
            at += static_cast<std::int64_t>(chunk.size());
        }
    };
    std::int64_t at = 0;
    for (const ByteRange& range : written) {
        add(at, std::min(range.offset, oldLength));
        at = std::max(at, range.offset + range.length);
    }
    add(at, oldLength);
    return hash;
}

// Whether `file` is the file the journal was written for: a length between the old and
// the new one, and every journalled byte holding its old value or its new one (past the
// old length also zero, not on the disk yet). Gives Complete, Undone when the file holds
// its old bytes and length already, or Refused saying what differs.
Examined fitToFile(Examined found, const JournalFile& journal, const GameFile& file,
                   const std::filesystem::path& shown) {
    const std::int64_t length = file.size();
    const std::int64_t newLength =
        found.ranges.empty() ? found.oldLength
                             : std::max(found.oldLength, found.ranges.back().range.offset +
                                                             found.ranges.back().range.length);
    const std::string name = file.path().filename().string();
    const FileIdentity identity = file.identity();
    if (!identity.sameFile(found.writtenFor))
        return refused(name +
                       " is not the file that import changed: the journal was written "
                       "for the file of device " +
                       std::to_string(found.writtenFor.device) + ", inode " +
                       std::to_string(found.writtenFor.inode) + ", and " + name + " is inode " +
                       std::to_string(identity.inode) + " of device " +
                       std::to_string(identity.device) +
                       " (a checkout, copy or restore puts another file in its place)");
    if (found.bornAt != 0 && file.bornNanoseconds() != found.bornAt)
        return refused(name + " is not the file that import changed: it was created after that "
                              "import began, at the inode the old file had (a checkout or restore "
                              "puts a new file in its place)");
    if (length < found.oldLength || length > newLength)
        return refused(name +
                       " changed since the interrupted import that left it: the file "
                       "holds " +
                       bytesText(length) + ", where that import took it from " +
                       std::to_string(found.oldLength) + " to " + bytesText(newLength));
    bool allOld = length == found.oldLength;
    std::vector<std::uint8_t> now, old, fresh;
    for (const JournalledRange& journalled : found.ranges) {
        const ByteRange& range = journalled.range;
        const std::int64_t olds = oldPart(range, found.oldLength);
        for (std::int64_t done = 0; done < range.length && range.offset + done < length;) {
            const auto size = static_cast<std::size_t>(std::min<std::int64_t>(
                {range.length - done, kChunk, length - range.offset - done}));
            now.resize(size);
            fresh.resize(size);
            old.assign(size, 0);
            file.readZeroFilled(range.offset + done, now);
            if (!readFully(journal.fd(), journalled.newAt + done, fresh, shown) ||
                (done < olds &&
                 !readFully(journal.fd(), journalled.oldAt + done,
                            std::span(old).first(static_cast<std::size_t>(std::min<std::int64_t>(
                                olds - done, static_cast<std::int64_t>(size)))),
                            shown)))
                throw fileError(EIO, shown);
            for (std::size_t i = 0; i < size; ++i) {
                const bool hadOld = done + static_cast<std::int64_t>(i) < olds;
                const bool isOld = hadOld ? now[i] == old[i] : now[i] == 0;
                if (!isOld && now[i] != fresh[i])
                    return refused(
                        name +
                        " changed since the interrupted import that left it: "
                        "byte " +
                        std::to_string(range.offset + done + static_cast<std::int64_t>(i)) +
                        " holds neither its old value nor its new one");
                allOld = allOld && (isOld && hadOld);
            }
            done += static_cast<std::int64_t>(size);
        }
    }
    std::vector<ByteRange> written;
    for (const JournalledRange& journalled : found.ranges)
        written.push_back(journalled.range);
    if (untouchedFingerprint(file, found.oldLength, written) != found.untouched)
        return refused(name + " changed since the interrupted import that left it: bytes that "
                              "import does not write differ (a copy or another version of the file "
                              "is in its place)");
    if (allOld)
        found.state = JournalState::Undone;
    return found;
}

// What a file that is not regular is, for messages.
std::string kindOf(mode_t mode) {
    return S_ISLNK(mode)    ? "a symbolic link, which is never followed"
           : S_ISDIR(mode)  ? "a folder"
           : S_ISFIFO(mode) ? "a named pipe"
           : S_ISSOCK(mode) ? "a socket"
           : S_ISCHR(mode)  ? "a character device"
           : S_ISBLK(mode)  ? "a block device"
                            : "not a regular file";
}

// A journal that is not a regular file, found at `status` or refused by the open.
Examined refusedKind(mode_t mode) {
    const std::string kind = kindOf(mode);
    return refusedStranger("it is " + kind, kind.substr(0, kind.find(',')));
}

// Opens the journal at `path` for reading without following a link and checks that
// whoever wrote it may change `file`: the journal is a regular file of one name, owned by
// the file's owner (a writer gives it that owner) or by the user who runs this. Nothing
// when there is none; a refusal for anything else. Gives the open journal and its size.
std::variant<std::monostate, Examined, std::pair<int, std::int64_t>>
openJournal(const GamePath& path, const GameFile* file) {
    struct stat status {};
    if (::fstatat(path.directoryFd(), path.name().c_str(), &status, AT_SYMLINK_NOFOLLOW) != 0) {
        if (errno == ENOENT)
            return std::monostate{};
        throw fileError(errno, path.shown());
    }
    if (!S_ISREG(status.st_mode))
        return refusedKind(status.st_mode);
    const int fd = ::openat(path.directoryFd(), path.name().c_str(),
                            O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT)
            return std::monostate{};
        if (errno == ELOOP)
            return refusedKind(S_IFLNK);
        if (errno == ENXIO)
            return refusedKind(S_IFSOCK);
        throw fileError(errno, path.shown());
    }
    if (::fstat(fd, &status) != 0) {
        const int error = errno;
        ::close(fd);
        throw fileError(error, path.shown());
    }
    std::optional<Examined> refusal;
    if (!S_ISREG(status.st_mode))
        refusal = refusedKind(status.st_mode);
    else if (status.st_nlink != 1)
        refusal = refusedStranger("it has " + std::to_string(status.st_nlink) +
                                      " names (hard links), where a journal has one",
                                  "a file of several names");
    else if (file != nullptr && status.st_uid != file->owner() && status.st_uid != ::geteuid())
        refusal = refusedStranger(
            "it belongs to user " + std::to_string(status.st_uid) + ", where " +
                file->path().filename().string() + " belongs to user " +
                std::to_string(file->owner()) +
                ": only a journal of the file's owner (or of whoever runs valmor-data) is applied",
            "another user's file, which may hold anything");
    if (refusal) {
        ::close(fd);
        return std::move(*refusal);
    }
    return std::pair{fd, static_cast<std::int64_t>(status.st_size)};
}

// Looks at the journal at `path` and, when it is complete, at `file` through it.
Examined examine(const GamePath& path, const GameFile* file) {
    auto opened = openJournal(path, file);
    if (std::holds_alternative<std::monostate>(opened))
        return {};
    if (auto* refusal = std::get_if<Examined>(&opened))
        return std::move(*refusal);
    const auto [fd, size] = std::get<std::pair<int, std::int64_t>>(opened);
    auto journal = std::make_shared<const JournalFile>(fd);
    Examined found = readJournal(*journal, size, path.shown());
    if (found.state != JournalState::Complete)
        return found;
    if (file == nullptr)
        return refused(std::string(kSpriteFileName) + " is missing");
    found = fitToFile(std::move(found), *journal, *file, path.shown());
    found.journal = std::move(journal);
    return found;
}

// Writes `old` back at `offset` where the file differs from it. Bytes that never changed
// are not written: over a hole of a sparse file, or on a full disk, writing them could
// need blocks that are not there.
void putBack(GameFile& file, std::int64_t offset, std::span<const std::uint8_t> old) {
    std::vector<std::uint8_t> now(old.size());
    file.readZeroFilled(offset, now);
    std::size_t first = 0;
    while (first < old.size() && old[first] == now[first])
        ++first;
    if (first == old.size())
        return;
    std::size_t end = old.size();
    while (old[end - 1] == now[end - 1])
        --end;
    file.writeAt(offset + static_cast<std::int64_t>(first), old.subspan(first, end - first));
}

// Puts the old length and bytes of a complete journal at `path` back into `file` and
// flushes it. Gives what was found; a refused journal is left as it is.
Examined restoreFrom(const GamePath& path, GameFile& file) {
    Examined found = examine(path, &file);
    if (found.state != JournalState::Complete)
        return found;
    const JournalFile& journal = *found.journal;
    // While the old bytes go back the journal is at work again: `check` says so.
    static_cast<void>(::flock(journal.fd(), LOCK_EX | LOCK_NB));
    if (file.size() != found.oldLength)
        file.truncate(found.oldLength);
    std::vector<std::uint8_t> old;
    for (const JournalledRange& journalled : found.ranges) {
        const std::int64_t olds = oldPart(journalled.range, found.oldLength);
        for (std::int64_t done = 0; done < olds;) {
            old.resize(static_cast<std::size_t>(std::min<std::int64_t>(olds - done, kChunk)));
            if (!readFully(journal.fd(), journalled.oldAt + done, old, path.shown()))
                throw fileError(EIO, path.shown());
            putBack(file, journalled.range.offset + done, old);
            done += static_cast<std::int64_t>(old.size());
        }
    }
    file.sync();
    return found;
}

void removeJournal(const GamePath& path) {
    unlinkJournal(path);
    syncFolder(path);
}

// Renames a refused journal aside under the first free name, never over another one, and
// says what was refused.
[[noreturn]] void setAside(const GamePath& path, const GamePath& file, const Examined& found) {
    const std::string name = path.shown().filename().string();
    const std::string sprites = file.shown().filename().string();
    std::string message =
        name + ", left by an interrupted sprite import, was not applied: " + found.refusal + ". " +
        sprites + " was left as it is";
    for (int k = 1; k <= kMostRefusedJournals; ++k) {
        const GamePath aside = refusedJournalPath(file, k);
        if (::renameat2(path.directoryFd(), path.name().c_str(), aside.directoryFd(),
                        aside.name().c_str(), RENAME_NOREPLACE) != 0) {
            const int error = errno;
            if (error == EEXIST)
                continue;
            throw DataError(ErrorKind::JournalRefused,
                            message + ", and the journal could not be set aside as " +
                                aside.shown().filename().string() + " (" +
                                fileError(error, aside.shown()).what() +
                                "): move it away, then run the command again");
        }
        syncFolder(path);
        throw DataError(ErrorKind::JournalRefused,
                        message + " and the journal set aside as " +
                            aside.shown().filename().string() +
                            ". If the file changed since that import (a git checkout, a copy), "
                            "run the command again to change it as it is now; " +
                            found.setAsideIs);
    }
    throw DataError(ErrorKind::JournalRefused,
                    message + ", and the journal could not be set aside: " +
                        refusedJournalPath(file).shown().filename().string() + " to -" +
                        std::to_string(kMostRefusedJournals) +
                        " are all taken by journals set aside before: move them away, then run "
                        "the command again");
}

// Whether the writer of the journal at `path` holds it still (see JournalWriter); also when
// that cannot be told (a journal this user may not read).
bool heldByItsWriter(const GamePath& path) {
    const int fd = ::openat(path.directoryFd(), path.name().c_str(),
                            O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return errno == EACCES || errno == EPERM;
    bool held = false;
    while (::flock(fd, LOCK_SH | LOCK_NB) != 0) {
        if (errno != EINTR) {
            held = errno == EWOULDBLOCK;
            break;
        }
    }
    ::close(fd);
    return held;
}

} // namespace

GamePath journalPath(const GamePath& file) {
    const GamePath real = resolveLinks(file);
    return real.sibling(real.filename().string() + ".valmor-journal");
}

GamePath refusedJournalPath(const GamePath& file, int k) {
    const GamePath journal = journalPath(file);
    return journal.sibling(journal.filename().string() + ".refused" +
                           (k > 1 ? "-" + std::to_string(k) : std::string()));
}

std::vector<GamePath> refusedJournals(const GamePath& file) {
    std::vector<GamePath> taken;
    for (int k = 1; k <= kMostRefusedJournals; ++k) {
        GamePath aside = refusedJournalPath(file, k);
        if (pathKind(aside) != PathKind::Missing)
            taken.push_back(std::move(aside));
    }
    return taken;
}

std::optional<GamePath> freeRefusedJournalPath(const GamePath& file) {
    for (int k = 1; k <= kMostRefusedJournals; ++k) {
        GamePath aside = refusedJournalPath(file, k);
        if (pathKind(aside) == PathKind::Missing)
            return aside;
    }
    return std::nullopt;
}

JournalFinding inspectJournal(const GamePath& file) {
    const GamePath path = journalPath(file);
    if (pathKind(path) == PathKind::Missing)
        return {};
    std::optional<GameFile> opened;
    try {
        opened.emplace(GameFile::open(file, GameFile::Access::Read));
    } catch (const DataError& failure) {
        if (failure.kind() != ErrorKind::FileNotFound)
            throw;
    }
    if (opened && opened->lockedByWriter() && heldByItsWriter(path))
        return {JournalState::InProgress, {}};
    Examined found = examine(path, opened ? &*opened : nullptr);
    return {found.state, std::move(found.refusal)};
}

JournalState recoverJournal(GameFile& locked) {
    const GamePath path = journalPath(locked.place());
    const Examined found = restoreFrom(path, locked);
    if (found.state == JournalState::Refused)
        setAside(path, locked.place(), found);
    if (found.state == JournalState::None)
        return found.state;
    try {
        removeJournal(path);
    } catch (const DataError& failure) {
        if (found.state != JournalState::Complete)
            throw;
        throw DataError(failure.kind(), failure.subject() +
                                            " (the old sprites of the "
                                            "interrupted import are back in " +
                                            locked.path().filename().string() +
                                            ", but its journal could not be removed)");
    }
    return found.state;
}

RollbackJournal::RollbackJournal(GameFile& locked, std::span<const ByteRange> ranges,
                                 const NewBytes& newBytes)
    : file_(locked), path_(journalPath(locked.place())), ranges_(ranges.begin(), ranges.end()) {
    const std::int64_t oldLength = file_.size();
    std::int64_t newLength = oldLength;
    for (std::size_t k = 0; k < ranges_.size(); ++k) {
        if (ranges_[k].length <= 0 ||
            (k > 0 && ranges_[k].offset < ranges_[k - 1].offset + ranges_[k - 1].length))
            throw std::logic_error("journal ranges out of order");
        newLength = std::max(newLength, ranges_[k].offset + ranges_[k].length);
    }
    if (newLength > kMostJournalledBytes || ranges_.size() > kMostJournalRanges)
        throw DataError(ErrorKind::FileTooLarge,
                        file_.path().filename().string() + " (more than 32768 frames)");
    struct stat status {};
    const GamePath real = resolveLinks(file_.place());
    if (::fstatat(real.directoryFd(), real.name().c_str(), &status, 0) != 0)
        throw fileError(errno, file_.path());

    const FileIdentity identity = file_.identity();
    const std::int64_t bornAt = file_.bornNanoseconds();
    const std::uint64_t untouched = untouchedFingerprint(file_, oldLength, ranges_);
    JournalWriter journal(path_, status);
    journal.add(kMagic);
    journal.addNumber(identity.device);
    journal.addNumber(identity.inode);
    journal.addNumber(static_cast<std::uint64_t>(bornAt));
    journal.addNumber(untouched);
    journal.addNumber(static_cast<std::uint64_t>(oldLength));
    journal.addNumber(static_cast<std::uint64_t>(newLength));
    journal.addNumber(ranges_.size());
    std::vector<std::uint8_t> old;
    for (std::size_t k = 0; k < ranges_.size(); ++k) {
        throwIfInterrupted();
        const ByteRange& range = ranges_[k];
        journal.addNumber(static_cast<std::uint64_t>(range.offset));
        journal.addNumber(static_cast<std::uint64_t>(range.length));
        const std::int64_t olds = oldPart(range, oldLength);
        for (std::int64_t done = 0; done < olds;) {
            old.resize(static_cast<std::size_t>(std::min<std::int64_t>(olds - done, kChunk)));
            if (file_.readAt(range.offset + done, old) < old.size())
                throw DataError(ErrorKind::FileChanged,
                                file_.path().filename().string() +
                                    " (another program shortened it while its journal was "
                                    "written; nothing was changed)");
            journal.add(old);
            done += static_cast<std::int64_t>(old.size());
        }
        const std::span<const std::uint8_t> fresh = newBytes(k);
        if (static_cast<std::int64_t>(fresh.size()) != range.length)
            throw std::logic_error("new bytes of another length than their range");
        newBytesAt_.push_back(journal.position());
        journal.add(fresh);
    }
    throwIfInterrupted();
    journalFd_ = journal.finish();
}

RollbackJournal::~RollbackJournal() {
    if (journalFd_ >= 0)
        ::close(journalFd_);
}

void RollbackJournal::apply(const std::function<void()>& afterEach) {
    std::vector<std::uint8_t> fresh;
    for (std::size_t k = 0; k < ranges_.size(); ++k) {
        throwIfInterrupted();
        for (std::int64_t done = 0; done < ranges_[k].length;) {
            fresh.resize(
                static_cast<std::size_t>(std::min<std::int64_t>(ranges_[k].length - done, kChunk)));
            if (!readFully(journalFd_, newBytesAt_[k] + done, fresh, path_.shown()))
                throw fileError(EIO, path_.shown());
            file_.writeAt(ranges_[k].offset + done, fresh);
            done += static_cast<std::int64_t>(fresh.size());
        }
        if (afterEach)
            afterEach();
    }
}

void RollbackJournal::commit() {
    throwIfInterrupted();
    file_.sync();
    throwIfInterrupted();
    // Removing the journal is the moment the change stands. The folder is not flushed
    // after it: should the power fail before the folder reaches the disk, the journal
    // comes back and the next writer puts the old bytes back, whole.
    unlinkJournal(path_);
    open_ = false;
    if (::close(std::exchange(journalFd_, -1)) != 0)
        throw fileError(errno, path_.shown());
}

void RollbackJournal::rollBack() {
    if (!open_)
        throw std::logic_error("rollBack after commit");
    const Examined found = restoreFrom(path_, file_);
    if (found.state == JournalState::Refused)
        throw DataError(ErrorKind::JournalRefused,
                        path_.shown().filename().string() + " (" + found.refusal + ")");
    if (found.state != JournalState::Complete && found.state != JournalState::Undone)
        throw DataError(ErrorKind::DeviceIO, path_.shown().filename().string() +
                                                 " (the journal no longer reads back whole)");
    oldBytesBack_ = true;
    removeJournal(path_);
    open_ = false;
}

} // namespace valmor
