#include "record_file.h"

#include "game_file.h"

namespace valmor {

namespace {

std::int64_t recordOffset(std::int32_t n, std::size_t length, const std::filesystem::path& path) {
    if (n < 1)
        throw DataError(ErrorKind::BadRecordNumber, path.filename().string());
    return static_cast<std::int64_t>(n - 1) * static_cast<std::int64_t>(length);
}

} // namespace

void readRecord(const std::filesystem::path& path, std::int32_t n, std::span<std::uint8_t> record) {
    const GameFile file = GameFile::openOrCreate(path, GameFile::Access::Read);
    file.readZeroFilled(recordOffset(n, record.size(), path), record);
}

void writeRecord(const std::filesystem::path& path, std::int32_t n,
                 std::span<const std::uint8_t> record) {
    GameFile file = GameFile::openLocked(path, true);
    const std::int64_t offset = recordOffset(n, record.size(), path);
    const std::int64_t oldSize = file.size();
    std::vector<std::uint8_t> old(record.size());
    old.resize(file.readAt(offset, old));
    try {
        file.writeAt(offset, record);
        file.sync();
    } catch (const DataError&) {
        // A write that failed halfway (a full disk) is taken back: the old bytes go back
        // and what it added past the end goes.
        try {
            file.writeAt(offset, old);
            if (file.size() > oldSize)
                file.truncate(oldSize);
        } catch (const DataError&) {
        }
        throw;
    }
    file.close();
}

void requireAddressableRecords(const GamePath& path, std::int64_t size, std::size_t recordBytes) {
    if (recordCount(static_cast<std::size_t>(size), recordBytes) > kMaxRecords)
        throw DataError(ErrorKind::FileTooLarge,
                        path.filename().string() + " (" + std::to_string(size) +
                            " bytes: more than the " + std::to_string(kMaxRecords) +
                            " records a record file can address)");
}

std::string readRecordFileBytes(const GamePath& path, std::size_t recordBytes) {
    const GameFile file = GameFile::open(path, GameFile::Access::Read);
    const std::int64_t size = file.size();
    requireAddressableRecords(path, size, recordBytes);
    std::string bytes(static_cast<std::size_t>(size), '\0');
    const std::size_t got =
        file.readAt(0, std::span(reinterpret_cast<std::uint8_t*>(bytes.data()), bytes.size()));
    // A file that shrank since its size was taken is read as it is now.
    bytes.resize(got);
    return bytes;
}

std::size_t recordCount(std::size_t fileBytes, std::size_t recordBytes) {
    return (fileBytes + recordBytes - 1) / recordBytes;
}

} // namespace valmor
