// The INI file of the settings store: private-profile rules on a UTF-8 text file that
// stays readable and editable by hand. Nothing is cached: every call reads the file
// afresh, and every change rewrites it whole through a temporary file.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace talvero {

class TIniFile {
 public:
  // The longest value a read returns, in bytes (the stored text is cut at the last whole
  // UTF-8 character that fits).
  static constexpr size_t kMaxValueBytes = 2047;

  explicit TIniFile(std::string fileName) : FFileName(std::move(fileName)) {}

  const std::string& FileName() const { return FFileName; }

  // The value of the first key named `key` in the first section named `section` (both
  // without regard to case and to blanks around them, as in the file), blanks around it removed and one pair of enclosing quotes
  // dropped; nullopt when the file, the section or the key is missing or unreadable.
  std::optional<std::string> ReadString(std::string_view section, std::string_view key) const;

  // Sets the key, creating the file, the section and the key as needed; every other line
  // of the file is kept as it was. FileError "<file> に書き込めません" when the file
  // cannot be written (the previous file is then untouched); ConvertError for a section,
  // key or value that a line of the file cannot hold (line breaks, "=" in a key, "]" in
  // a section).
  void WriteString(std::string_view section, std::string_view key, std::string_view value);

  // Removes the key; nothing when the file, section or key is missing.
  void DeleteKey(std::string_view section, std::string_view key);

 private:
  [[noreturn]] void ThrowNotWritable() const;

  std::string FFileName;
};

}  // namespace talvero
