#include "game/conversions.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <string>
#include <system_error>

#include "files/error.h"

// Numbers are read and written with std::from_chars and std::to_chars only: they ignore the
// C locale, which a GUI toolkit may set at start-up, so the point is always the separator.

namespace valmor {

namespace {

// The parts of a number found at the start of a text; evaluated only once the caller knows
// how much of the text it covers.
struct Scan {
    std::size_t length = 0; // characters that belong to the number
    int base = 10;
    bool negative = false;
    std::string_view intDigits;  // for base 8 and 16, all the digits
    std::string_view fracDigits; // base 10 only
    std::int64_t exponent = 0;   // base 10 only

    bool hasDigits() const { return !intDigits.empty() || !fracDigits.empty(); }
};

// "&H..." or "&O...": digits of the base up to the first character that is not one.
Scan scanRadix(std::string_view text) {
    Scan scan;
    scan.base = (text[1] == 'H' || text[1] == 'h') ? 16 : 8;
    std::size_t pos = 2;
    while (pos < text.size() && digitValue(text[pos], scan.base) >= 0)
        ++pos;
    scan.intDigits = text.substr(2, pos - 2);
    scan.length = pos;
    return scan;
}

// Values up to FFFF are 16-bit two's complement, up to FFFFFFFF 32-bit; larger ones overflow.
double radixValue(std::string_view digits, int base) {
    std::uint64_t value = 0; // stays 0 for no digits ("&H")
    const auto error =
        std::from_chars(digits.data(), digits.data() + digits.size(), value, base).ec;
    if (error == std::errc::result_out_of_range || value > 0xFFFFFFFFu)
        throw DataError(ErrorKind::Overflow);
    if (value <= 0xFFFFu)
        return static_cast<std::int16_t>(static_cast<std::uint16_t>(value));
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(value));
}

std::size_t countLeading(std::string_view s, char c) {
    return std::min(s.find_first_not_of(c), s.size());
}

// The double nearest to 0.DIGITS x 10^exponent10 where DIGITS are the integer digits followed
// by the fraction digits. Leading zeros are folded into the exponent first, so neither a long
// run of zeros nor a huge exponent reaches the conversion.
double decimalValue(std::string_view intDigits, std::string_view fracDigits,
                    std::int64_t exponent10) {
    intDigits.remove_prefix(countLeading(intDigits, '0'));
    std::string digits;
    std::int64_t pointAt = 0; // decimal exponent of 0.DIGITS before the written exponent
    if (!intDigits.empty()) {
        pointAt = static_cast<std::int64_t>(intDigits.size());
        digits.append(intDigits).append(fracDigits);
    } else {
        const std::size_t zeros = countLeading(fracDigits, '0');
        pointAt = -static_cast<std::int64_t>(zeros);
        digits.append(fracDigits.substr(zeros));
    }
    const std::size_t lastNonZero = digits.find_last_not_of('0');
    if (lastNonZero == std::string::npos)
        return 0;
    digits.resize(lastNonZero + 1);

    // 0.d x 10^e lies in [10^(e-1), 10^e): beyond 10^309 it overflows, below 10^-325 it is 0.
    const std::int64_t e = pointAt + exponent10;
    if (e > 309)
        throw DataError(ErrorKind::Overflow);
    if (e < -325)
        return 0;

    char exponentText[8];
    const auto exponentEnd = std::to_chars(exponentText, exponentText + sizeof exponentText, e).ptr;
    const std::string normal = "0." + digits + 'e' + std::string(exponentText, exponentEnd);

    double value = 0;
    const auto ec = std::from_chars(normal.data(), normal.data() + normal.size(), value).ec;
    if (ec == std::errc::result_out_of_range) {
        if (e > 0)
            throw DataError(ErrorKind::Overflow);
        return 0;
    }
    if (ec != std::errc{} || std::isinf(value))
        throw DataError(ErrorKind::Overflow);
    return value;
}

// Optional sign, digits, at most one point, and an exponent (E or D, optional sign, digits).
// An exponent letter counts as part of the number only when digits follow it.
Scan scanDecimal(std::string_view text) {
    Scan scan;
    std::size_t pos = 0;
    const auto digitRun = [&] {
        const std::size_t start = pos;
        pos = std::min(text.find_first_not_of("0123456789", pos), text.size());
        return text.substr(start, pos - start);
    };

    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
        scan.negative = text[pos] == '-';
        ++pos;
    }
    scan.intDigits = digitRun();
    if (pos < text.size() && text[pos] == '.') {
        ++pos;
        scan.fracDigits = digitRun();
    }
    if (!scan.hasDigits())
        return scan;

