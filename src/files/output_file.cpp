#include "files/output_file.h"

#include <atomic>
#include <cerrno>
#include <cstring>
#include <mutex>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace valmor {

namespace {

// Marks a temporary output file: ".NAME.valmor-tmp-PID-N". No user's file is taken for one by
// its name alone: the sweep also proves the file is the sweeping user's own and unlocked.
constexpr std::string_view kTemporaryMark = ".valmor-tmp-";
// How long a stream output waits at a time for a reader or for room, before it looks
// whether a signal asked it to stop.
constexpr int kStreamWaitMilliseconds = 50;
// Names tried for a new file before giving up: each try lost to a file of that name, or to a
// sweep that removed the file as it was made.
constexpr int kMostNameTries = 100;

// ".NAME.valmor-tmp-PID-N", the name of a temporary output file.
bool isTemporaryName(std::string_view name) {
    if (name.size() < 2 || name.front() != '.')
        return false;
    const std::size_t mark = name.rfind(kTemporaryMark);
    if (mark == std::string_view::npos || mark < 2)
        return false;
    const std::string_view rest = name.substr(mark + kTemporaryMark.size());
    const std::size_t dash = rest.find('-');
    if (dash == 0 || dash == std::string_view::npos || dash + 1 == rest.size())
        return false;
    const auto digits = [](std::string_view text) {
        return text.find_first_not_of("0123456789") == std::string_view::npos;
    };
    return digits(rest.substr(0, dash)) && digits(rest.substr(dash + 1));
}

bool sameFile(const struct stat& one, const struct stat& other) {
    return one.st_dev == other.st_dev && one.st_ino == other.st_ino;
}

// Whether `name` in the folder `at` is still the file open as `fd`.
bool stillNamed(int at, const char* name, int fd) {
    struct stat named {};
    struct stat open {};
    return ::fstatat(at, name, &named, AT_SYMLINK_NOFOLLOW) == 0 && ::fstat(fd, &open) == 0 &&
           sameFile(named, open);
}

// The writer of a temporary file holds this lock on it from before its first byte until the
// file is renamed into place or removed, and the system lets go of it when the writer ends,
// however it ends. It belongs to the open file, not to a process number, so it holds
// between PID namespaces (containers) on one machine; over NFS the client turns it into a
// lock on the server, which other machines see.
bool lockWithoutWaiting(int fd) {
    return ::flock(fd, LOCK_EX | LOCK_NB) == 0;
}

// Removes the temporary file `name` of the folder `at` when nobody holds its lock: only a
// run that ended before renaming it can have left it so. Removes only a file that can be
// ours (a regular file of one name, owned by the user who sweeps) and that it locked, and
// only while the name still leads to it.
void removeWhenAbandoned(int at, const char* name) {
    struct stat seen {};
    if (::fstatat(at, name, &seen, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(seen.st_mode))
        return;
    // For writing: over NFS an exclusive lock needs a file open for writing.
    const int fd = ::openat(at, name, O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return;
    struct stat opened {};
    if (::fstat(fd, &opened) == 0 && sameFile(opened, seen) && S_ISREG(opened.st_mode) &&
        opened.st_uid == ::geteuid() && opened.st_nlink == 1 && lockWithoutWaiting(fd) &&
        stillNamed(at, name, fd))
        ::unlinkat(at, name, 0);
    ::close(fd);
}

// Whether `folder`/`name` is an entry of this program's own descriptors in /proc:
// /proc/PID/fd/N or /proc/PID/task/TID/fd/N, where /proc/self and /proc/thread-self lead.
// Another program's descriptors are not ours to write into: a link to one is replaced.
bool isDescriptorEntry(const std::filesystem::path& folder, const std::filesystem::path& name) {
    const auto number = [](const std::string& text) {
        return !text.empty() && text.find_first_not_of("0123456789") == std::string::npos;
    };
    std::error_code error;
    const std::filesystem::path resolved = std::filesystem::canonical(folder, error);
    if (error || !number(name.string()))
        return false;
    // Our number as this /proc counts it, which in another PID namespace is not getpid().
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self", error);
    if (error)
        return false;
    std::vector<std::string> parts;
    for (const std::filesystem::path& part : resolved)
        parts.push_back(part.string());
    // "/", "proc", PID, "fd" or "/", "proc", PID, "task", TID, "fd".
    const bool ours = parts.size() >= 4 && parts[1] == "proc" && parts[2] == self.string();
    if (parts.size() == 4)
        return ours && parts[3] == "fd";
    return parts.size() == 6 && ours && parts[3] == "task" && number(parts[4]) && parts[5] == "fd";
}

// Whether `path` is, or leads by a chain of links to, a descriptor's entry in /proc, as
// /dev/stdout and /dev/fd/N do: the name then stands for a file a program holds open, not
// for a place to put a file. Any other link, into /proc or not (/proc/self/root/...,
// /proc/self/cwd/...), is a link like any other, and is replaced.
bool namesAnOpenDescriptor(const std::filesystem::path& path) {
    std::filesystem::path at = path;
    for (int links = 0; links < 40; ++links) {
        const std::filesystem::path folder = at.has_parent_path() ? at.parent_path() : ".";
        if (isDescriptorEntry(folder, at.filename()))
            return true;
        char target[4096];
        const ssize_t got = ::readlink(at.c_str(), target, sizeof target);
        if (got <= 0 || static_cast<std::size_t>(got) == sizeof target)
            return false;
        const std::filesystem::path next(std::string(target, static_cast<std::size_t>(got)));
        at = next.is_absolute() ? next : folder / next;
    }
    return false;
}

// Opens a character device, pipe or link to a descriptor for writing without blocking:
// a pipe with no reader is waited for in short steps, and a signal noted meanwhile stops
// the wait with DataError(Interrupted). For anything else ENXIO is the answer (a socket
// reopened through /proc), and is no reason to wait.
int openStream(const std::filesystem::path& path, bool pipe) {
    for (;;) {
        const int fd =
            ::open(path.c_str(), O_WRONLY | O_APPEND | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
        if (fd >= 0 || !((pipe && errno == ENXIO) || errno == EINTR))
            return fd;
        throwIfInterrupted();
        ::poll(nullptr, 0, kStreamWaitMilliseconds);
        throwIfInterrupted();
    }
}

int connectSocket(const std::filesystem::path& path) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.native().size() >= sizeof address.sun_path) {
        errno = ENAMETOOLONG;
        return -1;
    }
    std::memcpy(address.sun_path, path.c_str(), path.native().size());
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return -1;
    // A listener whose queue is full keeps a blocking connect waiting past every signal:
    // the connect is tried again in short steps instead, and a signal stops the wait.
    const auto fail = [fd] {
        const int error = errno;
        ::close(fd);
        errno = error;
        return -1;
    };
    for (;;) {
        if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0)
            return fd;
        if (errno != EAGAIN && errno != EINTR)
            return fail();
        try {
            throwIfInterrupted();
        } catch (...) {
            ::close(fd);
            throw;
        }
        ::poll(nullptr, 0, kStreamWaitMilliseconds);
    }
}

} // namespace

