#include "imaging/image_codecs.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <new>
#include <vector>

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

ImageSize DecodedSize(const std::string& path, int64_t width, int64_t height) {
  if (width <= 0 || height <= 0)
    throw ReadFailure(path, "invalid image size " + std::to_string(width) + " × " +
                                std::to_string(height) + " pixels");
  if (const std::string problem = Bitmap::SizeProblem(width, height, PixelFormat::Bgr24);
      !problem.empty())
    throw ReadFailure(path, problem);
  return {static_cast<int32_t>(width), static_cast<int32_t>(height)};
}

Bitmap NewDecodedImage(const std::string& path, int64_t width, int64_t height) {
  DecodedSize(path, width, height);
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

namespace {

constexpr const char* kBmpExtensions[] = {".bmp"};
constexpr const char* kJpegExtensions[] = {".jpg", ".jpeg"};
constexpr const char* kTiffExtensions[] = {".tif", ".tiff"};
constexpr const char* kPngExtensions[] = {".png"};

// The codec table, in the order of the file-kind numbers. A new kind of file is a codec unit
// of its own and one row here.
constexpr ImageCodec kCodecs[] = {
    {ImageFormat::Bmp, "BMP", kBmpExtensions, codec::IsBmp,
     [](const std::string& path, int32_t) { return ReadBmpFile(path); }, codec::ReadBmpSize,
     nullptr, [](AtomicFileWriter& file, const Bitmap& image, int) { WriteBmpFile(file, image); }},
    {ImageFormat::Jpeg, "JPEG", kJpegExtensions, codec::IsJpeg, ReadJpegFile, codec::ReadJpegSize,
     ReadJpegXmp,
     [](AtomicFileWriter& file, const Bitmap& image, int quality) {
       WriteJpegFile(file, image, quality);
     }},
    {ImageFormat::Tiff, "TIFF", kTiffExtensions, codec::IsTiff,
     [](const std::string& path, int32_t) { return ReadTiffFile(path); }, codec::ReadTiffSize,
     ReadTiffXmp,
     [](AtomicFileWriter& file, const Bitmap& image, int) { WriteTiffFile(file, image); }},
    {ImageFormat::Png, "PNG", kPngExtensions, codec::IsPng,
     [](const std::string& path, int32_t) { return ReadPngFile(path); }, codec::ReadPngSize,
     ReadPngXmp, nullptr},
};

// The codecs in the order texts list them: alphabetical by name.
std::vector<const ImageCodec*> ByName() {
  std::vector<const ImageCodec*> codecs;
  for (const ImageCodec& codec : kCodecs) codecs.push_back(&codec);
  std::sort(codecs.begin(), codecs.end(), [](const ImageCodec* a, const ImageCodec* b) {
    return std::string_view(a->Name) < std::string_view(b->Name);
  });
  return codecs;
}

// The codec of `format`, or ImageError naming the kinds there are.
const ImageCodec& ReaderOf(const std::string& path, ImageFormat format) {
  if (const ImageCodec* codec = CodecOf(format)) return *codec;
  throw codec::ReadFailure(path,
                           "not a " + JoinedList(ReadableKindNames(), ", ", " or ") + " image");
}

// Runs one read of the file with what every read shares: an empty file (a download that
// never arrived) is named as such, not as a wrong signature, and so is a lack of memory.
template <typename Read>
auto GuardedRead(const std::string& path, Read&& read) {
  if (std::fgetc(codec::OpenForReading(path).get()) == EOF)
    throw codec::ReadFailure(path, "the file is empty");
  try {
    return read();
  } catch (const std::bad_alloc&) {
    throw codec::ReadFailure(path, "not enough memory to read it");
  }
}

Bitmap ReadImageOf(const std::string& path, ImageFormat format, const ImageSizeObserver& onSize,
                   int32_t minWidth) {
  return GuardedRead(path, [&] {
    const ImageCodec& codec = ReaderOf(path, format);
    struct Observe {
      explicit Observe(const ImageSizeObserver* observer) : Saved(tSizeObserver) {
        tSizeObserver = observer;
      }
      ~Observe() { tSizeObserver = Saved; }
      const ImageSizeObserver* Saved;
    } observe(&onSize);
    return codec.Read(path, minWidth);
  });
}

}  // namespace

std::span<const ImageCodec> ImageCodecs() { return kCodecs; }

const ImageCodec* CodecOf(ImageFormat format) {
  for (const ImageCodec& codec : kCodecs)
    if (codec.Format == format) return &codec;
  return nullptr;
}

ImageFormat ImageFormatFromExtension(const std::string& path) {
  const std::string ext = UpperAscii(ExtractFileExt(path));
  for (const ImageCodec& codec : kCodecs)
    for (const char* known : codec.Extensions)
      if (ext == UpperAscii(known)) return codec.Format;
  return ImageFormat::Unsupported;
}

ImageFormat DetectImageFormat(const std::string& path) {
  const codec::FilePtr file = codec::OpenForReading(path);
  uint8_t head[kSniffBytes] = {};
  const size_t got = std::fread(head, 1, sizeof head, file.get());
  if (got < 4) return ImageFormat::Unsupported;
  for (const ImageCodec& codec : kCodecs)
    if (codec.Sniff({head, got})) return codec.Format;
  return ImageFormat::Unsupported;
}

ImageFormat ChooseReader(const std::string& path) {
  const ImageFormat byContent = DetectImageFormat(path);
  return byContent != ImageFormat::Unsupported ? byContent : ImageFormatFromExtension(path);
}

Bitmap ReadImage(const std::string& path, ImageFormat format, const ImageSizeObserver& onSize) {
  return ReadImageOf(path, format, onSize, 0);
}

Bitmap ReadImageReduced(const std::string& path, ImageFormat format, int32_t minWidth) {
  return ReadImageOf(path, format, {}, std::max(minWidth, 1));
}

ImageSize ReadImageSize(const std::string& path, ImageFormat format) {
  return GuardedRead(path, [&] { return ReaderOf(path, format).ReadSize(path); });
}

ImageSize ReadImageSize(const std::string& path) { return ReadImageSize(path, ChooseReader(path)); }

const ImageCodec* WriterFor(const std::string& path) {
  const ImageCodec* codec = CodecOf(ImageFormatFromExtension(path));
  return codec && codec->Write ? codec : nullptr;
}

bool WriteImageByName(const std::string& path, const Bitmap& image, int quality) {
  const ImageCodec* codec = WriterFor(path);
  if (!codec) return false;
  AtomicFileWriter file(path);
  codec->Write(file, image, quality);
  file.Commit();
  return true;
}

std::vector<std::string> ReadableKindNames() {
  std::vector<std::string> names;
  for (const ImageCodec* codec : ByName()) names.emplace_back(codec->Name);
  return names;
}

std::vector<std::string> ReadableExtensions(std::string_view within) {
  std::vector<std::string> items;
  for (const ImageCodec* codec : ByName()) {
    if (within.empty()) {
      items.insert(items.end(), codec->Extensions.begin(), codec->Extensions.end());
      continue;
    }
    std::string item;
    for (const char* extension : codec->Extensions)
      item += (item.empty() ? "" : std::string(within)) + extension;
    items.push_back(item);
  }
  return items;
}

std::string ReadXmpPacket(const std::string& path) {
  // By content alone: a file no codec recognises carries nothing worth trusting.
  const ImageCodec* codec = CodecOf(DetectImageFormat(path));
  return codec && codec->ReadXmp ? codec->ReadXmp(path) : std::string();
}

}  // namespace talvero
