// The codec table: every kind is read by what the file holds whatever it is called, by its
// name when its content is unknown, its size is read from the headers alone, and a damaged
// file is refused with its name. Each case walks the whole table, so a new kind is held to
// the same rules.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/image_test_util.h"
#include "common/png_test_writer.h"
#include "common/test_support.h"
#include "imaging/image_codecs.h"
#include "support/errors.h"
#include "support/string_utils.h"

namespace talvero {
namespace {

using testing::ImageErrorOf;
using testing::TempDir;

constexpr ImageSize kSampleSize{48, 24};

// A file of the codec's kind holding a patterned 48 × 24 picture.
std::string SampleBytes(const ImageCodec& codec, const TempDir& dir) {
  const std::string path = dir.File(std::string("sample") + codec.Extensions[0]);
  const Bitmap picture = testing::Numbered(kSampleSize.Width, kSampleSize.Height);
  if (codec.Write) {
    AtomicFileWriter file(path);
    codec.Write(file, picture, 90);
    file.Commit();
  } else if (codec.Format == ImageFormat::Png) {
    testing::PngLayout layout;
    layout.Width = kSampleSize.Width;
    layout.Height = kSampleSize.Height;
    layout.Stored = [&](int x, int y) {
      const Rgb c = picture.GetPixel(x, y);
      return std::vector<uint32_t>{c.R, c.G, c.B};
    };
    testing::WritePng(path, layout);
  } else {
    ADD_FAILURE() << "no way to make a " << codec.Name << " file for the test";
  }
  return testing::ReadAll(path);
}

// Every extension of the table, one no kind has, and none at all.
std::vector<std::string> AllNames() {
  std::vector<std::string> names = {".insp", ""};
  for (const ImageCodec& codec : ImageCodecs())
    for (const char* extension : codec.Extensions) names.emplace_back(extension);
  return names;
}

bool Mentions(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

TEST(CodecTable, KindsKeepTheirNumbersAndAreFoundByEveryExtension) {
  int number = 0;
  for (const ImageCodec& codec : ImageCodecs()) {
    SCOPED_TRACE(codec.Name);
    EXPECT_EQ(static_cast<int>(codec.Format), ++number);  // the panorama loader's file kinds
    EXPECT_EQ(CodecOf(codec.Format), &codec);
    for (const char* extension : codec.Extensions) {
      EXPECT_EQ(ImageFormatFromExtension(std::string("a") + extension), codec.Format);
      EXPECT_EQ(ImageFormatFromExtension("A" + UpperAscii(extension)), codec.Format);
    }
  }
  EXPECT_EQ(CodecOf(ImageFormat::Unsupported), nullptr);
}

TEST(CodecTable, EveryKindIsReadByItsContentUnderAnyName) {
  TempDir dir;
  for (const ImageCodec& codec : ImageCodecs()) {
    SCOPED_TRACE(codec.Name);
    const std::string bytes = SampleBytes(codec, dir);
    const Bitmap expected =
        ReadImage(dir.Write(std::string("own") + codec.Extensions[0], bytes), codec.Format);
    ASSERT_EQ((ImageSize{expected.Width(), expected.Height()}), kSampleSize);
    int count = 0;
    for (const std::string& name : AllNames()) {
      SCOPED_TRACE("named '" + name + "'");
      const std::string path = dir.Write("named" + std::to_string(++count) + name, bytes);
      ASSERT_EQ(ChooseReader(path), codec.Format);
      EXPECT_TRUE(ReadImage(path, ChooseReader(path)).SamePixels(expected));
      EXPECT_EQ(ReadImageSize(path), kSampleSize);
    }
  }
}

TEST(CodecTable, UnknownContentIsReadByName) {
  TempDir dir;
  const std::string junk = "neither a picture nor anything else";
  for (const ImageCodec& codec : ImageCodecs())
    for (const char* extension : codec.Extensions) {
      SCOPED_TRACE(extension);
      const std::string path = dir.Write(std::string("junk") + UpperAscii(extension), junk);
      EXPECT_EQ(ChooseReader(path), codec.Format);
      // The reader of the name refuses it, saying which file.
      EXPECT_TRUE(Mentions(ImageErrorOf([&] { ReadImage(path, ChooseReader(path)); }), path));
      EXPECT_TRUE(Mentions(ImageErrorOf([&] { ReadImageSize(path); }), path));
    }
  // Neither content nor name: no reader, and the message names every kind there is.
  const std::string path = dir.Write("junk.insp", junk);
  EXPECT_EQ(ChooseReader(path), ImageFormat::Unsupported);
  const std::string message = ImageErrorOf([&] { ReadImage(path, ChooseReader(path)); });
  EXPECT_TRUE(Mentions(message, path)) << message;
  for (const ImageCodec& codec : ImageCodecs())
    EXPECT_TRUE(Mentions(message, codec.Name)) << message;
}

TEST(CodecTable, DamagedFilesAreRefusedWithTheirName) {
  TempDir dir;
  for (const ImageCodec& codec : ImageCodecs()) {
    SCOPED_TRACE(codec.Name);
    const std::string bytes = SampleBytes(codec, dir);
    const std::string extension = codec.Extensions[0];

    const std::string empty = dir.Write("empty" + extension, "");
    for (const std::string& message : {ImageErrorOf([&] { ReadImage(empty, ChooseReader(empty)); }),
                                       ImageErrorOf([&] { ReadImageSize(empty); })})
      EXPECT_TRUE(Mentions(message, "'" + empty + "': the file is empty")) << message;

    for (const size_t kept : {bytes.size() * 6 / 10, size_t{12}}) {
      SCOPED_TRACE(std::to_string(kept) + " bytes kept");
      const std::string path =
          dir.Write("cut" + std::to_string(kept) + extension, bytes.substr(0, kept));
      const std::string message = ImageErrorOf([&] { ReadImage(path, ChooseReader(path)); });
      EXPECT_TRUE(Mentions(message, "cannot read image '" + path + "': ")) << message;
      // The size needs only the headers: it is right whenever it is given.
      ImageSize size;
      const std::string sizeMessage = ImageErrorOf([&] { size = ReadImageSize(path); });
      if (sizeMessage.empty()) {
        EXPECT_EQ(size, kSampleSize);
      } else {
        EXPECT_TRUE(Mentions(sizeMessage, "cannot read image '" + path + "': ")) << sizeMessage;
      }
      // A JPEG's headers come before all of its pixels: the size of a cut file is still read
      // (the image tab shows it without decoding a whole panorama).
      if (codec.Format == ImageFormat::Jpeg && kept > 12) {
        EXPECT_EQ(size, kSampleSize);
      }
    }
  }
}

}  // namespace
}  // namespace talvero
