// The RCPSim scene: the DirectX text mesh ".x" (TSimFiler::WriteXCube, WriteXSphere,
// ReadXScene) and the settings file ".xscn" (TSimFiler::WriteXscn, ReadXscn).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/data_holders.h"
#include "engine/enums.h"
#include "formats/scene_header.h"
#include "support/currency.h"

namespace talvero {

class TSimFiler;
using StringList = std::vector<std::string>;

// Every value the two RCPSim files record, taken from the engine and RCPData in one go so
// that the ".x" file and its ".xscn" file never mix values of different moments.
struct RcpSceneValues {
  TSceneType SceneType = stCube;
  TCubeSuffix CubeSuffix = csLeft;
  TRCPDataHolder Data;  // a plain copy of RCPData
  std::string TextureBasename;
  JobOptionValues Options;

  static RcpSceneValues From(const TSimFiler& filer);
};

inline constexpr const char* kXExtension = ".x";
inline constexpr const char* kXscnExtension = ".xscn";

// The ".x" and ".xscn" names that belong to a scene file name.
std::string XFileName(const std::string& sceneFilename);
std::string XscnFileName(const std::string& sceneFilename);

// A fixed-point value in the ".xscn" file: the general form when it has a decimal point,
// otherwise one decimal ("5.0", "-2.0", "0.0"; but "5.25", "-0.1").
std::string FormatXscnNumber(Currency value);

// The whole ".xscn" file as lines.
StringList XscnLines(const RcpSceneValues& values);

// Appends the "sf_" comment block of the ".x" file.
void AppendXHeader(StringList& lines, const RcpSceneValues& values);

}  // namespace talvero
