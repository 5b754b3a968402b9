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

StringList LoadTextLines(const std::string& path) {
  const std::string bytes = ReadFileBytes(path, kMaxSceneFileBytes);
  // The text ends at a NUL before it is decoded; code page 932 never uses 0 inside a character.
  return SplitTextLines(Cp932ToUtf8(std::string_view(bytes).substr(0, bytes.find('\0'))));
}

void SaveTextLines(const std::string& path, const StringList& lines) {
  std::string bytes;
  for (size_t i = 0; i < lines.size(); ++i) {
    try {
      bytes += Utf8ToCp932(lines[i]);
    } catch (const ConvertError& e) {
      throw ConvertError("cannot write '" + path + "', line " + std::to_string(i + 1) + ": " +
                         e.what());
    }
    bytes += "\r\n";
  }
  WriteFileAtomically(path, bytes);
}

}  // namespace talvero
