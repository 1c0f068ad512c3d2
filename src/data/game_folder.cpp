#include "game_folder.h"

#include "byte_file.h"
#include "error.h"
#include "item_list.h"
#include "sprite.h"

namespace valmor {

namespace {

// Runs one start-up step; an error that names no file is given the step's file.
template <typename Step> auto inFile(const char* fileName, Step&& step) {
    try {
        return step();
    } catch (const DataError& error) {
        if (!error.subject().empty())
            throw;
        throw DataError(error.kind(), fileName);
    }
}

} // namespace

GameFolderStart readGameFolderStart(const std::filesystem::path& dataDir) {
    GameFolderStart start;
    const PaletteLevels levels =
        inFile(kPaletteFileName, [&] { return loadPalette(dataDir / kPaletteFileName); });
    start.colourTable = inFile(kPaletteFileName, [&] { return makeColorFromRGB(levels); });
    start.lastMonsterIndex = inFile(kSpriteFileName, [&] {
        const ByteFile spriteFile(dataDir / kSpriteFileName);
        return lastSpriteIndex(spriteFile.length());
    });
    start.itemNames =
        inFile(kItemListFileName, [&] { return loadItemNames(dataDir / kItemListFileName); });
    return start;
}

} // namespace valmor
