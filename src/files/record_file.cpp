#include "files/record_file.h"

#include <optional>

#include "files/game_file.h"

namespace valmor {

namespace {

std::int64_t recordOffset(std::int32_t n, std::size_t length, const GamePath& path) {
    if (n < 1)
        throw DataError(ErrorKind::BadRecordNumber, path.filename().string());
    return static_cast<std::int64_t>(n - 1) * static_cast<std::int64_t>(length);
}

RecordSnapshot snapshotAt(const GameFile& file, std::int64_t offset, std::size_t length) {
    RecordSnapshot snapshot{std::vector<std::uint8_t>(length), 0};
    snapshot.stored = file.readAt(offset, snapshot.bytes);
    return snapshot;
}

// Writes `record` at `offset` of the locked file, whose bytes there are `old`, and closes it.
void writeLocked(GameFile& file, std::int64_t offset, std::span<const std::uint8_t> record,
                 const RecordSnapshot& old) {
    const std::int64_t oldSize = file.size();
    try {
        file.writeAt(offset, record);
        file.sync();
    } catch (const DataError&) {
        // A write that failed halfway (a full disk) is taken back: the old bytes go back
        // and what it added past the end goes.
        try {
            file.writeAt(offset, std::span(old.bytes).first(old.stored));
            if (file.size() > oldSize)
                file.truncate(oldSize);
        } catch (const DataError&) {
        }
        throw;
    }
    file.close();
}

} // namespace

void readRecord(const GamePath& path, std::int32_t n, std::span<std::uint8_t> record) {
    const GameFile file = GameFile::openOrCreate(path, GameFile::Access::Read);
    file.readZeroFilled(recordOffset(n, record.size(), path), record);
}

RecordSnapshot readRecordSnapshot(const GamePath& path, std::int32_t n, std::size_t length) {
    const GameFile file = GameFile::openOrCreate(path, GameFile::Access::Read);
    return snapshotAt(file, recordOffset(n, length, path), length);
}

void writeRecord(const GamePath& path, std::int32_t n, std::span<const std::uint8_t> record) {
    GameFile file = GameFile::openLocked(path, true);
    const std::int64_t offset = recordOffset(n, record.size(), path);
    writeLocked(file, offset, record, snapshotAt(file, offset, record.size()));
}

namespace {

// What a Save over a changed record says, and what pressing Save again would write: the
// file holds `now` of record n and `fileBytes` bytes in all (none when `removed`).
std::string conflictSubject(const GamePath& path, std::int32_t n, std::size_t recordBytes,
                            const RecordName& name, const RecordSnapshot& expected,
                            const RecordSnapshot& now, std::int64_t fileBytes, bool removed) {
    std::string subject = name.what + " in " + path.filename().string();
    if (now.stored >= expected.stored)
        return subject + " (changed by another program since it was read; pressing Save "
                         "again overwrites it)";
    subject += removed ? " (the file has been removed since it was read; pressing Save again "
                         "creates it anew with this record"
                       : " (the file has been cut short since it was read; pressing Save again "
                         "writes it anyway";
    // The records wholly past the file's end before record n: the write fills them with
    // zeros.
    const auto firstZeroed = static_cast<std::int32_t>(
        recordCount(static_cast<std::size_t>(fileBytes), recordBytes) + 1);
    const std::int32_t lastZeroed = n - 1;
    if (firstZeroed <= lastZeroed) {
        const auto number = [&](std::int32_t record) {
            return std::to_string(record - 1 + name.numberOfFirst);
        };
        subject +=
            ", and " + std::string(name.noun) +
            (firstZeroed == lastZeroed ? " " + number(firstZeroed)
                                       : "s " + number(firstZeroed) + " to " + number(lastZeroed)) +
            " before it as all zeros";
    }
    return subject + ")";
}

} // namespace

void writeRecord(const GamePath& path, std::int32_t n, std::span<const std::uint8_t> record,
                 RecordSnapshot& expected, const RecordName& name) {
    // A file is made anew only for a record it did not hold when read: one that is gone
    // since is a change like any other.
    const bool create = expected.stored == 0;
    std::optional<GameFile> file;
    try {
        file.emplace(GameFile::openLocked(path, create));
    } catch (const DataError& error) {
        if (create || error.kind() != ErrorKind::FileNotFound)
            throw;
    }
    const std::int64_t offset = recordOffset(n, record.size(), path);
    RecordSnapshot now = file ? snapshotAt(*file, offset, record.size())
                              : RecordSnapshot{std::vector<std::uint8_t>(record.size()), 0};
    if (now.bytes != expected.bytes || now.stored < expected.stored) {
        const std::string subject = conflictSubject(path, n, record.size(), name, expected, now,
                                                    file ? file->size() : 0, !file);
        expected = std::move(now);
        throw DataError(ErrorKind::RecordChanged, subject);
    }
    writeLocked(*file, offset, record, now);
    expected = {std::vector<std::uint8_t>(record.begin(), record.end()), record.size()};
}

namespace {

std::string beyondAddressableRecords() {
    return ": more than the " + std::to_string(kMaxRecords) + " records a record file can address";
}

} // namespace

void requireAddressableRecords(const GamePath& path, std::int64_t size, std::size_t recordBytes) {
    if (recordCount(static_cast<std::size_t>(size), recordBytes) > kMaxRecords)
        throw DataError(ErrorKind::FileTooLarge, path.filename().string() + " (" +
                                                     std::to_string(size) + " bytes" +
                                                     beyondAddressableRecords() + ")");
}

std::string readRecordFileBytes(const GamePath& path, std::size_t recordBytes) {
    return GameFile::open(path, GameFile::Access::Read)
        .readAll(kMaxRecords * recordBytes, beyondAddressableRecords());
}

std::size_t recordCount(std::size_t fileBytes, std::size_t recordBytes) {
    return (fileBytes + recordBytes - 1) / recordBytes;
}

} // namespace valmor
