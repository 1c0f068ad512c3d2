#include "cli/game_data.h"

#include <span>

#include "cli/cli_error.h"
#include "data/game_file.h"
#include "data/item_list.h"
#include "data/message_text.h"
#include "data/record_file.h"

namespace valmor::cli {

namespace {

// Every record of a record file; a partial last one reads as if its missing bytes were zero.
template <typename Record, std::size_t N>
std::vector<Record> readRecords(const GameDirectory& folder, std::string_view name,
                                std::size_t recordBytes,
                                const std::array<RecordField<Record>, N>& layout) {
    const std::string bytes = readRecordFileBytes(gameFilePath(folder, name), recordBytes);
    std::vector<Record> records;
    records.reserve(recordCount(bytes.size(), recordBytes));
    forEachRecord(bytes, recordBytes, [&](std::span<const std::uint8_t> record) {
        records.push_back(decodeRecord<Record>(layout, record));
    });
    return records;
}

} // namespace

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
    data.monsters = readRecords(folder, kMonsterFileName, kMonsterRecordBytes, kMonsterLayout);
    data.encounters =
        readRecords(folder, kEncounterFileName, kEncounterRecordBytes, kEncounterLayout);
    if (data.encounters.size() < static_cast<std::size_t>(kMapCount))
        data.encounters.resize(kMapCount);
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
