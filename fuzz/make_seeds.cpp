// Writes the seed corpora of the fuzz targets: small valid files of every kind each reader
// meets, under 20 KB each, into FOLDER/<target>/.
//   talvero-fuzz-seeds FOLDER
#include <tiffio.h>

#include <cstdio>
// jpeglib.h needs size_t and FILE declared first.
#include <jpeglib.h>

#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "common/png_test_writer.h"
#include "formats/line_file.h"
#include "fuzz/fuzz_support.h"
#include "imaging/bitmap.h"
#include "imaging/image_codecs.h"
#include "support/file_util.h"
#include "support/text_encoding.h"

using namespace talvero;
namespace fs = std::filesystem;

namespace {

constexpr size_t kMaxSeed = 20000;
fs::path gRoot;

void Save(const std::string& target, const std::string& name, std::string bytes) {
  if (bytes.size() > kMaxSeed) {
    // Text files are cut at a line end, so that they stay well-formed up to there.
    const size_t end = bytes.rfind('\n', kMaxSeed - 1);
    bytes.resize(end == std::string::npos ? kMaxSeed : end + 1);
  }
  fs::create_directories(gRoot / target);
  WriteFileAtomically((gRoot / target / name).string(), bytes);
}

std::string ReadAll(const std::string& path) { return fuzz::ReadBack(path); }

// ---- BMP, built byte by byte.

struct Bytes {
  std::string s;
  void u8(unsigned v) { s += static_cast<char>(v); }
  void u16(unsigned v) { u8(v & 255), u8(v >> 8 & 255); }
  void u32(uint32_t v) { u16(v & 0xFFFF), u16(v >> 16); }
};

constexpr int kW = 16, kH = 8;

unsigned Pattern(int x, int y, unsigned levels) { return static_cast<unsigned>(x + 3 * y) % levels; }

// A BMP with an info header of `headerSize` bytes; `pixels` are the rows as stored.
std::string Bmp(int headerSize, int bits, uint32_t compression, int height,
                const std::string& extra, const std::string& pixels, int colors = 0) {
  Bytes h;
  const uint32_t offset = 14 + headerSize + static_cast<uint32_t>(extra.size());
  h.u8('B'), h.u8('M'), h.u32(offset + static_cast<uint32_t>(pixels.size())), h.u32(0), h.u32(offset);
  if (headerSize == 12) {
    h.u32(12), h.u16(kW), h.u16(static_cast<unsigned>(height)), h.u16(1), h.u16(bits);
  } else {
    h.u32(headerSize), h.u32(kW), h.u32(static_cast<uint32_t>(height)), h.u16(1), h.u16(bits);
    h.u32(compression), h.u32(static_cast<uint32_t>(pixels.size())), h.u32(2835), h.u32(2835);
    h.u32(colors), h.u32(0);
    while (h.s.size() < 14u + headerSize) h.u8(0);
  }
  return h.s + extra + pixels;
}

std::string Palette(int count, bool core) {
  Bytes p;
  for (int i = 0; i < count; ++i) {
    p.u8(i * 37 & 255), p.u8(i * 91 & 255), p.u8(255 - i * 13 % 256);
    if (!core) p.u8(0);
  }
  return p.s;
}

std::string PackedRows(int bits) {
  std::string out;
  const int stride = (kW * bits + 31) / 32 * 4;
  for (int y = 0; y < kH; ++y) {
    std::string row(static_cast<size_t>(stride), '\0');
    for (int x = 0; x < kW; ++x) {
      const unsigned v = Pattern(x, y, 1u << bits);
      const int bit = x * bits;
      row[bit / 8] = static_cast<char>(row[bit / 8] | v << (8 - bits - bit % 8));
    }
    out += row;
  }
  return out;
}

std::string WideRows(int bits, const std::function<uint32_t(int, int)>& pixel) {
  Bytes out;
  for (int y = 0; y < kH; ++y) {
    const size_t start = out.s.size();
    for (int x = 0; x < kW; ++x) {
      const uint32_t v = pixel(x, y);
      if (bits == 16) out.u16(v);
      else if (bits == 24) out.u8(v & 255), out.u8(v >> 8 & 255), out.u8(v >> 16 & 255);
      else out.u32(v);
    }
    while ((out.s.size() - start) % 4) out.u8(0);
  }
  return out.s;
}

std::string Rle(bool four, bool useDelta) {
  Bytes d;
  for (int y = 0; y < kH; ++y) {
    if (useDelta && y == 2) {  // skip a row and four pixels
      d.u8(0), d.u8(2), d.u8(4), d.u8(1);
      d.u8(kW - 4), d.u8(four ? 0x12 : 5);
    } else {
      d.u8(5), d.u8(four ? 0x34 : 7);          // a run
      d.u8(0), d.u8(6);                        // six literal indexes
      if (four) d.u8(0x12), d.u8(0x34), d.u8(0x56);
      else for (int i = 0; i < 6; ++i) d.u8(i);
      if (!four) {}  // six bytes: already even
      else d.u8(0);  // three bytes, padded to four
      d.u8(kW - 11), d.u8(four ? 0x77 : 9);
    }
    d.u8(0), d.u8(0);
  }
  d.u8(0), d.u8(1);
  return d.s;
}

void BmpSeeds() {
  Save("bmp", "pal1.bmp", Bmp(40, 1, 0, kH, Palette(2, false), PackedRows(1)));
  Save("bmp", "pal4.bmp", Bmp(40, 4, 0, kH, Palette(16, false), PackedRows(4)));
  Save("bmp", "pal8.bmp", Bmp(40, 8, 0, kH, Palette(256, false), PackedRows(8)));
  Save("bmp", "pal8-used20.bmp", Bmp(40, 8, 0, kH, Palette(20, false), [] {
         std::string p = PackedRows(8);
         for (char& c : p) c = static_cast<char>(static_cast<unsigned char>(c) % 20);
         return p;
       }(), 20));
  Save("bmp", "pal8-topdown.bmp", Bmp(40, 8, 0, -kH, Palette(256, false), PackedRows(8)));
  Save("bmp", "core-pal4.bmp", Bmp(12, 4, 0, kH, Palette(16, true), PackedRows(4)));
  Save("bmp", "core-24.bmp",
       Bmp(12, 24, 0, kH, "", WideRows(24, [](int x, int y) { return x * 0x0F0301u + y * 0x20; })));
  Save("bmp", "rle8.bmp", Bmp(40, 8, 1, kH, Palette(16, false), Rle(false, false)));
  Save("bmp", "rle8-delta.bmp", Bmp(40, 8, 1, kH, Palette(16, false), Rle(false, true)));
  Save("bmp", "rle4.bmp", Bmp(40, 4, 2, kH, Palette(16, false), Rle(true, false)));
  Save("bmp", "rle4-delta.bmp", Bmp(40, 4, 2, kH, Palette(16, false), Rle(true, true)));
  const auto rgb = [](int x, int y) { return static_cast<uint32_t>(x * 0x102030 + y * 0x0A0B0C); };
  Save("bmp", "rgb16-555.bmp", Bmp(40, 16, 0, kH, "", WideRows(16, [&](int x, int y) {
         return (rgb(x, y) >> 3 & 0x1F) | (rgb(x, y) >> 6 & 0x3E0) | (x << 10 & 0x7C00); })));
  Bytes m565;
  m565.u32(0xF800), m565.u32(0x07E0), m565.u32(0x001F);
  Save("bmp", "bitfields16-565.bmp",
       Bmp(40, 16, 3, kH, m565.s, WideRows(16, [&](int x, int y) { return rgb(x, y) & 0xFFFF; })));
  Save("bmp", "rgb24.bmp", Bmp(40, 24, 0, kH, "", WideRows(24, rgb)));
  Save("bmp", "rgb24-v5.bmp", Bmp(124, 24, 0, -kH, "", WideRows(24, rgb)));
  Save("bmp", "rgb32.bmp", Bmp(40, 32, 0, kH, "", WideRows(32, rgb)));
  Bytes m32;
  m32.u32(0x3FF00000), m32.u32(0x000FFC00), m32.u32(0x000003FF);
  Save("bmp", "bitfields32-10bit.bmp", Bmp(40, 32, 3, kH, m32.s, WideRows(32, [&](int x, int y) {
         return rgb(x, y) * 7; })));
  Bytes m32a;
  m32a.u32(0x00FF0000), m32a.u32(0x0000FF00), m32a.u32(0x000000FF), m32a.u32(0xFF000000);
  Save("bmp", "alphabitfields32.bmp", Bmp(40, 32, 6, kH, m32a.s, WideRows(32, rgb)));
  Bytes v4masks;  // masks inside a 108-byte header
  std::string v4 = Bmp(108, 16, 3, kH, "", WideRows(16, [&](int x, int y) { return rgb(x, y) & 0xFFFF; }));
  Bytes masks;
  masks.u32(0xF800), masks.u32(0x07E0), masks.u32(0x001F);
  v4.replace(14 + 40, 12, masks.s);
  Save("bmp", "v4-bitfields16.bmp", v4);
}

// ---- JPEG through libjpeg.

std::string Jpeg(J_COLOR_SPACE space, int components, const std::function<void(jpeg_compress_struct&)>& tune,
                 int width = 24, int height = 16) {
  jpeg_compress_struct info{};
  jpeg_error_mgr error{};
  info.err = jpeg_std_error(&error);
  jpeg_create_compress(&info);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&info, &buffer, &size);
  info.image_width = static_cast<JDIMENSION>(width);
  info.image_height = static_cast<JDIMENSION>(height);
  info.input_components = components;
  info.in_color_space = space;
  jpeg_set_defaults(&info);
  jpeg_set_quality(&info, 75, TRUE);
  tune(info);
  jpeg_start_compress(&info, TRUE);
  std::vector<unsigned char> row(static_cast<size_t>(width * components));
  while (info.next_scanline < info.image_height) {
    for (int x = 0; x < width * components; ++x)
      row[static_cast<size_t>(x)] = static_cast<unsigned char>(x * 9 + info.next_scanline * 17);
    JSAMPROW rows[1] = {row.data()};
    jpeg_write_scanlines(&info, rows, 1);
  }
  jpeg_finish_compress(&info);
  jpeg_destroy_compress(&info);
  std::string out(reinterpret_cast<char*>(buffer), size);
  std::free(buffer);
  return out;
}

