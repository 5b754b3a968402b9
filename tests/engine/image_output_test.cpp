// Writing divided images and the "fms_vista" texture.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "common/image_test_util.h"
#include "common/test_support.h"
#include "engine/sim_filer.h"
#include "imaging/image_codecs.h"
#include "support/errors.h"

namespace talvero {
namespace {

using testing::Near;
using testing::Numbered;
using testing::ReadAll;
using testing::SameImage;
using testing::TempDir;

constexpr Rgb kNavy{0, 0, 128};
constexpr Rgb kYellow{255, 255, 0};

class ImageOutputTest : public ::testing::Test {
 protected:
  ImageOutputTest() : filer(TSimFiler::Create()) {
    filer->SetSceneFilename(dir.File("scene.scn"));
    filer->OnProgress = [this](TSimFiler&, const std::string& text, TSimProgressMode mode) {
      EXPECT_EQ(mode, spAppend);
      progress.push_back(text);
    };
  }
  std::vector<std::string> Files() const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir.Path()))
      names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }

  TempDir dir;
  std::unique_ptr<TSimFiler> filer;
  std::vector<std::string> progress;
};

TEST_F(ImageOutputTest, SaveImageWritesTheChosenFormat) {
  const Bitmap face = Numbered(16, 16);
  const std::pair<TExtractImageType, ImageFormat> types[] = {
      {eiBitmap, ImageFormat::Bmp}, {eiJpeg, ImageFormat::Jpeg}, {eiTiff, ImageFormat::Tiff}};
  for (const auto& [type, format] : types) {
    filer->SetExtractImageType(type);
    const std::string path = dir.File("face");
    filer->SaveImage(face, path);
    ASSERT_EQ(DetectImageFormat(path), format);
    const Bitmap back = ReadImage(path, format);
    if (type == eiJpeg)
      EXPECT_TRUE(Near(back.GetPixel(8, 8), face.GetPixel(8, 8), 24));
    else
      EXPECT_TRUE(SameImage(back, face));
  }
}

TEST_F(ImageOutputTest, FailedWritesLeaveThePreviousFileAlone) {
  const std::string path = dir.Write("face.jpg", "previous");
  filer->SetExtractImageType(eiJpeg);
  // Wider than JPEG allows: libjpeg fails after the file was opened.
  EXPECT_THROW(filer->SaveImage(Bitmap(70000, 1), path), ImageError);
  EXPECT_EQ(ReadAll(path), "previous");
  EXPECT_EQ(Files(), std::vector<std::string>{"face.jpg"});

  filer->SetExtractImageType(eiBitmap);
  EXPECT_THROW(filer->SaveImage(Numbered(2, 2), dir.File("gone/face.bmp")), FileError);
}

// The texture's pixels that are not navy, by colour, with their bounding box per text line.
struct LineInk {
  std::set<std::pair<int, int>> Colours;  // (R, B) is enough to tell yellow from white
  int Left = 255, Right = -1, Count = 0;
};

TEST_F(ImageOutputTest, VistaTextureIsNavyWithFourCentredLines) {
  filer->WriteVistaTexture();
  EXPECT_EQ(progress, std::vector<std::string>{"fms_vista.bmp"});
  const Bitmap texture = ReadBmpFile(dir.File("fms_vista.bmp"));
  ASSERT_EQ(texture.Width(), 255);
  ASSERT_EQ(texture.Height(), 255);

  const int tops[4] = {65, 100, 135, 170};
  const int characters[4] = {15, 17, 2, 13};  // "255 * 255 pixel", "Needed to run FMS", ...
  LineInk lines[4];
  for (int y = 0; y < 255; ++y)
    for (int x = 0; x < 255; ++x) {
      const Rgb c = texture.GetPixel(x, y);
      if (c == kNavy) continue;
      int line = 0;
      while (line < 4 && !(y >= tops[line] && y < tops[line] + 20)) ++line;
      ASSERT_LT(line, 4) << "ink outside the text lines at " << x << "," << y;
      LineInk& ink = lines[line];
      ink.Colours.insert({c.R, c.B});
      ink.Left = std::min(ink.Left, x);
      ink.Right = std::max(ink.Right, x);
      ++ink.Count;
    }
  for (int i = 0; i < 4; ++i) {
    SCOPED_TRACE(i);
    const Rgb colour = i < 2 ? kYellow : kWhite;
    EXPECT_EQ(lines[i].Colours, (std::set<std::pair<int, int>>{{colour.R, colour.B}}));
    // Centred 8-pixel cells: the ink lies inside them and reaches into the first and last.
    const int left = (255 - 8 * characters[i]) / 2, right = left + 8 * characters[i];
    EXPECT_GE(lines[i].Left, left);
    EXPECT_LT(lines[i].Left, left + 8);
    EXPECT_LT(lines[i].Right, right);
    EXPECT_GE(lines[i].Right, right - 8);
  }
  EXPECT_GT(lines[0].Count, 100);
}

TEST_F(ImageOutputTest, VistaTextureFileFollowsTheImageType) {
  filer->SetExtractImageType(eiJpeg);
  filer->WriteVistaTexture();
  EXPECT_EQ(DetectImageFormat(dir.File("fms_vista.jpg")), ImageFormat::Jpeg);
  // TIFF output still gets a bitmap: the simulator looks the texture up by its base name.
  filer->SetExtractImageType(eiTiff);
  filer->WriteVistaTexture();
  EXPECT_EQ(DetectImageFormat(dir.File("fms_vista.bmp")), ImageFormat::Bmp);
  EXPECT_EQ(Files(), (std::vector<std::string>{"fms_vista.bmp", "fms_vista.jpg"}));
  EXPECT_EQ(progress, (std::vector<std::string>{"fms_vista.bmp", "fms_vista.bmp"}));

  // EnsureVistaTexture leaves an existing texture alone and writes a missing one.
  dir.Write("fms_vista.bmp", "kept");
  filer->SetExtractImageType(eiBitmap);
  filer->EnsureVistaTexture();
  EXPECT_EQ(ReadAll(dir.File("fms_vista.bmp")), "kept");
  std::filesystem::remove(dir.File("fms_vista.bmp"));
  filer->EnsureVistaTexture();
  EXPECT_EQ(ReadBmpFile(dir.File("fms_vista.bmp")).GetPixel(0, 0), kNavy);
}

}  // namespace
}  // namespace talvero
