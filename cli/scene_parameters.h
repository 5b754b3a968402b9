// The scene parameters the converter's --set option takes, named as the window's parameter
// grids name their cells, with the parsing of their values.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "engine/enums.h"
#include "support/currency.h"

namespace talvero {

class TSimFiler;

// An integer cell (AreaRadius, Direction_X, ...) or a fixed-point one (everything else).
using ParameterValue = std::variant<int32_t, Currency>;

struct SceneParameter {
  const char* Name;
  bool Integer;
  // Stores the value through the holder's setter (so AreaRadius below 100 becomes 100).
  void (*Set)(TSimFiler& filer, const ParameterValue& value);
  // The current value as text.
  std::string (*Show)(const TSimFiler& filer);
};

// The parameters of a format's grid, in grid order.
const std::vector<SceneParameter>& SceneParameters(TSceneFormat format);

// The parameter of that name (letter case ignored), or nullptr.
const SceneParameter* FindSceneParameter(TSceneFormat format, std::string_view name);

struct ParameterSetting {
  const SceneParameter* Parameter = nullptr;
  ParameterValue Value;
  void ApplyTo(TSimFiler& filer) const { Parameter->Set(filer, Value); }
};

// Parses "NAME=VALUE" for a format: a whole decimal number for integer cells, a decimal
// number (at most four decimals kept, halves to even) for the others. ConvertError with a
// message naming the problem for an unknown name or a value that is not such a number.
ParameterSetting ParseParameterSetting(TSceneFormat format, std::string_view text);

}  // namespace talvero
