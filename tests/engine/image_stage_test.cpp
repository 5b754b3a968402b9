// The image stage end to end on small panoramas: the geometry of the cube faces, the sphere
// crops, the progress sequence, the vista texture rule, and thread-count independence.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>
#include <filesystem>
#include <random>
#include <set>

#include "common/image_test_util.h"
#include "common/png_test_writer.h"
#include "common/test_support.h"
#include "engine/cube_warp.h"
#include "engine/sim_filer.h"
#include "imaging/bitmap.h"
#include "imaging/image_codecs.h"
#include "support/file_util.h"
#include "support/parallel.h"

namespace talvero {
namespace {

using testing::RecordingErrorReporter;
using testing::TempDir;

// Restores the default thread count after a test that changes it.
struct ThreadCount {
  explicit ThreadCount(int threads) { SetMaxWorkerThreads(threads); }
  ~ThreadCount() { SetMaxWorkerThreads(0); }
};

class ImageStageTest : public ::testing::Test {
 protected:
  ImageStageTest() : filer(TSimFiler::Create()) {
    filer->SetErrorReporter(&errors);
    filer->ResetJob();
    filer->OnProgress = [this](TSimFiler&, const std::string& text, TSimProgressMode mode) {
      if (mode == spAppend || console.empty())
        console.push_back(text);
      else
        console.back() += text;
    };
  }

  // Saves the panorama and sets up a job writing into `folder`.
  void SetUpJob(const Bitmap& panorama, const std::string& folder, TSceneType type,
                TSceneFormat format = sfFMS, TExtractImageType imageType = eiBitmap) {
    std::filesystem::create_directories(folder);
    WriteBmpFile(dir.File("pano.bmp"), panorama);
    filer->SetImageFileName(dir.File("pano.bmp"));
    filer->SetSceneFilename(folder + "/scene.scn");
    filer->SetTextureBasename("pano");
    filer->SetSceneType(type);
    filer->SetSceneFormat(format);
    filer->SetExtractImageType(imageType);
    filer->SetImageSizeMode(ismSmall);
    filer->PrepareOutputNames();
  }

  Bitmap Output(const std::string& folder, size_t index) {
    return ReadImage(folder + "/" + filer->ImageNames()[index],
                     ImageFormatFromExtension(filer->ImageNames()[index]));
  }

