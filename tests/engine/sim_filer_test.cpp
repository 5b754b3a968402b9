// The engine's job model: reset, progress, validation and output names.
#include <gtest/gtest.h>

#include <filesystem>

#include "common/test_support.h"
#include "engine/sim_filer.h"
#include "support/file_util.h"
#include "support/text_catalogue.h"

namespace talvero {
namespace {

using testing::RecordingErrorReporter;
using testing::TempDir;

const char* const kNoImageName = "画像ファイル名：が指定されていません。";
const char* const kNoImageFile = "画像ファイル名で指定されたファイルがありません。";
const char* const kNoSceneName = "シーンファイル名：が指定されていません。";
const char* const kNoSceneFolder = "シーンフィアル名：で指定されたフォルダがありません。";
const char* const kNoBaseName = "出力画像の基本名：が指定されていません。";

class SimFilerTest : public ::testing::Test {
 protected:
  SimFilerTest() : filer(TSimFiler::Create()) { filer->SetErrorReporter(&errors); }
  RecordingErrorReporter errors;
  TempDir dir;
  std::unique_ptr<TSimFiler> filer;
};

TEST_F(SimFilerTest, NewEngineIsBlankUntilReset) {
  EXPECT_EQ(filer->FMSData().GetAreaRadius(), 0);
  EXPECT_EQ(filer->GetImageSizeMode(), ismSmall);
  filer->SetImageFileName("a.jpg");
  filer->SetSceneType(stSphere);
  filer->ResetJob();
  EXPECT_EQ(filer->FMSData().GetAreaRadius(), 1000);
  EXPECT_EQ(filer->RCPData().GetAirCraftX(), Currency::FromInt(5));
  EXPECT_EQ(filer->GetImageFileName(), "");
  EXPECT_EQ(filer->GetSceneType(), stSphere);  // enumerations are not touched
}

TEST_F(SimFilerTest, SceneFolderAndProgress) {
  filer->SetSceneFilename("scene.scn");
  EXPECT_EQ(filer->GetSceneFolder(), "");
  filer->SetSceneFilename("/data/fms/scene.scn");
  EXPECT_EQ(filer->GetSceneFolder(), "/data/fms/");

  filer->Progress("ignored without a handler", spAppend);
  std::vector<std::pair<std::string, TSimProgressMode>> seen;
  filer->OnProgress = [&](TSimFiler& sender, const std::string& text, TSimProgressMode mode) {
    EXPECT_EQ(&sender, filer.get());
    seen.emplace_back(text, mode);
  };
  filer->Progress("A", spAppend);
  filer->Progress("B", spUpdate);
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_EQ(seen[1].first, "B");
  EXPECT_EQ(seen[1].second, spUpdate);
}

TEST_F(SimFilerTest, SceneChecksStopAtTheFirstFailureInOrder) {
  EXPECT_FALSE(filer->CheckSceneJob());
  filer->SetSceneFilename("scene.scn");  // no folder part
  EXPECT_FALSE(filer->CheckSceneJob());
  filer->SetSceneFilename(dir.File("missing/scene.scn"));
  EXPECT_FALSE(filer->CheckSceneJob());
  filer->SetSceneFilename(dir.File("scene.scn"));
  EXPECT_FALSE(filer->CheckSceneJob());
  filer->SetTextureBasename("scene");
  EXPECT_TRUE(filer->CheckSceneJob());
  EXPECT_EQ(errors.Messages, (std::vector<std::string>{kNoSceneName, kNoSceneFolder, kNoSceneFolder,
                                                       kNoBaseName}));
}

// The base name is the stem of every image name and is written into the scene file: a name
// that would put images outside the scene folder, break a line of the scene file, come back
// from code page 932 as other text or not be a file name on Windows (where the simulators
// run) is refused before anything is written, naming the character, on every platform.
TEST_F(SimFilerTest, BaseNamesThatCannotBeAFileNameStemAreRefused) {
  filer->SetSceneFilename(dir.File("scene.scn"));
  const std::pair<const char*, const char*> refused[] = {
      {"../x", "「/」"},        {"sky/left", "「/」"},   {"sky\\1", "「\\」"},
      {"sky\r", " U+000D "},    {"sky\nx", " U+000A "},  {"a\tb", " U+0009 "},
      {"a\x7F", " U+007F "},    {"bad:name*?", "「:」"}, {"sky*", "「*」"},
      {"sky?", "「?」"},        {"a<b", "「<」"},        {"a>b", "「>」"},
      {"a|b", "「|」"},         {"a\"b", "「\"」"},      {"sky¥1", "「¥」"},
      {"sky‾", "「‾」"},        {"a−b", "「−」"},        {"a—b", "「—」"},
      {"a‖b", "「‖」"},         {"a〜b", "「〜」"},      {"¢", "「¢」"},
      {"£", "「£」"},           {"¬", "「¬」"},          {"sky\xEF\xBF\xBD", "「\xEF\xBF\xBD」"},
      {"sky🙂", "「🙂」"}};
  for (const TSceneFormat format : {sfFMS, sfRCP}) {
    filer->SetSceneFormat(format);
    for (const auto& [name, shown] : refused) {
      errors.Messages.clear();
      filer->SetTextureBasename(name);
      EXPECT_FALSE(filer->CheckSceneJob()) << name;
      EXPECT_EQ(errors.Messages, StringList{std::string("出力画像の基本名：に使えない文字") +
                                            shown + "があります。"})
          << name;
    }
  }
  // What code page 932 stores as itself and Windows takes for a name stays usable, periods and
  // blanks included, and names that only begin like a device.
  for (const char* name : {"..", "my sky", "空の景色", "it's", "a_b.c", "～", "∵", "CONSOLE",
                           "com0", "COM10", "LPT", "nul_sky", ".con", "aux-1"}) {
    errors.Messages.clear();
    filer->SetTextureBasename(name);
    EXPECT_TRUE(filer->CheckSceneJob()) << name;
    EXPECT_TRUE(errors.Messages.empty()) << name;
  }
}

// Windows opens CON, PRN, AUX, NUL, COM1-9 and LPT1-9, in any letter case and whatever follows
// the first period, as devices: neither the base name nor the scene file's own name may be one
// (its folder may hold any character the system allows there). The scene file's name is
// checked first, as it is the first field.
TEST_F(SimFilerTest, DeviceNamesAndCharactersWindowsRefusesInTheSceneFileOrBaseName) {
  const std::string folder = dir.Folder();
  filer->SetTextureBasename("sky");
  for (const char* device : {"CON", "con", "Prn", "aux", "NUL", "COM1", "com9", "LPT1", "lpt9"}) {
    for (const std::string& name :
         {std::string(device), std::string(device) + ".sky", std::string(device) + " .tar.gz"}) {
      errors.Messages.clear();
      filer->SetTextureBasename(name);
      filer->SetSceneFilename(folder + "scene.scn");
      EXPECT_FALSE(filer->CheckSceneJob()) << name;
      filer->SetTextureBasename("sky");
      filer->SetSceneFilename(folder + name + ".scn");
      EXPECT_FALSE(filer->CheckSceneJob()) << name;
      EXPECT_EQ(errors.Messages, (StringList{"出力画像の基本名：に Windows の予約名「" +
                                                 std::string(device) + "」は使えません。",
                                             "シーンファイル名：に Windows の予約名「" +
                                                 std::string(device) + "」は使えません。"}))
          << name;
    }
  }
  errors.Messages.clear();
  for (const char* name :
       {"a:b.scn", "a*.scn", "what?.scn", "<a>.scn", "a|b.scn", "say\"a\".scn", "tab\t.scn"}) {
    filer->SetSceneFilename(folder + name);
    EXPECT_FALSE(filer->CheckSceneJob()) << name;
  }
  EXPECT_EQ(errors.Messages, (StringList{"シーンファイル名：に使えない文字「:」があります。",
                                         "シーンファイル名：に使えない文字「*」があります。",
                                         "シーンファイル名：に使えない文字「?」があります。",
                                         "シーンファイル名：に使えない文字「<」があります。",
                                         "シーンファイル名：に使えない文字「|」があります。",
                                         "シーンファイル名：に使えない文字「\"」があります。",
                                         "シーンファイル名：に使えない文字 U+0009 があります。"}));
  // The name alone: a folder with characters the system allows there, or a scene file whose
  // name only begins like a device, is usable.
  errors.Messages.clear();
#ifdef _WIN32
  const std::string odd = folder;  // a drive's colon
#else
  const std::string odd = folder + "a:b*?|<con>/";
  std::filesystem::create_directory(PathFromUtf8(odd));
#endif
  for (const std::string& path :
       {odd + "scene.scn", folder + "console.scn", folder + "空.scn", folder + "nul_1.xscn"}) {
    filer->SetSceneFilename(path);
    EXPECT_TRUE(filer->CheckSceneJob()) << path;
  }
  EXPECT_TRUE(errors.Messages.empty()) << errors.Messages.front();
  // In English, naming the device as typed.
  SetTextLanguage(TextLanguage::English);
  filer->SetSceneFilename(folder + "scene.scn");
  filer->SetTextureBasename("Com3.sky");
  EXPECT_FALSE(filer->CheckSceneJob());
  filer->SetTextureBasename("sky");
  filer->SetSceneFilename(folder + "a>b.scn");
  EXPECT_FALSE(filer->CheckSceneJob());
  SetTextLanguage(TextLanguage::Japanese);
  EXPECT_EQ(
      errors.Messages,
      (StringList{"The base name cannot use \"Com3\": Windows reserves that name for a device.",
                  "The scene file's name holds a character that cannot be used: \">\"."}));
}

TEST_F(SimFilerTest, SceneFolderMustBeAFolder) {
  const std::string file = dir.Write("plain", "x");
  filer->SetSceneFilename(file + "/scene.scn");
  filer->SetTextureBasename("scene");
  EXPECT_FALSE(filer->CheckSceneJob());
  EXPECT_EQ(errors.Messages, (std::vector<std::string>{kNoSceneFolder}));
}

TEST_F(SimFilerTest, ImageChecksComeFirstThenTheSceneChecks) {
  filer->SetSceneFilename(dir.File("scene.scn"));
  filer->SetTextureBasename("scene");
  EXPECT_FALSE(filer->CheckImageJob());
  EXPECT_TRUE(filer->CheckSceneJob());  // the same job's scene stage may still run
  filer->SetImageFileName(dir.File("pano.jpg"));
  EXPECT_FALSE(filer->CheckImageJob());
  filer->SetImageFileName(dir.Path().string());  // a folder is not an image file
  EXPECT_FALSE(filer->CheckImageJob());
  filer->SetImageFileName(dir.Write("pano.jpg", "x"));
  filer->SetTextureBasename("");
  EXPECT_FALSE(filer->CheckImageJob());
  EXPECT_FALSE(filer->CheckSceneJob());  // both stages report the missing base name
  filer->SetTextureBasename("scene");
  EXPECT_TRUE(filer->CheckImageJob());
  EXPECT_EQ(errors.Messages, (std::vector<std::string>{kNoImageName, kNoImageFile, kNoImageFile,
                                                       kNoBaseName, kNoBaseName}));
}

TEST_F(SimFilerTest, FaceSizeFollowsTypeAndMode) {
  filer->SetSceneType(stSphere);
  filer->SetImageSizeMode(ismLarge);
  filer->UpdateFaceSize();
  EXPECT_EQ(filer->FaceSize(), 2048);
  filer->SetSceneType(stCube);
  filer->SetImageSizeMode(ismSmall);
  filer->UpdateFaceSize();
  EXPECT_EQ(filer->FaceSize(), 1024);
}

TEST_F(SimFilerTest, OutputNamesForCubeAndSphere) {
  filer->SetTextureBasename("scene");
  filer->SetCubeSuffix(csZero);
  filer->SetExtractImageType(eiJpeg);
  EXPECT_EQ(filer->FirstImageName(), "");
  filer->PrepareOutputNames();
  EXPECT_EQ(filer->ImageNames(),
            (StringList{"scene_3.jpg", "scene_0.jpg", "scene_1.jpg", "scene_2.jpg", "scene_4.jpg",
                        "scene_5.jpg"}));
  EXPECT_EQ(filer->FirstImageName(), "scene_3.jpg");
  filer->SetExtractImageType(eiTiff);  // names already prepared do not change
  EXPECT_EQ(filer->FirstImageName(), "scene_3.jpg");

  filer->SetCubeSuffix(csLeft);
  filer->SetExtractImageType(eiBitmap);
  filer->PrepareOutputNames();
  EXPECT_EQ(filer->ImageNames(),
            (StringList{"scene_left.bmp", "scene_front.bmp", "scene_right.bmp", "scene_back.bmp",
                        "scene_top.bmp", "scene_bottom.bmp"}));

  filer->SetSceneType(stSphere);
  filer->SetCubeSuffix(csZero);  // ignored by the sphere
  filer->SetExtractImageType(eiTiff);
  filer->PrepareOutputNames();
  ASSERT_EQ(filer->ImageNames().size(), 20u);
  EXPECT_EQ(filer->ImageNames()[0], "scene_11.tif");
  EXPECT_EQ(filer->ImageNames()[3], "scene_14.tif");
  EXPECT_EQ(filer->ImageNames()[4], "scene_21.tif");
  EXPECT_EQ(filer->ImageNames()[12], "scene_31.tif");
  EXPECT_EQ(filer->ImageNames()[19], "scene_38.tif");
}

// An engine whose settings come from elsewhere: validation must use the accessors.
class ServedFiler : public TSimFiler {
 public:
  std::string GetSceneFilename() const override { return "/served/scene.scn"; }
};

TEST(SimFilerAccessors, EngineCodeReadsThroughVirtualAccessors) {
  RecordingErrorReporter errors;
  auto filer = TSimFiler::Create<ServedFiler>();
  filer->SetErrorReporter(&errors);
  EXPECT_EQ(filer->GetSceneFolder(), "/served/");
  EXPECT_FALSE(filer->CheckSceneJob());
  EXPECT_EQ(errors.Messages, (std::vector<std::string>{kNoSceneFolder}));
}

TEST(SimFilerErrors, SharedReporterIsUsedWithoutAnOwnOne) {
  RecordingErrorReporter shared;
  ScopedErrorReporter scope(shared);
  auto filer = TSimFiler::Create();
  filer->ShowError("message");
  EXPECT_EQ(shared.Messages, (std::vector<std::string>{"message"}));
}

}  // namespace
}  // namespace talvero
