// PNG: every kind written with libpng itself decodes to the pixels a bitmap of the same
// picture holds (alpha composed over white); damaged and hostile files are refused.
#include <gtest/gtest.h>
#include <zlib.h>

#include <cmath>
#include <string>
#include <vector>

#include "common/image_test_util.h"
#include "common/png_test_writer.h"
#include "common/test_support.h"
#include "imaging/image_codecs.h"

namespace talvero {
namespace {

using testing::ImageErrorOf;
using testing::PaletteColor;
using testing::PngLayout;
using testing::ReadAll;
using testing::SameImage;
using testing::TempDir;
using testing::WritePng;

constexpr int kPngWidth = 37, kPngHeight = 21;  // odd sizes: every interlace pass is uneven

// Samples that vary over the picture, each channel differently, over the whole range.
uint32_t Sample(int x, int y, int channel, int depth) {
  const uint32_t max = (1u << depth) - 1;
  return static_cast<uint32_t>(x * 1733 + y * 977 + channel * 4099 + x * y * 31) % (max + 1);
}

// What a pixel should look like, worked out in floating point from the stored samples.
Rgb Expected(const PngLayout& layout, int x, int y) {
  const std::vector<uint32_t> s = layout.Stored(x, y);
  const double max = (1u << layout.Depth) - 1;
  double colour[3], alpha = 1;
  switch (layout.ColourType) {
    case PNG_COLOR_TYPE_PALETTE: {
      const Rgb c = layout.Palette.at(s[0]);
      colour[0] = c.R / 255.0, colour[1] = c.G / 255.0, colour[2] = c.B / 255.0;
      if (s[0] < layout.PaletteAlpha.size()) alpha = layout.PaletteAlpha[s[0]] / 255.0;
      break;
    }
    case PNG_COLOR_TYPE_GRAY:
    case PNG_COLOR_TYPE_GRAY_ALPHA:
      colour[0] = colour[1] = colour[2] = s[0] / max;
      if (s.size() == 2) alpha = s[1] / max;
      if (!layout.Transparent.empty() && s[0] == layout.Transparent[0]) alpha = 0;
      break;
    default:
      for (int c = 0; c < 3; ++c) colour[c] = s[c] / max;
      if (s.size() == 4) alpha = s[3] / max;
      if (!layout.Transparent.empty() && s[0] == layout.Transparent[0] &&
          s[1] == layout.Transparent[1] && s[2] == layout.Transparent[2])
        alpha = 0;
  }
  uint8_t out[3];
  for (int c = 0; c < 3; ++c)
    out[c] = static_cast<uint8_t>(std::lround(255 * (colour[c] * alpha + (1 - alpha))));
  return Rgb{out[0], out[1], out[2]};
}

Bitmap ExpectedImage(const PngLayout& layout) {
  Bitmap image(layout.Width, layout.Height);
  for (int y = 0; y < layout.Height; ++y)
    for (int x = 0; x < layout.Width; ++x) image.SetPixel(x, y, Expected(layout, x, y));
  return image;
}

PngLayout Plain(int colourType, int depth, bool interlaced = false) {
  PngLayout layout;
  layout.Width = kPngWidth;
  layout.Height = kPngHeight;
  layout.ColourType = colourType;
  layout.Depth = depth;
  layout.Interlaced = interlaced;
  const int channels = testing::PngChannels(colourType);
  layout.Stored = [channels, depth](int x, int y) {
    std::vector<uint32_t> s;
    for (int c = 0; c < channels; ++c) s.push_back(Sample(x, y, c, depth));
    return s;
  };
  return layout;
}

PngLayout Palette(int depth, bool interlaced = false, bool withAlpha = false) {
  PngLayout layout = Plain(PNG_COLOR_TYPE_PALETTE, depth, interlaced);
  const uint32_t entries = 1u << depth;
  for (uint32_t i = 0; i < entries; ++i) layout.Palette.push_back(PaletteColor(i * 255 / (entries - 1)));
  // Fewer alpha entries than colours: the rest are opaque.
  if (withAlpha)
    for (uint32_t i = 0; i < (entries + 1) / 2; ++i)
      layout.PaletteAlpha.push_back(static_cast<uint8_t>(i * 97));
  return layout;
}

PngLayout WithTransparent(PngLayout layout, const std::vector<uint32_t>& colour) {
  for (uint32_t c : colour) layout.Transparent.push_back(static_cast<uint16_t>(c));
  return layout;
}

struct Kind {
  const char* Name;
  PngLayout Layout;
};

TEST(PngCodec, EveryKindDecodesToTheSamePixelsAsItsBitmap) {
  const std::vector<Kind> kinds = {
      {"grey 1", Plain(PNG_COLOR_TYPE_GRAY, 1)},
      {"grey 2", Plain(PNG_COLOR_TYPE_GRAY, 2)},
      {"grey 4, interlaced", Plain(PNG_COLOR_TYPE_GRAY, 4, true)},
      {"grey 8", Plain(PNG_COLOR_TYPE_GRAY, 8)},
      {"grey 16", Plain(PNG_COLOR_TYPE_GRAY, 16)},
      {"grey 8, tRNS", WithTransparent(Plain(PNG_COLOR_TYPE_GRAY, 8), {Sample(3, 2, 0, 8)})},
      {"grey 16, tRNS, interlaced",
       WithTransparent(Plain(PNG_COLOR_TYPE_GRAY, 16, true), {Sample(5, 7, 0, 16)})},
      {"grey + alpha 8", Plain(PNG_COLOR_TYPE_GRAY_ALPHA, 8)},
      {"grey + alpha 16, interlaced", Plain(PNG_COLOR_TYPE_GRAY_ALPHA, 16, true)},
      {"palette 1", Palette(1)},
      {"palette 2, tRNS, interlaced", Palette(2, true, true)},
      {"palette 4", Palette(4)},
      {"palette 8", Palette(8)},
      {"palette 8, tRNS", Palette(8, false, true)},
      {"RGB 8", Plain(PNG_COLOR_TYPE_RGB, 8)},
      {"RGB 8, interlaced", Plain(PNG_COLOR_TYPE_RGB, 8, true)},
      {"RGB 16", Plain(PNG_COLOR_TYPE_RGB, 16)},
      {"RGB 8, tRNS",
       WithTransparent(Plain(PNG_COLOR_TYPE_RGB, 8),
                       {Sample(4, 4, 0, 8), Sample(4, 4, 1, 8), Sample(4, 4, 2, 8)})},
      {"RGB 16, tRNS",
       WithTransparent(Plain(PNG_COLOR_TYPE_RGB, 16),
                       {Sample(9, 1, 0, 16), Sample(9, 1, 1, 16), Sample(9, 1, 2, 16)})},
      {"RGBA 8", Plain(PNG_COLOR_TYPE_RGB_ALPHA, 8)},
      {"RGBA 8, interlaced", Plain(PNG_COLOR_TYPE_RGB_ALPHA, 8, true)},
      {"RGBA 16", Plain(PNG_COLOR_TYPE_RGB_ALPHA, 16)},
      {"RGBA 16, interlaced", Plain(PNG_COLOR_TYPE_RGB_ALPHA, 16, true)},
  };
  TempDir dir;
  for (const Kind& kind : kinds) {
    SCOPED_TRACE(kind.Name);
    const std::string png = dir.File("pano.png"), bmp = dir.File("pano.bmp");
    WritePng(png, kind.Layout);
    WriteBmpFile(bmp, ExpectedImage(kind.Layout));
    ASSERT_EQ(DetectImageFormat(png), ImageFormat::Png);
    const Bitmap decoded = ReadImage(png, ImageFormatFromExtension(png));
    EXPECT_EQ(decoded.Format(), PixelFormat::Bgr24);
    EXPECT_TRUE(SameImage(decoded, ReadBmpFile(bmp)));
  }
}

TEST(PngCodec, AlphaIsComposedOverWhite) {
  // Values whose results are known without a formula: clear, opaque, half and 16-bit steps.
  const std::vector<std::vector<uint32_t>> pixels8 = {
      {200, 100, 0, 0}, {200, 100, 0, 255}, {0, 0, 0, 128}, {255, 0, 0, 51}};
  PngLayout layout;
  layout.Width = 4;
  layout.Height = 1;
  layout.ColourType = PNG_COLOR_TYPE_RGB_ALPHA;
  layout.Stored = [&](int x, int) { return pixels8[x]; };
  TempDir dir;
  WritePng(dir.File("a.png"), layout);
  Bitmap image = ReadPngFile(dir.File("a.png"));
  EXPECT_EQ(image.GetPixel(0, 0), kWhite);
  EXPECT_EQ(image.GetPixel(1, 0), (Rgb{200, 100, 0}));
  EXPECT_EQ(image.GetPixel(2, 0), (Rgb{127, 127, 127}));  // 255 · 127/255
  EXPECT_EQ(image.GetPixel(3, 0), (Rgb{255, 204, 204}));  // a fifth of red over white

  const std::vector<std::vector<uint32_t>> pixels16 = {
      {0x8080, 0x0000, 0xFFFF, 0xFFFF}, {0x807F, 0x8081, 0, 0xFFFF}, {0, 0, 0, 0x8000}, {9, 9, 9, 0}};
  layout.Depth = 16;
  layout.Stored = [&](int x, int) { return pixels16[x]; };
  WritePng(dir.File("b.png"), layout);
  image = ReadPngFile(dir.File("b.png"));
  EXPECT_EQ(image.GetPixel(0, 0), (Rgb{128, 0, 255}));
  EXPECT_EQ(image.GetPixel(1, 0), (Rgb{128, 128, 0}));  // 127.998 and 128.002
  EXPECT_EQ(image.GetPixel(2, 0), (Rgb{127, 127, 127}));  // 127.498
  EXPECT_EQ(image.GetPixel(3, 0), kWhite);
}

TEST(PngCodec, InterlacedImagesOfEverySmallSize) {
  // Narrow and short images leave some of the seven passes empty.
  TempDir dir;
  for (const auto& [width, height] : std::vector<std::pair<int, int>>{
           {1, 1}, {1, 9}, {9, 1}, {2, 3}, {5, 5}, {8, 8}, {16, 2}}) {
    SCOPED_TRACE(std::to_string(width) + " × " + std::to_string(height));
    PngLayout layout = Plain(PNG_COLOR_TYPE_RGB, 8, true);
    layout.Width = width;
    layout.Height = height;
    WritePng(dir.File("small.png"), layout);
    EXPECT_TRUE(SameImage(ReadPngFile(dir.File("small.png")), ExpectedImage(layout)));
  }
}

// ---- Damaged and hostile files

uint32_t Big32(const std::string& bytes, size_t at) {
  return static_cast<uint32_t>(static_cast<uint8_t>(bytes[at])) << 24 |
         static_cast<uint32_t>(static_cast<uint8_t>(bytes[at + 1])) << 16 |
         static_cast<uint32_t>(static_cast<uint8_t>(bytes[at + 2])) << 8 |
         static_cast<uint8_t>(bytes[at + 3]);
}

std::string PutBig32(uint32_t v) {
  return {static_cast<char>(v >> 24), static_cast<char>(v >> 16), static_cast<char>(v >> 8),
          static_cast<char>(v)};
}

// One chunk with its length and CRC.
std::string Chunk(const std::string& type, const std::string& data) {
  const std::string body = type + data;
  const auto crc = static_cast<uint32_t>(
      crc32(0, reinterpret_cast<const Bytef*>(body.data()), static_cast<uInt>(body.size())));
  return PutBig32(static_cast<uint32_t>(data.size())) + body + PutBig32(crc);
}

const std::string kSignature("\x89PNG\r\n\x1a\n", 8);

// A file whose header claims the given size, followed by a little real image data.
std::string ClaimingSize(uint32_t width, uint32_t height, uint8_t depth, uint8_t colourType) {
  const std::string header = PutBig32(width) + PutBig32(height) +
                             std::string{static_cast<char>(depth), static_cast<char>(colourType)} +
                             std::string(3, '\0');
  const std::string zeros(64, '\0');
  std::string packed(128, '\0');
  uLongf size = packed.size();
  compress(reinterpret_cast<Bytef*>(packed.data()), &size,
           reinterpret_cast<const Bytef*>(zeros.data()), zeros.size());
  packed.resize(size);
  return kSignature + Chunk("IHDR", header) + Chunk("IDAT", packed) + Chunk("IEND", "");
}

// The offset of the first chunk of the type.
size_t FindChunk(const std::string& bytes, const std::string& type) {
  for (size_t at = 8; at + 8 <= bytes.size(); at += 12 + Big32(bytes, at))
    if (bytes.compare(at + 4, 4, type) == 0) return at;
  return std::string::npos;
}

TEST(PngCodec, DamagedFilesAreRefusedNamingTheFile) {
  TempDir dir;
  const std::string good = dir.File("good.png");
  WritePng(good, Plain(PNG_COLOR_TYPE_RGB, 8));
  const std::string bytes = ReadAll(good);
  const size_t idat = FindChunk(bytes, "IDAT");
  ASSERT_NE(idat, std::string::npos);
  const uint32_t idatLength = Big32(bytes, idat);

  std::string badCrc = bytes;
  badCrc[idat + 8 + idatLength] ^= 0x01;
  std::string badData = bytes;  // a changed byte in the compressed pixels, CRC made right
  badData[idat + 8 + idatLength / 2] ^= 0x5A;
  const std::string rechunked = badData.substr(0, idat) +
                                Chunk("IDAT", badData.substr(idat + 8, idatLength)) +
                                badData.substr(idat + 12 + idatLength);
  std::string badPalette;
  {
    PngLayout layout = Palette(4);
    layout.Palette.resize(5);  // indexes up to 15 refer to 5 colours
    WritePng(dir.File("palette.png"), layout);
    badPalette = ReadAll(dir.File("palette.png"));
  }
  const std::pair<const char*, std::string> damaged[] = {
      {"empty", ""},
      {"not a PNG", "GIF89a and more bytes"},
      {"signature only", kSignature},
      {"cut after the header", bytes.substr(0, idat)},
      {"cut inside the pixels", bytes.substr(0, idat + 8 + idatLength / 2)},
      {"no end chunk", bytes.substr(0, bytes.size() - 12)},
      {"pixel data CRC", badCrc},
      {"pixel data", rechunked},
      {"palette index beyond the palette", badPalette},
      {"zero width", ClaimingSize(0, 10, 8, PNG_COLOR_TYPE_RGB)},
      {"width above 2^31", ClaimingSize(0x80000000u, 10, 8, PNG_COLOR_TYPE_RGB)},
      {"bad depth for RGB", ClaimingSize(4, 4, 4, PNG_COLOR_TYPE_RGB)},
  };
  for (const auto& [what, content] : damaged) {
    const std::string path = dir.Write("damaged.png", content);
    const std::string message = ImageErrorOf([&] { ReadPngFile(path); });
    EXPECT_NE(message.find("'" + path + "'"), std::string::npos) << what << ": " << message;
  }
  EXPECT_NE(ImageErrorOf([&] { ReadPngFile(dir.Write("d.png", badPalette)); }).find("palette"),
            std::string::npos);
  EXPECT_THROW(ReadPngFile(dir.File("missing.png")), FileError);
}

TEST(PngCodec, HeadersClaimingMorePixelsThanTheFileCanHoldAreRefusedFirst) {
  TempDir dir;
  // 600 MB of pixels (1-bit grey: 25 MB of data) from a few bytes; and a header whose pixels
  // would not fit in any memory.
  const struct {
    uint32_t Width, Height;
    uint8_t Depth, Colour;
    const char* Expected;
  } hostile[] = {{20000, 10000, 1, PNG_COLOR_TYPE_GRAY, "claims 20000 × 10000 pixels"},
                 {20000, 10000, 8, PNG_COLOR_TYPE_RGB, "claims 20000 × 10000 pixels"},
                 {1000000, 1000000, 16, PNG_COLOR_TYPE_RGB_ALPHA, "1000000 × 1000000"}};
  for (const auto& h : hostile) {
    const std::string path = dir.Write("huge.png", ClaimingSize(h.Width, h.Height, h.Depth, h.Colour));
    const std::string message = ImageErrorOf([&] { ReadPngFile(path); });
    EXPECT_NE(message.find(h.Expected), std::string::npos) << message;
    EXPECT_NE(message.find("huge.png"), std::string::npos) << message;
  }
}

}  // namespace
}  // namespace talvero