  RecordingErrorReporter errors;
  TempDir dir;
  std::unique_ptr<TSimFiler> filer;
  StringList console;
};

// Red marks the compass region (the nearest face centre), green a smooth periodic function
// of longitude, blue the latitude band (zenith cap, sky, ground, nadir cap).
constexpr uint8_t kRegionRed[4] = {200, 40, 120, 250};  // back, left, front, right
Bitmap CompassPanorama(int32_t width) {
  const int32_t height = width / 2, f = width / 8;
  Bitmap image(width, height);
  for (int32_t y = 0; y < height; ++y) {
    const uint8_t blue = y < f ? 10 : y < 2 * f ? 90 : y < 3 * f ? 170 : 250;
    for (int32_t x = 0; x < width; ++x) {
      const int region = ((x + f) / (2 * f)) % 4;  // face centres at 0, 2f, 4f, 6f
      const double angle = 2 * std::numbers::pi * (x + 0.5) / width;
      const auto green = static_cast<uint8_t>(std::lround(127 + 100 * std::sin(angle)));
      image.SetPixel(x, y, Rgb{kRegionRed[region], green, blue});
    }
  }
  return image;
}

uint8_t RegionAt(const Bitmap& face, int32_t x, int32_t y) { return face.GetPixel(x, y).R; }

TEST_F(ImageStageTest, CubeFacesLookTheRightWay) {
  const std::string out = dir.File("cube");
  SetUpJob(CompassPanorama(320), out, stCube);
  filer->RunImageStage();
  ASSERT_TRUE(errors.Messages.empty());
  const int32_t s = 1024, q = s / 4;
  // Side faces: left, front (the panorama's middle column), right, back.
  const uint8_t expected[4] = {kRegionRed[1], kRegionRed[2], kRegionRed[3], kRegionRed[0]};
  for (size_t i = 0; i < 4; ++i) {
    const Bitmap face = Output(out, i);
    ASSERT_EQ(face.Width(), s);
    EXPECT_EQ(RegionAt(face, s / 2, s / 2), expected[i]) << "face " << i;
    EXPECT_EQ(face.GetPixel(s / 2, q).B, 90) << "sky above the horizon, face " << i;
    EXPECT_EQ(face.GetPixel(s / 2, s - q).B, 170) << "ground below it, face " << i;
  }
  // Top face, seen looking up: front at the bottom, left on the left, back at the top.
  const Bitmap top = Output(out, 4);
  EXPECT_EQ(RegionAt(top, s / 2, s - q), kRegionRed[2]);
  EXPECT_EQ(RegionAt(top, q, s / 2), kRegionRed[1]);
  EXPECT_EQ(RegionAt(top, s / 2, q), kRegionRed[0]);
  EXPECT_EQ(RegionAt(top, s - q, s / 2), kRegionRed[3]);
  EXPECT_EQ(top.GetPixel(s / 2, s - q).B, 10);
  // Bottom face, seen looking down: front at the top, left on the left.
  const Bitmap bottom = Output(out, 5);
  EXPECT_EQ(RegionAt(bottom, s / 2, q), kRegionRed[2]);
  EXPECT_EQ(RegionAt(bottom, q, s / 2), kRegionRed[1]);
  EXPECT_EQ(RegionAt(bottom, s / 2, s - q), kRegionRed[0]);
  EXPECT_EQ(RegionAt(bottom, s - q, s / 2), kRegionRed[3]);
  EXPECT_EQ(bottom.GetPixel(s / 2, q).B, 250);
}

TEST_F(ImageStageTest, BackFaceIsSeamlessAcrossThePanoramaEdges) {
  const std::string out = dir.File("cube");
  SetUpJob(CompassPanorama(320), out, stCube);
  filer->RunImageStage();
  const Bitmap back = Output(out, 3);
  const int32_t y = back.Height() / 2;
  // The green ramp changes by at most a few levels per face pixel everywhere, the middle
  // (where the two halves meet) included.
  int worst = 0;
  for (int32_t x = 1; x < back.Width(); ++x)
    worst = std::max(worst, std::abs(back.GetPixel(x, y).G - back.GetPixel(x - 1, y).G));
  EXPECT_LE(worst, 6);
}

TEST_F(ImageStageTest, ProgressOfACubeJobLineByLine) {
  const std::string out = dir.File("cube");
  SetUpJob(CompassPanorama(320), out, stCube);
  filer->RunImageStage();
  const std::string strip = "." + std::string(40, '.');  // height 160: a dot every 4 rows
  const StringList expected = {
      "読み込んでいます。　" + dir.File("pano.bmp"),
      "座標を取得しています。................",
      "処理中 ", strip, strip, strip, strip,
      "画像ファイルを書き出しています。",
      "pano_left.bmp", "pano_front.bmp", "pano_right.bmp", "pano_back.bmp....",
      "pano_top.bmp....", "pano_bottom.bmp....",
      "fms_vista.bmp"};
  EXPECT_EQ(console, expected);
  EXPECT_TRUE(FileExists(out + "/fms_vista.bmp"));
}

TEST_F(ImageStageTest, ProgressOfASphereJobAndNoVistaForRcpsim) {
  const std::string out = dir.File("sphere");
  SetUpJob(CompassPanorama(80), out, stSphere, sfRCP);
  filer->RunImageStage();
  StringList expected = {"読み込んでいます。　" + dir.File("pano.bmp"),
                         "画像に処理領域を追加しています。", "画像ファイルを書き出しています。"};
  for (const std::string& name : filer->ImageNames()) expected.push_back(name);
  EXPECT_EQ(console, expected);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(out), {}), 20);
  EXPECT_FALSE(FileExists(out + "/fms_vista.bmp"));
}

