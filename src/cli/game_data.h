// The game files read in one place for the balance commands: the stats, the encounter
// tables, the item names, the sprites and the palette of a folder.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "files/byte_file.h"
#include "game/encounter_record.h"
#include "game/monster_record.h"
#include "game/palette.h"
#include "game/sprite.h"

namespace valmor::cli {

// A game file of `folder`; throws CliError saying where it was looked for when there is
// none, and the data layer's error when the name leads nowhere (a loop of links).
GamePath gameFilePath(const GameDirectory& folder, std::string_view name);

struct GameData {
    // One per record; a partial last record reads as if its missing bytes were zero.
    std::vector<MonsterRecord> monsters;
    // One per record, and at least the editor's 268 maps (missing ones read as zeros).
    std::vector<EncounterRecord> encounters;
    std::vector<std::string> itemNames; // ISO-8859-1, as stored
    int spriteCount = 0;
};

// Throws CliError or DataError naming the file that cannot be read.
GameData loadGameData(const GameDirectory& folder);

// The palette's colours and the sprite file, whose frames are read one at a time: a sprite
// file can run to hundreds of megabytes and is never held whole.
struct GamePictures {
    ColourTable colours{};
    ByteFile spriteFile;
    int spriteCount = 0;

    SpriteFrame frame(int n) const {
        return readSpriteFrame(spriteFile, static_cast<std::int16_t>(n));
    }
};

GamePictures loadGamePictures(const GameDirectory& folder);

} // namespace valmor::cli
