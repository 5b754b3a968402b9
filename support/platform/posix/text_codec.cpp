// Code page 932 through glibc's iconv, encoding "CP932".
#include "support/platform/text_codec.h"

#include <iconv.h>

#include <cerrno>
#include <vector>

#include "support/errors.h"

namespace talvero::platform {

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

  size_t Convert(std::string_view text, std::string& out) {
    std::vector<char> input(text.begin(), text.end());
    char* in = input.data();
    size_t inLeft = input.size();
    char buffer[4096];
    while (inLeft > 0) {
      char* outPtr = buffer;
      size_t outLeft = sizeof buffer;
      const size_t rc = iconv(FHandle, &in, &inLeft, &outPtr, &outLeft);
      out.append(buffer, outPtr - buffer);
      if (rc == static_cast<size_t>(-1) && errno != E2BIG)
        return static_cast<size_t>(in - input.data());
    }
    return std::string_view::npos;
  }

 private:
  iconv_t FHandle;
};

}  // namespace

size_t EncodeCp932(std::string_view utf8, std::string& out) {
  return Iconv("CP932", "UTF-8").Convert(utf8, out);
}

size_t DecodeCp932(std::string_view cp932, std::string& out) {
  return Iconv("UTF-8", "CP932").Convert(cp932, out);
}

}  // namespace talvero::platform