TEST_F(ImageStageTest, FmsJobAlwaysRewritesTheVistaTexture) {
  const std::string out = dir.File("sphere");
  SetUpJob(CompassPanorama(80), out, stSphere, sfFMS);
  WriteFileAtomically(out + "/fms_vista.bmp", "stale");
  filer->RunImageStage();
  const Bitmap vista = ReadBmpFile(out + "/fms_vista.bmp");
  EXPECT_EQ(vista.Width(), 255);
}

// The literal construction: build the padded panorama P, crop, stretch.
Bitmap ReferenceTile(const Bitmap& pano, int32_t s, int k) {
  const int32_t w = pano.Width(), g = w / 8, m = std::max(1, g / s);
  Bitmap p(w + 2 * m, 3 * g + 2 * m);
  auto copy = [&](int32_t l, int32_t t, int32_t r, int32_t b, int32_t sl, int32_t st) {
    CopyRect(p, l, t, pano, sl, st, r - l, b - t);
  };
  copy(0, 0, m, m, w - m, 0);
  copy(m, 0, w + m, m, 0, 0);
  copy(w + m, 0, w + 2 * m, m, 0, 0);
  copy(0, m, m, 3 * g + 2 * m, w - m, 0);
  copy(w + m, m, w + 2 * m, 3 * g + 2 * m, 0, 0);
  copy(m, m, w + m, 3 * g + 2 * m, 0, 0);
  Bitmap tile, output;
  if (k < 4) {
    tile = Bitmap(2 * g + 2 * m, g + 2 * m);
    CopyRect(tile, 0, 0, p, 2 * g * k, 0, tile.Width(), tile.Height());
    output = Bitmap(s, s / 2);
  } else {
    const int j = k - 4, n = j % 8, r = j / 8 + 1;
    tile = Bitmap(g + 2 * m, g + 2 * m);
    CopyRect(tile, 0, 0, p, n * g, r * g, tile.Width(), tile.Height());
    output = Bitmap(s, s);
  }
  StretchDraw(output, tile);
  return output;
}

TEST_F(ImageStageTest, SphereTilesAreTheCropsOfThePaddedPanorama) {
  const std::string out = dir.File("sphere");
  const Bitmap pano = testing::Numbered(80, 40);
  SetUpJob(pano, out, stSphere, sfRCP);
  filer->RunImageStage();
  for (int k = 0; k < 20; ++k) EXPECT_TRUE(testing::SameImage(Output(out, k), ReferenceTile(pano, 512, k))) << k;
  // base_21 starts one pixel left of the panorama's left edge; band-1 tiles repeat row 0.
  const Bitmap tile21 = Output(out, 4);
  EXPECT_EQ(tile21.GetPixel(0, 0), pano.GetPixel(79, 9));
  const Bitmap tile11 = Output(out, 0);
  EXPECT_EQ(tile11.GetPixel(100, 0), tile11.GetPixel(100, 25));
  EXPECT_EQ(tile11.Width(), 512);
  EXPECT_EQ(tile11.Height(), 256);
}

TEST_F(ImageStageTest, SphereTileSizesFollowTheFaceSize) {
  const std::string out = dir.File("sphere");
  SetUpJob(CompassPanorama(80), out, stSphere, sfRCP, eiJpeg);
  filer->SetImageSizeMode(ismNormal);
  filer->RunImageStage();
  EXPECT_EQ(Output(out, 0).Width(), 1024);
  EXPECT_EQ(Output(out, 0).Height(), 512);
  EXPECT_EQ(Output(out, 19).Height(), 1024);
}

TEST_F(ImageStageTest, OneThreadAndManyThreadsWriteTheSameBytes) {
  const Bitmap pano = CompassPanorama(480);
  std::vector<StringList> consoles;
  for (int threads : {1, 4}) {
    ThreadCount count(threads);
    const std::string out = dir.File("t" + std::to_string(threads));
    SetUpJob(pano, out, stCube);
    console.clear();
    filer->RunImageStage();
    consoles.push_back(console);
  }
  EXPECT_EQ(consoles[0], consoles[1]);
  for (const std::string& name : filer->ImageNames())
    EXPECT_EQ(testing::ReadAll(dir.File("t1/" + name)), testing::ReadAll(dir.File("t4/" + name)))
        << name;
}

