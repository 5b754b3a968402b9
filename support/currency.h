// Fixed-point decimal with exactly four decimal places: a 64-bit integer holding the
// value times 10000. Scene parameters use it so that values typed as decimals stay exact.
#pragma once

#include <compare>
#include <cstdint>
#include <string>
#include <string_view>

namespace talvero {

class Currency {
 public:
  static constexpr int64_t kScale = 10000;

  constexpr Currency() = default;

  // From the stored integer (value times 10000).
  static constexpr Currency FromRaw(int64_t raw) { return Currency(raw); }
  // A whole number; ConvertError when it is out of range.
  static Currency FromInt(int64_t whole);
  // value times 10000 rounded to the nearest integer, halves to even, in extended
  // precision; ConvertError when not finite or out of range.
  static Currency FromLongDouble(long double value);
  // Exact decimal text ("-1.7", "12.345", "5"); more than four decimals are rounded half to
  // even on the exact digits. ConvertError for anything that is not such a number.
  static Currency Parse(std::string_view text);

  constexpr int64_t Raw() const { return FRaw; }
  long double ToLongDouble() const { return static_cast<long double>(FRaw) / kScale; }

  // Exact negation; ConvertError for the one value whose negation does not fit.
  Currency operator-() const;
  Currency operator+(Currency other) const;
  Currency operator-(Currency other) const;

  friend constexpr bool operator==(Currency a, Currency b) = default;
  friend constexpr auto operator<=>(Currency a, Currency b) = default;

  // Shortest decimal text, at most 15 significant digits rounded half up; "5", "-1.7", "0".
  std::string ToGeneralString() const;
  // Exactly `decimals` decimals. Fewer than four round the exact value half to even
  // (12.345 -> "12.34", 12.355 -> "12.36"); a negative value that becomes zero has no sign.
  std::string ToFixedString(int decimals) const;

 private:
  explicit constexpr Currency(int64_t raw) : FRaw(raw) {}
  int64_t FRaw = 0;
};

}  // namespace talvero
