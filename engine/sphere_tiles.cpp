// Sphere tiles: plain crops of the panorama in three latitude bands, each carrying a margin
// of its neighbours' pixels (across the left/right seam too), resampled to the tile size.
//
// The crops are taken from a padded panorama P: (W + 2m) × (3g + 2m), whose pixel (x, y)
// shows panorama column (x − m) mod W and row y for y < m, y − m otherwise. P is never
// built: each output pixel is fetched from the panorama through that rule, which gives the
// same bytes without a second 75 MB image.
#include <algorithm>
#include <memory>

#include "engine/image_stage.h"
#include "imaging/bitmap.h"
#include "imaging/crop_stretch.h"
#include "imaging/footprint_sampler.h"
#include "support/errors.h"
#include "support/ordered_writes.h"
#include "support/parallel.h"

namespace talvero {

namespace {

// The crop of P at (left, top), cropWidth × cropHeight, stretched onto the whole of `output`.
void CropPaddedStretch(const Bitmap& panorama, int32_t m, int32_t left, int32_t top,
                       int32_t cropWidth, int32_t cropHeight, Bitmap& output) {
  const int64_t w = panorama.Width();
  StretchCrop(
      output, panorama, cropWidth, cropHeight,
      [&](int64_t cx) { return ((left + cx - m) % w + w) % w; },
      [&](int64_t cy) { return top + cy < m ? top + cy : top + cy - m; });
}

// The same crop filtered over each output pixel's footprint (smoothly enlarged), for the
// high-quality job.
void CropPaddedSmooth(const Bitmap& panorama, int32_t m, int32_t left, int32_t top,
                      int32_t cropWidth, int32_t cropHeight, Bitmap& output,
                      const JobContext& context) {
  const int32_t s = output.Width(), outHeight = output.Height();
  const double sx = static_cast<double>(cropWidth) / s;
  const double sy = static_cast<double>(cropHeight) / outHeight;
  constexpr int32_t kBlockRows = 32;
  RunOrderedBlocks(
      (outHeight + kBlockRows - 1) / kBlockRows,
      [&](int block) {
        context.CheckCancelled();
        const int32_t end = std::min(outHeight, (block + 1) * kBlockRows);
        for (int32_t y = block * kBlockRows; y < end; ++y) {
          const double padded = top + (y + 0.5) * sy;
          const double v = (padded < m ? padded : padded - m) - 0.5;
          uint8_t* out = output.Row(y);
          for (int32_t x = 0; x < s; ++x)
            SampleFootprint(panorama, {left + (x + 0.5) * sx - m - 0.5, v, sx, 0, 0, sy},
                            out + 3 * x);
        }
      },
      [](int) {});
}

}  // namespace

void WriteSphereTiles(const Bitmap& panorama, const JobSettings& settings,
                      const JobContext& context) {
  RequireDivisiblePanorama(panorama, "the sphere tiling");
  const int32_t w = panorama.Width();
  const int32_t g = w / 8;
  const int32_t s = settings.FaceSize;
  if (s < 2) throw Error("the tile size " + std::to_string(s) + " is too small");
  const int32_t m = std::max(1, g / s);
  const bool high = settings.Options.ImageQuality == iqHigh;
  const std::string& folder = settings.SceneFolder;
  const TExtractImageType type = settings.ExtractImageType;
  const StringList& names = settings.RequireImageNames(stSphere);

  context.Progress(ProgressStep::SphereArea);
  context.Progress(ProgressStep::WriteImages, 0, 20);
  WriteFilesInOrder(
      20,
      [&](int k) {
        int32_t left, top, cropWidth, cropHeight, outHeight;
        if (k < 4) {
          // Band 1: 90° of longitude from the zenith down to 45°.
          left = 2 * g * k, top = 0, cropWidth = 2 * g + 2 * m, cropHeight = g + 2 * m;
          outHeight = s / 2;
        } else {
          const int32_t j = k - 4;
          left = (j % 8) * g, top = (j / 8 + 1) * g, cropWidth = g + 2 * m, cropHeight = g + 2 * m;
          outHeight = s;
        }
        auto output = std::make_shared<Bitmap>(Bitmap::Uninitialized(s, outHeight));
        if (high)
          CropPaddedSmooth(panorama, m, left, top, cropWidth, cropHeight, *output, context);
        else
          CropPaddedStretch(panorama, m, left, top, cropWidth, cropHeight, *output);
        const std::string& name = names[static_cast<size_t>(k)];
        OrderedFile file{
            folder + name,
            [&context, name, k] { context.Progress(ProgressStep::Image, k + 1, 20, name); },
            [output, type](AtomicFileWriter& writer) { EncodeImageAs(writer, *output, type); }};
        file.Written = [&context, path = file.Path] {
          context.Progress(ProgressStep::FileWritten, 0, 0, path);
        };
        return file;
      },
      &context.Cancellation());
}

}  // namespace talvero
