#include "game/change_list.h"

#include <algorithm>
#include <charconv>
#include <istream>
#include <stdexcept>
#include <streambuf>
#include <tuple>

#include "files/file_replace.h"
#include "files/interruption.h"
#include "files/record_file.h"
#include "game/tables/csv.h"
#include "game/tables/import_error.h"
#include "game/tables/latin1.h"
#include "game/tables/text_stream.h"

namespace valmor {

namespace {

using tables::Cell;
using tables::shown;
using tables::TextPosition;

constexpr std::string_view kColumns[] = {"file", "record", "field", "old", "new"};
constexpr std::string_view kHeaderLine = "file,record,field,old,new";

// Every value of every record of both files at most once: no longer list can be sound, and
// a longer text is refused before it is read.
constexpr std::size_t kMaxChangeListBytes = 64 * 1024 * 1024;

int firstRecordNumber(ChangedFile file) {
    return file == ChangedFile::Monsters ? 0 : 1;
}

int lastRecordNumber(ChangedFile file) {
    return firstRecordNumber(file) + static_cast<int>(kMaxRecords) - 1;
}

std::size_t recordBytesOf(ChangedFile file) {
    return file == ChangedFile::Monsters ? kMonsterRecordBytes : kEncounterRecordBytes;
}

std::size_t fieldOffset(const RecordChange& change) {
    return change.file == ChangedFile::Monsters ? kMonsterLayout[change.field].offset
                                                : kEncounterLayout[change.field].offset;
}

// Reading through a layout's accessor changes nothing, so a const record may be read.
std::int16_t fieldValue(const MonsterRecord& record, std::size_t field) {
    return *kMonsterLayout[field].int16(const_cast<MonsterRecord&>(record));
}

std::int16_t fieldValue(const EncounterRecord& record, std::size_t field) {
    return *kEncounterLayout[field].int16(const_cast<EncounterRecord&>(record));
}

// The index of the change's record in the records of its file, when they hold it.
template <typename Record>
std::optional<std::size_t> heldIndex(const RecordChange& change,
                                     const std::vector<Record>& records) {
    const long index = static_cast<long>(change.record) - firstRecordNumber(change.file);
    if (index < 0 || static_cast<std::size_t>(index) >= records.size())
        return std::nullopt;
    return static_cast<std::size_t>(index);
}

// "monster 12 (Gob Shaman)" or "map 5", as diff names records.
std::string recordTitle(const RecordChange& change, const std::vector<MonsterRecord>& monsters) {
    if (change.file == ChangedFile::Encounters)
        return "map " + std::to_string(change.record);
    std::string title = "monster " + std::to_string(change.record);
    if (const auto index = heldIndex(change, monsters)) {
        const std::string name = tables::storedText(monsters[*index].name);
        if (!name.empty())
            title += " (" + name + ")";
    }
    return title;
}

bool isTextField(ChangedFile file, std::string_view name) {
    const auto text = [&](const auto& layout) {
        return std::ranges::any_of(layout, [&](const auto& field) {
            return field.name == name && field.kind == FieldKind::Text;
        });
    };
    return file == ChangedFile::Monsters ? text(kMonsterLayout) : text(kEncounterLayout);
}

// A whole number as the tables write it: digits with an optional minus sign, from `low` to
// `high`. Throws the problem at the cell's place otherwise.
long wholeNumber(const tables::TextStream& stream, const Cell& cell, std::string_view column,
                 long low, long high, std::string_view what = {}) {
    long value = 0;
    const char* end = cell.text.data() + cell.text.size();
    const auto [stop, error] = std::from_chars(cell.text.data(), end, value);
    const std::string name = std::string(column) + ": ";
    if (cell.text.empty() || stop != end ||
        (error != std::errc{} && error != std::errc::result_out_of_range))
        stream.fail(cell.at, name + shown(cell.text) + " is not a whole number");
    if (error != std::errc{} || value < low || value > high) {
        // The digits as written, cut like any echoed input, without the quotes.
        const std::string digits = shown(cell.text);
        stream.fail(cell.at, name + digits.substr(1, digits.size() - 2) + " is outside " +
                                 std::to_string(low) + " to " + std::to_string(high) +
                                 std::string(what));
    }
    return value;
}

// Reads the text where it lies: a change list may be large, and is not copied to be read.
class TextBuffer : public std::streambuf {
public:
    explicit TextBuffer(std::string_view text) {
        char* begin = const_cast<char*>(text.data());
        setg(begin, begin, begin + text.size());
    }
};

// Whether a value was given yet, per file, record and field: one bit each.
class GivenValues {
public:
    GivenValues()
        : given_(slot(ChangedFile::Encounters, lastRecordNumber(ChangedFile::Encounters),
                      kEncounterLayout.size() - 1) +
                 1) {}

