// Code page 932 through Windows' own conversion functions, made to refuse and accept
// exactly what glibc's "CP932" does, so that a scene file holds the same bytes whichever
// system wrote it.
#include "support/platform/text_codec.h"

#include <windows.h>

#include <cstdint>

namespace talvero::platform {

namespace {

constexpr size_t npos = std::string_view::npos;

// Characters that have no code of their own in code page 932 but that Japanese text from
// other systems uses for one that has: the wave dash U+301C that input methods outside
// Windows give for "～", the yen sign, and the like. Windows refuses them; they are taken
// as their look-alikes, as glibc does.
struct Substitute {
  char32_t Code;
  const char* Bytes;
};
constexpr Substitute kSubstitutes[] = {
    {0x00A2, "\x81\x91"}, {0x00A3, "\x81\x92"}, {0x00A5, "\x5C"},     {0x00AC, "\x81\xCA"},
    {0x2014, "\x81\x5C"}, {0x2016, "\x81\x61"}, {0x203E, "\x7E"},     {0x2212, "\x81\x7C"},
    {0x301C, "\x81\x60"},
};

// Decodes one UTF-8 character strictly (no overlong forms, no surrogates, nothing past
// U+10FFFF); returns its length, 0 when the bytes at `i` are not UTF-8.
size_t NextUtf8(std::string_view s, size_t i, char32_t& code) {
  const auto byte = [&](size_t k) { return static_cast<unsigned char>(s[k]); };
  const unsigned char lead = byte(i);
  size_t length;
  char32_t minimum;
  if (lead < 0x80) {
    code = lead;
    return 1;
  } else if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2, minimum = 0x80, code = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3, minimum = 0x800, code = lead & 0x0F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4, minimum = 0x10000, code = lead & 0x07;
  } else {
    return 0;
  }
  if (i + length > s.size()) return 0;
  for (size_t k = 1; k < length; ++k) {
    if ((byte(i + k) & 0xC0) != 0x80) return 0;
    code = (code << 6) | (byte(i + k) & 0x3F);
  }
  if (code < minimum || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return 0;
  return length;
}

bool EncodeOne(char32_t code, std::string& out) {
  if (code < 0x80) {
    out += static_cast<char>(code);
    return true;
  }
  for (const Substitute& s : kSubstitutes)
    if (s.Code == code) {
      out += s.Bytes;
      return true;
    }
  // Windows alone maps U+0080 and these private-use characters to single bytes that
  // glibc leaves undefined. Nothing outside the basic plane has a code.
  if (code == 0x80 || (code >= 0xF8F0 && code <= 0xF8F3) || code > 0xFFFF) return false;
  const wchar_t wide = static_cast<wchar_t>(code);
  char bytes[4];
  BOOL usedDefault = FALSE;
  const int n = WideCharToMultiByte(932, WC_NO_BEST_FIT_CHARS, &wide, 1, bytes, sizeof bytes,
                                    nullptr, &usedDefault);
  if (n <= 0 || usedDefault) return false;
  out.append(bytes, static_cast<size_t>(n));
  return true;
}

void AppendUtf8(char32_t code, std::string& out) {
  if (code < 0x80) {
    out += static_cast<char>(code);
  } else if (code < 0x800) {
    out += static_cast<char>(0xC0 | (code >> 6));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    out += static_cast<char>(0xE0 | (code >> 12));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  }
}

// Length of the code page 932 character at `i` (1 or 2), 0 when it does not decode.
size_t DecodeOne(std::string_view s, size_t i, char32_t& code) {
  const unsigned char lead = static_cast<unsigned char>(s[i]);
  if (lead < 0x80) {
    code = lead;
    return 1;
  }
  // 0x80, 0xA0 and 0xFD to 0xFF are undefined (Windows alone gives 0x80 a meaning).
  if (lead == 0x80 || lead == 0xA0 || lead >= 0xFD) return 0;
  const size_t length = IsDBCSLeadByteEx(932, lead) ? 2 : 1;
  if (i + length > s.size()) return 0;
  wchar_t wide[2];
  const int n = MultiByteToWideChar(932, MB_ERR_INVALID_CHARS, s.data() + i,
                                    static_cast<int>(length), wide, 2);
  if (n != 1) return 0;
  code = wide[0];
  return length;
}

}  // namespace

size_t EncodeCp932(std::string_view utf8, std::string& out) {
  for (size_t i = 0; i < utf8.size();) {
    char32_t code = 0;
    const size_t length = NextUtf8(utf8, i, code);
    if (length == 0 || !EncodeOne(code, out)) return i;
    i += length;
  }
  return npos;
}

size_t DecodeCp932(std::string_view cp932, std::string& out) {
  for (size_t i = 0; i < cp932.size();) {
    char32_t code = 0;
    const size_t length = DecodeOne(cp932, i, code);
    if (length == 0) return i;
    AppendUtf8(code, out);
    i += length;
  }
  return npos;
}

}  // namespace talvero::platform
