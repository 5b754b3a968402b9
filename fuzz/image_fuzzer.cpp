#include "fuzz/image_fuzzer.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <string>
#include <utility>

#include <tiffio.h>

#include "fuzz/fuzz_support.h"
#include "imaging/bitmap.h"
#include "imaging/image_codecs.h"
#include "support/errors.h"

namespace talvero::fuzz {

namespace {

using Size = std::pair<int64_t, int64_t>;

uint32_t Le32(const uint8_t* p) { return p[0] | p[1] << 8 | p[2] << 16 | uint32_t{p[3]} << 24; }
uint16_t Le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
uint32_t Be32(const uint8_t* p) { return uint32_t{p[0]} << 24 | p[1] << 16 | p[2] << 8 | p[3]; }
uint16_t Be16(const uint8_t* p) { return static_cast<uint16_t>(p[0] << 8 | p[1]); }

std::optional<Size> BmpSize(const uint8_t* d, size_t n) {
  if (n < 26) return std::nullopt;
  if (Le32(d + 14) == 12) return Size{Le16(d + 18), Le16(d + 20)};
  if (n < 26 + 4) return std::nullopt;
  const int64_t h = static_cast<int32_t>(Le32(d + 22));
  return Size{static_cast<int32_t>(Le32(d + 18)), h < 0 ? -h : h};
}

// The first frame header, when the markers before it are laid out cleanly.
std::optional<Size> JpegSize(const uint8_t* d, size_t n) {
  size_t p = 2;
  while (p + 9 <= n && d[p] == 0xFF) {
    const uint8_t m = d[p + 1];
    if (m == 0xFF) {
      ++p;
      continue;
    }
    if (m == 0xD8 || m == 0x01 || (m >= 0xD0 && m <= 0xD7)) {
      p += 2;
      continue;
    }
    // A stuffed zero or a reserved code is no marker: libjpeg skips such bytes, or refuses
    // the file, and may then find a frame header inside what would have been a segment.
    if (m < 0xC0) return std::nullopt;
    if (m <= 0xCF && m != 0xC4 && m != 0xC8 && m != 0xCC)
      return Size{Be16(d + p + 7), Be16(d + p + 5)};
    if (m == 0xDA || m == 0xD9) return std::nullopt;
    p += 2 + Be16(d + p + 2);
  }
  return std::nullopt;
}

// libtiff's messages while the harness itself looks at the file: swallowed, and kept from
// the process-wide handlers the codec collects with.
int Quiet(TIFF*, void*, const char*, const char*, va_list) { return 1; }

std::optional<Size> TiffSize(const std::string& path) {
  TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
  TIFFOpenOptionsSetErrorHandlerExtR(options, Quiet, nullptr);
  TIFFOpenOptionsSetWarningHandlerExtR(options, Quiet, nullptr);
  TIFF* tiff = TIFFOpenExt(path.c_str(), "r", options);
  TIFFOpenOptionsFree(options);
  if (!tiff) return std::nullopt;
  uint32_t w = 0, h = 0;
  std::optional<Size> size;
  if (TIFFGetField(tiff, TIFFTAG_IMAGEWIDTH, &w) && TIFFGetField(tiff, TIFFTAG_IMAGELENGTH, &h))
    size = Size{w, h};
  TIFFClose(tiff);
  return size;
}

std::optional<Size> PngSize(const uint8_t* d, size_t n) {
  if (n < 24 || std::memcmp(d + 12, "IHDR", 4) != 0) return std::nullopt;
  return Size{Be32(d + 16), Be32(d + 20)};
}

std::optional<Size> StatedSize(ImageFormat format, const std::string& path, const uint8_t* d,
                               size_t n) {
  switch (format) {
    case ImageFormat::Bmp:
      return BmpSize(d, n);
    case ImageFormat::Jpeg:
      return JpegSize(d, n);
    case ImageFormat::Tiff:
      return TiffSize(path);
    default:
      break;
  }
  if (n >= 8 && std::memcmp(d, "\x89PNG\r\n\x1a\n", 8) == 0) return PngSize(d, n);
  return std::nullopt;
}

// The decoded image, or nothing when the reader refused the file. Anything but an Error
// escaping the reader is a fault and ends the run.
std::optional<Bitmap> Decode(TSimFiler& filer, const std::string& path) {
  Bitmap target(1, 1);
  target.SetPixel(0, 0, Rgb{1, 2, 3});
  try {
    if (!filer.ReadImageFile(target, path)) return std::nullopt;
  } catch (const Error&) {
    Check(target.Width() == 1 && target.Height() == 1 && target.GetPixel(0, 0) == Rgb{1, 2, 3},
          "a failed read changed its target");
    return std::nullopt;
  }
  return target;
}

}  // namespace

int FuzzImage(const uint8_t* data, size_t size, const char* extension) {
  static SilentReporter reporter;
  static const std::unique_ptr<TSimFiler> filer = NewJob(reporter);
  const std::string path = WriteInput(std::string("input") + extension, data, size);
  const std::optional<Bitmap> image = Decode(*filer, path);
  if (!image) return 0;

  Check(!image->Empty() && image->Format() == PixelFormat::Bgr24, "a decoded image is not 24-bit");
  const ImageFormat format = ChooseReader(path);  // the reader the loader used
  if (const auto stated = StatedSize(format, path, data, size))
    Check(stated->first == image->Width() && stated->second == image->Height(),
          "decoded " + std::to_string(image->Width()) + " x " + std::to_string(image->Height()) +
              " but the header states " + std::to_string(stated->first) + " x " +
              std::to_string(stated->second));

  // The check tab's reduced decode of the same file: refused cleanly or at least as wide as
  // asked and no wider than the whole.
  if (format == ImageFormat::Jpeg) {
    const int32_t wanted = std::max(1, image->Width() / 3);
    try {
      const Bitmap reduced = ReadImageReduced(path, format, wanted);
      Check(reduced.Width() >= wanted && reduced.Width() <= image->Width() &&
                reduced.Height() <= image->Height(),
            "a reduced decode of a " + std::to_string(image->Width()) + " wide image is " +
                std::to_string(reduced.Width()) + " wide, " + std::to_string(wanted) + " asked");
    } catch (const Error&) {
    }
  }

  // The same file with its last eighth (at least one byte) cut off.
  const size_t cut = size - 1 - size / 8;
  const std::string shortPath = WriteInput(std::string("short") + extension, data, cut);
  if (const std::optional<Bitmap> shorter = Decode(*filer, shortPath))
    Check(shorter->SamePixels(*image),
          "the file cut to " + std::to_string(cut) + " bytes decodes to other pixels");
  return 0;
}

}  // namespace talvero::fuzz
