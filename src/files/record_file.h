// Fixed-length record access: record n (from 1) starts at byte (n - 1) x length.
// Each call opens the file, moves one record and closes it again.
#pragma once

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "files/game_file.h"

namespace valmor {

// Record numbers are signed 16-bit, so no record file is read whole, or built from a table,
// beyond this many records.
inline constexpr std::size_t kMaxRecords = 32767;

// Reads record n into `record` (its size is the record length). Bytes past the end of
// the file read as zero. A missing file is created empty; a record number below 1
// raises BadRecordNumber before any byte moves. A file that exists but cannot be
// written is still read.
void readRecord(const GamePath& path, std::int32_t n, std::span<std::uint8_t> record);

// Writes `record` as record n, under the lock that every change of a game file holds, and
// flushes it to the disk. Writing past the end grows the file, and the skipped bytes are
// zero. A failed or short write (no permission, a full disk, another writer that does not
// finish in time) throws.
void writeRecord(const GamePath& path, std::int32_t n, std::span<const std::uint8_t> record);

// A record as it was read: its bytes, those past the end of the file as zero, and how many
// of them the file held.
struct RecordSnapshot {
    std::vector<std::uint8_t> bytes;
    std::size_t stored = 0;
};

// Reads record n of `length` bytes as readRecord does, keeping how much of it the file held.
RecordSnapshot readRecordSnapshot(const GamePath& path, std::int32_t n, std::size_t length);

// How the user knows a record of a file, for messages: as "monster 9 \"Ogre\"" or "map 12",
// and record n of the file as `noun` n - 1 + numberOfFirst ("monster" from 0, "map" from 1).
struct RecordName {
    std::string what;
    std::string_view noun;
    std::int32_t numberOfFirst;
};

// Writes record n as writeRecord does, but only if nobody changed it since it was read as
// `expected`: under the lock the record is read again, and when its bytes differ or the file
// now holds less of it (a file that is gone holds none), nothing is written, `expected`
// becomes the record as it is now, so that a second call overwrites it, and RecordChanged
// names the record, says whether the file was changed, cut short or removed, and what the
// second call writes: for a record past the file's end, the records between fill with zeros.
// Once written, `expected` is the record as written.
void writeRecord(const GamePath& path, std::int32_t n, std::span<const std::uint8_t> record,
                 RecordSnapshot& expected, const RecordName& name);

// Throws FileTooLarge when a record file of `size` bytes holds more than kMaxRecords
// records, before any of it is read.
void requireAddressableRecords(const GamePath& path, std::int64_t size, std::size_t recordBytes);

// Every byte of an existing record file, read whole. A file of more than kMaxRecords
// records raises FileTooLarge before any byte is read.
std::string readRecordFileBytes(const GamePath& path, std::size_t recordBytes);

// The records of `fileBytes`, a partial last record included.
std::size_t recordCount(std::size_t fileBytes, std::size_t recordBytes);

// Calls `each(recordBytes)` for every record of `fileBytes`; a partial last record is
// handed over with its missing bytes as zero, as the editor reads it.
template <typename Each>
void forEachRecord(std::string_view fileBytes, std::size_t recordBytes, Each&& each) {
    std::vector<std::uint8_t> record(recordBytes);
    for (std::size_t at = 0; at < fileBytes.size(); at += recordBytes) {
        const std::string_view stored = fileBytes.substr(at, recordBytes);
        std::fill(std::copy(stored.begin(), stored.end(), record.begin()), record.end(), 0);
        each(std::span<const std::uint8_t>(record));
    }
}

} // namespace valmor
