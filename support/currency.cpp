#include "support/currency.h"

#include <limits>

#include "support/errors.h"
#include "support/number_format.h"

namespace talvero {

namespace {

[[noreturn]] void ThrowRange(const std::string& what) {
  throw ConvertError("'" + what + "' is outside the range of a four-decimal fixed-point value");
}

}  // namespace

Currency Currency::FromInt(int64_t whole) {
  constexpr int64_t kLimit = std::numeric_limits<int64_t>::max() / kScale;
  if (whole > kLimit || whole < -kLimit) ThrowRange(std::to_string(whole));
  return Currency(whole * kScale);
}

Currency Currency::FromLongDouble(long double value) {
  auto raw = RoundHalfEvenToInt64(value * kScale);
  if (!raw) ThrowRange(FormatGeneral(value));
  return Currency(*raw);
}

Currency Currency::Parse(std::string_view text) {
  const std::string original(text);
  auto fail = [&]() -> Currency {
    throw ConvertError("'" + original + "' is not a decimal number");
  };
  size_t i = 0;
  bool negative = false;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
  std::string intDigits, fracDigits;
  while (i < text.size() && text[i] >= '0' && text[i] <= '9') intDigits += text[i++];
  if (i < text.size() && text[i] == '.') {
    ++i;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') fracDigits += text[i++];
  }
  if (i != text.size() || (intDigits.empty() && fracDigits.empty())) return fail();

  // Work in unsigned 128-bit so that long digit strings are checked, not wrapped.
  unsigned __int128 magnitude = 0;
  constexpr unsigned __int128 kMax = static_cast<unsigned __int128>(1) << 63;
  for (char c : intDigits) {
    magnitude = magnitude * 10 + static_cast<unsigned>(c - '0');
    if (magnitude > kMax) ThrowRange(original);
  }
  for (int k = 0; k < 4; ++k) {
    unsigned digit = k < static_cast<int>(fracDigits.size()) ? fracDigits[k] - '0' : 0;
    magnitude = magnitude * 10 + digit;
  }
  if (fracDigits.size() > 4) {
    // Round the remaining digits half to even on their exact value.
    const std::string rest = fracDigits.substr(4);
    const bool tail = rest.find_first_not_of('0', 1) != std::string::npos;
    const bool up = rest[0] > '5' || (rest[0] == '5' && (tail || (magnitude & 1)));
    if (up) magnitude += 1;
  }
  const unsigned __int128 limit = negative ? kMax : kMax - 1;
  if (magnitude > limit) ThrowRange(original);
  int64_t raw = negative ? static_cast<int64_t>(-static_cast<__int128>(magnitude))
                         : static_cast<int64_t>(magnitude);
  return Currency(raw);
}

Currency Currency::operator-() const {
  if (FRaw == std::numeric_limits<int64_t>::min()) ThrowRange(ToGeneralString());
  return Currency(-FRaw);
}

Currency Currency::operator+(Currency other) const {
  int64_t sum = 0;
  if (__builtin_add_overflow(FRaw, other.FRaw, &sum)) ThrowRange(ToGeneralString() + " + " + other.ToGeneralString());
  return Currency(sum);
}

Currency Currency::operator-(Currency other) const {
  int64_t diff = 0;
  if (__builtin_sub_overflow(FRaw, other.FRaw, &diff)) ThrowRange(ToGeneralString() + " - " + other.ToGeneralString());
  return Currency(diff);
}

std::string Currency::ToGeneralString() const { return FormatGeneralDigits(ExactDecimalDigits(FRaw, 4)); }

std::string Currency::ToFixedString(int decimals) const {
  if (decimals < 0) decimals = 0;
  const bool negative = FRaw < 0;
  uint64_t magnitude = negative ? 0 - static_cast<uint64_t>(FRaw) : static_cast<uint64_t>(FRaw);
  if (decimals < 4) {
    uint64_t unit = 1;
    for (int k = decimals; k < 4; ++k) unit *= 10;
    uint64_t quotient = magnitude / unit, remainder = magnitude % unit;
    if (remainder * 2 > unit || (remainder * 2 == unit && (quotient & 1))) ++quotient;
    magnitude = quotient;
  }
  std::string digits = std::to_string(magnitude);
  if (decimals > 4) digits.append(decimals - 4, '0');  // exact: the value has four decimals
  // Built by concatenation: GCC 12 at -O3 takes in-place insert() for overlapping copies
  // (-Wrestrict) and the Release build treats that as an error.
  if (decimals > 0) {
    if (static_cast<int>(digits.size()) <= decimals)
      digits = std::string(decimals + 1 - digits.size(), '0') + digits;
    const size_t point = digits.size() - decimals;
    digits = digits.substr(0, point) + "." + digits.substr(point);
  }
  if (negative && magnitude != 0) digits = "-" + digits;
  return digits;
}

}  // namespace talvero
