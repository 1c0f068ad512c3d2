// Every record of the stats file and of the encounter file at once, read without ever
// creating or changing a file: for the balance model of valmor-data and of the balance
// window alike.
#pragma once

#include <vector>

#include "files/game_file.h"
#include "game/encounter_record.h"
#include "game/monster_record.h"

namespace valmor {

// One per record; a partial last record reads as if its missing bytes were zero. Throws
// DataError naming the file (FileNotFound for a missing one, FileTooLarge past
// kMaxRecords records).
std::vector<MonsterRecord> readAllMonsterRecords(const GamePath& path);

// One per record, and at least the editor's 268 maps (missing ones read as zeros).
std::vector<EncounterRecord> readAllEncounterRecords(const GamePath& path);

} // namespace valmor
