// The scene half of a job: check, build the mesh, write the scene file, release the mesh.
#include "formats/scene_stage.h"

#include "engine/image_stage.h"
#include "engine/job_checks.h"
#include "engine/sim_filer.h"
#include "formats/scene_format.h"
#include "formats/scene_mesh.h"

namespace talvero {

// The one member of the engine defined here: the scene files are written in this layer.
void TSimFiler::RunSceneStage() { talvero::RunSceneStage(TakeJobSettings(), Context()); }

void RunSceneStage(const JobSettings& settings, const JobContext& context) {
  if (!CheckSceneJob(settings, context)) return;
  try {
    context.CheckCancelled();
    context.Progress(ProgressStep::Scene);
    SceneMesh mesh;
    struct MeshGuard {
      SceneMesh& Mesh;
      ~MeshGuard() { FreeMeshArrays(Mesh); }
    } guard{mesh};
    InitMeshArrays(mesh, settings, context);
    const SceneFormatDescription& format = DescriptionOf(settings.SceneFormat);
    (settings.SceneType == stSphere ? format.WriteSphere : format.WriteCube)(settings, mesh,
                                                                             context);
    if (settings.Format.VistaTexture) EnsureVistaTexture(settings, context);
    context.CheckCancelled();
    context.Progress(ProgressStep::SceneWritten, 0, 0, settings.SceneFilename);
  } catch (const CancelledError&) {
    context.ShowError(kCancelledMessage);
  }
}

}  // namespace talvero
