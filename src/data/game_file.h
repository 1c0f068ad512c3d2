// The one way the editor and valmor-data open a game file: following symbolic links, never
// blocking, and never anything but a regular file; every read and write is checked.
#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <span>

#include "error.h"

namespace valmor {

// Builds the error for a failed system call on the file, from errno.
DataError fileError(int errorNumber, const std::filesystem::path& path);

// How long a writer waits for another one to finish with a game file before it gives up.
inline constexpr std::chrono::milliseconds kLockWait{5000};

// Device, inode, size and modification time: a file replaced or written behind our back
// differs in one of them.
struct FileIdentity {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::int64_t size = 0;
    std::int64_t modifiedNanoseconds = 0;

    bool sameFile(const FileIdentity& other) const {
        return device == other.device && inode == other.inode;
    }
    bool operator==(const FileIdentity&) const = default;
};

// The identity of the file a path names now (links followed); throws when it cannot be had.
FileIdentity identityOf(const std::filesystem::path& path);

// An open regular file, closed when it goes out of scope.
class GameFile {
public:
    enum class Access { Read, ReadWrite };

    // Opens an existing file. A missing one raises FileNotFound; a pipe, socket or device
    // NotARegularFile and a directory PermissionDenied, at once and without blocking.
    static GameFile open(const std::filesystem::path& path, Access access);
    // As open, but a missing file is first created empty.
    static GameFile openOrCreate(const std::filesystem::path& path, Access access);
    // Opens (creating when asked) and takes the exclusive lock that every change of a game
    // file holds, waiting at most `wait` for another writer (then FileBusy). Once it holds
    // the lock it makes sure the path still names the locked file: a replace may have put a
    // new one there meanwhile, and a lock on the old one would guard nothing.
    static GameFile openLocked(const std::filesystem::path& path, bool create,
                               std::chrono::milliseconds wait = kLockWait);

    GameFile(GameFile&& other) noexcept;
    GameFile& operator=(GameFile&& other) noexcept;
    GameFile(const GameFile&) = delete;
    GameFile& operator=(const GameFile&) = delete;
    ~GameFile();

    const std::filesystem::path& path() const { return path_; }
    FileIdentity identity() const;
    std::int64_t size() const;

    // Reads from byte `offset` on; gives the number of bytes read, fewer only at the end.
    std::size_t readAt(std::int64_t offset, std::span<std::uint8_t> bytes) const;
    // Fills `bytes` from `offset`; bytes past the end of the file read as zero.
    void readZeroFilled(std::int64_t offset, std::span<std::uint8_t> bytes) const;
    // Writes every byte or throws: a short write is an error, never a success.
    void writeAt(std::int64_t offset, std::span<const std::uint8_t> bytes);
    void truncate(std::int64_t size);
    // Flushes the file's data to the disk.
    void sync();
    // Closes and reports a failure to close; the destructor closes silently.
    void close();

private:
    static GameFile openChecked(const std::filesystem::path& path, Access access, bool create);
    GameFile(std::filesystem::path path, int descriptor)
        : path_(std::move(path)), fd_(descriptor) {}

    std::filesystem::path path_;
    int fd_ = -1;
};

} // namespace valmor