void JpegSeeds() {
  const auto none = [](jpeg_compress_struct&) {};
  Save("jpeg", "baseline.jpg", Jpeg(JCS_RGB, 3, none));
  Save("jpeg", "baseline-odd.jpg", Jpeg(JCS_RGB, 3, none, 17, 9));
  Save("jpeg", "progressive.jpg", Jpeg(JCS_RGB, 3, [](auto& i) { jpeg_simple_progression(&i); }));
  Save("jpeg", "grey.jpg", Jpeg(JCS_GRAYSCALE, 1, none));
  Save("jpeg", "grey-progressive.jpg",
       Jpeg(JCS_GRAYSCALE, 1, [](auto& i) { jpeg_simple_progression(&i); }));
  Save("jpeg", "cmyk.jpg", Jpeg(JCS_CMYK, 4, none));
  Save("jpeg", "ycck.jpg", Jpeg(JCS_CMYK, 4, [](auto& i) { jpeg_set_colorspace(&i, JCS_YCCK); }));
  Save("jpeg", "rgb-444.jpg", Jpeg(JCS_RGB, 3, [](auto& i) {
         for (int c = 0; c < 3; ++c) i.comp_info[c].h_samp_factor = i.comp_info[c].v_samp_factor = 1;
       }));
  Save("jpeg", "restarts.jpg", Jpeg(JCS_RGB, 3, [](auto& i) { i.restart_interval = 1; }));
  Save("jpeg", "arithmetic.jpg", Jpeg(JCS_RGB, 3, [](auto& i) { i.arith_code = TRUE; }));
  Save("jpeg", "optimized.jpg", Jpeg(JCS_RGB, 3, [](auto& i) { i.optimize_coding = TRUE; }));
}

