// The DirectX mesh writer: the bytes of the default cube, the lists of the sphere, and the
// order and refusals of the two files it writes.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "common/test_support.h"
#include "engine/sim_filer.h"
#include "formats/line_file.h"
#include "scene_writing.h"
#include "support/errors.h"

namespace talvero {
namespace {

using testing::Golden;
using testing::ReadAll;
using testing::TempDir;

class XWriterTest : public ::testing::Test {
 protected:
  XWriterTest() : filer(TSimFiler::Create()) {
    filer->ResetJob();
    filer->SetSceneFormat(sfRCP);
    filer->SetSceneFilename(dir.File("scene.xscn"));
    filer->SetTextureBasename("scene");
  }

  // Runs the writer the way the scene stage does and returns the ".x" file as lines.
  StringList Write(TSceneType type = stCube) {
    filer->SetSceneType(type);
    filer->PrepareOutputNames();
    testing::WriteScene(*filer, type == stSphere ? WriteXSphere : WriteXCube);
    return LoadTextLines(dir.File("scene.x"));
  }

  // The lines after the line `start` up to the line `end`.
  static StringList Block(const StringList& lines, const std::string& start,
                          const std::string& end = " }") {
    const auto from = std::find(lines.begin(), lines.end(), start);
    EXPECT_NE(from, lines.end()) << start;
    if (from == lines.end()) return {};
    return StringList(from + 1, std::find(from + 1, lines.end(), end));
  }

