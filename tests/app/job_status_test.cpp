// The status bar's figures from the events of real jobs: the percentage and the files written.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <set>
#include <vector>

#include "app/job/job_status.h"
#include "common/test_support.h"
#include "engine/image_stage.h"
#include "engine/sim_filer.h"
#include "formats/scene_stage.h"
#include "imaging/bitmap.h"

namespace talvero {
namespace {

// Whatever the scene type and format, the percentage never goes back and reaches the end of
// each stage (the last points wait for the end of the job), and the files counted are those
// the job put in place, in the order it did.
TEST(JobProgress, FollowsARealJobToItsEndAndCountsItsFiles) {
  testing::TempDir dir;
  Bitmap panorama(160, 80);
  for (int32_t y = 0; y < 80; ++y)
    for (int32_t x = 0; x < 160; ++x)
      panorama.SetPixel(x, y, Rgb{static_cast<uint8_t>(x), static_cast<uint8_t>(3 * y), 7});
  TSimFiler::SaveImageAs(panorama, dir.File("pano.bmp"), eiBitmap);
  const struct {
    TSceneType Type;
    TSceneFormat Format;
    const char* Scene;
    size_t Files;
  } jobs[] = {{stCube, sfFMS, "cube/s.scn", 8}, {stSphere, sfRCP, "sphere/s.xscn", 22}};
  for (const auto& job : jobs) {
    SCOPED_TRACE(job.Scene);
    const std::string scene = dir.File(job.Scene);
    std::filesystem::create_directories(std::filesystem::path(scene).parent_path());
    testing::RecordingErrorReporter errors;
    auto filer = TSimFiler::Create();
    filer->ResetJob();
    filer->SetImageFileName(dir.File("pano.bmp"));
    filer->SetSceneFilename(scene);
    filer->SetTextureBasename("s");
    filer->SetSceneType(job.Type);
    filer->SetSceneFormat(job.Format);
    filer->SetImageSizeMode(ismSmall);
    filer->PrepareOutputNames();
    const JobSettings settings = filer->TakeJobSettings();

    TJobProgress progress;
    progress.Start(true, true, job.Type == stCube);
    TOutputFiles outputs;
    outputs.Start();
    std::vector<int> percents;
    const JobContext context(
        [&](const ProgressEvent& event) {
          progress.Event(event);
          outputs.Event(event);
          percents.push_back(progress.Percent());
        },
        &errors, filer->Cancellation());
    RunImageStage(settings, context);
    const int afterImages = progress.Percent();
    RunSceneStage(settings, context);
    ASSERT_TRUE(errors.Messages.empty()) << errors.Messages.front();

    EXPECT_TRUE(std::is_sorted(percents.begin(), percents.end()));
    EXPECT_GE(afterImages, 85);  // the images take all but the scene file's share
    EXPECT_LE(afterImages, 95);
    EXPECT_EQ(progress.Percent(), 97);
    const std::vector<std::string>& written = outputs.Paths();
    EXPECT_EQ(written.size(), job.Files);
    std::set<std::string> onDisk;
    for (const auto& entry : std::filesystem::directory_iterator(settings.SceneFolder))
      onDisk.insert(settings.SceneFolder + entry.path().filename().string());
    EXPECT_EQ(std::set<std::string>(written.begin(), written.end()), onDisk);
    EXPECT_EQ(written.front(), settings.SceneFolder + settings.ImageNames.front());
    EXPECT_EQ(written.back(), scene);
  }
}

}  // namespace
}  // namespace talvero
