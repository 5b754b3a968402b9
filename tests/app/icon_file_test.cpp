#include <gtest/gtest.h>

#include <QBuffer>
#include <QImageReader>

#include "app/icons/format_pictures.h"
#include "app/icons/icon_file.h"

namespace talvero {
namespace {

// The icon talvero.exe carries: every size drawn is read back whole by an independent .ico
// reader (Qt's own), 256 included, whose size the file writes as 0.
TEST(IconFileTest, EverySizeReadsBackWhole) {
  if (!QImageReader::supportedImageFormats().contains("ico"))
    GTEST_SKIP() << "this Qt has no .ico reader";
  const std::vector<int> sizes = {256, 48, 16};
  std::vector<QImage> pictures;
  for (int size : sizes) pictures.push_back(DrawFmsPicture(size));
  QByteArray data = IconFile(pictures);
  ASSERT_FALSE(data.isEmpty());
  QBuffer buffer(&data);
  ASSERT_TRUE(buffer.open(QIODevice::ReadOnly));
  QImageReader reader(&buffer, "ico");
  ASSERT_EQ(reader.imageCount(), 3);
  for (size_t i = 0; i < sizes.size(); ++i) {
    ASSERT_TRUE(reader.jumpToImage(static_cast<int>(i)));
    const QImage read = reader.read();
    ASSERT_FALSE(read.isNull()) << reader.errorString().toStdString();
    EXPECT_EQ(read.size(), QSize(sizes[i], sizes[i]));
    EXPECT_EQ(read.convertToFormat(QImage::Format_ARGB32),
              pictures[i].convertToFormat(QImage::Format_ARGB32))
        << sizes[i];
  }

  EXPECT_TRUE(IconFile({QImage(32, 16, QImage::Format_ARGB32)}).isEmpty()) << "not square";
  EXPECT_TRUE(IconFile({QImage(512, 512, QImage::Format_ARGB32)}).isEmpty()) << "too large";
}

}  // namespace
}  // namespace talvero
