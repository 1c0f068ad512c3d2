#include "cli/game_data.h"

#include <algorithm>
#include <span>

#include "cli/cli_error.h"
#include "cli/files.h"
#include "data/item_list.h"

namespace valmor::cli {

namespace {

template <typename Record, std::size_t Size>
std::vector<Record> decodeRecords(const std::string& bytes,
                                  Record (*decode)(std::span<const std::uint8_t, Size>)) {
    std::vector<Record> records;
    records.reserve((bytes.size() + Size - 1) / Size);
    std::array<std::uint8_t, Size> record{};
    for (std::size_t at = 0; at < bytes.size(); at += Size) {
        const std::string_view stored = std::string_view(bytes).substr(at, Size);
        std::fill(std::copy(stored.begin(), stored.end(), record.begin()), record.end(), 0);
        records.push_back(decode(std::span<const std::uint8_t, Size>(record)));
    }
    return records;
}

// The path of a game file, or a CliError saying where it was looked for.
std::filesystem::path gameFile(const std::filesystem::path& directory, std::string_view name) {
    const std::filesystem::path path = directory / name;
    std::error_code error;
    if (!std::filesystem::exists(path, error)) {
        const std::string folder = directory.empty() ? "the working directory" : directory.string();
        throw CliError("no " + std::string(name) + " in " + folder +
                       " (run in the game's folder, or name it with -C DIR)");
    }
    return path;
}

} // namespace

GameData loadGameData(const std::filesystem::path& directory) {
    GameData data;
    data.monsters =
        decodeRecords(readWholeFile(gameFile(directory, kMonsterFileName)), decodeMonsterRecord);
    data.encounters = decodeRecords(readWholeFile(gameFile(directory, kEncounterFileName)),
                                    decodeEncounterRecord);
    if (data.encounters.size() < static_cast<std::size_t>(kMapCount))
        data.encounters.resize(kMapCount);
    data.itemNames = loadItemNames(gameFile(directory, kItemListFileName));
    // Only the sprite file's length counts here; its frames can run to hundreds of megabytes.
    const std::filesystem::path sprites = gameFile(directory, kSpriteFileName);
    std::error_code failure;
    const std::uintmax_t length = std::filesystem::file_size(sprites, failure);
    if (failure)
        throw CliError("cannot read " + sprites.string() + ": " + failure.message());
    data.spriteCount = lastSpriteIndex(static_cast<std::int64_t>(length)) + 1;
    return data;
}

GamePictures loadGamePictures(const std::filesystem::path& directory) {
    GamePictures pictures;
    pictures.colours = makeColorFromRGB(loadPalette(gameFile(directory, kPaletteFileName)));
    const std::string bytes = readWholeFile(gameFile(directory, kSpriteFileName));
    const std::size_t count = bytes.size() / kSpriteFrameBytes;
    pictures.sprites.resize(count);
    for (std::size_t n = 0; n < count; ++n)
        std::copy_n(bytes.begin() + static_cast<std::ptrdiff_t>(n * kSpriteFrameBytes),
                    kSpriteFrameBytes, pictures.sprites[n].begin());
    return pictures;
}

} // namespace valmor::cli