    // True the first time a change's value is marked.
    bool mark(const RecordChange& change) {
        const std::size_t at = slot(change.file, change.record, change.field);
        if (given_[at])
            return false;
        given_[at] = true;
        return true;
    }

private:
    static std::size_t slot(ChangedFile file, int record, std::size_t field) {
        const auto index = static_cast<std::size_t>(record - firstRecordNumber(file));
        if (file == ChangedFile::Monsters)
            return index * kMonsterLayout.size() + field;
        return kMaxRecords * kMonsterLayout.size() + index * kEncounterLayout.size() + field;
    }

    std::vector<bool> given_;
};

// A game file of the list, open under the writers' lock and read whole.
struct LockedFile {
    ChangedFile which;
    GameFile file;
    FileIdentity lockedAs;
    std::string bytes;
};

LockedFile lockAndRead(const GameDirectory& folder, ChangedFile which) {
    GameFile file = GameFile::openLocked(folder.file(std::string(changedFileName(which))), false);
    const FileIdentity lockedAs = file.identity();
    const std::size_t recordBytes = recordBytesOf(which);
    requireAddressableRecords(file.place(), lockedAs.size, recordBytes);
    std::string bytes =
        file.readAll(kMaxRecords * recordBytes,
                     "; a record file holds at most " + std::to_string(kMaxRecords) + " records");
    return {which, std::move(file), lockedAs, std::move(bytes)};
}

// The whole records of a file's bytes; a partial last record is no record a change may name.
template <typename Record, typename Decode>
std::vector<Record> wholeRecords(const std::string& bytes, std::size_t recordBytes, Decode decode) {
    std::vector<Record> records;
    records.reserve(bytes.size() / recordBytes);
    for (std::size_t at = 0; at + recordBytes <= bytes.size(); at += recordBytes)
        records.push_back(decode(reinterpret_cast<const std::uint8_t*>(bytes.data()) + at));
    return records;
}

// An error whose message says more than its kind and subject: a failed write and what
// became of the file written before it.
class WriteError : public DataError {
public:
    WriteError(const DataError& cause, const std::string& message)
        : DataError(cause.kind(), cause.subject(), message) {}
};

} // namespace

std::string_view changedFileName(ChangedFile file) {
    return file == ChangedFile::Monsters ? kMonsterFileName : kEncounterFileName;
}

std::string_view changedFieldName(const RecordChange& change) {
    return change.file == ChangedFile::Monsters ? kMonsterLayout.at(change.field).name
                                                : kEncounterLayout.at(change.field).name;
}

std::optional<std::size_t> numberFieldIndex(ChangedFile file, std::string_view name) {
    const auto find = [&](const auto& layout) -> std::optional<std::size_t> {
        for (std::size_t i = 0; i < layout.size(); ++i) {
            if (layout[i].name == name && layout[i].kind == FieldKind::Int16)
                return i;
        }
        return std::nullopt;
    };
    return file == ChangedFile::Monsters ? find(kMonsterLayout) : find(kEncounterLayout);
}

bool changeListOrder(const RecordChange& a, const RecordChange& b) {
    return std::tuple(a.file, a.record, a.field) < std::tuple(b.file, b.record, b.field);
}

std::vector<RecordChange> reversedChanges(std::vector<RecordChange> changes) {
    for (RecordChange& change : changes)
        std::swap(change.oldValue, change.newValue);
    return changes;
}

std::string changeListCsv(const std::vector<RecordChange>& changes) {
    std::string text(kHeaderLine);
    text += '\n';
    for (const RecordChange& change : changes) {
        text += changedFileName(change.file);
        text += ',' + std::to_string(change.record) + ',';
        text += changedFieldName(change);
        text +=
            ',' + std::to_string(change.oldValue) + ',' + std::to_string(change.newValue) + '\n';
    }
    return text;
}

std::vector<RecordChange> changeListFromCsv(std::string_view text, const std::string& source) {
    if (text.size() > kMaxChangeListBytes)
        throw tables::ImportError(
            source, {{{},
                      std::to_string(text.size()) + " bytes; a change list holds at most " +
                          std::to_string(kMaxChangeListBytes / (1024 * 1024)) + " MiB"}});
    TextBuffer buffer(text);
    std::istream in(&buffer);
    tables::TextStream stream(in, source);
    tables::CsvReader reader(stream);
    const auto fail = [&](TextPosition at, std::string message) {
        stream.fail(at, std::move(message));
    };

    std::vector<Cell> row;
    if (!reader.next(row))
        fail(stream.position(), "no header; expected " + std::string(kHeaderLine));
    for (std::size_t c = 0; c < std::size(kColumns); ++c) {
        if (c >= row.size() || row[c].text != kColumns[c])
            fail(c < row.size() ? row[c].at : row.front().at,
                 "expected the header " + std::string(kHeaderLine));
    }
    if (row.size() != std::size(kColumns))
        fail(row[std::size(kColumns)].at, "expected the header " + std::string(kHeaderLine));

    std::vector<RecordChange> changes;
    std::vector<std::int64_t> lines; // the line of each change, for a value given twice
    GivenValues given;
    while (reader.next(row)) {
        if (row.size() != std::size(kColumns))
            fail(row.front().at, std::to_string(row.size()) + " fields where the header has " +
                                     std::to_string(std::size(kColumns)));
        RecordChange change;
        const Cell& file = row[0];
        if (tables::equalIgnoringCase(file.text, kMonsterFileName))
            change.file = ChangedFile::Monsters;
        else if (tables::equalIgnoringCase(file.text, kEncounterFileName))
            change.file = ChangedFile::Encounters;
        else
            fail(file.at, "file: " + shown(file.text) + " is neither " + kMonsterFileName +
                              " nor " + kEncounterFileName);

        change.record = static_cast<int>(wholeNumber(
            stream, row[1], "record", firstRecordNumber(change.file), lastRecordNumber(change.file),
            change.file == ChangedFile::Monsters ? " (monster numbers)" : " (map numbers)"));

        const Cell& field = row[2];
        if (const auto index = numberFieldIndex(change.file, field.text))
            change.field = *index;
        else if (isTextField(change.file, field.text))
            fail(field.at,
                 "field: " + field.text + " is a text; a change list changes whole numbers only");
        else
            fail(field.at, "field: " + shown(field.text) + " is no field of " +
                               std::string(changedFileName(change.file)));

        change.oldValue =
            static_cast<std::int16_t>(wholeNumber(stream, row[3], kColumns[3], -32768, 32767));
        change.newValue =
            static_cast<std::int16_t>(wholeNumber(stream, row[4], kColumns[4], -32768, 32767));

        if (!given.mark(change)) {
            const auto first = std::ranges::find_if(changes, [&](const RecordChange& earlier) {
                return !changeListOrder(earlier, change) && !changeListOrder(change, earlier);
            });
            fail(file.at,
                 std::string(changedFileName(change.file)) + " " +
                     (change.file == ChangedFile::Monsters ? "monster " : "map ") +
                     std::to_string(change.record) + " " + std::string(changedFieldName(change)) +
                     " is also on line " +
                     std::to_string(lines[static_cast<std::size_t>(first - changes.begin())]) +
                     "; give each value once");
        }
        changes.push_back(change);
        lines.push_back(file.at.line);
    }
    return changes;
}

std::vector<RecordChange> changesBetween(const std::vector<MonsterRecord>& monstersA,
                                         const std::vector<MonsterRecord>& monstersB,
                                         const std::vector<EncounterRecord>& mapsA,
                                         const std::vector<EncounterRecord>& mapsB) {
    const auto refuse = [](std::string message) {
        return DataError(ErrorKind::InvalidPropertyValue, std::move(message));
    };
    const auto sameCount = [&](ChangedFile file, std::size_t a, std::size_t b) {
        if (a != b)
            throw refuse(std::string(changedFileName(file)) + ": " + std::to_string(a) +
                         " records in the one, " + std::to_string(b) +
                         " in the other; a change list cannot add or remove records");
    };
    sameCount(ChangedFile::Monsters, monstersA.size(), monstersB.size());
    sameCount(ChangedFile::Encounters, mapsA.size(), mapsB.size());

    std::vector<RecordChange> changes;
    for (std::size_t r = 0; r < monstersA.size(); ++r) {
        RecordChange change{ChangedFile::Monsters, static_cast<int>(r)};
        for (std::size_t f = 0; f < kMonsterLayout.size(); ++f) {
            const MonsterField& field = kMonsterLayout[f];
            if (field.kind == FieldKind::Text) {
                auto& a = const_cast<MonsterRecord&>(monstersA[r]);
                auto& b = const_cast<MonsterRecord&>(monstersB[r]);
                if (*field.text(a) != *field.text(b))
                    throw refuse(std::string(kMonsterFileName) + ": " +
                                 recordTitle(change, monstersA) + ": " + std::string(field.name) +
                                 " " + shown(tables::storedText(*field.text(a))) + " -> " +
                                 shown(tables::storedText(*field.text(b))) +
                                 "; a change list changes whole numbers only");
                continue;
            }
            change.field = f;
            change.oldValue = fieldValue(monstersA[r], f);
            change.newValue = fieldValue(monstersB[r], f);
            if (change.oldValue != change.newValue)
                changes.push_back(change);
        }
    }
    for (std::size_t r = 0; r < mapsA.size(); ++r) {
        RecordChange change{ChangedFile::Encounters, static_cast<int>(r) + 1};
        for (std::size_t f = 0; f < kEncounterLayout.size(); ++f) {
            change.field = f;
            change.oldValue = fieldValue(mapsA[r], f);
            change.newValue = fieldValue(mapsB[r], f);
            if (change.oldValue != change.newValue)
                changes.push_back(change);
        }
    }
    return changes;
}

namespace {

// The value the records hold for a change's field, or nothing when they lack its record.
std::optional<std::int16_t> heldValue(const RecordChange& change,
                                      const std::vector<MonsterRecord>& monsters,
                                      const std::vector<EncounterRecord>& maps) {
    if (change.file == ChangedFile::Monsters) {
        const auto index = heldIndex(change, monsters);
        return index ? std::optional(fieldValue(monsters[*index], change.field)) : std::nullopt;
    }
    const auto index = heldIndex(change, maps);
    return index ? std::optional(fieldValue(maps[*index], change.field)) : std::nullopt;
}

} // namespace

std::vector<RecordChange> withRecordGuards(const std::vector<RecordChange>& changes,
                                           const std::vector<MonsterRecord>& monsters,
                                           const std::vector<EncounterRecord>& maps) {
    std::vector<RecordChange> guarded = changes;
    const auto guard = [&](ChangedFile file, int record, const auto& layout) {
        for (std::size_t field = 0; field < layout.size(); ++field) {
            if (layout[field].kind != FieldKind::Int16 ||
                std::ranges::any_of(guarded, [&](const RecordChange& c) {
                    return c.file == file && c.record == record && c.field == field;
                }))
                continue;
            const RecordChange probe{file, record, field, 0, 0};
            if (const auto value = heldValue(probe, monsters, maps))
                guarded.push_back({file, record, field, *value, *value});
        }
    };
    for (const RecordChange& change : changes) {
        if (change.file == ChangedFile::Monsters)
            guard(change.file, change.record, kMonsterLayout);
        else
            guard(change.file, change.record, kEncounterLayout);
    }
    return guarded;
}

const RecordChange* firstStaleChange(const std::vector<RecordChange>& changes,
                                     const std::vector<MonsterRecord>& monsters,
                                     const std::vector<EncounterRecord>& maps) {
    for (const RecordChange& change : changes) {
        if (change.file == ChangedFile::Monsters) {
            const auto index = heldIndex(change, monsters);
            if (!index || fieldValue(monsters[*index], change.field) != change.oldValue)
                return &change;
        } else {
            const auto index = heldIndex(change, maps);
            if (!index || fieldValue(maps[*index], change.field) != change.oldValue)
                return &change;
        }
    }
    return nullptr;
}

std::string staleChangeText(const RecordChange& change, const std::vector<MonsterRecord>& monsters,
                            const std::vector<EncounterRecord>& maps) {
    const std::string field(changedFieldName(change));
    const std::string expected = "the change list says " + std::to_string(change.oldValue);
    const std::string title = recordTitle(change, monsters);
    const auto absent = [&](std::size_t held) {
        return title + ": the file holds no such record (" + std::to_string(held) +
               " whole records); for " + field + " " + expected;
    };
    if (change.file == ChangedFile::Monsters) {
        const auto index = heldIndex(change, monsters);
        if (!index)
            return absent(monsters.size());
        return title + ": " + field + " is " +
               std::to_string(fieldValue(monsters[*index], change.field)) + ", " + expected;
    }
    const auto index = heldIndex(change, maps);
    if (!index)
        return absent(maps.size());
    return title + ": " + field + " is " + std::to_string(fieldValue(maps[*index], change.field)) +
           ", " + expected;
}

void applyChanges(const std::vector<RecordChange>& changes, std::vector<MonsterRecord>& monsters,
                  std::vector<EncounterRecord>& maps) {
    for (const RecordChange& change : changes) {
        const auto index = change.file == ChangedFile::Monsters ? heldIndex(change, monsters)
                                                                : heldIndex(change, maps);
        if (!index)
            throw std::logic_error("applyChanges: a change names a record the records lack");
        if (change.file == ChangedFile::Monsters)
            *kMonsterLayout[change.field].int16(monsters[*index]) = change.newValue;
        else
            *kEncounterLayout[change.field].int16(maps[*index]) = change.newValue;
    }
}

std::vector<ChangedFile> writeChanges(const GameDirectory& folder,
                                      const std::vector<RecordChange>& changes) {
    // Locks in one order, stats before encounters, so two writers of both never wait on
    // each other.
    // A signal waits until both files are written or neither is.
    const InterruptionGuard interruptions;
    std::vector<LockedFile> files;
    for (const ChangedFile which : {ChangedFile::Monsters, ChangedFile::Encounters}) {
        if (!std::ranges::any_of(changes, [&](const RecordChange& c) { return c.file == which; }))
            continue;
        // Two names of one file (a link from one to the other) would wait on the lock this
        // call holds, and the second replace would undo the first.
        const GamePath path = folder.file(std::string(changedFileName(which)));
        if (!files.empty() && pathKind(path) != PathKind::Missing &&
            identityOf(path).sameFile(files.front().lockedAs))
            throw DataError(ErrorKind::InvalidPropertyValue,
                            std::string(kMonsterFileName) + " and " + kEncounterFileName +
                                " are one file; nothing was written");
        try {
            files.push_back(lockAndRead(folder, which));
        } catch (const DataError& error) {
            throw WriteError(error, std::string(error.what()) + "; nothing was written");
        }
    }
    std::vector<MonsterRecord> monsters;
    std::vector<EncounterRecord> maps;
    for (const LockedFile& locked : files) {
        if (locked.which == ChangedFile::Monsters)
            monsters = wholeRecords<MonsterRecord>(
                locked.bytes, kMonsterRecordBytes, [](const std::uint8_t* at) {
                    return decodeMonsterRecord(std::span<const std::uint8_t, kMonsterRecordBytes>(
                        at, kMonsterRecordBytes));
                });
        else
            maps = wholeRecords<EncounterRecord>(
                locked.bytes, kEncounterRecordBytes, [](const std::uint8_t* at) {
                    return decodeEncounterRecord(
                        std::span<const std::uint8_t, kEncounterRecordBytes>(
                            at, kEncounterRecordBytes));
                });
    }
    // A file that holds every new value of the list already is left as it is: the same
    // list applied a second time, or an apply killed between its two files and run again.
    std::vector<ChangedFile> held;
    for (const LockedFile& locked : files) {
        bool allNew = true;
        bool allOld = true;
        for (const RecordChange& change : changes) {
            if (change.file != locked.which)
                continue;
            const std::optional<std::int16_t> value = heldValue(change, monsters, maps);
            allNew = allNew && value == change.newValue;
            allOld = allOld && value == change.oldValue;
        }
        if (allNew && !allOld)
            held.push_back(locked.which);
    }
    std::vector<RecordChange> toWrite;
    for (const RecordChange& change : changes) {
        if (std::ranges::find(held, change.file) == held.end())
            toWrite.push_back(change);
    }
    std::erase_if(files, [&](const LockedFile& locked) {
        return std::ranges::find(held, locked.which) != held.end();
    });
    if (const RecordChange* stale = firstStaleChange(toWrite, monsters, maps))
        throw DataError(ErrorKind::RecordChanged, std::string(changedFileName(stale->file)) + ": " +
                                                      staleChangeText(*stale, monsters, maps) +
                                                      "; nothing was written");

    // Only the two bytes of each changed value move: everything else, a partial last record
    // included, stays as it was.
    std::vector<std::string> written;
    for (const LockedFile& locked : files) {
        std::string bytes = locked.bytes;
        for (const RecordChange& change : toWrite) {
            if (change.file != locked.which)
                continue;
            const std::size_t at =
                static_cast<std::size_t>(change.record - firstRecordNumber(change.file)) *
                    recordBytesOf(change.file) +
                fieldOffset(change);
            storeInt16(reinterpret_cast<std::uint8_t*>(bytes.data() + at), change.newValue);
        }
        written.push_back(std::move(bytes));
    }

    for (std::size_t i = 0; i < files.size(); ++i) {
        try {
            throwIfInterrupted();
            replaceLockedFile(files[i].file, files[i].lockedAs, written[i]);
        } catch (const DataError& error) {
            if (i == 0)
                throw WriteError(error, std::string(error.what()) + "; nothing was written");
            // The first file holds the new values already: put its old bytes back, if it is
            // still the file this call wrote.
            const LockedFile& first = files.front();
            std::string undone;
            try {
                GameFile again = GameFile::openLocked(first.file.place(), false);
                const FileIdentity now = again.identity();
                if (again.readAll(written.front().size(), {}) != written.front())
                    throw DataError(ErrorKind::FileChanged, first.file.path().string());
                replaceLockedFile(again, now, first.bytes);
                undone = std::string(changedFileName(first.which)) +
                         " got its old bytes back; nothing was written";
            } catch (const DataError& restoreError) {
                undone = std::string(changedFileName(first.which)) +
                         " holds the new values and could not be put back (" + restoreError.what() +
                         ")";
            }
            throw WriteError(error, std::string(error.what()) + "; " + undone);
        }
    }
    return held;
}

} // namespace valmor
