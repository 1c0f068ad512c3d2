// The sprite commands of valmor-data: every sprite as a PNG image, and images back into
// the sprite file through its rollback journal.
#pragma once

#include <filesystem>

#include "cli/session.h"

namespace valmor::cli {

// Writes every sprite as a PNG into `folder`, creating it. Gives the number of sprites.
int exportSprites(const Session& session, const std::filesystem::path& folder);

// Replaces sprite n, or appends it when n is the number of sprites, from a PNG file. The
// frame is written in place.
void importSprite(const Session& session, int n, const std::filesystem::path& png, bool nearest);

// Puts back every NNN.png of `folder` as sprite NNN, in one pass over the sprite file: the
// numbers replace sprites or continue them without a gap. Every image is checked before a
// frame is written. Gives the number of sprites written.
int importSprites(const Session& session, const std::filesystem::path& folder, bool nearest);

} // namespace valmor::cli
