#include "file_handle.h"

#include <cerrno>
#include <cstring>

namespace valmor {

DataError fileError(int errorNumber, const std::filesystem::path& path) {
    std::string subject = path.filename().string();
    if (errorNumber != 0) {
        subject += " (";
        subject += std::strerror(errorNumber);
        subject += ")";
    }
    switch (errorNumber) {
    case ENOENT:
        return DataError(ErrorKind::FileNotFound, subject);
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
        return DataError(ErrorKind::PermissionDenied, subject);
    case ENOSPC:
    case EDQUOT:
        return DataError(ErrorKind::DiskFull, subject);
    default:
        return DataError(ErrorKind::DeviceIO, subject);
    }
}

FileHandle openOrCreate(const std::filesystem::path& path) {
    errno = 0;
    FileHandle file(std::fopen(path.c_str(), "r+b"));
    if (!file && errno == ENOENT) {
        // "w+b" would truncate a file created meanwhile by someone else; "a+" never does,
        // but appends every write. Create it, then reopen for positioned access.
        errno = 0;
        FileHandle created(std::fopen(path.c_str(), "ab"));
        if (!created)
            throw fileError(errno, path);
        closeChecked(std::move(created), path);
        errno = 0;
        file.reset(std::fopen(path.c_str(), "r+b"));
    }
    if (!file)
        throw fileError(errno, path);
    return file;
}

FileHandle openForReadingOrCreate(const std::filesystem::path& path) {
    errno = 0;
    FileHandle file(std::fopen(path.c_str(), "rb"));
    if (!file && errno == ENOENT)
        return openOrCreate(path);
    if (!file)
        throw fileError(errno, path);
    return file;
}

void closeChecked(FileHandle file, const std::filesystem::path& path) {
    errno = 0;
    if (std::fclose(file.release()) != 0)
        throw fileError(errno, path);
}

} // namespace valmor