// ---- TIFF through libtiff.

struct TiffLayout {
  uint16_t Photometric = PHOTOMETRIC_RGB, Samples = 3, Bits = 8;
  uint16_t Compression = COMPRESSION_NONE, Predictor = 1, Planar = PLANARCONFIG_CONTIG;
  uint16_t Orientation = ORIENTATION_TOPLEFT, ExtraSamples = 0;
  uint32_t Tile = 0, RowsPerStrip = 4;
  int Width = 24, Height = 16;
};

std::string Tiff(const TiffLayout& l) {
  const std::string path = fuzz::Folder() + "/seed.tif";
  TIFF* t = TIFFOpen(path.c_str(), "w");
  TIFFSetField(t, TIFFTAG_IMAGEWIDTH, l.Width);
  TIFFSetField(t, TIFFTAG_IMAGELENGTH, l.Height);
  TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, l.Bits);
  TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, l.Samples);
  TIFFSetField(t, TIFFTAG_PHOTOMETRIC, l.Photometric);
  TIFFSetField(t, TIFFTAG_COMPRESSION, l.Compression);
  TIFFSetField(t, TIFFTAG_PLANARCONFIG, l.Planar);
  TIFFSetField(t, TIFFTAG_ORIENTATION, l.Orientation);
  if (l.Predictor != 1) TIFFSetField(t, TIFFTAG_PREDICTOR, l.Predictor);
  if (l.ExtraSamples) {
    const uint16_t kinds[1] = {EXTRASAMPLE_UNASSALPHA};
    TIFFSetField(t, TIFFTAG_EXTRASAMPLES, 1, kinds);
  }
  if (l.Photometric == PHOTOMETRIC_PALETTE) {
    std::vector<uint16_t> r(1u << l.Bits), g(r.size()), b(r.size());
    for (size_t i = 0; i < r.size(); ++i)
      r[i] = static_cast<uint16_t>(i * 4099), g[i] = static_cast<uint16_t>(65535 - i * 2111),
      b[i] = static_cast<uint16_t>(i * 777);
    TIFFSetField(t, TIFFTAG_COLORMAP, r.data(), g.data(), b.data());
  }
  if (l.Compression == COMPRESSION_JPEG) {
    TIFFSetField(t, TIFFTAG_JPEGQUALITY, 75);
    if (l.Photometric == PHOTOMETRIC_YCBCR) TIFFSetField(t, TIFFTAG_JPEGCOLORMODE, JPEGCOLORMODE_RGB);
  }
  const int planes = l.Planar == PLANARCONFIG_SEPARATE ? l.Samples : 1;
  const int perPixel = l.Planar == PLANARCONFIG_SEPARATE ? 1 : l.Samples;
  const auto sample = [&](int x, int y, int s) {
    const unsigned max = (1u << l.Bits) - 1;
    return static_cast<unsigned>(x * 7 + y * 13 + s * 50) % (max + 1);
  };
  const auto pack = [&](int x0, int count, int y, int plane, std::vector<uint8_t>& out) {
    size_t bit = 0;
    for (int x = x0; x < x0 + count; ++x)
      for (int s = 0; s < perPixel; ++s, bit += l.Bits) {
        const unsigned v = sample(x, y, plane + s);
        if (l.Bits == 16) {
          const uint16_t w = static_cast<uint16_t>(v);
          std::memcpy(&out[bit / 8], &w, 2);
        } else {
          for (int b = 0; b < l.Bits; ++b)
            if (v >> (l.Bits - 1 - b) & 1) out[(bit + b) / 8] |= static_cast<uint8_t>(0x80 >> ((bit + b) % 8));
        }
      }
  };
  if (l.Tile) {
    TIFFSetField(t, TIFFTAG_TILEWIDTH, l.Tile);
    TIFFSetField(t, TIFFTAG_TILELENGTH, l.Tile);
    std::vector<uint8_t> tile(static_cast<size_t>(TIFFTileSize(t)));
    const size_t rowBytes = static_cast<size_t>(TIFFTileRowSize(t));
    for (int p = 0; p < planes; ++p)
      for (int y0 = 0; y0 < l.Height; y0 += static_cast<int>(l.Tile))
        for (int x0 = 0; x0 < l.Width; x0 += static_cast<int>(l.Tile)) {
          std::fill(tile.begin(), tile.end(), 0);
          for (uint32_t r = 0; r < l.Tile; ++r) {
            std::vector<uint8_t> row(rowBytes);
            pack(x0, static_cast<int>(l.Tile), y0 + static_cast<int>(r), p, row);
            std::memcpy(&tile[r * rowBytes], row.data(), rowBytes);
          }
          TIFFWriteTile(t, tile.data(), static_cast<uint32_t>(x0), static_cast<uint32_t>(y0), 0,
                        static_cast<uint16_t>(p));
        }
  } else {
    TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, l.RowsPerStrip);
    for (int p = 0; p < planes; ++p)
      for (int y = 0; y < l.Height; ++y) {
        std::vector<uint8_t> row(static_cast<size_t>(TIFFScanlineSize(t)));
        pack(0, l.Width, y, p, row);
        TIFFWriteScanline(t, row.data(), static_cast<uint32_t>(y), static_cast<uint16_t>(p));
      }
  }
  TIFFClose(t);
  return ReadAll(path);
}

