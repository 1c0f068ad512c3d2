// Fixed-length record access: record n (from 1) starts at byte (n - 1) x length.
// Each call opens the file, moves one record and closes it again.
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>

namespace valmor {

// Reads record n into `record` (its size is the record length). Bytes past the end of
// the file read as zero. A missing file is created empty; a record number below 1
// raises BadRecordNumber before any byte moves. A file that exists but cannot be
// written is still read.
void readRecord(const std::filesystem::path& path, std::int32_t n, std::span<std::uint8_t> record);

// Writes `record` as record n. Writing past the end grows the file, and the skipped
// bytes are zero. A failed or short write (no permission, a full disk) throws.
void writeRecord(const std::filesystem::path& path, std::int32_t n,
                 std::span<const std::uint8_t> record);

} // namespace valmor
