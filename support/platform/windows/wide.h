// UTF-8 and the UTF-16 of Windows' wide-character API.
#pragma once

#include <string>
#include <string_view>

namespace talvero::platform {

// Invalid UTF-8 bytes become U+FFFD, so a damaged name still reaches the system (which then
// finds no such file) instead of being cut short.
std::wstring Widen(std::string_view utf8);
std::string Narrow(std::wstring_view wide);

// The system's text for a GetLastError() code, in UTF-8, without the trailing line break.
std::string SystemMessage(unsigned long error);

}  // namespace talvero::platform