  TempDir dir;
  std::unique_ptr<TSimFiler> filer;
};

TEST_F(XWriterTest, DefaultCubeFileIsByteExact) {
  Write();
  const std::string golden = Golden("default_x_cube.txt");
  ASSERT_FALSE(golden.empty());
  EXPECT_EQ(ReadAll(dir.File("scene.x")), golden);
  EXPECT_TRUE(std::filesystem::exists(dir.File("scene.xscn")));
}

TEST_F(XWriterTest, DefaultSphereFileIsByteExact) {
  Write(stSphere);
  const std::string golden = Golden("default_x_sphere.txt");
  ASSERT_FALSE(golden.empty());
  EXPECT_EQ(ReadAll(dir.File("scene.x")), golden);
}

TEST_F(XWriterTest, SphereListsAndTheirTerminators) {
  const StringList lines = Write(stSphere);
  EXPECT_EQ(lines[6], "// sf_SceneType         : 1  [stSphere]");
  EXPECT_EQ(lines[7], "// sf_AreaRadius        : 1000");  // no naming-rule line

  const StringList mesh = Block(lines, "Mesh {", "");
  ASSERT_EQ(mesh.size(), 1u + 1544u);
  EXPECT_EQ(mesh[0], " 1544;");
  // Band 0 starts at the zenith; a ring-1 vertex of the first column at (195, 0, 981) in FMS axes.
  EXPECT_EQ(mesh[1], " 0.00000;1000.00000;0.00000;,");
  EXPECT_EQ(mesh[4], " -195.00000;981.00000;0.00000;,");
  // Ground, then bottom: unturned squares at the aircraft's height and at -R/sqrt(2).
  EXPECT_EQ(StringList(mesh.begin() + 1537, mesh.begin() + 1545),
            (StringList{
                " -1000.00000;-1.70000;1000.00000;,", " 1000.00000;-1.70000;1000.00000;,",
                " 1000.00000;-1.70000;-1000.00000;,", " -1000.00000;-1.70000;-1000.00000;,",
                " -1000.00000;-707.00000;1000.00000;,", " 1000.00000;-707.00000;1000.00000;,",
                " 1000.00000;-707.00000;-1000.00000;,", " -1000.00000;-707.00000;-1000.00000;;"}));
  const StringList faces = Block(lines, mesh.back(), " MeshMaterialList {");
  ASSERT_EQ(faces.size(), 1u + 1u + 386u + 1u);
  EXPECT_EQ(faces[1], " 386;");
  EXPECT_EQ(faces[2], " 4;0,1,2,3;,");
  EXPECT_EQ(faces[387], " 4;1540,1541,1542,1543;;");
  EXPECT_EQ(faces[388], "");

  const StringList materials = Block(lines, " MeshMaterialList {");
  ASSERT_GE(materials.size(), 2u + 386u);
  EXPECT_EQ(materials[0], "  21;");
  EXPECT_EQ(materials[1], "  386;");
  StringList expected;
  for (int m = 0; m < 20; ++m)
    for (int n = 0; n < (m < 4 ? 32 : 16); ++n) expected.push_back("  " + std::to_string(m) + ",");
  expected.push_back("  20,");
  expected.push_back("  19;;");
  EXPECT_EQ(StringList(materials.begin() + 2, materials.begin() + 388), expected);
  StringList textures;
  for (size_t i = 0; i + 1 < lines.size(); ++i)
    if (lines[i] == "   TextureFilename {") textures.push_back(lines[i + 1]);
  ASSERT_EQ(textures.size(), 20u);
  EXPECT_EQ(textures[0], "    \"scene_11.bmp\";");
  EXPECT_EQ(textures[19], "    \"scene_38.bmp\";");

  const StringList uv = Block(lines, " MeshTextureCoords {");
  ASSERT_EQ(uv.size(), 1545u);
  EXPECT_EQ(uv[0], "  1544;");
  // Top band: U steps by 0.998 / 8 from the margin (0.12575 rounds half up to six decimals).
  EXPECT_EQ(uv[1], "  0.001000;0.001000;,");
  EXPECT_EQ(uv[2], "  0.125750;0.001000;,");
  EXPECT_EQ(uv[3], "  0.125750;0.250500;,");
  EXPECT_EQ(uv[1536], "  0.749500;0.999000;,");  // last quad of the last tile, lower left
  EXPECT_EQ(uv[1537], "  0.001000;0.001000;,");  // ground and bottom
  EXPECT_EQ(uv[1544], "  0.001000;0.001000;;");

  const StringList colours = Block(lines, " MeshVertexColors {");
  ASSERT_EQ(colours.size(), 1545u);
  EXPECT_EQ(colours[0], "  1544;");
  EXPECT_EQ(colours[1], "  0;1.000000;1.000000;1.000000;1.000000;,");
  EXPECT_EQ(colours[1543], "  1542;1.000000;1.000000;1.000000;1.000000;,");
  EXPECT_EQ(colours[1544], "  1543;1.000000;1.000000;1.000000;1.000000;;");
  EXPECT_EQ(lines.back(), "}");
}

TEST_F(XWriterTest, RotationHeaderValuesAndNamesWithPeriods) {
  TRCPDataHolder& data = filer->RCPData();
  data.SetSceneRotate(Currency::FromInt(30));
  data.SetSlopeZ(Currency::Parse("12.345"));
  data.SetAirCraftY(Currency::Parse("-0.0005"));
  data.SetAreaRadius(1001);
  filer->SetCubeSuffix(csZero);
  filer->SetTextureBasename("my.sky 'a'");
  const StringList lines = Write();
  // clang-format off
  EXPECT_EQ(StringList(lines.begin() + 6, lines.begin() + 18),
            (StringList{"// sf_SceneType         : 0  [stCube]",
                        "// sf_CubeSuffix        : 1  [csZero]",
                        "// sf_AreaRadius        : 1001",
                        "// sf_SceneRotate       : 30.00",
                        "// sf_SlopeX            : 0.00",
                        "// sf_SlopeZ            : 12.34",
                        "// sf_AirCraftX         : 5.00",
                        "// sf_AirCraftY         : 0.00",
                        "// sf_AirCraftZ         : 0.00",
                        "// sf_TextureBasename   : 'my.sky ''a'''",
                        "// ----------------------------------------------------------------",
                        ""}));
  // clang-format on
  const StringList mesh = Block(lines, "Mesh {", "");
  // Corner 0 of the top turned by +30 degrees about y; the ground keeps the turned corners.
  EXPECT_EQ(mesh[1], " -366.00000;1001.00000;1367.00000;,");
  EXPECT_EQ(mesh[25], " -366.00000;-0.00050;1367.00000;,");
  const auto texture = std::find(lines.begin(), lines.end(), "    \"my.sky 'a'_3.bmp\";");
  EXPECT_NE(texture, lines.end());
}

TEST_F(XWriterTest, SettingsFileFollowsOnlyASavedMesh) {
  // A folder in the way of the ".x" file: the mesh cannot be saved, so neither is the ".xscn".
  std::filesystem::create_directory(dir.File("scene.x"));
  EXPECT_THROW(Write(), FileError);
  EXPECT_FALSE(std::filesystem::exists(dir.File("scene.xscn")));

  // Refusals come before anything is written, and old files stay.
  std::filesystem::remove(dir.File("scene.x"));
  dir.Write("scene.x", "old");
  filer->PrepareOutputNames();
  SceneMesh mesh;
  // no mesh arrays
  EXPECT_THROW(WriteXCube(JobSettings::From(*filer), mesh, filer->Context()), Error);
  filer->SetSceneType(stSphere);
  InitMeshArrays(mesh, JobSettings::From(*filer), filer->Context());
  // sphere arrays
  EXPECT_THROW(WriteXCube(JobSettings::From(*filer), mesh, filer->Context()), Error);
  filer->SetTextureBasename("a\"b");
  try {
    Write();
    ADD_FAILURE() << "a double quote was written";
  } catch (const Error& e) {
    EXPECT_NE(std::string(e.what()).find("double quote"), std::string::npos) << e.what();
  }
  EXPECT_EQ(ReadAll(dir.File("scene.x")), "old");
  EXPECT_FALSE(std::filesystem::exists(dir.File("scene.xscn")));

  // A scene file name without an extension gets both extensions appended.
  filer->SetTextureBasename("scene");
  filer->SetSceneFilename(dir.File("plain"));
  Write();
  EXPECT_TRUE(std::filesystem::exists(dir.File("plain.x")));
  EXPECT_TRUE(std::filesystem::exists(dir.File("plain.xscn")));
}

}  // namespace
}  // namespace talvero
