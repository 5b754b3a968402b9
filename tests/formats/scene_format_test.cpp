// Every scene format as its description gives it: the names of its files lead back to it, a
// job restored from what the scene stage wrote is the job that wrote it, and the planned
// outputs are the files a job really writes.
#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <set>

#include "common/test_support.h"
#include "engine/sim_filer.h"
#include "formats/scene_format.h"
#include "formats/scene_parameters.h"
#include "imaging/bitmap.h"
#include "imaging/image_codecs.h"
#include "support/file_util.h"

namespace talvero {
namespace {

using testing::RecordingErrorReporter;
using testing::TempDir;

}  // namespace

void PrintTo(TSceneFormat format, std::ostream* os) { *os << EnumValueName(format); }

namespace {

// Small faces, so that a whole job takes a moment.
class SmallFaces : public TSimFiler {
 protected:
  void UpdateFaceSize() override { SetFaceSize(32); }
};

class SceneFormatTest : public ::testing::TestWithParam<TSceneFormat> {
 protected:
  const SceneFormatDescription& Format() const { return DescriptionOf(GetParam()); }

  std::unique_ptr<TSimFiler> Job(const std::string& sceneFile, TSceneType type) {
    auto filer = TSimFiler::Create<SmallFaces>();
    filer->SetErrorReporter(&errors);
    filer->ResetJob();
    filer->SetSceneFormat(GetParam());
    filer->SetSceneType(type);
    filer->SetSceneFilename(sceneFile);
    filer->SetTextureBasename("valley");
    return filer;
  }