// Restores the automatic warp kernel after a test that chooses one.
struct WarpKernelChoice {
  explicit WarpKernelChoice(WarpKernel kernel) { SetWarpKernel(kernel); }
  ~WarpKernelChoice() { SetWarpKernel(WarpKernel::Automatic); }
};

TEST_F(ImageStageTest, EveryWarpKernelAndThreadCountWriteTheSameFilesAndProgress) {
  // Noise, so that any misplaced or misblended byte shows, with pure white pixels for the
  // transparent cap pieces.
  std::mt19937 random(15);
  Bitmap pano = Bitmap::Uninitialized(1024, 512);
  for (int32_t y = 0; y < pano.Height(); ++y) {
    uint8_t* row = pano.Row(y);
    for (size_t i = 0; i < pano.RowBytes(); ++i) row[i] = static_cast<uint8_t>(random());
  }
  for (int32_t i = 0; i < 3000; ++i)
    pano.SetPixel(static_cast<int32_t>(random() % 1024), static_cast<int32_t>(random() % 512), kWhite);
  StringList referenceConsole;
  std::vector<std::string> referenceFiles;
  for (const WarpKernel kernel : {WarpKernel::Plain, WarpKernel::Sse2, WarpKernel::Avx2}) {
    if (!WarpKernelAvailable(kernel)) continue;
    for (int threads : {1, 2, 8}) {
      WarpKernelChoice choice(kernel);
      ThreadCount count(threads);
      const std::string out = dir.File("run");
      std::filesystem::remove_all(out);
      SetUpJob(pano, out, stCube);
      console.clear();
      filer->RunImageStage();
      std::vector<std::string> files;
      for (const std::string& name : filer->ImageNames()) files.push_back(testing::ReadAll(out + "/" + name));
      if (referenceFiles.empty()) {
        referenceConsole = console;
        referenceFiles = files;
        continue;
      }
      const std::string run = "kernel " + std::to_string(static_cast<int>(kernel)) + ", " +
                              std::to_string(threads) + " threads";
      EXPECT_EQ(console, referenceConsole) << run;
      for (size_t i = 0; i < files.size(); ++i)
        EXPECT_TRUE(files[i] == referenceFiles[i]) << run << ", " << filer->ImageNames()[i];
    }
  }
  EXPECT_EQ(referenceFiles.size(), 6u);
}

// A PNG panorama gives the faces of a bitmap holding the same pixels: here a 16-bit,
// interlaced one with alpha, whose clear band must come out white as the bitmap has it.
TEST_F(ImageStageTest, PngPanoramaGivesTheFacesOfTheSameBitmap) {
  Bitmap picture = CompassPanorama(320);
  const auto clear = [](int y) { return y >= 70 && y < 90; };
  testing::PngLayout layout;
  layout.Width = picture.Width();
  layout.Height = picture.Height();
  layout.ColourType = PNG_COLOR_TYPE_RGB_ALPHA;
  layout.Depth = 16;
  layout.Interlaced = true;
  layout.Stored = [&](int x, int y) -> std::vector<uint32_t> {
    if (clear(y)) return {12345, 0, 999, 0};  // any colour, fully transparent
    const Rgb c = picture.GetPixel(x, y);
    return {c.R * 257u, c.G * 257u, c.B * 257u, 65535};
  };
  testing::WritePng(dir.File("pano.png"), layout);
  for (int32_t y = 0; y < picture.Height(); ++y)
    for (int32_t x = 0; x < picture.Width(); ++x)
      if (clear(y)) picture.SetPixel(x, y, kWhite);

  const std::string fromBmp = dir.File("bmp"), fromPng = dir.File("png");
  SetUpJob(picture, fromBmp, stCube);
  filer->RunImageStage();
  SetUpJob(picture, fromPng, stCube);
  filer->SetImageFileName(dir.File("pano.png"));
  filer->RunImageStage();
  ASSERT_TRUE(errors.Messages.empty());
  for (const std::string& name : filer->ImageNames()) {
    ASSERT_TRUE(FileExists(fromPng + "/" + name)) << name;
    EXPECT_EQ(testing::ReadAll(fromPng + "/" + name), testing::ReadAll(fromBmp + "/" + name))
        << name;
  }
}

