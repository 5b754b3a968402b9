// The sample panorama: its compass letters stand at their headings, so that the faces made
// from it show which way they look.
#include <gtest/gtest.h>

#include "cli/sample_panorama.h"
#include "support/errors.h"

namespace talvero {
namespace {

// Columns holding a pixel of the colour in the upper half of the big letters, above the
// smaller marks between them.
std::vector<bool> ColumnsWith(const Bitmap& image, Rgb color) {
  std::vector<bool> columns(image.Width(), false);
  const int32_t top = image.Height() * 72 / 180, bottom = image.Height() * 77 / 180;
  for (int32_t y = top; y < bottom; ++y)
    for (int32_t x = 0; x < image.Width(); ++x)
      if (image.GetPixel(x, y) == color) columns[x] = true;
  return columns;
}

bool AnyIn(const std::vector<bool>& columns, int32_t from, int32_t to) {
  for (int32_t x = from; x < to; ++x)
    if (columns[x]) return true;
  return false;
}

TEST(SamplePanoramaTest, CompassLettersStandAtTheirHeadings) {
  const Bitmap image = MakeSamplePanorama(1024);
  ASSERT_EQ(image.Width(), 1024);
  ASSERT_EQ(image.Height(), 512);
  EXPECT_EQ(HeadingColumn(0, 1024), 512);
  EXPECT_EQ(HeadingColumn(90, 1024), 768);
  EXPECT_EQ(HeadingColumn(180, 1024), 0);
  EXPECT_EQ(HeadingColumn(-90, 1024), 256);

  // North, in red, only around the middle column.
  const std::vector<bool> red = ColumnsWith(image, kNorthColor);
  for (int32_t x = 0; x < 1024; ++x) EXPECT_TRUE(!red[x] || std::abs(x - 512) < 30) << x;
  EXPECT_TRUE(AnyIn(red, 500, 524));

  // White letters in the big rows: around West, East and (split over both edges) South.
  const std::vector<bool> white = ColumnsWith(image, kMarkColor);
  auto near = [](int32_t x, int32_t centre) { return std::abs(x - centre) < 30; };
  for (int32_t x = 0; x < 1024; ++x)
    EXPECT_TRUE(!white[x] || near(x, 256) || near(x, 768) || x < 30 || x > 1024 - 30) << x;
  EXPECT_TRUE(AnyIn(white, 244, 268));
  EXPECT_TRUE(AnyIn(white, 756, 780));
  EXPECT_TRUE(AnyIn(white, 0, 12));
  EXPECT_TRUE(AnyIn(white, 1012, 1024));
}

TEST(SamplePanoramaTest, RefusesWidthsTooSmallForTheMarks) {
  EXPECT_THROW(MakeSamplePanorama(kMinSampleWidth - 1), ImageError);
  EXPECT_EQ(MakeSamplePanorama(kMinSampleWidth + 1).Width(), kMinSampleWidth);
}

}  // namespace
}  // namespace talvero
