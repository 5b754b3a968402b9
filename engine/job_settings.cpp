#include "engine/job_settings.h"

#include <array>

#include "engine/sim_filer.h"
#include "support/errors.h"

namespace talvero {

const SceneFormatTraits& SceneFormatTraitsOf(TSceneFormat format) {
  static constexpr std::array<SceneFormatTraits, EnumCount<TSceneFormat>()> kTraits = {{
      {.VistaTexture = true},   // sfFMS
      {.VistaTexture = false},  // sfRCP
  }};
  if (static_cast<size_t>(format) >= kTraits.size())
    throw Error("there is no scene format " + std::to_string(static_cast<int>(format)));
  return kTraits[format];
}

JobSettings JobSettings::From(const TSimFiler& filer) {
  JobSettings s;
  s.CubeSuffix = filer.GetCubeSuffix();
  s.ExtractImageType = filer.GetExtractImageType();
  s.ImageFileName = filer.GetImageFileName();
  s.ImageSizeMode = filer.GetImageSizeMode();
  s.SceneFilename = filer.GetSceneFilename();
  s.SceneFormat = filer.GetSceneFormat();
  s.SceneType = filer.GetSceneType();
  s.TextureBasename = filer.GetTextureBasename();
  s.Options = filer.GetJobOptions();
  s.SceneFolder = filer.GetSceneFolder();
  s.FaceSize = filer.FaceSize();
  s.ImageNames = filer.ImageNames();
  s.GroundDataLines = filer.GroundDataLines();

  const TFMSDataHolder& fms = filer.FMSData();
  s.FMSData.SetAreaRadius(fms.GetAreaRadius());
  s.FMSData.SetSceneRotate(fms.GetSceneRotate());
  s.FMSData.SetSlopeX(fms.GetSlopeX());
  s.FMSData.SetSlopeY(fms.GetSlopeY());
  s.FMSData.SetAirCraftX(fms.GetAirCraftX());
  s.FMSData.SetAirCraftY(fms.GetAirCraftY());
  s.FMSData.SetAirCraftZ(fms.GetAirCraftZ());
  s.FMSData.SetPilotZ(fms.GetPilotZ());

  const TRCPDataHolder& rcp = filer.RCPData();
  s.RCPData.SetAreaRadius(rcp.GetAreaRadius());
  s.RCPData.SetSceneRotate(rcp.GetSceneRotate());
  s.RCPData.SetSlopeX(rcp.GetSlopeX());
  s.RCPData.SetSlopeZ(rcp.GetSlopeZ());
  s.RCPData.SetAirCraftX(rcp.GetAirCraftX());
  s.RCPData.SetAirCraftY(rcp.GetAirCraftY());
  s.RCPData.SetAirCraftZ(rcp.GetAirCraftZ());
  s.RCPData.SetAirCraftRotate(rcp.GetAirCraftRotate());
  s.RCPData.SetLightDirection(rcp.GetLightDirection());
  s.RCPData.SetLightDiffuse(rcp.GetLightDiffuse());
  s.RCPData.SetLightSpecular(rcp.GetLightSpecular());
  s.RCPData.SetLightAmbient(rcp.GetLightAmbient());

  // A format outside the enumeration keeps no traits; the stages' checks refuse it later.
  if (s.SceneFormat < EnumCount<TSceneFormat>()) s.Format = SceneFormatTraitsOf(s.SceneFormat);
  return s;
}

std::string JobSettings::VistaTexturePath() const {
  return SceneFolder + "fms_vista" + (ExtractImageType == eiJpeg ? ".jpg" : ".bmp");
}

const StringList& JobSettings::RequireImageNames(TSceneType type) const {
  const size_t expected = type == stSphere ? 20 : 6;
  if (ImageNames.size() != expected)
    throw Error("the output image names have not been prepared for a " +
                std::string(type == stSphere ? "sphere (20 names)" : "cube (6 names)"));
  return ImageNames;
}

}  // namespace talvero
