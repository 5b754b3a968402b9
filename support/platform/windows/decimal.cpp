#include "support/platform/decimal.h"

#include <cerrno>
#include <clocale>
#include <cmath>
#include <cstdlib>
#include <string>

namespace talvero::platform {

// libstdc++ on MinGW reads a long double through a double, which loses eleven bits of the
// mantissa. MinGW's own strtold reads them all, but with the locale's decimal separator, so
// the text is handed over with that one.
std::from_chars_result ReadLongDouble(const char* first, const char* last, long double& value) {
  std::string text(first, last);
  const char* point = std::localeconv()->decimal_point;
  if (point && point[0] && !point[1])
    for (char& c : text)
      if (c == '.') c = point[0];
  char* end = nullptr;
  errno = 0;
  const long double read = __mingw_strtold(text.c_str(), &end);
  const int error = errno;
  const std::from_chars_result result{first + (end - text.c_str()), std::errc()};
  if (end == text.c_str()) return {first, std::errc::invalid_argument};
  if (error == ERANGE && (read == 0 || std::isinf(read)))
    return {result.ptr, std::errc::result_out_of_range};
  value = read;
  return result;
}

}  // namespace talvero::platform
