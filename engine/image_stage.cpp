// The image half of a job: check, load, divide, write, and the FMS vista texture.
#include "engine/bitmap.h"
#include "engine/sim_filer.h"

namespace talvero {

void TSimFiler::RunImageStage() {
  if (!CheckImageJob()) return;
  bool extracted = false;
  {
    Bitmap panorama;
    UpdateFaceSize();
    // An unsupported file has shown its message: the stage ends without projecting anything.
    if (!LoadPanorama(panorama)) return;
    ExtractFaces(panorama);
    extracted = true;
  }  // the panorama is freed before the texture is drawn
  if (extracted && GetSceneFormat() == sfFMS) WriteVistaTexture();
}

void TSimFiler::ExtractFaces(Bitmap& panorama) {
  if (GetSceneType() == stSphere) {
    WriteSphereTiles(panorama);
  } else {
    WarpCubeStrips(panorama);
    WriteCubeFaces(panorama);
  }
}

}  // namespace talvero
