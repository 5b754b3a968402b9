// Windows bitmap reader and writer. The reader streams uncompressed rows straight from the
// file and trusts nothing in the headers: every size, offset, mask and palette index is
// checked before it is used.
#include <algorithm>
#include <bit>
#include <cstring>
#include <vector>

#include "imaging/codec_support.h"
#include "imaging/image_codecs.h"
#include "support/file_util.h"

namespace talvero {

namespace {

using codec::GetLE16;
using codec::GetLE32;

constexpr uint32_t kBiRgb = 0, kBiRle8 = 1, kBiRle4 = 2, kBiBitfields = 3, kBiAlphaBitfields = 6;
constexpr size_t kFileHeaderSize = 14;
constexpr size_t kCoreHeaderSize = 12;
constexpr size_t kInfoHeaderSize = 40;

// One colour channel of a 16- or 32-bit pixel, scaled to 8 bits.
struct Channel {
  uint32_t Mask = 0;
  int Shift = 0;
  int Bits = 0;
  uint32_t Max = 0;

  uint8_t operator()(uint32_t pixel) const {
    if (Max == 0) return 0;
    const uint32_t v = (pixel & Mask) >> Shift;
    if (Bits >= 8) return static_cast<uint8_t>(v >> (Bits - 8));
    return static_cast<uint8_t>((v * 255 + Max / 2) / Max);
  }
};

class BmpReader {
 public:
  explicit BmpReader(const std::string& path) : FPath(path), FFile(codec::OpenForReading(path)) {}
  Bitmap Read();
  ImageSize ReadSize();

 private:
  [[noreturn]] void Fail(const std::string& problem) const {
    throw codec::ReadFailure(FPath, problem);
  }
  void ReadHeaders();
  void CheckHeaders();
  Channel MakeChannel(uint32_t mask) const;
  void ReadPalette(size_t offset, size_t entrySize, uint32_t colorsUsed);
  void ReadRows(Bitmap& image);
  void DecodeRow(const uint8_t* in, uint8_t* out) const;
  void ReadRle(Bitmap& image);
  const uint8_t* PaletteEntry(uint32_t index) const;

