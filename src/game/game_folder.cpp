#include "game/game_folder.h"

#include "files/byte_file.h"
#include "files/error.h"
#include "game/item_list.h"
#include "game/sprite.h"

namespace valmor {

GameFolderStart readGameFolderStart(const GameDirectory& folder) {
    GameFolderStart start;
    const PaletteLevels levels =
        withSubject(kPaletteFileName, [&] { return loadPalette(folder.file(kPaletteFileName)); });
    start.colourTable = withSubject(kPaletteFileName, [&] { return makeColorFromRGB(levels); });
    start.lastMonsterIndex = withSubject(kSpriteFileName, [&] {
        const ByteFile spriteFile(folder.file(kSpriteFileName));
        return lastSpriteIndex(spriteFile.length());
    });
    start.itemNames = withSubject(kItemListFileName,
                                  [&] { return loadItemNames(folder.file(kItemListFileName)); });
    return start;
}

} // namespace valmor
