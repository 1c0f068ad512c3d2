#include "cli/game_file_entries.h"

#include <algorithm>
#include <cstdio>

#include "files/error.h"
#include "files/game_file.h"
#include "files/record_file.h"
#include "game/conversions.h"
#include "game/encounter_record.h"
#include "game/item_list.h"
#include "game/monster_record.h"
#include "game/palette.h"
#include "game/sprite.h"
#include "game/tables/latin1.h"
#include "game/text_input.h"

namespace valmor::cli {

using tables::equalIgnoringCase;
using tables::latin1ToUtf8;
using tables::storedText;

namespace {

constexpr std::size_t kTextChunkBytes = 65536;

// Reads one file into entries: counts its bytes into the size and fingerprint and hands
// each entry on as soon as it is complete.
struct EntryReader {
    GameFileEntries& result;
    const std::function<void(Entry&&)>& each;
    int entries = 0;

    // Reads the file as readGameFileChunks does; `limit` refuses a file that is, or grows,
    // larger than a file of its kind can be.
    void read(const GamePath& path, std::size_t chunkBytes,
              const std::function<void(std::span<const std::uint8_t>)>& consume,
              const std::function<void(std::int64_t)>& limit = {}) {
        if (limit)
            limit(GameFile::open(path, GameFile::Access::Read).size());
        readGameFileChunks(path, chunkBytes, [&](std::span<const std::uint8_t> chunk) {
            result.fingerprint = fnv1a64(chunk, result.fingerprint);
            result.size += chunk.size();
            if (limit)
                limit(static_cast<std::int64_t>(result.size));
            consume(chunk);
        });
    }

    void add(Entry&& entry) {
        ++entries;
        each(std::move(entry));
    }
};

std::string hex64(std::uint64_t value) {
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(value));
    return text;
}

// Each chunk one record of `layout`; a partial last record reads as if its missing bytes
// were zero, as the editor reads it, and says how many bytes it has.
template <typename Layout>
void addRecords(EntryReader& reader, const GamePath& path, std::size_t recordBytes,
                const Layout& layout, std::string_view unit, int firstNumber) {
    const auto limit = [&](std::int64_t size) {
        requireAddressableRecords(path, size, recordBytes);
    };
    reader.read(
        path, recordBytes,
        [&](std::span<const std::uint8_t> chunk) {
            std::vector<std::uint8_t> bytes(chunk.begin(), chunk.end());
            bytes.resize(recordBytes, 0);
            Entry entry;
            entry.label = std::string(unit) + ' ' + std::to_string(firstNumber + reader.entries);
            for (const auto& field : layout) {
                const std::uint8_t* at = bytes.data() + field.offset;
                std::string value;
                if (field.kind == FieldKind::Int16) {
                    value = std::to_string(loadInt16(at));
                } else {
                    const std::string_view text(reinterpret_cast<const char*>(at), field.width);
                    value = quoteText(text);
                    if (entry.caption.empty())
                        entry.caption = storedText(text);
                }
                entry.fields.push_back({std::string(field.name), value});
            }
            if (chunk.size() < recordBytes)
                entry.fields.push_back({"bytes", std::to_string(chunk.size())});
            reader.add(std::move(entry));
        },
        limit);
}

void addSprites(EntryReader& reader, const GamePath& path) {
    reader.read(
        path, kSpriteFrameBytes,
        [&](std::span<const std::uint8_t> frame) {
            Entry entry;
            entry.label = "sprite " + std::to_string(reader.entries);
            const auto pixels = std::ssize(frame) - std::ranges::count(frame, 0);
            entry.fields = {{"hash", hex64(fnv1a64(frame))}, {"pixels", std::to_string(pixels)}};
            if (frame.size() < static_cast<std::size_t>(kSpriteFrameBytes))
                entry.fields.push_back({"bytes", std::to_string(frame.size())});
            reader.add(std::move(entry));
        },
        // Beyond the frames that sprite numbers reach, as every other command refuses it.
        [](std::int64_t size) { lastSpriteIndex(size); });
}

// The whole text, within the bound the editor reads a text file within.
std::string readText(EntryReader& reader, const GamePath& path) {
    std::string text;
    reader.read(path, kTextChunkBytes, [&](std::span<const std::uint8_t> chunk) {
        if (text.size() + chunk.size() > kTextFileLimit)
            throw DataError(ErrorKind::FileTooLarge, path.filename().string() + " (more than " +
                                                         std::to_string(kTextFileLimit) +
                                                         " bytes of text)");
        text.append(chunk.begin(), chunk.end());
    });
    return text;
}

// The scanner has no end test: its past-the-end error marks the end of the file.
template <typename Read> auto untilEnd(Read read) -> std::optional<decltype(read())> {
    try {
        return read();
    } catch (const DataError& error) {
        if (error.kind() != ErrorKind::InputPastEndOfFile)
            throw;
        return std::nullopt;
    }
}

// Every level the file holds, as the editor reads it (before it scales it by 4), three to a
// colour.
void addPalette(EntryReader& reader, const GamePath& path) {
    const std::string text = readText(reader, path);
    TextScanner scanner(text, path.filename().string());
    static constexpr const char* kChannels[] = {"red", "green", "blue"};
    Entry colour;
    for (int n = 0;; ++n) {
        const auto level = untilEnd([&] { return scanner.readNumber(); });
        if (!level)
            break;
        if (n % 3 == 0) {
            if (n > 0)
                reader.add(std::move(colour));
            colour = {"colour " + std::to_string(n / 3), {}, {}};
        }
        colour.fields.push_back({kChannels[n % 3], FormatDouble(*level)});
    }
    if (!colour.label.empty())
        reader.add(std::move(colour));
}

// Every field the file holds, numbered from 0 as the stats' item1 and item2 count them;
// the editor uses the first 100.
void addItems(EntryReader& reader, const GamePath& path) {
    const std::string text = readText(reader, path);
    TextScanner scanner(text, path.filename().string());
    for (int n = 0;; ++n) {
        const auto name = untilEnd([&] { return scanner.readField(); });
        if (!name)
            return;
        reader.add({"item " + std::to_string(n), {}, {{"name", quoteText(*name)}}});
    }
}

} // namespace

