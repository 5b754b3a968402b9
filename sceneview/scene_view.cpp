// Loading a scene's images once, with a bound on their memory, and writing rendered views.
#include "sceneview/scene_view.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <new>

#include "imaging/bitmap.h"
#include "imaging/image_codecs.h"
#include "support/errors.h"
#include "support/file_util.h"
#include "support/number_format.h"
#include "support/parallel.h"
#include "support/string_utils.h"

namespace talvero {

namespace {

uint32_t Packed(Rgb c) { return uint32_t{c.R} << 16 | uint32_t{c.G} << 8 | c.B; }

using Level = LoadedScene::TextureLevel;

LoadedScene::Texture Flat(Rgb colour) {
  LoadedScene::Texture t;
  t.Levels.resize(1);
  t.Levels[0].Texels.assign(1, Packed(colour));
  return t;
}

// The image reduced by a whole factor: each texel the mean of a factor × factor block (the
// columns and rows past the last whole block are left out).
Level Reduced(const Bitmap& image, int32_t factor) {
  Level t;
  t.Width = std::max(1, image.Width() / factor);
  t.Height = std::max(1, image.Height() / factor);
  // Most images are not reduced: their texels come straight from them.
  Bitmap means;
  if (factor > 1)
    means = ShrinkByAreas(Bitmap::View(image, 0, 0, std::min(image.Width(), t.Width * factor),
                                       std::min(image.Height(), t.Height * factor)),
                          t.Width, t.Height);
  const Bitmap& source = factor > 1 ? means : image;
  const int bpp = source.BytesPerPixel();
  t.Texels.resize(static_cast<size_t>(t.Width) * static_cast<size_t>(t.Height));
  for (int32_t ty = 0; ty < t.Height; ++ty) {
    const uint8_t* row = source.Row(ty);
    for (int32_t tx = 0; tx < t.Width; ++tx, row += bpp)
      t.Texels[static_cast<size_t>(ty) * t.Width + tx] =
          uint32_t{row[2]} << 16 | uint32_t{row[1]} << 8 | row[0];
  }
  return t;
}

// The next smaller copy (2 × 2 means).
Level Halved(const Level& t) {
  const int32_t w = std::max(1, t.Width / 2), h = std::max(1, t.Height / 2);
  std::vector<uint32_t> out(static_cast<size_t>(w) * static_cast<size_t>(h));
  for (int32_t y = 0; y < h; ++y)
    for (int32_t x = 0; x < w; ++x) {
      uint32_t rb = 0, g = 0, n = 0;
      for (int32_t dy = 0; dy < 2; ++dy)
        for (int32_t dx = 0; dx < 2; ++dx) {
          const int32_t sx = std::min(t.Width - 1, 2 * x + dx),
                        sy = std::min(t.Height - 1, 2 * y + dy);
          const uint32_t c = t.Texels[static_cast<size_t>(sy) * t.Width + sx];
          rb += c & 0xFF00FF;
          g += c & 0x00FF00;
          ++n;
        }
      out[static_cast<size_t>(y) * w + x] =
          ((rb + 0x020002) / n & 0xFF00FF) | ((g + 0x000200) / n & 0x00FF00);
    }
  Level half;
  half.Width = w;
  half.Height = h;
  half.Texels = std::move(out);
  return half;
}

// Decodes an image and reduces it to the longest side allowed.
LoadedScene::Texture LoadTexture(const std::string& path) {
  const Bitmap image = ReadViewImage(path);
  if (image.Empty()) throw ImageError("the image is empty");
  int32_t factor = 1;
  while (std::max(image.Width(), image.Height()) / factor > LoadedScene::kMaxTextureSide)
    factor *= 2;
  LoadedScene::Texture texture;
  texture.Levels.push_back(Reduced(image, factor));
  while (texture.Levels.back().Texels.size() > 1)
    texture.Levels.push_back(Halved(texture.Levels.back()));
  return texture;
}

}  // namespace

LoadedScene::LoadedScene(const std::string& sceneFileName)
    : LoadedScene(ReadSceneModel(sceneFileName)) {}

LoadedScene::LoadedScene(SceneModel model) : FModel(std::move(model)) { LoadTextures(); }

void LoadedScene::LoadTextures() {
  std::map<std::string, size_t> byKey;  // one texture per file or colour
  std::vector<std::string> paths;       // the files to load, in texture order
  std::vector<size_t> pathTexture;
  auto add = [&](const std::string& key, Texture texture) {
    const auto [it, added] = byKey.emplace(key, FTextures.size());
    if (added) FTextures.push_back(std::move(texture));
    return it->second;
  };
  for (const SceneMaterial& m : FModel.Materials) {
    if (m.Colour) {
      FMaterialTexture.push_back(
          add("colour " + std::to_string(Packed(*m.Colour)), Flat(*m.Colour)));
    } else if (m.Path.empty()) {
      FMaterialTexture.push_back(add("missing", Flat(kMissingImageColour)));
    } else {
      const size_t before = FTextures.size();
      const size_t index = add("file " + m.Path, Flat(kMissingImageColour));
      if (FTextures.size() > before) {
        paths.push_back(m.Path);
        pathTexture.push_back(index);
      }
      FMaterialTexture.push_back(index);
    }
  }

  std::vector<std::string> problems(paths.size());
  RunOrderedBlocks(
      static_cast<int>(paths.size()),
      [&](int i) {
        try {
          FTextures[pathTexture[i]] = LoadTexture(paths[i]);
        } catch (const std::bad_alloc&) {
          problems[i] = "out of memory";
        } catch (const std::exception& e) {
          problems[i] = e.what();
        }
      },
      [](int) {});
  // Every image that could not be used, in the order the scene names them.
  std::map<std::string, std::string> problemOf;
  for (size_t i = 0; i < paths.size(); ++i)
    if (!problems[i].empty()) problemOf[paths[i]] = problems[i];
  for (const SceneMaterial& m : FModel.Materials) {
    if (m.Colour) continue;
    const std::string problem = m.Path.empty()            ? "no such file"
                                : problemOf.count(m.Path) ? problemOf[m.Path]
                                                          : "";
    if (!problem.empty()) FMissing.push_back({m.Name, problem});
  }

  // The memory bound: the largest textures give way first, to their half-size copies.
  while (TexelCount() > kMaxTotalTexels) {
    auto largest = std::max_element(FTextures.begin(), FTextures.end(),
                                    [](const Texture& a, const Texture& b) {
                                      return a.Levels[0].Texels.size() < b.Levels[0].Texels.size();
                                    });
    if (largest->Levels.size() <= 1) break;
    largest->Levels.erase(largest->Levels.begin());
  }
}

int64_t LoadedScene::TexelCount() const {
  int64_t total = 0;
  for (const Texture& t : FTextures)
    for (const Level& level : t.Levels) total += static_cast<int64_t>(level.Texels.size());
  return total;
}

std::string SceneViewSettings::Problem() const {
  if (!std::isfinite(Yaw) || !std::isfinite(Pitch) || !std::isfinite(Fov))
    return "the view direction and field of view must be numbers";
  if (Pitch < -90 || Pitch > 90) return "the pitch must lie between -90 and 90 degrees";
  if (Fov < kMinFov || Fov > kMaxFov)
    return "the field of view must lie between " + FormatGeneral(kMinFov) + " and " +
           FormatGeneral(kMaxFov) + " degrees";
  if (Width < kMinSide || Width > kMaxSide || Height < kMinSide || Height > kMaxSide)
    return "the view size must lie between " + std::to_string(kMinSide) + " and " +
           std::to_string(kMaxSide) + " pixels each way";
  return {};
}

Bitmap ReadViewImage(const std::string& path, int32_t minWidth) {
  const ImageFormat format = ChooseReader(path);
  if (format == ImageFormat::Unsupported) {
    // The kinds in the order of their file-kind numbers.
    std::vector<std::string> kinds;
    for (const ImageCodec& codec : ImageCodecs()) kinds.emplace_back(codec.Name);
    throw ImageError("not an image kind this program reads (" + JoinedList(kinds, ", ", ", ") +
                     ")");
  }
  return minWidth > 0 ? ReadImageReduced(path, format, minWidth) : ReadImage(path, format);
}

void WriteViewImage(const std::string& path, const Bitmap& image) {
  if (!WriteImageByName(path, image, 95))
    throw Error("cannot write the view '" + path +
                "': its extension must name the image kind (.bmp, .jpg or .tif)");
}

}  // namespace talvero