TEST_F(ImageStageTest, RefusedJobsWriteNothing) {
  const std::string out = dir.File("cube");
  SetUpJob(CompassPanorama(320), out, stCube);
  filer->SetImageFileName("");
  filer->RunImageStage();
  EXPECT_EQ(errors.Messages, StringList{"画像ファイル名：が指定されていません。"});
  const std::string gif = dir.Write("pano.gif", "not read");
  filer->SetImageFileName(gif);
  filer->RunImageStage();
  EXPECT_EQ(errors.Messages.back(), "扱えない画像ファイルです。");
  EXPECT_TRUE(std::filesystem::is_empty(out));
}

TEST_F(ImageStageTest, FailedWriteEndsTheStageWithAnError) {
  const std::string out = dir.File("cube");
  SetUpJob(CompassPanorama(320), out, stCube);
  std::filesystem::create_directory(out + "/pano_right.bmp");  // a folder where a face goes
  EXPECT_THROW(filer->RunImageStage(), FileError);
  EXPECT_FALSE(FileExists(out + "/fms_vista.bmp"));
}

// The entries of a folder, by name (folders included, so a leftover temporary file shows).
std::set<std::string> Entries(const std::string& folder) {
  std::set<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder))
    names.insert(entry.path().filename().string());
  return names;
}

// A failing image write ends the stage exactly as with one thread, whatever the thread
// count: the same console lines, the same error, the same files; nothing is announced or
// written after the failing file.
class FailedWriteTest : public ImageStageTest, public ::testing::WithParamInterface<int> {};

TEST_P(FailedWriteTest, CubeStopsAtTheFailingFace) {
  ThreadCount count(GetParam());
  const std::string out = dir.File("cube");
  SetUpJob(CompassPanorama(320), out, stCube);
  std::filesystem::create_directory(out + "/pano_right.bmp");  // a folder where a face goes
  const std::string message =
      testing::MessageOf<FileError>([&] { filer->RunImageStage(); }, "the failing face");
  EXPECT_NE(message.find("pano_right.bmp"), std::string::npos) << message;
  const std::string strip = "." + std::string(40, '.');
  const StringList expected = {"読み込んでいます。　" + dir.File("pano.bmp"),
                               "座標を取得しています。................",
                               "処理中 ", strip, strip, strip, strip,
                               "画像ファイルを書き出しています。",
                               "pano_left.bmp", "pano_front.bmp", "pano_right.bmp"};
  EXPECT_EQ(console, expected);
  EXPECT_EQ(Entries(out), (std::set<std::string>{"pano_left.bmp", "pano_front.bmp", "pano_right.bmp"}));
  EXPECT_EQ(Output(out, 1).Width(), 1024);
}

TEST_P(FailedWriteTest, SphereStopsAtTheFailingTile) {
  ThreadCount count(GetParam());
  const std::string out = dir.File("sphere");
  SetUpJob(CompassPanorama(80), out, stSphere);
  std::filesystem::create_directory(out + "/pano_13.bmp");
  EXPECT_THROW(filer->RunImageStage(), FileError);
  const StringList expected = {"読み込んでいます。　" + dir.File("pano.bmp"),
                               "画像に処理領域を追加しています。", "画像ファイルを書き出しています。",
                               "pano_11.bmp", "pano_12.bmp", "pano_13.bmp"};
  EXPECT_EQ(console, expected);
  EXPECT_EQ(Entries(out), (std::set<std::string>{"pano_11.bmp", "pano_12.bmp", "pano_13.bmp"}));
}

INSTANTIATE_TEST_SUITE_P(Threads, FailedWriteTest, ::testing::Values(1, 8));