std::string_view fileNameOf(GameFileKind file) {
    // In the order of GameFileKind.
    constexpr const char* kNames[] = {kPaletteFileName, kSpriteFileName, kMonsterFileName,
                                      kEncounterFileName, kItemListFileName};
    return kNames[static_cast<std::size_t>(file)];
}

std::optional<GameFileKind> gameFileNamed(std::string_view name) {
    for (const GameFileKind file : kGameFileKinds) {
        if (equalIgnoringCase(name, fileNameOf(file)))
            return file;
    }
    return std::nullopt;
}

std::optional<GameFileKind> recogniseGameFile(const std::filesystem::path& path) {
    const std::string name = path.filename().string();
    for (const GameFileKind file : kGameFileKinds) {
        const std::string_view wanted = fileNameOf(file);
        if (name.size() >= wanted.size() &&
            equalIgnoringCase(std::string_view(name).substr(name.size() - wanted.size()), wanted))
            return file;
    }
    return std::nullopt;
}

void readGameFileChunks(const GamePath& path, std::size_t chunkBytes,
                        const std::function<void(std::span<const std::uint8_t>)>& consume) {
    const GameFile file = GameFile::open(path, GameFile::Access::Read);
    std::vector<std::uint8_t> chunk(chunkBytes);
    for (std::int64_t offset = 0;;) {
        const std::size_t got = file.readAt(offset, chunk);
        if (got > 0)
            consume(std::span<const std::uint8_t>(chunk).first(got));
        if (got < chunkBytes)
            return;
        offset += static_cast<std::int64_t>(got);
    }
}

GameFileEntries forEachEntry(const GamePath& path, GameFileKind file,
                             const std::function<void(Entry&&)>& each) {
    GameFileEntries result;
    result.fingerprint = kFnvOffsetBasis;
    EntryReader reader{result, each};
    switch (file) {
    case GameFileKind::Palette:
        addPalette(reader, path);
        break;
    case GameFileKind::Sprites:
        addSprites(reader, path);
        break;
    case GameFileKind::Monsters:
        addRecords(reader, path, kMonsterRecordBytes, kMonsterLayout, "monster", 0);
        break;
    case GameFileKind::Encounters:
        addRecords(reader, path, kEncounterRecordBytes, kEncounterLayout, "map", 1);
        break;
    case GameFileKind::Items:
        addItems(reader, path);
        break;
    }
    return result;
}

GameFileEntries readEntries(const GamePath& path, GameFileKind file) {
    std::vector<Entry> entries;
    GameFileEntries result =
        forEachEntry(path, file, [&](Entry&& entry) { entries.push_back(std::move(entry)); });
    result.entries = std::move(entries);
    return result;
}

std::string quoteText(std::string_view latin1) {
    std::string quoted = "\"";
    for (const char c : latin1) {
        const auto code = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            quoted += '\\';
            quoted += c;
        } else if (code < 0x20 || (code >= 0x7F && code < 0xA0)) {
            char escape[5];
            std::snprintf(escape, sizeof escape, "\\x%02X", code);
            quoted += escape;
        } else {
            quoted += latin1ToUtf8(std::string_view(&c, 1));
        }
    }
    return quoted + '"';
}

std::string entryLine(const Entry& entry) {
    std::string line = entry.label + ':';
    for (const EntryField& field : entry.fields)
        line += ' ' + field.name + '=' + field.value;
    return line;
}

} // namespace valmor::cli
