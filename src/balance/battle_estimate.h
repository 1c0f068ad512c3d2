// The battle damage estimate as the calculator runs it: twelve inputs, eight checked
// steps and four result texts, each handed out as soon as it is formed.
#pragma once

#include <array>
#include <cstddef>
#include <string>

#include "balance/battle.h"
#include "game/conversions.h"

namespace valmor {

// The calculator's inputs, in the order of its boxes.
enum class BattleInput : std::size_t {
    CharacterLevel,
    CharacterStrength,
    CharacterAgility,
    ItemDamage,
    ItemDefense,
    CharacterHp,
    MonsterLevel,
    MonsterStrength,
    MonsterAgility,
    MonsterOffMax,
    MonsterDefense,
    MonsterHp,
};
inline constexpr std::size_t kBattleInputCount = 12;

// The result boxes, in the order they are filled.
enum class BattleResult : std::size_t {
    DamageToMonster,
    DamageToCharacter,
    HitsToKillMonster,
    HitsToKillCharacter,
};
inline constexpr std::size_t kBattleResultCount = 4;

// Runs the steps in order: the four combat values, the two damages, the two hit counts.
// `input(BattleInput)` gives an input's number when a step needs it (the window reads its
// box only then); `show(BattleResult, text)` receives each result text before the next
// step runs. A failing step throws DataError and no later result is shown. The hits
// divide by the damage as shown (its text read back), not by the unrounded difference.
template <typename Input, typename Show> void estimateBattle(Input&& input, Show&& show) {
    using enum BattleInput;
    const float characterAttack =
        combatValue(input(ItemDamage), input(CharacterStrength), input(CharacterLevel));
    const float characterDefense =
        combatValue(input(ItemDefense), input(CharacterAgility), input(CharacterLevel));
    const float monsterAttack =
        combatValue(input(MonsterOffMax), input(MonsterStrength), input(MonsterLevel));
    const float monsterDefense =
        combatValue(input(MonsterDefense), input(MonsterAgility), input(MonsterLevel));
    const std::string toMonster = FormatSingle(damage(characterAttack, monsterDefense));
    show(BattleResult::DamageToMonster, toMonster);
    const std::string toCharacter = FormatSingle(damage(monsterAttack, characterDefense));
    show(BattleResult::DamageToCharacter, toCharacter);
    show(BattleResult::HitsToKillMonster,
         FormatDouble(hitsToKill(input(MonsterHp), ParseNumber(toMonster))));
    show(BattleResult::HitsToKillCharacter,
         FormatDouble(hitsToKill(input(CharacterHp), ParseNumber(toCharacter))));
}

using BattleInputs = std::array<double, kBattleInputCount>;

// The same steps on numbers given up front.
template <typename Show> void estimateBattle(const BattleInputs& inputs, Show&& show) {
    estimateBattle([&](BattleInput which) { return inputs[static_cast<std::size_t>(which)]; },
                   show);
}

} // namespace valmor
