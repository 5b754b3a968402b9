// The FMS scene file ".scn": its writers over a job's settings and the scene mesh, the
// section writers behind them, and its reader, which restores a job into an engine.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/enums.h"
#include "engine/job_context.h"
#include "engine/job_settings.h"
#include "formats/scene_header.h"

namespace talvero {

class TSimFiler;
struct SceneMesh;
using StringList = std::vector<std::string>;

// The scene file of each scene type, saved as SceneFilename in one step, or nothing when any
// value cannot be written. They need the mesh of the matching type and the prepared names.
void WriteFmsCube(const JobSettings& settings, const SceneMesh& mesh, const JobContext& context);
void WriteFmsSphere(const JobSettings& settings, const SceneMesh& mesh, const JobContext& context);

// Restores the job from a scene file into the engine, through its setters; false when the
// file is missing or not usable. Values are set as they are read, so they stay set when
// reading stops early.
bool ReadFmsScene(TSimFiler& filer, const std::string& fileName);

// Each appends its lines to `lines`, with the settings' values (the FMS holder, the scene
// type, naming rule, base name and ground data). WriteFmsHeader returns the index of the
// first ground-data line, which is to be saved as the bytes it holds.
size_t WriteFmsHeader(StringList& lines, const JobSettings& settings);
// Error when the slopes make the ground plane (nearly) vertical, so that its corner heights
// cannot be written.
void WriteFmsGround(StringList& lines, const JobSettings& settings);
void WriteFmsBottom(StringList& lines, const JobSettings& settings);
void WriteFmsVista(StringList& lines, const JobSettings& settings);

}  // namespace talvero
