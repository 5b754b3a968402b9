// JPEG: the encodings other programs write (made here with libjpeg itself), our encoder's
// settings, and damaged files.
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include <jpeglib.h>

#include "common/image_test_util.h"
#include "common/test_support.h"
#include "imaging/image_codecs.h"

namespace talvero {
namespace {

using testing::ImageErrorOf;
using testing::Near;
using testing::ReadAll;
using testing::TempDir;

using Configure = std::function<void(jpeg_compress_struct&)>;

// A flat image of one pixel value (1, 3 or 4 components) written by libjpeg.
void WriteFlatJpeg(const std::string& path, int width, int height, J_COLOR_SPACE space,
                   const std::vector<uint8_t>& pixel, const Configure& configure) {
  jpeg_compress_struct info{};
  jpeg_error_mgr error{};
  info.err = jpeg_std_error(&error);
  jpeg_create_compress(&info);
  std::FILE* file = std::fopen(path.c_str(), "wb");
  ASSERT_NE(file, nullptr);
  jpeg_stdio_dest(&info, file);
  info.image_width = width;
  info.image_height = height;
  info.input_components = static_cast<int>(pixel.size());
  info.in_color_space = space;
  jpeg_set_defaults(&info);
  jpeg_set_quality(&info, 95, TRUE);
  if (configure) configure(info);
  jpeg_start_compress(&info, TRUE);
  std::vector<uint8_t> row;
  for (int x = 0; x < width; ++x) row.insert(row.end(), pixel.begin(), pixel.end());
  while (info.next_scanline < info.image_height) {
    JSAMPROW rows[1] = {row.data()};
    jpeg_write_scanlines(&info, rows, 1);
  }
  jpeg_finish_compress(&info);
  jpeg_destroy_compress(&info);
  std::fclose(file);
}

Configure Sampling(int h, int v) {
  return [h, v](jpeg_compress_struct& info) {
    info.comp_info[0].h_samp_factor = h;
    info.comp_info[0].v_samp_factor = v;
  };
}

struct Variant {
  const char* Name;
  J_COLOR_SPACE Space;
  std::vector<uint8_t> Pixel;
  Configure Setup;
  Rgb Expected;
};

TEST(JpegCodec, EncodingsOfOtherProgramsDecode) {
  TempDir dir;
  const Rgb orange{200, 100, 50};
  const std::vector<uint8_t> rgb = {200, 100, 50};
  // Adobe applications store CMYK inverted (255 = no ink) and mark the file; libjpeg writes
  // that mark for four-colour images, so these values are read as inverted inks.
  const std::vector<uint8_t> cmyk = {20, 60, 120, 200};
  const Rgb adobe{16, 47, 94};  // value × k / 255
  const Rgb plain{51, 42, 29};  // (255 − value) × (255 − k) / 255
  const std::vector<Variant> variants = {
      {"4:2:0", JCS_RGB, rgb, nullptr, orange},
      {"4:4:4", JCS_RGB, rgb, Sampling(1, 1), orange},
      {"4:2:2", JCS_RGB, rgb, Sampling(2, 1), orange},
      {"4:4:0", JCS_RGB, rgb, Sampling(1, 2), orange},
      {"4:1:1", JCS_RGB, rgb, Sampling(4, 1), orange},
      {"progressive", JCS_RGB, rgb, [](auto& i) { jpeg_simple_progression(&i); }, orange},
      {"arithmetic", JCS_RGB, rgb, [](auto& i) { i.arith_code = TRUE; }, orange},
      {"restarts", JCS_RGB, rgb, [](auto& i) { i.restart_interval = 1; }, orange},
      {"stored as RGB", JCS_RGB, rgb, [](auto& i) { jpeg_set_colorspace(&i, JCS_RGB); }, orange},
      {"greyscale", JCS_GRAYSCALE, {77}, nullptr, Rgb{77, 77, 77}},
      {"CMYK, Adobe", JCS_CMYK, cmyk, nullptr, adobe},
      {"YCCK, Adobe", JCS_CMYK, cmyk, [](auto& i) { jpeg_set_colorspace(&i, JCS_YCCK); }, adobe},
      {"CMYK, plain", JCS_CMYK, cmyk, [](auto& i) { i.write_Adobe_marker = FALSE; }, plain},
  };
  for (const Variant& variant : variants) {
    SCOPED_TRACE(variant.Name);
    const std::string path = dir.File("v.jpg");
    // Sizes that are not whole blocks leave partial blocks at the right and bottom.
    WriteFlatJpeg(path, 23, 13, variant.Space, variant.Pixel, variant.Setup);
    const Bitmap image = ReadJpegFile(path);
    ASSERT_EQ(image.Width(), 23);
    ASSERT_EQ(image.Height(), 13);
    EXPECT_TRUE(Near(image.GetPixel(0, 0), variant.Expected, 3));
    EXPECT_TRUE(Near(image.GetPixel(22, 12), variant.Expected, 3));
  }
}

TEST(JpegCodec, OurEncoderUsesQuality100AndTheLibraryDefaults) {
  TempDir dir;
  const std::string path = dir.File("out.jpg");
  // Flat 16 × 16 squares survive any subsampling almost exactly.
  Bitmap original(48, 32);
  for (int32_t y = 0; y < 32; ++y)
    for (int32_t x = 0; x < 48; ++x)
      original.SetPixel(x, y, Rgb{static_cast<uint8_t>(x / 16 * 100), static_cast<uint8_t>(y / 16 * 200),
                                  static_cast<uint8_t>(50 + x / 16 * 60)});
  WriteJpegFile(path, original, 100);
  const Bitmap decoded = ReadJpegFile(path);
  // Away from the edges of the squares, where chroma upsampling blends neighbours.
  for (int32_t y = 4; y < 32; y += (y % 16 == 11 ? 9 : 7))
    for (int32_t x = 4; x < 48; x += (x % 16 == 11 ? 9 : 7))
      ASSERT_TRUE(Near(decoded.GetPixel(x, y), original.GetPixel(x, y), 2)) << x << "," << y;

  jpeg_decompress_struct info{};
  jpeg_error_mgr error{};
  info.err = jpeg_std_error(&error);
  jpeg_create_decompress(&info);
  std::FILE* file = std::fopen(path.c_str(), "rb");
  jpeg_stdio_src(&info, file);
  jpeg_read_header(&info, TRUE);
  for (int i = 0; i < DCTSIZE2; ++i) EXPECT_EQ(info.quant_tbl_ptrs[0]->quantval[i], 1);
  EXPECT_FALSE(info.progressive_mode);
  EXPECT_EQ(info.comp_info[0].h_samp_factor, 2);  // the library's default 4:2:0
  EXPECT_EQ(info.comp_info[0].v_samp_factor, 2);
  jpeg_destroy_decompress(&info);
  std::fclose(file);
}

TEST(JpegCodec, DamagedFilesAreRefused) {
  TempDir dir;
  const std::string path = dir.File("good.jpg");
  WriteJpegFile(path, testing::Numbered(64, 64), 100);
  const std::string bytes = ReadAll(path);
  auto errorFor = [&](const std::string& content) {
    const std::string bad = dir.Write("bad.jpg", content);
    return ImageErrorOf([&] { ReadJpegFile(bad); });
  };
  std::string message = errorFor(bytes.substr(0, bytes.size() / 2));
  EXPECT_NE(message.find("bad.jpg"), std::string::npos) << message;
  EXPECT_NE(message.find("remature end"), std::string::npos) << message;

  // Garbage in the middle of the entropy-coded data.
  std::string garbled = bytes;
  for (size_t i = bytes.size() / 2; i < bytes.size() / 2 + 40; ++i) garbled[i] = '\xFF';
  EXPECT_NE(errorFor(garbled), "");

  EXPECT_NE(errorFor("BM not a jpeg at all").find("Not a JPEG file"), std::string::npos);
  EXPECT_NE(errorFor(""), "");
  EXPECT_NE(errorFor(bytes.substr(0, 200)), "");  // the header only
  EXPECT_THROW(ReadJpegFile(dir.File("missing.jpg")), FileError);
}

// A header that claims far more pixels than its data could hold is refused before the
// pixels are allocated; arithmetic-coded data cut short, which libjpeg itself fills up
// silently, is refused too.
TEST(JpegCodec, HostileSizesAndSilentlyFilledDataAreRefused) {
  TempDir dir;
  const std::string path = dir.File("small.jpg");
  WriteFlatJpeg(path, 16, 16, JCS_RGB, {10, 200, 30}, nullptr);
  std::string bytes = ReadAll(path);
  // The frame header: FF C0, length, precision, height, width.
  const size_t frame = bytes.find("\xFF\xC0");
  ASSERT_NE(frame, std::string::npos);
  bytes[frame + 5] = bytes[frame + 7] = '\x75';  // 30000 × 30000
  bytes[frame + 6] = bytes[frame + 8] = '\x30';
  const std::string huge = dir.Write("huge.jpg", bytes);
  const std::string message = ImageErrorOf([&] { ReadJpegFile(huge); });
  EXPECT_NE(message.find("huge.jpg"), std::string::npos) << message;
  EXPECT_NE(message.find("far too few for 30000 × 30000 pixels"), std::string::npos) << message;

  // Arithmetic coding: a flat picture of 512 × 512 takes about 200 bytes and decodes.
  const std::string flat = dir.File("flat.jpg");
  WriteFlatJpeg(flat, 512, 512, JCS_RGB, {10, 200, 30},
                [](jpeg_compress_struct& info) { info.arith_code = TRUE; });
  EXPECT_TRUE(Near(ReadJpegFile(flat).GetPixel(500, 500), Rgb{10, 200, 30}, 2));
  // Cut inside its data where a stray marker stands, a detailed picture must not decode.
  const std::string arithmetic = dir.File("arithmetic.jpg");
  WriteJpegFile(arithmetic, testing::Numbered(64, 64), 100);
  std::string coded;
  {
    // Recoded arithmetically, losslessly, with libjpeg's transcoder interface.
    jpeg_decompress_struct in{};
    jpeg_compress_struct out{};
    jpeg_error_mgr inError{}, outError{};
    in.err = jpeg_std_error(&inError);
    out.err = jpeg_std_error(&outError);
    jpeg_create_decompress(&in);
    jpeg_create_compress(&out);
    const std::string source = ReadAll(arithmetic);
    jpeg_mem_src(&in, reinterpret_cast<const unsigned char*>(source.data()), source.size());
    jpeg_read_header(&in, TRUE);
    jvirt_barray_ptr* coefficients = jpeg_read_coefficients(&in);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&out, &buffer, &size);
    jpeg_copy_critical_parameters(&in, &out);
    out.arith_code = TRUE;
    jpeg_write_coefficients(&out, coefficients);
    jpeg_finish_compress(&out);
    jpeg_finish_decompress(&in);
    coded.assign(reinterpret_cast<char*>(buffer), size);
    jpeg_destroy_compress(&out);
    jpeg_destroy_decompress(&in);
    std::free(buffer);
  }
  ASSERT_NO_THROW(ReadJpegFile(dir.Write("arithmetic.jpg", coded)));
  const size_t scan = coded.find("\xFF\xDA");
  ASSERT_NE(scan, std::string::npos);
  ASSERT_GT(coded.size(), scan + 40);
  const std::string cut = dir.Write("cut.jpg", coded.substr(0, scan + 20) + "\xFF\xD0");
  EXPECT_NE(ImageErrorOf([&] { ReadJpegFile(cut); }).find("cut.jpg"), std::string::npos);
}

TEST(JpegCodec, AReducedDecodeIsTheSmallestScaleWideEnoughAndShowsThePicture) {
  TempDir dir;
  const std::string path = dir.File("wide.jpg");
  Bitmap picture(1000, 500);
  for (int32_t y = 0; y < 500; ++y)
    for (int32_t x = 0; x < 1000; ++x)
      picture.SetPixel(x, y, {static_cast<uint8_t>(x / 4), static_cast<uint8_t>(y / 2),
                              static_cast<uint8_t>((x + y) / 6)});
  WriteJpegFile(path, picture, 100);
  const Bitmap whole = ReadImage(path, ImageFormat::Jpeg);
  struct Case {
    int32_t MinWidth, Width, Height;
  };
  for (const Case c : {Case{250, 250, 125}, Case{251, 500, 250}, Case{126, 250, 125},
                       Case{125, 125, 63}, Case{2000, 1000, 500}}) {
    const Bitmap reduced = ReadImageReduced(path, ImageFormat::Jpeg, c.MinWidth);
    ASSERT_EQ(reduced.Width(), c.Width) << c.MinWidth;
    ASSERT_EQ(reduced.Height(), c.Height) << c.MinWidth;
    // Each pixel is about the mean of the block of the whole picture it stands for.
    const int32_t n = whole.Width() / reduced.Width();
    for (int32_t y = 0; y + 1 < reduced.Height(); y += 7)
      for (int32_t x = 0; x < reduced.Width(); x += 7) {
        int sum[3] = {0, 0, 0};
        for (int32_t j = 0; j < n; ++j)
          for (int32_t i = 0; i < n; ++i) {
            const Rgb p = whole.GetPixel(x * n + i, y * n + j);
            sum[0] += p.R, sum[1] += p.G, sum[2] += p.B;
          }
        const Rgb p = reduced.GetPixel(x, y);
        EXPECT_NEAR(p.R, sum[0] / (n * n), 3) << c.MinWidth << " at " << x << ", " << y;
        EXPECT_NEAR(p.G, sum[1] / (n * n), 3) << c.MinWidth << " at " << x << ", " << y;
        EXPECT_NEAR(p.B, sum[2] / (n * n), 3) << c.MinWidth << " at " << x << ", " << y;
      }
  }
}

}  // namespace
}  // namespace talvero
