// The options beyond the classic job: levelling a tilted panorama and the high-quality
// sampling, judged against references this file computes on its own (its own rotation and
// its own cube geometry), never against the engine's code.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <numbers>
#include <random>
#include <vector>

#include "cli/sample_panorama.h"
#include "common/test_support.h"
#include "engine/sim_filer.h"
#include "imaging/bitmap.h"
#include "imaging/image_codecs.h"

namespace talvero {
namespace {

using testing::RecordingErrorReporter;
using testing::TempDir;
constexpr double kPi = std::numbers::pi;

struct Vec {
  double X, Y, Z;
};
Vec operator+(Vec a, Vec b) { return {a.X + b.X, a.Y + b.Y, a.Z + b.Z}; }
Vec operator*(double s, Vec a) { return {s * a.X, s * a.Y, s * a.Z}; }
double Dot(Vec a, Vec b) { return a.X * b.X + a.Y * b.Y + a.Z * b.Z; }
Vec Cross(Vec a, Vec b) { return {a.Y * b.Z - a.Z * b.Y, a.Z * b.X - a.X * b.Z, a.X * b.Y - a.Y * b.X}; }

// Rodrigues: v turned by `degrees` about the unit axis (right-handed).
Vec Turn(Vec v, Vec axis, double degrees) {
  const double a = degrees * kPi / 180;
  return std::cos(a) * v + std::sin(a) * Cross(axis, v) + ((1 - std::cos(a)) * Dot(axis, v)) * axis;
}

// Panorama convention: x right across the width (longitude 0 at the left edge, growing to the
// right), polar angle from the zenith down the height; z is up.
Vec DirectionOf(double longitude, double polar) {
  return {std::sin(polar) * std::cos(longitude), std::sin(polar) * std::sin(longitude), std::cos(polar)};
}
void AnglesOf(Vec d, double& longitude, double& polar) {
  longitude = std::atan2(d.Y, d.X);
  if (longitude < 0) longitude += 2 * kPi;
  polar = std::atan2(std::hypot(d.X, d.Y), d.Z);
}

// The world direction that a camera held with this pose (GPano meaning: pitch lifts the view
// centre above the horizon, positive roll turns the horizon counter-clockwise in the picture)
// shows at the camera direction `c` (given in the camera's own panorama frame).
struct Pose {
  double Pitch, Roll;
  Vec World(Vec c) const {
    const Vec forward = DirectionOf(kPi, kPi / 2);        // the middle column
    const Vec right = DirectionOf(3 * kPi / 2, kPi / 2);  // columns grow to the right
    // Pitch up: forward turns toward the zenith about the right axis (counter-clockwise seen
    // from the right is forward → up, i.e. a turn by -pitch about `right`).
    const Vec pitched = Turn(c, right, -Pitch);
    // Roll: the camera's right side goes down, a turn by -roll about the pitched forward axis
    // (a positive turn about forward lifts the right side: forward × right is up).
    const Vec axis = Turn(forward, right, -Pitch);
    return Turn(pitched, axis, -Roll);
  }
};

// Bilinear sample of a panorama at area coordinates (wrapping columns, clamped rows).
Rgb Bilinear(const Bitmap& image, double u, double v) {
  const int32_t w = image.Width(), h = image.Height();
  u -= 0.5;
  v = std::clamp(v - 0.5, 0.0, h - 1.0);
  const int32_t x0 = static_cast<int32_t>(std::floor(u)), y0 = static_cast<int32_t>(v);
  const double a = u - x0, b = v - y0;
  auto at = [&](int32_t x, int32_t y) {
    return image.GetPixel(((x % w) + w) % w, std::min(y, h - 1));
  };
  const Rgb p[4] = {at(x0, y0), at(x0 + 1, y0), at(x0, y0 + 1), at(x0 + 1, y0 + 1)};
  auto mix = [&](uint8_t Rgb::*c) {
    const double value = (1 - a) * (1 - b) * p[0].*c + a * (1 - b) * p[1].*c +
                         (1 - a) * b * p[2].*c + a * b * p[3].*c;
    return static_cast<uint8_t>(std::lround(value));
  };
  return {mix(&Rgb::R), mix(&Rgb::G), mix(&Rgb::B)};
}

// What the camera of `pose` records of a level scene.
Bitmap Tilt(const Bitmap& level, Pose pose) {
  const int32_t w = level.Width(), h = level.Height();
  const double perPixel = 2 * kPi / w;
  Bitmap tilted(w, h);
  for (int32_t y = 0; y < h; ++y)
    for (int32_t x = 0; x < w; ++x) {
      double longitude, polar;
      AnglesOf(pose.World(DirectionOf((x + 0.5) * perPixel, (y + 0.5) * perPixel)), longitude, polar);
      tilted.SetPixel(x, y, Bilinear(level, longitude / perPixel, polar / perPixel));
    }
  return tilted;
}

// Peak signal-to-noise ratio over the pixels at least `border` from an edge.
double Psnr(const Bitmap& a, const Bitmap& b, int32_t border) {
  double sum = 0;
  int64_t count = 0;
  for (int32_t y = border; y < a.Height() - border; ++y)
    for (int32_t x = border; x < a.Width() - border; ++x) {
      const Rgb p = a.GetPixel(x, y), q = b.GetPixel(x, y);
      for (const double d : {p.R - q.R, p.G - q.G, p.B - q.B}) sum += d * d;
      count += 3;
    }
  const double mse = sum / static_cast<double>(count);
  return mse == 0 ? 99 : 10 * std::log10(255.0 * 255.0 / mse);
}

// An engine whose output size can be set below the job's sizes.
class SizedFiler : public TSimFiler {
 public:
  int32_t Size = 0;
  void UpdateFaceSize() override {
    TSimFiler::UpdateFaceSize();
    if (Size > 0) SetFaceSize(Size);
  }
};

class LevellingQualityTest : public ::testing::Test {
 protected:
  // Runs the image stage on `panorama` and returns its images, in the order of their names.
  std::vector<Bitmap> Run(const Bitmap& panorama, TSceneType type, TImageSizeMode size,
                          double pitch = 0, double roll = 0, TImageQuality quality = iqExact,
                          int32_t faceSize = 0) {
    auto filer = TSimFiler::Create<SizedFiler>();
    RecordingErrorReporter errors;
    filer->SetErrorReporter(&errors);
    filer->ResetJob();
    filer->Size = faceSize;
    const std::string folder = dir.File("out" + std::to_string(runs++));
    std::filesystem::create_directories(folder);
    WriteBmpFile(dir.File("pano.bmp"), panorama);
    filer->SetImageFileName(dir.File("pano.bmp"));
    filer->SetSceneFilename(folder + "/scene.scn");
    filer->SetTextureBasename("pano");
    filer->SetSceneType(type);
    filer->SetSceneFormat(sfRCP);
    filer->SetImageSizeMode(size);
    filer->SetLevelPitch(Currency::FromLongDouble(pitch));
    filer->SetLevelRoll(Currency::FromLongDouble(roll));
    filer->SetImageQuality(quality);
    filer->PrepareOutputNames();
    filer->RunImageStage();
    EXPECT_TRUE(errors.Messages.empty()) << errors.Messages.front();
    std::vector<Bitmap> images;
    for (const std::string& name : filer->ImageNames()) images.push_back(ReadBmpFile(folder + "/" + name));
    return images;
  }

