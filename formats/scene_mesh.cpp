// The scene mesh shared by the scene writers.
#include <cstddef>

#include "formats/scene_mesh.h"

#include "engine/vectors.h"
#include "formats/scene_format.h"
#include "support/errors.h"

namespace talvero {

namespace {

constexpr int kCubeLayers = 3, kCubeCorners = 4;
constexpr int kSphereRings = 13, kSphereColumns = 32;
constexpr long double kSphereStep = 11.25L;  // degrees between rings and between columns

// Horizontal corners of the cube in FMS axes (x, y), counter-clockwise seen from above.
constexpr int kFmsCornerSign[kCubeCorners][2] = {{1, -1}, {-1, -1}, {-1, 1}, {1, 1}};

template <typename T>
std::vector<std::vector<T>> Grid(int rows, int columns) {
  return std::vector<std::vector<T>>(rows, std::vector<T>(columns));
}

TTriPoint ToTriPoint(const TIntVector& v) { return {v.X, v.Y, v.Z}; }

// The FMS sphere rings for radius r turned by `rotate` degrees about the vertical axis.
TmxTriPoint FmsSphereVertices(int32_t r, Currency rotate) {
  TmxTriPoint vertices = Grid<TTriPoint>(kSphereRings, kSphereColumns);
  for (TTriPoint& p : vertices[0]) p = {0, 0, r};
  const long double rotation = rotate.ToLongDouble();
  for (int i = 1; i < kSphereRings; ++i)
    for (int j = 0; j < kSphereColumns; ++j)
      vertices[i][j] =
          ToTriPoint(RotateIntVector({0, 0, r}, 0, kSphereStep * i, -(rotation + kSphereStep * j)));
  return vertices;
}

}  // namespace

void InitMeshArrays(SceneMesh& mesh, const JobSettings& settings, const JobContext& context) {
  context.Progress(ProgressStep::Mesh);
  const SceneFormatDescription& format = DescriptionOf(settings.SceneFormat);
  mesh.UvSpan = format.UvSpan;
  mesh.UvMargin = format.UvMargin;
  // Each fill allocates fresh arrays of its own shape.
  (settings.SceneType == stSphere ? format.FillSphere : format.FillCube)(mesh, settings);
}

void FreeMeshArrays(SceneMesh& mesh) {
  // All three, whatever the scene type says now, so nothing outlives the job.
  TmxTriPoint().swap(mesh.Vertices);
  TmxUvPoint().swap(mesh.TopBandUv);
  TmxUvPoint().swap(mesh.FaceUv);
}

namespace {

// A cube face spans margin..span; the cube has no top-band table.
void FillCubeUv(TmxUvPoint& topBand, TmxUvPoint& uv, double span, double margin) {
  TmxUvPoint().swap(topBand);
  uv = Grid<TUvPoint>(2, 2);
  for (int row = 0; row < 2; ++row)
    for (int column = 0; column < 2; ++column)
      uv[row][column] = {row == 0 ? margin : span, column == 0 ? margin : span};
}

void FillSphereUv(TmxUvPoint& topBand, TmxUvPoint& face, double span, double margin) {
  const long double s = span, m = margin;
  topBand = Grid<TUvPoint>(5, 9);
  face = Grid<TUvPoint>(5, 5);
  for (int i = 0; i < 5; ++i) {
    for (int j = 0; j < 9; ++j)
      topBand[i][j] = {static_cast<double>(j * s / 8 + m), static_cast<double>(i * s / 4 + m)};
    for (int j = 0; j < 5; ++j)
      face[i][j] = {static_cast<double>(j * s / 4 + m), static_cast<double>(i * s / 4 + m)};
  }
}

}  // namespace

void FillFmsCube(SceneMesh& mesh, const JobSettings& settings) {
  const int32_t r = settings.FMSData.GetAreaRadius();
  const long double rotation = settings.FMSData.GetSceneRotate().ToLongDouble();
  mesh.Vertices = Grid<TTriPoint>(kCubeLayers, kCubeCorners);
  for (int layer = 0; layer < 2; ++layer) {
    const int32_t z = layer == 0 ? r : -r;
    for (int k = 0; k < kCubeCorners; ++k) {
      const TIntVector corner{kFmsCornerSign[k][0] * r, kFmsCornerSign[k][1] * r, z};
      mesh.Vertices[layer][k] = ToTriPoint(RotateIntVector(corner, 0, 0, -rotation));
    }
  }
  FillCubeUv(mesh.TopBandUv, mesh.FaceUv, mesh.UvSpan, mesh.UvMargin);
}

void FillRcpCube(SceneMesh& mesh, const JobSettings& settings) {
  const int32_t r = settings.RCPData.GetAreaRadius();
  const long double rotation = settings.RCPData.GetSceneRotate().ToLongDouble();
  mesh.Vertices = Grid<TTriPoint>(kCubeLayers, kCubeCorners);
  for (int layer = 0; layer < kCubeLayers; ++layer) {
    const int32_t y = layer == 0 ? r : layer == 1 ? -r : 0;
    for (int k = 0; k < kCubeCorners; ++k) {
      // FMS (x, y, z) is RCPSim (-x, z, -y), so corner k matches the FMS cube's corner k.
      const TIntVector corner{-kFmsCornerSign[k][0] * r, y, -kFmsCornerSign[k][1] * r};
      mesh.Vertices[layer][k] = ToTriPoint(RotateIntVector(corner, 0, rotation, 0));
    }
  }
  FillCubeUv(mesh.TopBandUv, mesh.FaceUv, mesh.UvSpan, mesh.UvMargin);
}

void FillFmsSphere(SceneMesh& mesh, const JobSettings& settings) {
  mesh.Vertices =
      FmsSphereVertices(settings.FMSData.GetAreaRadius(), settings.FMSData.GetSceneRotate());
  FillSphereUv(mesh.TopBandUv, mesh.FaceUv, mesh.UvSpan, mesh.UvMargin);
}

void FillRcpSphere(SceneMesh& mesh, const JobSettings& settings) {
  mesh.Vertices =
      FmsSphereVertices(settings.RCPData.GetAreaRadius(), settings.RCPData.GetSceneRotate());
  for (auto& ring : mesh.Vertices)
    for (TTriPoint& p : ring) p = {-p.X, p.Z, -p.Y};
  FillSphereUv(mesh.TopBandUv, mesh.FaceUv, mesh.UvSpan, mesh.UvMargin);
}

namespace {

bool HasShape(const auto& grid, size_t rows, size_t columns) {
  if (grid.size() != rows) return false;
  for (const auto& row : grid)
    if (row.size() != columns) return false;
  return true;
}

}  // namespace

void RequireSceneMesh(const SceneMesh& mesh, const JobSettings& settings, bool sphere) {
  const bool ok = sphere ? HasShape(mesh.Vertices, 13, 32) && HasShape(mesh.TopBandUv, 5, 9) &&
                               HasShape(mesh.FaceUv, 5, 5)
                         : HasShape(mesh.Vertices, 3, 4) && HasShape(mesh.FaceUv, 2, 2);
  if (!ok)
    throw Error(std::string("the scene mesh has not been built for a ") +
                (sphere ? "sphere" : "cube"));
  settings.RequireImageNames(sphere ? stSphere : stCube);
}

}  // namespace talvero
