// Reading RCPSim scenes back: files written here restore the job through ".xscn" and ".x";
// foreign meshes give their scene type, ground and base name; broken files stop cleanly.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "common/test_support.h"
#include "engine/sim_filer.h"
#include "formats/line_file.h"
#include "scene_writing.h"
#include "support/errors.h"

namespace talvero {
namespace {

using testing::TempDir;

class XReaderTest : public ::testing::Test {
 protected:
  XReaderTest() : filer(TSimFiler::Create()) { filer->ResetJob(); }

  // Writes a scene with the writer's engine; returns the ".x" file.
  std::string WriteScene(TSimFiler& writer, TSceneType type) {
    writer.SetSceneFormat(sfRCP);
    writer.SetSceneType(type);
    writer.SetSceneFilename(dir.File("scene.xscn"));
    writer.PrepareOutputNames();
    testing::WriteScene(writer, type == stSphere ? WriteXSphere : WriteXCube);
    return dir.File("scene.x");
  }

  // The scene's ".x" file without its "sf_" comment block, as a mesh of other origin.
  std::string ForeignMesh(TSceneType type, const std::string& base, TCubeSuffix suffix) {
    auto writer = TSimFiler::Create();
    writer->ResetJob();
    writer->SetTextureBasename(base);
    writer->SetCubeSuffix(suffix);
    StringList lines = LoadTextLines(WriteScene(*writer, type));
    std::erase_if(lines, [](const std::string& line) { return line.find("sf_") != line.npos; });
    SaveTextLines(dir.File("foreign.x"), lines);
    return dir.File("foreign.x");
  }

  bool Read(const std::string& text) { return ReadXScene(*filer, dir.Write("in.x", text)); }

  // The error of reading `text`, which must fail with exception type E.
  template <typename E>
  std::string ReadError(const std::string& text) {
    return testing::MessageOf<E>([&] { Read(text); }, text);
  }

