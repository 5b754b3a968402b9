// The image half of a job: check, load, divide, write, and the FMS vista texture.
#include "engine/sim_filer.h"
#include "imaging/bitmap.h"
#include "support/errors.h"

namespace talvero {

void TSimFiler::RunImageStage() {
  if (!CheckImageJob()) return;
  try {
    CheckCancelled();
    {
      Bitmap panorama;
      UpdateFaceSize();
      // An unsupported file has shown its message: the stage ends without projecting anything.
      if (!LoadPanorama(panorama)) return;
      CheckCancelled();
      ExtractFaces(panorama);
    }  // the panorama is freed before the texture is drawn
    if (GetSceneFormat() == sfFMS) WriteVistaTexture();
  } catch (const CancelledError&) {
    ShowError(kCancelledMessage);
  }
}

void TSimFiler::RequireDivisiblePanorama(const Bitmap& panorama, const std::string& work) {
  const int32_t w = panorama.Width(), h = panorama.Height();
  if (w % 8 != 0 || int64_t{h} * 2 != w || h < kMinPanoramaHeight ||
      panorama.Format() != PixelFormat::Bgr24)
    throw ImageError("the panorama is " + std::to_string(w) + " × " + std::to_string(h) +
                     " pixels; " + work + " needs 24 bits, a width that is a multiple of 8 and "
                     "a height of half the width, at least " +
                     std::to_string(kMinPanoramaHeight));
}

void TSimFiler::ExtractFaces(Bitmap& panorama) {
  const bool high = GetImageQuality() == iqHigh;
  if (GetSceneType() == stSphere) {
    if (Levelled()) LevelPanorama(panorama);
    if (high)
      WriteSphereTilesSmooth(panorama);
    else
      WriteSphereTiles(panorama);
  } else if (Levelled() || high) {
    WriteCubeFacesDirect(panorama);
  } else {
    WarpCubeStrips(panorama);
    WriteCubeFaces(panorama);
  }
}

}  // namespace talvero
