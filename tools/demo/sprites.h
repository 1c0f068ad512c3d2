// The procedurally drawn monster sprites: ten families of five creatures, then the
// seven bosses.
#pragma once

#include <vector>

#include "game/sprite.h"

namespace valmor::demo {

inline constexpr int kMonsterCount = 57;
inline constexpr int kFirstBoss = 50;

SpriteFrame drawMonster(int n);

// All sprites, frame n for monster n.
std::vector<std::uint8_t> spriteFileBytes();

} // namespace valmor::demo
