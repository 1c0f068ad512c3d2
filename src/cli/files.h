// Whole-file reading, and the atomic replace that every file the tool writes goes
// through: a failure at any point leaves the old file as it was.
#pragma once

#include <filesystem>
#include <istream>
#include <string>
#include <string_view>

namespace valmor::cli {

// Throws CliError naming the file and the system's reason.
std::string readWholeFile(const std::filesystem::path& path);
std::string readWholeStream(std::istream& in, std::string_view name);

// Writes `bytes` to a new file beside `target`, flushes it to the disk and renames it over
// `target`. A symbolic link is followed and the file it names replaced; anything else
// that is not a regular file is refused. Throws CliError; the old file is then unchanged
// and no temporary file is left behind.
void replaceFile(const std::filesystem::path& target, std::string_view bytes);

} // namespace valmor::cli
