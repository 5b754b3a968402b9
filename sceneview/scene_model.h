// A written scene as the simulator sees it: the textured triangles of the scene file with
// their own texture coordinates, the ground, the viewer's eye and the scene's own axes.
// Read straight from the ".scn" or ".x" text, never rebuilt from the job's parameters, so
// that whatever the file holds (a wrong coordinate, a turned face, a gap) is what is shown.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "engine/enums.h"
#include "imaging/bitmap.h"

namespace talvero {

struct Vec3 {
  double X = 0, Y = 0, Z = 0;
};

inline Vec3 operator+(Vec3 a, Vec3 b) { return {a.X + b.X, a.Y + b.Y, a.Z + b.Z}; }
inline Vec3 operator-(Vec3 a, Vec3 b) { return {a.X - b.X, a.Y - b.Y, a.Z - b.Z}; }
inline Vec3 operator*(double s, Vec3 a) { return {s * a.X, s * a.Y, s * a.Z}; }
inline double Dot(Vec3 a, Vec3 b) { return a.X * b.X + a.Y * b.Y + a.Z * b.Z; }

// One vertex: position in the scene's axes (metres) and texture coordinates as fractions of
// the image (0 to 1 across it, V downwards from the top row; outside that range it repeats).
struct SceneVertex {
  Vec3 P;
  double U = 0, V = 0;
};

struct SceneTriangle {
  std::array<SceneVertex, 3> V;
  int32_t Material = 0;  // index into SceneModel::Materials
};

// What a triangle is painted with: an image file, or a flat colour for materials without one.
struct SceneMaterial {
  std::string Name;           // the image as the scene file names it (empty for a flat colour)
  std::string Path;           // the file found for it; empty when there is none
  std::optional<Rgb> Colour;  // set for untextured materials
};

// The order in which the simulator sees a face's corners from the side it draws.
enum class FrontFace : uint8_t { CounterClockwise, Clockwise };

struct SceneModel {
  std::string FileName;  // the file the geometry was read from
  TSceneFormat Format = sfFMS;
  // The viewer's axes at yaw 0 and pitch 0, in the scene's own coordinates: ahead (the front
  // face when the scene is not rotated), to the right and up.
  Vec3 Forward, Right, Up;
  Vec3 Eye;
  FrontFace Front = FrontFace::CounterClockwise;
  std::vector<SceneMaterial> Materials;
  std::vector<SceneTriangle> Triangles;
  // Ground polygons (their corners in order), shown as a grid rather than painted.
  std::vector<std::vector<Vec3>> Ground;
};

// Reads the geometry of an FMS ".scn" file, or of the DirectX ".x" mesh of an RCPSim scene
// (given as the ".xscn" or the ".x" file), and finds the images it names in its folder.
// FileError when the file cannot be read, ParseError (naming file and line) when its text
// breaks the format. Without a format, the one of the file's name (FMS for other names).
SceneModel ReadSceneModel(const std::string& fileName);
SceneModel ReadSceneModel(const std::string& fileName, TSceneFormat format);
SceneModel ReadFmsSceneModel(const std::string& fileName);
SceneModel ReadXSceneModel(const std::string& fileName);

// The file in `folder` that an image name refers to: the name itself, else one that matches
// it without regard to letter case (the simulators run where names ignore case). With
// `extensions`, the name carries none and each is tried in turn. Empty when none exists.
std::string FindSceneImage(const std::string& folder, const std::string& name,
                           const std::vector<std::string>& extensions = {});

// Limits that keep a hostile file from taking all memory.
inline constexpr size_t kMaxSceneTriangles = 1 << 20;

}  // namespace talvero