    if (pos < text.size() &&
        (text[pos] == 'E' || text[pos] == 'e' || text[pos] == 'D' || text[pos] == 'd')) {
        std::size_t at = pos + 1;
        bool exponentNegative = false;
        if (at < text.size() && (text[at] == '+' || text[at] == '-')) {
            exponentNegative = text[at] == '-';
            ++at;
        }
        if (at < text.size() && isDecimalDigit(text[at])) {
            pos = at;
            // Saturates: any exponent beyond a billion overflows or underflows anyway.
            for (char c : digitRun()) {
                if (scan.exponent < 1'000'000'000)
                    scan.exponent = scan.exponent * 10 + (c - '0');
            }
            if (exponentNegative)
                scan.exponent = -scan.exponent;
        }
    }
    scan.length = pos;
    return scan;
}

Scan scanNumber(std::string_view text) {
    if (text.size() >= 2 && text[0] == '&' &&
        (text[1] == 'H' || text[1] == 'h' || text[1] == 'O' || text[1] == 'o'))
        return scanRadix(text);
    return scanDecimal(text);
}

// Throws Overflow beyond the double range or, for &H and &O, beyond 32 bits.
double valueOf(const Scan& scan) {
    if (scan.base != 10)
        return radixValue(scan.intDigits, scan.base);
    const double magnitude = decimalValue(scan.intDigits, scan.fracDigits, scan.exponent);
    return scan.negative ? -magnitude : magnitude;
}

// At most `digits` significant digits without trailing zeros, in the exponent form (1.5E+20,
// 1E-05) from a decimal exponent of `digits` up or -5 down: the general format.
std::string formatSignificant(double value, int digits) {
    if (std::isnan(value))
        return "NaN";
    if (std::isinf(value))
        return value < 0 ? "-Infinity" : "Infinity";
    if (value == 0)
        return "0";
    char buffer[32];
    const auto end =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, digits)
            .ptr;
    std::string text(buffer, end);
    std::ranges::replace(text, 'e', 'E');
    return text;
}

} // namespace

double ParseNumber(std::string_view text) {
    std::string compact(text);
    std::erase_if(compact, [](char c) { return c == ' ' || c == '\t' || c == '\n'; });
    return valueOf(scanNumber(compact));
}

std::int16_t ToInt16(double value) {
    // The default rounding mode takes halves to the even neighbour.
    const double rounded = std::nearbyint(value);
    if (!(rounded >= -32768 && rounded <= 32767))
        throw DataError(ErrorKind::Overflow);
    return static_cast<std::int16_t>(rounded);
}

std::int16_t TextToInt16(std::string_view text) {
    const std::size_t first = text.find_first_not_of(' ');
    if (first == std::string_view::npos)
        throw DataError(ErrorKind::TypeMismatch);
    text = text.substr(first, text.find_last_not_of(' ') - first + 1);
    const Scan scan = scanNumber(text);
    if (!scan.hasDigits() || scan.length != text.size())
        throw DataError(ErrorKind::TypeMismatch);
    return ToInt16(valueOf(scan));
}

int digitValue(char c, int base) {
    // from_chars takes letters in either case and leaves the value alone on failure.
    int d = -1;
    std::from_chars(&c, &c + 1, d, base);
    return d;
}

std::string FormatInt(std::int16_t value) {
    char buffer[8];
    const auto end = std::to_chars(buffer, buffer + sizeof buffer, value).ptr;
    return std::string(buffer, end);
}

std::string FormatDouble(double value) {
    // The few doubles at the top of the range would round up to 1.79769313486232E+308, which
    // no longer reads back as a double; they are cut to the largest 15-digit text instead.
    constexpr double kLargest15Digits = 1.79769313486231e308;
    if (std::isfinite(value) && std::fabs(value) > kLargest15Digits)
        value = std::copysign(kLargest15Digits, value);
    return formatSignificant(value, 15);
}

std::string FormatSingle(double value) {
    // Beyond the single range the conversion gives an infinity, shown as such.
    const float single = static_cast<float>(value);
    return formatSignificant(single, 7);
}

} // namespace valmor
