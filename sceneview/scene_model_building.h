// What the two scene readers share while they fill a SceneModel.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "sceneview/scene_model.h"

namespace talvero {

class SceneModelBuilder {
 public:
  explicit SceneModelBuilder(SceneModel& model) : FModel(model) {}

  // The material of an image name (one per name), or of a flat colour.
  int32_t ImageMaterial(const std::string& name, const std::string& path);
  int32_t ColourMaterial(Rgb colour);
  // A convex polygon as a fan of triangles. ParseError beyond kMaxSceneTriangles.
  void AddPolygon(const std::vector<SceneVertex>& corners, int32_t material);
  void AddGround(std::vector<Vec3> corners);
  // A texture coordinate kept within a range the renderer's texel arithmetic can hold.
  static double TextureCoordinate(double value);

 private:
  SceneModel& FModel;
  std::map<std::string, int32_t> FIndex;
};

}  // namespace talvero
