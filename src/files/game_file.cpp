#include "files/game_file.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>
#include <thread>
#include <utility>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace valmor {

namespace {

std::string describeFile(const std::filesystem::path& path, const char* reason) {
    return path.filename().string() + " (" + reason + ")";
}

// What a file of another type is called in a message.
const char* typeName(mode_t mode) {
    if (S_ISFIFO(mode))
        return "a named pipe, not a regular file";
    if (S_ISSOCK(mode))
        return "a socket, not a regular file";
    if (S_ISCHR(mode))
        return "a character device, not a regular file";
    if (S_ISBLK(mode))
        return "a block device, not a regular file";
    return "not a regular file";
}

// Refuses what is not a regular file, before anything is opened or read.
void requireRegular(const std::filesystem::path& path, const struct stat& status) {
    if (S_ISDIR(status.st_mode))
        throw fileError(EISDIR, path);
    if (!S_ISREG(status.st_mode))
        throw DataError(ErrorKind::NotARegularFile, describeFile(path, typeName(status.st_mode)));
}

FileIdentity identityFrom(const struct stat& status) {
    return {static_cast<std::uint64_t>(status.st_dev), static_cast<std::uint64_t>(status.st_ino),
            static_cast<std::int64_t>(status.st_size),
            static_cast<std::int64_t>(status.st_mtim.tv_sec) * 1'000'000'000 +
                status.st_mtim.tv_nsec};
}

} // namespace

DataError fileError(int errorNumber, const std::filesystem::path& path) {
    std::string subject = path.filename().string();
    // The system's words, but for a folder, which its kind names already, a loop, which
    // users misread as a missing file, and a path through a file, whose last name is not
    // the one at fault.
    if (errorNumber != 0 && errorNumber != EISDIR) {
        subject += " (";
        subject += errorNumber == ELOOP     ? "too many levels of symbolic links"
                   : errorNumber == ENOTDIR ? "a part of its path is not a folder"
                                            : std::strerror(errorNumber);
        subject += ")";
    }
    switch (errorNumber) {
    case ENOENT:
        return DataError(ErrorKind::FileNotFound, subject);
    case EACCES:
    case EPERM:
    case EROFS:
        return DataError(ErrorKind::PermissionDenied, subject);
    case EISDIR:
        return DataError(ErrorKind::IsAFolder, subject);
    case ENOTDIR:
        return DataError(ErrorKind::NotAFolder, subject);
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
        return DataError(ErrorKind::DiskFull, subject);
    case ENXIO:
        return DataError(ErrorKind::NotARegularFile, subject);
    case ELOOP:
    case ENAMETOOLONG:
        return DataError(ErrorKind::BadFileName, subject);
    default:
        return DataError(ErrorKind::DeviceIO, subject);
    }
}

struct GameDirectory::Handle {
    explicit Handle(int descriptor) : fd(descriptor) {}
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    ~Handle() { ::close(fd); }
    int fd;
};

namespace {

// Opens the folder `name` relative to `at` (the last link followed).
int openFolder(int at, const std::filesystem::path& name, const std::filesystem::path& given) {
    // "maps/" is "maps" to fstatat and in messages.
    const auto bare = [](const std::filesystem::path& path) {
        return path.has_filename() ? path : path.parent_path();
    };
    const std::filesystem::path shownAs = bare(given);
    const int fd = ::openat(at, name.empty() ? "." : name.c_str(),
                            O_RDONLY | O_DIRECTORY | O_NOCTTY | O_CLOEXEC);
    if (fd >= 0)
        return fd;
    const int openError = errno;
    // The name itself is a file, or the like: say so without the words for a path through one.
    struct stat status {};
    if (openError == ENOTDIR && !name.empty() &&
        ::fstatat(at, bare(name).c_str(), &status, 0) == 0 && !S_ISDIR(status.st_mode))
        throw DataError(ErrorKind::NotAFolder, shownAs.filename().string());
    throw fileError(openError, shownAs);
}

} // namespace

GameDirectory GameDirectory::open(const std::filesystem::path& path) {
    GameDirectory directory;
    directory.handle_ = std::make_shared<const Handle>(openFolder(AT_FDCWD, path, path));
    directory.shownAs_ = path;
    return directory;
}

int openPathByNames(const std::filesystem::path& path) {
    int at = ::open(path.is_absolute() ? "/" : ".", O_PATH | O_DIRECTORY | O_CLOEXEC);
    for (const std::filesystem::path& name : path.relative_path()) {
        if (at < 0)
            break;
        // A trailing slash leaves an empty name: the folder itself.
        const int next = ::openat(at, name.empty() ? "." : name.c_str(), O_PATH | O_CLOEXEC);
        const int error = errno;
        ::close(at);
        errno = error;
        at = next;
    }
    return at;
}

