// What the editor reads from the game folder when it starts, or when it opens another one:
// the colour table of the palette, the number of sprites and the item names.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "files/game_file.h"
#include "game/palette.h"

namespace valmor {

struct GameFolderStart {
    ColourTable colourTable{};
    std::int16_t lastMonsterIndex = -1;
    std::vector<std::string> itemNames;
};

// Reads the palette, the sprite file's length and the item list, in that order. Throws the
// first error; one that names no file is given the name of the file being read. Every file
// is opened in `folder`, which the editor opens once and works in from then on.
GameFolderStart readGameFolderStart(const GameDirectory& folder);

} // namespace valmor
