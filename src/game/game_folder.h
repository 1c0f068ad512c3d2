// What the editor reads from the game folder when it starts: the colour table of the palette,
// the number of sprites and the item names.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "game/palette.h"

namespace valmor {

struct GameFolderStart {
    ColourTable colourTable{};
    std::int16_t lastMonsterIndex = -1;
    std::vector<std::string> itemNames;
};

// Reads the palette, the sprite file's length and the item list, in that order. Throws the
// first error; one that names no file is given the name of the file being read.
GameFolderStart readGameFolderStart(const std::filesystem::path& dataDir);

} // namespace valmor
