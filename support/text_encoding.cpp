#include "support/text_encoding.h"

#include "support/errors.h"
#include "support/platform/text_codec.h"
#include "support/string_utils.h"

namespace talvero {

bool IsAscii(std::string_view text) {
  for (unsigned char c : text)
    if (c >= 0x80) return false;
  return true;
}

std::string Utf8ToCp932(std::string_view utf8) {
  if (IsAscii(utf8)) return std::string(utf8);
  std::string out;
  const size_t offset = platform::EncodeCp932(utf8, out);
  if (offset != std::string_view::npos) {
    const std::string bad(utf8.substr(offset, CharLengthAt(utf8, offset)));
    throw ConvertError("the character '" + bad + "' in '" + std::string(utf8) +
                       "' cannot be stored in Shift-JIS (code page 932)");
  }
  // Some characters are stored under the code of another one (¥ as "\"): the file would
  // name something else than the text did.
  if (Cp932ToUtf8(out) != utf8) {
    const std::string bad = FirstCharNotInCp932(utf8);
    throw ConvertError("the character '" + bad + "' in '" + std::string(utf8) +
                       "' would be stored in Shift-JIS (code page 932) as '" +
                       Cp932ToUtf8(Utf8ToCp932Lossy(bad)) + "'");
  }
  return out;
}

std::string Utf8ToCp932Lossy(std::string_view utf8) {
  std::string out;
  platform::EncodeCp932(utf8, out);
  return out;
}

std::string FirstCharNotInCp932(std::string_view utf8) {
  for (size_t i = 0; i < utf8.size();) {
    const size_t length = CharLengthAt(utf8, i);
    const std::string_view c = utf8.substr(i, length);
    i += length;
    if (IsAscii(c)) continue;
    std::string code;
    if (platform::EncodeCp932(c, code) != std::string_view::npos || Cp932ToUtf8(code) != c)
      return std::string(c);
  }
  return {};
}

std::string Cp932ToUtf8(std::string_view cp932) {
  if (IsAscii(cp932)) return std::string(cp932);
  std::string out;
  for (size_t offset; (offset = platform::DecodeCp932(cp932, out)) != std::string_view::npos;) {
    out += "\xEF\xBF\xBD";  // U+FFFD for the byte that does not decode
    cp932.remove_prefix(offset + 1);
  }
  return out;
}

}  // namespace talvero
