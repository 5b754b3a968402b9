// Writes PNG files of every kind with libpng itself, for the tests of the PNG reader.
#pragma once

#include <gtest/gtest.h>
#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "imaging/bitmap.h"

namespace talvero::testing {

struct PngLayout {
  int Width = 0, Height = 0;
  int ColourType = PNG_COLOR_TYPE_RGB;
  int Depth = 8;
  bool Interlaced = false;
  // The samples of pixel (x, y) in file order: grey, grey + alpha, index, RGB or RGBA.
  std::function<std::vector<uint32_t>(int x, int y)> Stored;
  std::vector<Rgb> Palette;             // palette images
  std::vector<uint8_t> PaletteAlpha;    // tRNS of a palette image (may be shorter)
  std::vector<uint16_t> Transparent;    // tRNS colour of a grey (1 value) or RGB (3) image
  // Text chunks before the pixels: iTXt (uncompressed) when international, else tEXt.
  struct Text {
    std::string Key, Value;
    bool International = true;
  };
  std::vector<Text> Texts;
};

inline int PngChannels(int colourType) {
  switch (colourType) {
    case PNG_COLOR_TYPE_GRAY:
    case PNG_COLOR_TYPE_PALETTE:
      return 1;
    case PNG_COLOR_TYPE_GRAY_ALPHA:
      return 2;
    case PNG_COLOR_TYPE_RGB:
      return 3;
    default:
      return 4;
  }
}

// One row packed as the file stores it: samples MSB first below 8 bits, 16 bits big-endian.
inline std::vector<uint8_t> PackPngRow(const PngLayout& layout, int y) {
  const int channels = PngChannels(layout.ColourType);
  std::vector<uint8_t> row((static_cast<size_t>(layout.Width) * channels * layout.Depth + 7) / 8);
  size_t bit = 0;
  for (int x = 0; x < layout.Width; ++x)
    for (uint32_t value : layout.Stored(x, y)) {
      if (layout.Depth == 16) {
        row[bit / 8] = static_cast<uint8_t>(value >> 8);
        row[bit / 8 + 1] = static_cast<uint8_t>(value);
        bit += 16;
      } else {
        for (int b = layout.Depth - 1; b >= 0; --b, ++bit)
          if (value >> b & 1) row[bit / 8] |= static_cast<uint8_t>(0x80 >> (bit % 8));
      }
    }
  return row;
}

// Everything libpng needs to write one file. False when libpng refuses.
struct PngWriteJob {
  const PngLayout* Layout;
  std::FILE* File;
  png_bytep* Rows;
  std::vector<png_color>* Palette;
  std::vector<png_text>* Texts;
};

inline bool WritePngWithLibpng(png_structp png, png_infop info, const PngWriteJob* job) {
  if (setjmp(png_jmpbuf(png))) return false;
  const PngLayout& layout = *job->Layout;
  png_init_io(png, job->File);
  // Some tests need indexes beyond the palette on purpose.
  png_set_check_for_invalid_index(png, 0);
  png_set_IHDR(png, info, static_cast<png_uint_32>(layout.Width),
               static_cast<png_uint_32>(layout.Height), layout.Depth, layout.ColourType,
               layout.Interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  if (!job->Palette->empty())
    png_set_PLTE(png, info, job->Palette->data(), static_cast<int>(job->Palette->size()));
  if (!layout.PaletteAlpha.empty())
    png_set_tRNS(png, info, layout.PaletteAlpha.data(), static_cast<int>(layout.PaletteAlpha.size()),
                 nullptr);
  if (!job->Texts->empty())
    png_set_text(png, info, job->Texts->data(), static_cast<int>(job->Texts->size()));
  if (!layout.Transparent.empty()) {
    png_color_16 colour{};
    if (layout.Transparent.size() == 1) {
      colour.gray = layout.Transparent[0];
    } else {
      colour.red = layout.Transparent[0];
      colour.green = layout.Transparent[1];
      colour.blue = layout.Transparent[2];
    }
    png_set_tRNS(png, info, nullptr, 0, &colour);
  }
  png_write_info(png, info);
  if (layout.Interlaced) png_set_interlace_handling(png);
  png_write_image(png, job->Rows);
  png_write_end(png, nullptr);
  return true;
}

// Writes the file; a test failure when libpng refuses.
inline void WritePng(const std::string& path, const PngLayout& layout) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  ASSERT_NE(file, nullptr) << path;
  std::vector<std::vector<uint8_t>> rows;
  for (int y = 0; y < layout.Height; ++y) rows.push_back(PackPngRow(layout, y));
  std::vector<png_bytep> pointers;
  for (auto& row : rows) pointers.push_back(row.data());
  std::vector<png_color> palette;
  for (const Rgb& c : layout.Palette) palette.push_back(png_color{c.R, c.G, c.B});
  std::vector<png_text> texts;
  for (const PngLayout::Text& text : layout.Texts) {
    png_text chunk{};
    chunk.compression = text.International ? PNG_ITXT_COMPRESSION_NONE : PNG_TEXT_COMPRESSION_NONE;
    chunk.key = const_cast<char*>(text.Key.c_str());  // libpng only reads them
    chunk.text = const_cast<char*>(text.Value.c_str());
    chunk.text_length = text.Value.size();
    texts.push_back(chunk);
  }

  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  const PngWriteJob job{&layout, file, pointers.data(), &palette, &texts};
  const bool written = WritePngWithLibpng(png, info, &job);
  png_destroy_write_struct(&png, &info);
  std::fclose(file);
  ASSERT_TRUE(written) << "libpng could not write " << path;
}

}  // namespace talvero::testing
