// The scene parameters of each format, one row each: the name its grid cell and the
// converter's --set give it (the scene file's "sf_" block adds the prefix), its kind, and how
// it is read from and stored into a holder of that format.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "engine/enums.h"
#include "support/currency.h"

namespace talvero {

class TSimDataHolder;
class TSimFiler;

// An integer cell (AreaRadius, Direction_X, ...) or a fixed-point one (everything else).
using ParameterValue = std::variant<int32_t, Currency>;

struct SceneParameter {
  const char* Name;
  bool Integer;
  // Its place among the parameter lines of the "sf_" block (1 first); 0 when that block does
  // not record it.
  int HeaderOrder;
  // The holder is the format's own (SceneFormatDescription::Holder); std::bad_cast otherwise.
  ParameterValue (*Get)(const TSimDataHolder& holder);
  // Stores the value through the holder's setter (so AreaRadius below 100 becomes 100).
  void (*Set)(TSimDataHolder& holder, const ParameterValue& value);
  // "sf_" and the name, when the block records it.
  std::string HeaderKey;

  // The current value as text.
  std::string Show(const TSimDataHolder& holder) const;
};

// The parameters of a format's grid, in grid order.
const std::vector<SceneParameter>& SceneParameters(TSceneFormat format);
// Those the "sf_" block records, in the order of its lines.
const std::vector<const SceneParameter*>& HeaderParameters(TSceneFormat format);

// The parameter of that name (letter case ignored), or nullptr.
const SceneParameter* FindSceneParameter(TSceneFormat format, std::string_view name);

struct ParameterSetting {
  TSceneFormat Format = sfFMS;
  const SceneParameter* Parameter = nullptr;
  ParameterValue Value;
  // Into the engine's holder of the format.
  void ApplyTo(TSimFiler& filer) const;
};

// Parses "NAME=VALUE" for a format: a whole decimal number for integer cells, a decimal
// number (at most four decimals kept, halves to even) for the others. ConvertError with a
// message naming the problem for an unknown name or a value that is not such a number.
ParameterSetting ParseParameterSetting(TSceneFormat format, std::string_view text);

}  // namespace talvero
