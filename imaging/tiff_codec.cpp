// TIFF reading through libtiff and our own fixed-layout TIFF writer. libtiff's messages go
// into the exception text, never to the terminal. Common layouts are decoded row by row or
// tile by tile straight into the image; unusual ones (CMYK, separate planes, other
// orientations, ...) go through libtiff's RGBA interface one strip or tile row at a time.
#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <vector>

#include <tiffio.h>

#include "imaging/codec_support.h"
#include "imaging/image_codecs.h"
#include "support/file_util.h"
#include "support/platform/files.h"

namespace talvero {

namespace {

// What libtiff said while one file was read.
struct TiffMessages {
  std::string Text;
  bool Decoding = false;  // pixels are being read (the directory has been read)
  bool Damaged = false;   // an error, or a warning that the data is not what the file claims
};

// libtiff reports through process-wide handlers; each reading thread collects its own.
thread_local TiffMessages* tMessageSink = nullptr;

// Directory warnings that say nothing about the pixels; every other warning means libtiff
// dropped or guessed something (a tag cut off by the end of the file, bogus strip sizes) or
// met damaged data while decoding, and its pixels would not be the file's.
bool HarmlessWarning(const std::string& text) {
  static const char* const kHarmless[] = {"Unknown field with tag", "ASCII value for tag",
                                          "not sorted in ascending order", "Nonstandard tile"};
  for (const char* harmless : kHarmless)
    if (text.find(harmless) != std::string::npos) return true;
  return false;
}

void Capture(bool error, const char* module, const char* format, va_list args) {
  if (!tMessageSink) return;
  char buffer[512];
  std::vsnprintf(buffer, sizeof buffer, format, args);
  const std::string text = buffer;
  if (error || tMessageSink->Decoding || !HarmlessWarning(text)) tMessageSink->Damaged = true;
  std::string& sink = tMessageSink->Text;
  if (sink.size() > 2000) return;  // enough to explain the failure
  if (!sink.empty()) sink += "; ";
  if (module && *module) sink += std::string(module) + ": ";
  sink += text;
}

void CaptureError(const char* module, const char* format, va_list args) {
  Capture(true, module, format, args);
}
void CaptureWarning(const char* module, const char* format, va_list args) {
  Capture(false, module, format, args);
}

void InstallMessageHandlers() {
  static std::once_flag once;
  std::call_once(once, [] {
    TIFFSetErrorHandler(CaptureError);
    TIFFSetWarningHandler(CaptureWarning);
  });
}

uint8_t SixteenToEight(uint32_t v) { return static_cast<uint8_t>((v * 255 + 32767) / 65535); }

class TiffReader {
 public:
  explicit TiffReader(const std::string& path) : FPath(path) {
    InstallMessageHandlers();
    tMessageSink = &FMessages;
  }
  ~TiffReader() {
    if (FTiff) TIFFClose(FTiff);
    tMessageSink = nullptr;
  }
  TiffReader(const TiffReader&) = delete;
  TiffReader& operator=(const TiffReader&) = delete;

  Bitmap Read();
  ImageSize ReadSize();
  std::string ReadXmp();

 private:
  [[noreturn]] void Fail(const std::string& problem) const {
    throw codec::ReadFailure(FPath, FMessages.Text.empty()
                                        ? problem
                                        : problem + " (libtiff: " + FMessages.Text + ")");
  }
  void Open();
  bool CheckDirectory();
  bool ReadsDirectly();
  void ReadPalette();
  void ConvertRow(const uint8_t* in, uint8_t* out, uint32_t count) const;
  void ReadScanlines(Bitmap& image);
  void ReadTiles(Bitmap& image);
  void ReadThroughRgba(Bitmap& image);
  void CheckStoredData();
  void RequireUndamaged(const char* what) const {
    if (FMessages.Damaged) Fail(what);
  }