GameDirectory GameDirectory::openByNames(const std::filesystem::path& path) {
    const int at = openPathByNames(path);
    if (at < 0)
        throw fileError(errno, path);
    GameDirectory directory;
    directory.handle_ = std::make_shared<const Handle>(at);
    directory.shownAs_ = path;
    // O_PATH opens a file as readily as a folder: make sure of what was opened.
    struct stat status {};
    if (::fstat(at, &status) != 0)
        throw fileError(errno, path);
    if (!S_ISDIR(status.st_mode))
        throw DataError(ErrorKind::NotAFolder, path.filename().string());
    return directory;
}

GamePath GameDirectory::file(const std::filesystem::path& name) const {
    return GamePath(*this, name, shownAs_.empty() ? name : shownAs_ / name);
}

int GameDirectory::fd() const {
    return handle_ ? handle_->fd : AT_FDCWD;
}

GamePath GamePath::sibling(const std::filesystem::path& name) const {
    return GamePath(directory_, name_.parent_path() / name, shown_.parent_path() / name);
}

GamePath resolveLinks(const GamePath& path) {
    constexpr int kMaxLinks = 40;
    GamePath at = path;
    for (int links = 0;; ++links) {
        struct stat status {};
        if (::fstatat(at.directoryFd(), at.name().c_str(), &status, AT_SYMLINK_NOFOLLOW) != 0) {
            if (errno == ENOENT)
                break;
            throw fileError(errno, path.shown());
        }
        if (!S_ISLNK(status.st_mode))
            break;
        if (links == kMaxLinks)
            throw fileError(ELOOP, path.shown());
        std::string target(static_cast<std::size_t>(status.st_size) + 1, '\0');
        for (;;) {
            const ssize_t got =
                ::readlinkat(at.directoryFd(), at.name().c_str(), target.data(), target.size());
            if (got < 0)
                throw fileError(errno, path.shown());
            if (static_cast<std::size_t>(got) < target.size()) {
                target.resize(static_cast<std::size_t>(got));
                break;
            }
            target.resize(target.size() * 2);
        }
        // A relative target is relative to the link's own folder.
        at = at.sibling(target);
    }
    if (!at.name().has_parent_path())
        return at;
    GameDirectory folder;
    folder.handle_ = std::make_shared<const GameDirectory::Handle>(
        openFolder(at.directoryFd(), at.name().parent_path(), at.shown().parent_path()));
    folder.shownAs_ = at.shown().parent_path();
    return folder.file(at.name().filename());
}

PathKind pathKind(const GamePath& path) {
    struct stat status {};
    if (::fstatat(path.directoryFd(), path.name().c_str(), &status, AT_SYMLINK_NOFOLLOW) != 0) {
        if (errno == ENOENT)
            return PathKind::Missing;
        throw fileError(errno, path.shown());
    }
    return S_ISLNK(status.st_mode)   ? PathKind::Link
           : S_ISREG(status.st_mode) ? PathKind::Regular
           : S_ISDIR(status.st_mode) ? PathKind::Directory
                                     : PathKind::Other;
}

void writeAll(int fd, std::string_view bytes, const std::filesystem::path& shownAs) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t put = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0)
            throw fileError(put < 0 ? errno : ENOSPC, shownAs);
        done += static_cast<std::size_t>(put);
    }
}

FileIdentity identityOf(const GamePath& path) {
    struct stat status {};
    if (::fstatat(path.directoryFd(), path.name().c_str(), &status, 0) != 0)
        throw fileError(errno, path.shown());
    return identityFrom(status);
}

GameFile GameFile::open(const GamePath& path, Access access) {
    return openChecked(path, access, false);
}

GameFile GameFile::openOrCreate(const GamePath& path, Access access) {
    return openChecked(path, access, true);
}

GameFile GameFile::openChecked(const GamePath& path, Access access, bool create) {
    // Look at the type first, so that a device is never opened at all. The path may name
    // something else by the time it is opened, so open without blocking (a pipe would wait
    // for a writer), look again at what was opened, and only then switch blocking back on.
    const std::filesystem::path& shown = path.shown();
    struct stat status {};
    if (::fstatat(path.directoryFd(), path.name().c_str(), &status, 0) == 0)
        requireRegular(shown, status);
    else if (errno != ENOENT || !create)
        throw fileError(errno, shown);
    const int mode = (access == Access::Read ? O_RDONLY : O_RDWR) | (create ? O_CREAT : 0);
    const int fd = ::openat(path.directoryFd(), path.name().c_str(),
                            mode | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0666);
    if (fd < 0)
        throw fileError(errno, shown);
    GameFile file(path, fd);
    if (::fstat(fd, &status) != 0)
        throw fileError(errno, shown);
    requireRegular(shown, status);
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0)
        throw fileError(errno, shown);
    return file;
}

