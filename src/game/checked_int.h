// Signed 16-bit and 32-bit arithmetic that raises Overflow instead of wrapping.
#pragma once

#include <cstdint>
#include <limits>

#include "files/error.h"

namespace valmor {

template <typename Int> Int checkedNarrow(std::int64_t value) {
    if (value < std::numeric_limits<Int>::min() || value > std::numeric_limits<Int>::max())
        throw DataError(ErrorKind::Overflow);
    return static_cast<Int>(value);
}

inline std::int16_t checkedAdd16(std::int16_t a, std::int16_t b) {
    return checkedNarrow<std::int16_t>(std::int64_t{a} + b);
}

inline std::int16_t checkedMul16(std::int16_t a, std::int16_t b) {
    return checkedNarrow<std::int16_t>(std::int64_t{a} * b);
}

inline std::int32_t checkedAdd32(std::int32_t a, std::int32_t b) {
    return checkedNarrow<std::int32_t>(std::int64_t{a} + b);
}

inline std::int32_t checkedMul32(std::int32_t a, std::int32_t b) {
    return checkedNarrow<std::int32_t>(std::int64_t{a} * b);
}

} // namespace valmor