void removeKilledOutputs(const std::filesystem::path& folder) {
    static std::mutex mutex;
    static std::set<std::filesystem::path> done;
    const std::filesystem::path key = folder.empty() ? "." : folder;
    {
        const std::lock_guard lock(mutex);
        if (!done.insert(key).second)
            return;
    }
    DIR* listing = ::opendir(key.c_str());
    if (listing == nullptr)
        return;
    const int at = ::dirfd(listing);
    while (const dirent* entry = ::readdir(listing)) {
        if (isTemporaryName(entry->d_name))
            removeWhenAbandoned(at, entry->d_name);
    }
    ::closedir(listing);
}

OutputFile::OutputFile(const std::filesystem::path& path) : path_(path) {
    struct stat status {};
    const bool exists = ::stat(path.c_str(), &status) == 0;
    if (!exists && errno != ENOENT)
        throw fileError(errno, path);
    if (exists && S_ISDIR(status.st_mode))
        throw fileError(EISDIR, path);
    stream_ = exists && (S_ISCHR(status.st_mode) || S_ISFIFO(status.st_mode) ||
                         S_ISSOCK(status.st_mode) || namesAnOpenDescriptor(path));
    guard_.emplace();
    if (stream_) {
        fd_ = S_ISSOCK(status.st_mode) ? connectSocket(path)
                                       : openStream(path, S_ISFIFO(status.st_mode));
        if (fd_ < 0)
            throw fileError(errno, path);
        return;
    }
    const std::filesystem::path folder = path.parent_path();
    removeKilledOutputs(folder);
    createTemporary(folder);
}

