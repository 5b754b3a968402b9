// TIFF: variants written here with libtiff itself, our fixed-layout writer checked byte by
// byte and read back by libtiff, and damaged files.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include <tiffio.h>

#include "common/image_test_util.h"
#include "common/test_support.h"
#include "imaging/image_codecs.h"

namespace talvero {
namespace {

using testing::ImageErrorOf;
using testing::Near;
using testing::Numbered;
using testing::PaletteColor;
using testing::Put16;
using testing::Put32;
using testing::ReadAll;
using testing::TempDir;

constexpr int kWidth = 37, kHeight = 21;  // not whole tiles, several strips

// The picture every variant stores in its own way.
Rgb Base(int x, int y) {
  return Rgb{static_cast<uint8_t>(x * 6), static_cast<uint8_t>(y * 9),
             static_cast<uint8_t>((x + y) * 3)};
}

struct TiffVariant {
  const char* Name;
  uint16_t Photometric, Bits, Samples, Compression;
  std::function<std::vector<uint32_t>(int x, int y)> Stored;  // the samples of a pixel
  std::function<Rgb(int x, int y)> Expected;
  bool Tiled = false;
  bool Separate = false;
  uint16_t Orientation = ORIENTATION_TOPLEFT;
  int Tolerance = 0;
  bool EightBitColormap = false;
};

// Packs one row (or one plane of a row) MSB first, 16-bit samples in native order. Columns
// past the image repeat the last one, so that lossy tiles do not blur in a black border.
std::vector<uint8_t> PackRow(const TiffVariant& v, int y, int plane, int width = kWidth) {
  const int perPixel = v.Separate ? 1 : v.Samples;
  std::vector<uint8_t> row((static_cast<size_t>(width) * perPixel * v.Bits + 7) / 8);
  size_t bit = 0;
  for (int x = 0; x < width; ++x) {
    const std::vector<uint32_t> samples = v.Stored(std::min(x, kWidth - 1), y);
    for (int s = 0; s < v.Samples; ++s) {
      if (v.Separate && s != plane) continue;
      const uint32_t value = samples[s];
      if (v.Bits == 16) {
        const uint16_t wide = static_cast<uint16_t>(value);
        std::memcpy(&row[bit / 8], &wide, 2);
      } else {
        for (int b = v.Bits - 1; b >= 0; --b, ++bit)
          if (value >> b & 1) row[bit / 8] |= static_cast<uint8_t>(0x80 >> (bit % 8));
        continue;
      }
      bit += 16;
    }
  }
  return row;
}

void WriteVariant(const std::string& path, const TiffVariant& v) {
  TIFF* tiff = TIFFOpen(path.c_str(), "w");
  ASSERT_NE(tiff, nullptr);
  TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, kWidth);
  TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, kHeight);
  TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, v.Bits);
  TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, v.Samples);
  TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, v.Photometric);
  TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, v.Separate ? PLANARCONFIG_SEPARATE : PLANARCONFIG_CONTIG);
  TIFFSetField(tiff, TIFFTAG_COMPRESSION, v.Compression);
  TIFFSetField(tiff, TIFFTAG_ORIENTATION, v.Orientation);
  const int colours = v.Photometric == PHOTOMETRIC_SEPARATED ? 4
                      : v.Photometric == PHOTOMETRIC_RGB || v.Photometric == PHOTOMETRIC_YCBCR ? 3
                                                                                                : 1;
  if (v.Samples > colours) {
    const uint16_t extra[] = {EXTRASAMPLE_UNASSALPHA};
    TIFFSetField(tiff, TIFFTAG_EXTRASAMPLES, 1, extra);
  }
  std::vector<uint16_t> map[3];
  if (v.Photometric == PHOTOMETRIC_PALETTE) {
    for (uint32_t i = 0; i < (1u << v.Bits); ++i) {
      const Rgb c = PaletteColor(i);
      const uint16_t scale = v.EightBitColormap ? 1 : 257;
      map[0].push_back(c.R * scale);
      map[1].push_back(c.G * scale);
      map[2].push_back(c.B * scale);
    }
    TIFFSetField(tiff, TIFFTAG_COLORMAP, map[0].data(), map[1].data(), map[2].data());
  }
  if (v.Compression == COMPRESSION_JPEG) {
    TIFFSetField(tiff, TIFFTAG_JPEGQUALITY, 100);
    TIFFSetField(tiff, TIFFTAG_JPEGCOLORMODE, JPEGCOLORMODE_RGB);
  }
  const int planes = v.Separate ? v.Samples : 1;
  if (v.Tiled) {
    TIFFSetField(tiff, TIFFTAG_TILEWIDTH, 16);
    TIFFSetField(tiff, TIFFTAG_TILELENGTH, 16);
    const tmsize_t rowSize = TIFFTileRowSize(tiff);
    for (int plane = 0; plane < planes; ++plane)
      for (int top = 0; top < kHeight; top += 16)
        for (int left = 0; left < kWidth; left += 16) {
          std::vector<uint8_t> tile(static_cast<size_t>(TIFFTileSize(tiff)), 0);
          for (int r = 0; r < 16; ++r) {
            const std::vector<uint8_t> row =
                PackRow(v, std::min(top + r, kHeight - 1), plane, left + 16);
            const size_t from = static_cast<size_t>(left) * (v.Separate ? 1 : v.Samples) * v.Bits / 8;
            std::memcpy(&tile[r * rowSize], &row[from], static_cast<size_t>(rowSize));
          }
          TIFFWriteEncodedTile(tiff, TIFFComputeTile(tiff, left, top, 0, plane), tile.data(),
                               static_cast<tmsize_t>(tile.size()));
        }
  } else {
    TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, v.Compression == COMPRESSION_JPEG ? 16 : 5);
    for (int plane = 0; plane < planes; ++plane)
      for (int y = 0; y < kHeight; ++y) {
        std::vector<uint8_t> row = PackRow(v, y, plane);
        ASSERT_EQ(TIFFWriteScanline(tiff, row.data(), y, static_cast<uint16_t>(plane)), 1);
      }
  }
  TIFFClose(tiff);
}

