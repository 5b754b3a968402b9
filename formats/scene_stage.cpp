// The scene half of a job: check, build the mesh, write the scene file, release the mesh.
#include "engine/sim_filer.h"

namespace talvero {

void TSimFiler::RunSceneStage() {
  if (!CheckSceneJob()) return;
  Progress("シーンファイルを出力します。", spAppend);
  struct MeshGuard {
    TSimFiler& filer;
    ~MeshGuard() { filer.FreeMeshArrays(); }
  } guard{*this};
  InitMeshArrays();
  if (GetSceneFormat() == sfRCP) {
    if (GetSceneType() == stSphere)
      WriteXSphere();
    else
      WriteXCube();
  } else {
    if (GetSceneType() == stSphere)
      WriteFmsSphere();
    else
      WriteFmsCube();
    EnsureVistaTexture();
  }
  Progress("出力中　" + GetSceneFilename(), spAppend);
}

}  // namespace talvero
