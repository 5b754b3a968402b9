// The image half of a job: check, load, divide, write, and the FMS vista texture.
#include "engine/sim_filer.h"
#include "imaging/bitmap.h"
#include "support/block_reuse.h"
#include "support/errors.h"
#include "support/parallel.h"

namespace talvero {

void TSimFiler::RunImageStage() {
  if (!CheckImageJob()) return;
  // The job's big buffers are kept, not handed back, until it ends.
  BlockReuse reuse;
  try {
    CheckCancelled();
    {
      Bitmap panorama;
      UpdateFaceSize();
      // The cube map needs only the panorama's size: with a core to spare it is built while
      // the panorama decodes.
      struct Forget {
        std::shared_ptr<CubeMapAhead>& Ahead;
        ~Forget() { Ahead.reset(); }  // stops and joins its thread
      } forget{FCubeMapAhead};
      ImageSizeObserver onSize;
      if (UsesSharedCubeMap() && MaxWorkerThreads() > 1)
        onSize = [this](int32_t width, int32_t height) { StartCubeMapAhead(width, height); };
      // An unsupported file has shown its message: the stage ends without projecting anything.
      if (!LoadPanorama(panorama, onSize)) return;
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
  if (GetSceneType() == stSphere) {
    if (Levelled()) LevelPanorama(panorama);
    WriteSphereTiles(panorama);
  } else if (!UsesSharedCubeMap()) {
    WriteCubeFacesDirect(panorama);
  } else {
    WriteCubeJob(panorama);
  }
}

}  // namespace talvero
