// Every codec reads and writes files in folders and under names that are not ASCII.
#include <gtest/gtest.h>

#include <filesystem>

#include "common/test_support.h"
#include "imaging/image_codecs.h"

namespace talvero {
namespace {

TEST(ImageFileNames, EveryFormatUnderAJapaneseName) {
  testing::TempDir dir;
  const std::string folder = dir.Folder() + "パノラマ";
  std::filesystem::create_directory(PathFromUtf8(folder));
  Bitmap image(16, 8);
  for (int32_t y = 0; y < image.Height(); ++y)
    for (int32_t x = 0; x < image.Width(); ++x)
      image.SetPixel(x, y, Rgb{static_cast<uint8_t>(x * 16), static_cast<uint8_t>(y * 32), 128});

  for (const char* ext : {".bmp", ".jpg", ".tif"}) {
    SCOPED_TRACE(ext);
    const std::string path = folder + "/飛行場" + ext;
    const ImageFormat format = ImageFormatFromExtension(path);
    switch (format) {
      case ImageFormat::Jpeg:
        WriteJpegFile(path, image, 100);
        break;
      case ImageFormat::Tiff:
        WriteTiffFile(path, image);
        break;
      default:
        WriteBmpFile(path, image);
        break;
    }
    ASSERT_EQ(DetectImageFormat(path), format);
    const Bitmap back = ReadImage(path, format);
    EXPECT_EQ(back.Width(), 16);
    EXPECT_EQ(back.Height(), 8);
    if (format != ImageFormat::Jpeg) {
      EXPECT_EQ(back.GetPixel(15, 7), image.GetPixel(15, 7));
    }
  }
}

}  // namespace
}  // namespace talvero
