#include "cli/game_data.h"

#include "cli/cli_error.h"
#include "files/game_file.h"
#include "files/message_text.h"
#include "game/game_records.h"
#include "game/item_list.h"

namespace valmor::cli {

GamePath gameFilePath(const GameDirectory& folder, std::string_view name) {
    GamePath path = folder.file(name);
    // Only a missing file is "no such file"; a loop of links or a file that cannot be
    // reached is reported for what it is when it is opened.
    if (pathKind(path) == PathKind::Missing) {
        const std::string where = folder.shownAs().empty()
                                      ? "the working directory"
                                      : escapeForMessage(folder.shownAs().string());
        throw CliError("no " + std::string(name) + " in " + where +
                       " (run in the game's folder, or name it with -C DIR)");
    }
    return path;
}

GameData loadGameData(const GameDirectory& folder) {
    GameData data;
    data.monsters = readAllMonsterRecords(gameFilePath(folder, kMonsterFileName));
    data.encounters = readAllEncounterRecords(gameFilePath(folder, kEncounterFileName));
    data.itemNames = loadItemNames(gameFilePath(folder, kItemListFileName));
    // Only the sprite file's length counts here; its frames can run to hundreds of megabytes.
    const GameFile sprites =
        GameFile::open(gameFilePath(folder, kSpriteFileName), GameFile::Access::Read);
    data.spriteCount = lastSpriteIndex(sprites.size()) + 1;
    return data;
}

GamePictures loadGamePictures(const GameDirectory& folder) {
    ByteFile sprites(GameFile::open(gameFilePath(folder, kSpriteFileName), GameFile::Access::Read));
    const int count = lastSpriteIndex(sprites.length()) + 1;
    return {makeColorFromRGB(loadPalette(gameFilePath(folder, kPaletteFileName))),
            std::move(sprites), count};
}

} // namespace valmor::cli
