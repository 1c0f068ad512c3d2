// The textconv command: a game file as stable lines of text, for git's textconv setting.
#pragma once

#include <filesystem>
#include <optional>

#include "cli/commands.h"
#include "cli/game_file_entries.h"

namespace valmor::cli {

// Prints one line per entry of `file` on session.out. The file is recognised by its name
// unless `as` says which game file it is; a name that is none of the five is a CliError.
void textconv(const Session& session, const std::filesystem::path& file,
              std::optional<GameFileKind> as);

} // namespace valmor::cli
