// Replacing a game file whole: the new content goes to a file beside the old one and is
// renamed over it, so a failure at any point leaves what was there before.
#pragma once

#include <filesystem>
#include <string_view>

#include "files/game_file.h"

namespace valmor {

// The temporary file a replace of `target` writes beside the file its links lead to. A
// replace that was killed between writing and renaming leaves it behind under this name;
// the next replace of the same file removes it.
GamePath replacementPath(const GamePath& target);

// Replaces the content of `locked` (opened with GameFile::openLocked, its identity taken
// then as `lockedAs`) with `bytes`. The new file gets the old one's owner, group and mode
// and is flushed to the disk; then, if the path still names the locked file unchanged
// (device, inode, size, modification time), it is renamed into place. A path that is a
// symbolic link keeps the link and has the file it names replaced. On failure the old file
// is unchanged and the temporary file removed.
void replaceLockedFile(const GameFile& locked, const FileIdentity& lockedAs,
                       std::string_view bytes);

} // namespace valmor