void TiffSeeds() {
  const auto with = [](const std::function<void(TiffLayout&)>& change) {
    TiffLayout l;
    change(l);
    return Tiff(l);
  };
  Save("tiff", "rgb-none.tif", with([](auto&) {}));
  Save("tiff", "rgb-lzw.tif", with([](auto& l) { l.Compression = COMPRESSION_LZW; }));
  Save("tiff", "rgb-lzw-predictor.tif",
       with([](auto& l) { l.Compression = COMPRESSION_LZW, l.Predictor = 2; }));
  Save("tiff", "rgb-deflate.tif", with([](auto& l) { l.Compression = COMPRESSION_ADOBE_DEFLATE; }));
  Save("tiff", "rgb-packbits.tif", with([](auto& l) { l.Compression = COMPRESSION_PACKBITS; }));
  Save("tiff", "rgb-tiles.tif", with([](auto& l) { l.Tile = 16, l.Compression = COMPRESSION_LZW; }));
  Save("tiff", "rgb16.tif", with([](auto& l) { l.Bits = 16; }));
  Save("tiff", "rgba.tif", with([](auto& l) { l.Samples = 4, l.ExtraSamples = 1; }));
  Save("tiff", "grey8.tif", with([](auto& l) { l.Photometric = PHOTOMETRIC_MINISBLACK, l.Samples = 1; }));
  Save("tiff", "grey16-deflate.tif", with([](auto& l) {
         l.Photometric = PHOTOMETRIC_MINISBLACK, l.Samples = 1, l.Bits = 16,
         l.Compression = COMPRESSION_ADOBE_DEFLATE;
       }));
  Save("tiff", "grey4.tif", with([](auto& l) { l.Photometric = PHOTOMETRIC_MINISBLACK, l.Samples = 1, l.Bits = 4; }));
  Save("tiff", "bilevel-g3.tif", with([](auto& l) {
         l.Photometric = PHOTOMETRIC_MINISWHITE, l.Samples = 1, l.Bits = 1, l.Compression = COMPRESSION_CCITTFAX3;
       }));
  Save("tiff", "bilevel-g4.tif", with([](auto& l) {
         l.Photometric = PHOTOMETRIC_MINISWHITE, l.Samples = 1, l.Bits = 1, l.Compression = COMPRESSION_CCITTFAX4;
       }));
  Save("tiff", "palette8.tif", with([](auto& l) { l.Photometric = PHOTOMETRIC_PALETTE, l.Samples = 1; }));
  Save("tiff", "palette4-packbits.tif", with([](auto& l) {
         l.Photometric = PHOTOMETRIC_PALETTE, l.Samples = 1, l.Bits = 4, l.Compression = COMPRESSION_PACKBITS;
       }));
  Save("tiff", "rgb-planar.tif", with([](auto& l) { l.Planar = PLANARCONFIG_SEPARATE; }));
  Save("tiff", "rgb-bottomleft.tif", with([](auto& l) { l.Orientation = ORIENTATION_BOTLEFT; }));
  Save("tiff", "cmyk.tif", with([](auto& l) { l.Photometric = PHOTOMETRIC_SEPARATED, l.Samples = 4; }));
  if (TIFFIsCODECConfigured(COMPRESSION_JPEG)) {
    Save("tiff", "ycbcr-jpeg.tif", with([](auto& l) {
           l.Photometric = PHOTOMETRIC_YCBCR, l.Compression = COMPRESSION_JPEG, l.RowsPerStrip = 16;
         }));
    Save("tiff", "rgb-jpeg-tiles.tif",
         with([](auto& l) { l.Compression = COMPRESSION_JPEG, l.Tile = 16; }));
  }
  Bitmap image(24, 16);
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 24; ++x)
      image.SetPixel(x, y, Rgb{static_cast<uint8_t>(x * 10), static_cast<uint8_t>(y * 15), 99});
  const std::string own = fuzz::Folder() + "/own.tif";
  WriteTiffFile(own, image);
  Save("tiff", "written-here.tif", ReadAll(own));
}

