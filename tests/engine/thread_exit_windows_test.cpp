// A job's worker threads end with no destructor of thread storage left to run. With MinGW such
// a destructor runs after the thread's storage has been freed: it reads freed memory and frees
// the pointers it finds there, which corrupts the heap and now and then crashes the program.
// The registrations are counted by wrapping the runtime's entry point at link time.
#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <string>

#include "cli/sample_panorama.h"
#include "common/test_support.h"
#include "engine/sim_filer.h"
#include "imaging/image_codecs.h"
#include "support/parallel.h"

namespace {
std::atomic<int> gThreadExitDestructors{0};
}  // namespace

extern "C" int __real___cxa_thread_atexit(void (*destructor)(void*), void* object, void* module);
extern "C" int __wrap___cxa_thread_atexit(void (*destructor)(void*), void* object, void* module) {
  ++gThreadExitDestructors;
  return __real___cxa_thread_atexit(destructor, object, module);
}

namespace talvero {
namespace {

TEST(ThreadExitTest, JobsLeaveNoThreadStorageDestructorsBehind) {
  testing::TempDir dir;
  WriteBmpFile(dir.File("pano.bmp"), MakeSamplePanorama(512));
  SetMaxWorkerThreads(4);
  const struct {
    TSceneType Type;
    double Pitch;
    TImageQuality Quality;
  } jobs[] = {{stCube, 0, iqExact}, {stCube, 4, iqHigh}, {stSphere, 4, iqExact}};
  int run = 0;
  for (const auto& job : jobs) {
    auto filer = TSimFiler::Create<TSimFiler>();
    testing::RecordingErrorReporter errors;
    filer->SetErrorReporter(&errors);
    filer->ResetJob();
    const std::string folder = dir.File("out" + std::to_string(run++));
    std::filesystem::create_directories(folder);
    filer->SetImageFileName(dir.File("pano.bmp"));
    filer->SetSceneFilename(folder + "/scene.scn");
    filer->SetTextureBasename("pano");
    filer->SetSceneType(job.Type);
    filer->SetSceneFormat(sfRCP);
    filer->SetImageSizeMode(ismSmall);
    filer->SetLevelPitch(Currency::FromLongDouble(job.Pitch));
    filer->SetImageQuality(job.Quality);
    filer->PrepareOutputNames();
    filer->RunImageStage();
    EXPECT_TRUE(errors.Messages.empty()) << errors.Messages.front();
  }
  SetMaxWorkerThreads(0);
  EXPECT_EQ(gThreadExitDestructors.load(), 0);
}

}  // namespace
}  // namespace talvero
