// The FMS scene file ".scn": the section writers behind TSimFiler::WriteFmsCube and
// WriteFmsSphere (the reader is TSimFiler::ReadFmsScene).
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

// Every value an FMS scene file records, taken from the engine and FMSData in one go so
// that a file never mixes values of different moments.
struct FmsSceneValues {
  TSceneType SceneType = stCube;
  TCubeSuffix CubeSuffix = csLeft;
  TFMSDataHolder Data;  // a plain copy of FMSData
  std::string TextureBasename;
  StringList GroundDataLines;  // as the file read held them (code page 932 bytes)
  JobOptionValues Options;

  static FmsSceneValues From(const TSimFiler& filer);
};

// Each appends its lines to `lines`. WriteFmsHeader returns the index of the first
// ground-data line, which is to be saved as the bytes it holds.
size_t WriteFmsHeader(StringList& lines, const FmsSceneValues& values);
// Error when the slopes make the ground plane (nearly) vertical, so that its corner heights
// cannot be written.
void WriteFmsGround(StringList& lines, const FmsSceneValues& values);
void WriteFmsBottom(StringList& lines, const FmsSceneValues& values);
void WriteFmsVista(StringList& lines, const FmsSceneValues& values);

}  // namespace talvero
