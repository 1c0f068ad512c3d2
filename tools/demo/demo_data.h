// Builds a complete, original set of the five game data files for trying out the editor,
// and a character progression for the balance commands.
#pragma once

#include <cstdint>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

namespace valmor::demo {

struct DemoFile {
    std::string name;
    std::vector<std::uint8_t> bytes;
};

// The palette, sprite, stats, encounter and item files, in that order, then the character
// profiles for the balance commands. The same bytes come out on every call.
std::vector<DemoFile> buildDemoFiles();

class DemoDataError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct WrittenFile {
    std::filesystem::path path;
    std::uintmax_t bytes;
};

// Writes the six files into `directory`, creating it. Unless `overwrite` is set, throws
// DemoDataError without writing anything when any of the six already exists there.
// A failed write throws as well.
std::vector<WrittenFile> writeDemoData(const std::filesystem::path& directory,
                                       bool overwrite = false);

} // namespace valmor::demo
