// The commands of valmor-data as functions, called by the command line and by the tests.
// Each works on the game files in one folder and throws CliError (or the data layer's
// DataError) on failure; a command that writes a file replaces it atomically.
#pragma once

#include <cstddef>
#include <filesystem>
#include <istream>
#include <optional>
#include <ostream>
#include <string_view>

#include "cli/record_tables.h"

namespace valmor::cli {

struct Session {
    std::filesystem::path directory; // the game's folder; empty for the working directory
    std::istream& in;                // an import from "-" reads this
    std::ostream& out;               // tables exported without -o, and summaries
    std::ostream& err;               // notes and the progress bar
    bool errIsTerminal = false;      // draw a progress bar on `err`

    std::filesystem::path file(std::string_view name) const { return directory / name; }
};

// `output` empty or "-": the table goes to session.out.
void exportStats(const Session& session, TableFormat format, const std::filesystem::path& output);
void exportEncounters(const Session& session, TableFormat format,
                      const std::filesystem::path& output);

// `input` "-": the table comes from session.in. Without a format, a table that starts
// with a bracket is JSON, anything else CSV. Gives the number of records written.
std::size_t importStats(const Session& session, const std::filesystem::path& input,
                        std::optional<TableFormat> format);
std::size_t importEncounters(const Session& session, const std::filesystem::path& input,
                             std::optional<TableFormat> format);

// Writes every sprite as a PNG into `folder`, creating it. Gives the number of sprites.
int exportSprites(const Session& session, const std::filesystem::path& folder);

// Replaces sprite n, or appends it when n is the number of sprites, from a PNG file.
void importSprite(const Session& session, int n, const std::filesystem::path& png, bool nearest);

} // namespace valmor::cli
