// The benchmark driver of bench/run.sh. Each mode does one piece of work, so that the
// script can time it as a separate process, the same way it times libjpeg-turbo's tools:
//   talvero_bench make-panorama FILE.jpg WIDTH HEIGHT [QUALITY]
//                                                       a detailed test panorama
//   talvero_bench decode FILE                           decode one image, as the loader does
//   talvero_bench measure -- COMMAND [ARGS...]          run a command; print
//                                                       "wall_ms cpu_ms peak_kb"
//   talvero_bench join FILE.ppm across|down IMAGE...    the images side by side (or stacked)
//                                                       as one binary PPM, for cjpeg
//   talvero_bench pieces FILE RUNS                      CPU time of the cube map and warp
//   talvero_bench stage FILE FOLDER cube|sphere bmp|jpg [THREADS]
//                                                       the image stage of a normal-size job
//   talvero_bench scene FILE FOLDER cube|sphere fms|rcp  a whole normal-size job (JPEG images)
//   talvero_bench view SCENE FRAMES                     the scene view: load once, then FRAMES
//                                                       1280 × 720 views on one thread (best
//                                                       of 3 each); prints "mean_ms worst_ms
//                                                       load_ms texture_mb"
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <ctime>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <string>
#include <vector>

#include "engine/cube_warp.h"
#include "engine/sim_filer.h"
#include "imaging/bitmap.h"
#include "imaging/image_codecs.h"
#include "sceneview/scene_view.h"
#include "support/parallel.h"

namespace {

using talvero::Bitmap;

uint32_t Hash(uint32_t x, uint32_t y) {
  uint32_t h = x * 374761393u + y * 668265263u;
  h = (h ^ (h >> 13)) * 1274126177u;
  return h ^ (h >> 16);
}

uint8_t Clamp(int v) { return static_cast<uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v); }

// Sky, horizon and ground with waves, hard-edged blocks and fine grain: high-frequency detail
// everywhere, so that the entropy decoder has a photograph's amount of work.
Bitmap MakePanorama(int32_t width, int32_t height) {
  std::array<int, 1024> wave{};
  for (size_t i = 0; i < wave.size(); ++i)
    wave[i] =
        static_cast<int>(std::lround(40 * std::sin(2 * M_PI * static_cast<double>(i) / 1024)));
  Bitmap image = Bitmap::Uninitialized(width, height);
  for (int32_t y = 0; y < height; ++y) {
    uint8_t* row = image.Row(y);
    const bool sky = y < height / 2;
    const int shade = 255 * y / height;
    for (int32_t x = 0; x < width; ++x, row += 3) {
      const uint32_t grain = Hash(static_cast<uint32_t>(x), static_cast<uint32_t>(y));
      const int noise = static_cast<int>(grain & 31) - 16;
      const int ripple = wave[(x * 7 + y * 3) & 1023] + wave[(x * 31 - y * 17) & 1023] / 2;
      const bool block = ((x / 37) ^ (y / 23)) % 5 == 0;
      int r, g, b;
      if (sky) {
        r = 90 + shade / 2 + ripple / 4;
        g = 140 + shade / 3 + ripple / 4;
        b = 230 - shade / 4;
      } else {
        r = 110 + ripple + (block ? 60 : 0);
        g = 100 + ripple / 2 + (block ? 30 : 0);
        b = 60 + (shade - 128) / 3;
      }
      row[0] = Clamp(b + noise);
      row[1] = Clamp(g + noise);
      row[2] = Clamp(r + noise + static_cast<int>(grain >> 28));
    }
  }
  return image;
}

int Measure(char** command) {
  const auto start = std::chrono::steady_clock::now();
  const pid_t child = ::fork();
  if (child < 0) {
    std::perror("fork");
    return 1;
  }
  if (child == 0) {
    // Only the measurements go to standard output.
    const int null = ::open("/dev/null", O_WRONLY);
    if (null >= 0) ::dup2(null, STDOUT_FILENO);
    ::execvp(command[0], command);
    std::perror(command[0]);
    ::_exit(127);
  }
  int status = 0;
  rusage usage{};
  if (::wait4(child, &status, 0, &usage) < 0) {
    std::perror("wait4");
    return 1;
  }
  const double ms =
      std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    std::fprintf(stderr, "%s failed\n", command[0]);
    return 1;
  }
  const auto cpuMs = [](const timeval& t) { return t.tv_sec * 1e3 + t.tv_usec / 1e3; };
  std::printf("%.1f %.1f %ld\n", ms, cpuMs(usage.ru_utime) + cpuMs(usage.ru_stime),
              usage.ru_maxrss);
  return 0;
}

