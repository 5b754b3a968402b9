// Loading the panorama: file kinds, reader choice, size normalisation and the preview.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "common/image_test_util.h"
#include "common/test_support.h"
#include "engine/sim_filer.h"
#include "imaging/image_codecs.h"
#include "support/errors.h"

namespace talvero {
namespace {

using testing::Numbered;
using testing::RecordingErrorReporter;
using testing::SameImage;
using testing::TempDir;

const char* const kUnsupported = "扱えない画像ファイルです。";
const char* const kNormalizing = "イメージサイズを修正しています。";

class PanoramaTest : public ::testing::Test {
 protected:
  PanoramaTest() : filer(TSimFiler::Create()) {
    filer->SetErrorReporter(&errors);
    filer->OnProgress = [this](TSimFiler&, const std::string& text, TSimProgressMode mode) {
      EXPECT_EQ(mode, spAppend);
      progress.push_back(text);
    };
  }
  // A BMP file of the image under `name`, whatever its extension.
  std::string Store(const std::string& name, const Bitmap& image) {
    WriteBmpFile(dir.File("store.bmp"), image);
    return dir.Write(name, testing::ReadAll(dir.File("store.bmp")));
  }

  RecordingErrorReporter errors;
  TempDir dir;
  std::unique_ptr<TSimFiler> filer;
  std::vector<std::string> progress;
};

TEST(ImageFileKind, ByExtensionIgnoringCase) {
  const std::pair<const char*, ImageFormat> cases[] = {
      {"pano.bmp", ImageFormat::Bmp},        {"PANO.BMP", ImageFormat::Bmp},
      {"a.jpg", ImageFormat::Jpeg},          {"a.Jpeg", ImageFormat::Jpeg},
      {"/x/a.JPEG", ImageFormat::Jpeg},      {"a.tif", ImageFormat::Tiff},
      {"a.TiFF", ImageFormat::Tiff},         {"a.png", ImageFormat::Png},
      {"/x/A.PnG", ImageFormat::Png},        {"a.gif", ImageFormat::Unsupported},
      {"a.jpe", ImageFormat::Unsupported},   {"a.jfif", ImageFormat::Unsupported},
      {"a.tif.bak", ImageFormat::Unsupported}, {"jpg", ImageFormat::Unsupported},
      {"/x.jpg/pano", ImageFormat::Unsupported}};
  for (const auto& [name, kind] : cases) EXPECT_EQ(TSimFiler::ImageFileKind(name), kind) << name;
  EXPECT_EQ(static_cast<int>(ImageFormat::Tiff), 3);  // the kinds keep their numbers
  EXPECT_EQ(static_cast<int>(ImageFormat::Png), 4);
}

TEST_F(PanoramaTest, ReadImageFileChoosesTheReaderAndKeepsTheTargetOnFailure) {
  Bitmap target(3, 3);
  EXPECT_FALSE(filer->ReadImageFile(target, dir.File("missing.bmp")));
  EXPECT_TRUE(errors.Messages.empty());

  const Bitmap picture = Numbered(6, 4);
  EXPECT_FALSE(filer->ReadImageFile(target, Store("pano.gif", picture)));
  EXPECT_EQ(errors.Messages, std::vector<std::string>{kUnsupported});
  EXPECT_EQ(target.Width(), 3);

  // A ".tif" file is read by whichever codec knows its content.
  EXPECT_TRUE(filer->ReadImageFile(target, Store("pano.TIFF", picture)));
  EXPECT_TRUE(SameImage(target, picture));

  Bitmap kept = picture.Clone();
  const std::string damaged = dir.Write("bad.bmp", "BM and nothing else");
  EXPECT_THROW(filer->ReadImageFile(kept, damaged), ImageError);
  EXPECT_TRUE(SameImage(kept, picture));
  const std::string strange = dir.Write("bad.tif", "neither TIFF nor anything else");
  EXPECT_THROW(filer->ReadImageFile(kept, strange), ImageError);
  EXPECT_TRUE(SameImage(kept, picture));
}

// A file is accepted by its name and read by what it holds: a JPEG saved as ".bmp" is a
// JPEG panorama, while a name of no accepted kind is refused whatever the file holds.
TEST_F(PanoramaTest, AcceptedByNameReadByContent) {
  const Bitmap picture = Numbered(16, 8);
  WriteJpegFile(dir.File("pano.jpg"), picture, 95);
  const std::string jpeg = testing::ReadAll(dir.File("pano.jpg"));
  const Bitmap expected = ReadJpegFile(dir.File("pano.jpg"));
  Bitmap target;
  EXPECT_TRUE(filer->ReadImageFile(target, dir.Write("pano.bmp", jpeg)));
  EXPECT_TRUE(SameImage(target, expected));
  EXPECT_TRUE(filer->ReadImageFile(target, Store("bitmap.png", picture)));
  EXPECT_TRUE(SameImage(target, picture));
  EXPECT_TRUE(errors.Messages.empty());

  Bitmap kept = picture.Clone();
  EXPECT_FALSE(filer->ReadImageFile(kept, dir.Write("pano.insp", jpeg)));
  EXPECT_EQ(errors.Messages, std::vector<std::string>{kUnsupported});
  EXPECT_TRUE(SameImage(kept, picture));
}

TEST_F(PanoramaTest, TwoToOnePanoramasAreUsedAsRead) {
  const Bitmap picture = Numbered(160, 80);
  filer->SetImageFileName(Store("pano.bmp", picture));
  Bitmap panorama;
  EXPECT_TRUE(filer->LoadPanorama(panorama));
  EXPECT_TRUE(SameImage(panorama, picture));
  EXPECT_EQ(progress, std::vector<std::string>{"読み込んでいます。　" + filer->GetImageFileName()});
}

TEST_F(PanoramaTest, OtherShapesAreNormalisedAndTinyOnesRefused) {
  // Both sides multiples of 8 but not two to one: normalised too, so that the projections
  // never read outside the image.
  filer->SetImageFileName(Store("pano.bmp", Numbered(96, 40)));
  Bitmap panorama;
  EXPECT_TRUE(filer->LoadPanorama(panorama));
  EXPECT_EQ(panorama.Width(), 8192);
  EXPECT_EQ(panorama.Height(), 4096);
  ASSERT_EQ(progress.size(), 2u);
  EXPECT_EQ(progress[1], kNormalizing);

  filer->SetImageFileName(Store("tiny.bmp", Numbered(64, 32)));
  const std::string message = testing::ImageErrorOf([&] { filer->LoadPanorama(panorama); });
  EXPECT_NE(message.find("tiny.bmp"), std::string::npos) << message;
  EXPECT_NE(message.find("at least 80 × 40"), std::string::npos) << message;
}

TEST_F(PanoramaTest, UnusableFilesStopTheLoad) {
  Bitmap panorama;
  filer->SetImageFileName(Store("pano.gif", Numbered(16, 8)));
  EXPECT_FALSE(filer->LoadPanorama(panorama));
  EXPECT_EQ(errors.Messages, std::vector<std::string>{kUnsupported});
  EXPECT_TRUE(panorama.Empty());

  progress.clear();
  filer->SetImageFileName(dir.File("gone.jpg"));
  EXPECT_THROW(filer->LoadPanorama(panorama), FileError);
  EXPECT_TRUE(progress.empty());
}

// Every failure of the load names the file: an empty file says so whatever its kind, and a
// shape whose normalised size does not fit in memory names the panorama too.
TEST_F(PanoramaTest, LoadFailuresNameTheFile) {
  Bitmap panorama;
  for (const char* name : {"empty.bmp", "empty.jpg", "empty.png", "empty.tif"}) {
    SCOPED_TRACE(name);
    filer->SetImageFileName(dir.Write(name, ""));
    const std::string message = testing::ImageErrorOf([&] { filer->LoadPanorama(panorama); });
    EXPECT_NE(message.find(std::string("'") + dir.File(name) + "': the file is empty"),
              std::string::npos)
        << message;
  }
  // One row as wide as an image may be: normalised, it would need terabytes.
  filer->SetImageFileName(Store("wide.bmp", Bitmap(1 << 20, 1)));
  const std::string message = testing::ImageErrorOf([&] { filer->LoadPanorama(panorama); });
  EXPECT_NE(message.find("'" + dir.File("wide.bmp") + "'"), std::string::npos) << message;
  EXPECT_NE(message.find("memory"), std::string::npos) << message;
}

TEST_F(PanoramaTest, NormalizeSizeTable) {
  const std::pair<std::pair<int32_t, int32_t>, std::pair<int32_t, int32_t>> table[] = {
      {{8190, 4095}, {8192, 4096}},
      {{10001, 5000}, {10000, 5000}},
      {{4004, 2002}, {8192, 4096}},
      {{8192, 4000}, {8192, 4096}},
      {{3, 1}, {8192, 4096}}};
  for (const auto& [from, to] : table) {
    progress.clear();
    Bitmap image = Bitmap::Uninitialized(from.first, from.second);
    filer->NormalizeSize(image);
    EXPECT_EQ(image.Width(), to.first) << from.first << "x" << from.second;
    EXPECT_EQ(image.Height(), to.second) << from.first << "x" << from.second;
    EXPECT_EQ(progress, std::vector<std::string>{kNormalizing});
  }

  // The whole picture is stretched over the whole new image, which is 24-bit.
  Bitmap halves(2, 1, PixelFormat::Bgra32);
  halves.SetPixel(0, 0, Rgb{255, 0, 0});
  halves.SetPixel(1, 0, Rgb{0, 0, 255});
  filer->NormalizeSize(halves);
  EXPECT_EQ(halves.Format(), PixelFormat::Bgr24);
  EXPECT_EQ(halves.GetPixel(4095, 0), (Rgb{255, 0, 0}));
  EXPECT_EQ(halves.GetPixel(4096, 4095), (Rgb{0, 0, 255}));
}

TEST_F(PanoramaTest, PreviewDecodesByContent) {
  Bitmap picture(1, 1);
  EXPECT_FALSE(filer->LoadPicture(picture));  // no file name
  const Bitmap original = Numbered(5, 4);
  filer->SetImageFileName(Store("really-a-bitmap.jpg", original));
  EXPECT_TRUE(filer->LoadPicture(picture));
  EXPECT_TRUE(SameImage(picture, original));

  filer->SetImageFileName(Store("pano.gif", original));
  EXPECT_FALSE(filer->LoadPicture(picture));
  EXPECT_EQ(errors.Messages, std::vector<std::string>{kUnsupported});
}

}  // namespace
}  // namespace talvero
