// The diff command: compares the game files of two folders value by value.
#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "cli/game_file_entries.h"
#include "files/game_file.h"

namespace valmor::cli {

inline constexpr int kDiffEqual = 0;
inline constexpr int kDiffDifferent = 1;
inline constexpr int kDiffTrouble = 2;

// One line per difference between two readings of `file`, each starting with the file's
// name: "monsters.tat: monster 12 (Orc): hp 86 -> 90", "encountr.mon: map 269 added",
// "monster.dat: sprite 3 changed (pixels 2210 -> 2250)". Files with the same values but
// other bytes (a palette written with other spacing) give one line saying so.
std::vector<std::string> entryDifferences(GameFileKind file, const GameFileEntries& a,
                                          const GameFileEntries& b);

// Opens the folders A and B of a diff; each that cannot be opened is told to `trouble`
// ("A: no such folder") and left out.
std::vector<GameDirectory> openFolders(const std::filesystem::path& a,
                                       const std::filesystem::path& b,
                                       const std::function<void(const std::string&)>& trouble);

// Prints the differences of the five files on session.out, and on session.err each folder
// or file that cannot be read and each file that is in neither folder. A file in one folder
// only is a difference. Gives kDiffEqual, kDiffDifferent or kDiffTrouble (which wins).
int diffFolders(const Session& session, const std::filesystem::path& a,
                const std::filesystem::path& b);

} // namespace valmor::cli
