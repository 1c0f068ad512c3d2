#include "cli/game_data.h"

#include <span>

#include "cli/cli_error.h"
#include "data/game_file.h"
#include "data/item_list.h"
#include "data/record_file.h"

namespace valmor::cli {

namespace {

// Every record of a record file; a partial last one reads as if its missing bytes were zero.
template <typename Record, std::size_t N>
std::vector<Record> readRecords(const std::filesystem::path& directory, std::string_view name,
                                std::size_t recordBytes,
                                const std::array<RecordField<Record>, N>& layout) {
    const std::string bytes = readRecordFileBytes(gameFilePath(directory, name), recordBytes);
    std::vector<Record> records;
    records.reserve(recordCount(bytes.size(), recordBytes));
    forEachRecord(bytes, recordBytes, [&](std::span<const std::uint8_t> record) {
        records.push_back(decodeRecord<Record>(layout, record));
    });
    return records;
}

} // namespace

std::filesystem::path gameFilePath(const std::filesystem::path& directory, std::string_view name) {
    const std::filesystem::path path = directory / name;
    std::error_code error;
    if (!std::filesystem::exists(path, error)) {
        const std::string folder = directory.empty() ? "the working directory" : directory.string();
        throw CliError("no " + std::string(name) + " in " + folder +
                       " (run in the game's folder, or name it with -C DIR)");
    }
    return path;
}

GameData loadGameData(const std::filesystem::path& directory) {
    GameData data;
    data.monsters = readRecords(directory, kMonsterFileName, kMonsterRecordBytes, kMonsterLayout);
    data.encounters =
        readRecords(directory, kEncounterFileName, kEncounterRecordBytes, kEncounterLayout);
    if (data.encounters.size() < static_cast<std::size_t>(kMapCount))
        data.encounters.resize(kMapCount);
    data.itemNames = loadItemNames(gameFilePath(directory, kItemListFileName));
    // Only the sprite file's length counts here; its frames can run to hundreds of megabytes.
    const GameFile sprites =
        GameFile::open(gameFilePath(directory, kSpriteFileName), GameFile::Access::Read);
    data.spriteCount = lastSpriteIndex(sprites.size()) + 1;
    return data;
}

GamePictures loadGamePictures(const std::filesystem::path& directory) {
    ByteFile sprites(
        GameFile::open(gameFilePath(directory, kSpriteFileName), GameFile::Access::Read));
    const int count = lastSpriteIndex(sprites.length()) + 1;
    return {makeColorFromRGB(loadPalette(gameFilePath(directory, kPaletteFileName))),
            std::move(sprites), count};
}

} // namespace valmor::cli
