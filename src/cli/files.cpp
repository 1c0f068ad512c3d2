#include "cli/files.h"

#include <span>

#include "cli/cli_error.h"
#include "data/file_replace.h"
#include "data/game_file.h"

namespace valmor::cli {

std::string readWholeFile(const std::filesystem::path& path, std::size_t limit) {
    try {
        const GameFile file = GameFile::open(path, GameFile::Access::Read);
        if (file.size() > static_cast<std::int64_t>(limit))
            throw CliError("cannot read " + path.string() + ": larger than " +
                           std::to_string(limit / (1024 * 1024)) +
                           " MiB, more than any input of the tool");
        std::string bytes(static_cast<std::size_t>(file.size()), '\0');
        bytes.resize(
            file.readAt(0, std::span(reinterpret_cast<std::uint8_t*>(bytes.data()), bytes.size())));
        return bytes;
    } catch (const DataError& error) {
        throw CliError("cannot read " + path.string() + ": " + error.what());
    }
}

void writeOutputFile(const std::filesystem::path& path, std::string_view bytes) {
    try {
        writeNewFile(path, bytes);
    } catch (const DataError& error) {
        throw CliError("cannot write " + path.string() + ": " + error.what() +
                       "; the old file is unchanged");
    }
}

} // namespace valmor::cli