// ---- PNG through libpng.

void PngSeeds() {
  using talvero::testing::PngLayout;
  const auto samples = [](int channels, int depth) {
    return [channels, depth](int x, int y) {
      std::vector<uint32_t> v;
      for (int c = 0; c < channels; ++c) v.push_back(static_cast<uint32_t>(x * 5 + y * 3 + c * 40) % (1u << depth));
      return v;
    };
  };
  struct Kind {
    const char* Name;
    int Colour, Depth, Channels;
    bool Interlaced;
  };
  const Kind kinds[] = {{"rgb8", PNG_COLOR_TYPE_RGB, 8, 3, false},
                        {"rgb16", PNG_COLOR_TYPE_RGB, 16, 3, false},
                        {"rgba8", PNG_COLOR_TYPE_RGBA, 8, 4, false},
                        {"rgba16-interlaced", PNG_COLOR_TYPE_RGBA, 16, 4, true},
                        {"grey1", PNG_COLOR_TYPE_GRAY, 1, 1, false},
                        {"grey4", PNG_COLOR_TYPE_GRAY, 4, 1, false},
                        {"grey16", PNG_COLOR_TYPE_GRAY, 16, 1, false},
                        {"grey-alpha8", PNG_COLOR_TYPE_GRAY_ALPHA, 8, 2, false},
                        {"palette8", PNG_COLOR_TYPE_PALETTE, 8, 1, false},
                        {"palette2-interlaced", PNG_COLOR_TYPE_PALETTE, 2, 1, true}};
  for (const Kind& k : kinds) {
    PngLayout layout{.Width = 24, .Height = 16, .ColourType = k.Colour, .Depth = k.Depth,
                 .Interlaced = k.Interlaced, .Stored = samples(k.Channels, k.Depth)};
    if (k.Colour == PNG_COLOR_TYPE_PALETTE) {
      for (int i = 0; i < (1 << k.Depth); ++i)
        layout.Palette.push_back(Rgb{static_cast<uint8_t>(i * 40), static_cast<uint8_t>(255 - i), 7});
      layout.PaletteAlpha = {0, 128};
    }
    if (k.Colour == PNG_COLOR_TYPE_RGB && k.Depth == 8) layout.Transparent = {5, 45, 85};
    const std::string path = fuzz::Folder() + "/seed.png";
    talvero::testing::WritePng(path, layout);
    Save("png", std::string(k.Name) + ".png", ReadAll(path));
  }
}