// Cancelling a job: the stage reports "cancelled" once, removes its temporary files and
// leaves every file it had not replaced as it was, with any thread count.
class CancelTest : public ImageStageTest, public ::testing::WithParamInterface<int> {
 protected:
  // Cancels the job when the progress shows `text`.
  void CancelAt(const std::string& text) {
    filer->OnProgress = [this, text](TSimFiler&, const std::string& line, TSimProgressMode mode) {
      if (mode == spAppend || console.empty())
        console.push_back(line);
      else
        console.back() += line;
      if (line == text) filer->Cancellation().Cancel();
    };
  }
  void WriteOldFiles(const std::string& folder) {
    for (const std::string& name : filer->ImageNames())
      WriteFileAtomically(folder + "/" + name, "old");
  }
  size_t OldFiles(const std::string& folder) {
    size_t old = 0;
    for (const std::string& name : filer->ImageNames())
      old += testing::ReadAll(folder + "/" + name) == "old";
    return old;
  }
};

TEST_P(CancelTest, CubeFacesAfterTheCancelKeepTheirOldFiles) {
  ThreadCount count(GetParam());
  const std::string out = dir.File("cube");
  SetUpJob(CompassPanorama(320), out, stCube);
  WriteOldFiles(out);
  CancelAt("pano_right.bmp");
  filer->RunImageStage();
  EXPECT_EQ(errors.Messages, StringList{"cancelled"});
  EXPECT_EQ(console.back(), "pano_right.bmp");
  EXPECT_EQ(Output(out, 0).Width(), 1024);
  EXPECT_EQ(Output(out, 1).Width(), 1024);
  EXPECT_EQ(OldFiles(out), 4u);  // right, back, top, bottom
  EXPECT_EQ(Entries(out).size(), 6u);  // no temporary file, no vista texture
}

TEST_P(CancelTest, TheWarpStopsBetweenStrips) {
  ThreadCount count(GetParam());
  const std::string out = dir.File("cube");
  SetUpJob(CompassPanorama(320), out, stCube);
  WriteOldFiles(out);
  CancelAt("処理中 ");
  filer->RunImageStage();
  EXPECT_EQ(errors.Messages, StringList{"cancelled"});
  EXPECT_EQ(console.back(), "処理中 ");
  EXPECT_EQ(OldFiles(out), 6u);
  EXPECT_EQ(Entries(out).size(), 6u);
}

TEST_P(CancelTest, SphereTilesAfterTheCancelKeepTheirOldFiles) {
  ThreadCount count(GetParam());
  const std::string out = dir.File("sphere");
  SetUpJob(CompassPanorama(80), out, stSphere);
  WriteOldFiles(out);
  CancelAt("pano_21.bmp");
  filer->RunImageStage();
  EXPECT_EQ(errors.Messages, StringList{"cancelled"});
  EXPECT_EQ(console.back(), "pano_21.bmp");
  EXPECT_EQ(OldFiles(out), 16u);
  EXPECT_EQ(Output(out, 3).Width(), 512);
  EXPECT_EQ(Entries(out).size(), 20u);
}

INSTANTIATE_TEST_SUITE_P(Threads, CancelTest, ::testing::Values(1, 8));

TEST(CubeWarp, BilinearWeightsRoundHalfToEvenAndUnmappedPixelsStay) {
  TmxCurrencyUV map;
  map.Reset(2);  // strips of 4 × 8
  map.SetQuadrant(0, 0, 0, 5000, 0, 0);  // halfway between columns 0 and 1
  map.SetQuadrant(1, 1, 1, 0, 0, 5000);  // halfway between rows 0 and 1
  Bitmap source(4, 8);
  source.SetPixel(0, 0, Rgb{2, 1, 4});
  source.SetPixel(1, 0, Rgb{3, 2, 6});
  source.SetPixel(1, 1, Rgb{6, 4, 1});
  Bitmap target(4, 8);
  target.Fill(Rgb{9, 9, 9});
  auto filer = TSimFiler::Create();
  filer->WarpImage(target, source, map);
  EXPECT_EQ(target.GetPixel(0, 0), (Rgb{2, 2, 5}));  // 2.5 -> 2, 1.5 -> 2, 5 -> 5
  EXPECT_EQ(target.GetPixel(1, 1), (Rgb{4, 3, 4}));  // 4.5 -> 4, 3, 3.5 -> 4
  EXPECT_EQ(target.GetPixel(1, 0), (Rgb{9, 9, 9}));  // no source: untouched
}

