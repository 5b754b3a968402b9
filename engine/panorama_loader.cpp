// Reading the panorama into the working image and normalising its size.
#include <new>

#include "engine/image_stage.h"
#include "engine/sim_filer.h"
#include "imaging/bitmap.h"
#include "imaging/footprint_sampler.h"
#include "imaging/image_codecs.h"
#include "support/errors.h"
#include "support/file_util.h"
#include "support/text_catalogue.h"

namespace talvero {

namespace {

const char* const kUnsupportedImage = "扱えない画像ファイルです。";

constexpr int32_t kNormalWidth = 8192;

// The projections divide the width into eighths and need exactly two-to-one.
bool UsableShape(const Bitmap& image) {
  return image.Width() % 8 == 0 && image.Height() % 8 == 0 &&
         int64_t{image.Height()} * 2 == image.Width();
}

}  // namespace

ImageFormat TSimFiler::ImageFileKind(const std::string& fileName) {
  return ImageFormatFromExtension(fileName);
}

int32_t TSimFiler::NormalizedWidth(int32_t width, int32_t height) {
  return talvero::NormalizedWidth(width, height);
}

int32_t NormalizedWidth(int32_t width, int32_t height) {
  // The shapes UsableShape accepts stay; any other goes through NormalizeSize's rule.
  if (width % 8 == 0 && height % 8 == 0 && int64_t{height} * 2 == width) return width;
  const int32_t normal = width / 8 * 8;
  return normal <= kNormalWidth ? kNormalWidth : normal;
}

bool ReadImageFile(Bitmap& target, const std::string& fileName, const JobContext& context,
                   const ImageSizeObserver& onSize) {
  if (!FileExists(fileName)) return false;
  // Accepted by its name; read by what it holds.
  if (ImageFormatFromExtension(fileName) == ImageFormat::Unsupported) {
    context.ShowError(Localized(kUnsupportedImage));
    return false;
  }
  target = ReadImage(fileName, ChooseReader(fileName), onSize);
  return true;
}

bool LoadPanorama(Bitmap& target, const JobSettings& settings, const JobContext& context,
                  const ImageSizeObserver& onSize) {
  const std::string& fileName = settings.ImageFileName;
  // The job was checked a moment ago; a file gone since must not end the stage silently.
  if (!FileExists(fileName)) throw FileError("cannot open '" + fileName + "': the file is gone");
  context.Progress(ProgressStep::Load, 0, 0, fileName);
  if (!ReadImageFile(target, fileName, context, onSize)) return false;
  if (!UsableShape(target)) {
    // A size the normalised image cannot have in memory is a problem of this panorama.
    try {
      NormalizeSize(target, settings.Options.ImageQuality, context);
    } catch (const std::bad_alloc&) {
      throw ImageError("cannot use panorama '" + fileName + "': not enough memory");
    } catch (const ImageError& e) {
      throw ImageError("cannot use panorama '" + fileName + "': " + e.what());
    }
  }
  if (target.Height() < kMinPanoramaHeight)
    throw ImageError("cannot use panorama '" + fileName + "': it is only " +
                     std::to_string(target.Width()) + " × " + std::to_string(target.Height()) +
                     " pixels; at least " + std::to_string(2 * kMinPanoramaHeight) + " × " +
                     std::to_string(kMinPanoramaHeight) + " are needed");
  return true;
}

void NormalizeSize(Bitmap& image, TImageQuality quality, const JobContext& context) {
  context.Progress(ProgressStep::Normalize);
  int32_t width = image.Width() / 8 * 8;
  if (width <= kNormalWidth) width = kNormalWidth;
  const int32_t height = width / 2;
  if (image.Format() != PixelFormat::Bgr24) {
    Bitmap flat = Bitmap::Uninitialized(image.Width(), image.Height());
    CopyRect(flat, 0, 0, image, 0, 0, image.Width(), image.Height());
    image = std::move(flat);
  }
  // Every pixel is drawn unless there is nothing to draw from.
  Bitmap normal = image.Empty() ? Bitmap(width, height) : Bitmap::Uninitialized(width, height);
  if (quality == iqHigh && !image.Empty())
    ResizePanoramaSmooth(normal, image);
  else
    StretchDraw(normal, image);
  image = std::move(normal);
}

bool TSimFiler::LoadPicture(Bitmap& picture) {
  const std::string fileName = GetImageFileName();
  if (!FileExists(fileName)) return false;
  if (ImageFileKind(fileName) == ImageFormat::Unsupported) {
    ShowError(Localized(kUnsupportedImage));
    return false;
  }
  picture = Bitmap();
  picture = ReadImage(fileName, ChooseReader(fileName));
  return true;
}

}  // namespace talvero
