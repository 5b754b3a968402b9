// The system's own conversion between UTF-8 and code page 932: iconv on POSIX systems, the
// code-page functions on Windows. Both convert up to the first character that does not
// convert and say where it is, so that the caller decides between refusing and replacing
// (support/text_encoding.h).
#pragma once

#include <string>
#include <string_view>

namespace talvero::platform {

// Appends the code page 932 form of `utf8` to `out`. Returns the offset of the first
// character that code page 932 cannot store, or of the first byte that is not UTF-8;
// std::string_view::npos when everything converted.
size_t EncodeCp932(std::string_view utf8, std::string& out);

// Appends the UTF-8 form of `cp932` to `out`. Returns the offset of the first byte that
// does not start a valid character; npos when everything converted.
size_t DecodeCp932(std::string_view cp932, std::string& out);

}  // namespace talvero::platform
