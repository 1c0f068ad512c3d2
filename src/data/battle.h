// The arithmetic of the battle damage estimate, one checked step at a time, so that the
// caller can show each result before the next step runs.
#pragma once

namespace valmor {

// (stat + 100 + level) / (100 - level), in double precision in that order.
// Throws nothing: the steps below check the arithmetic they use.

// base x levelFactor(stat, level), rounded to single precision. Throws DivisionByZero when
// a non-zero value is divided by zero, Overflow for an overflow (the rounding to single
// precision included), an invalid operation, or zero divided by zero.
float combatValue(double base, double stat, double level);

// attack - defense in double precision; Overflow on an invalid operation or an overflow.
double damage(float attack, float defense);

// hp / damage in double precision; DivisionByZero or Overflow as for combatValue.
double hitsToKill(double hp, double damage);

} // namespace valmor
