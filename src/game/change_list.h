// Change lists: a balance change as a small CSV text, one changed value a row,
// `file,record,field,old,new` ("monsters.tat,12,hp,86,71"; "encountr.mon,5,monFreq2,16,12").
// A record is a monster's number (its sprite index) in the stats file and a map's number
// (from 1) in the encounter file; a field is named as the tables and textconv name it.
// Only whole-number fields change: names and specials stay as they are.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "files/game_file.h"
#include "game/encounter_record.h"
#include "game/monster_record.h"

namespace valmor {

enum class ChangedFile { Monsters, Encounters };

struct RecordChange {
    ChangedFile file = ChangedFile::Monsters;
    int record = 0;        // monster number from 0, or map number from 1
    std::size_t field = 0; // index in kMonsterLayout or kEncounterLayout
    std::int16_t oldValue = 0;
    std::int16_t newValue = 0;

    bool operator==(const RecordChange&) const = default;
};

// "monsters.tat" or "encountr.mon".
std::string_view changedFileName(ChangedFile file);
// The field's name as the tables write it: "hp", "monFreq2".
std::string_view changedFieldName(const RecordChange& change);
// The index of a whole-number field of that file, or nothing.
std::optional<std::size_t> numberFieldIndex(ChangedFile file, std::string_view name);

// The order a change list is written in: file (stats first), record, field in file order.
bool changeListOrder(const RecordChange& a, const RecordChange& b);

// The same changes the other way round: each new value back to its old one.
std::vector<RecordChange> reversedChanges(std::vector<RecordChange> changes);

// The CSV text: the header line, then one line per change in the order given, "\n" ends.
std::string changeListCsv(const std::vector<RecordChange>& changes);

// Reads a change list. Throws DataError (TableRejected) naming `source`, the line and the
// column of the first problem: a missing or other header, a file that is not one of the two,
// a record outside the file's numbers, a text field or an unknown field, a value that is no
// whole number in -32768..32767, or a value given twice for one field of one record.
std::vector<RecordChange> changeListFromCsv(std::string_view text, const std::string& source);

// Every whole-number field that differs between `a` and `b`, as a change list in its order.
// Throws DataError (InvalidPropertyValue) naming the record when the two differ in a way a
// change list cannot say: the number of records, a name or a special's text.
std::vector<RecordChange> changesBetween(const std::vector<MonsterRecord>& monstersA,
                                         const std::vector<MonsterRecord>& monstersB,
                                         const std::vector<EncounterRecord>& mapsA,
                                         const std::vector<EncounterRecord>& mapsB);

// The first change whose old value is not what the records hold (or whose record they do
// not hold), or nothing when every one matches.
const RecordChange* firstStaleChange(const std::vector<RecordChange>& changes,
                                     const std::vector<MonsterRecord>& monsters,
                                     const std::vector<EncounterRecord>& maps);
// A line naming the record and the values of a stale change, for an error:
// "monster 12 (Gob Shaman): hp is 90, the change list says 86".
std::string staleChangeText(const RecordChange& change, const std::vector<MonsterRecord>& monsters,
                            const std::vector<EncounterRecord>& maps);

// The changes and, for each record they change, every other whole-number field as the
// records hold it (old and new alike), so that writeChanges refuses when any value of those
// records differs from what the changes were made for. Records past the end are left out.
std::vector<RecordChange> withRecordGuards(const std::vector<RecordChange>& changes,
                                           const std::vector<MonsterRecord>& monsters,
                                           const std::vector<EncounterRecord>& maps);

// Sets every new value in the records, which must hold each change's record.
void applyChanges(const std::vector<RecordChange>& changes, std::vector<MonsterRecord>& monsters,
                  std::vector<EncounterRecord>& maps);

// Writes a change list into the game files of `folder`: under the lock every writer of a
// game file takes (monsters.tat's first, then encountr.mon's), it reads each file the list
// names whole, checks every old value and writes nothing when one differs, throwing
// DataError (RecordChanged) with staleChangeText and "nothing was written". Otherwise each
// file is replaced whole (as the imports replace it); should the second replace fail, the
// first file gets its old bytes back. A missing file is FileNotFound; nothing is created.
// A file whose every changed field holds its new value already (the list applied before,
// or an apply cut short between its two files and run again) is left as it is, and named
// in what this gives back.
std::vector<ChangedFile> writeChanges(const GameDirectory& folder,
                                      const std::vector<RecordChange>& changes);

} // namespace valmor
