// The game files read in one place for the balance commands: the stats, the encounter
// tables, the item names, the sprites and the palette of a folder.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "data/encounter_record.h"
#include "data/monster_record.h"
#include "data/palette.h"
#include "data/sprite.h"

namespace valmor::cli {

struct GameData {
    // One per record; a partial last record reads as if its missing bytes were zero.
    std::vector<MonsterRecord> monsters;
    // One per record, and at least the editor's 268 maps (missing ones read as zeros).
    std::vector<EncounterRecord> encounters;
    std::vector<std::string> itemNames; // ISO-8859-1, as stored
    int spriteCount = 0;
};

// Throws CliError or DataError naming the file that cannot be read.
GameData loadGameData(const std::filesystem::path& directory);

struct GamePictures {
    ColourTable colours{};
    std::vector<SpriteFrame> sprites; // every whole frame of the sprite file
};

GamePictures loadGamePictures(const std::filesystem::path& directory);

} // namespace valmor::cli
