// The rules by which control texts become numbers and numbers become texts.
// The decimal separator is always the point, whatever the user's locale.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace valmor {

// The number at the start of the text (blanks, tabs and line feeds anywhere are
// ignored; &H and &O read hexadecimal and octal); 0 when there is none.
// Throws Overflow for a number beyond the double range.
double ParseNumber(std::string_view text);

// Rounds to the nearest integer, ties to even. Throws Overflow outside the 16-bit range.
std::int16_t ToInt16(double value);

// The whole text, less leading and trailing blanks, must be a number; then as ToInt16.
// Throws TypeMismatch or Overflow.
std::int16_t TextToInt16(std::string_view text);

std::string FormatInt(std::int16_t value);

// The value of c as a digit of `base` (up to 16, either case), or -1.
int digitValue(char c, int base);

inline bool isDecimalDigit(char c) {
    return c >= '0' && c <= '9';
}

// Up to 15 significant digits, no trailing zeros; exponent form (1.5E+20, 1E-05)
// when the decimal exponent is 15 or more, or -5 or less.
std::string FormatDouble(double value);

// The value rounded to single precision, then up to 7 significant digits;
// exponent form from a decimal exponent of 7 up or -5 down. "Infinity" beyond the range.
std::string FormatSingle(double value);

} // namespace valmor
