// Helpers of the scene view tests: a panorama whose colour tells the direction, scenes made
// from it by the engine, and the view a camera at the centre would see of the panorama
// itself (the reference every rendered scene is held against).
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include "common/test_support.h"
#include "engine/sim_filer.h"
#include "imaging/bitmap.h"
#include "imaging/image_codecs.h"
#include "sceneview/scene_view.h"

namespace talvero::testing {

constexpr double kPi = 3.14159265358979323846;

// The colour of a direction given as heading (0 ahead, positive to the right) and elevation,
// in radians: red, green and blue follow the ahead, right and up parts of the unit vector, so
// every direction has its own colour and a turned or mirrored picture shows; a ripple of
// about 30 degrees on top makes a shift of a degree or two show as well.
inline Rgb DirectionColour(double heading, double elevation) {
  const double ahead = std::cos(elevation) * std::cos(heading);
  const double right = std::cos(elevation) * std::sin(heading);
  const double up = std::sin(elevation);
  const double ripple = std::sin(12 * ahead) * std::sin(12 * right) * std::sin(12 * up);
  auto channel = [ripple](double v) {
    return static_cast<uint8_t>(std::lround(128 + 95 * v + 30 * ripple));
  };
  return {channel(ahead), channel(right), channel(up)};
}

// Equirectangular: the middle column looks ahead, headings grow to the right, the top row
// is the zenith.
inline Bitmap DirectionPanorama(int32_t width) {
  const int32_t height = width / 2;
  Bitmap image(width, height);
  for (int32_t y = 0; y < height; ++y)
    for (int32_t x = 0; x < width; ++x)
      image.SetPixel(
          x, y,
          DirectionColour(((x + 0.5) / width - 0.5) * 2 * kPi, (0.5 - (y + 0.5) / height) * kPi));
  return image;
}

// Bilinear sample of the panorama at a heading and elevation (radians).
inline Rgb PanoramaAt(const Bitmap& pano, double heading, double elevation) {
  const double x = (heading / (2 * kPi) + 0.5) * pano.Width() - 0.5;
  const double y = (0.5 - elevation / kPi) * pano.Height() - 0.5;
  const double fx = std::floor(x), fy = std::floor(y);
  const double ax = x - fx, ay = y - fy;
  auto at = [&](int64_t cx, int64_t cy) {
    cx = ((cx % pano.Width()) + pano.Width()) % pano.Width();
    cy = std::clamp<int64_t>(cy, 0, pano.Height() - 1);
    return pano.GetPixel(static_cast<int32_t>(cx), static_cast<int32_t>(cy));
  };
  const auto ix = static_cast<int64_t>(fx), iy = static_cast<int64_t>(fy);
  const Rgb c00 = at(ix, iy), c10 = at(ix + 1, iy), c01 = at(ix, iy + 1), c11 = at(ix + 1, iy + 1);
  auto mix = [&](uint8_t a, uint8_t b, uint8_t c, uint8_t d) {
    return static_cast<uint8_t>(
        std::lround((a * (1 - ax) + b * ax) * (1 - ay) + (c * (1 - ax) + d * ax) * ay));
  };
  return {mix(c00.R, c10.R, c01.R, c11.R), mix(c00.G, c10.G, c01.G, c11.G),
          mix(c00.B, c10.B, c01.B, c11.B)};
}

// The heading and elevation (radians) that pixel (px, py) of a pinhole view looks along.
struct ViewRay {
  double Heading, Elevation;
};
inline ViewRay RayOf(const SceneViewSettings& s, int32_t px, int32_t py) {
  const double yaw = s.Yaw * kPi / 180, pitch = s.Pitch * kPi / 180;
  const double f = s.Width / 2.0 / std::tan(s.Fov * kPi / 360);
  const double cx = (px + 0.5 - s.Width / 2.0) / f, cy = (s.Height / 2.0 - py - 0.5) / f;
  // Ahead, right and up parts of the ray: the picture's axes turned by pitch, then by yaw.
  const double a = std::cos(pitch) - cy * std::sin(pitch);
  const double u = std::sin(pitch) + cy * std::cos(pitch);
  const double ahead = a * std::cos(yaw) - cx * std::sin(yaw);
  const double right = a * std::sin(yaw) + cx * std::cos(yaw);
  return {std::atan2(right, ahead), std::atan2(u, std::hypot(ahead, right))};
}

// What a camera at the panorama's centre sees.
inline Bitmap GnomonicView(const Bitmap& pano, const SceneViewSettings& s) {
  Bitmap view(s.Width, s.Height);
  for (int32_t py = 0; py < s.Height; ++py)
    for (int32_t px = 0; px < s.Width; ++px) {
      const ViewRay ray = RayOf(s, px, py);
      view.SetPixel(px, py, PanoramaAt(pano, ray.Heading, ray.Elevation));
    }
  return view;
}

// Peak signal-to-noise ratio in dB over the pixels `use` accepts (all by default).
template <typename Use>
double Psnr(const Bitmap& a, const Bitmap& b, Use use) {
  double sum = 0;
  int64_t count = 0;
  for (int32_t y = 0; y < a.Height(); ++y)
    for (int32_t x = 0; x < a.Width(); ++x) {
      if (!use(x, y)) continue;
      const Rgb p = a.GetPixel(x, y), q = b.GetPixel(x, y);
      sum += (p.R - q.R) * (p.R - q.R) + (p.G - q.G) * (p.G - q.G) + (p.B - q.B) * (p.B - q.B);
      count += 3;
    }
  if (count == 0) return 0;
  if (sum == 0) return 99;
  return 10 * std::log10(255.0 * 255.0 * count / sum);
}
inline double Psnr(const Bitmap& a, const Bitmap& b) {
  return Psnr(a, b, [](int32_t, int32_t) { return true; });
}

// A scene written by the engine, images and scene file, from a panorama.
struct WrittenScene {
  TempDir Dir;
  std::string SceneFile;  // the .scn or the .xscn file
  StringList Images;      // full paths, in ImageNames order
};

inline std::unique_ptr<WrittenScene> WriteScene(const Bitmap& pano, TSceneType type,
                                                TSceneFormat format,
                                                TExtractImageType imageType = eiBitmap,
                                                const std::function<void(TSimFiler&)>& configure = {}) {
  auto scene = std::make_unique<WrittenScene>();
  RecordingErrorReporter errors;
  auto filer = TSimFiler::Create();
  filer->SetErrorReporter(&errors);
  filer->ResetJob();
  WriteBmpFile(scene->Dir.File("pano.bmp"), pano);
  filer->SetImageFileName(scene->Dir.File("pano.bmp"));
  scene->SceneFile = scene->Dir.File(format == sfFMS ? "scene.scn" : "scene.xscn");
  filer->SetSceneFilename(scene->SceneFile);
  filer->SetTextureBasename("pano");
  filer->SetSceneType(type);
  filer->SetSceneFormat(format);
  filer->SetExtractImageType(imageType);
  filer->SetImageSizeMode(ismSmall);
  if (configure) configure(*filer);
  filer->PrepareOutputNames();
  filer->RunImageStage();
  filer->RunSceneStage();
  EXPECT_TRUE(errors.Messages.empty()) << errors.Messages.front();
  for (const std::string& name : filer->ImageNames())
    scene->Images.push_back(scene->Dir.File(name));
  return scene;
}

}  // namespace talvero::testing
