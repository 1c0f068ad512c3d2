// The textconv command: a game file as stable lines of text, for git's textconv setting.
#pragma once

#include <filesystem>
#include <optional>

#include "cli/commands.h"
#include "cli/game_file_entries.h"

namespace valmor::cli {

// Prints one line per entry of `file` on session.out. The file is recognised by its name
// unless `as` says which game file it is; a name that is none of the five is a CliError.
// A file that no game file of its kind can be (too large, a level that overflows) is one
// line instead, saying why, with its size and FNV-1a 64 hash; that is no error, so that
// git goes on with the other files of a commit and the commits before it.
void textconv(const Session& session, const std::filesystem::path& file,
              std::optional<GameFileKind> as);

} // namespace valmor::cli
