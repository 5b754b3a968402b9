// The look-around view of a written scene: its images loaded once, then any number of
// perspective views rendered from the viewer's eye, as the simulator would draw them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "imaging/bitmap.h"
#include "sceneview/scene_model.h"

namespace talvero {

// An image of the scene that could not be used: its faces show kMissingImageColour.
struct MissingImage {
  std::string Name;     // as the scene file names it
  std::string Problem;  // "no such file" or the reader's message
};

inline constexpr Rgb kMissingImageColour{255, 0, 255};
// Where no face of the scene lies.
inline constexpr Rgb kBackgroundColour{0, 0, 0};

// A scene with its images, ready to be viewed from any direction.
class LoadedScene {
 public:
  // Longest side of a texture and the texels of all of them together, their smaller copies
  // included: larger images are halved when loaded, so that a scene of large images takes
  // at most 144 MB (a cube of 2048-pixel faces fits whole).
  static constexpr int32_t kMaxTextureSide = 2048;
  static constexpr int64_t kMaxTotalTexels = int64_t{36} << 20;

  // Reads the scene file (ReadSceneModel) and every image it names, each once. Only the
  // scene file's own errors are exceptions; images that are missing or unreadable are
  // listed in Missing().
  explicit LoadedScene(const std::string& sceneFileName);
  explicit LoadedScene(SceneModel model);

  struct TextureLevel {
    int32_t Width = 1, Height = 1;
    std::vector<uint32_t> Texels;  // 0x00RRGGBB, rows from the top
  };
  // The image and its copies at half, a quarter, ... of its size down to one texel, so that
  // a face seen from afar is drawn from a copy of about its own size (neither shimmering
  // nor slow).
  struct Texture {
    std::vector<TextureLevel> Levels;
  };

  const SceneModel& Model() const { return FModel; }
  const std::vector<MissingImage>& Missing() const { return FMissing; }
  // One texture per material of the model.
  const Texture& MaterialTexture(int32_t material) const {
    return FTextures[FMaterialTexture[static_cast<size_t>(material)]];
  }
  int64_t TexelCount() const;

 private:
  void LoadTextures();

  SceneModel FModel;
  std::vector<Texture> FTextures;
  std::vector<size_t> FMaterialTexture;
  std::vector<MissingImage> FMissing;
};

struct SceneViewSettings {
  // Degrees: yaw 0 looks at the front face, positive yaw turns right, positive pitch looks
  // up; the field of view is horizontal.
  double Yaw = 0, Pitch = 0, Fov = 90;
  int32_t Width = 1280, Height = 720;
  bool Ground = true;  // the ground as a grid of thin lines

  static constexpr double kMinFov = 1, kMaxFov = 170;
  static constexpr int32_t kMinSide = 16, kMaxSide = 8192;
  // Empty when the settings can be rendered, else what is wrong with them.
  std::string Problem() const;
};

// Renders views; keeps its buffers between views, so that one renderer per viewer avoids
// allocating for every frame. Not for use by two threads at once.
class SceneRenderer {
 public:
  // A 24-bit image of the view. Error when the settings have a Problem().
  Bitmap Render(const LoadedScene& scene, const SceneViewSettings& settings);
  // Pixels of the last view that no face of the scene covers (kBackgroundColour there).
  int64_t UncoveredPixels() const { return FUncovered; }

 private:
  std::vector<float> FDepth;  // 1 / distance ahead; 0 where nothing was drawn
  int64_t FUncovered = 0;
};

// An image a view shows (a scene's texture, a panorama), read as ChooseReader says; with
// `minWidth` a large JPEG is decoded straight at about that width. ImageError for a file
// whose content and name are of no kind this program reads.
Bitmap ReadViewImage(const std::string& path, int32_t minWidth = 0);

// Writes a rendered view; the kind follows the extension (.bmp, .jpg/.jpeg, .tif/.tiff).
// Error for any other extension.
void WriteViewImage(const std::string& path, const Bitmap& image);

}  // namespace talvero
