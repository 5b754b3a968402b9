#include "sceneview/scene_model.h"

#include <filesystem>
#include <iterator>
#include <system_error>

#include "formats/scene_format.h"
#include "sceneview/scene_model_building.h"
#include "support/errors.h"
#include "support/file_util.h"
#include "support/string_utils.h"

namespace talvero {

SceneModel ReadSceneModel(const std::string& fileName) {
  return ReadSceneModel(fileName, SceneFormatOfFile(fileName).value_or(sfFMS));
}

SceneModel ReadSceneModel(const std::string& fileName, TSceneFormat format) {
  // The geometry reader of each format, by ordinal.
  using Reader = SceneModel (*)(const std::string&);
  constexpr Reader kReaders[] = {ReadFmsSceneModel, ReadXSceneModel};
  static_assert(std::size(kReaders) == EnumCount<TSceneFormat>());
  if (static_cast<size_t>(format) >= std::size(kReaders))
    throw Error("there is no scene format " + std::to_string(static_cast<int>(format)));
  return kReaders[format](fileName);
}

std::string FindSceneImage(const std::string& folder, const std::string& name,
                           const std::vector<std::string>& extensions) {
  if (name.empty()) return {};
  // Names written on Windows may use backslashes between folders.
  std::string relative = name;
  for (char& c : relative)
    if (c == '\\') c = '/';
  const std::vector<std::string> endings =
      extensions.empty() ? std::vector<std::string>{""} : extensions;
  const std::filesystem::path full =
      (PathFromUtf8(relative).is_absolute()
           ? PathFromUtf8(relative)
           : PathFromUtf8(folder.empty() ? "." : folder) / PathFromUtf8(relative))
          .lexically_normal();
  for (const std::string& ending : endings) {
    const std::string exact = Utf8FromPath(full) + ending;
    if (FileExists(exact)) return exact;
  }
  // Letter case ignored, in the folder the name points into.
  std::error_code error;
  const std::filesystem::path parent = full.parent_path();
  const std::string wanted = Utf8FromPath(full.filename());
  std::string found;
  for (const std::string& ending : endings) {
    for (const auto& entry : std::filesystem::directory_iterator(parent, error)) {
      const std::string candidate = Utf8FromPath(entry.path().filename());
      const std::string path = Utf8FromPath(entry.path());
      if (SameTextIgnoreCase(candidate, wanted + ending) && FileExists(path)) {
        // The first in name order, so that the choice does not depend on the directory.
        if (found.empty() || path < found) found = path;
      }
    }
    if (!found.empty()) return found;
  }
  return {};
}

// ---- Building helpers shared by the two readers.

int32_t SceneModelBuilder::ImageMaterial(const std::string& name, const std::string& path) {
  const std::string key = "i:" + name;
  if (auto it = FIndex.find(key); it != FIndex.end()) return it->second;
  FModel.Materials.push_back({name, path, std::nullopt});
  return FIndex[key] = static_cast<int32_t>(FModel.Materials.size() - 1);
}

int32_t SceneModelBuilder::ColourMaterial(Rgb colour) {
  const std::string key = "c:" + std::to_string(colour.R) + "," + std::to_string(colour.G) + "," +
                          std::to_string(colour.B);
  if (auto it = FIndex.find(key); it != FIndex.end()) return it->second;
  FModel.Materials.push_back({"", "", colour});
  return FIndex[key] = static_cast<int32_t>(FModel.Materials.size() - 1);
}

void SceneModelBuilder::AddPolygon(const std::vector<SceneVertex>& corners, int32_t material) {
  // A fan from the first corner, as the simulators split their quads.
  for (size_t i = 1; i + 1 < corners.size(); ++i) {
    if (FModel.Triangles.size() >= kMaxSceneTriangles)
      throw ParseError("the scene holds more than " + std::to_string(kMaxSceneTriangles) +
                       " triangles");
    FModel.Triangles.push_back({{corners[0], corners[i], corners[i + 1]}, material});
  }
}

void SceneModelBuilder::AddGround(std::vector<Vec3> corners) {
  if (corners.size() < 3) return;
  if (FModel.Ground.size() >= kMaxSceneTriangles)
    throw ParseError("the scene holds more than " + std::to_string(kMaxSceneTriangles) +
                     " ground polygons");
  FModel.Ground.push_back(std::move(corners));
}

double SceneModelBuilder::TextureCoordinate(double value) {
  // Far outside the image the pattern only repeats; the bound keeps the texel arithmetic of
  // the renderer within its integer range.
  constexpr double kLimit = 1000;
  return value < -kLimit ? -kLimit : value > kLimit ? kLimit : value;
}

}  // namespace talvero
