// The scene half of a job: check, build the mesh, write the scene file, release the mesh.
#include "engine/sim_filer.h"
#include "formats/scene_format.h"
#include "support/text_catalogue.h"

namespace talvero {

void TSimFiler::RunSceneStage() {
  if (!CheckSceneJob()) return;
  try {
    CheckCancelled();
    Progress(Localized("シーンファイルを出力します。"), spAppend);
    struct MeshGuard {
      TSimFiler& filer;
      ~MeshGuard() { filer.FreeMeshArrays(); }
    } guard{*this};
    InitMeshArrays();
    const SceneFormatDescription& format = DescriptionOf(GetSceneFormat());
    (this->*(GetSceneType() == stSphere ? format.WriteSphere : format.WriteCube))();
    if (format.VistaTexture) EnsureVistaTexture();
    CheckCancelled();
    Progress(Localized("出力中　%1", {GetSceneFilename()}), spAppend);
  } catch (const CancelledError&) {
    ShowError(kCancelledMessage);
  }
}

}  // namespace talvero
