#include "rollback_journal.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <functional>
#include <future>
#include <optional>
#include <stdexcept>
#include <system_error>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace valmor {

namespace {

constexpr std::array<std::uint8_t, 8> kMagic{'V', 'L', 'M', 'R', 'J', 'R', 'N', '1'};
// Old bytes are read, written and put back this many at a time.
constexpr std::size_t kChunk = 64 * 1024;

std::uint64_t fnv1a(std::span<const std::uint8_t> bytes, std::uint64_t hash) {
    for (const std::uint8_t byte : bytes) {
        hash ^= byte;
        hash *= 1099511628211ULL;
    }
    return hash;
}
constexpr std::uint64_t kFnvOffsetBasis = 14695981039346656037ULL;

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

// Writes a new journal, buffered, keeping its checksum; removes it again unless finished.
class JournalWriter {
public:
    JournalWriter(GamePath path, const struct stat& file) : path_(std::move(path)) {
        fd_ = ::openat(path_.directoryFd(), path_.name().c_str(),
                       O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd_ < 0)
            throw fileError(errno, path_.shown());
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
        checksum_ = fnv1a(bytes, checksum_);
        buffer_.insert(buffer_.end(), bytes.begin(), bytes.end());
        if (buffer_.size() >= kChunk)
            flush();
    }
    void addNumber(std::uint64_t value) { add(littleEndian(value)); }

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
            fail(error != 0 ? error : folderError);
        finished_ = true;
        return std::exchange(fd_, -1);
    }

private:
    [[noreturn]] void fail(int error) { throw fileError(error, path_.shown()); }

    void flush() {
        writeAll(fd_,
                 std::string_view(reinterpret_cast<const char*>(buffer_.data()), buffer_.size()),
                 path_.shown());
        buffer_.clear();
    }

    GamePath path_;
    int fd_ = -1;
    std::vector<std::uint8_t> buffer_;
    std::uint64_t checksum_ = kFnvOffsetBasis;
    bool finished_ = false;
};

// Reads a journal from the start, checking it as it goes.
class JournalReader {
public:
    explicit JournalReader(const GameFile& journal) : journal_(journal) {}

    // Fills `bytes`; false when the journal ends first.
    bool read(std::span<std::uint8_t> bytes) {
        if (journal_.readAt(at_, bytes) < bytes.size())
            return false;
        at_ += static_cast<std::int64_t>(bytes.size());
        checksum_ = fnv1a(bytes, checksum_);
        return true;
    }
    std::optional<std::uint64_t> number() {
        std::array<std::uint8_t, 8> bytes{};
        if (!read(bytes))
            return std::nullopt;
        return fromLittleEndian(bytes);
    }
    // Whether the checksum follows and the journal ends there.
    bool endsWell() {
        const std::uint64_t expected = checksum_;
        const auto stored = number();
        std::uint8_t more = 0;
        return stored == expected && journal_.readAt(at_, {&more, 1}) == 0;
    }

private:
    const GameFile& journal_;
    std::int64_t at_ = 0;
    std::uint64_t checksum_ = kFnvOffsetBasis;
};

using OldBytes = std::function<void(std::int64_t offset, std::span<const std::uint8_t> bytes)>;

