// Windows bitmaps: the variants other programs write, built here byte by byte, and the
// damaged files a reader must refuse.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "common/image_test_util.h"
#include "common/test_support.h"
#include "imaging/image_codecs.h"

namespace talvero {
namespace {

using testing::ImageErrorOf;
using testing::Numbered;
using testing::Put16;
using testing::Put32;
using testing::ReadAll;
using testing::SameImage;
using testing::TempDir;

// The pieces of a bitmap file; MakeBmp fills in sizes and offsets.
struct BmpParts {
  int32_t Width = 0, Height = 0;
  uint16_t Bits = 24;
  uint32_t Compression = 0;
  uint32_t HeaderSize = 40;
  std::vector<uint32_t> Masks{};  // after a 40-byte header, or inside a longer one
  std::vector<uint32_t> Palette{};  // 0xRRGGBB
  uint32_t ColorsUsed = 0;
  std::string Pixels{};  // as stored, rows padded by the caller
};

std::string MakeBmp(const BmpParts& p) {
  std::string info;
  if (p.HeaderSize == 12) {
    Put32(info, 12);
    Put16(info, p.Width);
    Put16(info, p.Height);
    Put16(info, 1);
    Put16(info, p.Bits);
  } else {
    Put32(info, p.HeaderSize);
    Put32(info, static_cast<uint32_t>(p.Width));
    Put32(info, static_cast<uint32_t>(p.Height));
    Put16(info, 1);
    Put16(info, p.Bits);
    Put32(info, p.Compression);
    Put32(info, static_cast<uint32_t>(p.Pixels.size()));
    Put32(info, 2835);
    Put32(info, 2835);
    Put32(info, p.ColorsUsed);
    Put32(info, 0);
    for (uint32_t mask : p.Masks) Put32(info, mask);
    info.resize(std::max<size_t>(info.size(), p.HeaderSize), '\0');
  }
  for (uint32_t color : p.Palette) {
    Put16(info, ((color & 0xFF) | (color >> 8 & 0xFF) << 8));
    info += static_cast<char>(color >> 16);
    if (p.HeaderSize != 12) info += '\0';
  }
  std::string file = "BM";
  Put32(file, static_cast<uint32_t>(14 + info.size() + p.Pixels.size()));
  Put32(file, 0);
  Put32(file, static_cast<uint32_t>(14 + info.size()));
  return file + info + p.Pixels;
}

std::string Bytes(std::initializer_list<int> values) {
  std::string s;
  for (int v : values) s += static_cast<char>(v);
  return s;
}

Rgb Hex(uint32_t color) {
  return Rgb{static_cast<uint8_t>(color >> 16), static_cast<uint8_t>(color >> 8),
             static_cast<uint8_t>(color)};
}

// Builds the expected image from rows of palette indexes, top row first.
Bitmap FromIndexes(const std::vector<std::vector<int>>& rows, const std::vector<uint32_t>& palette) {
  Bitmap image(static_cast<int32_t>(rows[0].size()), static_cast<int32_t>(rows.size()));
  for (size_t y = 0; y < rows.size(); ++y)
    for (size_t x = 0; x < rows[y].size(); ++x)
      image.SetPixel(static_cast<int32_t>(x), static_cast<int32_t>(y), Hex(palette[rows[y][x]]));
  return image;
}

class BmpCodecTest : public ::testing::Test {
 protected:
  Bitmap Read(const BmpParts& parts) { return ReadBmpFile(dir.Write("t.bmp", MakeBmp(parts))); }
  std::string ErrorFor(const std::string& bytes) {
    const std::string path = dir.Write("bad.bmp", bytes);
    return ImageErrorOf([&] { ReadBmpFile(path); });
  }
  TempDir dir;
};

const std::vector<uint32_t> kPalette = {0x000000, 0xFF0000, 0x00FF00, 0x0000FF,
                                        0x123456, 0xFFFFFF, 0x808080, 0xABCDEF};

TEST_F(BmpCodecTest, PaletteDepthsBottomUpAndTopDown) {
  // 1 bit, bottom-up: the first stored row is the bottom one; rows pad to 4 bytes.
  BmpParts one{.Width = 3, .Height = 2, .Bits = 1, .Palette = {0x000000, 0xFF0000}};
  one.Pixels = Bytes({0b10100000, 0, 0, 0, 0b01000000, 0, 0, 0});
  EXPECT_TRUE(SameImage(Read(one), FromIndexes({{0, 1, 0}, {1, 0, 1}}, one.Palette)));

  BmpParts four{.Width = 3, .Height = 2, .Bits = 4, .Palette = kPalette, .ColorsUsed = 8};
  four.Pixels = Bytes({0x12, 0x30, 0, 0, 0x45, 0x60, 0, 0});
  EXPECT_TRUE(SameImage(Read(four), FromIndexes({{4, 5, 6}, {1, 2, 3}}, kPalette)));

  // 8 bits, top-down (negative height).
  BmpParts eight{.Width = 2, .Height = -2, .Bits = 8, .Palette = kPalette, .ColorsUsed = 8};
  eight.Pixels = Bytes({7, 4, 0, 0, 1, 0, 0, 0});
  EXPECT_TRUE(SameImage(Read(eight), FromIndexes({{7, 4}, {1, 0}}, kPalette)));

  // The old OS/2 header with three-byte palette entries.
  BmpParts core{.Width = 2, .Height = 1, .Bits = 8, .HeaderSize = 12};
  core.Palette.assign(256, 0x000000);
  core.Palette[200] = 0xABCDEF;
  core.Pixels = Bytes({200, 0, 0, 0});
  EXPECT_TRUE(SameImage(Read(core), FromIndexes({{200, 0}}, core.Palette)));
}

TEST_F(BmpCodecTest, RunLengthEncodings) {
  // RLE8: a run, end of line, a literal of three (padded), a delta, end of bitmap.
  // Skipped pixels show palette colour 0.
  BmpParts rle8{.Width = 5, .Height = 3, .Bits = 8, .Compression = 1, .Palette = kPalette,
                .ColorsUsed = 8};
  rle8.Pixels = Bytes({3, 2, 0, 0, 0, 3, 4, 5, 6, 0, 0, 2, 1, 1, 1, 7, 0, 1});
  EXPECT_TRUE(SameImage(Read(rle8), FromIndexes({{0, 0, 0, 0, 7},
                                                  {4, 5, 6, 0, 0},
                                                  {2, 2, 2, 0, 0}}, kPalette)));

  // RLE4: a run alternates its two nibbles; an odd literal pads to a 16-bit boundary.
  BmpParts rle4{.Width = 5, .Height = 2, .Bits = 4, .Compression = 2, .Palette = kPalette,
                .ColorsUsed = 8};
  rle4.Pixels = Bytes({5, 0x12, 0, 0, 0, 5, 0x34, 0x56, 0x70, 0, 0, 0, 1});
  EXPECT_TRUE(SameImage(Read(rle4), FromIndexes({{3, 4, 5, 6, 7}, {1, 2, 1, 2, 1}}, kPalette)));
}

TEST_F(BmpCodecTest, DirectColourDepthsAndMasks) {
  // 16 bits without masks: 5-5-5. Full channels scale to 255, a half one to 132.
  BmpParts rgb555{.Width = 2, .Height = 1, .Bits = 16};
  rgb555.Pixels = Bytes({0x00, 0x7C, 0x10, 0x02});  // red; green 16 of 31, blue 16 of 31
  Bitmap image = Read(rgb555);
  EXPECT_EQ(image.GetPixel(0, 0), (Rgb{255, 0, 0}));
  EXPECT_EQ(image.GetPixel(1, 0), (Rgb{0, 132, 132}));

  BmpParts rgb565{.Width = 1, .Height = 1, .Bits = 16, .Compression = 3,
                  .Masks = {0xF800, 0x07E0, 0x001F}};
  rgb565.Pixels = Bytes({0xE0, 0x07, 0, 0});  // all six green bits
  EXPECT_EQ(Read(rgb565).GetPixel(0, 0), (Rgb{0, 255, 0}));

  // 24 bits with an odd width: rows carry padding.
  BmpParts rgb24{.Width = 1, .Height = 2, .Bits = 24};
  rgb24.Pixels = Bytes({1, 2, 3, 0, 4, 5, 6, 0});
  image = Read(rgb24);
  EXPECT_EQ(image.GetPixel(0, 0), (Rgb{6, 5, 4}));
  EXPECT_EQ(image.GetPixel(0, 1), (Rgb{3, 2, 1}));

  BmpParts bgrx{.Width = 1, .Height = 1, .Bits = 32};
  bgrx.Pixels = Bytes({10, 20, 30, 99});
  EXPECT_EQ(Read(bgrx).GetPixel(0, 0), (Rgb{30, 20, 10}));

  // 32 bits in an unusual order, masks inside a version 4 header, alpha mask ignored.
  BmpParts v4{.Width = 1, .Height = 1, .Bits = 32, .Compression = 3, .HeaderSize = 108,
              .Masks = {0x000000FF, 0x0000FF00, 0x00FF0000, 0xFF000000}};
  v4.Pixels = Bytes({10, 20, 30, 40});
  EXPECT_EQ(Read(v4).GetPixel(0, 0), (Rgb{10, 20, 30}));
}

TEST_F(BmpCodecTest, WriterRoundTripsExactly) {
  const Bitmap original = Numbered(5, 3);  // 15-byte rows are padded to 16 in the file
  const std::string path = dir.File("out.bmp");
  WriteBmpFile(path, original);
  const std::string bytes = ReadAll(path);
  ASSERT_EQ(bytes.size(), 54u + 16 * 3);
  EXPECT_EQ(bytes.substr(0, 2), "BM");
  EXPECT_EQ(bytes[28], 24);  // bits per pixel
  EXPECT_TRUE(SameImage(ReadBmpFile(path), original));

  Bitmap alpha(5, 3, PixelFormat::Bgra32);
  CopyRect(alpha, 0, 0, original, 0, 0, 5, 3);
  WriteBmpFile(path, alpha);
  EXPECT_EQ(ReadAll(path), bytes);
}

TEST_F(BmpCodecTest, DamagedFilesAreRefusedWithTheFileAndTheProblem) {
  BmpParts good{.Width = 2, .Height = 2, .Bits = 8, .Palette = kPalette, .ColorsUsed = 8};
  good.Pixels = Bytes({1, 2, 0, 0, 3, 4, 0, 0});
  const std::string bytes = MakeBmp(good);

  std::string message = ErrorFor("PK" + bytes.substr(2));
  EXPECT_NE(message.find("bad.bmp"), std::string::npos) << message;
  EXPECT_NE(message.find("wrong signature"), std::string::npos) << message;
  EXPECT_NE(ErrorFor(bytes.substr(0, bytes.size() - 5)).find("truncated"), std::string::npos);
  EXPECT_NE(ErrorFor(bytes.substr(0, 20)).find("truncated"), std::string::npos);
  EXPECT_NE(ErrorFor("BM").find("truncated"), std::string::npos);

  BmpParts index = good;
  index.Pixels[0] = 9;  // the palette has 8 colours
  EXPECT_NE(ErrorFor(MakeBmp(index)).find("palette index 9 out of range"), std::string::npos);

  BmpParts huge = good;
  huge.Width = huge.Height = 1 << 30;
  EXPECT_NE(ErrorFor(MakeBmp(huge)).find("absurd image size"), std::string::npos);
  BmpParts large{.Width = 60000, .Height = 60000, .Bits = 24};
  large.Pixels = "xxxx";  // would need 10 GB of pixel data
  EXPECT_NE(ErrorFor(MakeBmp(large)), "");
  BmpParts empty = good;
  empty.Width = 0;
  EXPECT_NE(ErrorFor(MakeBmp(empty)).find("invalid image size"), std::string::npos);

  BmpParts rle{.Width = 4, .Height = 2, .Bits = 8, .Compression = 1, .Palette = kPalette,
               .ColorsUsed = 8};
  rle.Pixels = Bytes({10, 1, 0, 1});  // a run of 10 in a row of 4
  EXPECT_NE(ErrorFor(MakeBmp(rle)).find("runs past the image"), std::string::npos);
  rle.Pixels = Bytes({0, 2, 1, 5, 1, 1, 0, 1});  // a delta 5 rows up
  EXPECT_NE(ErrorFor(MakeBmp(rle)).find("runs past the image"), std::string::npos);
  rle.Pixels = Bytes({0, 0, 0, 0, 0, 0, 0, 1});  // one end of line too many
  EXPECT_NE(ErrorFor(MakeBmp(rle)).find("runs past the image"), std::string::npos);
  rle.Pixels = Bytes({4, 1, 0, 0, 0, 6, 1, 2});  // a literal cut short
  EXPECT_NE(ErrorFor(MakeBmp(rle)).find("truncated"), std::string::npos);
  rle.Pixels = Bytes({4, 1});  // rows missing, no end marker
  EXPECT_NE(ErrorFor(MakeBmp(rle)).find("truncated"), std::string::npos);

  BmpParts masks{.Width = 1, .Height = 1, .Bits = 16, .Compression = 3,
                 .Masks = {0xF00F, 0x0FF0, 0x0000}};  // red split in two runs
  masks.Pixels = Bytes({0, 0, 0, 0});
  EXPECT_NE(ErrorFor(MakeBmp(masks)).find("masks"), std::string::npos);
  BmpParts jpeg = good;
  jpeg.Compression = 4;
  EXPECT_NE(ErrorFor(MakeBmp(jpeg)).find("unsupported"), std::string::npos);
  BmpParts header = good;
  header.HeaderSize = 44;
  EXPECT_NE(ErrorFor(MakeBmp(header)).find("header size"), std::string::npos);

  EXPECT_THROW(ReadBmpFile(dir.File("missing.bmp")), FileError);
}

// Runs, skips and an early end marker let a few bytes of RLE data claim any size: a claim
// far beyond what the data could hold is refused before the image is allocated and filled,
// and never "succeeds" with a picture the file did not hold.
TEST_F(BmpCodecTest, RleSizesBeyondTheirDataAreRefused) {
  BmpParts huge{.Width = 20000, .Height = 20000, .Bits = 8, .Compression = 1,
                .Palette = kPalette, .ColorsUsed = 8};
  huge.Pixels = Bytes({0, 1});  // end of bitmap at once
  std::string message = ErrorFor(MakeBmp(huge));
  EXPECT_NE(message.find("bad.bmp"), std::string::npos) << message;
  EXPECT_NE(message.find("far too few for 20000 × 20000 pixels"), std::string::npos) << message;
  BmpParts blank{.Width = 4000, .Height = 4000, .Bits = 4, .Compression = 2, .Palette = kPalette,
                 .ColorsUsed = 8};
  blank.Pixels = std::string(1000, '\0') + Bytes({0, 1});  // 500 empty rows, then the end
  EXPECT_NE(ErrorFor(MakeBmp(blank)).find("far too few"), std::string::npos);
  // The same skips in an image whose size the data can plausibly cover still decode.
  blank.Width = blank.Height = 64;
  blank.Pixels = std::string(128, '\0') + Bytes({0, 1});
  EXPECT_EQ(Read(blank).GetPixel(63, 63), Hex(kPalette[0]));
}

}  // namespace
}  // namespace talvero
