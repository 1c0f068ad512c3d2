// The demo monster statistics, encounter tables and item names.
#pragma once

#include <string>
#include <vector>

#include "data/encounter_record.h"
#include "data/monster_record.h"

namespace valmor::demo {

// One record per sprite; record n + 1 belongs to sprite n.
std::vector<MonsterRecord> demoMonsters();
// One record per map, map 1 first.
std::vector<EncounterRecord> demoEncounters();
// The 100 item names, weakest gear first.
std::vector<std::string> demoItemNames();
// One name per line; a name holding a comma is written in double quotes.
std::string itemListText(const std::vector<std::string>& names);

} // namespace valmor::demo
