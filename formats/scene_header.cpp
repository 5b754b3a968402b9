#include "formats/scene_header.h"

#include <limits>

#include "engine/sim_filer.h"
#include "formats/scene_parameters.h"

namespace talvero {

void AppendJobOptionLines(StringList& lines, const JobSettings& v) {
  if (v.Levelled()) {
    lines.push_back(HeaderLine("sf_LevelPitch", v.LevelPitch.ToGeneralString()));
    lines.push_back(HeaderLine("sf_LevelRoll", v.LevelRoll.ToGeneralString()));
  }
  if (v.ImageQuality != iqExact) lines.push_back(EnumHeaderLine("sf_Quality", v.ImageQuality));
}

void ResetJobOptions(TSimFiler& filer) {
  filer.SetLevelPitch(Currency());
  filer.SetLevelRoll(Currency());
  filer.SetImageQuality(iqExact);
}

void ReadJobOption(LineTokenizer& t, TSimFiler& filer) {
  const bool pitch = t.IsSymbol("sf_LevelPitch");
  if (pitch || t.IsSymbol("sf_LevelRoll")) {
    const Currency value = Currency::FromLongDouble(ReadNumberValue(t));
    if (!TSimFiler::LevelInRange(pitch ? value : Currency(), pitch ? Currency() : value))
      throw ParseError(value.ToGeneralString() + " is not a valid value of " +
                       (pitch ? "sf_LevelPitch (-90 to 90)" : "sf_LevelRoll (-180 to 180)"));
    if (pitch)
      filer.SetLevelPitch(value);
    else
      filer.SetLevelRoll(value);
  }
  if (t.IsSymbol("sf_Quality")) filer.SetImageQuality(ReadOrdinalValue<TImageQuality>(t, "sf_Quality"));
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
