#include "balance/battle.h"

#include <cmath>
#include <limits>

#include "files/error.h"

namespace valmor {

namespace {

// The floating-point exceptions of a run of operations, decided from the operands and the
// result of each operation, the way IEEE 754 defines them.
class FpCheck {
public:
    double add(double a, double b) { return note(a, b, a + b); }
    double subtract(double a, double b) { return note(a, b, a - b); }
    double multiply(double a, double b) { return note(a, b, a * b); }

    // A zero divisor is worked out without dividing, so that no trap or sanitizer fires.
    double divide(double a, double b) {
        if (b != 0)
            return note(a, b, a / b);
        if (std::isnan(a))
            return a;
        if (a == 0) {
            invalid_ = true;
            return std::numeric_limits<double>::quiet_NaN();
        }
        if (std::isfinite(a))
            divisionByZero_ = true; // an infinite dividend raises nothing
        const double inf = std::numeric_limits<double>::infinity();
        return std::signbit(a) != std::signbit(b) ? -inf : inf;
    }

    float toSingle(double value) {
        const auto single = static_cast<float>(value);
        if (std::isinf(single) && std::isfinite(value))
            overflow_ = true;
        return single;
    }

    void throwIfRaised() const {
        if (divisionByZero_)
            throw DataError(ErrorKind::DivisionByZero);
        if (overflow_ || invalid_)
            throw DataError(ErrorKind::Overflow);
    }

private:
    // A NaN out of non-NaN operands is an invalid operation (inf - inf, 0 x inf, inf / inf);
    // an infinity out of finite operands is an overflow.
    double note(double a, double b, double result) {
        if (std::isnan(result) && !std::isnan(a) && !std::isnan(b))
            invalid_ = true;
        else if (std::isinf(result) && std::isfinite(a) && std::isfinite(b))
            overflow_ = true;
        return result;
    }

    bool invalid_ = false;
    bool divisionByZero_ = false;
    bool overflow_ = false;
};

double levelFactor(double stat, double level, FpCheck& fp) {
    const double above = fp.add(fp.add(stat, 100.0), level);
    const double below = fp.subtract(100.0, level);
    return fp.divide(above, below);
}

} // namespace

double levelFactor(double stat, double level) {
    FpCheck unchecked;
    return levelFactor(stat, level, unchecked);
}

float combatValue(double base, double stat, double level) {
    FpCheck fp;
    const float value = fp.toSingle(fp.multiply(base, levelFactor(stat, level, fp)));
    fp.throwIfRaised();
    return value;
}

double damage(float attack, float defense) {
    FpCheck fp;
    const double value = fp.subtract(attack, defense);
    fp.throwIfRaised();
    return value;
}

double hitsToKill(double hp, double damage) {
    FpCheck fp;
    const double value = fp.divide(hp, damage);
    fp.throwIfRaised();
    return value;
}

} // namespace valmor
