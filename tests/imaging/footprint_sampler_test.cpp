// Footprint-matched sampling of a panorama: the taps' weights add up to one, columns wrap at
// the seam, a fine pattern shrinks to its mean, and the halved polar copies give what the
// panorama itself holds.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "common/image_test_util.h"
#include "imaging/bitmap.h"
#include "imaging/footprint_sampler.h"

namespace talvero {
namespace {

using testing::Describe;
using testing::Near;

constexpr double kFootprintPi = 3.14159265358979323846;

// The sampler writes blue, green, red.
Rgb FootprintColour(const uint8_t* out) { return Rgb{out[2], out[1], out[0]}; }

Rgb SampledFootprint(const Bitmap& panorama, const Footprint& at) {
  uint8_t out[3];
  SampleFootprint(panorama, at, out);
  return FootprintColour(out);
}

Rgb SampledFromSource(const FootprintSource& source, const Footprint& at) {
  uint8_t out[3];
  source.Sample(at, out);
  return FootprintColour(out);
}

std::string DescribeFootprint(const Footprint& at) {
  return "at (" + std::to_string(at.U) + ", " + std::to_string(at.V) + ") steps (" +
         std::to_string(at.UX) + ", " + std::to_string(at.VX) + ") (" + std::to_string(at.UY) +
         ", " + std::to_string(at.VY) + ")";
}

TEST(FootprintSampler, AFlatPanoramaStaysExactlyFlatEverywhere) {
  constexpr Rgb kFlat{201, 94, 17};
  Bitmap panorama(512, 256);
  panorama.Fill(kFlat);
  const FootprintSource source(panorama);
  const double w = panorama.Width(), h = panorama.Height();

  std::vector<Footprint> footprints = {
      {0, 0, w, 0, 0, 1},               // a whole row at the top pole
      {w / 2, h - 1, w, 0, 0, 0.5},     // and at the bottom one
      {w - 0.5, h / 2, 9, 1, -1, 9},    // across the seam
      {-0.3, 3, 300, 0.2, 0.1, 2},      // left of the seam, in a polar copy
      {100, 128, 1e4, 1e4, -1e4, 1e4},  // the most taps
      {17.25, 40.75, 0.5, 0, 0, 0.5},   // one bilinear tap
  };
  // Random footprints of every size, anywhere within a turn of the panorama.
  std::mt19937 random(34);
  std::uniform_real_distribution<double> unit(0, 1), sign(-1, 1);
  for (int i = 0; i < 2000; ++i) {
    const double scale = std::pow(10.0, 4 * unit(random) - 2);  // 0.01 ... 100 pixels
    footprints.push_back({(3 * unit(random) - 1) * w, unit(random) * (h + 4) - 2,
                          sign(random) * scale * 4, sign(random) * scale, sign(random) * scale,
                          sign(random) * scale});
  }
  int wrong = 0;
  std::string first;
  for (const Footprint& at : footprints) {
    const Rgb whole = SampledFootprint(panorama, at), copy = SampledFromSource(source, at);
    if ((whole != kFlat || copy != kFlat) && wrong++ == 0)
      first = Describe(whole) + " and " + Describe(copy) + " from the polar copies, " +
              DescribeFootprint(at);
  }
  EXPECT_EQ(wrong, 0) << "of " << footprints.size() << " footprints; the first: " << first;

  // Resized smoothly, smaller and larger, by uneven factors.
  for (const auto& [width, height] : {std::pair{100, 50}, std::pair{700, 350}}) {
    Bitmap resized(width, height);
    ResizePanoramaSmooth(resized, panorama);
    for (int32_t y = 0; y < height; ++y)
      for (int32_t x = 0; x < width; ++x)
        ASSERT_EQ(resized.GetPixel(x, y), kFlat)
            << width << "x" << height << " at " << x << "," << y;
  }
}

// Bilinear interpolation written out: columns wrap round, rows are clamped.
Rgb ReferenceBilinear(const Bitmap& panorama, double u, double v) {
  const int w = panorama.Width(), h = panorama.Height();
  const double fu = std::floor(u), fv = std::floor(v), a = u - fu, b = v - fv;
  auto pixel = [&](double column, double row) {
    const int x = ((static_cast<int>(column) % w) + w) % w;
    const int y = std::clamp(static_cast<int>(row), 0, h - 1);
    return panorama.GetPixel(x, y);
  };
  const Rgb p00 = pixel(fu, fv), p10 = pixel(fu + 1, fv), p01 = pixel(fu, fv + 1),
            p11 = pixel(fu + 1, fv + 1);
  auto mix = [&](uint8_t Rgb::*channel) {
    const double value = (1 - a) * (1 - b) * p00.*channel + a * (1 - b) * p10.*channel +
                         (1 - a) * b * p01.*channel + a * b * p11.*channel;
    return static_cast<uint8_t>(std::floor(value + 0.5));
  };
  return Rgb{mix(&Rgb::R), mix(&Rgb::G), mix(&Rgb::B)};
}

TEST(FootprintSampler, ColumnsWrapRoundTheSeamAndRowsAreClamped) {
  const Bitmap panorama = testing::Numbered(64, 32);
  const double w = panorama.Width();
  for (const double v : {0.0, 5.0, 7.4, 31.0}) {
    uint8_t left[3], right[3];
    // Just left of column 0 lies the last column.
    SampleBilinear(panorama, -0.2, v, left);
    SampleBilinear(panorama, w - 0.2, v, right);
    EXPECT_EQ(FootprintColour(left), FootprintColour(right)) << "v " << v;
    EXPECT_TRUE(Near(FootprintColour(left), ReferenceBilinear(panorama, -0.2, v), 1)) << "v " << v;
    // A footprint of several taps across the seam, from either side.
    const Footprint across{-0.2, v, 5, 0, 0, 1};
    Footprint turned = across;
    turned.U += w;
    EXPECT_TRUE(Near(SampledFootprint(panorama, across), SampledFootprint(panorama, turned), 1))
        << "v " << v;
  }
  // Rows beyond the poles repeat the first and last rows.
  uint8_t above[3], below[3];
  SampleBilinear(panorama, 10.5, -0.7, above);
  SampleBilinear(panorama, 10.5, 31.6, below);
  EXPECT_EQ(FootprintColour(above), ReferenceBilinear(panorama, 10.5, 0));
  EXPECT_EQ(FootprintColour(below), ReferenceBilinear(panorama, 10.5, 31));
}

// At a quarter and at about a sixth (where a single tap per pixel would keep the pattern at
// almost full contrast) the taps spread over each footprint average the pattern away.
TEST(FootprintSampler, AOnePixelCheckerboardShrinksToFlatGrey) {
  Bitmap board(512, 256);
  for (int32_t y = 0; y < board.Height(); ++y)
    for (int32_t x = 0; x < board.Width(); ++x)
      if ((x + y) % 2) board.SetPixel(x, y, Rgb{0, 0, 0});
  for (const auto& [width, height] : {std::pair{128, 64}, std::pair{85, 42}}) {
    Bitmap shrunk(width, height);
    ResizePanoramaSmooth(shrunk, board);
    for (int32_t y = 0; y < height; ++y)
      for (int32_t x = 0; x < width; ++x)
        ASSERT_TRUE(Near(shrunk.GetPixel(x, y), Rgb{128, 128, 128}, 2))
            << width << "x" << height << " at " << x << "," << y << " (aliasing)";
  }
}

// A smooth panorama: a few waves along the rows and down the columns.
Bitmap Waves(int32_t width, int32_t height) {
  Bitmap panorama(width, height);
  for (int32_t y = 0; y < height; ++y)
    for (int32_t x = 0; x < width; ++x) {
      const double u = 2 * kFootprintPi * x / width, v = kFootprintPi * y / height;
      auto level = [](double value) {
        return static_cast<uint8_t>(std::lround(128 + 100 * value));
      };
      panorama.SetPixel(
          x, y,
          Rgb{level(std::sin(3 * u)), level(std::cos(12 * v)), level(std::sin(2 * u + 6 * v))});
    }
  return panorama;
}

TEST(FootprintSampler, PolarCopiesGiveWhatThePanoramaHolds) {
  const Bitmap panorama = Waves(1024, 512);
  const FootprintSource source(panorama);
  const double w = panorama.Width(), h = panorama.Height();
  std::mt19937 random(700);
  std::uniform_real_distribution<double> unit(0, 1);
  int worst = 0;
  std::string where;
  for (int i = 0; i < 4000; ++i) {
    // Footprints near either pole spanning many columns and a row or two.
    const bool top = i % 2 == 0;
    const double v = top ? unit(random) * 40 : h - 1 - unit(random) * 40;
    const Footprint at{(2 * unit(random) - 0.5) * w, v,
                       4 + unit(random) * 200,       unit(random) - 0.5,
                       unit(random) * 2 - 1,         0.5 + unit(random)};
    const Rgb copy = SampledFromSource(source, at), whole = SampledFootprint(panorama, at);
    const int difference = std::max(
        {std::abs(copy.R - whole.R), std::abs(copy.G - whole.G), std::abs(copy.B - whole.B)});
    if (difference > worst) {
      worst = difference;
      where = Describe(copy) + " from the copies, " + Describe(whole) + " from the panorama, " +
              DescribeFootprint(at);
    }
  }
  // The copies filter a little differently, never by more than this.
  EXPECT_LE(worst, 4) << where;
}

}  // namespace
}  // namespace talvero
