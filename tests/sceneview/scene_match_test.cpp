// Scenes written by the engine, viewed from inside, against what a camera at the centre of
// the panorama itself would see: orientation, faces, caps, seams and tiles together.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "scene_view_support.h"
#include "sceneview/scene_view.h"

namespace talvero {
namespace {

using testing::DirectionPanorama;
using testing::GnomonicView;
using testing::Psnr;
using testing::WriteScene;
using testing::WrittenScene;

// The scene file's lines (CR LF ends) and back.
std::vector<std::string> FileLines(const std::string& path) {
  std::vector<std::string> lines;
  const std::string text = testing::ReadAll(path);
  size_t start = 0;
  for (size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
    lines.push_back(text.substr(start, end - start));
  return lines;
}
void SaveLines(const std::string& path, const std::vector<std::string>& lines) {
  std::ofstream out(path, std::ios::binary);
  for (const std::string& line : lines) out << line << "\r\n";
}

// The index of the first line equal to `text`.
size_t LineOf(const std::vector<std::string>& lines, const std::string& text) {
  const auto it = std::find(lines.begin(), lines.end(), text);
  EXPECT_NE(it, lines.end()) << text;
  return static_cast<size_t>(it - lines.begin());
}

// The file that holds the mesh of a written scene.
std::string MeshFile(const WrittenScene& scene, TSceneFormat format) {
  return format == sfFMS ? scene.SceneFile : scene.Dir.File("scene.x");
}

// The front face's texture turned left to right, by its texture coordinates alone.
void MirrorFrontTexture(const WrittenScene& scene, TSceneFormat format) {
  std::vector<std::string> lines = FileLines(MeshFile(scene, format));
  if (format == sfFMS) {
    // "U V X Y Z" lines after the face's TEXTURE line: U 0.25 becomes 254.5 and back.
    const size_t first = LineOf(lines, "TEXTURE pano_front") + 1;
    for (size_t i = first; i < first + 4; ++i) {
      const size_t space = lines[i].find(' ');
      const std::string u = lines[i].substr(0, space);
      lines[i] = (u == "0.25" ? "254.5" : "0.25") + lines[i].substr(space);
    }
  } else {
    // Texture coordinates 4 to 7 belong to face 1, the front.
    const size_t first = LineOf(lines, " MeshTextureCoords {") + 2 + 4;
    for (size_t i = first; i < first + 4; ++i) {
      const std::string u = lines[i].substr(2, 8);
      lines[i] =
          "  " + std::string(u == "0.001000" ? "0.998000" : "0.001000") + lines[i].substr(10);
    }
  }
  SaveLines(MeshFile(scene, format), lines);
}

// The front face's corners in the opposite order: the face now turns its back to the eye.
void TurnFrontFace(const WrittenScene& scene, TSceneFormat format) {
  std::vector<std::string> lines = FileLines(MeshFile(scene, format));
  if (format == sfFMS) {
    const size_t first = LineOf(lines, "TEXTURE pano_front") + 1;
    std::reverse(lines.begin() + static_cast<std::ptrdiff_t>(first),
                 lines.begin() + static_cast<std::ptrdiff_t>(first + 4));
  } else {
    lines[LineOf(lines, " 4;4,5,6,7;,")] = " 4;7,6,5,4;,";
  }
  SaveLines(MeshFile(scene, format), lines);
}

constexpr int32_t kPanoramaWidth = 2048;
constexpr int32_t kViewWidth = 480, kViewHeight = 270;

SceneViewSettings View(double yaw, double pitch, double fov = 90) {
  SceneViewSettings s;
  s.Yaw = yaw;
  s.Pitch = pitch;
  s.Fov = fov;
  s.Width = kViewWidth;
  s.Height = kViewHeight;
  s.Ground = false;
  return s;
}

class CubeSceneTest : public ::testing::TestWithParam<TSceneFormat> {};

TEST_P(CubeSceneTest, EveryDirectionMatchesThePanorama) {
  const Bitmap pano = DirectionPanorama(kPanoramaWidth);
  const auto written = WriteScene(pano, stCube, GetParam());
  const LoadedScene scene(written->SceneFile);
  EXPECT_TRUE(scene.Missing().empty());
  SceneRenderer renderer;
  const double views[][2] = {{0, 0}, {90, 0}, {180, 0}, {270, 0}, {0, 89}, {0, -89}, {45, 30}};
  for (const auto& [yaw, pitch] : views) {
    const SceneViewSettings s = View(yaw, pitch);
    const Bitmap view = renderer.Render(scene, s);
    EXPECT_EQ(renderer.UncoveredPixels(), 0) << "yaw " << yaw << ", pitch " << pitch;
    EXPECT_GE(Psnr(view, GnomonicView(pano, s)), 30) << "yaw " << yaw << ", pitch " << pitch;
  }
  // The check can fail: the front view is not what lies to the right.
  EXPECT_LT(Psnr(renderer.Render(scene, View(0, 0)), GnomonicView(pano, View(90, 0))), 20);
}

TEST_P(CubeSceneTest, WhatTheFileHoldsIsWhatShows) {
  const TSceneFormat format = GetParam();
  const Bitmap pano = DirectionPanorama(kPanoramaWidth);
  const auto written = WriteScene(pano, stCube, format);
  SceneRenderer renderer;
  const Bitmap before = renderer.Render(LoadedScene(written->SceneFile), View(0, 0));
  const Bitmap reference = GnomonicView(pano, View(0, 0));
  ASSERT_GE(Psnr(before, reference), 30);

  // Texture coordinates altered by hand: the front face shows its picture mirrored.
  MirrorFrontTexture(*written, format);
  const Bitmap mirrored = renderer.Render(LoadedScene(written->SceneFile), View(0, 0));
  EXPECT_LT(Psnr(mirrored, reference), 20);
  EXPECT_EQ(renderer.UncoveredPixels(), 0);
  // The faces beside it are untouched: the right half of a view turned right still matches.
  const SceneViewSettings right = View(90, 0);
  EXPECT_GE(Psnr(renderer.Render(LoadedScene(written->SceneFile), right), GnomonicView(pano, right),
                 [](int32_t x, int32_t) { return x >= kViewWidth / 2; }),
            30);

  // The face turned the wrong way: the simulator does not draw its back, so neither do we.
  TurnFrontFace(*written, format);
  const Bitmap turned = renderer.Render(LoadedScene(written->SceneFile), View(0, 0));
  EXPECT_GT(renderer.UncoveredPixels(), kViewWidth * kViewHeight / 2);
  EXPECT_EQ(turned.GetPixel(kViewWidth / 2, kViewHeight / 2), kBackgroundColour);
}

TEST_P(CubeSceneTest, AMissingImageIsNamedAndShownFlat) {
  const TSceneFormat format = GetParam();
  const Bitmap pano = DirectionPanorama(kPanoramaWidth);
  const auto written = WriteScene(pano, stCube, format);
  std::filesystem::remove(written->Images[1]);  // the front face
  // And one that is not an image at all.
  std::ofstream(written->Images[3], std::ios::binary) << "not a picture";
  const LoadedScene scene(written->SceneFile);
  ASSERT_EQ(scene.Missing().size(), 2u);
  // FMS names its textures without the extension, the DirectX mesh with it.
  EXPECT_EQ(scene.Missing()[0].Name, format == sfFMS ? "pano_front" : "pano_front.bmp");
  EXPECT_EQ(scene.Missing()[0].Problem, "no such file");
  EXPECT_EQ(scene.Missing()[1].Name, format == sfFMS ? "pano_back" : "pano_back.bmp");
  SceneRenderer renderer;
  const Bitmap front = renderer.Render(scene, View(0, 0));
  EXPECT_EQ(front.GetPixel(kViewWidth / 2, kViewHeight / 2), kMissingImageColour);
  EXPECT_EQ(front.GetPixel(kViewWidth / 3, kViewHeight / 4), kMissingImageColour);
  // The other faces still show their pictures.
  const SceneViewSettings right = View(90, 0);
  EXPECT_GE(Psnr(renderer.Render(scene, right), GnomonicView(pano, right)), 30);
}

INSTANTIATE_TEST_SUITE_P(Formats, CubeSceneTest, ::testing::Values(sfFMS, sfRCP),
                         [](const auto& info) { return info.param == sfFMS ? "Fms" : "Rcp"; });

class SphereSceneTest : public ::testing::TestWithParam<TSceneFormat> {};

TEST_P(SphereSceneTest, NoGapsAndTheTilesMatchThePanorama) {
  const Bitmap pano = DirectionPanorama(kPanoramaWidth);
  const auto written = WriteScene(pano, stSphere, GetParam());
  const LoadedScene scene(written->SceneFile);
  EXPECT_TRUE(scene.Missing().empty());
  SceneRenderer renderer;
  // 64 directions spread evenly over the sphere (a Fibonacci lattice), poles included.
  constexpr int kDirections = 64;
  const double golden = testing::kPi * (3 - std::sqrt(5.0));
  for (int i = 0; i < kDirections; ++i) {
    const double up = 1 - 2.0 * i / (kDirections - 1);
    const SceneViewSettings s =
        View(std::fmod(i * golden * 180 / testing::kPi, 360), std::asin(up) * 180 / testing::kPi);
    const Bitmap view = renderer.Render(scene, s);
    EXPECT_EQ(renderer.UncoveredPixels(), 0) << "yaw " << s.Yaw << ", pitch " << s.Pitch;
    // The tiles reach down to 45 degrees below the horizon; below that the bottom cap shows
    // a single colour, which the panorama does not have.
    const Bitmap reference = GnomonicView(pano, s);
    const double psnr = Psnr(view, reference, [&s](int32_t x, int32_t y) {
      return testing::RayOf(s, x, y).Elevation > -44 * testing::kPi / 180;
    });
    EXPECT_GE(psnr, 28) << "yaw " << s.Yaw << ", pitch " << s.Pitch;
  }
}

INSTANTIATE_TEST_SUITE_P(Formats, SphereSceneTest, ::testing::Values(sfFMS, sfRCP),
                         [](const auto& info) { return info.param == sfFMS ? "Fms" : "Rcp"; });

}  // namespace
}  // namespace talvero