  TempDir dir;
  std::unique_ptr<TSimFiler> filer;
};

TEST_F(XReaderTest, WrittenScenesComeBackThroughBothFiles) {
  std::mt19937 random(8);
  auto value = [&](int limit) { return testing::RandomCurrency(random, limit); };
  const auto& names = testing::kAwkwardBasenames;
  for (int run = 0; run < 20; ++run) {
    SCOPED_TRACE(run);
    auto writer = TSimFiler::Create();
    writer->ResetJob();
    writer->SetCubeSuffix(run % 4 == 2 ? csZero : csLeft);
    writer->SetTextureBasename(names[run % 5]);
    TRCPDataHolder& in = writer->RCPData();
    if (run > 0) {  // run 0 keeps the defaults
      in.SetAreaRadius(std::uniform_int_distribution<int32_t>(100, 200000)(random));
      in.SetSceneRotate(value(360));
      in.SetSlopeX(value(45));
      in.SetSlopeZ(value(45));
      in.SetAirCraftX(value(500));
      in.SetAirCraftY(value(50));
      in.SetAirCraftZ(value(500));
      in.SetAirCraftRotate(value(360));
      in.SetLightDirection({run, -run * 7, 3});
      in.SetLightDiffuse({value(1), value(1), value(1)});
      in.SetLightSpecular({value(2), value(2), value(2)});
      in.SetLightAmbient({value(1), value(1), value(1)});
    }
    const TSceneType type = run % 2 ? stSphere : stCube;
    const std::string xFile = WriteScene(*writer, type);

    // The reading engine starts from other values.
    filer->SetSceneType(type == stCube ? stSphere : stCube);
    filer->SetCubeSuffix(csZero);
    filer->RCPData().SetAreaRadius(555);
    filer->RCPData().SetAirCraftRotate(Currency::FromInt(99));
    ASSERT_TRUE(ReadXscn(*filer, dir.File("scene.xscn")));
    ASSERT_TRUE(ReadXScene(*filer, xFile));

    const TRCPDataHolder& out = filer->RCPData();
    EXPECT_EQ(filer->GetSceneType(), type);
    EXPECT_EQ(filer->GetCubeSuffix(), type == stCube ? writer->GetCubeSuffix() : csZero);
    EXPECT_EQ(filer->GetTextureBasename(), writer->GetTextureBasename());
    EXPECT_EQ(out.GetAreaRadius(), in.GetAreaRadius());
    // The comment block holds two decimals, the settings file the exact values.
    auto twoDecimals = [](Currency c) { return Currency::Parse(c.ToFixedString(2)); };
    EXPECT_EQ(out.GetSceneRotate(), twoDecimals(in.GetSceneRotate()));
    EXPECT_EQ(out.GetSlopeX(), twoDecimals(in.GetSlopeX()));
    EXPECT_EQ(out.GetSlopeZ(), twoDecimals(in.GetSlopeZ()));
    EXPECT_EQ(out.GetAirCraftY(), twoDecimals(in.GetAirCraftY()));
    EXPECT_EQ(out.GetAirCraftX(), twoDecimals(in.GetAirCraftX()));
    EXPECT_EQ(out.GetAirCraftZ(), twoDecimals(in.GetAirCraftZ()));
    EXPECT_EQ(out.GetAirCraftRotate(), in.GetAirCraftRotate());
    EXPECT_TRUE(SameIntVector(out.GetLightDirection(), in.GetLightDirection()));
    EXPECT_TRUE(SameColorTriple(out.GetLightDiffuse(), in.GetLightDiffuse()));
    EXPECT_TRUE(SameColorTriple(out.GetLightSpecular(), in.GetLightSpecular()));
    EXPECT_TRUE(SameColorTriple(out.GetLightAmbient(), in.GetLightAmbient()));
  }
  EXPECT_FALSE(ReadXScene(*filer, dir.File("missing.x")));
}

TEST_F(XReaderTest, ForeignMeshesGiveTypeGroundAndBaseName) {
  // Three horizontal quads (1000, -1.7, -1000): a cube standing on the middle one.
  filer->SetSceneType(stSphere);
  EXPECT_TRUE(ReadXScene(*filer, ForeignMesh(stCube, "sky", csZero)));
  EXPECT_EQ(filer->GetSceneType(), stCube);
  EXPECT_EQ(filer->RCPData().GetAirCraftY(), Currency::Parse("-1.7"));
  EXPECT_EQ(filer->GetTextureBasename(), "sky");  // from sky_3.bmp
  EXPECT_EQ(filer->GetCubeSuffix(), csZero);

  EXPECT_TRUE(ReadXScene(*filer, ForeignMesh(stCube, "my_sky", csLeft)));
  EXPECT_EQ(filer->GetTextureBasename(), "my_sky");  // from my_sky_left.bmp
  EXPECT_EQ(filer->GetCubeSuffix(), csLeft);

  // Two (ground -1.7, bottom -707): a sphere standing on the higher one.
  filer->RCPData().SetAirCraftY(Currency::FromInt(3));
  EXPECT_TRUE(ReadXScene(*filer, ForeignMesh(stSphere, "pano", csZero)));
  EXPECT_EQ(filer->GetSceneType(), stSphere);
  EXPECT_EQ(filer->RCPData().GetAirCraftY(), Currency::Parse("-1.7"));
  EXPECT_EQ(filer->GetTextureBasename(), "pano");
  EXPECT_EQ(filer->GetCubeSuffix(), csLeft);  // not touched for a sphere

  // Four levels are not a cube; the highest of the first three kept wins. Integer tokens
  // and lines without a second float do not count; the name stops at its period.
  const std::string quads =
      "Mesh {\n 17;\n"
      " 0.0;5.5;0.0;,\n 1.0;5.5;0.0;,\n 1.0;5.5;1.0;,\n 0.0;5.5;1.0;,\n"
      " 0.0;2.0;0.0;,\n 1;2;0;,\n 1.0;2.0;0.0;,\n 1.0;2.0;1.0;,\n 0.0;2.0;1.0;,\n"
      " 0.0;9.0;0.0;,\n 1.0;9.0;0.0;,\n 1.0;9.0;1.0;,\n 0.0;9.0;1.0;,\n"
      " 0.0;7.0;0.0;,\n 1.0;7.0;0.0;,\n 1.0;7.0;1.0;,\n 0.0;7.0;1.0;;\n"
      " TextureFilename {\n    \"a.b_21.jpg\";\n";
  filer->SetSceneType(stCube);
  EXPECT_TRUE(Read(quads));
  EXPECT_EQ(filer->GetSceneType(), stSphere);
  EXPECT_EQ(filer->RCPData().GetAirCraftY(), Currency::FromInt(9));
  EXPECT_EQ(filer->GetTextureBasename(), "");  // "a" has no underscore

  // Each mesh takes its quads from its own first vertex on, whatever meshes came before it
  // (the vertex lines are read once for all of them), and the last mesh decides: the second
  // one here has two quads (7 and 3); the first alone, running on over the same lines, has
  // (1, 7, 7, 7), (7, 3, 3, 3) and one quad (3, 3, 3, 3).
  const std::string vertices =
      " 0.0;7.0;0.0;,\n 1.0;7.0;0.0;,\n 1.0;7.0;1.0;,\n 0.0;7.0;1.0;,\n"
      " 0.0;3.0;0.0;,\n 1.0;3.0;0.0;,\n 1.0;3.0;1.0;,\n 0.0;3.0;1.0;,\n"
      " 0.0;3.0;0.0;,\n 1.0;3.0;0.0;,\n 1.0;3.0;1.0;;\n";
  filer->SetSceneType(stCube);
  EXPECT_FALSE(Read("Mesh {\n 99;\n 0.0;1.0;0.0;,\nMesh {\n 11;\n" + vertices));
  EXPECT_EQ(filer->GetSceneType(), stSphere);
  EXPECT_EQ(filer->RCPData().GetAirCraftY(), Currency::FromInt(7));
  EXPECT_FALSE(Read("Mesh {\n 99;\n 0.0;1.0;0.0;,\n 11;\n" + vertices));
  EXPECT_EQ(filer->RCPData().GetAirCraftY(), Currency::FromInt(3));

  // "Mesh" counts only at the start of a line; "TextureFilename" only before a quoted name.
  filer->RCPData().SetAirCraftY(Currency::FromInt(3));
  EXPECT_FALSE(
      Read("template Mesh {\n 4;\n 0.0;1.0;0.0;,\n 0.0;1.0;0.0;,\n 0.0;1.0;0.0;,\n"
           " 0.0;1.0;0.0;,\ntemplate TextureFilename {\n <A42790E1>\n"));
  EXPECT_EQ(filer->RCPData().GetAirCraftY(), Currency::FromInt(3));
}

TEST_F(XReaderTest, DamagedFilesStopCleanly) {
  // A vertex count beyond the end of the file reads the lines there are, never past the end.
  filer->SetSceneType(stCube);
  EXPECT_FALSE(
      Read("Mesh {\n 1544;\n 0.0;-2.5;0.0;,\n 1.0;-2.5;0.0;,\n 1.0;-2.5;1.0;,\n"
           " 0.0;-2.5;1.0;,"));
  EXPECT_EQ(filer->GetSceneType(), stSphere);
  EXPECT_EQ(filer->RCPData().GetAirCraftY(), Currency::Parse("-2.5"));
  EXPECT_FALSE(Read("Mesh {\n 9223372036854775807;\n"));
  // A negative count is an empty list, as 0 is: a sphere standing at 0.
  for (const char* count : {" 0;", " -4;"}) {
    SCOPED_TRACE(count);
    filer->SetSceneType(stCube);
    filer->RCPData().SetAirCraftY(Currency::FromInt(3));
    EXPECT_FALSE(Read(std::string("Mesh {\n") + count + "\n 0.0;1.0;0.0;,\n"));
    EXPECT_EQ(filer->GetSceneType(), stSphere);
    EXPECT_EQ(filer->RCPData().GetAirCraftY(), Currency::FromInt(0));
  }
  EXPECT_FALSE(Read("Mesh {"));
  // A texture word on the last line has no name after it.
  filer->SetTextureBasename("kept");
  EXPECT_FALSE(Read("Mesh {\n 0;\n TextureFilename"));
  EXPECT_EQ(filer->GetTextureBasename(), "kept");

  // Ordinals outside the enumerations are refused, never stored.
  filer->SetSceneType(stSphere);
  filer->SetCubeSuffix(csZero);
  const std::string type = ReadError<ParseError>("\n// sf_SceneType : 2  [stCube]\n");
  EXPECT_NE(type.find("'" + dir.File("in.x") + "', line 2: 2 is not a valid value of sf_SceneType"),
            std::string::npos)
      << type;
  EXPECT_NE(ReadError<ParseError>("// sf_CubeSuffix : -1\n").find("sf_CubeSuffix"),
            std::string::npos);
  EXPECT_EQ(filer->GetSceneType(), stSphere);
  EXPECT_EQ(filer->GetCubeSuffix(), csZero);

  // Errors name the line they belong to, also inside the mesh and on the name's line.
  EXPECT_NE(ReadError<ParseError>("Mesh {\n 2;\n 0.0;1.0;0.0;,\n 'open\n").find("line 4:"),
            std::string::npos);
  EXPECT_NE(ReadError<ConvertError>("Mesh {\n 1;\n 0.0;1-2;0.0;,\n").find("line 3:"),
            std::string::npos);
  EXPECT_NE(ReadError<ParseError>("TextureFilename {\n\"'x_1.bmp\n").find("line 2:"),
            std::string::npos);
  EXPECT_NE(ReadError<ConvertError>("// sf_AreaRadius : 3000000000\n").find("line 1:"),
            std::string::npos);
}

// A real code page 932 file whose image name holds "ダ" (83 5F: its second byte is the code
// of "_"): the base name is the whole character.
TEST_F(XReaderTest, NamesWithTheTrailByteOfAnUnderscore) {
  filer->SetSceneType(stCube);
  EXPECT_TRUE(Read("TextureFilename {\r\n\"\x83\x5F_left.bmp\";\r\n}\r\n"));
  EXPECT_EQ(filer->GetTextureBasename(), "ダ");
  EXPECT_EQ(filer->GetCubeSuffix(), csLeft);
  EXPECT_TRUE(Read("TextureFilename {\r\n\"\x83\x5F\x83\x5F_0.bmp\";\r\n}\r\n"));
  EXPECT_EQ(filer->GetTextureBasename(), "ダダ");
  EXPECT_EQ(filer->GetCubeSuffix(), csZero);
}

}  // namespace
}  // namespace talvero
