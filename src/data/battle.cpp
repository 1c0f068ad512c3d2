// TEMPORARY STUB: replaced by the full implementation.
#include "battle.h"

namespace valmor {

float combatValue(double base, double stat, double level) {
    return static_cast<float>(base * ((stat + 100 + level) / (100 - level)));
}
double damage(float attack, float defense) { return double{attack} - defense; }
double hitsToKill(double hp, double damage) { return hp / damage; }

} // namespace valmor