std::vector<uint32_t> Rgb8(int x, int y) {
  const Rgb c = Base(x, y);
  return {c.R, c.G, c.B};
}
std::vector<uint32_t> Rgba8(int x, int y) {
  auto s = Rgb8(x, y);
  s.push_back(128);  // alpha is dropped, the colour kept as stored
  return s;
}
std::vector<uint32_t> Rgb16(int x, int y) {
  const Rgb c = Base(x, y);
  return {c.R * 257u, c.G * 257u, c.B * 257u};
}
Rgb Grey(int x, int y) {
  const uint8_t v = Base(x, y).R;
  return Rgb{v, v, v};
}

TEST(TiffCodec, VariantsDecodeToTheirPixels) {
  const std::vector<TiffVariant> variants = {
      {"RGB 8, none", PHOTOMETRIC_RGB, 8, 3, COMPRESSION_NONE, Rgb8, Base},
      {"RGB 8, LZW, tiles", PHOTOMETRIC_RGB, 8, 3, COMPRESSION_LZW, Rgb8, Base, true},
      {"RGBA 8, deflate", PHOTOMETRIC_RGB, 8, 4, COMPRESSION_ADOBE_DEFLATE, Rgba8, Base},
      {"RGB 16, PackBits", PHOTOMETRIC_RGB, 16, 3, COMPRESSION_PACKBITS, Rgb16, Base},
      {"RGBA 16, LZW, tiles", PHOTOMETRIC_RGB, 16, 4, COMPRESSION_LZW,
       [](int x, int y) { auto s = Rgb16(x, y); s.push_back(0); return s; }, Base, true},
      {"grey 8, deflate", PHOTOMETRIC_MINISBLACK, 8, 1, COMPRESSION_ADOBE_DEFLATE,
       [](int x, int y) { return std::vector<uint32_t>{Base(x, y).R}; }, Grey},
      {"grey 16 with alpha, tiles", PHOTOMETRIC_MINISBLACK, 16, 2, COMPRESSION_NONE,
       [](int x, int y) { return std::vector<uint32_t>{Base(x, y).R * 257u, 9}; }, Grey, true},
      {"grey 8, white is zero", PHOTOMETRIC_MINISWHITE, 8, 1, COMPRESSION_PACKBITS,
       [](int x, int y) { return std::vector<uint32_t>{255u - Base(x, y).R}; }, Grey},
      {"bilevel, white is zero", PHOTOMETRIC_MINISWHITE, 1, 1, COMPRESSION_NONE,
       [](int x, int y) { return std::vector<uint32_t>{static_cast<uint32_t>((x + y) % 2)}; },
       [](int x, int y) { return (x + y) % 2 ? Rgb{0, 0, 0} : kWhite; }},
      {"palette 8, LZW, tiles", PHOTOMETRIC_PALETTE, 8, 1, COMPRESSION_LZW,
       [](int x, int y) { return std::vector<uint32_t>{Base(x, y).B}; },
       [](int x, int y) { return PaletteColor(Base(x, y).B); }, true},
      {"palette 4", PHOTOMETRIC_PALETTE, 4, 1, COMPRESSION_NONE,
       [](int x, int y) { return std::vector<uint32_t>{static_cast<uint32_t>((x + y) % 16)}; },
       [](int x, int y) { return PaletteColor((x + y) % 16); }},
      {"palette 8, 8-bit colour map", PHOTOMETRIC_PALETTE, 8, 1, COMPRESSION_NONE,
       [](int x, int y) { return std::vector<uint32_t>{Base(x, y).R}; },
       [](int x, int y) { return PaletteColor(Base(x, y).R); }, false, false,
       ORIENTATION_TOPLEFT, 0, true},
      {"JPEG", PHOTOMETRIC_YCBCR, 8, 3, COMPRESSION_JPEG, Rgb8, Base, false, false,
       ORIENTATION_TOPLEFT, 6},
      {"JPEG, tiles", PHOTOMETRIC_YCBCR, 8, 3, COMPRESSION_JPEG, Rgb8, Base, true, false,
       ORIENTATION_TOPLEFT, 6},
      // These go through libtiff's RGBA interface.
      {"RGB 8, separate planes", PHOTOMETRIC_RGB, 8, 3, COMPRESSION_LZW, Rgb8, Base, false, true},
      {"CMYK 8", PHOTOMETRIC_SEPARATED, 8, 4, COMPRESSION_NONE,
       [](int x, int y) { auto s = Rgb8(x, y); s.push_back(0); return s; },
       [](int x, int y) {
         const Rgb c = Base(x, y);
         return Rgb{static_cast<uint8_t>(255 - c.R), static_cast<uint8_t>(255 - c.G),
                    static_cast<uint8_t>(255 - c.B)};
       }},
      {"bottom row first", PHOTOMETRIC_RGB, 8, 3, COMPRESSION_NONE, Rgb8,
       [](int x, int y) { return Base(x, kHeight - 1 - y); }, true, false, ORIENTATION_BOTLEFT},
      {"bottom row first, strips", PHOTOMETRIC_RGB, 8, 3, COMPRESSION_LZW, Rgb8,
       [](int x, int y) { return Base(x, kHeight - 1 - y); }, false, false, ORIENTATION_BOTLEFT},
  };
  TempDir dir;
  for (const TiffVariant& variant : variants) {
    SCOPED_TRACE(variant.Name);
    const std::string path = dir.File("v.tif");
    WriteVariant(path, variant);
    const Bitmap image = ReadTiffFile(path);
    ASSERT_EQ(image.Width(), kWidth);
    ASSERT_EQ(image.Height(), kHeight);
    for (int y = 0; y < kHeight; ++y)
      for (int x = 0; x < kWidth; ++x)
        ASSERT_TRUE(Near(image.GetPixel(x, y), variant.Expected(x, y), variant.Tolerance))
            << x << "," << y;
  }
}

