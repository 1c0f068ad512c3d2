// Byte-addressed reading of a binary file, such as the sprite file.
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>

#include "file_handle.h"

namespace valmor {

class ByteFile {
public:
    // Opens the file for reading; a missing file is created empty.
    explicit ByteFile(std::filesystem::path path);

    std::int64_t length() const;

    // Fills `bytes` from the 1-based `position` on. Bytes past the end of the file
    // read as zero. A position below 1 raises BadRecordNumber before anything is read.
    void read(std::int64_t position, std::span<std::uint8_t> bytes) const;

    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
    FileHandle file_;
};

} // namespace valmor