// Reads the whole journal, handing each run of old bytes to `each` when given; gives the
// file's old length, or nothing for a torn journal. Only a journal that has been checked
// whole may be handed on.
std::optional<std::int64_t> readJournal(const GameFile& journal, const OldBytes& each) {
    JournalReader reader(journal);
    std::array<std::uint8_t, kMagic.size()> magic{};
    const bool named = reader.read(magic) && magic == kMagic;
    const auto oldLength = reader.number();
    const auto ranges = reader.number();
    if (!named || !oldLength || !ranges || *oldLength > INT64_MAX)
        return std::nullopt;
    std::vector<std::uint8_t> bytes;
    for (std::uint64_t k = 0; k < *ranges; ++k) {
        const auto offset = reader.number();
        const auto length = reader.number();
        if (!offset || !length || *offset > *oldLength || *length > *oldLength - *offset)
            return std::nullopt;
        for (std::uint64_t done = 0; done < *length;) {
            bytes.resize(static_cast<std::size_t>(std::min<std::uint64_t>(*length - done, kChunk)));
            if (!reader.read(bytes))
                return std::nullopt;
            if (each)
                each(static_cast<std::int64_t>(*offset + done), bytes);
            done += bytes.size();
        }
    }
    if (!reader.endsWell())
        return std::nullopt;
    return static_cast<std::int64_t>(*oldLength);
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

// Rolls `file` back from the journal at `path` and removes the journal; a torn journal is
// only removed.
JournalState rollBackFrom(const GamePath& path, GameFile& file) {
    JournalState state = JournalState::Torn;
    {
        const GameFile journal = GameFile::open(path, GameFile::Access::Read);
        if (const auto oldLength = readJournal(journal, {})) {
            if (file.size() != *oldLength)
                file.truncate(*oldLength);
            readJournal(journal, [&](std::int64_t offset, std::span<const std::uint8_t> old) {
                putBack(file, offset, old);
            });
            file.sync();
            state = JournalState::Complete;
        }
    }
    unlinkJournal(path);
    syncFolder(path);
    return state;
}

} // namespace

GamePath journalPath(const GamePath& file) {
    const GamePath real = resolveLinks(file);
    return real.sibling(real.filename().string() + ".valmor-journal");
}

JournalState journalStateOf(const GamePath& file) {
    const GamePath path = journalPath(file);
    if (pathKind(path) == PathKind::Missing)
        return JournalState::None;
    const GameFile journal = GameFile::open(path, GameFile::Access::Read);
    return readJournal(journal, {}) ? JournalState::Complete : JournalState::Torn;
}

JournalState recoverJournal(GameFile& locked) {
    const GamePath path = journalPath(locked.place());
    if (pathKind(path) == PathKind::Missing)
        return JournalState::None;
    return rollBackFrom(path, locked);
}

RollbackJournal::RollbackJournal(GameFile& locked, std::span<const ByteRange> ranges)
    : file_(locked), path_(journalPath(locked.place())) {
    const std::int64_t oldLength = file_.size();
    const auto before = [&](const ByteRange& range) {
        return range.length > 0 && range.offset < oldLength;
    };
    struct stat status {};
    const GamePath real = resolveLinks(file_.place());
    if (::fstatat(real.directoryFd(), real.name().c_str(), &status, 0) != 0)
        throw fileError(errno, file_.path());

    JournalWriter journal(path_, status);
    journal.add(kMagic);
    journal.addNumber(static_cast<std::uint64_t>(oldLength));
    journal.addNumber(static_cast<std::uint64_t>(std::ranges::count_if(ranges, before)));
    std::vector<std::uint8_t> old;
    for (const ByteRange& range : ranges) {
        throwIfInterrupted();
        if (!before(range))
            continue;
        const std::int64_t length = std::min(range.length, oldLength - range.offset);
        journal.addNumber(static_cast<std::uint64_t>(range.offset));
        journal.addNumber(static_cast<std::uint64_t>(length));
        for (std::int64_t done = 0; done < length;) {
            old.resize(static_cast<std::size_t>(std::min<std::int64_t>(length - done, kChunk)));
            if (file_.readAt(range.offset + done, old) < old.size())
                throw DataError(ErrorKind::FileChanged,
                                file_.path().filename().string() +
                                    " (another program shortened it while its journal was "
                                    "written; nothing was changed)");
            journal.add(old);
            done += static_cast<std::int64_t>(old.size());
        }
    }
    throwIfInterrupted();
    journalFd_ = journal.finish();
}

RollbackJournal::~RollbackJournal() {
    if (journalFd_ >= 0)
        ::close(journalFd_);
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
    if (rollBackFrom(path_, file_) != JournalState::Complete)
        throw DataError(ErrorKind::DeviceIO, path_.shown().filename().string() +
                                                 " (the journal no longer reads back whole)");
    open_ = false;
}

} // namespace valmor