  std::string FPath;
  codec::FilePtr FFile;
  uint64_t FFileSize = 0;
  std::vector<uint8_t> FHead;  // the start of the file: headers, masks, palette
  int64_t FWidth = 0, FHeight = 0;
  bool FTopDown = false;
  int FBits = 0;
  uint32_t FCompression = kBiRgb;
  uint64_t FDataOffset = 0;
  Channel FRed, FGreen, FBlue;
  bool FPlainBgrx = false;  // 32-bit in the usual byte order
  std::vector<uint8_t> FPalette;  // blue, green, red per entry
};

Bitmap BmpReader::Read() {
  CheckHeaders();
  Bitmap image = codec::NewDecodedImage(FPath, FWidth, FHeight);
  if (FCompression == kBiRle8 || FCompression == kBiRle4)
    ReadRle(image);
  else
    ReadRows(image);
  return image;
}

ImageSize BmpReader::ReadSize() {
  CheckHeaders();
  return codec::DecodedSize(FPath, FWidth, FHeight);
}

// The headers read and held against the file's size, before anything is allocated.
void BmpReader::CheckHeaders() {
  ReadHeaders();
  if (const std::string problem = Bitmap::SizeProblem(FWidth, FHeight, PixelFormat::Bgr24);
      !problem.empty())
    Fail(problem);
  if (FCompression == kBiRle8 || FCompression == kBiRle4) {
    // Runs, skips and an early end let a few bytes claim any size; the claim must stay
    // within what such data can plausibly hold before the image is allocated and filled.
    codec::CheckStoredData(FPath, FWidth, FHeight,
                           (static_cast<uint64_t>(FWidth) * FBits + 7) / 8 *
                               static_cast<uint64_t>(FHeight),
                           FFileSize - FDataOffset);
    return;
  }
  const uint64_t stride = (static_cast<uint64_t>(FWidth) * FBits + 31) / 32 * 4;
  const uint64_t lastRow = (static_cast<uint64_t>(FWidth) * FBits + 7) / 8;
  // The last row may lack its padding; anything shorter is a truncated file.
  if (FDataOffset + stride * static_cast<uint64_t>(FHeight - 1) + lastRow > FFileSize)
    Fail("the pixel data is truncated");
}

void BmpReader::ReadHeaders() {
  if (std::fseek(FFile.get(), 0, SEEK_END) != 0) Fail("the file cannot be read");
  const long size = std::ftell(FFile.get());
  if (size < 0) Fail("the file cannot be read");
  FFileSize = static_cast<uint64_t>(size);
  std::rewind(FFile.get());
  // Enough for the largest header, its masks and a 256-colour palette.
  FHead.resize(static_cast<size_t>(std::min<uint64_t>(FFileSize, 2048)));
  if (std::fread(FHead.data(), 1, FHead.size(), FFile.get()) != FHead.size())
    Fail("the file cannot be read");
  if (FHead.size() < 2 || FHead[0] != 'B' || FHead[1] != 'M')
    Fail("not a BMP file (wrong signature)");
  if (FHead.size() < kFileHeaderSize + kCoreHeaderSize) Fail("the header is truncated");
  FDataOffset = GetLE32(&FHead[10]);
  const uint32_t headerSize = GetLE32(&FHead[14]);
  const uint8_t* h = &FHead[kFileHeaderSize];
  if (headerSize != 12 && headerSize != 40 && headerSize != 52 && headerSize != 56 &&
      headerSize != 64 && headerSize != 108 && headerSize != 124)
    Fail("unsupported header size " + std::to_string(headerSize));
  if (FHead.size() < kFileHeaderSize + headerSize) Fail("the header is truncated");

  uint32_t colorsUsed = 0;
  size_t paletteEntrySize = 4;
  if (headerSize == kCoreHeaderSize) {
    FWidth = GetLE16(h + 4);
    FHeight = GetLE16(h + 6);
    FBits = GetLE16(h + 10);
    paletteEntrySize = 3;
  } else {
    FWidth = static_cast<int32_t>(GetLE32(h + 4));
    FHeight = static_cast<int32_t>(GetLE32(h + 8));
    FBits = GetLE16(h + 14);
    FCompression = GetLE32(h + 16);
    colorsUsed = GetLE32(h + 32);
    // The OS/2 header reuses 3 and 4 for Huffman and RLE24.
    if (headerSize == 64 && FCompression >= kBiBitfields) FCompression = 0xFFFF;
  }
  if (FHeight < 0) {
    FTopDown = true;
    FHeight = -FHeight;
  }
  if (FWidth <= 0 || FHeight <= 0)
    Fail("invalid image size " + std::to_string(FWidth) + " × " + std::to_string(FHeight));

  const bool paletted = FBits == 1 || FBits == 4 || FBits == 8;
  const bool valid =
      (FCompression == kBiRgb && (paletted || FBits == 16 || FBits == 24 || FBits == 32)) ||
      (FCompression == kBiRle8 && FBits == 8) || (FCompression == kBiRle4 && FBits == 4) ||
      ((FCompression == kBiBitfields || FCompression == kBiAlphaBitfields) &&
       (FBits == 16 || FBits == 32));
  if (!valid)
    Fail("unsupported pixel layout (" + std::to_string(FBits) + " bits, compression " +
         std::to_string(FCompression) + ")");

  size_t next = kFileHeaderSize + headerSize;
  uint32_t masks[3] = {0x7C00, 0x03E0, 0x001F};  // 16-bit default: 5 bits each
  if (FBits == 32) {
    masks[0] = 0xFF0000;
    masks[1] = 0x00FF00;
    masks[2] = 0x0000FF;
  }
  if (FCompression == kBiBitfields || FCompression == kBiAlphaBitfields) {
    // Masks sit inside the newer headers, or just after the 40-byte one.
    size_t at = kFileHeaderSize + kInfoHeaderSize;
    if (headerSize == kInfoHeaderSize)
      next += FCompression == kBiAlphaBitfields ? 16 : 12;
    if (FHead.size() < at + 12) Fail("the colour masks are truncated");
    for (int i = 0; i < 3; ++i) masks[i] = GetLE32(&FHead[at + 4 * i]);
  }
  if (!paletted && FBits != 24) {
    FRed = MakeChannel(masks[0]);
    FGreen = MakeChannel(masks[1]);
    FBlue = MakeChannel(masks[2]);
  }
  FPlainBgrx = FBits == 32 && masks[0] == 0xFF0000 && masks[1] == 0xFF00 && masks[2] == 0xFF;

  if (paletted) ReadPalette(next, paletteEntrySize, colorsUsed);
  if (FDataOffset >= FFileSize) Fail("the pixel data offset lies outside the file");
}

Channel BmpReader::MakeChannel(uint32_t mask) const {
  Channel channel;
  if (mask == 0) return channel;
  const uint64_t widest = (uint64_t{1} << FBits) - 1;
  const int shift = std::countr_zero(mask);
  const uint64_t bits = mask >> shift;
  // A channel is one run of bits inside the pixel.
  if (mask > widest || (bits & (bits + 1)) != 0) Fail("invalid colour bit masks");
  channel.Mask = mask;
  channel.Shift = shift;
  channel.Bits = std::popcount(mask);
  channel.Max = static_cast<uint32_t>(bits);
  return channel;
}

void BmpReader::ReadPalette(size_t offset, size_t entrySize, uint32_t colorsUsed) {
  const uint32_t capacity = 1u << FBits;
  const uint32_t count = colorsUsed == 0 ? capacity : std::min(colorsUsed, capacity);
  if (offset + count * entrySize > FHead.size()) Fail("the palette is truncated");
  FPalette.resize(count * 3);
  for (uint32_t i = 0; i < count; ++i)
    std::memcpy(&FPalette[i * 3], &FHead[offset + i * entrySize], 3);
}

const uint8_t* BmpReader::PaletteEntry(uint32_t index) const {
  if (index * 3 >= FPalette.size())
    Fail("palette index " + std::to_string(index) + " out of range (the palette has " +
         std::to_string(FPalette.size() / 3) + " colours)");
  return &FPalette[index * 3];
}

void BmpReader::ReadRows(Bitmap& image) {
  const size_t stride = (static_cast<size_t>(FWidth) * FBits + 31) / 32 * 4;
  std::vector<uint8_t> row(stride, 0);
  if (std::fseek(FFile.get(), static_cast<long>(FDataOffset), SEEK_SET) != 0)
    Fail("the pixel data cannot be reached");
  for (int64_t fileRow = 0; fileRow < FHeight; ++fileRow) {
    // A missing pad at the very end stays zero.
    const size_t got = std::fread(row.data(), 1, stride, FFile.get());
    if (got < stride && fileRow + 1 < FHeight) Fail("the pixel data is truncated");
    const int32_t y = static_cast<int32_t>(FTopDown ? fileRow : FHeight - 1 - fileRow);
    DecodeRow(row.data(), image.Row(y));
  }
}

void BmpReader::DecodeRow(const uint8_t* in, uint8_t* out) const {
  const int64_t width = FWidth;
  switch (FBits) {
    case 1:
    case 4:
    case 8: {
      const int perByte = 8 / FBits;
      const uint32_t mask = (1u << FBits) - 1;
      for (int64_t x = 0; x < width; ++x, out += 3) {
        const int shift = 8 - FBits * static_cast<int>(x % perByte + 1);
        std::memcpy(out, PaletteEntry((in[x / perByte] >> shift) & mask), 3);
      }
      break;
    }
    case 16:
      for (int64_t x = 0; x < width; ++x, out += 3) {
        const uint32_t pixel = GetLE16(in + 2 * x);
        out[0] = FBlue(pixel);
        out[1] = FGreen(pixel);
        out[2] = FRed(pixel);
      }
      break;
    case 24:
      std::memcpy(out, in, static_cast<size_t>(width) * 3);
      break;
    case 32:
      for (int64_t x = 0; x < width; ++x, out += 3, in += 4) {
        if (FPlainBgrx) {
          std::memcpy(out, in, 3);
          continue;
        }
        const uint32_t pixel = GetLE32(in);
        out[0] = FBlue(pixel);
        out[1] = FGreen(pixel);
        out[2] = FRed(pixel);
      }
      break;
  }
}

void BmpReader::ReadRle(Bitmap& image) {
  // Compressed data is small; read it whole.
  std::vector<uint8_t> data(static_cast<size_t>(FFileSize - FDataOffset));
  if (std::fseek(FFile.get(), static_cast<long>(FDataOffset), SEEK_SET) != 0 ||
      std::fread(data.data(), 1, data.size(), FFile.get()) != data.size())
    Fail("the pixel data cannot be read");
  // Pixels the data skips show the first palette colour.
  const uint8_t* background = PaletteEntry(0);
  image.Fill(Rgb{background[2], background[1], background[0]});

  const bool rle4 = FCompression == kBiRle4;
  const int64_t width = FWidth, height = FHeight;
  int64_t x = 0, y = 0;  // y counts rows in file order
  size_t pos = 0;
  auto put = [&](uint32_t index) {
    const int32_t row = static_cast<int32_t>(FTopDown ? y : height - 1 - y);
    std::memcpy(image.Row(row) + 3 * x, PaletteEntry(index), 3);
    ++x;
  };
  auto checkRun = [&](int64_t count) {
    if (y >= height || x + count > width) Fail("the RLE data runs past the image");
  };
  for (;;) {
    if (pos + 2 > data.size()) {
      if (y >= height) return;  // every row done; the end marker is missing
      Fail("the RLE data is truncated");
    }
    const uint8_t count = data[pos], value = data[pos + 1];
    pos += 2;
    if (count > 0) {  // a run of one index, or two alternating ones for RLE4
      checkRun(count);
      for (int i = 0; i < count; ++i) put(rle4 ? (i % 2 == 0 ? value >> 4 : value & 15) : value);
      continue;
    }
    if (value == 0) {  // end of line
      x = 0;
      if (++y > height) Fail("the RLE data runs past the image");
    } else if (value == 1) {  // end of bitmap
      return;
    } else if (value == 2) {  // move right and up
      if (pos + 2 > data.size()) Fail("the RLE data is truncated");
      x += data[pos];
      y += data[pos + 1];
      pos += 2;
      if (x > width || y > height) Fail("the RLE data runs past the image");
    } else {  // literal indexes, padded to a 16-bit boundary
      const size_t bytes = rle4 ? (value + 1u) / 2 : value;
      if (pos + bytes > data.size()) Fail("the RLE data is truncated");
      checkRun(value);
      for (int i = 0; i < value; ++i)
        put(rle4 ? (i % 2 == 0 ? data[pos + i / 2] >> 4 : data[pos + i / 2] & 15) : data[pos + i]);
      pos += (bytes + 1) & ~size_t{1};
    }
  }
}

}  // namespace

Bitmap ReadBmpFile(const std::string& path) { return BmpReader(path).Read(); }

namespace codec {

bool IsBmp(std::span<const uint8_t> head) {
  return head.size() >= 2 && head[0] == 'B' && head[1] == 'M';
}

ImageSize ReadBmpSize(const std::string& path) { return BmpReader(path).ReadSize(); }

}  // namespace codec

void WriteBmpFile(AtomicFileWriter& writer, const Bitmap& image) {
  const std::string& path = writer.Path();
  if (image.Empty()) throw codec::WriteFailure(path, "the image is empty");
  const uint64_t stride = (static_cast<uint64_t>(image.Width()) * 3 + 3) / 4 * 4;
  const uint64_t pixelBytes = stride * static_cast<uint64_t>(image.Height());
  constexpr uint64_t headerBytes = kFileHeaderSize + kInfoHeaderSize;
  if (headerBytes + pixelBytes > UINT32_MAX)
    throw codec::WriteFailure(path, "the image is too large for a BMP file");

  uint8_t header[headerBytes] = {'B', 'M'};
  using codec::PutLE16;
  using codec::PutLE32;
  PutLE32(header + 2, static_cast<uint32_t>(headerBytes + pixelBytes));
  PutLE32(header + 10, headerBytes);
  uint8_t* info = header + kFileHeaderSize;
  PutLE32(info, kInfoHeaderSize);
  PutLE32(info + 4, static_cast<uint32_t>(image.Width()));
  PutLE32(info + 8, static_cast<uint32_t>(image.Height()));  // positive: bottom-up
  PutLE16(info + 12, 1);
  PutLE16(info + 14, 24);
  PutLE32(info + 20, static_cast<uint32_t>(pixelBytes));

  writer.Write(header, sizeof header);
  std::vector<uint8_t> row(static_cast<size_t>(stride), 0);
  for (int32_t y = image.Height() - 1; y >= 0; --y) {
    codec::RowToBgr(image, y, row.data());
    writer.Write(row.data(), row.size());
  }
}

void WriteBmpFile(const std::string& path, const Bitmap& image) {
  AtomicFileWriter writer(path);
  WriteBmpFile(writer, image);
  writer.Commit();
}

}  // namespace talvero
