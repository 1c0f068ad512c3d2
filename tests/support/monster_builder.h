// A monster record holding just the values the battle and balance models read.
#pragma once

#include <cstdint>

#include "game/monster_record.h"

namespace valmor::test {

inline MonsterRecord battleMonster(std::int16_t hp, std::int16_t def, std::int16_t offMax,
                                   std::int16_t exp, std::int16_t gold, std::int16_t item1 = -1,
                                   std::int16_t item1Perc = 0, std::int16_t item2 = -1,
                                   std::int16_t item2Perc = 0) {
    MonsterRecord r;
    r.hp = r.hp2 = hp;
    r.def = def;
    r.offMax = offMax;
    r.exp = exp;
    r.gold = gold;
    r.item1 = item1;
    r.item1Perc = item1Perc;
    r.item2 = item2;
    r.item2Perc = item2Perc;
    return r;
}

} // namespace valmor::test