// ---- Scene files, through the writers, and lines of other origin.

std::string Scene(bool rcp, TSceneType type, TCubeSuffix suffix, const std::string& base,
                  bool ground, std::string* xscn = nullptr) {
  fuzz::SilentReporter reporter;
  const auto filer = fuzz::NewJob(reporter);
  filer->SetSceneFormat(rcp ? sfRCP : sfFMS);
  filer->SetSceneType(type);
  filer->SetCubeSuffix(suffix);
  filer->SetTextureBasename(base);
  filer->FMSData().SetSceneRotate(Currency::FromLongDouble(12.25L));
  filer->RCPData().SetAirCraftY(Currency::FromLongDouble(-1.7L));
  if (ground)
    filer->GroundDataLines() = {"// sf_GroundDataStart", "QUADS", "1 1 -10 0 -1.5", "2 2 10 0 -1.5",
                                "// sf_GroundDataEnd"};
  const std::string scene = fuzz::Folder() + (rcp ? "/seed.xscn" : "/seed.scn");
  filer->SetSceneFilename(scene);
  filer->PrepareOutputNames();
  filer->RunSceneStage();
  if (xscn) *xscn = ReadAll(scene);
  return ReadAll(rcp ? ChangeFileExt(scene, ".x") : scene);
}

// The file without its "sf_" comment block, as a mesh or scene of other origin has it.
std::string Foreign(const std::string& text) {
  std::string out;
  for (const std::string& line : SplitTextLines(text))
    if (line.rfind("//", 0) != 0) out += line + "\r\n";
  return out;
}

