#include "byte_file.h"

#include <algorithm>
#include <cerrno>

namespace valmor {

namespace {

FileHandle openForReading(const std::filesystem::path& path) {
    FileHandle file = openForReadingOrCreate(path);
    // A directory opens for reading on POSIX systems; only its reads would fail.
    std::error_code ignored;
    if (std::filesystem::is_directory(path, ignored))
        throw fileError(EISDIR, path);
    // Unbuffered: every read goes to the file, so a change made by another program shows
    // at the next read even through the same open file.
    std::setvbuf(file.get(), nullptr, _IONBF, 0);
    return file;
}

} // namespace

ByteFile::ByteFile(std::filesystem::path path)
    : path_(std::move(path)), file_(openForReading(path_)) {}

std::int64_t ByteFile::length() const {
    errno = 0;
    if (std::fseek(file_.get(), 0, SEEK_END) != 0)
        throw fileError(errno, path_);
    const long end = std::ftell(file_.get());
    if (end < 0)
        throw fileError(errno, path_);
    return end;
}

void ByteFile::read(std::int64_t position, std::span<std::uint8_t> bytes) const {
    if (position < 1)
        throw DataError(ErrorKind::BadRecordNumber, path_.filename().string());
    errno = 0;
    if (std::fseek(file_.get(), static_cast<long>(position - 1), SEEK_SET) != 0)
        throw fileError(errno, path_);
    const std::size_t got = std::fread(bytes.data(), 1, bytes.size(), file_.get());
    if (got < bytes.size()) {
        if (std::ferror(file_.get()))
            throw fileError(errno, path_);
        std::fill(bytes.begin() + static_cast<std::ptrdiff_t>(got), bytes.end(), 0);
    }
}

} // namespace valmor
