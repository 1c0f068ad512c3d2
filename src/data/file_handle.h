// An open C stream that closes itself, and the mapping of the system's error
// codes onto our error kinds.
#pragma once

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

#include "error.h"

namespace valmor {

struct FileCloser {
    void operator()(std::FILE* file) const noexcept { std::fclose(file); }
};
using FileHandle = std::unique_ptr<std::FILE, FileCloser>;

// Builds the error for a failed system call on the file, from errno.
DataError fileError(int errorNumber, const std::filesystem::path& path);

// Opens an existing file for reading and writing, creating it empty when missing.
FileHandle openOrCreate(const std::filesystem::path& path);

// Opens a file for reading; a missing file is created empty first.
FileHandle openForReadingOrCreate(const std::filesystem::path& path);

// Closes the stream and checks that buffered data reached the file.
void closeChecked(FileHandle file, const std::filesystem::path& path);

} // namespace valmor