TEST(TiffCodec, WriterProducesTheFixedLayout) {
  TempDir dir;
  Bitmap image(2, 1);
  image.SetPixel(0, 0, Rgb{1, 2, 3});
  image.SetPixel(1, 0, Rgb{4, 5, 6});
  const std::string path = dir.File("out.tif");
  WriteTiffFile(path, image);

  std::string expected = "II";
  Put16(expected, 42);
  Put32(expected, 46);  // the directory follows the 6 pixel bytes
  for (int i = 0; i < 2; ++i) {
    Put32(expected, 877);
    Put32(expected, 10);
  }
  for (int i = 0; i < 3; ++i) Put16(expected, 8);
  expected += "Talvero181";
  expected += std::string("\1\2\3\4\5\6", 6);
  Put16(expected, 15);
  const uint32_t entries[15][4] = {
      {254, 4, 1, 0},  {256, 3, 1, 2},  {257, 3, 1, 1},  {258, 3, 3, 24}, {259, 3, 1, 1},
      {262, 3, 1, 2},  {273, 4, 1, 40}, {277, 3, 1, 3},  {278, 4, 1, 1},  {279, 4, 1, 6},
      {282, 5, 1, 8},  {283, 5, 1, 16}, {284, 3, 1, 1},  {296, 3, 1, 2},  {305, 2, 10, 30}};
  for (const auto& entry : entries) {
    Put16(expected, entry[0]);
    Put16(expected, entry[1]);
    Put32(expected, entry[2]);
    Put32(expected, entry[3]);
  }
  Put32(expected, 0);
  EXPECT_EQ(ReadAll(path), expected);
}

