// The RCPSim scene: the DirectX text mesh ".x" and the settings file ".xscn", their writers
// over a job's settings and the scene mesh, and their readers, which restore a job into an
// engine.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/enums.h"
#include "engine/job_context.h"
#include "engine/job_settings.h"
#include "formats/scene_header.h"
#include "support/currency.h"

namespace talvero {

class TSimFiler;
struct SceneMesh;
using StringList = std::vector<std::string>;

// The ".x" file of each scene type (SceneFilename with the extension ".x") and then its
// ".xscn" file, each saved in one step, or nothing when any value cannot be written. They
// need the mesh of the matching type and the prepared names.
void WriteXCube(const JobSettings& settings, const SceneMesh& mesh, const JobContext& context);
void WriteXSphere(const JobSettings& settings, const SceneMesh& mesh, const JobContext& context);
// Saves the ".xscn" file alone: light settings and aircraft position of the RCPSim holder.
void WriteXscn(const JobSettings& settings, const JobContext& context);

// Restore the job from a ".x" file into the engine, through its setters: true after an
// "sf_TextureBasename" line or a usable "TextureFilename" block; false when the file is
// missing or holds neither. Values are set as they are read.
bool ReadXScene(TSimFiler& filer, const std::string& fileName);
// TextureBasename (and for a cube CubeSuffix) from the image name on lines[i + 1].
void ReadXTextureName(TSimFiler& filer, const std::string& fileName, const StringList& lines,
                      size_t i);
// Restores the light settings and the aircraft position; true when a "Plane" line was read.
// FileError when the file cannot be read.
bool ReadXscn(TSimFiler& filer, const std::string& fileName);

inline constexpr const char* kXExtension = ".x";
inline constexpr const char* kXscnExtension = ".xscn";

// The ".x" and ".xscn" names that belong to a scene file name.
std::string XFileName(const std::string& sceneFilename);
std::string XscnFileName(const std::string& sceneFilename);

// A fixed-point value in the ".xscn" file: the general form when it has a decimal point,
// otherwise one decimal ("5.0", "-2.0", "0.0"; but "5.25", "-0.1").
std::string FormatXscnNumber(Currency value);

// The whole ".xscn" file as lines.
StringList XscnLines(const JobSettings& settings);

// Appends the "sf_" comment block of the ".x" file (WriteXHeader), with the settings' RCPSim
// values, scene type, naming rule and base name.
void AppendXHeader(StringList& lines, const JobSettings& settings);

}  // namespace talvero
