// Scene files as lists of text lines: code page 932 on disk, UTF-8 in memory.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace talvero {

using StringList = std::vector<std::string>;

// Splits text into lines: CR LF, a lone LF and a lone CR each end a line; a NUL byte ends
// the text. A terminator at the very end adds no empty line.
StringList SplitTextLines(std::string_view text);

// No scene file of ours comes near a megabyte, nor does any scene of other origin seen; a
// larger file is refused before it is read.
inline constexpr uint64_t kMaxSceneFileBytes = uint64_t{16} << 20;

// Reads a file as lines of its own bytes, undecoded (no code page 932 character holds a CR,
// LF or NUL byte, so the lines are those of the decoded text). FileError naming the file
// when it cannot be read or is larger than kMaxSceneFileBytes.
StringList LoadFileLines(const std::string& path);
// Reads a code page 932 file as UTF-8 lines. FileError as for LoadFileLines.
StringList LoadTextLines(const std::string& path);

// Saves the lines in code page 932, each followed by CR LF, in one all-or-nothing write.
// ConvertError naming the file and the line when a line holds a character code page 932
// cannot store; nothing is written then. The `keptCount` lines from `keptFirst` are bytes
// kept from a file read before (LoadFileLines) and are saved as they are.
void SaveTextLines(const std::string& path, const StringList& lines, size_t keptFirst = 0,
                   size_t keptCount = 0);

}  // namespace talvero
