#include "game/game_folder.h"

#include "files/byte_file.h"
#include "files/error.h"
#include "game/item_list.h"
#include "game/sprite.h"

namespace valmor {

GameFolderStart readGameFolderStart(const std::filesystem::path& dataDir) {
    GameFolderStart start;
    const PaletteLevels levels =
        withSubject(kPaletteFileName, [&] { return loadPalette(dataDir / kPaletteFileName); });
    start.colourTable = withSubject(kPaletteFileName, [&] { return makeColorFromRGB(levels); });
    start.lastMonsterIndex = withSubject(kSpriteFileName, [&] {
        const ByteFile spriteFile(dataDir / kSpriteFileName);
        return lastSpriteIndex(spriteFile.length());
    });
    start.itemNames =
        withSubject(kItemListFileName, [&] { return loadItemNames(dataDir / kItemListFileName); });
    return start;
}

} // namespace valmor
