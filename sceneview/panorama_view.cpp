// Views of the panorama itself: each view pixel's ray turned from the scene's axes into the
// tilted panorama's, the panorama sampled once over the pixel's footprint.
#include "sceneview/panorama_view.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "imaging/footprint_sampler.h"
#include "sceneview/view_camera.h"
#include "support/errors.h"

namespace talvero {

namespace {

constexpr int32_t kBlockRows = 32;

Bitmap TwoToOne(Bitmap panorama) {
  if (panorama.Empty()) throw ImageError("the panorama is empty");
  if (panorama.Format() != PixelFormat::Bgr24) {
    Bitmap rgb = Bitmap::Uninitialized(panorama.Width(), panorama.Height());
    CopyRect(rgb, 0, 0, panorama, 0, 0, panorama.Width(), panorama.Height());
    panorama = std::move(rgb);
  }
  // Even, so that the height is exactly half; never wider than the picture's own pixels.
  const int32_t width =
      std::max<int32_t>(8, std::min(kPanoramaViewWidth, panorama.Width()) / 2 * 2);
  if (panorama.Width() == width && panorama.Height() == width / 2) return panorama;
  Bitmap result = Bitmap::Uninitialized(width, width / 2);
  ResizePanoramaSmooth(result, panorama);
  return result;
}

}  // namespace

ViewPanorama::ViewPanorama(Bitmap panorama)
    : FPicture(std::make_unique<Bitmap>(TwoToOne(std::move(panorama)))),
      FSource(std::make_unique<FootprintSource>(*FPicture)) {}

Bitmap PanoramaViewRenderer::Render(const ViewPanorama& view, const PanoramaViewPose& pose,
                                    const SceneViewSettings& s) {
  if (const std::string problem = s.Problem(); !problem.empty()) throw Error(problem);
  const Bitmap& panorama = view.Picture();
  const Rotation levelling = LevellingRotation(pose.LevelPitch, pose.LevelRoll);
  // The levelled world in the panorama's own axes (z up): ahead is its middle column, to the
  // right the direction of growing columns. The turned scene shows at yaw y what lay at
  // y - SceneRotate before the turn.
  const ViewCamera camera({{}, {-1, 0, 0}, {0, -1, 0}, {0, 0, 1}}, s.Yaw - pose.SceneRotate, s);
  const int32_t w = panorama.Width();
  const PositionOf position = [&](double x, double y, double& u, double& v) {
    const Vec3 ray = camera.Ray(x, y);
    const double d[3] = {ray.X, ray.Y, ray.Z};
    double turned[3];
    levelling.Apply(d, turned);
    DirectionToPanorama(turned, w, u, v);
  };
  Bitmap image = Bitmap::Uninitialized(s.Width, s.Height);
  for (int32_t top = 0; top < s.Height; top += kBlockRows) {
    const int32_t end = std::min(s.Height, top + kBlockRows);
    MapSourceRows(position, w, s.Width, top, end, true, FRows);
    for (int32_t y = top; y < end; ++y)
      for (int32_t x = 0; x < s.Width; ++x) {
        const size_t i = static_cast<size_t>(y - top) * s.Width + x;
        uint8_t* out = image.Row(y) + 3 * x;
        if (FRows.Point[i])
          SampleBilinear(panorama, FRows.U[i], FRows.V[i], out);
        else
          view.Source().Sample(FRows.At(i), out);
      }
  }
  return image;
}

}  // namespace talvero
