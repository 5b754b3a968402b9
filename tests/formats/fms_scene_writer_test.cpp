// The FMS scene writer: the bytes of whole files and the ground, header and name details.
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

class FmsWriterTest : public ::testing::Test {
 protected:
  FmsWriterTest() : filer(TSimFiler::Create()) {
    filer->ResetJob();
    filer->SetSceneFilename(dir.File("scene.scn"));
    filer->SetTextureBasename("scene");
  }

  // Runs the writer the way the scene stage does and returns the file as lines.
  StringList Write(TSceneType type = stCube) {
    filer->SetSceneType(type);
    filer->PrepareOutputNames();
    testing::WriteScene(*filer, type == stSphere ? WriteFmsSphere : WriteFmsCube);
    return LoadTextLines(filer->GetSceneFilename());
  }

  // The four ground corner lines.
  static StringList Ground(const StringList& lines) {
    const auto at = std::find(lines.begin(), lines.end(), "// ground");
    return StringList(at + 1, at + 5);
  }

  TempDir dir;
  std::unique_ptr<TSimFiler> filer;
};

TEST_F(FmsWriterTest, DefaultCubeFileIsByteExact) {
  Write();
  const std::string golden = Golden("default_cube.txt");
  ASSERT_FALSE(golden.empty());
  EXPECT_EQ(ReadAll(filer->GetSceneFilename()), golden);
}

// Whole files byte for byte: the sphere's tile and quad order, and a cube with every value
// changed, the "_0".."_5" names, a rotation and both slopes.
TEST_F(FmsWriterTest, SphereAndTurnedCubeFilesAreByteExact) {
  Write(stSphere);
  const std::string sphere = Golden("default_sphere.txt");
  ASSERT_FALSE(sphere.empty());
  EXPECT_EQ(ReadAll(filer->GetSceneFilename()), sphere);

  TFMSDataHolder& data = filer->FMSData();
  data.SetAreaRadius(1200);
  data.SetSceneRotate(Currency::Parse("30.5"));
  data.SetSlopeX(Currency::Parse("4.25"));
  data.SetSlopeY(Currency::Parse("-3"));
  data.SetAirCraftX(Currency::Parse("-5.5"));
  data.SetAirCraftY(Currency::Parse("2.25"));
  data.SetAirCraftZ(Currency::Parse("-1.75"));
  data.SetPilotZ(Currency::Parse("1.5"));
  filer->SetCubeSuffix(csZero);
  filer->SetTextureBasename("field");
  Write();
  const std::string cube = Golden("turned_cube.txt");
  ASSERT_FALSE(cube.empty());
  EXPECT_EQ(ReadAll(filer->GetSceneFilename()), cube);
}

TEST_F(FmsWriterTest, SphereFileHasTwentyTilesOf384QuadsAndABottom) {
  const StringList lines = Write(stSphere);
  EXPECT_EQ(lines[5], "// sf_SceneType         : 1  [stSphere]");
  EXPECT_EQ(lines[6], "// sf_AreaRadius        : 1000");  // no naming-rule line

  std::vector<size_t> textures;
  for (size_t i = 0; i < lines.size(); ++i)
    if (lines[i].starts_with("TEXTURE ")) textures.push_back(i);
  ASSERT_EQ(textures.size(), 21u);  // 20 tiles and the vista patch
  const size_t firstTile = textures[0], bottom = textures[20] - 8;
  EXPECT_EQ(lines[firstTile - 2], "");  // the ground section's blank line, then the face's
  EXPECT_EQ(lines[firstTile - 3], "// u v x y z");
  EXPECT_EQ(StringList(lines.begin() + firstTile, lines.begin() + firstTile + 5),
            (StringList{"TEXTURE scene_11", "0.25 0.25 0 0 1000", "0.25 63.875 195 0 981",
                        "32.0625 63.875 191 -38 981", "32.0625 0.25 0 0 1000"}));
  EXPECT_EQ(lines[textures[4]], "TEXTURE scene_21");
  EXPECT_EQ(lines[textures[19]], "TEXTURE scene_38");

  size_t vertexLines = 0;
  for (size_t i = firstTile; i < bottom; ++i)
    if (!lines[i].empty() && !lines[i].starts_with("TEXTURE ")) ++vertexLines;
  EXPECT_EQ(vertexLines, 384u * 4);
  // The last quad of the last tile closes the ring at column 0 (= (707, 0, -707) at the bottom).
  EXPECT_EQ(lines[bottom - 2], "254.75 254.75 707 0 -707");

  EXPECT_EQ(StringList(lines.begin() + bottom, lines.end()),
            (StringList{"", "// bottom", "0 255 -1000  1000 -708", "0 255 -1000 -1000 -708",
                        "0 255  1000 -1000 -708", "0 255  1000  1000 -708", "",
                        "// for windows vista", "TEXTURE fms_vista", "0 254 -1 -1  -2.7",
                        "0 254 -1  1  -2.7", "0 254  1  1  -2.7", "0 254  1 -1  -2.7", "", "END"}));
}

