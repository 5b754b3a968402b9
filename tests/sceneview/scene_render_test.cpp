// The renderer's own rules: the ground grid, the viewer's eye and the settings it refuses.
#include <gtest/gtest.h>

#include "common/test_support.h"
#include "engine/sim_filer.h"
#include "sceneview/scene_view.h"
#include "support/errors.h"

namespace talvero {
namespace {

constexpr int32_t kWidth = 480, kHeight = 270;

// A scene file alone (its images missing, so every face is flat): enough for the ground.
std::string WriteSceneFile(const testing::TempDir& dir, TSceneFormat format,
                           Currency slopeX = Currency::FromInt(0)) {
  testing::RecordingErrorReporter errors;
  auto filer = TSimFiler::Create();
  filer->SetErrorReporter(&errors);
  filer->ResetJob();
  const std::string file = dir.File(format == sfFMS ? "scene.scn" : "scene.xscn");
  filer->SetSceneFilename(file);
  filer->SetTextureBasename("pano");
  filer->SetSceneFormat(format);
  filer->FMSData().SetSlopeX(slopeX);
  filer->PrepareOutputNames();
  filer->RunSceneStage();
  EXPECT_TRUE(errors.Messages.empty());
  return file;
}

SceneViewSettings View(double yaw, double pitch, bool ground) {
  SceneViewSettings s;
  s.Yaw = yaw;
  s.Pitch = pitch;
  s.Width = kWidth;
  s.Height = kHeight;
  s.Ground = ground;
  return s;
}

// Pixels that the ground grid changed, above and below the middle of the picture.
struct GridPixels {
  int64_t Above = 0, Below = 0;
};
GridPixels GridOf(const LoadedScene& scene, double yaw, double pitch) {
  SceneRenderer renderer;
  const Bitmap with = renderer.Render(scene, View(yaw, pitch, true));
  const Bitmap without = renderer.Render(scene, View(yaw, pitch, false));
  GridPixels grid;
  for (int32_t y = 0; y < kHeight; ++y)
    for (int32_t x = 0; x < kWidth; ++x)
      if (with.GetPixel(x, y) != without.GetPixel(x, y))
        (y < kHeight / 2 - 1 ? grid.Above : grid.Below) += 1;
  return grid;
}

TEST(SceneRenderer, TheGroundGridLiesOnTheGroundOfTheFile) {
  testing::TempDir dir;
  for (const TSceneFormat format : {sfFMS, sfRCP}) {
    // A level ground 1.7 m below the eye: the grid only below the horizon, ahead and behind.
    const LoadedScene level(WriteSceneFile(dir, format));
    ASSERT_EQ(level.Model().Ground.size(), 1u) << format;
    for (const double yaw : {0.0, 180.0}) {
      const GridPixels grid = GridOf(level, yaw, 0);
      EXPECT_EQ(grid.Above, 0) << format;
      EXPECT_GT(grid.Below, kWidth) << format;
    }
    // Looking down, the lines near the feet cross the picture.
    const GridPixels down = GridOf(level, 0, -60);
    EXPECT_GT(down.Above + down.Below, 3 * kWidth) << format;
  }
  // FMS tilts its ground by the slopes: rising to the right, it stands above the eye there.
  const LoadedScene sloped(WriteSceneFile(dir, sfFMS, Currency::FromInt(10)));
  EXPECT_GT(GridOf(sloped, 90, 0).Above, kWidth);
  EXPECT_EQ(GridOf(sloped, 270, 0).Above, 0);
}

TEST(SceneRenderer, TheEyeIsThePilotsAndBadSettingsAreRefused) {
  testing::TempDir dir;
  // A single square one metre in front of the pilot, who stands at x = 1, y = 0, z = 0.
  const std::string file = dir.Write("s.scn",
                                     "PILOT_POSITION 1 0 0 FIXED\n"
                                     "QUADS\nTEXTURE none\n"
                                     "0 0 0 -0.5 0.5\n0 0 0 -0.5 -0.5\n0 0 0 0.5 -0.5\n"
                                     "0 0 0 0.5 0.5\n");
  const LoadedScene scene(file);
  SceneRenderer renderer;
  SceneViewSettings s = View(0, 0, false);
  // Seen from one metre it fills half the width of a 90-degree view.
  const Bitmap near = renderer.Render(scene, s);
  EXPECT_EQ(near.GetPixel(kWidth / 2, kHeight / 2), kMissingImageColour);
  EXPECT_EQ(near.GetPixel(kWidth / 4 + 2, kHeight / 2), kMissingImageColour);
  EXPECT_EQ(near.GetPixel(kWidth / 4 - 2, kHeight / 2), kBackgroundColour);
  // Behind the viewer there is nothing.
  s.Yaw = 180;
  renderer.Render(scene, s);
  EXPECT_EQ(renderer.UncoveredPixels(), int64_t{kWidth} * kHeight);

  for (const auto& change : std::initializer_list<void (*)(SceneViewSettings&)>{
           [](SceneViewSettings& v) { v.Pitch = 91; }, [](SceneViewSettings& v) { v.Fov = 0; },
           [](SceneViewSettings& v) { v.Fov = 180; }, [](SceneViewSettings& v) { v.Yaw = NAN; },
           [](SceneViewSettings& v) { v.Width = 8; },
           [](SceneViewSettings& v) { v.Height = 100000; }}) {
    SceneViewSettings bad = View(0, 0, true);
    change(bad);
    EXPECT_FALSE(bad.Problem().empty());
    EXPECT_THROW(renderer.Render(scene, bad), Error);
  }
}

}  // namespace
}  // namespace talvero
