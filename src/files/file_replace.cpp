#include "files/file_replace.h"

#include <cerrno>
#include <string>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace valmor {

namespace {

// A file descriptor that is closed, and its file removed, unless the work succeeded.
class TemporaryFile {
public:
    TemporaryFile(GamePath place, int fd) : place_(std::move(place)), fd_(fd) {}
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;
    ~TemporaryFile() {
        if (fd_ >= 0)
            ::close(fd_);
        if (!kept_)
            ::unlinkat(place_.directoryFd(), place_.name().c_str(), 0);
    }

    void write(std::string_view bytes, const std::filesystem::path& shownAs) {
        writeAll(fd_, bytes, shownAs);
    }

    void close(const std::filesystem::path& shownAs) {
        if (::close(std::exchange(fd_, -1)) != 0)
            throw fileError(errno, shownAs);
    }

    // Renames the file over `target`, in the same folder; from then on it is no longer
    // removed.
    void renameOver(const GamePath& target) {
        if (::renameat(place_.directoryFd(), place_.name().c_str(), target.directoryFd(),
                       target.name().c_str()) != 0)
            throw fileError(errno, target.shown());
        kept_ = true;
    }

private:
    GamePath place_;
    int fd_;
    bool kept_ = false;
};

// Flushes a rename to the disk: it lives in the folder.
void syncFolder(const GameDirectory& folder) {
    const int fd = ::openat(folder.fd(), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    // Some file systems cannot sync a folder and say so; the rename itself has happened.
    ::fsync(fd);
    ::close(fd);
}

} // namespace

GamePath replacementPath(const GamePath& target) {
    const GamePath real = resolveLinks(target);
    return real.sibling(real.filename().string() + ".valmor-new");
}

void replaceLockedFile(const GameFile& locked, const FileIdentity& lockedAs,
                       std::string_view bytes) {
    const std::filesystem::path& shownAs = locked.path();
    // Short names relative to the real file's folder: a link keeps pointing where it did,
    // and a deep folder never makes a name too long.
    const GamePath target = resolveLinks(locked.place());
    const GamePath temporaryPath = target.sibling(target.filename().string() + ".valmor-new");
    // Only the holder of the lock writes this file, so one found here was left by a replace
    // that was interrupted.
    if (::unlinkat(temporaryPath.directoryFd(), temporaryPath.name().c_str(), 0) != 0 &&
        errno != ENOENT)
        throw fileError(errno, temporaryPath.shown());
    const int fd = ::openat(temporaryPath.directoryFd(), temporaryPath.name().c_str(),
                            O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0)
        throw fileError(errno, temporaryPath.shown());
    TemporaryFile temporary(temporaryPath, fd);
    temporary.write(bytes, shownAs);

    struct stat fresh {};
    if (::fstat(fd, &fresh) != 0)
        throw fileError(errno, shownAs);
    struct stat wanted {};
    if (::fstatat(target.directoryFd(), target.name().c_str(), &wanted, 0) != 0)
        throw fileError(errno, shownAs);
    // Owner and group first: changing them may clear the set-id bits of the mode.
    if ((fresh.st_uid != wanted.st_uid || fresh.st_gid != wanted.st_gid) &&
        ::fchown(fd, wanted.st_uid, wanted.st_gid) != 0)
        throw DataError(ErrorKind::PermissionDenied,
                        shownAs.filename().string() +
                            " (its owner and group could not be kept; nothing was changed)");
    if (::fchmod(fd, wanted.st_mode & 07777) != 0)
        throw fileError(errno, shownAs);
    if (::fsync(fd) != 0)
        throw fileError(errno, shownAs);
    temporary.close(shownAs);

    if (identityOf(locked.place()) != lockedAs)
        throw DataError(ErrorKind::FileChanged,
                        shownAs.filename().string() +
                            " (another program changed it while it was being replaced; "
                            "nothing was changed)");
    temporary.renameOver(target);
    syncFolder(target.directory());
}

} // namespace valmor
