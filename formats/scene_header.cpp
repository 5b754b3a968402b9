#include "formats/scene_header.h"

#include <limits>

#include "engine/sim_filer.h"
#include "formats/scene_parameters.h"

namespace talvero {

void AppendJobOptionLines(StringList& lines, const JobSettings& v) {
  for (const JobOptionRow& row : JobOptionRows()) {
    if (row.IsDefault(v.Options)) continue;
    const JobOptionValue value = row.Get(v.Options);
    switch (row.Kind) {
      case JobOptionKind::NumberPair:
        for (size_t i = 0; i < 2; ++i)
          lines.push_back(HeaderLine(row.SceneKeys[i], value.Numbers[i].ToGeneralString()));
        break;
      case JobOptionKind::Choice:
        lines.push_back(HeaderLine(row.SceneKeys[0], std::to_string(value.Ordinal) + "  [" +
                                                         row.ValueName(value.Ordinal) + "]"));
        break;
      case JobOptionKind::Boolean:
        lines.push_back(HeaderLine(row.SceneKeys[0], std::to_string(value.Ordinal)));
        break;
    }
  }
}

void ResetJobOptions(TSimFiler& filer) { filer.SetJobOptions(JobOptions{}); }

void ReadJobOption(LineTokenizer& t, TSimFiler& filer) {
  for (const JobOptionRow& row : JobOptionRows()) {
    JobOptionValue value = filer.GetJobOption(row);
    if (row.Kind == JobOptionKind::NumberPair) {
      for (size_t i = 0; i < 2; ++i) {
        if (!t.IsSymbol(row.SceneKeys[i])) continue;
        const Currency number = Currency::FromLongDouble(ReadNumberValue(t));
        JobOptionValue alone;
        alone.Numbers[i] = number;
        if (!row.InRange(alone))
          throw ParseError(number.ToGeneralString() + " is not a valid value of " +
                           row.SceneKeys[i] + " (-" + std::to_string(row.Limits[i]) + " to " +
                           std::to_string(row.Limits[i]) + ")");
        value.Numbers[i] = number;
        filer.SetJobOption(row, value);
      }
    } else if (t.IsSymbol(row.SceneKeys[0])) {
      const int64_t ordinal = ReadIntValue(t);
      const int count = row.Kind == JobOptionKind::Boolean ? 2 : row.ValueCount;
      if (ordinal < 0 || ordinal >= count)
        throw ParseError(std::to_string(ordinal) + " is not a valid value of " + row.SceneKeys[0] +
                         " (0 to " + std::to_string(count - 1) + ")");
      value.Ordinal = static_cast<int>(ordinal);
      filer.SetJobOption(row, value);
    }
  }
}

std::string HeaderLine(const std::string& key, const std::string& value) {
  std::string line = "// " + key;
  if (key.size() < 20) line.append(20 - key.size(), ' ');
  return line + " : " + value;
}

void AppendParameterLines(StringList& lines, TSceneFormat format, const TSimDataHolder& holder) {
  for (const SceneParameter* p : HeaderParameters(format)) {
    const ParameterValue value = p->Get(holder);
    lines.push_back(HeaderLine(p->HeaderKey, p->Integer
                                                 ? std::to_string(std::get<int32_t>(value))
                                                 : std::get<Currency>(value).ToFixedString(2)));
  }
}

void ReadParameterValue(LineTokenizer& t, TSceneFormat format, TSimDataHolder& holder) {
  // A value read leaves the tokenizer on a number or at the end, where no other key stands.
  for (const SceneParameter* p : HeaderParameters(format)) {
    if (!t.IsSymbol(p->HeaderKey)) continue;
    const char* key = p->HeaderKey.c_str();
    if (p->Integer)
      p->Set(holder, ReadInt32Value(t, key));
    else
      p->Set(holder, Currency::FromLongDouble(ReadNumberValue(t)));
  }
}

std::string QuotedHeaderText(const std::string& text) {
  std::string out = "'";
  for (char c : text) {
    out += c;
    if (c == '\'') out += '\'';
  }
  return out + "'";
}

int32_t ReadInt32Value(LineTokenizer& tokenizer, const char* key) {
  return CheckedInt32(ReadIntValue(tokenizer), key);
}

int32_t CheckedInt32(int64_t value, const char* key) {
  if (value < std::numeric_limits<int32_t>::min() || value > std::numeric_limits<int32_t>::max())
    throw ConvertError(std::to_string(value) + " is outside the range of " + key);
  return static_cast<int32_t>(value);
}

}  // namespace talvero
