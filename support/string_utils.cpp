#include "support/string_utils.h"

#include <cwctype>

namespace talvero {

size_t CharLengthAt(std::string_view s, size_t i) {
  const unsigned char lead = static_cast<unsigned char>(s[i]);
  size_t expected = 1;
  if (lead >= 0xF0 && lead <= 0xF4) expected = 4;
  else if (lead >= 0xE0) expected = lead <= 0xEF ? 3 : 1;
  else if (lead >= 0xC2) expected = 2;
  // Only genuine continuation bytes belong to the character; a broken sequence stops early.
  size_t n = 1;
  while (n < expected && i + n < s.size() &&
         (static_cast<unsigned char>(s[i + n]) & 0xC0) == 0x80)
    ++n;
  return n;
}

bool ContainsChar(std::string_view s, char c) { return LastCharPos(s, c) != 0; }

size_t LastCharPos(std::string_view s, char c) {
  size_t found = 0;
  for (size_t i = 0; i < s.size();) {
    const size_t len = CharLengthAt(s, i);
    if (len == 1 && s[i] == c) found = i + 1;
    i += len;
  }
  return found;
}

bool HasUnderscore(std::string_view s) { return ContainsChar(s, '_'); }
bool HasPeriod(std::string_view s) { return ContainsChar(s, '.'); }

std::string BeforeLastUnderscore(std::string_view s) {
  const size_t pos = LastCharPos(s, '_');
  return pos == 0 ? std::string() : std::string(s.substr(0, pos - 1));
}

std::string AfterLastUnderscore(std::string_view s) {
  const size_t pos = LastCharPos(s, '_');
  return pos == 0 ? std::string() : std::string(s.substr(pos));
}

std::string JoinedList(const std::vector<std::string>& items, std::string_view comma,
                       std::string_view last) {
  std::string text;
  for (size_t i = 0; i < items.size(); ++i) {
    if (i > 0) text += i + 1 == items.size() ? last : comma;
    text += items[i];
  }
  return text;
}

std::string UpperAscii(std::string_view s) {
  std::string out(s);
  for (char& c : out)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return out;
}

namespace {

// Decodes one UTF-8 character (invalid bytes decode as themselves).
char32_t DecodeAt(std::string_view s, size_t i, size_t len) {
  const unsigned char lead = static_cast<unsigned char>(s[i]);
  if (len == 1) return lead;
  char32_t cp = lead & (0xFF >> (len + 1));
  for (size_t k = 1; k < len; ++k) cp = (cp << 6) | (static_cast<unsigned char>(s[i + k]) & 0x3F);
  return cp;
}

}  // namespace

bool SameTextIgnoreCase(std::string_view a, std::string_view b) {
  size_t i = 0, j = 0;
  while (i < a.size() && j < b.size()) {
    const size_t la = CharLengthAt(a, i), lb = CharLengthAt(b, j);
    const char32_t ca = DecodeAt(a, i, la), cb = DecodeAt(b, j, lb);
    if (ca != cb && std::towupper(static_cast<wint_t>(ca)) != std::towupper(static_cast<wint_t>(cb)))
      return false;
    i += la;
    j += lb;
  }
  return i == a.size() && j == b.size();
}

}  // namespace talvero
