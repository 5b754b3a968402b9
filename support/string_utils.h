// Character scans that step over whole multi-byte characters, so a byte inside a
// Japanese character is never taken for "_" or ".". Strings are UTF-8 in memory.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace talvero {

// Length in bytes of the character starting at s[i] (1 for ASCII and for stray bytes,
// never running past the end).
size_t CharLengthAt(std::string_view s, size_t i);

// True when the single-byte character c occurs in s outside multi-byte characters.
bool ContainsChar(std::string_view s, char c);
// 1-based byte position of the last such occurrence, 0 if none.
size_t LastCharPos(std::string_view s, char c);

bool HasUnderscore(std::string_view s);
bool HasPeriod(std::string_view s);

// Empty when s has no underscore, else everything before / after the last one.
std::string BeforeLastUnderscore(std::string_view s);
std::string AfterLastUnderscore(std::string_view s);

// The items as a text lists them: "a, b or c" with `comma` ", " and `last` " or ".
std::string JoinedList(const std::vector<std::string>& items, std::string_view comma,
                       std::string_view last);

// ASCII-only upper-casing (for "TRUE"/"YES" style comparisons).
std::string UpperAscii(std::string_view s);

// Case-insensitive equality for UTF-8 text: letters compare without case as the current
// C locale defines it (always ASCII); other characters compare exactly.
bool SameTextIgnoreCase(std::string_view a, std::string_view b);

}  // namespace talvero
