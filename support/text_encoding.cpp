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
  return out;
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
