#include "formats/scene_parameters.h"

#include <algorithm>
#include <limits>

#include "engine/data_holders.h"
#include "formats/scene_format.h"
#include "support/errors.h"
#include "support/number_format.h"
#include "support/string_utils.h"

namespace talvero {

namespace {

template <typename H>
const H& As(const TSimDataHolder& holder) {
  return dynamic_cast<const H&>(holder);
}

template <typename H>
H& As(TSimDataHolder& holder) {
  return dynamic_cast<H&>(holder);
}

SceneParameter Radius() {
  return {"AreaRadius",
          true,
          1,
          [](const TSimDataHolder& h) -> ParameterValue { return h.GetAreaRadius(); },
          [](TSimDataHolder& h, const ParameterValue& v) { h.SetAreaRadius(std::get<int32_t>(v)); },
          {}};
}

template <typename H, auto Get, auto Set>
SceneParameter Fixed(const char* name, int headerOrder) {
  return {
      name,
      false,
      headerOrder,
      [](const TSimDataHolder& h) -> ParameterValue { return (As<H>(h).*Get)(); },
      [](TSimDataHolder& h, const ParameterValue& v) { (As<H>(h).*Set)(std::get<Currency>(v)); },
      {}};
}

// One component of the light direction.
template <int32_t TIntVector::*Field>
SceneParameter Direction(const char* name) {
  using H = TRCPDataHolder;
  return {
      name,
      true,
      0,
      [](const TSimDataHolder& h) -> ParameterValue { return As<H>(h).GetLightDirection().*Field; },
      [](TSimDataHolder& h, const ParameterValue& v) {
        TIntVector direction = As<H>(h).GetLightDirection();
        direction.*Field = std::get<int32_t>(v);
        As<H>(h).SetLightDirection(direction);
      },
      {}};
}

// One component of a light colour.
template <auto Get, auto Set, Currency TColorTriple::*Field>
SceneParameter Color(const char* name) {
  using H = TRCPDataHolder;
  return {name,
          false,
          0,
          [](const TSimDataHolder& h) -> ParameterValue { return (As<H>(h).*Get)().*Field; },
          [](TSimDataHolder& h, const ParameterValue& v) {
            TColorTriple color = (As<H>(h).*Get)();
            color.*Field = std::get<Currency>(v);
            (As<H>(h).*Set)(color);
          },
          {}};
}

std::vector<SceneParameter> FmsParameters() {
  using H = TFMSDataHolder;
  return {Radius(),
          Fixed<H, &H::GetSceneRotate, &H::SetSceneRotate>("SceneRotate", 2),
          Fixed<H, &H::GetSlopeX, &H::SetSlopeX>("SlopeX", 3),
          Fixed<H, &H::GetSlopeY, &H::SetSlopeY>("SlopeY", 4),
          Fixed<H, &H::GetPilotZ, &H::SetPilotZ>("PilotZ", 8),
          Fixed<H, &H::GetAirCraftX, &H::SetAirCraftX>("AirCraftX", 5),
          Fixed<H, &H::GetAirCraftY, &H::SetAirCraftY>("AirCraftY", 6),
          Fixed<H, &H::GetAirCraftZ, &H::SetAirCraftZ>("AirCraftZ", 7)};
}

// The light settings and the aircraft's heading are kept by the ".xscn" file, not the block.
std::vector<SceneParameter> RcpParameters() {
  using H = TRCPDataHolder;
  constexpr auto R = &TColorTriple::R, G = &TColorTriple::G, B = &TColorTriple::B;
  constexpr auto getDiffuse = &H::GetLightDiffuse, getSpecular = &H::GetLightSpecular,
                 getAmbient = &H::GetLightAmbient;
  constexpr auto setDiffuse = &H::SetLightDiffuse, setSpecular = &H::SetLightSpecular,
                 setAmbient = &H::SetLightAmbient;
  return {Radius(),
          Fixed<H, &H::GetSceneRotate, &H::SetSceneRotate>("SceneRotate", 2),
          Fixed<H, &H::GetSlopeX, &H::SetSlopeX>("SlopeX", 3),
          Fixed<H, &H::GetSlopeZ, &H::SetSlopeZ>("SlopeZ", 4),
          Fixed<H, &H::GetAirCraftRotate, &H::SetAirCraftRotate>("AirCraftRotate", 0),
          Fixed<H, &H::GetAirCraftX, &H::SetAirCraftX>("AirCraftX", 5),
          Fixed<H, &H::GetAirCraftY, &H::SetAirCraftY>("AirCraftY", 6),
          Fixed<H, &H::GetAirCraftZ, &H::SetAirCraftZ>("AirCraftZ", 7),
          Direction<&TIntVector::X>("Direction_X"),
          Direction<&TIntVector::Y>("Direction_Y"),
          Direction<&TIntVector::Z>("Direction_Z"),
          Color<getDiffuse, setDiffuse, R>("Diffuse_R"),
          Color<getDiffuse, setDiffuse, G>("Diffuse_G"),
          Color<getDiffuse, setDiffuse, B>("Diffuse_B"),
          Color<getSpecular, setSpecular, R>("Specular_R"),
          Color<getSpecular, setSpecular, G>("Specular_G"),
          Color<getSpecular, setSpecular, B>("Specular_B"),
          Color<getAmbient, setAmbient, R>("Ambient_R"),
          Color<getAmbient, setAmbient, G>("Ambient_G"),
          Color<getAmbient, setAmbient, B>("Ambient_B")};
}

struct FormatParameters {
  std::vector<SceneParameter> All;
  std::vector<const SceneParameter*> Header;

