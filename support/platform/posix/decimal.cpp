#include "support/platform/decimal.h"

namespace talvero::platform {

std::from_chars_result ReadLongDouble(const char* first, const char* last, long double& value) {
  return std::from_chars(first, last, value);
}

}  // namespace talvero::platform
