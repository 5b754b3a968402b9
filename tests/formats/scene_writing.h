// Runs one scene file's writer as the scene stage does: the engine's settings read once, the
// mesh built for them, the writer over both.
#pragma once

#include "engine/sim_filer.h"
#include "formats/fms_scene.h"
#include "formats/rcp_scene.h"
#include "formats/scene_mesh.h"

namespace talvero::testing {

using SceneWriter = void (*)(const JobSettings&, const SceneMesh&, const JobContext&);

inline void WriteScene(TSimFiler& filer, SceneWriter writer) {
  const JobSettings settings = JobSettings::From(filer);
  SceneMesh mesh;
  InitMeshArrays(mesh, settings, filer.Context());
  writer(settings, mesh, filer.Context());
}

}  // namespace talvero::testing
