// The settings file's INI parser: reads, a write and a delete on a file of any bytes.
// Besides "no crash": a write is refused with a ConvertError and leaves the file as it was,
// or it reads back as written (cut to the longest value a read returns); it changes no other
// key's value; writing the value a key already holds leaves the file's bytes alone; after a
// delete the key reads as the next key of that name, or as missing.
#include <fuzzer/FuzzedDataProvider.h>

#include <optional>
#include <string>

#include "fuzz/fuzz_support.h"
#include "support/errors.h"
#include "support/ini_file.h"
#include "support/string_utils.h"

using namespace talvero;
using talvero::fuzz::Check;

namespace {

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

bool SameName(std::string_view a, std::string_view b) { return SameTextIgnoreCase(Trim(a), Trim(b)); }

// What a read of `value` returns: at most kMaxValueBytes, cut at a whole UTF-8 character.
std::string Stored(std::string value) {
  if (value.size() <= TIniFile::kMaxValueBytes) return value;
  size_t cut = TIniFile::kMaxValueBytes;
  while (cut > 0 && (static_cast<unsigned char>(value[cut]) & 0xC0) == 0x80) --cut;
  return value.substr(0, cut);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider in(data, size);
  const std::string section = in.ConsumeRandomLengthString(64);
  const std::string key = in.ConsumeRandomLengthString(64);
  const std::string value = in.ConsumeRandomLengthString(4096);
  const std::string otherSection = in.ConsumeRandomLengthString(64);
  const std::string otherKey = in.ConsumeRandomLengthString(64);
  const std::string file = talvero::fuzz::WriteInput("settings.ini", in.ConsumeRemainingBytesAsString());
  const std::string before = talvero::fuzz::ReadBack(file);
  TIniFile ini(file);

  const std::optional<std::string> old = ini.ReadString(section, key);
  const std::optional<std::string> other = ini.ReadString(otherSection, otherKey);
  const bool sameKey = SameName(section, otherSection) && SameName(key, otherKey);

  if (old) {
    // A name that reads a key (outer blanks ignored) may still be one no write accepts;
    // refusing it is a clear error, as long as the file stays as it was.
    try {
      ini.WriteString(section, key, *old);
    } catch (const ConvertError&) {
      Check(talvero::fuzz::ReadBack(file) == before, "a refused write changed the file");
      return 0;
    }
    Check(talvero::fuzz::ReadBack(file) == before, "writing the stored value changed the file");
  }
  try {
    ini.WriteString(section, key, value);
  } catch (const ConvertError&) {
    Check(talvero::fuzz::ReadBack(file) == before, "a refused write changed the file");
    return 0;
  }
  Check(ini.ReadString(section, key) == Stored(value), "a written value does not read back");
  if (!sameKey) Check(ini.ReadString(otherSection, otherKey) == other, "a write changed another key");

  const std::string written = talvero::fuzz::ReadBack(file);
  ini.DeleteKey(section, key);
  const std::optional<std::string> after = ini.ReadString(section, key);
  Check(after != Stored(value) || talvero::fuzz::ReadBack(file) != written,
        "a delete left the key as it was");
  if (!sameKey) Check(ini.ReadString(otherSection, otherKey) == other, "a delete changed another key");
  return 0;
}