TEST(TiffCodec, WriterOutputReadsBackIdentically) {
  TempDir dir;
  const std::string path = dir.File("out.tif");
  const Bitmap original = Numbered(7, 5);
  WriteTiffFile(path, original);

  TIFF* tiff = TIFFOpen(path.c_str(), "r");
  ASSERT_NE(tiff, nullptr);
  std::vector<uint8_t> row(static_cast<size_t>(TIFFScanlineSize(tiff)));
  ASSERT_EQ(row.size(), 21u);
  for (int y = 0; y < 5; ++y) {
    ASSERT_EQ(TIFFReadScanline(tiff, row.data(), y, 0), 1);
    for (int x = 0; x < 7; ++x)
      EXPECT_EQ((Rgb{row[3 * x], row[3 * x + 1], row[3 * x + 2]}), original.GetPixel(x, y));
  }
  TIFFClose(tiff);
  EXPECT_TRUE(testing::SameImage(ReadTiffFile(path), original));

  Bitmap alpha(7, 5, PixelFormat::Bgra32);
  CopyRect(alpha, 0, 0, original, 0, 0, 7, 5);
  const std::string first = ReadAll(path);
  WriteTiffFile(path, alpha);
  EXPECT_EQ(ReadAll(path), first);

  // Sizes stored as 16-bit values cannot hold more: refused instead of truncated.
  EXPECT_NE(ImageErrorOf([&] { WriteTiffFile(dir.File("wide.tif"), Bitmap(70000, 1)); }), "");
  EXPECT_FALSE(std::filesystem::exists(dir.File("wide.tif")));
}

TEST(TiffCodec, DamagedFilesAreRefusedWithLibtiffsReason) {
  TempDir dir;
  const std::string good = dir.File("good.tif");
  WriteVariant(good, {"LZW", PHOTOMETRIC_RGB, 8, 3, COMPRESSION_LZW, Rgb8, Base});
  const std::string bytes = ReadAll(good);
  auto errorFor = [&](const std::string& content) {
    const std::string bad = dir.Write("bad.tif", content);
    return ImageErrorOf([&] { ReadTiffFile(bad); });
  };
  // The directory sits at the end, so a cut file has none.
  std::string message = errorFor(bytes.substr(0, bytes.size() / 2));
  EXPECT_NE(message.find("bad.tif"), std::string::npos) << message;
  EXPECT_NE(message.find("libtiff"), std::string::npos) << message;
  // Damaged compressed data.
  std::string garbled = bytes;
  for (size_t i = 8; i < 400; ++i) garbled[i] = static_cast<char>(i * 37);
  EXPECT_NE(errorFor(garbled), "");
  EXPECT_NE(errorFor(std::string("II*\0", 4) + std::string(100, '\x7F')), "");
  EXPECT_NE(errorFor("not a tiff").find("wrong signature"), std::string::npos);
}

// A 20000 × 20000 LZW image (RGB, or CMYK for libtiff's RGBA path) whose one strip holds
// 100 bytes, far too few for its pixels. False when libtiff cannot write it.
bool WriteHugeClaim(const std::string& path, uint16_t photometric) {
  TIFF* tiff = TIFFOpen(path.c_str(), "w");
  if (!tiff) return false;
  TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, 20000);
  TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, 20000);
  TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, 8);
  TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, photometric == PHOTOMETRIC_RGB ? 3 : 4);
  TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, photometric);
  TIFFSetField(tiff, TIFFTAG_COMPRESSION, COMPRESSION_LZW);
  TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, 20000);
  std::string data(100, '\x55');
  const bool written = TIFFWriteRawStrip(tiff, 0, data.data(), 100) == 100;
  TIFFClose(tiff);
  return written;
}