  TempDir dir;
  int runs = 0;
};

TEST_F(LevellingQualityTest, TheTestsPoseMeansWhatTheCameraRecords) {
  double longitude, polar;
  // A camera pitched up by 10° shows the horizon ahead 10° below its view centre.
  AnglesOf(Pose{10, 0}.World(DirectionOf(kPi, 100 * kPi / 180)), longitude, polar);
  EXPECT_NEAR(polar * 180 / kPi, 90, 1e-9);
  EXPECT_NEAR(longitude, kPi, 1e-9);
  // Positive roll turns the horizon counter-clockwise: 90° right of the view centre it shows
  // 10° above the middle row.
  AnglesOf(Pose{0, 10}.World(DirectionOf(3 * kPi / 2, 80 * kPi / 180)), longitude, polar);
  EXPECT_NEAR(polar * 180 / kPi, 90, 1e-9);
}

TEST_F(LevellingQualityTest, ALevelledTiltedPanoramaGivesTheLevelOnesFacesAndTiles) {
  const Bitmap level = MakeSamplePanorama(2048);
  const Pose pose{8, -5};
  const Bitmap tilted = Tilt(level, pose);
  // Cube faces, exact sampling: the tilt undone inside the face map.
  const std::vector<Bitmap> expected = Run(level, stCube, ismSmall);
  const std::vector<Bitmap> levelled = Run(tilted, stCube, ismSmall, pose.Pitch, pose.Roll);
  const std::vector<Bitmap> unlevelled = Run(tilted, stCube, ismSmall);
  for (size_t i = 0; i < expected.size(); ++i) {
    EXPECT_GE(Psnr(levelled[i], expected[i], 16), 30) << "cube face " << i;
    // The tilt itself must matter (the caps are mostly plain sky and ground).
    if (i < 4) {
      EXPECT_LT(Psnr(unlevelled[i], expected[i], 16), 25) << "cube face " << i;
    }
  }
  // Sphere tiles: the panorama is levelled once, then tiled.
  const std::vector<Bitmap> tiles = Run(level, stSphere, ismSmall);
  const std::vector<Bitmap> levelledTiles = Run(tilted, stSphere, ismSmall, pose.Pitch, pose.Roll);
  for (size_t i = 0; i < tiles.size(); ++i)
    EXPECT_GE(Psnr(levelledTiles[i], tiles[i], 8), 28) << "sphere tile " << i;
}

// Value noise on a lattice of 2 panorama pixels: detail finer than the faces' pixels below.
struct Noise {
  int32_t Width;
  std::vector<double> Lattice;
  static constexpr int kSpacing = 2;
  explicit Noise(int32_t width) : Width(width) {
    std::mt19937 random(26);
    std::uniform_real_distribution<double> value(20, 235);
    Lattice.resize(static_cast<size_t>(width / kSpacing) * (width / 2 / kSpacing + 2));
    for (double& v : Lattice) v = value(random);
  }
  // At area coordinates of the panorama.
  double At(double u, double v) const {
    const int32_t columns = Width / kSpacing, rows = static_cast<int32_t>(Lattice.size()) / columns;
    u /= kSpacing;
    v = std::clamp(v / kSpacing, 0.0, rows - 1.001);
    const int32_t x0 = static_cast<int32_t>(std::floor(u)), y0 = static_cast<int32_t>(v);
    const double a = u - x0, b = v - y0;
    auto at = [&](int32_t x, int32_t y) { return Lattice[static_cast<size_t>(y) * columns + ((x % columns) + columns) % columns]; };
    return (1 - b) * ((1 - a) * at(x0, y0) + a * at(x0 + 1, y0)) + b * ((1 - a) * at(x0, y0 + 1) + a * at(x0 + 1, y0 + 1));
  }
  Bitmap Panorama() const {
    Bitmap image(Width, Width / 2);
    for (int32_t y = 0; y < image.Height(); ++y)
      for (int32_t x = 0; x < Width; ++x) {
        const auto g = static_cast<uint8_t>(std::lround(At(x + 0.5, y + 0.5)));
        image.SetPixel(x, y, {g, g, g});
      }
    return image;
  }
};

// The front face (index 1) or the top face (index 4) as the ideal camera sees it: each pixel
// the mean of n × n directions spread over it. The front face looks at the middle column,
// columns grow to the right; the top face looks up with the front on its bottom edge.
Bitmap SupersampledFace(const Noise& noise, int face, int32_t size, int n) {
  Bitmap image(size, size);
  const double perPixel = 2 * kPi / noise.Width;
  const Vec front = DirectionOf(kPi, kPi / 2), right = DirectionOf(3 * kPi / 2, kPi / 2);
  const Vec up{0, 0, 1};
  for (int32_t y = 0; y < size; ++y)
    for (int32_t x = 0; x < size; ++x) {
      double sum = 0;
      for (int j = 0; j < n; ++j)
        for (int i = 0; i < n; ++i) {
          const double p = 2 * (x + (i + 0.5) / n) / size - 1, q = 2 * (y + (j + 0.5) / n) / size - 1;
          const Vec d = face == 4 ? up + q * front + p * right : front + p * right + (-q) * up;
          double longitude, polar;
          AnglesOf(d, longitude, polar);
          sum += noise.At(longitude / perPixel, polar / perPixel);
        }
      const auto g = static_cast<uint8_t>(std::lround(sum / (n * n)));
      image.SetPixel(x, y, {g, g, g});
    }
  return image;
}

TEST_F(LevellingQualityTest, HighQualityFacesDoNotAliasAndTilesAreNotBlocky) {
  // Faces of a quarter of the warp's resolution: each face pixel covers about 4 × 4 pixels.
  const Noise noise(2048);
  const Bitmap panorama = noise.Panorama();
  const std::vector<Bitmap> exact = Run(panorama, stCube, ismSmall, 0, 0, iqExact, 128);
  const std::vector<Bitmap> high = Run(panorama, stCube, ismSmall, 0, 0, iqHigh, 128);
  // The front face, and the top face, whose pixels near the pole span many columns.
  for (int face : {1, 4}) {
    const Bitmap reference = SupersampledFace(noise, face, 128, 16);
    const double exactScore = Psnr(exact[face], reference, 2);
    const double highScore = Psnr(high[face], reference, 2);
    EXPECT_GE(highScore, exactScore + 6)
        << "face " << face << ": exact " << exactScore << " dB, high " << highScore << " dB";
  }

  // Large sphere tiles from a 2048-wide panorama are crops of 258 pixels enlarged to 2048: no
  // pixel may be repeated into an 8 × 8 block.
  auto flatBlocks = [](const Bitmap& tile) {
    int blocks = 0;
    for (int32_t by = 0; by + 8 <= tile.Height(); by += 8)
      for (int32_t bx = 0; bx + 8 <= tile.Width(); bx += 8) {
        bool flat = true;
        for (int32_t y = by; y < by + 8 && flat; ++y)
          for (int32_t x = bx; x < bx + 8 && flat; ++x) flat = tile.GetPixel(x, y) == tile.GetPixel(bx, by);
        blocks += flat;
      }
    return blocks;
  };
  const std::vector<Bitmap> exactTiles = Run(panorama, stSphere, ismLarge);
  const std::vector<Bitmap> highTiles = Run(panorama, stSphere, ismLarge, 0, 0, iqHigh);
  EXPECT_GT(flatBlocks(exactTiles[4]), 1000);  // the classic stretch does repeat
  for (size_t i : {0u, 4u, 12u}) EXPECT_EQ(flatBlocks(highTiles[i]), 0) << "tile " << i;
}

TEST_F(LevellingQualityTest, ThePanoramasSeamDoesNotShow) {
  // The back face looks at the panorama's left and right edges; turned by half a turn (and
  // the pose with it), the same pixels face the front, away from the seam. Both must be the
  // same picture.
  const Bitmap panorama = Noise(2048).Panorama();
  Bitmap turned(panorama.Width(), panorama.Height());
  for (int32_t y = 0; y < panorama.Height(); ++y)
    for (int32_t x = 0; x < panorama.Width(); ++x)
      turned.SetPixel(x, y, panorama.GetPixel((x + panorama.Width() / 2) % panorama.Width(), y));
  for (const TImageQuality quality : {iqExact, iqHigh}) {
    const Bitmap back = std::move(Run(panorama, stCube, ismSmall, 0.5, 0.3, quality, 600)[3]);
    const Bitmap front = std::move(Run(turned, stCube, ismSmall, -0.5, -0.3, quality, 600)[1]);
    int worst = 0;
    for (int32_t y = 0; y < back.Height(); ++y)
      for (int32_t x = 0; x < back.Width(); ++x) {
        const Rgb a = back.GetPixel(x, y), b = front.GetPixel(x, y);
        worst = std::max({worst, std::abs(a.R - b.R), std::abs(a.G - b.G), std::abs(a.B - b.B)});
      }
    EXPECT_LE(worst, 2) << (quality == iqHigh ? "high" : "exact");
  }
}

}  // namespace
}  // namespace talvero
