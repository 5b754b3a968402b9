// A job's settings read once, when a stage starts. The filer's accessors may read widgets
// (the window binds them to its controls), so the stages never ask them while they work:
// they run over this value, which any thread may read, and a file never mixes values of
// different moments.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/data_holders.h"
#include "engine/enums.h"
#include "engine/job_options.h"
#include "support/currency.h"

namespace talvero {

class TSimFiler;
using StringList = std::vector<std::string>;

// What the engine must know of a scene format; the rest of each format's description is in
// formats/scene_format.cpp, which takes these from here.
struct SceneFormatTraits {
  // The "fms_vista" texture goes beside the images.
  bool VistaTexture;
};
// Error for a value outside the enumeration.
const SceneFormatTraits& SceneFormatTraitsOf(TSceneFormat format);

struct JobSettings {
  TCubeSuffix CubeSuffix = csLeft;
  TExtractImageType ExtractImageType = eiBitmap;
  std::string ImageFileName;
  TImageSizeMode ImageSizeMode = ismSmall;
  std::string SceneFilename;
  TSceneFormat SceneFormat = sfFMS;
  TSceneType SceneType = stCube;
  std::string TextureBasename;
  // Levelling, quality and the other options of engine/job_options.h.
  JobOptions Options;
  // GetSceneFolder: where every output goes, with its trailing separator.
  std::string SceneFolder;
  // As UpdateFaceSize and PrepareOutputNames last left them.
  int32_t FaceSize = 0;
  StringList ImageNames;
  StringList GroundDataLines;
  // Plain copies of the engine's holders.
  TFMSDataHolder FMSData;
  TRCPDataHolder RCPData;
  SceneFormatTraits Format{};

  // Reads every setting once through the engine's accessors (on the thread that may call
  // them), in the order the scene files list the parameters.
  static JobSettings From(const TSimFiler& filer);

  bool Levelled() const { return Options.Levelled(); }
  // Whether the cube job uses the map of the default geometry, one for the four strips and
  // mirrored within each (built ahead, while the panorama decodes, when a core is free). A
  // job whose map differs (a levelled view, another sampler) has its faces rendered directly.
  bool UsesSharedCubeMap() const {
    return SceneType == stCube && !Levelled() && Options.ImageQuality == iqExact;
  }
  // Where the vista texture goes: ".jpg" for JPEG output, else ".bmp" (TIFF output too).
  std::string VistaTexturePath() const;
  // ImageNames, after checking they were prepared for `type` (6 or 20 names); Error otherwise.
  const StringList& RequireImageNames(TSceneType type) const;
};

}  // namespace talvero
