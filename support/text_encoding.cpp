#include "support/text_encoding.h"

#include <iconv.h>

#include <cerrno>
#include <vector>

#include "support/errors.h"
#include "support/string_utils.h"

namespace talvero {

namespace {

class Iconv {
 public:
  Iconv(const char* to, const char* from) : FHandle(iconv_open(to, from)) {
    if (FHandle == reinterpret_cast<iconv_t>(-1))
      throw ConvertError(std::string("the conversion from ") + from + " to " + to +
                         " is not available on this system");
  }
  ~Iconv() { iconv_close(FHandle); }
  Iconv(const Iconv&) = delete;
  Iconv& operator=(const Iconv&) = delete;

  // Converts as much as possible; returns false at the first byte that does not convert,
  // leaving `in` and `inLeft` pointing at it.
  bool Convert(char*& in, size_t& inLeft, std::string& out) {
    char buffer[4096];
    while (inLeft > 0) {
      char* outPtr = buffer;
      size_t outLeft = sizeof buffer;
      const size_t rc = iconv(FHandle, &in, &inLeft, &outPtr, &outLeft);
      out.append(buffer, outPtr - buffer);
      if (rc == static_cast<size_t>(-1)) {
        if (errno == E2BIG) continue;
        iconv(FHandle, nullptr, nullptr, nullptr, nullptr);  // reset the shift state
        return false;
      }
    }
    return true;
  }

 private:
  iconv_t FHandle;
};

}  // namespace

bool IsAscii(std::string_view text) {
  for (unsigned char c : text)
    if (c >= 0x80) return false;
  return true;
}

namespace {

// Converts what converts; false (with `out` holding the part before it) at the first
// sequence that does not, `offset` pointing at it.
bool Convert(Iconv& cd, std::string_view text, std::string& out, size_t& offset) {
  std::vector<char> input(text.begin(), text.end());
  char* in = input.data();
  size_t inLeft = input.size();
  const bool done = cd.Convert(in, inLeft, out);
  offset = static_cast<size_t>(in - input.data());
  return done;
}

}  // namespace

std::string Utf8ToCp932(std::string_view utf8) {
  if (IsAscii(utf8)) return std::string(utf8);
  Iconv cd("CP932", "UTF-8");
  std::string out;
  size_t offset = 0;
  if (!Convert(cd, utf8, out, offset)) {
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
  Iconv cd("CP932", "UTF-8");
  std::string out;
  size_t offset = 0;
  Convert(cd, utf8, out, offset);
  return out;
}

std::string FirstCharNotInCp932(std::string_view utf8) {
  Iconv encode("CP932", "UTF-8");
  for (size_t i = 0; i < utf8.size();) {
    const size_t length = CharLengthAt(utf8, i);
    const std::string_view c = utf8.substr(i, length);
    i += length;
    if (IsAscii(c)) continue;
    std::string code;
    size_t offset = 0;
    if (!Convert(encode, c, code, offset) || Cp932ToUtf8(code) != c) return std::string(c);
  }
  return {};
}

std::string Cp932ToUtf8(std::string_view cp932) {
  if (IsAscii(cp932)) return std::string(cp932);
  Iconv cd("UTF-8", "CP932");
  std::vector<char> input(cp932.begin(), cp932.end());
  char* in = input.data();
  size_t inLeft = input.size();
  std::string out;
  while (!cd.Convert(in, inLeft, out)) {
    out += "\xEF\xBF\xBD";  // U+FFFD for the byte that does not decode
    ++in;
    --inLeft;
  }
  return out;
}

}  // namespace talvero