  std::string FPath;
  TiffMessages FMessages;
  TIFF* FTiff = nullptr;
  uint32_t FWidth = 0, FHeight = 0;
  uint16_t FBits = 1, FSamples = 1, FPhotometric = PHOTOMETRIC_MINISBLACK;
  std::vector<uint8_t> FPalette;  // red, green, blue per entry
};

void TiffReader::Open() {
  if (DetectImageFormat(FPath) != ImageFormat::Tiff) Fail("not a TIFF file (wrong signature)");
#ifdef _WIN32
  FTiff = TIFFOpenW(platform::WideName(FPath).c_str(), "r");  // the ANSI TIFFOpen loses names
#else
  FTiff = TIFFOpen(FPath.c_str(), "r");
#endif
  if (!FTiff) Fail("libtiff cannot open it");
}

std::string TiffReader::ReadXmp() {
  Open();
  uint32_t count = 0;
  const void* data = nullptr;
  if (!TIFFGetField(FTiff, TIFFTAG_XMLPACKET, &count, &data) || !data) return {};
  return std::string(static_cast<const char*>(data), count);
}

// The first directory read and held against the file's size, before anything is
// allocated; true when the layout is decoded here rather than through the RGBA interface.
bool TiffReader::CheckDirectory() {
  Open();
  if (!TIFFGetField(FTiff, TIFFTAG_IMAGEWIDTH, &FWidth) ||
      !TIFFGetField(FTiff, TIFFTAG_IMAGELENGTH, &FHeight))
    Fail("the image size is missing");
  RequireUndamaged("the file's directory is damaged");
  const bool direct = ReadsDirectly();
  CheckStoredData();
  return direct;
}

ImageSize TiffReader::ReadSize() {
  CheckDirectory();
  return codec::DecodedSize(FPath, FWidth, FHeight);
}

Bitmap TiffReader::Read() {
  const bool direct = CheckDirectory();
  Bitmap image = codec::NewDecodedImage(FPath, FWidth, FHeight);
  RequireUndamaged("the file's directory is damaged");
  FMessages.Decoding = true;
  if (!direct)
    ReadThroughRgba(image);
  else if (TIFFIsTiled(FTiff))
    ReadTiles(image);
  else
    ReadScanlines(image);
  RequireUndamaged("the image data is damaged");
  return image;
}

// The strips or tiles, cut to the file's size, against the samples they claim to hold.
void TiffReader::CheckStoredData() {
  uint64_t* counts = nullptr;
  const uint32_t pieces = TIFFIsTiled(FTiff) ? TIFFNumberOfTiles(FTiff) : TIFFNumberOfStrips(FTiff);
  uint64_t stored = 0;
  if (pieces > 0 && TIFFGetField(FTiff, TIFFIsTiled(FTiff) ? TIFFTAG_TILEBYTECOUNTS
                                                            : TIFFTAG_STRIPBYTECOUNTS,
                                 &counts) && counts)
    for (uint32_t i = 0; i < pieces; ++i) stored += counts[i];
  std::error_code ec;
  const uint64_t fileSize = std::filesystem::file_size(PathFromUtf8(FPath), ec);
  if (!ec) stored = std::min(stored, fileSize);
  uint16_t bits = 1, samples = 1;
  TIFFGetFieldDefaulted(FTiff, TIFFTAG_BITSPERSAMPLE, &bits);
  TIFFGetFieldDefaulted(FTiff, TIFFTAG_SAMPLESPERPIXEL, &samples);
  const uint64_t sampleBytes =
      (uint64_t{FWidth} * samples * bits + 7) / 8 * uint64_t{FHeight};
  codec::CheckStoredData(FPath, FWidth, FHeight, sampleBytes, stored);
}

// True for the layouts decoded here; the rest go through the RGBA interface.
bool TiffReader::ReadsDirectly() {
  uint16_t planar = PLANARCONFIG_CONTIG, format = SAMPLEFORMAT_UINT;
  uint16_t orientation = ORIENTATION_TOPLEFT, compression = COMPRESSION_NONE;
  TIFFGetFieldDefaulted(FTiff, TIFFTAG_BITSPERSAMPLE, &FBits);
  TIFFGetFieldDefaulted(FTiff, TIFFTAG_SAMPLESPERPIXEL, &FSamples);
  TIFFGetFieldDefaulted(FTiff, TIFFTAG_PLANARCONFIG, &planar);
  TIFFGetFieldDefaulted(FTiff, TIFFTAG_SAMPLEFORMAT, &format);
  TIFFGetFieldDefaulted(FTiff, TIFFTAG_ORIENTATION, &orientation);
  TIFFGetFieldDefaulted(FTiff, TIFFTAG_COMPRESSION, &compression);
  if (!TIFFGetField(FTiff, TIFFTAG_PHOTOMETRIC, &FPhotometric)) return false;
  if (planar != PLANARCONFIG_CONTIG || format != SAMPLEFORMAT_UINT ||
      orientation != ORIENTATION_TOPLEFT)
    return false;
  if (FPhotometric == PHOTOMETRIC_YCBCR && compression == COMPRESSION_JPEG && FBits == 8) {
    // Let the JPEG codec convert to RGB (and undo the chroma subsampling).
    if (!TIFFSetField(FTiff, TIFFTAG_JPEGCOLORMODE, JPEGCOLORMODE_RGB)) return false;
    FPhotometric = PHOTOMETRIC_RGB;
  }
  const bool lowBits = FBits == 1 || FBits == 2 || FBits == 4;
  switch (FPhotometric) {
    case PHOTOMETRIC_MINISBLACK:
    case PHOTOMETRIC_MINISWHITE:
      return FBits == 8 || FBits == 16 || (lowBits && FSamples == 1);
    case PHOTOMETRIC_RGB:
      return (FBits == 8 || FBits == 16) && FSamples >= 3;
    case PHOTOMETRIC_PALETTE:
      if (!(FBits == 8 || lowBits) || FSamples != 1) return false;
      ReadPalette();
      return true;
    default:
      return false;
  }
}

void TiffReader::ReadPalette() {
  uint16_t *red = nullptr, *green = nullptr, *blue = nullptr;
  if (!TIFFGetField(FTiff, TIFFTAG_COLORMAP, &red, &green, &blue)) Fail("the palette is missing");
  const size_t count = size_t{1} << FBits;
  // Some writers store 8-bit values although the field holds 16 bits.
  bool eightBit = true;
  for (size_t i = 0; i < count; ++i)
    if (red[i] > 255 || green[i] > 255 || blue[i] > 255) eightBit = false;
  FPalette.resize(count * 3);
  for (size_t i = 0; i < count; ++i) {
    const uint16_t rgb[3] = {red[i], green[i], blue[i]};
    for (int c = 0; c < 3; ++c)
      FPalette[i * 3 + c] = eightBit ? static_cast<uint8_t>(rgb[c]) : SixteenToEight(rgb[c]);
  }
}

void TiffReader::ConvertRow(const uint8_t* in, uint8_t* out, uint32_t count) const {
  const bool invert = FPhotometric == PHOTOMETRIC_MINISWHITE;
  if (FBits == 16) {
    const auto sample = [in](size_t i) {
      uint16_t v;
      std::memcpy(&v, in + 2 * i, 2);  // libtiff has already put it in native order
      return SixteenToEight(v);
    };
    for (uint32_t x = 0; x < count; ++x, out += 3) {
      const size_t first = static_cast<size_t>(x) * FSamples;
      if (FPhotometric == PHOTOMETRIC_RGB) {
        out[0] = sample(first + 2);
        out[1] = sample(first + 1);
        out[2] = sample(first);
      } else {
        const uint8_t v = sample(first);
        out[0] = out[1] = out[2] = invert ? 255 - v : v;
      }
    }
    return;
  }
  if (FBits == 8 && FPhotometric == PHOTOMETRIC_RGB) {
    for (uint32_t x = 0; x < count; ++x, out += 3, in += FSamples) {
      out[0] = in[2];
      out[1] = in[1];
      out[2] = in[0];
    }
    return;
  }
  // Greyscale and palette, 1 to 8 bits, possibly followed by extra samples.
  const uint32_t max = (1u << FBits) - 1;
  for (uint32_t x = 0; x < count; ++x, out += 3) {
    const size_t bit = static_cast<size_t>(x) * FSamples * FBits;
    const uint32_t value = (in[bit / 8] >> (8 - FBits - bit % 8)) & max;
    if (FPhotometric == PHOTOMETRIC_PALETTE) {
      const uint8_t* rgb = &FPalette[value * 3];  // the palette has 2^bits entries
      out[0] = rgb[2];
      out[1] = rgb[1];
      out[2] = rgb[0];
    } else {
      const uint8_t v = static_cast<uint8_t>(value * 255 / max);
      out[0] = out[1] = out[2] = invert ? 255 - v : v;
    }
  }
}

void TiffReader::ReadScanlines(Bitmap& image) {
  const tmsize_t size = TIFFScanlineSize(FTiff);
  if (size <= 0) Fail("the row size is invalid");
  std::vector<uint8_t> row(static_cast<size_t>(size));
  for (uint32_t y = 0; y < FHeight; ++y) {
    if (TIFFReadScanline(FTiff, row.data(), y, 0) < 0 || FMessages.Damaged)
      Fail("row " + std::to_string(y) + " cannot be decoded");
    ConvertRow(row.data(), image.Row(static_cast<int32_t>(y)), FWidth);
  }
}

void TiffReader::ReadTiles(Bitmap& image) {
  uint32_t tileWidth = 0, tileHeight = 0;
  TIFFGetField(FTiff, TIFFTAG_TILEWIDTH, &tileWidth);
  TIFFGetField(FTiff, TIFFTAG_TILELENGTH, &tileHeight);
  const tmsize_t size = TIFFTileSize(FTiff);
  const tmsize_t rowSize = TIFFTileRowSize(FTiff);
  if (tileWidth == 0 || tileHeight == 0 || size <= 0 || rowSize <= 0)
    Fail("the tile size is invalid");
  std::vector<uint8_t> tile(static_cast<size_t>(size));
  for (uint32_t top = 0; top < FHeight; top += tileHeight) {
    for (uint32_t left = 0; left < FWidth; left += tileWidth) {
      if (TIFFReadEncodedTile(FTiff, TIFFComputeTile(FTiff, left, top, 0, 0), tile.data(), size) <
              0 ||
          FMessages.Damaged)
        Fail("the tile at " + std::to_string(left) + ", " + std::to_string(top) +
             " cannot be decoded");
      const uint32_t columns = std::min(tileWidth, FWidth - left);
      for (uint32_t r = 0; r < tileHeight && top + r < FHeight; ++r)
        ConvertRow(tile.data() + static_cast<size_t>(r) * rowSize,
                   image.Row(static_cast<int32_t>(top + r)) + static_cast<size_t>(left) * 3,
                   columns);
    }
  }
}

void TiffReader::ReadThroughRgba(Bitmap& image) {
  char problem[1024] = {};
  if (!TIFFRGBAImageOK(FTiff, problem)) Fail(std::string("unsupported layout: ") + problem);
  TIFFRGBAImage rgba{};
  // Stop at the first strip or tile that fails, rather than leave its pixels blank.
  if (!TIFFRGBAImageBegin(&rgba, FTiff, 1, problem)) Fail(problem);
  struct End {
    TIFFRGBAImage* Image;
    ~End() { TIFFRGBAImageEnd(Image); }
  } end{&rgba};
  rgba.req_orientation = ORIENTATION_TOPLEFT;
  // One band per strip or tile row, so that no strip is decoded twice.
  uint32_t band = 0;
  if (TIFFIsTiled(FTiff))
    TIFFGetField(FTiff, TIFFTAG_TILELENGTH, &band);
  else
    TIFFGetFieldDefaulted(FTiff, TIFFTAG_ROWSPERSTRIP, &band);
  band = std::clamp<uint32_t>(band, 1, FHeight);
  // A band of file rows comes back turned upside down when the file stores the bottom row
  // first, so it lands at the mirrored place.
  const bool bottomUp = rgba.orientation == ORIENTATION_BOTLEFT ||
                        rgba.orientation == ORIENTATION_BOTRIGHT ||
                        rgba.orientation == ORIENTATION_LEFTBOT ||
                        rgba.orientation == ORIENTATION_RIGHTBOT;
  std::vector<uint32_t> pixels(static_cast<size_t>(FWidth) * band);
  for (uint32_t top = 0; top < FHeight; top += band) {
    const uint32_t rows = std::min(band, FHeight - top);
    rgba.row_offset = static_cast<int>(top);
    rgba.col_offset = 0;
    if (!TIFFRGBAImageGet(&rgba, pixels.data(), FWidth, rows) || FMessages.Damaged)
      Fail("rows from " + std::to_string(top) + " cannot be decoded");
    const uint32_t outTop = bottomUp ? FHeight - top - rows : top;
    for (uint32_t r = 0; r < rows; ++r) {
      uint8_t* out = image.Row(static_cast<int32_t>(outTop + r));
      const uint32_t* in = pixels.data() + static_cast<size_t>(r) * FWidth;
      for (uint32_t x = 0; x < FWidth; ++x, out += 3) {
        out[0] = static_cast<uint8_t>(TIFFGetB(in[x]));
        out[1] = static_cast<uint8_t>(TIFFGetG(in[x]));
        out[2] = static_cast<uint8_t>(TIFFGetR(in[x]));
      }
    }
  }
}

}  // namespace

Bitmap ReadTiffFile(const std::string& path) { return TiffReader(path).Read(); }

std::string ReadTiffXmp(const std::string& path) { return TiffReader(path).ReadXmp(); }

namespace codec {

// Classic TIFF (42) and BigTIFF (43), either byte order.
bool IsTiff(std::span<const uint8_t> head) {
  if (head.size() < 4) return false;
  return (head[0] == 'I' && head[1] == 'I' && (head[2] == 42 || head[2] == 43) && head[3] == 0) ||
         (head[0] == 'M' && head[1] == 'M' && head[2] == 0 && (head[3] == 42 || head[3] == 43));
}

ImageSize ReadTiffSize(const std::string& path) { return TiffReader(path).ReadSize(); }

}  // namespace codec

void WriteTiffFile(AtomicFileWriter& writer, const Bitmap& image) {
  const std::string& path = writer.Path();
  using codec::PutLE16;
  using codec::PutLE32;
  constexpr uint32_t kPixelOffset = 40;
  constexpr uint16_t kShort = 3, kLong = 4, kRational = 5, kAscii = 2;
  if (image.Empty()) throw codec::WriteFailure(path, "the image is empty");
  const uint64_t pixelBytes = static_cast<uint64_t>(image.Width()) * image.Height() * 3;
  const uint64_t directoryOffset = kPixelOffset + pixelBytes;
  // Width and height are stored as 16-bit values and every offset in 32 bits.
  if (image.Width() > 0xFFFF || image.Height() > 0xFFFF ||
      directoryOffset + 2 + 15 * 12 + 4 > UINT32_MAX)
    throw codec::WriteFailure(path, "the image is too large for this TIFF layout");

  uint8_t header[kPixelOffset] = {'I', 'I'};
  PutLE16(header + 2, 42);
  PutLE32(header + 4, static_cast<uint32_t>(directoryOffset));
  for (uint8_t* resolution : {header + 8, header + 16}) {
    PutLE32(resolution, 877);
    PutLE32(resolution + 4, 10);
  }
  for (int i = 0; i < 3; ++i) PutLE16(header + 24 + 2 * i, 8);
  std::memcpy(header + 30, kTiffSoftware, 10);

  struct Entry {
    uint16_t Tag, Type;
    uint32_t Count, Value;
  };
  const uint32_t width = static_cast<uint32_t>(image.Width());
  const uint32_t height = static_cast<uint32_t>(image.Height());
  const Entry entries[15] = {
      {254, kLong, 1, 0},      {256, kShort, 1, width},  {257, kShort, 1, height},
      {258, kShort, 3, 24},    {259, kShort, 1, 1},      {262, kShort, 1, 2},
      {273, kLong, 1, kPixelOffset}, {277, kShort, 1, 3}, {278, kLong, 1, height},
      {279, kLong, 1, static_cast<uint32_t>(pixelBytes)}, {282, kRational, 1, 8},
      {283, kRational, 1, 16}, {284, kShort, 1, 1},      {296, kShort, 1, 2},
      {305, kAscii, 10, 30}};
  uint8_t directory[2 + 15 * 12 + 4] = {};
  uint8_t* p = PutLE16(directory, 15);
  for (const Entry& entry : entries) {
    p = PutLE16(p, entry.Tag);
    p = PutLE16(p, entry.Type);
    p = PutLE32(p, entry.Count);
    p = PutLE32(p, entry.Value);  // a SHORT sits in the first two bytes, little-endian
  }

  writer.Write(header, sizeof header);
  std::vector<uint8_t> row(static_cast<size_t>(width) * 3);
  for (int32_t y = 0; y < image.Height(); ++y) {
    codec::RowToRgb(image, y, row.data());
    writer.Write(row.data(), row.size());
  }
  writer.Write(directory, sizeof directory);
}

void WriteTiffFile(const std::string& path, const Bitmap& image) {
  AtomicFileWriter writer(path);
  WriteTiffFile(writer, image);
  writer.Commit();
}

}  // namespace talvero
