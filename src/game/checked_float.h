// Double-precision arithmetic that raises Overflow instead of going infinite.
#pragma once

#include <cmath>

#include "files/error.h"

namespace valmor {

inline double checkedAdd(double a, double b) {
    const double sum = a + b;
    if (!std::isfinite(sum))
        throw DataError(ErrorKind::Overflow);
    return sum;
}

} // namespace valmor
