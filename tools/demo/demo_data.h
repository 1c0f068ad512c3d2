// Builds a complete, original set of the five game data files for trying out the editor,
// and, on request, a character progression for the balance commands beside them.
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

// The palette, sprite, stats, encounter and item files, in that order, and with
// `withCharacters` the character progression (characters.csv) and the target bands
// (targets.csv) after them. The same bytes
// come out on every call.
std::vector<DemoFile> buildDemoFiles(bool withCharacters = false);

class DemoDataError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct WrittenFile {
    std::filesystem::path path;
    std::uintmax_t bytes;
};

// Writes the files of buildDemoFiles into `directory`, creating it. Unless `overwrite` is
// set, throws DemoDataError without writing anything when any of them already exists
// there. A failed write throws as well.
std::vector<WrittenFile> writeDemoData(const std::filesystem::path& directory,
                                       bool overwrite = false, bool withCharacters = false);

} // namespace valmor::demo
