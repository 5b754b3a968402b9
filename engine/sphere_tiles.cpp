// Sphere tiles: plain crops of the panorama in three latitude bands, each carrying a margin
// of its neighbours' pixels (across the left/right seam too), resampled to the tile size.
//
// The crops are taken from a padded panorama P: (W + 2m) × (3g + 2m), whose pixel (x, y)
// shows panorama column (x − m) mod W and row y for y < m, y − m otherwise. P is never
// built: each output pixel is fetched from the panorama through that rule, which gives the
// same bytes without a second 75 MB image.
#include <memory>

#include "engine/sim_filer.h"
#include "imaging/bitmap.h"
#include "imaging/crop_stretch.h"
#include "support/errors.h"
#include "support/ordered_writes.h"
#include "support/text_catalogue.h"

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

}  // namespace

void TSimFiler::WriteSphereTiles(const Bitmap& panorama) {
  RequireDivisiblePanorama(panorama, "the sphere tiling");
  const int32_t w = panorama.Width();
  const int32_t g = w / 8;
  const int32_t s = FaceSize();
  if (s < 2) throw Error("the tile size " + std::to_string(s) + " is too small");
  const int32_t m = std::max(1, g / s);
  const std::string folder = GetSceneFolder();
  const TExtractImageType type = GetExtractImageType();
  const StringList names = RequireImageNames(stSphere);

  Progress(Localized("画像に処理領域を追加しています。"), spAppend);
  Progress(Localized("画像ファイルを書き出しています。"), spAppend);
  WriteFilesInOrder(
      20,
      [&](int k) {
        std::shared_ptr<Bitmap> output;
        if (k < 4) {
          // Band 1: 90° of longitude from the zenith down to 45°.
          output = std::make_shared<Bitmap>(Bitmap::Uninitialized(s, s / 2));
          CropPaddedStretch(panorama, m, 2 * g * k, 0, 2 * g + 2 * m, g + 2 * m, *output);
        } else {
          const int32_t j = k - 4, n = j % 8, r = j / 8 + 1;
          output = std::make_shared<Bitmap>(Bitmap::Uninitialized(s, s));
          CropPaddedStretch(panorama, m, n * g, r * g, g + 2 * m, g + 2 * m, *output);
        }
        const std::string& name = names[static_cast<size_t>(k)];
        return OrderedFile{folder + name, [this, name] { Progress(name, spAppend); },
                           [output, type](AtomicFileWriter& file) {
                             EncodeImageAs(file, *output, type);
                           }};
      },
      &Cancellation());
}

}  // namespace talvero