GameFile GameFile::openLocked(const GamePath& path, bool create, std::chrono::milliseconds wait) {
    const auto deadline = std::chrono::steady_clock::now() + wait;
    const auto busy = [&] {
        return DataError(ErrorKind::FileBusy,
                         describeFile(path.shown(),
                                      "another program is changing it; try again when it "
                                      "has finished"));
    };
    for (;;) {
        GameFile file =
            create ? openOrCreate(path, Access::ReadWrite) : open(path, Access::ReadWrite);
        while (::flock(file.fd_, LOCK_EX | LOCK_NB) != 0) {
            if (errno == EINTR)
                continue;
            if (errno != EWOULDBLOCK)
                throw fileError(errno, path.shown());
            if (std::chrono::steady_clock::now() >= deadline)
                throw busy();
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        struct stat now {};
        if (::fstatat(path.directoryFd(), path.name().c_str(), &now, 0) == 0 &&
            file.identity().sameFile(identityFrom(now)))
            return file;
        // Replaced or removed while we waited: lock whatever the path names now.
        if (std::chrono::steady_clock::now() >= deadline)
            throw busy();
    }
}

GameFile::GameFile(GameFile&& other) noexcept
    : place_(std::move(other.place_)), fd_(std::exchange(other.fd_, -1)) {}

GameFile& GameFile::operator=(GameFile&& other) noexcept {
    if (this != &other) {
        if (fd_ >= 0)
            ::close(fd_);
        place_ = std::move(other.place_);
        fd_ = std::exchange(other.fd_, -1);
    }
    return *this;
}

GameFile::~GameFile() {
    if (fd_ >= 0)
        ::close(fd_);
}

FileIdentity GameFile::identity() const {
    struct stat status {};
    if (::fstat(fd_, &status) != 0)
        throw fileError(errno, path());
    return identityFrom(status);
}

std::int64_t GameFile::bornNanoseconds() const {
    struct statx status {};
    if (::statx(fd_, "", AT_EMPTY_PATH, STATX_BTIME, &status) != 0)
        throw fileError(errno, path());
    if (!(status.stx_mask & STATX_BTIME))
        return 0;
    return std::int64_t{status.stx_btime.tv_sec} * 1'000'000'000 + status.stx_btime.tv_nsec;
}

std::int64_t GameFile::size() const {
    return identity().size;
}

std::uint32_t GameFile::owner() const {
    struct stat status {};
    if (::fstat(fd_, &status) != 0)
        throw fileError(errno, path());
    return status.st_uid;
}

bool GameFile::lockedByWriter() const {
    // A shared lock is refused only while someone holds the exclusive one; taken, it is
    // given back at once.
    while (::flock(fd_, LOCK_SH | LOCK_NB) != 0) {
        if (errno == EWOULDBLOCK)
            return true;
        if (errno != EINTR)
            throw fileError(errno, path());
    }
    ::flock(fd_, LOCK_UN);
    return false;
}

std::size_t GameFile::readAt(std::int64_t offset, std::span<std::uint8_t> bytes) const {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t got = ::pread(fd_, bytes.data() + done, bytes.size() - done,
                                    static_cast<off_t>(offset + static_cast<std::int64_t>(done)));
        if (got < 0) {
            if (errno == EINTR)
                continue;
            throw fileError(errno, path());
        }
        if (got == 0)
            break;
        done += static_cast<std::size_t>(got);
    }
    return done;
}

std::string GameFile::readAll(std::size_t limit, std::string_view why) const {
    const std::int64_t bytesNow = size();
    if (bytesNow > static_cast<std::int64_t>(limit))
        throw DataError(ErrorKind::FileTooLarge, place_.filename().string() + " (" +
                                                     std::to_string(bytesNow) + " bytes" +
                                                     std::string(why) + ")");
    std::string bytes(static_cast<std::size_t>(bytesNow), '\0');
    // A file that shrank since its size was taken is read as it is now; one that grew is
    // read as far as its size was, so the bound holds.
    bytes.resize(readAt(0, std::span(reinterpret_cast<std::uint8_t*>(bytes.data()), bytes.size())));
    return bytes;
}

std::size_t GameFile::readZeroFilled(std::int64_t offset, std::span<std::uint8_t> bytes) const {
    const std::size_t got = readAt(offset, bytes);
    std::fill(bytes.begin() + static_cast<std::ptrdiff_t>(got), bytes.end(), 0);
    return got;
}

void GameFile::writeAt(std::int64_t offset, std::span<const std::uint8_t> bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t put = ::pwrite(fd_, bytes.data() + done, bytes.size() - done,
                                     static_cast<off_t>(offset + static_cast<std::int64_t>(done)));
        if (put < 0) {
            if (errno == EINTR)
                continue;
            throw fileError(errno, path());
        }
        if (put == 0)
            throw fileError(ENOSPC, path());
        done += static_cast<std::size_t>(put);
    }
}

void GameFile::truncate(std::int64_t size) {
    if (::ftruncate(fd_, static_cast<off_t>(size)) != 0)
        throw fileError(errno, path());
}

void GameFile::sync() {
    if (::fsync(fd_) != 0)
        throw fileError(errno, path());
}

void GameFile::close() {
    const int fd = std::exchange(fd_, -1);
    if (fd >= 0 && ::close(fd) != 0)
        throw fileError(errno, path());
}

} // namespace valmor
