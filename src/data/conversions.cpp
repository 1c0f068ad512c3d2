// TEMPORARY STUB: replaced by the full implementation.
#include "conversions.h"

#include <charconv>
#include <cmath>

#include "error.h"

namespace valmor {

double ParseNumber(std::string_view text) {
    double v = 0;
    std::from_chars(text.data(), text.data() + text.size(), v);
    return v;
}

std::int16_t ToInt16(double value) {
    const double r = std::nearbyint(value);
    if (!(r >= -32768 && r <= 32767))
        throw DataError(ErrorKind::Overflow);
    return static_cast<std::int16_t>(r);
}

std::int16_t TextToInt16(std::string_view text) { return ToInt16(ParseNumber(text)); }

std::string FormatInt(std::int16_t value) { return std::to_string(value); }
std::string FormatDouble(double value) { return std::to_string(value); }
std::string FormatSingle(double value) { return std::to_string(static_cast<float>(value)); }

} // namespace valmor
