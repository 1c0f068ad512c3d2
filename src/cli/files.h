// The files the tool reads and writes besides the game files it changes: inputs the user
// names (a table, an image) are read within a bound, and outputs (a table, images, the
// report) are written as they are produced and put in place when complete.
#pragma once

#include <cstddef>
#include <filesystem>
#include <functional>
#include <ostream>
#include <string>
#include <string_view>

#include "files/message_text.h"

namespace valmor::cli {

// A path as a message shows it: its bytes as given, controls and broken UTF-8 escaped.
inline std::string shownPath(const std::filesystem::path& path) {
    return escapeForMessage(path.string());
}

// More than any table or sprite image the tool reads; a larger input is refused.
inline constexpr std::size_t kInputLimit = 64 * 1024 * 1024;

// The whole input file (GameFile::readAll). Throws CliError naming the file and the
// system's reason, or the bound.
std::string readInputFile(const std::filesystem::path& path, std::size_t limit = kInputLimit);

// Hands `write` a stream into the output file `path` (see OutputFile: a device, pipe or
// socket is written into, anything else replaced when complete). Throws CliError;
// the old file is then unchanged and no temporary file is left behind. True when a file
// was written, false when a stream was.
bool writeOutputFile(const std::filesystem::path& path,
                     const std::function<void(std::ostream&)>& write);
bool writeOutputFile(const std::filesystem::path& path, std::string_view bytes);

} // namespace valmor::cli
