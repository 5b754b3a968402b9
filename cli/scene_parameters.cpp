#include "cli/scene_parameters.h"

#include <limits>

#include "engine/sim_filer.h"
#include "support/errors.h"
#include "support/number_format.h"
#include "support/string_utils.h"

namespace talvero {

namespace {

template <typename H>
H& HolderOf(const TSimFiler& filer) {
  if constexpr (std::is_same_v<H, TFMSDataHolder>)
    return filer.FMSData();
  else
    return filer.RCPData();
}

template <typename H>
SceneParameter Radius() {
  return {"AreaRadius", true,
          [](TSimFiler& f, const ParameterValue& v) {
            HolderOf<H>(f).SetAreaRadius(std::get<int32_t>(v));
          },
          [](const TSimFiler& f) { return std::to_string(HolderOf<H>(f).GetAreaRadius()); }};
}

template <typename H, auto Get, auto Set>
SceneParameter Fixed(const char* name) {
  return {
      name, false,
      [](TSimFiler& f, const ParameterValue& v) { (HolderOf<H>(f).*Set)(std::get<Currency>(v)); },
      [](const TSimFiler& f) { return (HolderOf<H>(f).*Get)().ToGeneralString(); }};
}

// One component of the light direction.
template <int32_t TIntVector::*Field>
SceneParameter Direction(const char* name) {
  return {
      name, true,
      [](TSimFiler& f, const ParameterValue& v) {
        TIntVector direction = f.RCPData().GetLightDirection();
        direction.*Field = std::get<int32_t>(v);
        f.RCPData().SetLightDirection(direction);
      },
      [](const TSimFiler& f) { return std::to_string(f.RCPData().GetLightDirection().*Field); }};
}

// One component of a light colour.
template <auto Get, auto Set, Currency TColorTriple::*Field>
SceneParameter Color(const char* name) {
  return {name, false,
          [](TSimFiler& f, const ParameterValue& v) {
            TColorTriple color = (f.RCPData().*Get)();
            color.*Field = std::get<Currency>(v);
            (f.RCPData().*Set)(color);
          },
          [](const TSimFiler& f) { return ((f.RCPData().*Get)().*Field).ToGeneralString(); }};
}

std::vector<SceneParameter> FmsParameters() {
  using H = TFMSDataHolder;
  return {Radius<H>(),
          Fixed<H, &H::GetSceneRotate, &H::SetSceneRotate>("SceneRotate"),
          Fixed<H, &H::GetSlopeX, &H::SetSlopeX>("SlopeX"),
          Fixed<H, &H::GetSlopeY, &H::SetSlopeY>("SlopeY"),
          Fixed<H, &H::GetPilotZ, &H::SetPilotZ>("PilotZ"),
          Fixed<H, &H::GetAirCraftX, &H::SetAirCraftX>("AirCraftX"),
          Fixed<H, &H::GetAirCraftY, &H::SetAirCraftY>("AirCraftY"),
          Fixed<H, &H::GetAirCraftZ, &H::SetAirCraftZ>("AirCraftZ")};
}

std::vector<SceneParameter> RcpParameters() {
  using H = TRCPDataHolder;
  constexpr auto R = &TColorTriple::R, G = &TColorTriple::G, B = &TColorTriple::B;
  constexpr auto getDiffuse = &H::GetLightDiffuse, getSpecular = &H::GetLightSpecular,
                 getAmbient = &H::GetLightAmbient;
  constexpr auto setDiffuse = &H::SetLightDiffuse, setSpecular = &H::SetLightSpecular,
                 setAmbient = &H::SetLightAmbient;
  return {Radius<H>(),
          Fixed<H, &H::GetSceneRotate, &H::SetSceneRotate>("SceneRotate"),
          Fixed<H, &H::GetSlopeX, &H::SetSlopeX>("SlopeX"),
          Fixed<H, &H::GetSlopeZ, &H::SetSlopeZ>("SlopeZ"),
          Fixed<H, &H::GetAirCraftRotate, &H::SetAirCraftRotate>("AirCraftRotate"),
          Fixed<H, &H::GetAirCraftX, &H::SetAirCraftX>("AirCraftX"),
          Fixed<H, &H::GetAirCraftY, &H::SetAirCraftY>("AirCraftY"),
          Fixed<H, &H::GetAirCraftZ, &H::SetAirCraftZ>("AirCraftZ"),
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

std::string FormatName(TSceneFormat format) { return format == sfRCP ? "RCPSim" : "FMS"; }

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

const std::vector<SceneParameter>& SceneParameters(TSceneFormat format) {
  static const std::vector<SceneParameter> fms = FmsParameters(), rcp = RcpParameters();
  return format == sfRCP ? rcp : fms;
}

const SceneParameter* FindSceneParameter(TSceneFormat format, std::string_view name) {
  for (const SceneParameter& p : SceneParameters(format))
    if (SameTextIgnoreCase(p.Name, name)) return &p;
  return nullptr;
}

ParameterSetting ParseParameterSetting(TSceneFormat format, std::string_view text) {
  const size_t equals = text.find('=');
  if (equals == std::string_view::npos)
    throw ConvertError("'" + std::string(text) + "' is not of the form NAME=VALUE");
  const std::string name(text.substr(0, equals)), value(text.substr(equals + 1));
  const SceneParameter* parameter = FindSceneParameter(format, name);
  if (!parameter) {
    const TSceneFormat other = format == sfRCP ? sfFMS : sfRCP;
    const std::string hint =
        FindSceneParameter(other, name) ? " (it belongs to " + FormatName(other) + " scenery)" : "";
    throw ConvertError("unknown " + FormatName(format) + " parameter '" + name + "'" + hint +
                       "; the names are " + NameList(format));
  }
  try {
    return {parameter, ParseValue(*parameter, value)};
  } catch (const ConvertError& e) {
    throw ConvertError(std::string(parameter->Name) + ": " + e.what());
  }
}

}  // namespace talvero
