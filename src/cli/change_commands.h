// The change list commands: apply, which writes a change list into the game files, and
// diff --changes, which writes the change list that turns one folder's stats and encounter
// files into another's.
#pragma once

#include <filesystem>

#include "cli/session.h"

namespace valmor::cli {

// Applies the change list in `input` ("-": standard input) to the session's game files and
// prints one line per change and a summary. Failures are printed on session.err; gives 0 on
// success and 2 when nothing was written.
int applyChangeList(const Session& session, const std::filesystem::path& input);

// Writes the change list from folder A's monsters.tat and encountr.mon to B's into `output`
// (empty or "-": standard output). Gives 0 when there is no change, 1 when there are some,
// 2 on trouble (a folder or file that cannot be read, or a difference no change list can
// say), printed on session.err; nothing is written then.
int diffChanges(const Session& session, const std::filesystem::path& a,
                const std::filesystem::path& b, const std::filesystem::path& output);

} // namespace valmor::cli
