#include "game_folder.h"

#include "byte_file.h"
#include "error.h"
#include "item_list.h"
#include "sprite.h"

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