TEST_F(FmsWriterTest, GroundHeightsAreCutToTenthsOnTheSlopedPlane) {
  TFMSDataHolder& data = filer->FMSData();
  data.SetSlopeX(Currency::FromInt(10));
  data.SetAirCraftZ(Currency::FromInt(0));
  EXPECT_EQ(Ground(Write()), (StringList{" 1500 -1500  -264.4", "-1500 -1500  -264.4",
                                         "-1500  1500  264.4", " 1500  1500  264.4"}));

  data.SetSlopeX(Currency::FromInt(0));
  data.SetSlopeY(Currency::FromInt(-10));
  EXPECT_EQ(Ground(Write()), (StringList{" 1500 -1500  264.4", "-1500 -1500  -264.4",
                                         "-1500  1500  -264.4", " 1500  1500  264.4"}));

  data.SetSlopeY(Currency::FromInt(0));
  data.SetAirCraftZ(Currency::Parse("-1.75"));
  data.SetAreaRadius(1001);
  const StringList lines = Write();
  EXPECT_EQ(Ground(lines), (StringList{" 1501.5 -1501.5  -1.7", "-1501.5 -1501.5  -1.7",
                                       "-1501.5  1501.5  -1.7", " 1501.5  1501.5  -1.7"}));
  EXPECT_NE(std::find(lines.begin(), lines.end(), "AIRCRAFT_POSITION  -5  0  -1.75  -0.75"),
            lines.end());
  EXPECT_EQ(lines[lines.size() - 3], "0 254  1 -1  -2.75");
}

TEST_F(FmsWriterTest, VerticalGroundStopsBeforeAnyFileIsWritten) {
  for (const char* slope : {"90", "-90", "270"}) {
    SCOPED_TRACE(slope);
    filer->FMSData().SetSlopeX(Currency::Parse(slope));
    EXPECT_THROW(Write(), Error);
    EXPECT_FALSE(std::filesystem::exists(filer->GetSceneFilename()));
    filer->FMSData().SetSlopeX(Currency::FromInt(0));
    filer->FMSData().SetSlopeY(Currency::Parse(slope));
    try {
      Write();
      ADD_FAILURE() << "no error";
    } catch (const Error& e) {
      EXPECT_NE(std::string(e.what()).find("scene.scn"), std::string::npos) << e.what();
      EXPECT_NE(std::string(e.what()).find("SlopeY"), std::string::npos) << e.what();
    }
    filer->FMSData().SetSlopeY(Currency::FromInt(0));
  }
  // A steep but not vertical slope is still written (1500 tan 89.99° below -1.7).
  filer->FMSData().SetSlopeX(Currency::Parse("89.99"));
  EXPECT_EQ(Ground(Write())[0], " 1500 -1500  -8594368.5");
}

TEST_F(FmsWriterTest, HeaderValuesNamesAndKeptGroundData) {
  TFMSDataHolder& data = filer->FMSData();
  data.SetSceneRotate(Currency::Parse("12.345"));
  data.SetSlopeX(Currency::Parse("12.355"));
  data.SetSlopeY(Currency::Parse("-0.005"));
  filer->SetCubeSuffix(csZero);
  filer->SetTextureBasename("my 空's");
  filer->GroundDataLines() = {"// sf_GroundDataStart", "// 1 2 3", "// sf_GroundDataEnd"};
  const StringList lines = Write();
  // clang-format off
  EXPECT_EQ(StringList(lines.begin() + 6, lines.begin() + 19),
            (StringList{"// sf_CubeSuffix        : 1  [csZero]",
                        "// sf_AreaRadius        : 1000",
                        "// sf_SceneRotate       : 12.34",
                        "// sf_SlopeX            : 12.36",
                        "// sf_SlopeY            : 0.00",
                        "// sf_AirCraftX         : -5.00",
                        "// sf_AirCraftY         : 0.00",
                        "// sf_AirCraftZ         : -1.70",
                        "// sf_PilotZ            : 0.00",
                        "// sf_GroundDataStart",
                        "// 1 2 3",
                        "// sf_GroundDataEnd",
                        "// sf_TextureBasename   : 'my 空''s'"}));
  // clang-format on
  EXPECT_NE(std::find(lines.begin(), lines.end(), "TEXTURE my 空's_3"), lines.end());
  // The file itself is code page 932.
  EXPECT_NE(ReadAll(filer->GetSceneFilename()).find("TEXTURE my \x8B\xF3's_3\r\n"),
            std::string::npos);
}

TEST_F(FmsWriterTest, RefusesMissingMeshOrNamesAndKeepsTheOldFile) {
  const std::string path = dir.Write("scene.scn", "old");
  filer->PrepareOutputNames();
  SceneMesh mesh;
  // no mesh arrays
  EXPECT_THROW(WriteFmsCube(JobSettings::From(*filer), mesh, filer->Context()), Error);
  filer->SetSceneType(stSphere);
  const JobSettings sphere = JobSettings::From(*filer);  // the names are still the cube's
  InitMeshArrays(mesh, sphere, filer->Context());
  EXPECT_THROW(WriteFmsCube(sphere, mesh, filer->Context()), Error);    // sphere arrays
  EXPECT_THROW(WriteFmsSphere(sphere, mesh, filer->Context()), Error);  // cube names
  EXPECT_EQ(ReadAll(path), "old");

  filer->SetSceneFilename(dir.File("no/such/folder/scene.scn"));
  filer->PrepareOutputNames();
  EXPECT_THROW(WriteFmsSphere(JobSettings::From(*filer), mesh, filer->Context()), FileError);
}

}  // namespace
}  // namespace talvero
