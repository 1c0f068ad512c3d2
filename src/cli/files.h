// The files the tool reads and writes besides the game files it changes: inputs the user
// names (a table, an image) are read within a bound, and outputs (a table, images) are
// written anew and renamed into place.
#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>

namespace valmor::cli {

// More than any table or sprite image the tool reads; a larger input is refused.
inline constexpr std::size_t kInputLimit = 64 * 1024 * 1024;

// Throws CliError naming the file and the system's reason, or the bound.
std::string readWholeFile(const std::filesystem::path& path, std::size_t limit = kInputLimit);

// Writes `bytes` as a new file at `path` and renames it into place: a link or special file
// already there is replaced, never written through; a directory there is refused. Throws
// CliError; the old file is then unchanged and no temporary file is left behind.
void writeOutputFile(const std::filesystem::path& path, std::string_view bytes);

} // namespace valmor::cli
