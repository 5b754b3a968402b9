// Decimal text to long double with every bit of the 64-bit mantissa.
#pragma once

#include <charconv>

namespace talvero::platform {

// As std::from_chars for plain decimal text ("-12.5e-3"; "." is the decimal point whatever
// the locale): the value is left alone on failure, result_out_of_range when the number
// overflows or underflows to zero.
std::from_chars_result ReadLongDouble(const char* first, const char* last, long double& value);

}  // namespace talvero::platform
