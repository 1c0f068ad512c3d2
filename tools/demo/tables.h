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

inline constexpr const char* kTargetsFileName = "targets.csv";
// The difficulty the demo's regions were drawn for, as target bands of the profiles of
// charactersCsvText (maps,profile,defeat_min,defeat_max): each region some danger but
// comfortable for its first level, safer for the next ones, and its boss risky but
// winnable for the level it gates. The demo's stats meet it only in part.
std::string targetsCsvText();

} // namespace valmor::demo
