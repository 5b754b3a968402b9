// Code page 932 in both directions, as the scene files are read and written.
// Decoding never fails, gives valid UTF-8, and text it decodes completely (no U+FFFD) encodes
// into bytes that decode to the same text; those bytes are a fixed point of the two
// conversions. (The bytes themselves may differ from the input: about 400 characters have
// two codes, the NEC and IBM rows, and the encoder picks one of them.) Encoding either
// refuses with a ConvertError or gives bytes that decode to exactly the text it was given.
#include <string>
#include <string_view>

#include "fuzz/fuzz_support.h"
#include "support/errors.h"
#include "support/text_encoding.h"

using namespace talvero;
using talvero::fuzz::Check;

namespace {

bool ValidUtf8(std::string_view s) {
  for (size_t i = 0; i < s.size();) {
    const unsigned char c = static_cast<unsigned char>(s[i]);
    size_t n = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
    if (n == 0 || i + n > s.size()) return false;
    uint32_t code = n == 1 ? c : c & (0x7F >> n);
    for (size_t k = 1; k < n; ++k) {
      const unsigned char t = static_cast<unsigned char>(s[i + k]);
      if ((t & 0xC0) != 0x80) return false;
      code = code << 6 | (t & 0x3F);
    }
    const uint32_t least[] = {0, 0, 0x80, 0x800, 0x10000};
    if (code < least[n] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return false;
    i += n;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);

  const std::string text = Cp932ToUtf8(bytes);
  Check(ValidUtf8(text), "decoding gave invalid UTF-8");
  if (text.find("\xEF\xBF\xBD") == std::string::npos) {
    std::string encoded;
    try {
      encoded = Utf8ToCp932(text);
    } catch (const ConvertError& e) {
      talvero::fuzz::Fail(std::string("decoded text does not encode back: ") + e.what());
    }
    Check(Cp932ToUtf8(encoded) == text, "decoded text encodes to bytes that decode otherwise");
    Check(Utf8ToCp932(Cp932ToUtf8(encoded)) == encoded, "encoded bytes are not a fixed point");
  }

  std::string encoded;
  try {
    encoded = Utf8ToCp932(bytes);
  } catch (const ConvertError&) {
    return 0;
  }
  Check(ValidUtf8(bytes), "invalid UTF-8 was encoded");
  Check(Cp932ToUtf8(encoded) == bytes,
        "'" + std::string(bytes) + "' encodes to bytes that decode as '" + Cp932ToUtf8(encoded) + "'");
  return 0;
}