// The images in one binary PPM (red, green, blue), side by side or one below the other.
int Join(const std::string& path, bool across, char** files, int count) {
  std::vector<Bitmap> images;
  int64_t width = 0, height = 0;
  for (int i = 0; i < count; ++i) {
    images.push_back(talvero::ReadImage(files[i], talvero::ChooseReader(files[i])));
    const Bitmap& image = images.back();
    if (across) {
      width += image.Width();
      height = std::max<int64_t>(height, image.Height());
    } else {
      width = std::max<int64_t>(width, image.Width());
      height += image.Height();
    }
  }
  std::vector<uint8_t> pixels(static_cast<size_t>(width * height * 3), 255);
  int64_t left = 0, top = 0;
  for (const Bitmap& image : images) {
    for (int32_t y = 0; y < image.Height(); ++y) {
      const uint8_t* in = image.Row(y);
      uint8_t* out = pixels.data() + static_cast<size_t>(((top + y) * width + left) * 3);
      for (int32_t x = 0; x < image.Width(); ++x, in += 3, out += 3) {
        out[0] = in[2];
        out[1] = in[1];
        out[2] = in[0];
      }
    }
    (across ? left : top) += across ? image.Width() : image.Height();
  }
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) {
    std::perror(path.c_str());
    return 1;
  }
  std::fprintf(file, "P6\n%lld %lld\n255\n", static_cast<long long>(width),
               static_cast<long long>(height));
  const bool written = std::fwrite(pixels.data(), 1, pixels.size(), file) == pixels.size();
  if (std::fclose(file) != 0 || !written) {
    std::perror(path.c_str());
    return 1;
  }
  return 0;
}

// The image stage exactly as a job runs it: names, validation, load, divide, write.
int RunStage(const std::string& file, const std::string& folder, const std::string& type,
             const std::string& imageType) {
  auto filer = talvero::TSimFiler::Create();
  filer->ResetJob();
  filer->SetImageFileName(file);
  filer->SetSceneFilename(folder + "/scene.xscn");
  filer->SetTextureBasename("bench");
  filer->SetSceneFormat(talvero::sfRCP);  // no vista texture: only the divided images count
  filer->SetSceneType(type == "sphere" ? talvero::stSphere : talvero::stCube);
  filer->SetImageSizeMode(talvero::ismNormal);
  filer->SetExtractImageType(imageType == "jpg" ? talvero::eiJpeg : talvero::eiBitmap);
  filer->PrepareOutputNames();
  // TALVERO_BENCH_TRACE=1 prints the time of every progress line, to see where time goes.
  if (std::getenv("TALVERO_BENCH_TRACE")) {
    const auto start = std::chrono::steady_clock::now();
    filer->OnProgress = [start](talvero::TSimFiler&, const std::string& text,
                                talvero::TSimProgressMode mode) {
      if (mode != talvero::spAppend) return;
      const double ms =
          std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
              .count();
      std::fprintf(stderr, "%8.1f ms  %s\n", ms, text.c_str());
    };
  }
  filer->RunImageStage();
  return 0;
}

// TALVERO_WARP_KERNEL=plain|sse2|avx2 chooses the warp's inner loop.
void SetKernelFromEnvironment() {
  if (const char* kernel = std::getenv("TALVERO_WARP_KERNEL")) {
    const std::string name = kernel;
    talvero::SetWarpKernel(name == "plain"  ? talvero::WarpKernel::Plain
                           : name == "sse2" ? talvero::WarpKernel::Sse2
                           : name == "avx2" ? talvero::WarpKernel::Avx2
                                            : talvero::WarpKernel::Automatic);
  }
}

