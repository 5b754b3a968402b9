// The scene stage: validation, the files of each format, the vista rule and clean-up.
#include <gtest/gtest.h>

#include <filesystem>
#include <tuple>

#include "common/test_support.h"
#include "engine/sim_filer.h"
#include "formats/fms_scene.h"
#include "formats/rcp_scene.h"
#include "support/errors.h"
#include "support/file_util.h"

namespace talvero {
namespace {

class SceneStageTest : public ::testing::Test {
 protected:
  SceneStageTest() : filer(TSimFiler::Create()) {
    filer->SetErrorReporter(&errors);
    filer->ResetJob();
    filer->SetTextureBasename("scene");
    filer->OnProgress = [this](TSimFiler&, const std::string& text, TSimProgressMode mode) {
      if (mode == spAppend) console.push_back(text);
    };
  }
  void Run(TSceneFormat format, TSceneType type, const std::string& name) {
    filer->SetSceneFormat(format);
    filer->SetSceneType(type);
    filer->SetSceneFilename(dir.File(name));
    filer->PrepareOutputNames();
    filer->RunSceneStage();
  }

  testing::RecordingErrorReporter errors;
  testing::TempDir dir;
  std::unique_ptr<TSimFiler> filer;
  StringList console;
};

TEST_F(SceneStageTest, FmsWritesTheSceneAndAMissingVistaTexture) {
  Run(sfFMS, stCube, "scene.scn");
  EXPECT_TRUE(FileExists(dir.File("scene.scn")));
  EXPECT_TRUE(FileExists(dir.File("fms_vista.bmp")));
  EXPECT_EQ(console, (StringList{"シーンファイルを出力します。", "頂点の配列を初期化しています。",
                                 "fms_vista.bmp", "出力中　" + dir.File("scene.scn")}));
  // A texture already there is left alone, and no line announces it.
  WriteFileAtomically(dir.File("fms_vista.bmp"), "kept");
  console.clear();
  Run(sfFMS, stSphere, "scene.scn");
  EXPECT_EQ(testing::ReadAll(dir.File("fms_vista.bmp")), "kept");
  EXPECT_EQ(console.back(), "出力中　" + dir.File("scene.scn"));
  EXPECT_EQ(console.size(), 3u);
}

TEST_F(SceneStageTest, RcpsimWritesMeshAndSettingsButNoVista) {
  Run(sfRCP, stSphere, "scene.xscn");
  EXPECT_TRUE(FileExists(dir.File("scene.x")));
  EXPECT_TRUE(FileExists(dir.File("scene.xscn")));
  EXPECT_FALSE(FileExists(dir.File("fms_vista.bmp")));
  EXPECT_EQ(console.back(), "出力中　" + dir.File("scene.xscn"));
}

TEST_F(SceneStageTest, RefusedJobsWriteNothing) {
  filer->SetSceneFormat(sfFMS);
  filer->SetSceneFilename("scene.scn");
  filer->PrepareOutputNames();
  filer->RunSceneStage();
  EXPECT_EQ(errors.Messages, StringList{"シーンフィアル名：で指定されたフォルダがありません。"});
  EXPECT_TRUE(console.empty());
  EXPECT_TRUE(std::filesystem::is_empty(dir.Path()));
}

TEST_F(SceneStageTest, AFailedWriteReleasesTheMeshAndReachesTheCaller) {
  std::filesystem::create_directory(dir.File("scene.x"));  // a folder where the mesh goes
  EXPECT_THROW(Run(sfRCP, stCube, "scene.xscn"), FileError);
  EXPECT_FALSE(FileExists(dir.File("scene.xscn")));
}

// A cancelled scene stage reports it once, writes nothing and keeps the files it would have
// replaced; the flag stays set for the next stage until the caller resets it.
TEST_F(SceneStageTest, CancelledStagesWriteNothing) {
  WriteFileAtomically(dir.File("scene.x"), "old mesh");
  filer->OnProgress = [this](TSimFiler&, const std::string& text, TSimProgressMode) {
    console.push_back(text);
    if (text == "頂点の配列を初期化しています。") filer->Cancellation().Cancel();
  };
  Run(sfRCP, stCube, "scene.xscn");
  EXPECT_EQ(errors.Messages, StringList{"cancelled"});
  EXPECT_EQ(testing::ReadAll(dir.File("scene.x")), "old mesh");
  EXPECT_FALSE(FileExists(dir.File("scene.xscn")));

  console.clear();
  Run(sfFMS, stSphere, "scene.scn");  // still cancelled: nothing starts
  EXPECT_EQ(errors.Messages, (StringList{"cancelled", "cancelled"}));
  EXPECT_TRUE(console.empty());
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 1);

  filer->Cancellation().Reset();
  filer->OnProgress = nullptr;
  Run(sfFMS, stSphere, "scene.scn");
  EXPECT_EQ(errors.Messages.size(), 2u);
  EXPECT_TRUE(FileExists(dir.File("scene.scn")));
}

TEST_F(SceneStageTest, LevellingAndQualityAreKeptInTheHeaderOnlyWhenSet) {
  for (const auto& [format, name, reread] :
       {std::tuple{sfFMS, "scene.scn", "scene.scn"}, std::tuple{sfRCP, "scene.xscn", "scene.x"}}) {
    filer->SetLevelPitch(Currency::Parse("3.25"));
    filer->SetLevelRoll(Currency::Parse("-1.5"));
    filer->SetImageQuality(iqHigh);
    Run(format, stCube, name);
    const std::string text = testing::ReadAll(dir.File(reread));
    EXPECT_NE(text.find("// sf_LevelPitch        : 3.25\r\n// sf_LevelRoll         : -1.5\r\n"
                        "// sf_Quality           : 1  [iqHigh]\r\n"),
              std::string::npos)
        << text;
    // Read back by a fresh engine; a file written without them resets them.
    auto other = TSimFiler::Create();
    ASSERT_TRUE(format == sfFMS ? ReadFmsScene(*other, dir.File(reread))
                                : ReadXScene(*other, dir.File(reread)));
    EXPECT_EQ(other->GetLevelPitch(), Currency::Parse("3.25"));
    EXPECT_EQ(other->GetLevelRoll(), Currency::Parse("-1.5"));
    EXPECT_EQ(other->GetImageQuality(), iqHigh);
    filer->SetLevelPitch(Currency());
    filer->SetLevelRoll(Currency());
    filer->SetImageQuality(iqExact);
    Run(format, stCube, name);
    EXPECT_EQ(testing::ReadAll(dir.File(reread)).find("sf_Level"), std::string::npos);
    EXPECT_EQ(testing::ReadAll(dir.File(reread)).find("sf_Quality"), std::string::npos);
    ASSERT_TRUE(format == sfFMS ? ReadFmsScene(*other, dir.File(reread))
                                : ReadXScene(*other, dir.File(reread)));
    EXPECT_EQ(other->GetLevelPitch(), Currency());
    EXPECT_EQ(other->GetImageQuality(), iqExact);
  }
}

}  // namespace
}  // namespace talvero
