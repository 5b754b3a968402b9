// Shift-JIS (code page 932) at the file boundary. Text is UTF-8 in memory; the scene
// files that are stored in code page 932 are converted when they are written or read.
#pragma once

#include <string>
#include <string_view>

namespace talvero {

// UTF-8 to code page 932. ConvertError naming the character when the text holds one that
// code page 932 cannot store as itself: one it lacks, or one stored under the code of
// another character (¥ as "\", − as "－"); also when the text is not valid UTF-8. So a
// file never receives a silently altered name.
std::string Utf8ToCp932(std::string_view utf8);
// The first character of `utf8` that Utf8ToCp932 refuses; empty when there is none.
std::string FirstCharNotInCp932(std::string_view utf8);
// What code page 932 stores for `utf8`, up to the first character it lacks (for messages).
std::string Utf8ToCp932Lossy(std::string_view utf8);

// Code page 932 to UTF-8. Never fails: every byte sequence that does not decode becomes
// U+FFFD, one per undecodable byte, and decoding resumes after it.
std::string Cp932ToUtf8(std::string_view cp932);

// True when every byte is below 0x80 (no conversion needed either way).
bool IsAscii(std::string_view text);

}  // namespace talvero
