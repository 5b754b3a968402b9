// The scene mesh: vertex grids and texture tables of both formats and both scene types.
#include <gtest/gtest.h>

#include "engine/sim_filer.h"
#include "formats/scene_mesh.h"

namespace talvero {
namespace {

void ExpectPoint(const TTriPoint& p, int32_t x, int32_t y, int32_t z) {
  EXPECT_EQ(p.X, x);
  EXPECT_EQ(p.Y, y);
  EXPECT_EQ(p.Z, z);
}

class SceneMeshTest : public ::testing::Test {
 protected:
  SceneMeshTest() : filer(TSimFiler::Create()) { filer->ResetJob(); }

  void Build(TSceneFormat format, TSceneType type, Currency rotate = {}) {
    filer->SetSceneFormat(format);
    filer->SetSceneType(type);
    filer->FMSData().SetSceneRotate(rotate);
    filer->RCPData().SetSceneRotate(rotate);
    InitMeshArrays(mesh, JobSettings::From(*filer), filer->Context());
  }

  std::unique_ptr<TSimFiler> filer;
  SceneMesh mesh;
};

TEST_F(SceneMeshTest, ReportsProgressAndAllocatesTheShapesOfEachType) {
  std::vector<std::string> progress;
  filer->OnProgress = [&](TSimFiler&, const std::string& text, TSimProgressMode mode) {
    EXPECT_EQ(mode, spAppend);
    progress.push_back(text);
  };
  Build(sfFMS, stSphere);
  EXPECT_EQ(progress, std::vector<std::string>{"頂点の配列を初期化しています。"});
  EXPECT_EQ(mesh.Vertices.size(), 13u);
  EXPECT_EQ(mesh.Vertices[12].size(), 32u);
  EXPECT_EQ(mesh.TopBandUv.size(), 5u);
  EXPECT_EQ(mesh.TopBandUv[0].size(), 9u);
  EXPECT_EQ(mesh.FaceUv.size(), 5u);

  // A cube after a sphere keeps no top-band table; the unused FMS ground layer is zero.
  Build(sfFMS, stCube);
  EXPECT_EQ(mesh.Vertices.size(), 3u);
  EXPECT_EQ(mesh.Vertices[0].size(), 4u);
  EXPECT_TRUE(mesh.TopBandUv.empty());
  EXPECT_EQ(mesh.FaceUv.size(), 2u);
  ExpectPoint(mesh.Vertices[2][3], 0, 0, 0);

  FreeMeshArrays(mesh);
  EXPECT_TRUE(mesh.Vertices.empty());
  EXPECT_TRUE(mesh.FaceUv.empty());
}

TEST_F(SceneMeshTest, CubeCornersOfBothFormats) {
  Build(sfFMS, stCube);
  const auto& v = mesh.Vertices;
  ExpectPoint(v[0][0], 1000, -1000, 1000);
  ExpectPoint(v[0][1], -1000, -1000, 1000);
  ExpectPoint(v[0][2], -1000, 1000, 1000);
  ExpectPoint(v[0][3], 1000, 1000, 1000);
  ExpectPoint(v[1][2], -1000, 1000, -1000);

  Build(sfFMS, stCube, Currency::FromInt(30));
  ExpectPoint(mesh.Vertices[0][0], 366, -1366, 1000);

  Build(sfRCP, stCube, Currency::FromInt(30));
  ExpectPoint(mesh.Vertices[0][0], -366, 1000, 1366);
  ExpectPoint(mesh.Vertices[1][0], -366, -1000, 1366);

  Build(sfRCP, stCube);
  const auto& ground = mesh.Vertices[2];
  const int32_t expected[4][2] = {{-1000, 1000}, {1000, 1000}, {1000, -1000}, {-1000, -1000}};
  for (int k = 0; k < 4; ++k) {
    EXPECT_EQ(ground[k].X, expected[k][0]) << k;
    EXPECT_EQ(ground[k].Z, expected[k][1]) << k;
  }
}

TEST_F(SceneMeshTest, CubeTextureCornersUseSpanAsTheFarCoordinate) {
  Build(sfFMS, stCube);
  EXPECT_EQ(mesh.UvSpan, 254.5);
  EXPECT_EQ(mesh.UvMargin, 0.25);
  const auto& uv = mesh.FaceUv;
  EXPECT_EQ(uv[0][0].U, 0.25);
  EXPECT_EQ(uv[0][1].V, 254.5);
  EXPECT_EQ(uv[0][1].U, 0.25);
  EXPECT_EQ(uv[1][0].U, 254.5);
  EXPECT_EQ(uv[1][0].V, 0.25);

  Build(sfRCP, stCube);
  EXPECT_EQ(mesh.FaceUv[1][1].U, 0.998);
  EXPECT_EQ(mesh.FaceUv[0][0].V, 0.001);
}

TEST_F(SceneMeshTest, SphereRingsOfBothFormats) {
  Build(sfFMS, stSphere);
  const auto& v = mesh.Vertices;
  for (const TTriPoint& p : v[0]) ExpectPoint(p, 0, 0, 1000);
  ExpectPoint(v[1][0], 195, 0, 981);
  ExpectPoint(v[1][1], 191, -38, 981);
  ExpectPoint(v[4][0], 707, 0, 707);
  ExpectPoint(v[8][8], 0, -1000, 0);
  ExpectPoint(v[12][0], 707, 0, -707);

  Build(sfRCP, stSphere);
  for (const TTriPoint& p : mesh.Vertices[0]) ExpectPoint(p, 0, 1000, 0);
  ExpectPoint(mesh.Vertices[4][0], -707, 707, 0);

  // Each format takes the radius of its own holder.
  filer->FMSData().SetAreaRadius(5000);
  filer->RCPData().SetAreaRadius(2000);
  Build(sfRCP, stSphere);
  ExpectPoint(mesh.Vertices[0][5], 0, 2000, 0);
  Build(sfFMS, stSphere);
  ExpectPoint(mesh.Vertices[0][5], 0, 0, 5000);
}

TEST_F(SceneMeshTest, SphereRotationTurnsTheColumns) {
  // A quarter turn moves column 0 to where column 8 was without rotation.
  Build(sfFMS, stSphere);
  const TmxTriPoint plain = mesh.Vertices;
  Build(sfFMS, stSphere, Currency::FromInt(90));
  for (int i = 0; i < 13; ++i) {
    const TTriPoint& a = mesh.Vertices[i][0];
    const TTriPoint& b = plain[i][8];
    EXPECT_TRUE(a.X == b.X && a.Y == b.Y && a.Z == b.Z) << "ring " << i;
  }
}

TEST_F(SceneMeshTest, SphereTextureTables) {
  Build(sfFMS, stSphere);
  const auto& top = mesh.TopBandUv;
  const double topU[] = {0.25, 32.0625, 63.875};
  for (int j = 0; j < 3; ++j) EXPECT_EQ(top[0][j].U, topU[j]);
  EXPECT_EQ(top[0][8].U, 254.75);
  const double v[] = {0.25, 63.875, 127.5, 191.125, 254.75};
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(top[i][3].V, v[i]);
    EXPECT_EQ(mesh.FaceUv[i][2].V, v[i]);
    EXPECT_EQ(mesh.FaceUv[2][i].U, v[i]);
  }

  Build(sfRCP, stSphere);
  EXPECT_DOUBLE_EQ(mesh.TopBandUv[0][1].U, 0.12575);
  EXPECT_DOUBLE_EQ(mesh.TopBandUv[0][2].U, 0.2505);
  EXPECT_DOUBLE_EQ(mesh.TopBandUv[0][8].U, 0.999);
}

}  // namespace
}  // namespace talvero
