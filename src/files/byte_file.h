// Byte-addressed reading of a binary file, such as the sprite file.
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>

#include "files/game_file.h"

namespace valmor {

class ByteFile {
public:
    // Opens the file for reading; a missing file is created empty. Only start-up does
    // this: later reads take openExisting.
    explicit ByteFile(const GamePath& path);
    explicit ByteFile(GameFile file) : file_(std::move(file)) {}
    // Opens an existing file for reading: a missing one raises FileNotFound, and nothing
    // is created.
    static ByteFile openExisting(const GamePath& path);

    std::int64_t length() const { return file_.size(); }

    // Fills `bytes` from the 1-based `position` on and gives how many of them the file
    // held; those past its end read as zero. A position below 1 raises BadRecordNumber
    // before anything is read. Every read goes to the file, so a change made by another
    // program shows at the next read.
    std::size_t read(std::int64_t position, std::span<std::uint8_t> bytes) const;

    const std::filesystem::path& path() const { return file_.path(); }

private:
    GameFile file_;
};

} // namespace valmor