// CPU time of the process so far, in ms (not disturbed by other work on a busy machine).
double CpuMs() {
  timespec t{};
  ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

// The pieces of the cube job on their own: the map and the warp of the four strips, the
// least CPU time of `runs` runs each.
int WarpPieces(const std::string& file, int runs) {
  const Bitmap panorama = talvero::ReadImage(file, talvero::ChooseReader(file));
  auto filer = talvero::TSimFiler::Create();
  double mapMs = 1e30, warpMs = 1e30, inPlaceMs = 1e30;
  for (int run = 0; run < runs; ++run) {
    talvero::TmxCurrencyUV map;
    double start = CpuMs();
    filer->BuildCubeMap(panorama.Width() / 8, map);
    mapMs = std::min(mapMs, CpuMs() - start);
    Bitmap copy = panorama.Clone();
    start = CpuMs();
    filer->WarpCubeStrips(copy);
    warpMs = std::min(warpMs, CpuMs() - start);
    copy = panorama.Clone();
    start = CpuMs();
    talvero::WarpCubeStripsInPlace(copy, map, filer->Context());
    inPlaceMs = std::min(inPlaceMs, CpuMs() - start);
  }
  std::printf("map %.1f ms, map and warp %.1f ms, in-place warp %.1f ms (CPU)\n", mapMs,
              warpMs, inPlaceMs);
  return 0;
}

// Images and scene file of a normal-size job, for the view benchmark.
int RunScene(const std::string& file, const std::string& folder, const std::string& type,
             const std::string& format) {
  auto filer = talvero::TSimFiler::Create();
  filer->ResetJob();
  filer->SetImageFileName(file);
  const bool fms = format == "fms";
  filer->SetSceneFilename(folder + (fms ? "/scene.scn" : "/scene.xscn"));
  filer->SetTextureBasename("bench");
  filer->SetSceneFormat(fms ? talvero::sfFMS : talvero::sfRCP);
  filer->SetSceneType(type == "sphere" ? talvero::stSphere : talvero::stCube);
  filer->SetImageSizeMode(talvero::ismNormal);
  filer->SetExtractImageType(talvero::eiJpeg);
  filer->PrepareOutputNames();
  filer->RunImageStage();
  filer->RunSceneStage();
  return 0;
}

// Looking around as a user drags: every frame a new direction, the ground grid on.
int RunView(const std::string& scene, int frames) {
  using Clock = std::chrono::steady_clock;
  auto ms = [](Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); };
  talvero::SetMaxWorkerThreads(1);
  const auto start = Clock::now();
  const talvero::LoadedScene loaded(scene);
  const double loadMs = ms(Clock::now() - start);
  if (!loaded.Missing().empty()) {
    std::fprintf(stderr, "image missing: %s\n", loaded.Missing()[0].Name.c_str());
    return 1;
  }
  talvero::SceneRenderer renderer;
  talvero::SceneViewSettings settings;  // 1280 × 720
  double total = 0, worst = 0;
  std::vector<double> times;
  for (int i = 0; i < frames; ++i) {
    settings.Yaw = i * 37.0;
    settings.Pitch = (i % 7) * 25.0 - 75;
    settings.Fov = i % 3 == 0 ? 120 : 90;
    // The best of three renders of each view: the machine is shared, and a view that was
    // slow once because another process ran is no slower to draw.
    double frame = 1e300;
    Bitmap view;
    for (int run = 0; run < 3; ++run) {
      const auto begin = Clock::now();
      view = renderer.Render(loaded, settings);
      frame = std::min(frame, ms(Clock::now() - begin));
    }
    total += frame;
    worst = std::max(worst, frame);
    times.push_back(frame);
    if (std::getenv("TALVERO_BENCH_TRACE"))
      std::fprintf(stderr, "yaw %5.0f pitch %4.0f fov %3.0f: %6.2f ms\n", settings.Yaw,
                   settings.Pitch, settings.Fov, frame);
    if (view.Empty()) return 1;
  }
  // The median: on a shared machine it moves least with what else runs.
  std::sort(times.begin(), times.end());
  const double median = times.empty() ? 0
                        : times.size() % 2 ? times[times.size() / 2]
                                           : (times[times.size() / 2 - 1] + times[times.size() / 2]) / 2;
  std::printf("%.2f %.2f %.2f %.1f %.1f\n", total / frames, median, worst, loadMs,
              static_cast<double>(loaded.TexelCount()) * 4 / 1048576);
  return 0;
}

int Usage() {
  std::fputs(
      "usage: talvero_bench make-panorama FILE.jpg WIDTH HEIGHT [QUALITY]\n"
      "       talvero_bench decode FILE\n"
      "       talvero_bench measure -- COMMAND [ARGS...]\n"
      "       talvero_bench join FILE.ppm across|down IMAGE...\n"
      "       talvero_bench pieces FILE RUNS\n"
      "       talvero_bench stage FILE FOLDER cube|sphere bmp|jpg [THREADS]\n"
      "       talvero_bench scene FILE FOLDER cube|sphere fms|rcp\n"
      "       talvero_bench view SCENE FRAMES\n",
      stderr);
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return Usage();
  const std::string mode = argv[1];
  try {
    if (mode == "make-panorama" && (argc == 5 || argc == 6)) {
      const Bitmap image = MakePanorama(std::stoi(argv[3]), std::stoi(argv[4]));
      talvero::WriteJpegFile(argv[2], image, argc == 6 ? std::stoi(argv[5]) : 100);
      return 0;
    }
    if (mode == "join" && argc > 4 && (std::strcmp(argv[3], "across") == 0 ||
                                       std::strcmp(argv[3], "down") == 0))
      return Join(argv[2], std::strcmp(argv[3], "across") == 0, argv + 4, argc - 4);
    if (mode == "decode" && argc == 3) {
      const Bitmap image = talvero::ReadImage(argv[2], talvero::ChooseReader(argv[2]));
      return image.Empty() ? 1 : 0;
    }
    if (mode == "stage" && (argc == 6 || argc == 7)) {
      if (argc == 7) talvero::SetMaxWorkerThreads(std::stoi(argv[6]));
      SetKernelFromEnvironment();
      return RunStage(argv[2], argv[3], argv[4], argv[5]);
    }
    if (mode == "pieces" && argc == 4) {
      SetKernelFromEnvironment();
      return WarpPieces(argv[2], std::stoi(argv[3]));
    }
    if (mode == "scene" && argc == 6) return RunScene(argv[2], argv[3], argv[4], argv[5]);
    if (mode == "view" && argc == 4) return RunView(argv[2], std::stoi(argv[3]));
    if (mode == "measure" && argc > 3 && std::strcmp(argv[2], "--") == 0) return Measure(argv + 3);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "%s\n", error.what());
    return 1;
  }
  return Usage();
}
