#include "support/number_format.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

#include "support/platform/decimal.h"

namespace talvero {

namespace {

void StripLeadingZeros(DecimalDigits& d) {
  size_t first = d.digits.find_first_not_of('0');
  if (first == std::string::npos) {
    d.digits.clear();
    d.exponent = 0;
    return;
  }
  d.digits.erase(0, first);
  d.exponent -= static_cast<int>(first);
}

void StripTrailingZeros(DecimalDigits& d) {
  size_t last = d.digits.find_last_not_of('0');
  if (last == std::string::npos) {
    d.digits.clear();
    d.exponent = 0;
  } else {
    d.digits.erase(last + 1);
  }
}

// Adds one unit in the last place of d.digits (all digits '0'..'9').
void IncrementLastDigit(DecimalDigits& d) {
  int i = static_cast<int>(d.digits.size()) - 1;
  while (i >= 0 && d.digits[i] == '9') {
    d.digits[i] = '0';
    --i;
  }
  if (i >= 0) {
    ++d.digits[i];
  } else {
    d.digits.insert(d.digits.begin(), '1');
    ++d.exponent;
  }
}

// Rounds so that only digits before the decimal position `places` after the point remain.
void RoundAtDecimalsHalfUp(DecimalDigits& d, int places) {
  int keep = d.exponent + places;  // digits that lie before the cut
  if (d.digits.empty()) return;
  if (keep < 0) {
    d.digits.clear();
    d.exponent = 0;
    return;
  }
  if (keep >= static_cast<int>(d.digits.size())) return;
  bool up = d.digits[keep] >= '5';
  d.digits.erase(keep);
  if (up) {
    if (d.digits.empty()) {
      d.digits.push_back('1');
      d.exponent += 1;
    } else {
      IncrementLastDigit(d);
    }
  }
  StripTrailingZeros(d);
}

std::string PlainText(const DecimalDigits& d, int minDecimals) {
  std::string out;
  if (d.negative && !d.digits.empty()) out += '-';
  const int n = static_cast<int>(d.digits.size());
  const int e = d.exponent;
  std::string frac;
  if (n == 0 || e <= 0) {
    out += '0';
  } else {
    for (int i = 0; i < e; ++i) out += i < n ? d.digits[i] : '0';
  }
  // The digit at index pos has the place value 10^(e - 1 - pos): fraction digits have pos >= e.
  for (int pos = e; pos < n; ++pos) frac += pos < 0 ? '0' : d.digits[pos];
  while (static_cast<int>(frac.size()) < minDecimals) frac += '0';
  if (!frac.empty()) out += '.' + frac;
  return out;
}

}  // namespace

DecimalDigits ToDecimalDigits(long double value, int significant) {
  DecimalDigits d;
  significant = std::clamp(significant, 1, 21);
  if (value == 0 || !std::isfinite(value)) return d;
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.*Le", significant - 1, value);
  const char* p = buf;
  if (*p == '-') {
    d.negative = true;
    ++p;
  }
  while (*p && *p != 'e') {
    if (*p >= '0' && *p <= '9') d.digits += *p;
    ++p;
  }
  int exp10 = (*p == 'e') ? std::atoi(p + 1) : 0;
  d.exponent = exp10 + 1;
  StripTrailingZeros(d);
  return d;
}

DecimalDigits ExactDecimalDigits(int64_t raw, int decimals) {
  DecimalDigits d;
  d.negative = raw < 0;
  uint64_t magnitude = d.negative ? 0 - static_cast<uint64_t>(raw) : static_cast<uint64_t>(raw);
  d.digits = std::to_string(magnitude);
  d.exponent = static_cast<int>(d.digits.size()) - decimals;
  StripLeadingZeros(d);
  StripTrailingZeros(d);
  return d;
}

void RoundDigitsHalfUp(DecimalDigits& d, int keep) {
  if (keep < 1) keep = 1;
  if (static_cast<int>(d.digits.size()) > keep) {
    bool up = d.digits[keep] >= '5';
    d.digits.erase(keep);
    if (up) IncrementLastDigit(d);
  }
  StripTrailingZeros(d);
}

std::string FormatGeneralDigits(DecimalDigits d, int precision) {
  RoundDigitsHalfUp(d, precision);
  if (d.digits.empty()) return "0";
  if (d.exponent >= -3 && d.exponent <= 15) return PlainText(d, 0);
  std::string out;
  if (d.negative) out += '-';
  out += d.digits[0];
  if (d.digits.size() > 1) out += '.' + d.digits.substr(1);
  out += 'E' + std::to_string(d.exponent - 1);
  return out;
}

std::string FormatGeneral(long double value, int precision) {
  if (std::isnan(value)) return "NAN";
  if (std::isinf(value)) return value < 0 ? "-INF" : "INF";
  return FormatGeneralDigits(ToDecimalDigits(value, 18), precision);
}

std::string FormatGeneralPlain(long double value, int precision) {
  if (std::isnan(value)) return "NAN";
  if (std::isinf(value)) return value < 0 ? "-INF" : "INF";
  DecimalDigits d = ToDecimalDigits(value, 18);
  RoundDigitsHalfUp(d, precision);
  return d.digits.empty() ? "0" : PlainText(d, 0);
}

std::string FormatFixed(long double value, int decimals) {
  if (std::isnan(value)) return "NAN";
  if (std::isinf(value)) return value < 0 ? "-INF" : "INF";
  decimals = std::max(decimals, 0);
  DecimalDigits d = ToDecimalDigits(value, 18);
  RoundAtDecimalsHalfUp(d, decimals);
  return PlainText(d, decimals);
}

std::optional<long double> ParseFloat(std::string_view text) {
  size_t i = 0;
  std::string clean;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    if (text[i] == '-') clean += '-';
    ++i;
  }
  int mantissaDigits = 0;
  bool point = false;
  for (; i < text.size(); ++i) {
    char c = text[i];
    if (c >= '0' && c <= '9') {
      ++mantissaDigits;
    } else if (c == '.' && !point) {
      point = true;
    } else {
      break;
    }
    clean += c;
  }
  if (mantissaDigits == 0) return std::nullopt;
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    clean += 'e';
    ++i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) clean += text[i++];
    int expDigits = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i, ++expDigits) clean += text[i];
    if (expDigits == 0) return std::nullopt;
  }
  if (i != text.size()) return std::nullopt;
  // strtold under the C locale would follow the user's decimal separator; parse ourselves.
  long double value = 0;
  auto [ptr, ec] = platform::ReadLongDouble(clean.data(), clean.data() + clean.size(), value);
  if (ptr != clean.data() + clean.size()) return std::nullopt;
  if (ec == std::errc::result_out_of_range) {
    // Underflow becomes zero; overflow is not a usable number.
    bool hugeExponent = clean.find("e-") == std::string::npos;
    if (hugeExponent) return std::nullopt;
    return clean[0] == '-' ? -0.0L : 0.0L;
  }
  if (ec != std::errc()) return std::nullopt;
  return value;
}

std::optional<int64_t> ParseInt64(std::string_view text) {
  if (text.empty()) return std::nullopt;
  int64_t value = 0;
  if (text[0] == '$') {
    std::string_view hex = text.substr(1);
    if (hex.empty()) return std::nullopt;
    uint64_t u = 0;
    auto [ptr, ec] = std::from_chars(hex.data(), hex.data() + hex.size(), u, 16);
    if (ec != std::errc() || ptr != hex.data() + hex.size()) return std::nullopt;
    return static_cast<int64_t>(u);
  }
  std::string_view digits = text;
  if (digits[0] == '+') digits.remove_prefix(1);
  if (digits.empty() || digits[0] == '+') return std::nullopt;
  auto [ptr, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value, 10);
  if (ec != std::errc() || ptr != digits.data() + digits.size()) return std::nullopt;
  return value;
}

std::optional<int64_t> RoundHalfEvenToInt64(long double value) {
  if (!std::isfinite(value)) return std::nullopt;
  long double r = std::nearbyintl(value);  // default rounding: to nearest, ties to even
  if (!(r >= -9223372036854775808.0L && r < 9223372036854775808.0L)) return std::nullopt;
  return static_cast<int64_t>(r);
}

}  // namespace talvero
