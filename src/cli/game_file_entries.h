// The five game files as numbered entries of named values: the stable text form that
// textconv prints and diff compares. Every read of a game file for those two commands
// goes through readGameFileChunks.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "files/fnv1a.h"
#include "files/game_file.h"

namespace valmor::cli {

enum class GameFileKind { Palette, Sprites, Monsters, Encounters, Items };

inline constexpr GameFileKind kGameFileKinds[] = {GameFileKind::Palette, GameFileKind::Sprites,
                                                  GameFileKind::Monsters, GameFileKind::Encounters,
                                                  GameFileKind::Items};

std::string_view fileNameOf(GameFileKind file);

// The game file of exactly this name, in any letter case ("MONSTERS.TAT").
std::optional<GameFileKind> gameFileNamed(std::string_view name);

// The game file whose name the path's last part ends with, in any letter case. git hands a
// textconv program a temporary copy that keeps the name ("/tmp/git-blob-Xy12/monster.dat")
// or, in older versions, ends with it ("/tmp/Xy12_monster.dat").
std::optional<GameFileKind> recogniseGameFile(const std::filesystem::path& path);

struct EntryField {
    std::string name;
    std::string value; // numbers as digits, texts quoted by quoteText

    bool operator==(const EntryField&) const = default;
};

// One record, frame, palette colour or item name.
struct Entry {
    std::string label;   // "monster 12", "map 5", "sprite 3", "colour 7", "item 4"
    std::string caption; // the monster's name, trimmed, for diff's messages; else empty
    std::vector<EntryField> fields;
};

struct GameFileEntries {
    std::vector<Entry> entries;
    std::uint64_t size = 0;        // bytes in the file
    std::uint64_t fingerprint = 0; // FNV-1a of all its bytes
};

// Hands the file's bytes to `consume` in order, `chunkBytes` at a time (the last chunk may
// be shorter; an empty file gives none). Throws the data layer's DataError when the file is
// missing, no regular file or cannot be read; it never creates or waits for anything.
void readGameFileChunks(const GamePath& path, std::size_t chunkBytes,
                        const std::function<void(std::span<const std::uint8_t>)>& consume);

// Reads the whole file as `file`, handing each entry to `each` as it is read. Nothing in
// the contents is an error: a partial last record or frame is an entry with a "bytes"
// field, a short palette or item list has fewer entries. A file larger than any of its
// kind can be (more records or frames than their numbers reach) is refused before it is
// read, as every other command refuses it. Gives the file's size and fingerprint.
GameFileEntries forEachEntry(const GamePath& path, GameFileKind file,
                             const std::function<void(Entry&&)>& each);
// The same, keeping every entry.
GameFileEntries readEntries(const GamePath& path, GameFileKind file);

// A text in double quotes, ISO-8859-1 turned into UTF-8, blanks kept; a quote, a backslash
// and each control character are escaped (\", \\, \x0A), so a value never breaks a line.
std::string quoteText(std::string_view latin1);

// "monster 12: name=\"Orc       \" hp=86 hp2=86 ..."
std::string entryLine(const Entry& entry);

} // namespace valmor::cli
