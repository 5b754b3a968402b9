#include "formats/line_file.h"

#include "support/errors.h"
#include "support/file_util.h"
#include "support/text_encoding.h"

namespace talvero {

StringList SplitTextLines(std::string_view text) {
  text = text.substr(0, text.find('\0'));
  StringList lines;
  size_t i = 0;
  while (i < text.size()) {
    const size_t end = text.find_first_of("\r\n", i);
    if (end == std::string_view::npos) {
      lines.emplace_back(text.substr(i));
      break;
    }
    lines.emplace_back(text.substr(i, end - i));
    i = end + 1;
    if (text[end] == '\r' && i < text.size() && text[i] == '\n') ++i;
  }
  return lines;
}

StringList LoadFileLines(const std::string& path) {
  return SplitTextLines(ReadFileBytes(path, kMaxSceneFileBytes));
}

StringList LoadTextLines(const std::string& path) {
  StringList lines = LoadFileLines(path);
  for (std::string& line : lines) line = Cp932ToUtf8(line);
  return lines;
}

void SaveTextLines(const std::string& path, const StringList& lines, size_t keptFirst,
                   size_t keptCount) {
  std::string bytes;
  for (size_t i = 0; i < lines.size(); ++i) {
    const auto at = [&] { return "cannot write '" + path + "', line " + std::to_string(i + 1); };
    if (i >= keptFirst && i - keptFirst < keptCount) {
      // Kept bytes are written unchanged, but still as one line.
      if (lines[i].find_first_of(std::string_view("\r\n\0", 3)) != std::string::npos)
        throw ConvertError(at() + ": a kept line holds a line end or NUL byte");
      bytes += lines[i];
    } else {
      try {
        bytes += Utf8ToCp932(lines[i]);
      } catch (const ConvertError& e) {
        throw ConvertError(at() + ": " + e.what());
      }
    }
    bytes += "\r\n";
  }
  WriteFileAtomically(path, bytes);
}

}  // namespace talvero
