// The demo monster statistics, encounter tables, item names and character profiles.
#pragma once

#include <string>
#include <vector>

#include "game/encounter_record.h"
#include "game/monster_record.h"

namespace valmor::demo {

// One record per sprite; record n + 1 belongs to sprite n.
std::vector<MonsterRecord> demoMonsters();
// One record per map, map 1 first.
std::vector<EncounterRecord> demoEncounters();
// The 100 item names, weakest gear first.
std::vector<std::string> demoItemNames();
// One name per line; a name holding a comma is written in double quotes.
std::string itemListText(const std::vector<std::string>& names);

inline constexpr const char* kCharactersFileName = "characters.csv";
// A character progression from level 1 to 20 for the balance commands, as a CSV table
// with the columns name,level,strength,agility,item_damage,item_defense,hp.
std::string charactersCsvText();

} // namespace valmor::demo
