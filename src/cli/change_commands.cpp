#include "cli/change_commands.h"

#include <array>
#include <exception>
#include <ranges>
#include <string>
#include <vector>

#include "balance/character_profiles.h"
#include "balance/targets.h"
#include "cli/cli.h"
#include "cli/cli_error.h"
#include "cli/files.h"
#include "cli/folder_diff.h"
#include "cli/game_file_entries.h"
#include "files/error.h"
#include "files/message_text.h"
#include "files/record_file.h"
#include "game/change_list.h"
#include "game/sprite.h"
#include "game/tables/import_error.h"
#include "game/tables/latin1.h"

namespace valmor::cli {

namespace {

constexpr int kApplied = 0;
constexpr int kNoChange = 0;
constexpr int kSomeChange = 1;
constexpr int kTrouble = 2;

// Prints a failure of `command`, each line of it escaped on its own.
void reportTrouble(const Session& session, std::string_view command, std::string_view message) {
    for (const auto line : std::views::split(message, '\n'))
        session.err << "valmor-data: " << command << ": "
                    << escapeForMessage(std::string_view(line.begin(), line.end())) << '\n';
}

// Standard input, read to its end within the bound every input of the tool keeps.
std::string readStandardInput(std::istream& in, const std::string& source) {
    std::string text;
    std::array<char, 64 * 1024> chunk{};
    while (in) {
        in.read(chunk.data(), chunk.size());
        text.append(chunk.data(), static_cast<std::size_t>(in.gcount()));
        if (text.size() > kInputLimit)
            throw CliError("cannot read " + source + ": larger than " +
                           std::to_string(kInputLimit / (1024 * 1024)) +
                           " MiB, more than any input of the tool");
    }
    if (in.bad())
        throw CliError("cannot read " + source);
    return text;
}

// The whole records of a record file's bytes; a partial last record is left out.
template <typename Record, std::size_t Bytes, typename Decode>
std::vector<Record> wholeRecordsOf(const std::string& bytes, Decode decode) {
    std::vector<Record> records;
    for (std::size_t at = 0; at + Bytes <= bytes.size(); at += Bytes)
        records.push_back(decode(std::span<const std::uint8_t, Bytes>(
            reinterpret_cast<const std::uint8_t*>(bytes.data()) + at, Bytes)));
    return records;
}

std::vector<MonsterRecord> monstersOf(const std::string& bytes) {
    return wholeRecordsOf<MonsterRecord, kMonsterRecordBytes>(bytes, decodeMonsterRecord);
}

std::vector<EncounterRecord> mapsOf(const std::string& bytes) {
    return wholeRecordsOf<EncounterRecord, kEncounterRecordBytes>(bytes, decodeEncounterRecord);
}

// "monsters.tat: monster 12 (Gob Shaman): hp 86 -> 71", as diff words a changed value.
std::string changeLine(const RecordChange& change, const std::vector<MonsterRecord>& monsters) {
    std::string line = std::string(changedFileName(change.file)) + ": ";
    if (change.file == ChangedFile::Monsters) {
        line += "monster " + std::to_string(change.record);
        const auto index = static_cast<std::size_t>(change.record);
        if (index < monsters.size()) {
            const std::string name = tables::storedText(monsters[index].name);
            if (!name.empty())
                line += " (" + name + ")";
        }
    } else {
        line += "map " + std::to_string(change.record);
    }
    return line + ": " + std::string(changedFieldName(change)) + ' ' +
           std::to_string(change.oldValue) + " -> " + std::to_string(change.newValue);
}

} // namespace

int applyChangeList(const Session& session, const std::filesystem::path& input) {
    try {
        const std::string source = input == "-" ? "<stdin>" : shownPath(input);
        const std::string text =
            input == "-" ? readStandardInput(session.in, source) : readInputFile(input);
        const std::vector<RecordChange> changes = changeListFromCsv(text, source);
        if (changes.empty()) {
            session.out << "the change list is empty; nothing was written\n";
            return kApplied;
        }
        const std::vector<ChangedFile> held = writeChanges(session.folder, changes);
        for (const ChangedFile file : held)
            session.err << "note: " << changedFileName(file)
                        << " held every new value of the list already; it was left as it is\n";

        // The names the lines show; the change list changes none of them.
        std::vector<MonsterRecord> monsters;
        std::size_t toMonsters = 0;
        for (const RecordChange& change : changes)
            toMonsters += change.file == ChangedFile::Monsters ? 1 : 0;
        if (toMonsters > 0) {
            try {
                monsters = monstersOf(
                    readRecordFileBytes(session.file(kMonsterFileName), kMonsterRecordBytes));
            } catch (const DataError&) {
                // The lines go without the names; the changes are written.
            }
        }
        for (const RecordChange& change : changes)
            session.out << escapeForMessage(changeLine(change, monsters)) << '\n';
        session.out << "applied " << changes.size()
                    << (changes.size() == 1 ? " change" : " changes") << ": " << toMonsters
                    << " to " << kMonsterFileName << ", " << changes.size() - toMonsters << " to "
                    << kEncounterFileName << '\n';
        return kApplied;
    } catch (const tables::ImportError& error) {
        reportTrouble(session, "apply", error.what());
        reportTrouble(session, "apply", "nothing was written");
    } catch (const CliError& error) {
        reportTrouble(session, "apply", std::string(error.what()) + "; nothing was written");
    } catch (const DataError& error) {
        reportTrouble(session, "apply", error.what());
    }
    return kTrouble;
}

int diffChanges(const Session& session, const std::filesystem::path& a,
                const std::filesystem::path& b, const std::filesystem::path& output) {
    bool trouble = false;
    const auto troubleWith = [&](const std::string& message) {
        reportTrouble(session, "diff", message);
        trouble = true;
    };
    const std::vector<GameDirectory> folders = openFolders(a, b, troubleWith);
    if (trouble)
        return kTrouble;

    // Each file's bytes in A and B; a file in neither folder stays empty in both.
    std::array<std::array<std::string, 2>, 2> bytes;
    const std::array<std::string_view, 2> names{kMonsterFileName, kEncounterFileName};
    const std::array<std::size_t, 2> recordBytes{kMonsterRecordBytes, kEncounterRecordBytes};
    for (std::size_t f = 0; f < names.size(); ++f) {
        const std::string name(names[f]);
        const std::array<GamePath, 2> paths{folders[0].file(name), folders[1].file(name)};
        std::size_t reading = 0;
        try {
            std::array<bool, 2> there{};
            for (reading = 0; reading < 2; ++reading)
                there[reading] = pathKind(paths[reading]) != PathKind::Missing;
            if (!there[0] && !there[1]) {
                troubleWith("no " + name + " in " + shownPath(a) + " nor in " + shownPath(b));
                continue;
            }
            if (there[0] != there[1]) {
                troubleWith(name + ": only in " + shownPath(there[0] ? a : b) +
                            "; a change list cannot add or remove a file");
                continue;
            }
            for (reading = 0; reading < 2; ++reading)
                bytes[f][reading] = readRecordFileBytes(paths[reading], recordBytes[f]);
        } catch (const std::exception& failure) {
            troubleWith("cannot read " + shownPath(paths[reading].shown()) + ": " + failure.what());
            continue;
        }
        const std::string& inA = bytes[f][0];
        const std::string& inB = bytes[f][1];
        const std::size_t whole = inA.size() - inA.size() % recordBytes[f];
        if (inA.size() != inB.size())
            troubleWith(name + ": " + std::to_string(inA.size()) + " bytes in " + shownPath(a) +
                        ", " + std::to_string(inB.size()) + " in " + shownPath(b) +
                        "; a change list cannot add or remove records");
        else if (inA.compare(whole, std::string::npos, inB, whole) != 0)
            troubleWith(name + ": the bytes past the last whole record differ; a change list "
                               "changes whole records only");
    }
    if (trouble)
        return kTrouble;

    std::vector<RecordChange> changes;
    try {
        changes = changesBetween(monstersOf(bytes[0][0]), monstersOf(bytes[0][1]),
                                 mapsOf(bytes[1][0]), mapsOf(bytes[1][1]));
    } catch (const DataError& error) {
        troubleWith(error.subject());
        return kTrouble;
    }
    // Neither folder's game files, nor the balance lab's tables or the sprite file's journal
    // beside them, may be overwritten by the list.
    std::vector<std::filesystem::path> inputs;
    for (const std::filesystem::path& folder : {a, b}) {
        for (const GameFileKind file : kGameFileKinds)
            inputs.push_back(folder / fileNameOf(file));
        for (const char* table : {kCharactersFileName, kTargetsFileName})
            inputs.push_back(folder / table);
        inputs.push_back(folder / (std::string(kSpriteFileName) + ".valmor-journal"));
    }
    try {
        if (writeOutput(session, output, changeListCsv(changes), "a change list", inputs))
            session.out << "wrote " << changes.size()
                        << (changes.size() == 1 ? " change" : " changes") << " to "
                        << shownPath(output) << '\n';
    } catch (const CliError& error) {
        troubleWith(error.what());
        return kTrouble;
    } catch (const DataError& error) {
        troubleWith(error.what());
        return kTrouble;
    }
    return changes.empty() ? kNoChange : kSomeChange;
}

} // namespace valmor::cli
