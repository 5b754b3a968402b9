// The working image: creation limits, rectangle copies and the nearest-neighbour stretch.
#include <gtest/gtest.h>

#include <array>
#include <utility>

#include "common/image_test_util.h"
#include "imaging/bitmap.h"
#include "support/errors.h"

namespace talvero {
namespace {

using testing::Numbered;

TEST(Bitmap, NewImagesAreWhiteAndSizesAreChecked) {
  Bitmap image(5, 3);
  EXPECT_EQ(image.RowBytes(), 15u);  // rows are packed
  EXPECT_EQ(image.GetPixel(4, 2), kWhite);
  EXPECT_EQ(image.Row(1), image.Row(0) + 15);
  Bitmap alpha(2, 2, PixelFormat::Bgra32);
  EXPECT_EQ(alpha.Row(1)[3], 255);
  EXPECT_TRUE(Bitmap().Empty());

  EXPECT_THROW(Bitmap(-1, 5), ImageError);
  EXPECT_THROW(Bitmap(1 << 21, 1), ImageError);
  // 2^20 squared at 3 bytes is 3 TB: refused before any allocation is tried.
  EXPECT_THROW(Bitmap::Uninitialized(1 << 20, 1 << 20), ImageError);
  EXPECT_NE(Bitmap::SizeProblem(1 << 20, 1 << 20, PixelFormat::Bgr24).find("memory"),
            std::string::npos);
  EXPECT_EQ(Bitmap::SizeProblem(8192, 4096, PixelFormat::Bgr24), "");
}

TEST(Bitmap, CopyRectMovesRectanglesAndConvertsFormats) {
  const Bitmap source = Numbered(6, 4);
  Bitmap target(5, 5);
  CopyRect(target, 1, 2, source, 3, 1, 3, 2);
  EXPECT_EQ(target.GetPixel(1, 2), source.GetPixel(3, 1));
  EXPECT_EQ(target.GetPixel(3, 3), source.GetPixel(5, 2));
  EXPECT_EQ(target.GetPixel(0, 2), kWhite);
  EXPECT_EQ(target.GetPixel(4, 3), kWhite);

  Bitmap wide(6, 4, PixelFormat::Bgra32);
  wide.Fill(Rgb{1, 2, 3});
  wide.Row(0)[3] = 0;
  CopyRect(wide, 0, 0, source, 0, 0, 6, 4);
  EXPECT_EQ(wide.GetPixel(5, 3), source.GetPixel(5, 3));
  EXPECT_EQ(wide.Row(0)[3], 255);
  Bitmap back(6, 4);
  CopyRect(back, 0, 0, wide, 0, 0, 6, 4);
  EXPECT_TRUE(back.SamePixels(source));

  EXPECT_THROW(CopyRect(target, 3, 0, source, 0, 0, 3, 1), std::out_of_range);
  EXPECT_THROW(CopyRect(target, 0, 0, source, 0, 3, 1, 2), std::out_of_range);
  EXPECT_THROW(CopyRect(target, -1, 0, source, 0, 0, 1, 1), std::out_of_range);
}

TEST(Bitmap, StretchPicksTheSourcePixelUnderEachTargetCentre) {
  for (const auto& [sw, sh, tw, th] : {std::array{7, 5, 3, 2}, std::array{3, 2, 8, 7},
                                       std::array{10, 4, 10, 9}, std::array{5, 9, 2, 9}}) {
    for (const PixelFormat format : {PixelFormat::Bgr24, PixelFormat::Bgra32}) {
      const Bitmap source = Numbered(sw, sh, format);
      Bitmap target(tw, th, format);
      StretchDraw(target, source);
      for (int64_t y = 0; y < th; ++y)
        for (int64_t x = 0; x < tw; ++x)
          ASSERT_EQ(target.GetPixel(static_cast<int32_t>(x), static_cast<int32_t>(y)),
                    source.GetPixel(static_cast<int32_t>((2 * x + 1) * sw / (2 * tw)),
                                    static_cast<int32_t>((2 * y + 1) * sh / (2 * th))))
              << sw << "x" << sh << " -> " << tw << "x" << th << " at " << x << "," << y;
    }
  }
  const Bitmap source = Numbered(9, 6);
  Bitmap same(9, 6);
  StretchDraw(same, source);
  EXPECT_TRUE(same.SamePixels(source));
}

TEST(Bitmap, StretchRowRangesAddUpToTheWhole) {
  const Bitmap source = Numbered(13, 5);
  Bitmap whole(20, 11), pieces(20, 11);
  StretchDraw(whole, source);
  // Ranges that start inside a run of repeated rows must not depend on the row above.
  for (const auto& [begin, end] : {std::pair{0, 3}, std::pair{3, 4}, std::pair{4, 11}})
    StretchDrawRows(pieces, source, begin, end);
  EXPECT_TRUE(pieces.SamePixels(whole));
  EXPECT_THROW(StretchDrawRows(pieces, source, 5, 12), std::out_of_range);
  Bitmap other(3, 3, PixelFormat::Bgra32);
  EXPECT_THROW(StretchDraw(other, source), std::invalid_argument);
}

TEST(Bitmap, ShrinkAveragesEachBoxOfSourcePixels) {
  // A checkerboard of v - 20 and v + 20 in 4 × 4 blocks: each block's mean is its v.
  Bitmap blocks(16, 8);
  for (int32_t y = 0; y < 8; ++y)
    for (int32_t x = 0; x < 16; ++x) {
      const auto v = static_cast<uint8_t>(40 + 30 * (x / 4) + 60 * (y / 4) + ((x + y) % 2 ? 20 : -20));
      blocks.SetPixel(x, y, {v, static_cast<uint8_t>(255 - v), 7});
    }
  const Bitmap means = ShrinkByAreas(blocks, 4, 2);
  for (int32_t y = 0; y < 2; ++y)
    for (int32_t x = 0; x < 4; ++x) {
      const auto v = static_cast<uint8_t>(40 + 30 * x + 60 * y);
      EXPECT_EQ(means.GetPixel(x, y), (Rgb{v, static_cast<uint8_t>(255 - v), 7})) << x << "," << y;
    }
  // Ten columns into four: boxes of 2, 3, 2 and 3 columns; a white line in column 4 is a third
  // of the second box only.
  Bitmap line(10, 3);
  line.Fill({0, 0, 0});
  for (int32_t y = 0; y < 3; ++y) line.SetPixel(4, y, kWhite);
  const Bitmap narrow = ShrinkByAreas(line, 4, 1);
  EXPECT_EQ(narrow.GetPixel(0, 0), (Rgb{0, 0, 0}));
  EXPECT_EQ(narrow.GetPixel(1, 0), (Rgb{85, 85, 85}));
  EXPECT_EQ(narrow.GetPixel(2, 0), (Rgb{0, 0, 0}));
  EXPECT_THROW(ShrinkByAreas(line, 11, 1), std::invalid_argument);
}

}  // namespace
}  // namespace talvero
