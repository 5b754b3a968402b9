// The image half of a job: check, load, divide, write, and the vista texture.
#include "engine/image_stage.h"

#include <optional>

#include "imaging/bitmap.h"
#include "support/block_reuse.h"
#include "support/errors.h"
#include "support/parallel.h"

namespace talvero {

bool RunImageStage(const JobSettings& settings, const JobContext& context) {
  if (!CheckImageJob(settings, context)) return false;
  // The job's big buffers are kept, not handed back, until it ends.
  BlockReuse reuse;
  try {
    context.CheckCancelled();
    {
      Bitmap panorama;
      // The cube map needs only the panorama's size: with a core to spare it is built while
      // the panorama decodes.
      std::optional<CubeMapAhead> ahead;
      ImageSizeObserver onSize;
      if (settings.UsesSharedCubeMap() && MaxWorkerThreads() > 1) {
        ahead.emplace();
        onSize = [&ahead](int32_t width, int32_t height) { ahead->Start(width, height); };
      }
      // An unsupported file has shown its message: the stage ends without projecting anything.
      if (!LoadPanorama(panorama, settings, context, onSize)) return false;
      context.CheckCancelled();
      ExtractFaces(panorama, settings, context, ahead ? &*ahead : nullptr);
    }  // the panorama is freed before the texture is drawn
    if (settings.Format.VistaTexture) WriteVistaTexture(settings, context);
  } catch (const CancelledError&) {
    context.ShowError(kCancelledMessage);
    return false;
  }
  return true;
}

void RequireDivisiblePanorama(const Bitmap& panorama, const std::string& work) {
  const int32_t w = panorama.Width(), h = panorama.Height();
  if (w % 8 != 0 || int64_t{h} * 2 != w || h < kMinPanoramaHeight ||
      panorama.Format() != PixelFormat::Bgr24)
    throw ImageError("the panorama is " + std::to_string(w) + " × " + std::to_string(h) +
                     " pixels; " + work + " needs 24 bits, a width that is a multiple of 8 and "
                     "a height of half the width, at least " +
                     std::to_string(kMinPanoramaHeight));
}

void ExtractFaces(Bitmap& panorama, const JobSettings& settings, const JobContext& context,
                  CubeMapAhead* ahead) {
  if (settings.SceneType == stSphere) {
    if (settings.Levelled()) LevelPanorama(panorama, settings, context);
    WriteSphereTiles(panorama, settings, context);
  } else if (!settings.UsesSharedCubeMap()) {
    WriteCubeFacesDirect(panorama, settings, context);
  } else {
    WriteCubeJob(panorama, settings, context, ahead);
  }
}

}  // namespace talvero