void SceneSeeds(std::vector<std::string>& lines) {
  std::string xscn;
  const std::string fmsCube = Scene(false, stCube, csLeft, "sky", false);
  Save("fms_scene", "cube.scn", fmsCube);
  Save("fms_scene", "cube-zero-ground.scn", Scene(false, stCube, csZero, "it's", true));
  Save("fms_scene", "sphere.scn", Scene(false, stSphere, csLeft, "pano.v2", false));
  Save("fms_scene", "foreign-cube.scn", Foreign(fmsCube));
  Save("fms_scene", "foreign-positions.scn",
       "AIRCRAFT_POSITION -5 0 -1.7 -0.7\r\nPILOT_POSITION 0 0 1.5\r\nPOSITION 0 0 2\r\n"
       "QUADS\r\n0 0 -1 0 -1\r\n1 0 -1 0 -1\r\n1 1 -2 0 -2\r\n0 1 -2 0 -2\r\nTEXTURE land_21\r\n");
  Save("fms_scene", "landscape.scn", "3D_LANDSCAPE\r\nTEXTURE sky_top\r\n");
  const std::string xCube = Scene(true, stCube, csLeft, "sky", false, &xscn);
  Save("x_scene", "cube.x", xCube);
  Save("xscn", "cube.xscn", xscn);
  Save("x_scene", "cube-zero.x", Scene(true, stCube, csZero, "sky", false));
  const std::string xSphere = Scene(true, stSphere, csLeft, "globe", false);
  Save("x_scene", "sphere.x", xSphere);
  Save("x_scene", "foreign-cube.x", Foreign(xCube));
  Save("x_scene", "foreign-sphere.x", Foreign(xSphere));
  Save("xscn", "values.xscn",
       Utf8ToCp932("Light.Direction=1,-2,3\r\nLight.Diffuse=0.5,1,0.25\r\nLight.Specular=1.0,1.0,1.0\r\n"
                   "Light.Ambient=0.2,0.2,0.2\r\nPlane.Position=-8.5,0,3.25\t\t//位置\r\n"
                   "Plane.Direction=90.0\r\nPlane.Other=1\r\n"));
  for (const std::string& text : {fmsCube, xCube, xscn})
    for (const std::string& line : SplitTextLines(Cp932ToUtf8(text))) lines.push_back(line);
}

