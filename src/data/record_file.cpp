#include "record_file.h"

#include <algorithm>
#include <cerrno>

#include "file_handle.h"

namespace valmor {

namespace {

long recordOffset(std::int32_t n, std::size_t length, const std::filesystem::path& path) {
    if (n < 1)
        throw DataError(ErrorKind::BadRecordNumber, path.filename().string());
    return static_cast<long>(n - 1) * static_cast<long>(length);
}

} // namespace

void readRecord(const std::filesystem::path& path, std::int32_t n, std::span<std::uint8_t> record) {
    FileHandle file = openForReadingOrCreate(path);
    const long offset = recordOffset(n, record.size(), path);
    errno = 0;
    if (std::fseek(file.get(), offset, SEEK_SET) != 0)
        throw fileError(errno, path);
    const std::size_t got = std::fread(record.data(), 1, record.size(), file.get());
    if (got < record.size()) {
        if (std::ferror(file.get()))
            throw fileError(errno, path);
        std::fill(record.begin() + static_cast<std::ptrdiff_t>(got), record.end(), 0);
    }
}

void writeRecord(const std::filesystem::path& path, std::int32_t n,
                 std::span<const std::uint8_t> record) {
    FileHandle file = openOrCreate(path);
    const long offset = recordOffset(n, record.size(), path);
    errno = 0;
    if (std::fseek(file.get(), offset, SEEK_SET) != 0)
        throw fileError(errno, path);
    if (std::fwrite(record.data(), 1, record.size(), file.get()) != record.size())
        throw fileError(errno, path);
    if (std::fflush(file.get()) != 0)
        throw fileError(errno, path);
    closeChecked(std::move(file), path);
}

} // namespace valmor
