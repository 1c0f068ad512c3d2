#include "output_file.h"

#include <atomic>
#include <cerrno>
#include <cstring>
#include <mutex>
#include <set>
#include <string>
#include <utility>

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace valmor {

namespace {

constexpr std::string_view kTemporaryMark = ".valmor-";

// ".NAME.valmor-PID-N": the process that wrote it, or 0 for any other name.
pid_t writerOf(std::string_view name) {
    if (name.size() < 2 || name.front() != '.')
        return 0;
    const std::size_t mark = name.rfind(kTemporaryMark);
    if (mark == std::string_view::npos || mark < 2)
        return 0;
    const std::string_view rest = name.substr(mark + kTemporaryMark.size());
    const std::size_t dash = rest.find('-');
    if (dash == 0 || dash == std::string_view::npos || dash + 1 == rest.size())
        return 0;
    const auto digits = [](std::string_view text) {
        return text.find_first_not_of("0123456789") == std::string_view::npos;
    };
    if (!digits(rest.substr(0, dash)) || !digits(rest.substr(dash + 1)) || dash > 9)
        return 0;
    return static_cast<pid_t>(std::stol(std::string(rest.substr(0, dash))));
}

// Whether a chain of links leads through /proc, where /dev/stdout and /dev/fd/N end: the
// name then stands for a descriptor a program holds, not for a place to put a file.
bool linksThroughProc(const std::filesystem::path& path) {
    std::filesystem::path at = path;
    for (int links = 0; links < 40; ++links) {
        char target[4096];
        const ssize_t got = ::readlink(at.c_str(), target, sizeof target);
        if (got <= 0 || static_cast<std::size_t>(got) == sizeof target)
            return false;
        const std::filesystem::path next(std::string(target, static_cast<std::size_t>(got)));
        if (next.string().starts_with("/proc/"))
            return true;
        at = next.is_absolute() ? next : at.parent_path() / next;
    }
    return false;
}

int connectSocket(const std::filesystem::path& path) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.native().size() >= sizeof address.sun_path) {
        errno = ENAMETOOLONG;
        return -1;
    }
    std::memcpy(address.sun_path, path.c_str(), path.native().size());
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return -1;
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        const int error = errno;
        ::close(fd);
        errno = error;
        return -1;
    }
    return fd;
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
        const pid_t writer = writerOf(entry->d_name);
        if (writer > 0 && writer != ::getpid() && ::kill(writer, 0) != 0 && errno == ESRCH)
            ::unlinkat(at, entry->d_name, 0);
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
                         S_ISSOCK(status.st_mode) || linksThroughProc(path));
    if (stream_) {
        fd_ = S_ISSOCK(status.st_mode)
                  ? connectSocket(path)
                  : ::open(path.c_str(), O_WRONLY | O_APPEND | O_NOCTTY | O_CLOEXEC);
        if (fd_ < 0)
            throw fileError(errno, path);
        return;
    }
    const std::filesystem::path folder = path.parent_path();
    removeKilledOutputs(folder);
    guard_.emplace();
    static std::atomic<unsigned> counter{0};
    do {
        temporary_ = folder / ("." + path.filename().string() + std::string(kTemporaryMark) +
                               std::to_string(::getpid()) + "-" + std::to_string(counter++));
        fd_ = ::open(temporary_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    } while (fd_ < 0 && errno == EEXIST);
    if (fd_ < 0) {
        temporary_.clear();
        throw fileError(errno, path);
    }
}

OutputFile::~OutputFile() {
    if (fd_ >= 0)
        ::close(fd_);
    if (!temporary_.empty() && !committed_)
        ::unlink(temporary_.c_str());
}

FileIdentity OutputFile::identity() const {
    struct stat status {};
    if (::fstat(fd_, &status) != 0)
        throw fileError(errno, path_);
    return {static_cast<std::uint64_t>(status.st_dev), static_cast<std::uint64_t>(status.st_ino)};
}

void OutputFile::write(std::string_view bytes) {
    throwIfInterrupted();
    writeAll(fd_, bytes, path_);
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
}

} // namespace valmor
