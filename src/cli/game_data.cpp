#include "cli/game_data.h"

#include <algorithm>
#include <span>

#include "cli/cli_error.h"
#include "data/game_file.h"
#include "data/item_list.h"
#include "data/record_file.h"

namespace valmor::cli {

namespace {

template <typename Record, std::size_t Size>
std::vector<Record> decodeRecords(const std::string& bytes,
                                  Record (*decode)(std::span<const std::uint8_t, Size>)) {
    std::vector<Record> records;
    records.reserve(recordCount(bytes.size(), Size));
    forEachRecord(bytes, Size, [&](std::span<const std::uint8_t> record) {
        records.push_back(decode(record.first<Size>()));
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
    data.monsters = decodeRecords(
        readRecordFileBytes(gameFilePath(directory, kMonsterFileName), kMonsterRecordBytes),
        decodeMonsterRecord);
    data.encounters = decodeRecords(
        readRecordFileBytes(gameFilePath(directory, kEncounterFileName), kEncounterRecordBytes),
        decodeEncounterRecord);
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
