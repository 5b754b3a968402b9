#include "support/ini_file.h"

#include <filesystem>
#include <vector>

#include "support/errors.h"
#include "support/file_util.h"
#include "support/string_utils.h"
#include "support/text_catalogue.h"

namespace talvero {

namespace {

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";
// The program's settings take a few hundred bytes; a file beyond this is not one of ours
// and reads as unreadable (defaults), rather than costing seconds for every setting.
constexpr uint64_t kMaxIniFileBytes = uint64_t{1} << 20;

// One line of the file with its own line end, so that lines we do not touch are written
// back byte for byte.
struct Line {
  std::string Text;
  std::string Eol;
};

struct Document {
  bool Bom = false;
  std::string Eol = "\n";  // for new lines: the file's first line end, LF in a new file
  std::vector<Line> Lines;
};

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

Document Parse(std::string_view bytes) {
  Document doc;
  if (bytes.substr(0, kUtf8Bom.size()) == kUtf8Bom) {
    doc.Bom = true;
    bytes.remove_prefix(kUtf8Bom.size());
  }
  bool eolSeen = false;
  while (!bytes.empty()) {
    Line line;
    const size_t nl = bytes.find('\n');
    if (nl == std::string_view::npos) {
      line.Text = bytes;
      bytes = {};
    } else {
      const bool crlf = nl > 0 && bytes[nl - 1] == '\r';
      line.Text = bytes.substr(0, crlf ? nl - 1 : nl);
      line.Eol = crlf ? "\r\n" : "\n";
      bytes.remove_prefix(nl + 1);
      if (!eolSeen) doc.Eol = line.Eol;
      eolSeen = true;
    }
    doc.Lines.push_back(std::move(line));
  }
  return doc;
}

std::string Serialize(const Document& doc) {
  std::string out = doc.Bom ? std::string(kUtf8Bom) : std::string();
  for (const Line& line : doc.Lines) out += line.Text + line.Eol;
  return out;
}

// "[name]" gives "name"; a header without its closing bracket runs to the end of the line.
std::optional<std::string_view> SectionName(std::string_view text) {
  const std::string_view t = Trim(text);
  if (t.empty() || t.front() != '[') return std::nullopt;
  const size_t close = t.find(']');
  return Trim(t.substr(1, close == std::string_view::npos ? std::string_view::npos : close - 1));
}

struct KeyValue {
  std::string_view Key;
  std::string_view Value;
};

// "key = value"; comment lines (";") and lines without "=" hold no key.
std::optional<KeyValue> SplitKey(std::string_view text) {
  const std::string_view t = Trim(text);
  if (t.empty() || t.front() == ';') return std::nullopt;
  const size_t eq = t.find('=');
  if (eq == std::string_view::npos) return std::nullopt;
  return KeyValue{Trim(t.substr(0, eq)), Trim(t.substr(eq + 1))};
}

// One pair of enclosing quotes (single or double) is not part of the value.
std::string_view Unquote(std::string_view v) {
  if (v.size() >= 2 && v.front() == v.back() && (v.front() == '"' || v.front() == '\''))
    return v.substr(1, v.size() - 2);
  return v;
}

// Quotes a value that reading would otherwise alter (outer blanks, enclosing quotes).
std::string Quote(std::string_view v) {
  const bool needed = !v.empty() && (IsBlank(v.front()) || IsBlank(v.back()) || Unquote(v) != v);
  return needed ? "\"" + std::string(v) + "\"" : std::string(v);
}

struct Location {
  std::optional<size_t> Section;  // the header line of the first matching section
  std::optional<size_t> Key;      // the first matching key line in it
  size_t LastContent = 0;         // the section's last non-blank line (its header if none)
};

Location Locate(const Document& doc, std::string_view section, std::string_view key) {
  Location loc;
  for (size_t i = 0; i < doc.Lines.size(); ++i) {
    const std::string& text = doc.Lines[i].Text;
    if (const auto name = SectionName(text)) {
      if (loc.Section) break;  // the next section ends the first match
      if (SameTextIgnoreCase(*name, section)) loc.Section = loc.LastContent = i;
      continue;
    }
    if (!loc.Section) continue;
    if (!Trim(text).empty()) loc.LastContent = i;
    if (!loc.Key)
      if (const auto kv = SplitKey(text); kv && SameTextIgnoreCase(kv->Key, key)) loc.Key = i;
  }
  return loc;
}

bool HasLineBreak(std::string_view s) { return s.find_first_of("\r\n") != std::string_view::npos; }

void CheckStorable(std::string_view section, std::string_view key, std::string_view value) {
  const std::string where = "[" + std::string(section) + "] " + std::string(key);
  if (HasLineBreak(section) || section.find(']') != std::string_view::npos || Trim(section).empty())
    throw ConvertError("'" + std::string(section) + "' cannot be an INI section name");
  const std::string_view k = Trim(key);
  if (HasLineBreak(key) || k.empty() || key.find('=') != std::string_view::npos ||
      k.front() == ';' || k.front() == '[')
    throw ConvertError("'" + std::string(key) + "' cannot be an INI key name");
  if (HasLineBreak(value)) throw ConvertError("the value of " + where + " holds a line break");
}

}  // namespace

void TIniFile::ThrowNotWritable() const {
  throw FileError(Localized("%1 に書き込めません", {FFileName}));
}

std::optional<std::string> TIniFile::ReadString(std::string_view section,
                                                std::string_view key) const {
  section = Trim(section);
  key = Trim(key);
  if (!FileExists(FFileName)) return std::nullopt;
  std::string bytes;
  try {
    bytes = ReadFileBytes(FFileName, kMaxIniFileBytes);
  } catch (const FileError&) {
    return std::nullopt;  // an unreadable store reads as missing
  }
  const Document doc = Parse(bytes);
  const Location loc = Locate(doc, section, key);
  if (!loc.Key) return std::nullopt;
  std::string_view value = Unquote(SplitKey(doc.Lines[*loc.Key].Text)->Value);
  if (value.size() > kMaxValueBytes) {
    size_t cut = kMaxValueBytes;
    while (cut > 0 && (static_cast<unsigned char>(value[cut]) & 0xC0) == 0x80) --cut;
    value = value.substr(0, cut);
  }
  return std::string(value);
}

namespace {

// Reads the current file for a change. A file that exists but cannot be read must not be
// replaced by one holding only the new key.
std::optional<Document> LoadForChange(const std::string& fileName) {
  std::error_code ec;
  const auto status = std::filesystem::status(PathFromUtf8(fileName), ec);
  if (!std::filesystem::exists(status)) return Document{};
  if (!std::filesystem::is_regular_file(status)) return std::nullopt;
  try {
    return Parse(ReadFileBytes(fileName, kMaxIniFileBytes));
  } catch (const FileError&) {
    return std::nullopt;
  }
}

}  // namespace

void TIniFile::WriteString(std::string_view section, std::string_view key, std::string_view value) {
  // The file's names lose their outer blanks when read, so the names asked for do too.
  section = Trim(section);
  key = Trim(key);
  CheckStorable(section, key, value);
  std::optional<Document> doc = LoadForChange(FFileName);
  if (!doc) ThrowNotWritable();
  const Location loc = Locate(*doc, section, key);
  if (loc.Key) {
    const KeyValue kv = *SplitKey(doc->Lines[*loc.Key].Text);
    if (Unquote(kv.Value) == value) return;  // already stored: leave the file alone
    doc->Lines[*loc.Key].Text = std::string(kv.Key) + "=" + Quote(value);
  } else {
    std::vector<Line> added;
    if (!loc.Section) added.push_back({"[" + std::string(section) + "]", doc->Eol});
    added.push_back({std::string(key) + "=" + Quote(value), doc->Eol});
    const size_t at = loc.Section ? loc.LastContent + 1 : doc->Lines.size();
    // Only the file's last line may lack its line end; it needs one when lines follow.
    if (at == doc->Lines.size() && at > 0 && doc->Lines.back().Eol.empty())
      doc->Lines.back().Eol = doc->Eol;
    doc->Lines.insert(doc->Lines.begin() + static_cast<std::ptrdiff_t>(at), added.begin(),
                      added.end());
  }
  try {
    WriteFileAtomicallyOrInPlace(FFileName, Serialize(*doc));
  } catch (const FileError&) {
    ThrowNotWritable();
  }
}

void TIniFile::DeleteKey(std::string_view section, std::string_view key) {
  section = Trim(section);
  key = Trim(key);
  if (!FileExists(FFileName)) return;
  std::optional<Document> doc = LoadForChange(FFileName);
  if (!doc) ThrowNotWritable();
  const Location loc = Locate(*doc, section, key);
  if (!loc.Key) return;
  doc->Lines.erase(doc->Lines.begin() + static_cast<std::ptrdiff_t>(*loc.Key));
  try {
    WriteFileAtomicallyOrInPlace(FFileName, Serialize(*doc));
  } catch (const FileError&) {
    ThrowNotWritable();
  }
}

}  // namespace talvero