// A header claiming far more pixels than its strips could hold is refused before anything
// is allocated, on the direct path and on libtiff's RGBA path (which zero-filled a buffer of
// the claimed size first).
TEST(TiffCodec, HostileSizesAreRefusedBeforeAllocating) {
  TempDir dir;
  for (const uint16_t photometric : {PHOTOMETRIC_RGB, PHOTOMETRIC_SEPARATED}) {
    const std::string path = dir.File("huge.tif");
    ASSERT_TRUE(WriteHugeClaim(path, photometric));
    const std::string message = ImageErrorOf([&] { ReadTiffFile(path); });
    EXPECT_NE(message.find("huge.tif"), std::string::npos) << message;
    EXPECT_NE(message.find("far too few for 20000 × 20000 pixels"), std::string::npos) << message;
  }
}

// A strip that claims more bytes than the whole file holds counts only what the file holds,
// in a folder with a Japanese name too (where the file's size must be asked by its UTF-8 name).
TEST(TiffCodec, StripsClaimingMoreThanTheFileAreCutToItsSize) {
  TempDir dir;
  const std::string folder = dir.File("飛行場の写真");
  std::filesystem::create_directory(PathFromUtf8(folder));
  const std::string plain = dir.File("claims.tif");
  ASSERT_TRUE(WriteHugeClaim(plain, PHOTOMETRIC_RGB));
  // The strip's byte count (tag 279, one LONG) raised to all the pixels need.
  std::string bytes = ReadAll(plain);
  const std::string entry("\x17\x01\x04\x00\x01\x00\x00\x00\x64\x00\x00\x00", 12);
  const size_t at = bytes.find(entry);
  ASSERT_NE(at, std::string::npos);
  bytes.replace(at + 8, 4, std::string("\x00\x8C\x86\x47", 4));  // 1 200 000 000
  const std::string path = folder + "/claims.tif";
  {
    std::ofstream out(PathFromUtf8(path), std::ios::binary);
    out << bytes;
  }
  const std::string message = ImageErrorOf([&] { ReadTiffFile(path); });
  EXPECT_NE(message.find("far too few for 20000 × 20000 pixels"), std::string::npos) << message;
}

// What libtiff reports as damaged, even only as a warning, is an error naming the file:
// fax data with bad codes (which libtiff fills white) and a colour map cut off by the end of
// the file (which libtiff drops, reading the indexes as grey).
TEST(TiffCodec, DataLibtiffReportsAsDamagedIsRefused) {
  TempDir dir;
  const std::string fax = dir.File("fax.tif");
  WriteVariant(fax, {"G4", PHOTOMETRIC_MINISWHITE, 1, 1, COMPRESSION_CCITTFAX4,
                     [](int x, int y) { return std::vector<uint32_t>{(x / 3 + y / 2) % 2u}; },
                     [](int, int) { return Rgb{}; }});
  ASSERT_NO_THROW(ReadTiffFile(fax));
  std::string bytes = ReadAll(fax);
  for (size_t i = 8; i < 40; ++i) bytes[i] = static_cast<char>(0xFF - i);
  const std::string garbled = dir.Write("garbled.tif", bytes);
  EXPECT_NE(ImageErrorOf([&] { ReadTiffFile(garbled); }).find("garbled.tif"), std::string::npos);

  const std::string palette = dir.File("palette.tif");
  WriteVariant(palette, {"palette", PHOTOMETRIC_PALETTE, 8, 1, COMPRESSION_NONE,
                         [](int x, int) { return std::vector<uint32_t>{static_cast<uint32_t>(x)}; },
                         [](int x, int) { return PaletteColor(static_cast<uint32_t>(x)); }});
  ASSERT_NO_THROW(ReadTiffFile(palette));
  // The colour map is the last thing in the file.
  const std::string full = ReadAll(palette);
  const std::string cut = dir.Write("cut.tif", full.substr(0, full.size() - 300));
  const std::string message = ImageErrorOf([&] { ReadTiffFile(cut); });
  EXPECT_NE(message.find("cut.tif"), std::string::npos) << message;
  EXPECT_NE(message.find("ColorMap"), std::string::npos) << message;
}

}  // namespace
}  // namespace talvero
