// The view before conversion against the scene the job then writes: levelled, turned, both
// simulators and both scene types, looked at in several directions.
#include <gtest/gtest.h>

#include <tuple>

#include "scene_view_support.h"
#include "sceneview/panorama_view.h"

namespace talvero {
namespace {

using testing::DirectionPanorama;
using testing::Psnr;
using testing::WriteScene;

SceneViewSettings LookAt(double yaw, double pitch) {
  SceneViewSettings s;
  s.Yaw = yaw;
  s.Pitch = pitch;
  s.Width = 480;
  s.Height = 270;
  s.Ground = false;
  return s;
}

class PanoramaViewTest : public ::testing::TestWithParam<std::tuple<TSceneFormat, TSceneType>> {};

TEST_P(PanoramaViewTest, ShowsWhatTheWrittenSceneShows) {
  const auto [format, type] = GetParam();
  const Bitmap pano = DirectionPanorama(2048);
  const PanoramaViewPose pose{7, -12, 30};
  const auto written = WriteScene(pano, type, format, eiBitmap, [&](TSimFiler& filer) {
    filer.SetLevelPitch(Currency::FromLongDouble(pose.LevelPitch));
    filer.SetLevelRoll(Currency::FromLongDouble(pose.LevelRoll));
    const Currency turn = Currency::FromLongDouble(pose.SceneRotate);
    filer.FMSData().SetSceneRotate(turn);
    filer.RCPData().SetSceneRotate(turn);
  });
  const LoadedScene scene(written->SceneFile);
  const ViewPanorama prepared(pano.Clone());
  SceneRenderer sceneRenderer;
  PanoramaViewRenderer renderer;
  // A sphere scene closes its bottom with a cap of one colour from 45° below the horizon.
  const auto compared = [&](const SceneViewSettings& s) {
    return [&s, type](int32_t x, int32_t y) {
      return type == stCube || testing::RayOf(s, x, y).Elevation > -44 * testing::kPi / 180;
    };
  };
  const double views[][2] = {{0, 0}, {100, 10}, {200, -30}, {300, 60}, {45, -89}};
  for (const auto& [yaw, pitch] : views) {
    const SceneViewSettings s = LookAt(yaw, pitch);
    if (type == stSphere && pitch < -45) continue;
    EXPECT_GE(Psnr(renderer.Render(prepared, pose, s), sceneRenderer.Render(scene, s), compared(s)),
              35)
        << "yaw " << yaw << ", pitch " << pitch;
  }
  // The check can fail: with the turn or the levelling the other way round, the views differ.
  const SceneViewSettings ahead = LookAt(0, 0);
  const Bitmap written0 = sceneRenderer.Render(scene, ahead);
  EXPECT_LT(Psnr(renderer.Render(prepared, {7, -12, -30}, ahead), written0), 30);
  EXPECT_LT(Psnr(renderer.Render(prepared, {-7, 12, 30}, ahead), written0), 30);
}

INSTANTIATE_TEST_SUITE_P(Scenes, PanoramaViewTest,
                         ::testing::Combine(::testing::Values(sfFMS, sfRCP),
                                            ::testing::Values(stCube, stSphere)),
                         [](const auto& info) {
                           return std::string(std::get<0>(info.param) == sfFMS ? "Fms" : "Rcp") +
                                  (std::get<1>(info.param) == stCube ? "Cube" : "Sphere");
                         });

TEST(ViewPanoramaTest, AnyShapeBecomesTwoToOneAndAtMostTheViewWidth) {
  EXPECT_EQ(ViewPanorama(Bitmap(1000, 300)).Picture().Height(), 500);
  const ViewPanorama wide(Bitmap(8192, 4096));
  EXPECT_EQ(wide.Picture().Width(), kPanoramaViewWidth);
  EXPECT_EQ(wide.Picture().Height(), kPanoramaViewWidth / 2);
  EXPECT_THROW(ViewPanorama{Bitmap()}, ImageError);
}

}  // namespace
}  // namespace talvero
