// The one way the editor and valmor-data open a game file: following symbolic links, never
// blocking, and never anything but a regular file; every read and write is checked.
#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "files/error.h"

namespace valmor {

// Builds the error for a failed system call on the file, from errno.
DataError fileError(int errorNumber, const std::filesystem::path& path);

// Writes every byte to the open file `fd` at its position, or throws naming `shownAs`: a
// write that puts nothing is a full disk, never a success.
void writeAll(int fd, std::string_view bytes, const std::filesystem::path& shownAs);

class GamePath;

// Opens what `path` names, links followed, one name at a time from the root or the working
// directory, so that no call sees more than one name and a path longer than the system
// takes in one call still opens. A descriptor only for looking (O_PATH), or -1 with errno.
int openPathByNames(const std::filesystem::path& path);

// An open folder that game files are opened in (openat, renameat), so that a folder deep
// below the working directory works with short names and a folder renamed or swapped
// mid-command changes nothing. Copies share the one open folder.
class GameDirectory {
public:
    // The working directory, whichever it is at each use; nothing is opened.
    GameDirectory() = default;
    // Opens the folder `path` names (links followed). Throws DataError: FileNotFound for a
    // missing one, BadFileName for a link loop, NotAFolder for a file or a path through
    // one, and the kind of any other failure of the system (PermissionDenied, DeviceIO).
    static GameDirectory open(const std::filesystem::path& path);
    // As open, but one name at a time, and for looking up names only (O_PATH): a path longer
    // than the system takes in one call still opens, and so does a folder that may be
    // searched but not listed (a file of one that may not be searched fails at its own
    // open, naming the file). Throws as open does.
    static GameDirectory openByNames(const std::filesystem::path& path);

    // A file of the folder; `name` may hold further folders.
    GamePath file(const std::filesystem::path& name) const;
    // The folder as given, for messages; empty for the working directory.
    const std::filesystem::path& shownAs() const { return shownAs_; }
    // For the *at system calls: the open folder, or AT_FDCWD.
    int fd() const;

private:
    friend GamePath resolveLinks(const GamePath& path);
    struct Handle;
    std::shared_ptr<const Handle> handle_;
    std::filesystem::path shownAs_;
};

// Where a file is: a name relative to an open folder, or a plain path (relative to the
// working directory). Taken wherever a game file is opened, so that a plain path still
// works; the data layer opens nothing but through it.
class GamePath {
public:
    GamePath(std::filesystem::path path) : name_(path), shown_(std::move(path)) {}
    GamePath(const char* path) : GamePath(std::filesystem::path(path)) {}
    GamePath(const std::string& path) : GamePath(std::filesystem::path(path)) {}

    // The folder the name is relative to, for the *at system calls.
    int directoryFd() const { return directory_.fd(); }
    const GameDirectory& directory() const { return directory_; }
    // The name relative to that folder, for the *at system calls.
    const std::filesystem::path& name() const { return name_; }
    // The folder as given joined with the name: for messages, never for opening.
    const std::filesystem::path& shown() const { return shown_; }
    std::filesystem::path filename() const { return name_.filename(); }

    // The same place for another name in the same folder ("monster.dat.valmor-journal").
    GamePath sibling(const std::filesystem::path& name) const;

private:
    friend class GameDirectory;
    GamePath(GameDirectory directory, std::filesystem::path name, std::filesystem::path shown)
        : directory_(std::move(directory)), name_(std::move(name)), shown_(std::move(shown)) {}

    GameDirectory directory_;
    std::filesystem::path name_;
    std::filesystem::path shown_;
};

// The file at the end of `path`'s chain of symbolic links: its folder, open, and its name
// there. A missing file at the end is no error (it is where a new file would go). Throws
// BadFileName after 40 links, as the system does.
GamePath resolveLinks(const GamePath& path);

// What a path names now, without following a last link: none, a link, or the type of a file.
enum class PathKind { Missing, Link, Regular, Directory, Other };
PathKind pathKind(const GamePath& path);

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
FileIdentity identityOf(const GamePath& path);

// An open regular file, closed when it goes out of scope.
class GameFile {
public:
    enum class Access { Read, ReadWrite };

    // Opens an existing file. A missing one raises FileNotFound; a pipe, socket or device
    // NotARegularFile and a folder IsAFolder, at once and without blocking.
    static GameFile open(const GamePath& path, Access access);
    // As open, but a missing file is first created empty.
    static GameFile openOrCreate(const GamePath& path, Access access);
    // Opens (creating when asked) and takes the exclusive lock that every change of a game
    // file holds, waiting at most `wait` for another writer (then FileBusy). Once it holds
    // the lock it makes sure the path still names the locked file: a replace may have put a
    // new one there meanwhile, and a lock on the old one would guard nothing.
    static GameFile openLocked(const GamePath& path, bool create,
                               std::chrono::milliseconds wait = kLockWait);

    GameFile(GameFile&& other) noexcept;
    GameFile& operator=(GameFile&& other) noexcept;
    GameFile(const GameFile&) = delete;
    GameFile& operator=(const GameFile&) = delete;
    ~GameFile();

    // The path as messages show it.
    const std::filesystem::path& path() const { return place_.shown(); }
    const GamePath& place() const { return place_; }
    FileIdentity identity() const;
    std::int64_t size() const;
    // The user id of the file's owner.
    std::uint32_t owner() const;
    // When the file was created, in nanoseconds since 1970; 0 where the file system keeps no
    // birth time. A file put in another's place (a checkout, a restore) is born anew, even
    // where it gets the inode the old one had.
    std::int64_t bornNanoseconds() const;
    // Whether a writer holds the lock of openLocked on this file now; asks without waiting.
    bool lockedByWriter() const;

    // Reads from byte `offset` on; gives the number of bytes read, fewer only at the end.
    std::size_t readAt(std::int64_t offset, std::span<std::uint8_t> bytes) const;
    // The whole file, which may hold at most `limit` bytes: a larger one raises FileTooLarge
    // before a byte is read, naming the file, its size and `why` ("; profiles take at most
    // 1 MiB"), as "characters.csv (2000000 bytes; profiles take at most 1 MiB)".
    std::string readAll(std::size_t limit, std::string_view why) const;
    // Fills `bytes` from `offset`; bytes past the end of the file read as zero. Gives the
    // number of bytes the file held.
    std::size_t readZeroFilled(std::int64_t offset, std::span<std::uint8_t> bytes) const;
    // Writes every byte or throws: a short write is an error, never a success.
    void writeAt(std::int64_t offset, std::span<const std::uint8_t> bytes);
    void truncate(std::int64_t size);
    // Flushes the file's data to the disk.
    void sync();
    // Closes and reports a failure to close; the destructor closes silently.
    void close();

private:
    static GameFile openChecked(const GamePath& path, Access access, bool create);
    GameFile(GamePath place, int descriptor) : place_(std::move(place)), fd_(descriptor) {}

    GamePath place_;
    int fd_ = -1;
};

} // namespace valmor