TEST(Rotation, QuarterTurnsInBothDirections) {
  const Bitmap original = testing::Numbered(3, 2);
  Bitmap clockwise = original.Clone();
  RotateBitmap90(clockwise, 0);
  ASSERT_EQ(clockwise.Width(), 2);
  ASSERT_EQ(clockwise.Height(), 3);
  EXPECT_EQ(clockwise.GetPixel(1, 0), original.GetPixel(0, 0));  // (x, y) -> (h-1-y, x)
  EXPECT_EQ(clockwise.GetPixel(0, 2), original.GetPixel(2, 1));
  Bitmap counter = original.Clone();
  RotateBitmap90(counter, 1);
  EXPECT_EQ(counter.GetPixel(0, 2), original.GetPixel(0, 0));  // (x, y) -> (y, w-1-x)
  RotateBitmap90(counter, 0);
  EXPECT_TRUE(testing::SameImage(counter, original));
  Bitmap wide = testing::Numbered(3, 2, PixelFormat::Bgra32);
  RotateBitmap90(wide, 0);
  EXPECT_EQ(wide.GetPixel(1, 0), original.GetPixel(0, 0));
  Bitmap odd(2, 2, static_cast<PixelFormat>(1));
  EXPECT_EQ(testing::ImageErrorOf([&] { RotateBitmap90(odd, 0); }), "PixelFormat is not Available.");
}

}  // namespace
}  // namespace talvero

namespace talvero {
namespace {

// The one full-size run: an 8192 × 4096 panorama through the whole cube stage.
TEST_F(ImageStageTest, FullSizeCubeJobSmokeTest) {
  const std::string out = dir.File("full");
  std::filesystem::create_directories(out);
  WriteJpegFile(dir.File("pano.jpg"), CompassPanorama(8192), 90);
  filer->SetImageFileName(dir.File("pano.jpg"));
  filer->SetSceneFilename(out + "/scene.scn");
  filer->SetTextureBasename("pano");
  filer->SetExtractImageType(eiJpeg);
  filer->SetImageSizeMode(ismSmall);
  filer->SetSceneFormat(sfRCP);
  filer->PrepareOutputNames();
  filer->RunImageStage();
  ASSERT_TRUE(errors.Messages.empty());
  // A dot to open each strip's line and one for every 102nd row: 42 in all.
  for (size_t line = 3; line < 7; ++line) EXPECT_EQ(console[line], std::string(42, '.'));
  const Bitmap front = Output(out, 1);
  EXPECT_EQ(front.Width(), 1024);
  EXPECT_TRUE(testing::Near(front.GetPixel(512, 700), Rgb{kRegionRed[2], 127, 170}, 12));
}

}  // namespace
}  // namespace talvero

