// Pieces shared by the scene files that record the job in a "sf_" comment block (FMS ".scn"
// and DirectX ".x"): the header line forms, the mesh checks of the writers and the value
// checks of the readers.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/enums.h"
#include "engine/job_settings.h"
#include "formats/line_tokenizer.h"
#include "support/currency.h"
#include "support/errors.h"

namespace talvero {

class TSimDataHolder;
class TSimFiler;
using StringList = std::vector<std::string>;

// "//", a space and 64 hyphens: opens and closes the comment block.
inline constexpr const char* kHeaderRule =
    "// ----------------------------------------------------------------";

// The job's settings beyond the classic ones (levelling, sampling quality) are written into
// the "sf_" block only when they differ from the defaults, so a default job's file keeps every
// byte; other readers skip the lines as comments or unknown keys.
// "sf_LevelPitch" and "sf_LevelRoll" (degrees, every decimal kept) when levelled, "sf_Quality"
// when not exact.
void AppendJobOptionLines(StringList& lines, const JobSettings& settings);
// At the start of a "sf_" block: the settings a file without those lines means.
void ResetJobOptions(TSimFiler& filer);
// Reads the value when the tokenizer stands on one of those keys; ParseError for a value
// out of range.
void ReadJobOption(LineTokenizer& tokenizer, TSimFiler& filer);

// "// %-20s : " followed by the value text.
std::string HeaderLine(const std::string& key, const std::string& value);

// The ordinal, two spaces and the identifier in brackets: "0  [stCube]".
template <typename E>
std::string EnumHeaderLine(const std::string& key, E value) {
  return HeaderLine(key,
                    std::to_string(static_cast<int>(value)) + "  [" + EnumValueName(value) + "]");
}

// The parameter lines of the format's block with the values of `holder`, its own format's
// holder: whole numbers as they are, the others with two decimals.
void AppendParameterLines(StringList& lines, TSceneFormat format, const TSimDataHolder& holder);
// Reads the value into `holder` when the tokenizer stands on the key of one of those lines:
// an integer that must fit in 32 bits, or a number (times 10000, halves to even).
void ReadParameterValue(LineTokenizer& tokenizer, TSceneFormat format, TSimDataHolder& holder);

// The text between single quotes with every quote inside doubled, so that the tokenizer
// reads the whole text back.
std::string QuotedHeaderText(const std::string& text);

// An enumeration ordinal read after `key`; one outside the enumeration is refused with a
// ParseError rather than stored as a value no code expects.
template <typename E>
E ReadOrdinalValue(LineTokenizer& tokenizer, const char* key) {
  const int64_t ordinal = ReadIntValue(tokenizer);
  const auto value = EnumFromOrdinal<E>(ordinal);
  if (!value)
    throw ParseError(std::to_string(ordinal) + " is not a valid value of " + key + " (0 to " +
                     std::to_string(EnumCount<E>() - 1) + ")");
  return *value;
}

// The value when it fits in 32 bits; ConvertError naming `key` otherwise.
int32_t CheckedInt32(int64_t value, const char* key);
// An integer read after `key` (ReadIntValue) that must fit in 32 bits.
int32_t ReadInt32Value(LineTokenizer& tokenizer, const char* key);

}  // namespace talvero
