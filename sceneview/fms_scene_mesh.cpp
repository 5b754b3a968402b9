// The geometry of an FMS ".scn" file: the textured quads (or triangles) after each
// "TEXTURE" line with their "u v x y z" vertex lines, the untextured "x y z" quads of the
// ground, and the pilot's position. FMS has z up and texture coordinates in texels of a
// 0..255 range.
#include <cmath>
#include <string_view>

#include "formats/line_file.h"
#include "sceneview/scene_model.h"
#include "sceneview/scene_model_building.h"
#include "support/errors.h"
#include "support/file_util.h"
#include "support/number_format.h"
#include "support/string_utils.h"

namespace talvero {

namespace {

// The texture coordinate range of FMS: 0 is the first texel's edge, 255 the last one's.
constexpr double kFmsTextureRange = 255;

// The patch under the ground that old Windows versions needed; the simulator's ground hides
// it, so it is no part of the scenery's look.
constexpr std::string_view kVistaTexture = "fms_vista";

// The extensions FMS finds a "TEXTURE" name under, in the order they are tried.
const std::vector<std::string> kImageExtensions = {".bmp", ".jpg",  ".jpeg",
                                                   ".tif", ".tiff", ".png"};

std::vector<std::string_view> Words(std::string_view line) {
  std::vector<std::string_view> words;
  size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && static_cast<unsigned char>(line[i]) <= ' ') ++i;
    const size_t start = i;
    while (i < line.size() && static_cast<unsigned char>(line[i]) > ' ') ++i;
    if (i > start) words.push_back(line.substr(start, i - start));
  }
  return words;
}

std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && static_cast<unsigned char>(text.front()) <= ' ') text.remove_prefix(1);
  while (!text.empty() && static_cast<unsigned char>(text.back()) <= ' ') text.remove_suffix(1);
  return text;
}

bool StartsWithNumber(std::string_view word) {
  const char c = word.empty() ? '\0' : word[0];
  return (c >= '0' && c <= '9') || c == '-' || c == '+' || c == '.';
}

class FmsMeshReader {
 public:
  FmsMeshReader(const std::string& fileName, SceneModel& model)
      : FFileName(fileName), FFolder(ExtractFilePath(fileName)), FBuild(model), FModel(model) {}

  void Read() {
    const StringList lines = LoadTextLines(FFileName);
    for (size_t i = 0; i < lines.size(); ++i) {
      FLine = i + 1;
      std::string_view line = lines[i];
      if (const size_t comment = line.find("//"); comment != std::string_view::npos)
        line = line.substr(0, comment);
      const std::vector<std::string_view> words = Words(line);
      if (words.empty()) continue;
      if (words[0] == "3D_LANDSCAPE")
        Fail("3D_LANDSCAPE scenes are not scenery of a panorama and cannot be shown");
      if (StartsWithNumber(words[0])) {
        Vertex(words);
        continue;
      }
      FPending.clear();  // a keyword ends a polygon whose vertex lines stopped short
      const std::string_view key = words[0];
      if (key == "END") break;
      if (key == "QUADS")
        FCorners = 4;
      else if (key == "TRIANGLES")
        FCorners = 3;
      else if (key == "TEXTURE")
        Texture(Trimmed(line.substr(line.find("TEXTURE") + 7)));
      else if (key == "PILOT_POSITION" && words.size() >= 4)
        FModel.Eye = {Number(words[1]), Number(words[2]), Number(words[3])};
    }
  }

 private:
  [[noreturn]] void Fail(const std::string& problem) const {
    throw ParseError("'" + FFileName + "', line " + std::to_string(FLine) + ": " + problem);
  }

  double Number(std::string_view word) const {
    const auto value = ParseFloat(word);
    if (!value || !std::isfinite(static_cast<double>(*value)))
      Fail("'" + std::string(word) + "' is not a number");
    return static_cast<double>(*value);
  }

  void Texture(std::string_view name) {
    FSkipped = SameTextIgnoreCase(name, kVistaTexture);
    FMaterial = FSkipped ? -1
                         : FBuild.ImageMaterial(
                               std::string(name),
                               FindSceneImage(FFolder, std::string(name), kImageExtensions));
  }

  // "u v x y z" on a texture, or "x y z" (the ground); every FCorners lines make a polygon.
  void Vertex(const std::vector<std::string_view>& words) {
    if (FCorners == 0) return;  // numbers before any QUADS or TRIANGLES section draw nothing
    if (words.size() != 3 && words.size() != 5)
      Fail("a vertex line holds 5 numbers (u v x y z) or 3 (x y z), not " +
           std::to_string(words.size()));
    Corner corner;
    const size_t xyz = words.size() - 3;
    corner.Textured = words.size() == 5;
    corner.V.P = {Number(words[xyz]), Number(words[xyz + 1]), Number(words[xyz + 2])};
    if (corner.Textured) {
      corner.V.U = SceneModelBuilder::TextureCoordinate(Number(words[0]) / kFmsTextureRange);
      corner.V.V = SceneModelBuilder::TextureCoordinate(Number(words[1]) / kFmsTextureRange);
    }
    FPending.push_back(corner);
    if (FPending.size() < static_cast<size_t>(FCorners)) return;
    if (FSkipped) {
      FPending.clear();
      return;
    }
    bool textured = FMaterial >= 0;
    for (const Corner& c : FPending) textured = textured && c.Textured;
    if (textured) {
      std::vector<SceneVertex> corners;
      for (const Corner& c : FPending) corners.push_back(c.V);
      FBuild.AddPolygon(corners, FMaterial);
    } else {
      // Corners without texture coordinates carry no image: the ground.
      std::vector<Vec3> corners;
      for (const Corner& c : FPending) corners.push_back(c.V.P);
      FBuild.AddGround(std::move(corners));
    }
    FPending.clear();
  }

  struct Corner {
    SceneVertex V;
    bool Textured = false;
  };

  const std::string& FFileName;
  const std::string FFolder;
  SceneModelBuilder FBuild;
  SceneModel& FModel;
  size_t FLine = 0;
  int FCorners = 0;
  int32_t FMaterial = -1;
  bool FSkipped = false;
  std::vector<Corner> FPending;
};

}  // namespace

SceneModel ReadFmsSceneModel(const std::string& fileName) {
  SceneModel model;
  model.FileName = fileName;
  model.Format = sfFMS;
  // z up; the front face lies towards -x with +y on its right.
  model.Forward = {-1, 0, 0};
  model.Right = {0, 1, 0};
  model.Up = {0, 0, 1};
  model.Front = FrontFace::CounterClockwise;
  FmsMeshReader(fileName, model).Read();
  return model;
}

}  // namespace talvero