namespace talvero {
namespace {

// The faces as the plain construction makes them: copy the face out of the warped panorama,
// or copy the cap strip, draw its four pieces transparently turning the face in between,
// then stretch to the face size.
Bitmap ReferenceFace(const Bitmap& warped, int i, int32_t size) {
  const int32_t w = warped.Width(), b = w / 4, f = w / 8;
  Bitmap face(b, b);
  if (i < 3) {
    CopyRect(face, 0, 0, warped, f * (2 * i + 1), f, b, b);
  } else if (i == 3) {
    CopyRect(face, 0, 0, warped, 7 * f, f, f, 2 * f);
    CopyRect(face, f, 0, warped, 0, f, f, 2 * f);
  } else {
    const int32_t top = i == 4 ? 0 : 3 * f;
    Bitmap cap(w, f);
    CopyRect(cap, 0, 0, warped, 5 * f, top, 3 * f, f);
    CopyRect(cap, 3 * f, 0, warped, 0, top, 5 * f, f);
    for (int k = 0; k < 4; ++k) {
      for (int32_t y = 0; y < f; ++y)
        for (int32_t x = 0; x < b; ++x) {
          const Rgb c = cap.GetPixel(b * k + x, y);
          if (c != kWhite) face.SetPixel(x, y + (i == 4 ? f : 0), c);
        }
      if (k < 3) RotateBitmap90(face, i == 4 ? 0 : 1);
    }
  }
  Bitmap output(size, size);
  StretchDraw(output, face);
  return output;
}

TEST_F(ImageStageTest, FacesMatchThePlainConstructionByteForByte) {
  // Numbered pixels catch any misplaced one; pure white pixels check the transparency rule.
  Bitmap pano = testing::Numbered(160, 80);
  for (int32_t x = 0; x < 160; x += 7) pano.SetPixel(x, 3, kWhite);
  for (int32_t x = 0; x < 160; x += 5) pano.SetPixel(x, 76, kWhite);
  Bitmap warped = pano.Clone();
  filer->WarpCubeStrips(warped);
  const std::string out = dir.File("cube");
  SetUpJob(pano, out, stCube);
  filer->RunImageStage();
  for (int i = 0; i < 6; ++i)
    EXPECT_TRUE(testing::SameImage(Output(out, static_cast<size_t>(i)), ReferenceFace(warped, i, 1024)))
        << "face " << i;
  Bitmap cap(160, 20), face;
  CopyRect(cap, 0, 0, warped, 100, 0, 60, 20);
  CopyRect(cap, 60, 0, warped, 0, 0, 100, 20);
  filer->AssembleCapFace(face, cap, 0);
  Bitmap direct(40, 40);
  StretchDraw(direct, face);
  EXPECT_TRUE(testing::SameImage(direct, ReferenceFace(warped, 4, 40)));
}

}  // namespace
}  // namespace talvero

namespace talvero {
namespace {

// The cube job warps all four strips in place together and writes the faces of the warp's
// own size straight out of the panorama: the same bytes as the strip-by-strip warp and the
// plain construction, on one thread and on several, and every warped row is reported final
// once, holding its final bytes.
TEST_F(ImageStageTest, CubeJobGivesTheStripByStripBytesAtTheWarpsOwnSize) {
  std::mt19937 random(27);
  Bitmap pano = Bitmap::Uninitialized(4096, 2048);
  for (int32_t y = 0; y < pano.Height(); ++y) {
    uint8_t* row = pano.Row(y);
    for (size_t i = 0; i < pano.RowBytes(); ++i) row[i] = static_cast<uint8_t>(random());
  }
  for (int32_t i = 0; i < 20000; ++i)
    pano.SetPixel(static_cast<int32_t>(random() % 4096), static_cast<int32_t>(random() % 2048), kWhite);
  Bitmap warped = pano.Clone();
  filer->WarpCubeStrips(warped);
  for (int threads : {1, 8}) {
    ThreadCount count(threads);
    Bitmap inPlace = pano.Clone();
    TmxCurrencyUV map;
    filer->BuildCubeMap(512, map);
    std::vector<int> reported(2048, 0);
    WarpCubeStripsInPlace(inPlace, map, filer->Context(), [&](int32_t y) {
      ++reported[static_cast<size_t>(y)];
      EXPECT_EQ(std::memcmp(inPlace.Row(y), warped.Row(y), inPlace.RowBytes()), 0) << "row " << y;
    });
    EXPECT_TRUE(inPlace.SamePixels(warped)) << threads << " threads";
    EXPECT_EQ(std::count(reported.begin(), reported.end(), 1), 2048) << threads << " threads";

    const std::string out = dir.File("job" + std::to_string(threads));
    SetUpJob(pano, out, stCube);  // small faces: 1024, the warp's own size here
    filer->RunImageStage();
    for (int i = 0; i < 6; ++i)
      EXPECT_TRUE(testing::SameImage(Output(out, static_cast<size_t>(i)), ReferenceFace(warped, i, 1024)))
          << "face " << i << ", " << threads << " threads";
  }
}

}  // namespace
}  // namespace talvero
