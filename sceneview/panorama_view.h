// The scene a job will make, seen before anything is written: the panorama as a sphere
// around the eye, levelled and turned as the job will level and turn it, so that every
// direction of the view shows what the written scene will show there.
#pragma once

#include <cstdint>
#include <memory>

#include "engine/direct_map.h"
#include "imaging/bitmap.h"
#include "sceneview/scene_view.h"

namespace talvero {

// What the job does to the panorama's directions: the camera pose it undoes (degrees, as
// `LevellingRotation` takes them) and the scene's turn about the vertical (`SceneRotate`,
// degrees; positive turns the scenery to the right, so yaw 0 then looks at what lay to the
// left of it).
struct PanoramaViewPose {
  double LevelPitch = 0, LevelRoll = 0;
  double SceneRotate = 0;
};

// The widest copy of a panorama the view keeps: about as many pixels per degree as a 90°
// view 1280 pixels wide, at a quarter of the memory of an 8192-wide panorama.
inline constexpr int32_t kPanoramaViewWidth = 4096;

// A panorama ready for views: a 24-bit copy twice as wide as high (as the job stretches a
// panorama of another shape), at most kPanoramaViewWidth wide, filtered smoothly, with what
// footprint sampling needs near the poles.
class ViewPanorama {
 public:
  // Error for an empty picture.
  explicit ViewPanorama(Bitmap panorama);
  const Bitmap& Picture() const { return *FPicture; }
  const FootprintSource& Source() const { return *FSource; }

 private:
  std::unique_ptr<Bitmap> FPicture;  // not moved, for the source refers to it
  std::unique_ptr<FootprintSource> FSource;
};

// Renders views of a panorama; keeps its buffers between views. Not for use by two threads
// at once.
class PanoramaViewRenderer {
 public:
  // A 24-bit image of the view: every pixel filtered over the panorama pixels it covers.
  // Only the direction, field of view and size of `settings` count (the ground belongs to a
  // written scene). Error when the settings have a Problem().
  Bitmap Render(const ViewPanorama& panorama, const PanoramaViewPose& pose,
                const SceneViewSettings& settings);

 private:
  SourceRows FRows;
};

}  // namespace talvero
