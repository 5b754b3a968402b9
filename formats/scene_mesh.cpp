// The scene mesh shared by the scene writers: integer vertices around the pilot's eye and
// the texture-coordinate tables of the divided images.
#include <cstddef>

#include "engine/sim_filer.h"
#include "engine/vectors.h"
#include "formats/scene_format.h"
#include "support/text_catalogue.h"

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

void TSimFiler::InitMeshArrays() {
  Progress(Localized("頂点の配列を初期化しています。"), spAppend);
  const SceneFormatDescription& format = DescriptionOf(GetSceneFormat());
  FUvSpan = format.UvSpan;
  FUvMargin = format.UvMargin;
  // Each fill allocates fresh arrays of its own shape.
  (this->*(GetSceneType() == stSphere ? format.FillSphere : format.FillCube))();
}

void TSimFiler::FreeMeshArrays() {
  // All three, whatever the scene type says now, so nothing outlives the job.
  TmxTriPoint().swap(FVertices);
  TmxUvPoint().swap(FTopBandUv);
  TmxUvPoint().swap(FFaceUv);
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

void TSimFiler::FillFmsCube() {
  const int32_t r = FMSData().GetAreaRadius();
  const long double rotation = FMSData().GetSceneRotate().ToLongDouble();
  FVertices = Grid<TTriPoint>(kCubeLayers, kCubeCorners);
  for (int layer = 0; layer < 2; ++layer) {
    const int32_t z = layer == 0 ? r : -r;
    for (int k = 0; k < kCubeCorners; ++k) {
      const TIntVector corner{kFmsCornerSign[k][0] * r, kFmsCornerSign[k][1] * r, z};
      FVertices[layer][k] = ToTriPoint(RotateIntVector(corner, 0, 0, -rotation));
    }
  }
  FillCubeUv(FTopBandUv, FFaceUv, FUvSpan, FUvMargin);
}

void TSimFiler::FillRcpCube() {
  const int32_t r = RCPData().GetAreaRadius();
  const long double rotation = RCPData().GetSceneRotate().ToLongDouble();
  FVertices = Grid<TTriPoint>(kCubeLayers, kCubeCorners);
  for (int layer = 0; layer < kCubeLayers; ++layer) {
    const int32_t y = layer == 0 ? r : layer == 1 ? -r : 0;
    for (int k = 0; k < kCubeCorners; ++k) {
      // FMS (x, y, z) is RCPSim (-x, z, -y), so corner k matches the FMS cube's corner k.
      const TIntVector corner{-kFmsCornerSign[k][0] * r, y, -kFmsCornerSign[k][1] * r};
      FVertices[layer][k] = ToTriPoint(RotateIntVector(corner, 0, rotation, 0));
    }
  }
  FillCubeUv(FTopBandUv, FFaceUv, FUvSpan, FUvMargin);
}

void TSimFiler::FillFmsSphere() {
  FVertices = FmsSphereVertices(FMSData().GetAreaRadius(), FMSData().GetSceneRotate());
  FillSphereUv(FTopBandUv, FFaceUv, FUvSpan, FUvMargin);
}

void TSimFiler::FillRcpSphere() {
  FVertices = FmsSphereVertices(RCPData().GetAreaRadius(), RCPData().GetSceneRotate());
  for (auto& ring : FVertices)
    for (TTriPoint& p : ring) p = {-p.X, p.Z, -p.Y};
  FillSphereUv(FTopBandUv, FFaceUv, FUvSpan, FUvMargin);
}

}  // namespace talvero
