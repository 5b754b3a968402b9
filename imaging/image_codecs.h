// Image files in and out. Every reader returns a 24-bit Bitmap of the file's size or
// throws ImageError naming the file and the problem (FileError when the file cannot be
// opened); none ever hands back a partly decoded image. Every writer goes through
// AtomicFileWriter, so a failed write leaves the previous file untouched. Each writer also
// comes in a form that only encodes into an open AtomicFileWriter and leaves the commit to
// the caller (to put files in place in a given order).
//
// Every kind of image file is one entry of the codec table (ImageCodecs): its name, its
// extensions, how its content is recognised, and its readers and writer. ChooseReader is
// the one place that picks a reader for a file: by its content, else by its name.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "imaging/bitmap.h"
#include "support/file_util.h"

namespace talvero {

// The ordinals are the file kinds of the panorama loader (0 = not readable).
enum class ImageFormat : uint8_t { Unsupported = 0, Bmp = 1, Jpeg = 2, Tiff = 3, Png = 4 };

struct ImageSize {
  int32_t Width = 0, Height = 0;
  friend bool operator==(const ImageSize&, const ImageSize&) = default;
};

// One kind of image file.
struct ImageCodec {
  ImageFormat Format;
  const char* Name;  // as texts name the kind: "JPEG"
  // Lower case, with the period; compared without regard to letter case.
  std::span<const char* const> Extensions;
  // True when a file starting with `head` (its first kSniffBytes, fewer for a shorter file,
  // never fewer than 4) is of this kind.
  bool (*Sniff)(std::span<const uint8_t> head);
  // The whole image; with `minWidth` above 0 a reader may decode at a smaller scale that
  // leaves at least that many columns (JPEG does), the others decode it whole.
  Bitmap (*Read)(const std::string& path, int32_t minWidth);
  // The size Read gives, from the headers: refuses what Read refuses before it decodes
  // pixels, and reads no pixel data.
  ImageSize (*ReadSize)(const std::string& path);
  // The XMP packet, empty when the file has none; null for a kind that never carries one.
  std::string (*ReadXmp)(const std::string& path);
  // Null for a kind that is only read. `quality` counts for JPEG alone.
  void (*Write)(AtomicFileWriter& file, const Bitmap& image, int quality);
};

inline constexpr size_t kSniffBytes = 8;

// Every kind this program reads, in the order of their file-kind numbers.
std::span<const ImageCodec> ImageCodecs();
// The entry of `format`; nullptr for Unsupported.
const ImageCodec* CodecOf(ImageFormat format);

// The format by extension alone, letter case ignored: ".bmp", ".jpg"/".jpeg", ".tif"/".tiff",
// ".png".
ImageFormat ImageFormatFromExtension(const std::string& path);
// The format by the file's first bytes; Unsupported when none matches.
ImageFormat DetectImageFormat(const std::string& path);
// The reader for a file: the kind its content shows, else the kind its name says, else
// Unsupported. A file named for one kind but holding another (a JPEG saved as ".bmp", a
// camera's own extension) is read as what it holds.
ImageFormat ChooseReader(const std::string& path);

// Learns an image's size once its header is read and checked, before its pixels are decoded
// (so that work depending on the size can start meanwhile); runs on the decoding thread.
using ImageSizeObserver = std::function<void(int32_t width, int32_t height)>;
// Decodes with the reader of `format` (Unsupported raises ImageError).
Bitmap ReadImage(const std::string& path, ImageFormat format, const ImageSizeObserver& onSize = {});
// The size ReadImage would give, read from the file's headers alone.
ImageSize ReadImageSize(const std::string& path, ImageFormat format);
ImageSize ReadImageSize(const std::string& path);

// For views of a picture: a JPEG decoded at a half, a quarter or an eighth of its size when
// that leaves at least `minWidth` columns (far quicker, and a fraction of the memory, of
// decoding all of it), other kinds whole.
Bitmap ReadImageReduced(const std::string& path, ImageFormat format, int32_t minWidth);

// The codec that writes the kind `path`'s extension names; nullptr when no kind of that
// name is written.
const ImageCodec* WriterFor(const std::string& path);
// Writes `image` in the kind its name says (`quality` for JPEG); false, writing nothing,
// when WriterFor has none.
bool WriteImageByName(const std::string& path, const Bitmap& image, int quality);

// For texts that list the readable kinds, in alphabetical order: their names ("BMP",
// "JPEG", ...), or their extensions, one by one or, with `within`, each kind's joined into
// one item (".jpg/.jpeg").
std::vector<std::string> ReadableKindNames();
std::vector<std::string> ReadableExtensions(std::string_view within = {});

// Windows bitmaps: 1/4/8-bit palette (also RLE4/RLE8), 16/24/32-bit (also bit fields),
// bottom-up and top-down.
Bitmap ReadBmpFile(const std::string& path);
// Uncompressed 24-bit, bottom-up (a 32-bit image loses its alpha).
void WriteBmpFile(const std::string& path, const Bitmap& image);
void WriteBmpFile(AtomicFileWriter& file, const Bitmap& image);

// Baseline, progressive and arithmetic JPEG; greyscale, YCbCr, RGB, CMYK and YCCK. With
// `minWidth`, decoded at 1/2, 1/4 or 1/8 of its size by libjpeg's scaled transform: the
// smallest of them that leaves at least `minWidth` columns.
Bitmap ReadJpegFile(const std::string& path, int32_t minWidth = 0);
// libjpeg's defaults with the given quality.
void WriteJpegFile(const std::string& path, const Bitmap& image, int quality);
void WriteJpegFile(AtomicFileWriter& file, const Bitmap& image, int quality);

// TIFF through libtiff: 1 to 16-bit samples, greyscale, RGB, palette and what else libtiff's
// RGBA interface understands; alpha is dropped.
Bitmap ReadTiffFile(const std::string& path);
// PNG through libpng, for reading only: 1 to 16-bit greyscale, palette, RGB, with or without
// alpha (also tRNS), interlaced or not. Alpha is composed over white, the colour of a new
// working image; 16-bit samples are rounded to 8 bits.
Bitmap ReadPngFile(const std::string& path);

// The XMP packet a file carries (JPEG APP1, PNG iTXt "XML:com.adobe.xmp", TIFF tag 700), read
// through each codec's own access to metadata without decoding the pixels; empty when it has
// none. ImageError when the file cannot be read that far.
std::string ReadJpegXmp(const std::string& path);
std::string ReadPngXmp(const std::string& path);
std::string ReadTiffXmp(const std::string& path);
// By the file's content alone; empty for BMP and unknown kinds.
std::string ReadXmpPacket(const std::string& path);

// Little-endian, uncompressed RGB in one strip, in a fixed layout (see docs/design.md).
void WriteTiffFile(const std::string& path, const Bitmap& image);
void WriteTiffFile(AtomicFileWriter& file, const Bitmap& image);
// The 10 ASCII characters of the TIFF Software tag.
inline constexpr char kTiffSoftware[] = "Talvero181";

}  // namespace talvero