void OutputFile::createTemporary(const std::filesystem::path& folder) {
    static std::atomic<unsigned> counter{0};
    // The output's own name, cut where the whole would pass the longest name a folder
    // takes: an output named at that limit still gets a temporary beside it.
    const std::string tail = std::string(kTemporaryMark) + std::to_string(::getpid()) + "-";
    constexpr std::size_t kLongestName = 255;
    constexpr std::size_t kCounterDigits = 10;
    const std::string ownName = path_.filename().string();
    const std::string prefix =
        "." + ownName.substr(0, kLongestName - 1 - tail.size() - kCounterDigits) + tail;
    // Another run's sweep may find the new file between its creation and its lock, lock it
    // first and remove it. So the name is looked at again once the lock is held, and a new
    // name taken when it no longer leads to the file: a run never learns at its rename that
    // its file is gone.
    for (int tries = 0; tries < kMostNameTries; ++tries) {
        const std::filesystem::path name = folder / (prefix + std::to_string(counter++));
        const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno == EEXIST)
            continue;
        if (fd < 0)
            throw fileError(errno, path_);
        const bool locked = lockWithoutWaiting(fd);
        // A file system that cannot lock at all: no sweep can lock the file either, and a
        // sweep removes nothing it has not locked.
        const bool noLocks = !locked && errno != EWOULDBLOCK;
        if ((locked || noLocks) && stillNamed(AT_FDCWD, name.c_str(), fd)) {
            // Writes go through a second descriptor of the same open file, closed before the
            // rename to learn of a write the file system held back (NFS reports it at the
            // close); the lock stays with the first until the file is in place.
            fd_ = ::fcntl(fd, F_DUPFD_CLOEXEC, 0);
            if (fd_ < 0) {
                const int error = errno;
                ::unlink(name.c_str());
                ::close(fd);
                throw fileError(error, path_);
            }
            lockFd_ = fd;
            temporary_ = name;
            return;
        }
        ::close(fd);
    }
    throw DataError(ErrorKind::DeviceIO, path_.string() + " (no free temporary name beside it: " +
                                             std::to_string(kMostNameTries) +
                                             " tries found each name taken)");
}

OutputFile::~OutputFile() {
    if (fd_ >= 0)
        ::close(fd_);
    // Still locked: no sweep has touched it.
    if (!temporary_.empty() && !committed_)
        ::unlink(temporary_.c_str());
    if (lockFd_ >= 0)
        ::close(lockFd_);
}

FileIdentity OutputFile::identity() const {
    struct stat status {};
    if (::fstat(fd_, &status) != 0)
        throw fileError(errno, path_);
    return {static_cast<std::uint64_t>(status.st_dev), static_cast<std::uint64_t>(status.st_ino)};
}

bool OutputFile::isTerminal() const {
    return stream_ && fd_ >= 0 && ::isatty(fd_) == 1;
}

void OutputFile::write(std::string_view bytes) {
    throwIfInterrupted();
    if (!stream_) {
        writeAll(fd_, bytes, path_);
        return;
    }
    // The stream is open without blocking: a reader that takes nothing is waited for in
    // short steps, between which a signal stops the write.
    while (!bytes.empty()) {
        const ssize_t put = ::write(fd_, bytes.data(), bytes.size());
        if (put > 0) {
            bytes.remove_prefix(static_cast<std::size_t>(put));
            continue;
        }
        if (put == 0 || (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR))
            throw fileError(put == 0 ? ENOSPC : errno, path_);
        throwIfInterrupted();
        pollfd room{fd_, POLLOUT, 0};
        ::poll(&room, 1, kStreamWaitMilliseconds);
        throwIfInterrupted();
    }
}

void OutputFile::commit() {
    throwIfInterrupted();
    if (stream_) {
        if (::close(std::exchange(fd_, -1)) != 0)
            throw fileError(errno, path_);
        return;
    }
    if (::close(std::exchange(fd_, -1)) != 0)
        throw fileError(errno, path_);
    if (::rename(temporary_.c_str(), path_.c_str()) != 0)
        throw fileError(errno, path_);
    committed_ = true;
    ::close(std::exchange(lockFd_, -1));
}

} // namespace valmor
