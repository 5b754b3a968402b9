// The image half of a job and its steps, as functions over the job's settings and a context
// (progress, error box, cancellation). TSimFiler's members of the same names forward here with
// the settings read from the filer at that moment.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "engine/cube_map.h"
#include "engine/job_checks.h"
#include "engine/job_context.h"
#include "engine/job_settings.h"
#include "imaging/image_codecs.h"

namespace talvero {

class Bitmap;

// ---- The stage.
// Checks the job, loads the panorama, writes the divided images and, where the format has
// one, the vista texture. Validation failures are shown and end the stage; file and codec
// errors are exceptions. Settings.FaceSize and ImageNames must have been prepared.
// True when the images were written; false when the stage refused (after its message) or
// was cancelled, so that the scene step, which names those images, does not run.
bool RunImageStage(const JobSettings& settings, const JobContext& context);

// The cube map of the default geometry built on its own thread from the moment the
// panorama's size is known, while the panorama decodes. Its progress lines are shown when the
// cube job takes it, in their place. Destroying it stops and joins its thread.
class CubeMapAhead {
 public:
  CubeMapAhead();
  ~CubeMapAhead();
  CubeMapAhead(const CubeMapAhead&) = delete;
  CubeMapAhead& operator=(const CubeMapAhead&) = delete;
  // Starts building the map for a panorama of that size (as the loader will normalise it);
  // a second call does nothing. Runs on the decoding thread.
  void Start(int32_t width, int32_t height);
  // Whether a map for strips of f is being built.
  bool Has(int32_t f) const;
  // That map, once complete; the builder's failure is raised here.
  TmxCurrencyUV Take();
  // Stops building.
  void Drop();

 private:
  struct Build;
  std::unique_ptr<Build> FBuild;
};

// The image work of the scene type on a loaded, normalised panorama; `ahead` is the map built
// while it decoded, if any.
void ExtractFaces(Bitmap& panorama, const JobSettings& settings, const JobContext& context,
                  CubeMapAhead* ahead = nullptr);

// ---- Panorama loading (panorama_loader.cpp).
// A panorama smaller than this (after normalisation) cannot be divided into faces.
inline constexpr int32_t kMinPanoramaHeight = 40;
// The width LoadPanorama ends with for a file of that size (normalised or not).
int32_t NormalizedWidth(int32_t width, int32_t height);
// Fills `target` from the file, accepted by its name and read by its content (ChooseReader).
// False, with `target` untouched, when no such file exists or its kind is unsupported (after
// the error box); ImageError or FileError when it cannot be read, again with `target`
// untouched. `onSize` learns the file's size before its pixels are decoded.
bool ReadImageFile(Bitmap& target, const std::string& fileName, const JobContext& context,
                   const ImageSizeObserver& onSize = {});
// Reads ImageFileName and normalises its size. True when `target` holds a panorama the
// projections can use; false after the unsupported-file box. A missing, unreadable or too
// small file raises an exception.
bool LoadPanorama(Bitmap& target, const JobSettings& settings, const JobContext& context,
                  const ImageSizeObserver& onSize = {});
// Makes `image` 24-bit, twice as wide as high, its width a multiple of 8 and at least 8192
// (high quality: filtered rather than stretched).
void NormalizeSize(Bitmap& image, TImageQuality quality, const JobContext& context);
// ImageError unless the panorama can be divided into eighths: 24 bits, a width that is a
// multiple of 8, the height half the width and at least the minimum height.
void RequireDivisiblePanorama(const Bitmap& panorama, const std::string& work);

// ---- Image output (image_output.cpp).
// Writes a 24-bit image as the type says; touches no setting, so it may run on any thread.
void SaveImageAs(const Bitmap& image, const std::string& path, TExtractImageType type);
// Encodes into an open file and leaves the commit to the caller; any thread.
void EncodeImageAs(AtomicFileWriter& file, const Bitmap& image, TExtractImageType type);
// Draws the 255 × 255 "fms_vista" texture and saves it in the scene folder.
void WriteVistaTexture(const JobSettings& settings, const JobContext& context);
// WriteVistaTexture only when its file does not exist yet.
void EnsureVistaTexture(const JobSettings& settings, const JobContext& context);

// ---- The default cube job (cube_job.cpp): the map, all four strips warped in place together,
// the faces made and written (cube_faces.cpp).
void WriteCubeJob(Bitmap& panorama, const JobSettings& settings, const JobContext& context,
                  CubeMapAhead* ahead = nullptr);
// Fills the inverse map for strips of 2f × 4f pixels.
void BuildCubeMap(int32_t f, TmxCurrencyUV& map, const JobContext& context);
// The strip-by-strip warp's bytes, with all four strips warped in place together, row by row,
// through a few row slots. rowFinal(y) runs on the calling thread once panorama row y holds
// its warped pixels for good.
void WarpCubeStripsInPlace(Bitmap& panorama, const TmxCurrencyUV& map, const JobContext& context,
                           const std::function<void(int32_t)>& rowFinal = {});

// ---- Beyond the classic job (direct_faces.cpp, sphere_tiles.cpp).
// The levelled or high-quality cube: every face rendered straight from the panorama through
// the turned view directions, at the warp's resolution and then stretched as the classic job
// does (exact), or at the output size with each pixel filtered over its footprint (high).
void WriteCubeFacesDirect(const Bitmap& panorama, const JobSettings& settings,
                          const JobContext& context);
// Re-projects the panorama once so that its horizon is level (sphere tiles are then cut
// from it as usual).
void LevelPanorama(Bitmap& panorama, const JobSettings& settings, const JobContext& context);
// Writes the twenty sphere tiles of the panorama, with their margins (high quality: filtered
// and enlarged smoothly).
void WriteSphereTiles(const Bitmap& panorama, const JobSettings& settings,
                      const JobContext& context);

}  // namespace talvero
