// The arithmetic of the battle damage estimate, one checked step at a time, so that the
// caller can show each result before the next step runs.
//
// Every step checks its own floating-point operations explicitly (not through <cfenv>):
// a finite non-zero value divided by zero raises DivisionByZero; zero divided by zero,
// infinity minus infinity, zero times infinity, and a finite result that comes out
// infinite (the rounding to single precision included) raise Overflow. When a step sees
// both, DivisionByZero wins. Underflow and inexact results are not errors.
#pragma once

namespace valmor {

// (stat + 100 + level) / (100 - level), in double precision in that order of operations.
// Unchecked: a level of 100 gives an infinity or a NaN. combatValue checks the same steps.
double levelFactor(double stat, double level);

// base x levelFactor(stat, level), formed in double precision, then rounded to single
// precision. Throws DivisionByZero or Overflow as above.
float combatValue(double base, double stat, double level);

// attack - defense in double precision. Throws Overflow for an invalid operation.
double damage(float attack, float defense);

// hp / damage in double precision. Throws DivisionByZero for a non-zero hp and a damage of
// 0, Overflow for 0 / 0 or an overflow.
double hitsToKill(double hp, double damage);

} // namespace valmor
