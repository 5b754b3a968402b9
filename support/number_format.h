// Locale-independent number text: the general and fixed forms the scene files and
// the grids use, and strict parsing with "." as the decimal separator.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace talvero {

// A decimal number as a digit string: value = (negative ? -1 : 1) * 0.d1d2d3... * 10^exponent.
// `digits` has no leading zeros; an empty `digits` is zero.
struct DecimalDigits {
  bool negative = false;
  std::string digits;
  int exponent = 0;
};

// The value with `significant` correctly rounded significant digits (at most 21).
DecimalDigits ToDecimalDigits(long double value, int significant);

// The exact digits of an integer scaled by 10^-decimals (raw 12345, decimals 4 is 1.2345).
DecimalDigits ExactDecimalDigits(int64_t raw, int decimals);

// Rounds to at most `keep` significant digits, halves away from zero; trailing zeros removed.
void RoundDigitsHalfUp(DecimalDigits& d, int keep);

// Shortest general text with at most `precision` significant digits: plain notation for
// magnitudes from 0.0001 up to (excluding) 1E15, exponent notation otherwise ("1E-5",
// "1.5E-5", "1E15"); no trailing zeros, no point for whole numbers, "-" for negatives.
// The value's 18-digit decimal expansion is rounded half up to `precision` digits.
std::string FormatGeneral(long double value, int precision = 15);
std::string FormatGeneralDigits(DecimalDigits d, int precision = 15);

// The same digits as FormatGeneral, always in plain notation ("0.000015", "1000000000000000"),
// for texts that are filtered character by character and must not carry an exponent.
std::string FormatGeneralPlain(long double value, int precision = 15);

// Fixed notation with exactly `decimals` decimals, rounded half away from zero on the
// value's 18-digit decimal expansion (so 0.125 and 0.145 both round up). Zero has no sign.
std::string FormatFixed(long double value, int decimals);

// Strict decimal number: optional sign, digits with at most one ".", optional exponent
// ("e"/"E", optional sign, digits); at least one mantissa digit; nothing else.
std::optional<long double> ParseFloat(std::string_view text);

// Strict 64-bit integer: optional sign and decimal digits, or "$" and hexadecimal digits.
std::optional<int64_t> ParseInt64(std::string_view text);

// Rounds to the nearest integer, halves to even, as a 64-bit value; nullopt when the
// value is not finite or does not fit.
std::optional<int64_t> RoundHalfEvenToInt64(long double value);

}  // namespace talvero