void TextSeeds(const std::vector<std::string>& lines) {
  std::vector<std::string> chosen = {
      "TEXTURE sky_top", "'it''s'#13#10'x'", "#65#0#1114112#55296'", "$FF $ -", "1-2 1e+3d 3D_LANDSCAPE",
      "Light.Direction=0.5,1,2", "1.5E-5s 7x 0.25C", "sf_TextureBasename : 'sky'",
      " 4;0,1,2,3;,", "\xE4\xBD\x8D\xE7\xBD\xAE X=1"};
  // A spread of the scene files' own lines, each kind once.
  for (size_t i = 0; i < lines.size(); i += 7)
    if (!lines[i].empty()) chosen.push_back(lines[i]);
  for (size_t i = 0; i < chosen.size(); ++i) Save("tokenizer", "line" + std::to_string(i), chosen[i]);

  const std::vector<std::string> texts = {
      "//xファイルの座標系で設定", "ｶﾀｶﾅ and ASCII", "①Ⅻ㈱≒∵", "扱えない画像ファイルです。",
      "～∥－￠￡￢"};
  for (size_t i = 0; i < texts.size(); ++i) {
    std::string bytes;
    try {
      bytes = Utf8ToCp932(texts[i]);
    } catch (const std::exception&) {
      bytes = texts[i];  // the UTF-8 form is a seed as well
    }
    Save("cp932", "text" + std::to_string(i), bytes);
    Save("cp932", "utf8-" + std::to_string(i), texts[i]);
  }
  Save("cp932", "nec-ibm-rows", "\x87\x40\x87\x90\xED\x40\xFA\x40\xFA\x54\x81\xCA");
  Save("cp932", "broken", "\x81\x20\xA0\xFD\xFE\xFF\x82");
}

// Settings files: section, key, value, another section and key for the harness, each ended
// by a backslash and one more byte, then the file itself.
void IniSeeds() {
  const auto seed = [](const std::string& name, std::vector<std::string> fields, const std::string& file) {
    std::string bytes;
    for (const std::string& f : fields) bytes += f + "\\|";
    Save("ini", name, bytes + file);
  };
  const std::string talvero =
      "[data]\nShowGuide=0\nShowImage=1\nCreateSceneFile=1\nCreateDividedImage=1\nImageSizeMode=1\n"
      "ImageType=0\nSceneFormat=0\nSceneType=0\nCheckImageFileOverWrite=1\nCheckSceneFileOverWrite=0\n"
      "FormLeft=200\nFormTop=100\nFormWidth=644\nFormHeight=600\nCubeSuffix=0\n";
  seed("window", {"data", "FormWidth", "800", "data", "FormTop"}, talvero);
  seed("new-key", {"data", "NewKey", " padded ", "DATA", "formleft"}, talvero);
  seed("new-section", {"other", "Key", "\"quoted\"", "data", "ShowGuide"}, talvero);
  seed("crlf-bom", {"Data", "a", "x=y", "data", "b"},
       "\xEF\xBB\xBF; comment\r\n[data]\r\n a = 1 \r\nb='2'\r\n\r\n[next]\r\nc=3");
  seed("empty", {"data", "ShowImage", "1", "data", "ShowGuide"}, "");
  seed("duplicates", {"s", "k", "new", "s", "k"}, "[s]\nk=1\nk=2\n[s]\nk=3\n[unterminated\nk=4\n");
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
    return 2;
  }
  gRoot = argv[1];
  std::vector<std::string> lines;
  BmpSeeds();
  JpegSeeds();
  TiffSeeds();
  PngSeeds();
  SceneSeeds(lines);
  TextSeeds(lines);
  IniSeeds();
  return 0;
}
