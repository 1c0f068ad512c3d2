// The game files read in one place for the balance commands: the stats, the encounter
// tables, the item names, the sprites and the palette of a folder.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "data/byte_file.h"
#include "data/encounter_record.h"
#include "data/monster_record.h"
#include "data/palette.h"
#include "data/sprite.h"

namespace valmor::cli {

// The path of a game file in `directory`; throws CliError saying where it was looked for.
std::filesystem::path gameFilePath(const std::filesystem::path& directory, std::string_view name);

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

GamePictures loadGamePictures(const std::filesystem::path& directory);

} // namespace valmor::cli