  explicit FormatParameters(std::vector<SceneParameter> all) : All(std::move(all)) {
    for (SceneParameter& p : All)
      if (p.HeaderOrder > 0) p.HeaderKey = std::string("sf_") + p.Name;
    for (const SceneParameter& p : All)
      if (p.HeaderOrder > 0) Header.push_back(&p);
    std::sort(Header.begin(), Header.end(), [](const SceneParameter* a, const SceneParameter* b) {
      return a->HeaderOrder < b->HeaderOrder;
    });
  }
};

const FormatParameters& ParametersOf(TSceneFormat format) {
  static const FormatParameters fms(FmsParameters()), rcp(RcpParameters());
  switch (format) {
    case sfFMS:
      return fms;
    case sfRCP:
      return rcp;
  }
  throw Error("there is no scene format " + std::to_string(static_cast<int>(format)));
}

std::string NameList(TSceneFormat format) {
  std::string names;
  for (const SceneParameter& p : SceneParameters(format))
    names += (names.empty() ? "" : ", ") + std::string(p.Name);
  return names;
}

ParameterValue ParseValue(const SceneParameter& parameter, const std::string& text) {
  if (!parameter.Integer) return Currency::Parse(text);
  // Only plain decimal digits: the "$" hexadecimal form of the integer parser is no form a
  // user types for a radius.
  const auto value = text.starts_with('$') ? std::nullopt : ParseInt64(text);
  if (!value) throw ConvertError("'" + text + "' is not a whole number");
  if (*value < std::numeric_limits<int32_t>::min() || *value > std::numeric_limits<int32_t>::max())
    throw ConvertError("'" + text + "' is out of range");
  return static_cast<int32_t>(*value);
}

}  // namespace

std::string SceneParameter::Show(const TSimDataHolder& holder) const {
  const ParameterValue value = Get(holder);
  if (const auto* whole = std::get_if<int32_t>(&value)) return std::to_string(*whole);
  return std::get<Currency>(value).ToGeneralString();
}

const std::vector<SceneParameter>& SceneParameters(TSceneFormat format) {
  return ParametersOf(format).All;
}

const std::vector<const SceneParameter*>& HeaderParameters(TSceneFormat format) {
  return ParametersOf(format).Header;
}

const SceneParameter* FindSceneParameter(TSceneFormat format, std::string_view name) {
  for (const SceneParameter& p : SceneParameters(format))
    if (SameTextIgnoreCase(p.Name, name)) return &p;
  return nullptr;
}

void ParameterSetting::ApplyTo(TSimFiler& filer) const {
  Parameter->Set(DescriptionOf(Format).Holder(filer), Value);
}

ParameterSetting ParseParameterSetting(TSceneFormat format, std::string_view text) {
  const size_t equals = text.find('=');
  if (equals == std::string_view::npos)
    throw ConvertError("'" + std::string(text) + "' is not of the form NAME=VALUE");
  const std::string name(text.substr(0, equals)), value(text.substr(equals + 1));
  const SceneParameter* parameter = FindSceneParameter(format, name);
  if (!parameter) {
    std::string hint;
    for (const SceneFormatDescription& other : SceneFormats())
      if (other.Format != format && hint.empty() && FindSceneParameter(other.Format, name))
        hint = std::string(" (it belongs to ") + other.Name + " scenery)";
    throw ConvertError("unknown " + std::string(DescriptionOf(format).Name) + " parameter '" +
                       name + "'" + hint + "; the names are " + NameList(format));
  }
  try {
    return {format, parameter, ParseValue(*parameter, value)};
  } catch (const ConvertError& e) {
    throw ConvertError(std::string(parameter->Name) + ": " + e.what());
  }
}

}  // namespace talvero
