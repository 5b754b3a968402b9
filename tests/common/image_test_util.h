// Helpers of the image tests: patterned images and pixel comparisons.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "imaging/bitmap.h"
#include "support/errors.h"

namespace talvero::testing {

// Little-endian fields of hand-made image files.
inline void Put16(std::string& s, uint32_t v) {
  s += static_cast<char>(v & 0xFF);
  s += static_cast<char>((v >> 8) & 0xFF);
}
inline void Put32(std::string& s, uint32_t v) {
  Put16(s, v & 0xFFFF);
  Put16(s, v >> 16);
}

// Palette entry i: (i, 255 − i, 3i mod 256).
inline Rgb PaletteColor(uint32_t i) {
  return Rgb{static_cast<uint8_t>(i), static_cast<uint8_t>(255 - i), static_cast<uint8_t>(i * 3)};
}

// Every pixel a different colour, so that a misplaced pixel shows.
inline Bitmap Numbered(int32_t width, int32_t height, PixelFormat format = PixelFormat::Bgr24) {
  Bitmap image(width, height, format);
  for (int32_t y = 0; y < height; ++y)
    for (int32_t x = 0; x < width; ++x)
      image.SetPixel(x, y, Rgb{static_cast<uint8_t>(x * 16 + y), static_cast<uint8_t>(y * 8 + x),
                               static_cast<uint8_t>(x * 7 + y * 13)});
  return image;
}

inline std::string Describe(Rgb c) {
  std::string text = "(";  // appended, not prefixed: GCC 12 -O3 misreads prefixing (-Wrestrict)
  text += std::to_string(c.R) + "," + std::to_string(c.G) + "," + std::to_string(c.B) + ")";
  return text;
}

// Each channel within `tolerance` (for lossy codecs).
inline ::testing::AssertionResult Near(Rgb actual, Rgb expected, int tolerance) {
  if (std::abs(actual.R - expected.R) <= tolerance && std::abs(actual.G - expected.G) <= tolerance &&
      std::abs(actual.B - expected.B) <= tolerance)
    return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << Describe(actual) << " is not near " << Describe(expected);
}

// The first differing pixel, for readable failures of whole-image comparisons.
inline ::testing::AssertionResult SameImage(const Bitmap& actual, const Bitmap& expected) {
  if (actual.Width() != expected.Width() || actual.Height() != expected.Height())
    return ::testing::AssertionFailure()
           << actual.Width() << "x" << actual.Height() << " instead of " << expected.Width() << "x"
           << expected.Height();
  for (int32_t y = 0; y < actual.Height(); ++y)
    for (int32_t x = 0; x < actual.Width(); ++x)
      if (actual.GetPixel(x, y) != expected.GetPixel(x, y))
        return ::testing::AssertionFailure()
               << "pixel " << x << "," << y << " is " << Describe(actual.GetPixel(x, y))
               << " instead of " << Describe(expected.GetPixel(x, y));
  return ::testing::AssertionSuccess();
}

// Runs `action` and returns the ImageError's message (empty when none was thrown).
template <typename F>
std::string ImageErrorOf(F&& action) {
  try {
    action();
  } catch (const ImageError& error) {
    return error.what();
  }
  return {};
}

}  // namespace talvero::testing
