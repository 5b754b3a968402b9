// Reading scene geometry straight from the files: what is taken from FMS and DirectX text,
// where the images are found, and clear errors for damaged or hostile files.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "common/test_support.h"
#include "imaging/image_codecs.h"
#include "sceneview/scene_model.h"
#include "sceneview/scene_view.h"
#include "support/errors.h"

namespace talvero {
namespace {

using testing::MessageOf;
using testing::TempDir;

TEST(FmsSceneModel, QuadsGroundPilotAndImages) {
  TempDir dir;
  WriteBmpFile(dir.File("Sky_A.BMP"), Bitmap(4, 4));  // found whatever the letter case
  const std::string scene = dir.Write("s.scn",
                                      "// a comment 1 2 3\r\n"
                                      "PILOT_POSITION 1 2 1.5 FIXED\r\n"
                                      "QUADS\r\n"
                                      " 10 -10  -2\r\n"
                                      "-10 -10  -2\r\n"
                                      "-10  10  -2\r\n"
                                      " 10  10  -2\r\n"
                                      "TEXTURE sky_a\r\n"
                                      "0 0 1 2 3\r\n"
                                      "0 255 4 5 6 // trailing comment\r\n"
                                      "255 255 7 8 9\r\n"
                                      "255 0 10 11 12\r\n"
                                      "TEXTURE fms_vista\r\n"
                                      "0 254 -1 -1 -2.7\r\n0 254 -1 1 -2.7\r\n"
                                      "0 254 1 1 -2.7\r\n0 254 1 -1 -2.7\r\n"
                                      "TEXTURE gone_b\r\n"
                                      "0 0 0 0 0\r\n1 1 1 1 1\r\n2 2 2 2 2\r\n"  // cut short
                                      "TRIANGLES\r\n"
                                      "0 0 0 0 1\r\n0 0 0 1 0\r\n0 0 1 0 0\r\n"
                                      "END\r\n"
                                      "0 0 9 9 9\r\n0 0 9 9 9\r\n0 0 9 9 9\r\n0 0 9 9 9\r\n");
  const SceneModel model = ReadSceneModel(scene);
  EXPECT_EQ(model.Format, sfFMS);
  EXPECT_DOUBLE_EQ(model.Eye.X, 1);
  EXPECT_DOUBLE_EQ(model.Eye.Z, 1.5);
  ASSERT_EQ(model.Ground.size(), 1u);
  EXPECT_EQ(model.Ground[0].size(), 4u);
  EXPECT_DOUBLE_EQ(model.Ground[0][2].Y, 10);
  // The quad as two triangles from its first corner, the triangle after TRIANGLES; the
  // vista patch, the polygon cut short and everything after END draw nothing.
  ASSERT_EQ(model.Triangles.size(), 3u);
  const SceneTriangle& second = model.Triangles[1];
  EXPECT_DOUBLE_EQ(second.V[0].P.Z, 3);
  EXPECT_DOUBLE_EQ(second.V[1].V, 1);  // 255 is the far edge
  EXPECT_DOUBLE_EQ(second.V[2].P.X, 10);
  ASSERT_EQ(model.Materials.size(), 2u);
  EXPECT_EQ(model.Materials[0].Name, "sky_a");
  // The same file, whatever case a case-blind file system (Windows) reports.
  EXPECT_TRUE(std::filesystem::equivalent(model.Materials[0].Path, dir.File("Sky_A.BMP")));
  EXPECT_EQ(model.Materials[1].Name, "gone_b");
  EXPECT_EQ(model.Materials[1].Path, "");

  const LoadedScene loaded(model);
  ASSERT_EQ(loaded.Missing().size(), 1u);
  EXPECT_EQ(loaded.Missing()[0].Name, "gone_b");
}

TEST(FmsSceneModel, ImagesAreFoundInAFolderWithAJapaneseName) {
  TempDir dir;
  const std::string folder = dir.File("確認の景色");
  std::filesystem::create_directory(PathFromUtf8(folder));
  WriteBmpFile(folder + "/空_A.BMP", Bitmap(4, 4));  // found only by ignoring the case
  WriteBmpFile(folder + "/空_b.bmp", Bitmap(4, 4));
  std::string scene = "PILOT_POSITION 0 0 1.5 FIXED\r\n";
  // Scene files hold code page 932: 空 is 8B F3 there.
  for (const char* name : {"\x8B\xF3_a", "\x8B\xF3_b"})
    scene += std::string("TEXTURE ") + name +
             "\r\n0 0 1 2 3\r\n0 255 4 5 6\r\n255 255 7 8 9\r\n255 0 10 11 12\r\n";
  const std::string sceneFile = folder + "/s.scn";
  {
    std::ofstream out(PathFromUtf8(sceneFile), std::ios::binary);
    out << scene;
  }
  const SceneModel model = ReadSceneModel(sceneFile);
  ASSERT_EQ(model.Materials.size(), 2u);
  for (const SceneMaterial& material : model.Materials) {
    SCOPED_TRACE(material.Name);
    ASSERT_FALSE(material.Path.empty());
    EXPECT_TRUE(std::filesystem::exists(PathFromUtf8(material.Path)));
  }
  EXPECT_TRUE(LoadedScene(model).Missing().empty());
}

TEST(FmsSceneModel, DamagedLinesAreRefusedWithTheirPlace) {
  TempDir dir;
  const struct {
    const char* Text;
    const char* Problem;
  } cases[] = {
      {"QUADS\n1 2 3 4\n", "line 2: a vertex line holds 5 numbers"},
      {"QUADS\n1 2 x\n", "line 2: 'x' is not a number"},
      {"QUADS\n\n1 2 1e999\n", "line 3: '1e999' is not a number"},
      {"3D_LANDSCAPE\n", "line 1: 3D_LANDSCAPE"},
  };
  for (const auto& c : cases) {
    const std::string file = dir.Write("bad.scn", c.Text);
    const std::string message = MessageOf<ParseError>([&] { ReadSceneModel(file); }, c.Text);
    EXPECT_NE(message.find(c.Problem), std::string::npos) << message;
  }
  EXPECT_NE(MessageOf<FileError>([&] { ReadSceneModel(dir.File("none.scn")); }, "missing file")
                .find("none.scn"),
            std::string::npos);
}

// A mesh as modellers write them: frames with matrices, named materials referred to, a
// short material list, a transparent material and a flat colour.
constexpr const char* kForeignMesh = R"(xof 0303txt 0032
template Vector {
 <3D82AB5E-62DA-11cf-AB39-0020AF71E433>
 FLOAT x; FLOAT y; FLOAT z;
 [...]
}
Material Stone { 1.0;1.0;1.0;1.0;; 0.0; 0.0;0.0;0.0;; 0.0;0.0;0.0;;
  TextureFilename { "textures\\stone.bmp"; } }
Frame Root {
  FrameTransformMatrix { 1,0,0,0, 0,1,0,0, 0,0,1,0, 100,0,0,1;; }
  Frame Inner {
    FrameTransformMatrix { 2,0,0,0, 0,2,0,0, 0,0,2,0, 0,10,0,1;; }
    Mesh Box {
      5;
      0.0;0.0;0.0;, 1.0;0.0;0.0;, 1.0;1.0;0.0;, 0.0;1.0;0.0;, 0;0;5;;
      3;
      4;0,1,2,3;, 3;0,1,4;, 3;1,2,4;;
      MeshMaterialList { 3; 2; 0, 2;;
        {Stone}
        Material Glass { 0.0;0.0;0.0;0.0;; 0.0; 0.0;0.0;0.0;; 0.0;0.0;0.0;; }
        Material Red { 1.0;0.0;0.0;1.0;; 0.0; 0.0;0.0;0.0;; 0.0;0.0;0.0;; }
      }
      MeshNormals { 1; 0;0;1;; 1; 3;0,0,0;; }
      MeshTextureCoords { 5; 0;0;, 1;0;, 1;1;, 0;1;, 0.5;0.5;; }
    }
  }
}
)";

TEST(XSceneModel, FramesMaterialsAndTheGroundOfAForeignMesh) {
  TempDir dir;
  std::filesystem::create_directory(dir.File("textures"));
  WriteBmpFile(dir.File("textures/stone.bmp"), Bitmap(2, 2));
  dir.Write("foreign.x", kForeignMesh);
  const SceneModel model = ReadSceneModel(dir.File("foreign.xscn"));  // the mesh beside it
  EXPECT_EQ(model.Format, sfRCP);
  EXPECT_EQ(model.FileName, dir.File("foreign.x"));
  // Face 0 (a quad) in Stone; face 1 in Red; face 2 takes the list's last material, Red.
  ASSERT_EQ(model.Triangles.size(), 4u);
  EXPECT_TRUE(std::filesystem::equivalent(
      model.Materials[static_cast<size_t>(model.Triangles[0].Material)].Path,
      dir.File("textures/stone.bmp")));
  const SceneMaterial& red = model.Materials[static_cast<size_t>(model.Triangles[2].Material)];
  ASSERT_TRUE(red.Colour.has_value());
  EXPECT_EQ(*red.Colour, (Rgb{255, 0, 0}));
  EXPECT_EQ(model.Triangles[3].Material, model.Triangles[2].Material);
  // Inner frame first (scale 2, up 10), then the root (along x by 100).
  const SceneVertex& corner = model.Triangles[0].V[2];
  EXPECT_DOUBLE_EQ(corner.P.X, 102);
  EXPECT_DOUBLE_EQ(corner.P.Y, 12);
  EXPECT_DOUBLE_EQ(corner.U, 1);
  EXPECT_DOUBLE_EQ(model.Triangles[2].V[2].P.Z, 10);
  EXPECT_TRUE(model.Ground.empty());

  // The transparent material, given to the quad instead, makes it ground.
  std::string text = kForeignMesh;
  text.replace(text.find("0, 2;;"), 6, "1, 2;;");
  dir.Write("foreign.x", text);
  const SceneModel grounded = ReadSceneModel(dir.File("foreign.x"));
  ASSERT_EQ(grounded.Ground.size(), 1u);
  EXPECT_EQ(grounded.Ground[0].size(), 4u);
  EXPECT_EQ(grounded.Triangles.size(), 2u);
}

TEST(XSceneModel, DamagedOrHostileMeshesAreRefusedWithTheirPlace) {
  TempDir dir;
  const std::string head = "xof 0302txt 0064\n";
  const struct {
    std::string Text;
    const char* Problem;
  } cases[] = {
      {"hello\n", "no \"xof\" header"},
      {"xof 0302bin 0064\n", "binary or compressed"},
      {head + "Mesh {\n 3;\n 0;0;0;, 1;0;0;\n", "a number was expected, not the end of the file"},
      {head + "Mesh {\n 1e12;\n", "line 3: the vertex count must be a whole number"},
      {head + "Mesh {\n -1;\n", "line 3: the vertex count"},
      {head + "Mesh {\n 1.5;\n", "line 3: the vertex count"},
      {head + "Mesh {\n 3; 0;0;0;, 1;0;0;, 0;1;0;;\n 1; 3;0,1,3;;\n}\n",
       "line 4: the vertex index count must be a whole number from 0 to 2"},
      {head + "Mesh {\n 3; 0;0;0;, 1;0;0;, 0;1;0;;\n 1; 3;0,1,2;;\n"
              " MeshMaterialList { 1; 1; 4;; }\n}\n",
       "line 5: the material index count"},
      {head + "Mesh {\n 3; 0;0;0;, 1;0;0;, 0;1;0;;\n 1; 3;0,1,2;;\n"
              " MeshMaterialList { 2; 1; 0;; {Nowhere} }\n}\n",
       "line 5: no material named 'Nowhere'"},
      {head + "Material M { 1;1;1;1;; 0; 0;0;0;; 0;0;0;;\n TextureFilename { \"a.bmp; }\n}\n",
       "line 3: a string has no end"},
      {head + "Frame F {\n Mesh {\n", "a number was expected, not the end of the file"},
      {head + "Frame F {\n", "the file ends inside a Frame"},
      {head + "} stray\n", "line 2: an object was expected, not '}'"},
  };
  for (const auto& c : cases) {
    const std::string file = dir.Write("bad.x", c.Text);
    const std::string message = MessageOf<ParseError>([&] { ReadSceneModel(file); }, c.Text);
    EXPECT_NE(message.find(c.Problem), std::string::npos) << message;
  }
  EXPECT_NE(MessageOf<FileError>([&] { ReadSceneModel(dir.File("none.xscn")); }, "missing mesh")
                .find("none.x"),
            std::string::npos);
}

TEST(LoadedScene, TexturesStayWithinTheMemoryBound) {
  TempDir dir;
  // One long image (its side is halved to the limit) and nine large ones, copies (Wine makes
  // no symbolic links; the texels of all of them together must give way).
  WriteBmpFile(dir.File("long.bmp"), Bitmap(4096, 8));
  WriteJpegFile(dir.File("big0.jpg"), Bitmap(2048, 2048), 90);
  std::string text = "QUADS\nTEXTURE long\n0 0 1 0 0\n0 0 0 1 0\n0 0 0 0 1\n0 0 1 1 1\n";
  for (int i = 1; i < 9; ++i)
    std::filesystem::copy_file(dir.File("big0.jpg"), dir.File("big" + std::to_string(i) + ".jpg"));
  for (int i = 0; i < 9; ++i)
    text += "TEXTURE big" + std::to_string(i) + "\n0 0 1 0 0\n0 0 0 1 0\n0 0 0 0 1\n0 0 1 1 1\n";
  const LoadedScene scene(dir.Write("s.scn", text));
  EXPECT_TRUE(scene.Missing().empty());
  EXPECT_EQ(scene.MaterialTexture(0).Levels[0].Width, LoadedScene::kMaxTextureSide);
  EXPECT_EQ(scene.MaterialTexture(0).Levels[0].Height, 4);
  EXPECT_LE(scene.TexelCount(), LoadedScene::kMaxTotalTexels);
  // Each copy is half the one before, down to a single texel.
  const LoadedScene::Texture& big = scene.MaterialTexture(1);
  EXPECT_LT(big.Levels[0].Width, 2048);
  EXPECT_EQ(big.Levels[1].Width, big.Levels[0].Width / 2);
  EXPECT_EQ(big.Levels.back().Texels.size(), 1u);
}

}  // namespace
}  // namespace talvero
