#include "imaging/image_codecs.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <new>

#include "imaging/codec_support.h"
#include "support/file_util.h"
#include "support/platform/files.h"
#include "support/string_utils.h"

namespace talvero {

namespace {
// The caller's size observer of the decoding running on this thread.
thread_local const ImageSizeObserver* tSizeObserver = nullptr;
}  // namespace

namespace codec {

ImageError ReadFailure(const std::string& path, const std::string& problem) {
  return ImageError("cannot read image '" + path + "': " + problem);
}

ImageError WriteFailure(const std::string& path, const std::string& problem) {
  return ImageError("cannot write image '" + path + "': " + problem);
}

Bitmap NewDecodedImage(const std::string& path, int64_t width, int64_t height) {
  if (width <= 0 || height <= 0)
    throw ReadFailure(path, "invalid image size " + std::to_string(width) + " × " +
                                std::to_string(height) + " pixels");
  if (const std::string problem = Bitmap::SizeProblem(width, height, PixelFormat::Bgr24);
      !problem.empty())
    throw ReadFailure(path, problem);
  if (tSizeObserver && *tSizeObserver)
    (*tSizeObserver)(static_cast<int32_t>(width), static_cast<int32_t>(height));
  try {
    return Bitmap::Uninitialized(static_cast<int32_t>(width), static_cast<int32_t>(height));
  } catch (const ImageError& error) {
    throw ReadFailure(path, error.what());
  }
}

void CheckStoredData(const std::string& path, int64_t width, int64_t height,
                     uint64_t sampleBytes, uint64_t storedBytes, uint64_t samplesPerByte) {
  if (sampleBytes <= kSmallImageSamples) return;
  // Compared by division, so that no product can overflow.
  if (sampleBytes / samplesPerByte < storedBytes) return;
  throw ReadFailure(path, "its " + std::to_string(storedBytes) +
                              " bytes of image data are far too few for " +
                              std::to_string(width) + " × " + std::to_string(height) +
                              " pixels; the file is truncated or damaged");
}

FilePtr OpenForReading(const std::string& path) {
  FilePtr file(platform::OpenFile(path, "rb"));
  if (!file) throw FileError("cannot open '" + path + "': " + std::strerror(errno));
  return file;
}

void RowToBgr(const Bitmap& image, int32_t y, uint8_t* out) {
  const uint8_t* in = image.Row(y);
  if (image.Format() == PixelFormat::Bgr24) {
    std::memcpy(out, in, image.RowBytes());
    return;
  }
  for (int32_t x = 0; x < image.Width(); ++x, in += 4, out += 3) std::memcpy(out, in, 3);
}

void RowToRgb(const Bitmap& image, int32_t y, uint8_t* out) {
  const uint8_t* in = image.Row(y);
  const int step = image.BytesPerPixel();
  for (int32_t x = 0; x < image.Width(); ++x, in += step, out += 3) {
    out[0] = in[2];
    out[1] = in[1];
    out[2] = in[0];
  }
}

}  // namespace codec

ImageFormat ImageFormatFromExtension(const std::string& path) {
  const std::string ext = UpperAscii(ExtractFileExt(path));
  if (ext == ".BMP") return ImageFormat::Bmp;
  if (ext == ".JPG" || ext == ".JPEG") return ImageFormat::Jpeg;
  if (ext == ".TIF" || ext == ".TIFF") return ImageFormat::Tiff;
  if (ext == ".PNG") return ImageFormat::Png;
  return ImageFormat::Unsupported;
}

ImageFormat DetectImageFormat(const std::string& path) {
  const codec::FilePtr file = codec::OpenForReading(path);
  uint8_t magic[8] = {};
  const size_t got = std::fread(magic, 1, sizeof magic, file.get());
  if (got < 4) return ImageFormat::Unsupported;
  if (magic[0] == 'B' && magic[1] == 'M') return ImageFormat::Bmp;
  if (magic[0] == 0xFF && magic[1] == 0xD8 && magic[2] == 0xFF) return ImageFormat::Jpeg;
  // Classic TIFF (42) and BigTIFF (43), either byte order.
  if ((magic[0] == 'I' && magic[1] == 'I' && (magic[2] == 42 || magic[2] == 43) && magic[3] == 0) ||
      (magic[0] == 'M' && magic[1] == 'M' && magic[2] == 0 && (magic[3] == 42 || magic[3] == 43)))
    return ImageFormat::Tiff;
  if (got == 8 && std::memcmp(magic, "\x89PNG\r\n\x1a\n", 8) == 0) return ImageFormat::Png;
  return ImageFormat::Unsupported;
}

namespace {

Bitmap ReadImageAs(const std::string& path, ImageFormat format, int32_t minWidth) {
  switch (format) {
    case ImageFormat::Bmp:
      return ReadBmpFile(path);
    case ImageFormat::Jpeg:
      return ReadJpegFile(path, minWidth);
    case ImageFormat::Tiff:
      return ReadTiffFile(path);
    case ImageFormat::Png:
      return ReadPngFile(path);
    case ImageFormat::Unsupported:
      break;
  }
  throw codec::ReadFailure(path, "not a BMP, JPEG, PNG or TIFF image");
}

}  // namespace

namespace {

Bitmap ReadImageOf(const std::string& path, ImageFormat format, const ImageSizeObserver& onSize,
                   int32_t minWidth) {
  // An empty file (a download that never arrived) is named as such, not as a wrong signature.
  if (std::fgetc(codec::OpenForReading(path).get()) == EOF)
    throw codec::ReadFailure(path, "the file is empty");
  struct Observe {
    explicit Observe(const ImageSizeObserver* observer) : Saved(tSizeObserver) {
      tSizeObserver = observer;
    }
    ~Observe() { tSizeObserver = Saved; }
    const ImageSizeObserver* Saved;
  } observe(&onSize);
  try {
    return ReadImageAs(path, format, minWidth);
  } catch (const std::bad_alloc&) {
    throw codec::ReadFailure(path, "not enough memory to read it");
  }
}

}  // namespace

Bitmap ReadImage(const std::string& path, ImageFormat format, const ImageSizeObserver& onSize) {
  return ReadImageOf(path, format, onSize, 0);
}

Bitmap ReadImageReduced(const std::string& path, ImageFormat format, int32_t minWidth) {
  return ReadImageOf(path, format, {}, std::max(minWidth, 1));
}

std::string ReadXmpPacket(const std::string& path) {
  switch (DetectImageFormat(path)) {
    case ImageFormat::Jpeg:
      return ReadJpegXmp(path);
    case ImageFormat::Png:
      return ReadPngXmp(path);
    case ImageFormat::Tiff:
      return ReadTiffXmp(path);
    default:
      return {};
  }
}

}  // namespace talvero