  RecordingErrorReporter errors;
  TempDir dir;
};

TEST_P(SceneFormatTest, ItsFileNamesLeadBackToIt) {
  ASSERT_FALSE(Format().Extensions.empty());
  for (const char* ext : Format().Extensions) {
    EXPECT_EQ(SceneFormatOfFile("out/sky" + std::string(ext)), GetParam()) << ext;
    std::string upper = ext;
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    EXPECT_EQ(SceneFormatOfFile("out/sky.v2" + upper), GetParam()) << upper;
  }
  const std::string scene = ChangeFileExt("out/sky.jpg", Format().DefaultExtension());
  EXPECT_EQ(SceneFormatOfFile(scene), GetParam());
  for (const SceneFilePart& part : Format().WrittenFiles)
    EXPECT_EQ(SceneFormatOfFile(Format().FileName(scene, part)), GetParam()) << part.Extension;
  for (const SceneFilePart& part : Format().RestoredFrom)
    EXPECT_EQ(SceneFormatOfFile(Format().FileName(scene, part)), GetParam()) << part.Extension;
  // The extension of a folder is not the file's.
  EXPECT_EQ(SceneFormatOfFile("out" + std::string(Format().DefaultExtension()) + "/sky"),
            std::nullopt);
}

TEST(SceneFormatOfFileTest, OtherNamesHaveNoFormat) {
  for (const char* name : {"sky", "sky.", "sky.jpg", "sky.scnx", "sky.xs", "sky_x", ".x/sky"})
    EXPECT_EQ(SceneFormatOfFile(name), std::nullopt) << name;
}

// A value of its own for every parameter, unlike any default; `set` 1 gives a second one.
ParameterValue ValueOf(const SceneParameter& p, size_t i, int set) {
  const int n = static_cast<int>(i) + 1 + 40 * set;
  if (p.Integer) return static_cast<int32_t>(1000 + 7 * n);
  return Currency::Parse(std::to_string(i % 2 ? -n : n) + ".25");
}

std::string Text(const ParameterValue& value) {
  if (const auto* whole = std::get_if<int32_t>(&value)) return std::to_string(*whole);
  return std::get<Currency>(value).ToGeneralString();
}

// The scene stage writes the job twice, the second time with other values, and the file read
// last gets its first bytes back: a restored job has each parameter from the last file that
// holds it, and every parameter from one of them, with the job's settings.
TEST_P(SceneFormatTest, AJobIsRestoredFromWhatItsSceneStageWrote) {
  const std::vector<SceneParameter>& parameters = SceneParameters(GetParam());
  for (const TSceneType type : {stCube, stSphere}) {
    SCOPED_TRACE(EnumValueName(type));
    const std::string scene = dir.File(std::string("restored") + Format().DefaultExtension());
    auto writer = Job(scene, type);
    writer->SetCubeSuffix(csZero);
    const auto write = [&](int set) {
      for (size_t i = 0; i < parameters.size(); ++i)
        parameters[i].Set(Format().Holder(*writer), ValueOf(parameters[i], i, set));
      writer->PrepareOutputNames();
      writer->RunSceneStage();
    };
    const SceneFilePart& lastPart = Format().RestoredFrom.back();
    const std::string last = Format().FileName(scene, lastPart);
    write(0);
    const std::string firstBytes = testing::ReadAll(last);
    write(1);
    WriteFileAtomically(last, firstBytes);
    ASSERT_TRUE(errors.Messages.empty());

    auto alone = TSimFiler::Create();
    alone->ResetJob();
    ASSERT_TRUE(lastPart.Read(*alone, last));
    auto reader = TSimFiler::Create();
    reader->ResetJob();
    int recognised = 0;
    EXPECT_TRUE(RestoreJob(*reader, GetParam(), scene, [&] { ++recognised; }));
    EXPECT_EQ(recognised, static_cast<int>(Format().RestoredFrom.size()));
    EXPECT_EQ(reader->GetSceneType(), type);
    if (type == stCube) {
      EXPECT_EQ(reader->GetCubeSuffix(), csZero);
    }
    EXPECT_EQ(reader->GetTextureBasename(), "valley");
    for (size_t i = 0; i < parameters.size(); ++i) {
      const SceneParameter& p = parameters[i];
      const std::string first = Text(ValueOf(p, i, 0)), second = Text(ValueOf(p, i, 1));
      const bool inLast = p.Show(Format().Holder(*alone)) == first;
      EXPECT_EQ(p.Show(Format().Holder(*reader)), inLast ? first : second) << p.Name;
    }
  }
  auto nothing = TSimFiler::Create();
  EXPECT_FALSE(RestoreJob(*nothing, GetParam(), dir.File("missing.scn")));
}

// The files in `folder`, by name.
std::set<std::string> FilesIn(const std::string& folder) {
  std::set<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(PathFromUtf8(folder)))
    names.insert(Utf8FromPath(entry.path().filename()));
  return names;
}

TEST_P(SceneFormatTest, ThePlannedOutputsAreTheFilesAJobWrites) {
  Bitmap panorama(96, 48);
  for (int32_t y = 0; y < panorama.Height(); ++y)
    for (int32_t x = 0; x < panorama.Width(); ++x)
      panorama.SetPixel(x, y, Rgb{static_cast<uint8_t>(x * 2), static_cast<uint8_t>(y * 5), 90});
  WriteBmpFile(dir.File("pano.bmp"), panorama);
  struct Case {
    TSceneType Type;
    TExtractImageType ImageType;
    bool Images, Scene;
  };
  const Case cases[] = {{stCube, eiTiff, true, true},
                        {stSphere, eiJpeg, true, true},
                        {stCube, eiJpeg, false, true},
                        {stSphere, eiBitmap, true, false}};
  int folder = 0;
  for (const Case& c : cases) {
    const std::string out = dir.File("job" + std::to_string(folder++));
    SCOPED_TRACE(out);
    std::filesystem::create_directory(PathFromUtf8(out));
    auto filer = Job(out + "/sky" + Format().DefaultExtension(), c.Type);
    filer->SetImageFileName(dir.File("pano.bmp"));
    filer->SetExtractImageType(c.ImageType);
    filer->PrepareOutputNames();
    const std::vector<PlannedOutput> planned =
        PlannedOutputs(JobSettings::From(*filer), c.Images, c.Scene);
    if (c.Images) filer->RunImageStage();
    if (c.Scene) filer->RunSceneStage();
    ASSERT_TRUE(errors.Messages.empty()) << errors.Messages.front();

    std::vector<std::string> names;
    bool sceneStage = false;
    for (const PlannedOutput& output : planned) {
      EXPECT_EQ(ExtractFilePath(output.Path), filer->GetSceneFolder()) << output.Path;
      names.push_back(ExtractFileName(output.Path));
      EXPECT_TRUE(c.Images || output.Stage == TJobStage::Scene) << output.Path;
      EXPECT_TRUE(c.Scene || output.Stage == TJobStage::Images) << output.Path;
      // In the order of the stages.
      EXPECT_FALSE(sceneStage && output.Stage == TJobStage::Images) << output.Path;
      sceneStage = output.Stage == TJobStage::Scene;
    }
    const std::set<std::string> unique(names.begin(), names.end());
    EXPECT_EQ(unique.size(), names.size()) << "a file planned twice";
    EXPECT_EQ(unique, FilesIn(out));
  }
}

std::vector<TSceneFormat> EveryFormat() {
  std::vector<TSceneFormat> formats;
  for (const SceneFormatDescription& format : SceneFormats()) formats.push_back(format.Format);
  return formats;
}

INSTANTIATE_TEST_SUITE_P(EveryFormat, SceneFormatTest, ::testing::ValuesIn(EveryFormat()),
                         [](const auto& info) {
                           return std::string(DescriptionOf(info.param).Name);
                         });

}  // namespace
}  // namespace talvero
