#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace vestrel {

// Text <-> number conversions as the user's regional settings write numbers.
// The decimal separator is injected: the Win32 build reads the user's, tests
// pass ',' or '.'.

// Text to double. Blanks around the number are ignored; anything that is not
// a plain decimal number (empty text, "*", a word) raises the type-mismatch
// error 13, a magnitude beyond double raises the overflow error 6.
double ToNumber(std::string_view text, char decimalSeparator);

// ToNumber, then rounded half to even; outside the 32-bit signed range it
// raises the overflow error 6.
std::int32_t ToInteger(std::string_view text, char decimalSeparator);
// The same rounding and range check for a number already read.
std::int32_t ToInteger(double value);

// A double in general format: at most 15 significant digits, no trailing
// zeros, no separator for a whole number, exponent form ("1E+20") only for
// magnitudes that plain digits cannot carry in 15 digits.
std::string NumberText(double value, char decimalSeparator);

// An integer in plain decimal.
std::string IntegerText(std::int64_t value);

// Rounds to the nearest integer, an exact half to the even neighbour.
double RoundHalfEven(double value);

}  // namespace vestrel
