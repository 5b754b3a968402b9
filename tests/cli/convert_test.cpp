// talvero-convert end to end: the built program on a small generated panorama, its files,
// its exit statuses, its standard output and standard error.
#include <gtest/gtest.h>
#ifndef _WIN32
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <vector>

#include "cli/sample_panorama.h"
#include "common/run_program.h"
#include "common/test_support.h"
#include "engine/job_options.h"
#include "engine/sim_filer.h"
#include "formats/fms_scene.h"
#include "formats/rcp_scene.h"
#include "imaging/image_codecs.h"
#include "support/file_util.h"

namespace talvero {
namespace {

using testing::ReadAll;
using testing::TempDir;
namespace fs = std::filesystem;

struct RunResult {
  int Status = -1;
  std::string Out, Err;
  bool Undelivered = false;  // the request to stop could not be sent
  StringList OutLines() const {
    StringList lines;
    std::istringstream in(Out);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
  }
};

class ConvertTest : public ::testing::Test {
 protected:
  ConvertTest() {
    WriteBmpFile(panorama, MakeSamplePanorama(160));
    fs::create_directories(out);
  }

  // Runs the converter in `workDir` (the test's folder by default).
  RunResult Run(const StringList& args, const std::string& workDir = "") const {
    RunResult result;
    result.Status = testing::RunProgram(TALVERO_CONVERT_PATH, args,
                                        workDir.empty() ? dir.Folder() : workDir,
                                        dir.File("stdout.txt"), dir.File("stderr.txt"));
    result.Out = ReadAll(dir.File("stdout.txt"));
    result.Err = ReadAll(dir.File("stderr.txt"));
    return result;
  }

  // The files in a folder, with the folder and "/", as the converter names them.
  static std::set<std::string> FilesIn(const std::string& folder) {
    std::set<std::string> files;
    for (const auto& entry : fs::directory_iterator(folder))
      files.insert(folder + "/" + entry.path().filename().string());
    return files;
  }

  static std::set<std::string> AsSet(const StringList& lines) {
    return {lines.begin(), lines.end()};
  }

  TempDir dir;
  const std::string panorama = dir.File("pano.bmp");
  const std::string out = dir.File("out");
};

struct Combination {
  TSceneType Type;
  TSceneFormat Format;
  size_t Images;
};

std::string CombinationName(const Combination& c) {
  return std::string(c.Type == stCube ? "Cube" : "Sphere") + (c.Format == sfFMS ? "Fms" : "Rcpsim");
}
void PrintTo(const Combination& c, std::ostream* os) { *os << CombinationName(c); }

class ConvertCombinationTest : public ConvertTest,
                               public ::testing::WithParamInterface<Combination> {};

TEST_P(ConvertCombinationTest, WritesImagesAndSceneFilesThatRestoreTheJob) {
  const Combination c = GetParam();
  const bool fms = c.Format == sfFMS;
  const std::string ext = fms ? ".scn" : ".xscn";
  const std::string scene = out + "/sky" + ext;
  // No --format: the scene file's extension chooses it.
  StringList args = {"--image",  panorama,
                     "--scene",  scene,
                     "--size",   "small",
                     "--base",   "valley",
                     "--type",   c.Type == stCube ? "cube" : "sphere",
                     "--suffix", "zero",
                     "--set",    "AreaRadius=1500",
                     "--set",    "SceneRotate=12.5",
                     "--set",    "AirCraftX=-3.25"};
  if (!fms) args.insert(args.end(), {"--set", "Diffuse_G=0.5", "--set", "AirCraftRotate=30"});
  const RunResult first = Run(args);
  ASSERT_EQ(first.Status, 0) << first.Err;

  // Every image, the vista texture only for FMS, then the scene files: listed and on disk,
  // and nothing else (no temporary file left behind).
  auto names = TSimFiler::Create();
  names->SetSceneType(c.Type);
  names->SetCubeSuffix(csZero);
  names->SetTextureBasename("valley");
  names->PrepareOutputNames();
  ASSERT_EQ(names->ImageNames().size(), c.Images);
  StringList expected;
  for (const std::string& name : names->ImageNames()) expected.push_back(out + "/" + name);
  if (fms) {
    expected.insert(expected.end(), {out + "/fms_vista.bmp", scene});
  } else {
    expected.insert(expected.end(), {out + "/sky.x", scene});
  }
  EXPECT_EQ(first.OutLines(), expected);
  EXPECT_EQ(FilesIn(out), AsSet(expected));
  const Bitmap firstImage = ReadBmpFile(expected.front());
  EXPECT_EQ(firstImage.Width(), c.Type == stCube ? 1024 : 512);

  // A second run restores the job from the scene file alone and writes the same scene.
  const std::string again = dir.File("again");
  fs::create_directories(again);
  const RunResult second =
      Run({"--from-scene", scene, "--scene", again + "/sky" + ext, "--no-images"});
  ASSERT_EQ(second.Status, 0) << second.Err;
  if (fms) {
    EXPECT_EQ(second.OutLines(), (StringList{again + "/sky.scn", again + "/fms_vista.bmp"}));
    EXPECT_EQ(ReadAll(again + "/sky.scn"), ReadAll(scene));
  } else {
    EXPECT_EQ(second.OutLines(), (StringList{again + "/sky.x", again + "/sky.xscn"}));
    EXPECT_EQ(ReadAll(again + "/sky.x"), ReadAll(out + "/sky.x"));
    EXPECT_EQ(ReadAll(again + "/sky.xscn"), ReadAll(scene));
  }
}

INSTANTIATE_TEST_SUITE_P(TypesAndFormats, ConvertCombinationTest,
                         ::testing::Values(Combination{stCube, sfFMS, 6},
                                           Combination{stSphere, sfFMS, 20},
                                           Combination{stCube, sfRCP, 6},
                                           Combination{stSphere, sfRCP, 20}),
                         [](const auto& info) { return CombinationName(info.param); });

// Each --set name reaches its own parameter: every value is distinct and read back from the
// written files with a fresh engine. Names are matched without regard to case.
TEST_F(ConvertTest, EverySetNameReachesItsParameter) {
  const RunResult fms = Run({"--no-images", "--scene", out + "/f.scn", "--set", "arearadius=1101",
                             "--set", "SceneRotate=2.5", "--set", "SLOPEX=3.25", "--set",
                             "SlopeY=-4.5", "--set", "PilotZ=5.75", "--set", "AirCraftX=6.5",
                             "--set", "AirCraftY=-7.25", "--set", "AirCraftZ=8.5"});
  ASSERT_EQ(fms.Status, 0) << fms.Err;
  auto f = TSimFiler::Create();
  ASSERT_TRUE(ReadFmsScene(*f, out + "/f.scn"));
  const TFMSDataHolder& d = f->FMSData();
  EXPECT_EQ(d.GetAreaRadius(), 1101);
  auto value = [](const char* text) { return Currency::Parse(text); };
  EXPECT_EQ(d.GetSceneRotate(), value("2.5"));
  EXPECT_EQ(d.GetSlopeX(), value("3.25"));
  EXPECT_EQ(d.GetSlopeY(), value("-4.5"));
  EXPECT_EQ(d.GetPilotZ(), value("5.75"));
  EXPECT_EQ(d.GetAirCraftX(), value("6.5"));
  EXPECT_EQ(d.GetAirCraftY(), value("-7.25"));
  EXPECT_EQ(d.GetAirCraftZ(), value("8.5"));

  StringList args = {"--no-images", "--scene", out + "/r.xscn"};
  const char* names[] = {"AreaRadius",  "SceneRotate", "SlopeX",    "SlopeZ",      "AirCraftRotate",
                         "AirCraftX",   "AirCraftY",   "AirCraftZ", "Direction_X", "Direction_Y",
                         "Direction_Z", "Diffuse_R",   "Diffuse_G", "Diffuse_B",   "Specular_R",
                         "Specular_G",  "Specular_B",  "Ambient_R", "Ambient_G",   "Ambient_B"};
  for (int i = 0; i < 20; ++i)
    args.insert(args.end(), {"--set", std::string(names[i]) + "=" + std::to_string(i + 101)});
  const RunResult rcp = Run(args);
  ASSERT_EQ(rcp.Status, 0) << rcp.Err;
  auto r = TSimFiler::Create();
  ASSERT_TRUE(ReadXscn(*r, out + "/r.xscn"));
  ASSERT_TRUE(ReadXScene(*r, out + "/r.x"));
  const TRCPDataHolder& h = r->RCPData();
  auto n = [](int whole) { return Currency::FromInt(whole); };
  EXPECT_EQ(h.GetAreaRadius(), 101);
  EXPECT_EQ(h.GetSceneRotate(), n(102));
  EXPECT_EQ(h.GetSlopeX(), n(103));
  EXPECT_EQ(h.GetSlopeZ(), n(104));
  EXPECT_EQ(h.GetAirCraftRotate(), n(105));
  EXPECT_EQ(h.GetAirCraftX(), n(106));
  EXPECT_EQ(h.GetAirCraftY(), n(107));
  EXPECT_EQ(h.GetAirCraftZ(), n(108));
  EXPECT_EQ(h.GetLightDirection().X, 109);
  EXPECT_EQ(h.GetLightDirection().Y, 110);
  EXPECT_EQ(h.GetLightDirection().Z, 111);
  const TColorTriple colors[3] = {h.GetLightDiffuse(), h.GetLightSpecular(), h.GetLightAmbient()};
  for (int k = 0; k < 3; ++k) {
    EXPECT_EQ(colors[k].R, n(112 + 3 * k)) << k;
    EXPECT_EQ(colors[k].G, n(113 + 3 * k)) << k;
    EXPECT_EQ(colors[k].B, n(114 + 3 * k)) << k;
  }
}

TEST_F(ConvertTest, SetValuesGoThroughTheSettersAndOverrideTheSceneFile) {
  const std::string scene = out + "/s.scn";
  ASSERT_EQ(Run({"--no-images", "--scene", scene, "--base", "hills", "--set", "AreaRadius=99",
                 "--set", "AirCraftX=-3"})
                .Status,
            0);
  EXPECT_NE(ReadAll(scene).find("// sf_AreaRadius        : 100\r\n"), std::string::npos);
  // --scene defaults to the --from-scene file; its base name and values stay unless given.
  const RunResult again = Run({"--from-scene", scene, "--no-images", "--set", "AirCraftX=-8"});
  ASSERT_EQ(again.Status, 0) << again.Err;
  EXPECT_EQ(again.OutLines(), StringList{scene});
  const std::string text = ReadAll(scene);
  EXPECT_NE(text.find("// sf_AirCraftX         : -8.00\r\n"), std::string::npos);
  EXPECT_NE(text.find("// sf_AreaRadius        : 100\r\n"), std::string::npos);
  EXPECT_NE(text.find("'hills'"), std::string::npos);
  EXPECT_NE(text.find("TEXTURE hills_left"), std::string::npos);
}

TEST_F(ConvertTest, EachStageCanBeLeftOut) {
  // The scene alone needs no panorama; FMS adds the vista texture when it is missing.
  RunResult r = Run({"--no-images", "--scene", out + "/a.scn"});
  ASSERT_EQ(r.Status, 0) << r.Err;
  EXPECT_EQ(r.OutLines(), (StringList{out + "/a.scn", out + "/fms_vista.bmp"}));
  r = Run({"--no-images", "--scene", out + "/b.xscn", "--type", "sphere"});
  ASSERT_EQ(r.Status, 0) << r.Err;
  EXPECT_EQ(r.OutLines(), (StringList{out + "/b.x", out + "/b.xscn"}));

  const std::string images = dir.File("images");
  fs::create_directories(images);
  r = Run({"--no-scene", "--image", panorama, "--scene", images + "/c.xscn", "--size", "small",
           "--image-type", "JPG"});
  ASSERT_EQ(r.Status, 0) << r.Err;
  EXPECT_EQ(r.OutLines().size(), 6u);
  EXPECT_EQ(r.OutLines().front(), images + "/c_left.jpg");
  EXPECT_EQ(FilesIn(images), AsSet(r.OutLines()));  // no scene file, no vista for RCPSim
}

TEST_F(ConvertTest, ProgressReadsLikeTheConsoleAndQuietSilencesIt) {
  const RunResult r = Run({"--image", panorama, "--scene", out + "/p.scn", "--size", "small"});
  ASSERT_EQ(r.Status, 0) << r.Err;
  std::istringstream lines(r.Err);
  StringList err;
  for (std::string line; std::getline(lines, line);) err.push_back(line);
  ASSERT_GE(err.size(), 4u);
  EXPECT_EQ(err.front(), "読み込んでいます。　" + panorama);
  // The dots of a step stay on its line.
  EXPECT_EQ(err[1], "座標を取得しています。................");
  EXPECT_EQ(err.back(), "出力中　" + out + "/p.scn");
  EXPECT_EQ(r.Err.back(), '\n');

  const RunResult quiet = Run({"--image", panorama, "--scene", out + "/q.scn", "--size", "small",
                               "--quiet", "--threads", "1"});
  ASSERT_EQ(quiet.Status, 0);
  EXPECT_EQ(quiet.Err, "");
  EXPECT_EQ(quiet.OutLines().size(), 8u);
}

TEST_F(ConvertTest, BareSceneNameWritesIntoTheWorkingFolder) {
  const RunResult r = Run({"--image", panorama, "--scene", "here.scn", "--size", "small"}, out);
  ASSERT_EQ(r.Status, 0) << r.Err;
  EXPECT_EQ(r.OutLines().front(), "./here_left.bmp");
  EXPECT_TRUE(FileExists(out + "/here.scn"));
  EXPECT_TRUE(FileExists(out + "/here_bottom.bmp"));
}

// Japanese names reach the program whole and come back as UTF-8 on both streams: a
// Windows program reads them from the wide command line, not the ANSI argv.
TEST_F(ConvertTest, JapaneseNamesOnTheCommandLineAndInItsOutput) {
  const std::string folder = dir.Folder() + "シーン";
  fs::create_directory(PathFromUtf8(folder));
  const std::string image = dir.Folder() + "パノラマ.bmp";
  WriteBmpFile(image, MakeSamplePanorama(160));
  const RunResult r = Run({"--image", image, "--scene", folder + "/飛行場.scn", "--size", "small"});
  ASSERT_EQ(r.Status, 0) << r.Err;
  const StringList lines = r.OutLines();
  ASSERT_EQ(lines.size(), 8u);
  EXPECT_EQ(lines.front(), folder + "/飛行場_left.bmp");
  EXPECT_EQ(lines.back(), folder + "/飛行場.scn");
  for (const std::string& line : lines) EXPECT_TRUE(FileExists(line)) << line;
  EXPECT_NE(r.Err.find("出力中　" + folder + "/飛行場.scn"), std::string::npos) << r.Err;
}

// A refused job: status 1, the reason on standard error, nothing on standard output and
// nothing written, not even the scene file of the stage that was not reached.
TEST_F(ConvertTest, RefusedJobsFailWithTheReason) {
  const std::string broken = dir.Write("broken.jpg", "not a JPEG at all");
  const std::string png = dir.Write("pano.png", "\x89PNG\r\n");  // cut short
  const std::string gif = dir.Write("pano.gif", "GIF89a");
  const std::string notScene = dir.Write("notes.scn", "hello\r\n");
  const std::string returned = dir.Write("returned.scn", "sf_TextureBasename#13");
  const std::string climbing = dir.Write("climbing.scn", "TEXTURE ../x/sky_left\r\n");
  const struct {
    StringList Args;
    std::string Message;
  } cases[] = {
      {{"--scene", out + "/s.scn"}, "画像ファイル名：が指定されていません。"},
      {{"--image", dir.File("none.jpg"), "--scene", out + "/s.scn"},
       "画像ファイル名で指定されたファイルがありません。"},
      {{"--image", panorama, "--scene", dir.File("nowhere/s.scn")},
       "シーンフィアル名：で指定されたフォルダがありません。"},
      {{"--no-images", "--scene", dir.File("nowhere/s.xscn")},
       "シーンフィアル名：で指定されたフォルダがありません。"},
      {{"--image", broken, "--scene", out + "/s.scn"}, "cannot read image '" + broken + "'"},
      {{"--image", png, "--scene", out + "/s.scn"}, "cannot read image '" + png + "'"},
      {{"--image", gif, "--scene", out + "/s.scn"}, "扱えない画像ファイルです。"},
      {{"--from-scene", out + "/missing.scn"}, "no such file"},
      {{"--from-scene", notScene, "--scene", out + "/s.scn"}, "holds no job"},
      // Base names that would put images outside the scene folder or break a scene file's
      // line, given or read from a scene file.
      {{"--image", panorama, "--scene", out + "/s.scn", "--base", "../x"},
       "出力画像の基本名：に使えない文字「/」があります。 (the base name holds"},
      {{"--from-scene", returned, "--scene", out + "/s.scn", "--image", panorama},
       "出力画像の基本名：に使えない文字 U+000D があります。"},
      {{"--from-scene", climbing, "--scene", out + "/s.scn", "--no-images"},
       "出力画像の基本名：に使えない文字「/」があります。"},
      // Names Windows cannot hold, on every platform.
      {{"--image", panorama, "--scene", out + "/s.scn", "--base", "bad:name*?"},
       "出力画像の基本名：に使えない文字「:」があります。 (the base name holds"},
      {{"--image", panorama, "--scene", out + "/s.scn", "--base", "lpt1.sky"},
       "出力画像の基本名：に Windows の予約名「lpt1」は使えません。 (the base name is a device"},
      {{"--image", panorama, "--scene", out + "/a|b.xscn"},
       "シーンファイル名：に使えない文字「|」があります。 (the scene file's name holds"},
      {{"--no-images", "--scene", out + "/AUX.scn", "--base", "sky"},
       "シーンファイル名：に Windows の予約名「AUX」は使えません。 (the scene file's name is"},
  };
  for (const auto& c : cases) {
    const RunResult r = Run(c.Args);
    EXPECT_EQ(r.Status, 1) << c.Message;
    EXPECT_NE(r.Err.find("talvero-convert: error: "), std::string::npos) << r.Err;
    EXPECT_NE(r.Err.find(c.Message), std::string::npos) << r.Err;
    EXPECT_EQ(r.Out, "") << c.Message;
    EXPECT_TRUE(FilesIn(out).empty()) << c.Message;
  }
  for (const std::string& outside : {dir.File("x_left.bmp"), dir.File("x"), dir.File("s.scn")})
    EXPECT_FALSE(fs::exists(outside)) << outside;
}

// A way the user asks the converter to stop (a signal, or a console event on Windows) and
// the exit status that tells it.
struct Interruption {
  int Kind, Status;
};

// RunAndInterrupt starts the converter, waits until its progress shows `marker`, asks it to
// stop in the given way and returns the exit status (-1 when the program did not end by
// exiting) and its standard error.
#ifdef _WIN32
// A program in a process group of its own gets Ctrl+Break only; the default handling ends it
// with STATUS_CONTROL_C_EXIT.
const Interruption kInterruptions[] = {{CTRL_BREAK_EVENT, static_cast<int>(STATUS_CONTROL_C_EXIT)}};

RunResult RunAndInterrupt(const StringList& args, const std::string& marker, int event) {
  RunResult result;
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  HANDLE readEnd = nullptr, writeEnd = nullptr;
  if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0)) return result;
  SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
  HANDLE nul = CreateFileW(L"NUL", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                           OPEN_EXISTING, 0, nullptr);
  std::wstring commandLine = testing::detail::CommandLine(TALVERO_CONVERT_PATH, args);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  startup.hStdOutput = nul;
  startup.hStdError = writeEnd;
  PROCESS_INFORMATION process{};
  const bool started = CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE,
                                      CREATE_NEW_PROCESS_GROUP, nullptr, nullptr, &startup,
                                      &process);
  CloseHandle(writeEnd);
  CloseHandle(nul);
  if (!started) {
    CloseHandle(readEnd);
    return result;
  }
  bool sent = false;
  char buffer[4096];
  for (DWORD n = 0; ReadFile(readEnd, buffer, sizeof buffer, &n, nullptr) && n > 0;) {
    result.Err.append(buffer, n);
    if (!sent && result.Err.find(marker) != std::string::npos) {
      sent = true;
      if (!GenerateConsoleCtrlEvent(static_cast<DWORD>(event), process.dwProcessId)) {
        TerminateProcess(process.hProcess, 1);
        result.Undelivered = true;
      }
    }
  }
  CloseHandle(readEnd);
  WaitForSingleObject(process.hProcess, INFINITE);
  DWORD status = 0;
  if (GetExitCodeProcess(process.hProcess, &status)) result.Status = static_cast<int>(status);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return result;
}
#else
const Interruption kInterruptions[] = {{SIGINT, 130}, {SIGTERM, 143}};

RunResult RunAndInterrupt(const StringList& args, const std::string& marker, int signal) {
  int pipeEnds[2];
  if (::pipe(pipeEnds) != 0) return {};
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], 2);
  posix_spawn_file_actions_addclose(&actions, pipeEnds[0]);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  std::vector<std::string> words = {TALVERO_CONVERT_PATH};
  words.insert(words.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);
  pid_t child = 0;
  const int spawned = posix_spawn(&child, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  ::close(pipeEnds[1]);
  RunResult result;
  if (spawned != 0) return result;
  bool sent = false;
  char buffer[4096];
  for (ssize_t n; (n = ::read(pipeEnds[0], buffer, sizeof buffer)) > 0;) {
    result.Err.append(buffer, static_cast<size_t>(n));
    if (!sent && result.Err.find(marker) != std::string::npos) {
      ::kill(child, signal);
      sent = true;
    }
  }
  ::close(pipeEnds[0]);
  int status = 0;
  ::waitpid(child, &status, 0);
  result.Status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return result;
}
#endif

// Ctrl-C or SIGTERM (Ctrl+Break on Windows) during a job: the job stops, says so, removes
// its temporary files and leaves every file it had not replaced yet as it was; the status
// tells which request stopped it.
TEST_F(ConvertTest, SignalsCancelTheJobCleanly) {
  const StringList faces = {"p_left.jpg", "p_front.jpg", "p_right.jpg",
                            "p_back.jpg", "p_top.jpg",   "p_bottom.jpg"};
  for (const Interruption& c : kInterruptions) {
    for (const std::string& face : faces) WriteFileAtomically(out + "/" + face, "old");
    WriteFileAtomically(out + "/p.scn", "old scene");
    const RunResult r = RunAndInterrupt({"--image", panorama, "--scene", out + "/p.scn", "--size",
                                         "large", "--image-type", "jpg", "--threads", "1"},
                                        "画像ファイルを書き出しています。", c.Kind);
    // Wine run from a pipe has a console that carries no events; scripts/test-windows.sh
    // interrupts the converter there with a signal instead.
    if (r.Undelivered) GTEST_SKIP() << "this console cannot deliver the event";
    EXPECT_EQ(r.Status, c.Status) << r.Err;
    EXPECT_NE(r.Err.find("talvero-convert: error: cancelled\n"), std::string::npos) << r.Err;
    std::set<std::string> expected;
    for (const std::string& face : faces) expected.insert(out + "/" + face);
    expected.insert(out + "/p.scn");
    EXPECT_EQ(FilesIn(out), expected);  // no temporary file, no vista texture
    EXPECT_EQ(ReadAll(out + "/p.scn"), "old scene");
    // A face is either the old file or a whole new image; the last one was never reached.
    for (const std::string& face : faces) {
      if (ReadAll(out + "/" + face) != "old") {
        EXPECT_EQ(ReadJpegFile(out + "/" + face).Width(), 4096) << face;
      }
    }
    EXPECT_EQ(ReadAll(out + "/p_bottom.jpg"), "old");
  }
}

TEST_F(ConvertTest, LevelAutoTakesThePoseFromThePanoramasXmp) {
  // A JPEG carrying the camera pose the way 360° cameras write it: an APP1 XMP segment.
  const std::string plain = dir.File("plain.jpg"), posed = dir.File("posed.jpg");
  WriteJpegFile(plain, MakeSamplePanorama(320), 95);
  const std::string xmp =
      "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\"><rdf:RDF xmlns:rdf=\"http://www.w3.org/1999/02/"
      "22-rdf-syntax-ns#\"><rdf:Description xmlns:GPano=\"http://ns.google.com/photos/1.0/"
      "panorama/\" GPano:ProjectionType=\"equirectangular\" GPano:PosePitchDegrees=\"3.5\" "
      "GPano:PoseRollDegrees=\"-2\"/></rdf:RDF></x:xmpmeta>";
  const std::string segment = std::string("http://ns.adobe.com/xap/1.0/") + '\0' + xmp;
  const size_t length = segment.size() + 2;
  std::string bytes = ReadAll(plain);
  bytes.insert(2, std::string("\xFF\xE1") + static_cast<char>(length >> 8) +
                      static_cast<char>(length & 0xFF) + segment);
  std::ofstream(posed, std::ios::binary) << bytes;

  auto job = [&](const std::string& image, const std::string& folder, const std::string& level) {
    fs::create_directories(folder);
    StringList args = {"--image", image, "--scene", folder + "/sky.scn", "--size", "small"};
    if (!level.empty()) args.insert(args.end(), {"--level", level});
    return Run(args);
  };
  auto sameFiles = [&](const std::string& a, const std::string& b) {
    for (const auto& entry : fs::directory_iterator(a)) {
      const std::string name = entry.path().filename().string();
      EXPECT_EQ(ReadAll(a + "/" + name), ReadAll(b + "/" + name)) << name;
    }
  };
  const RunResult automatic = job(posed, out + "/auto", "auto");
  const RunResult typed = job(posed, out + "/typed", "3.5,-2");
  ASSERT_EQ(automatic.Status, 0) << automatic.Err;
  ASSERT_EQ(typed.Status, 0) << typed.Err;
  EXPECT_NE(automatic.Err.find("pitch 3.5°, roll -2°"), std::string::npos) << automatic.Err;
  sameFiles(out + "/auto", out + "/typed");

  // No pose in the file: a note, and the job as without levelling.
  const RunResult none = job(plain, out + "/none", "auto");
  const RunResult plainJob = job(plain, out + "/plain", "");
  ASSERT_EQ(none.Status, 0) << none.Err;
  EXPECT_NE(none.Err.find("note"), std::string::npos) << none.Err;
  sameFiles(out + "/none", out + "/plain");
}

// Each job option of the table, given to the converter away from its default, is recorded in
// the scene file and restored from it; left at its default it writes no line.
TEST_F(ConvertTest, EveryJobOptionReachesTheSceneFileAndBack) {
  for (const JobOptionRow& row : JobOptionRows()) {
    SCOPED_TRACE(row.Name);
    StringList args = {"--no-images", "--scene", out + "/sky.scn", row.Flag};
    JobOptionValue expected;
    if (row.Kind == JobOptionKind::Choice) {
      args.push_back(row.Words.back().first);
      expected.Ordinal = row.Words.back().second;
    } else if (row.Kind == JobOptionKind::NumberPair) {
      args.push_back("1.5,-2.25");
      expected.Numbers = {Currency::Parse("1.5"), Currency::Parse("-2.25")};
    } else {
      expected.Ordinal = 1;
    }
    ASSERT_EQ(Run(args).Status, 0);
    auto filer = TSimFiler::Create();
    ASSERT_TRUE(ReadFmsScene(*filer, out + "/sky.scn"));
    EXPECT_EQ(filer->GetJobOption(row), expected);
    EXPECT_NE(ReadAll(out + "/sky.scn").find(row.SceneKeys[0]), std::string::npos);

    ASSERT_EQ(Run({"--no-images", "--scene", out + "/sky.scn"}).Status, 0);
    EXPECT_EQ(ReadAll(out + "/sky.scn").find(row.SceneKeys[0]), std::string::npos);
    ASSERT_TRUE(ReadFmsScene(*filer, out + "/sky.scn"));
    EXPECT_TRUE(row.IsDefault(filer->GetJobOptions()));
  }
}

TEST_F(ConvertTest, CommandLineErrorsAreUsageErrors) {
  const std::string scene = out + "/s.scn";
  const StringList cases[] = {
      {},
      {"--bogus"},
      {"--scene", scene, "extra"},
      {"--scene", scene, "--set", "Bogus=1"},
      {"--scene", scene, "--set", "SlopeZ=1"},  // an RCPSim name on FMS scenery
      {"--scene", out + "/s.xscn", "--set", "PilotZ=1"},
      {"--scene", scene, "--set", "AreaRadius=1.5"},
      {"--scene", scene, "--set", "AreaRadius=99999999999"},
      {"--scene", scene, "--set", "SlopeX=abc"},
      {"--scene", scene, "--set", "SlopeX=1e3"},
      {"--scene", scene, "--set", "SlopeX"},
      {"--scene", scene, "--type", "triangle"},
      {"--scene", scene, "--no-images", "--no-scene"},
      {"--scene", scene, "--threads", "0"},
      {"--scene", scene, "--level", "5"},
      {"--scene", scene, "--level", "95,0"},
      {"--scene", scene, "--quality", "best"},
  };
  for (const StringList& args : cases) {
    const RunResult r = Run(args);
    const std::string shown = args.empty() ? "(none)" : args.back();
    EXPECT_EQ(r.Status, 2) << shown;
    EXPECT_NE(r.Err.find("talvero-convert --help"), std::string::npos) << shown << ": " << r.Err;
    EXPECT_EQ(r.Out, "") << shown;
  }
  EXPECT_TRUE(FilesIn(out).empty());
}

TEST_F(ConvertTest, HelpExplainsTheToolAndEveryParameter) {
  const RunResult r = Run({"--help"});
  ASSERT_EQ(r.Status, 0);
  EXPECT_EQ(r.Err, "");
  for (const char* text : {"Usage:", "Examples:", "Exit status", "--from-scene", "AirCraftRotate=0",
                           "PilotZ=0", "Ambient_B=0.2", "AirCraftZ=-1.7"})
    EXPECT_NE(r.Out.find(text), std::string::npos) << text;
}

bool IsAscii(const std::string& text) {
  return std::all_of(text.begin(), text.end(), [](char c) { return (c & 0x80) == 0; });
}

// --lang en: English progress and messages, the very same files as in Japanese.
TEST_F(ConvertTest, EnglishProgressAndMessagesWithTheSameFiles) {
  const struct {
    StringList Args;
    size_t Files;
  } jobs[] = {{{"--scene", "s.scn"}, 8},
              {{"--scene", "s.xscn", "--type", "sphere", "--image-type", "jpg"}, 22},
              {{"--scene", "l.scn", "--level", "3,1", "--quality", "high"}, 8}};
  for (size_t j = 0; j < std::size(jobs); ++j) {
    const auto& job = jobs[j];
    std::set<std::string> names[2];
    std::string progress[2];
    const char* languages[] = {"ja", "en"};
    for (int i = 0; i < 2; ++i) {
      const std::string folder = out + "/" + languages[i] + std::to_string(j);
      fs::create_directories(folder);
      StringList args = {"--image", panorama, "--size", "small", "--lang", languages[i]};
      args.insert(args.end(), job.Args.begin(), job.Args.end());
      args[args.size() - job.Args.size() + 1] = folder + "/" + job.Args[1];
      const RunResult r = Run(args);
      ASSERT_EQ(r.Status, 0) << r.Err;
      progress[i] = r.Err;
      for (const auto& entry : fs::directory_iterator(folder))
        names[i].insert(entry.path().filename().string());
    }
    EXPECT_TRUE(IsAscii(progress[1])) << progress[1];
    EXPECT_FALSE(IsAscii(progress[0]));
    EXPECT_NE(progress[1].find("Writing the image files."), std::string::npos) << progress[1];
    ASSERT_EQ(names[0].size(), job.Files);
    ASSERT_EQ(names[0], names[1]);
    for (const std::string& name : names[0])
      EXPECT_EQ(ReadAll(out + "/ja" + std::to_string(j) + "/" + name),
                ReadAll(out + "/en" + std::to_string(j) + "/" + name))
          << name;
  }

  const std::string gif = dir.Write("pano.gif", "GIF89a");
  const std::string landscape = dir.Write("land.scn", "3D_LANDSCAPE\r\n");
  const struct {
    StringList Args;
    std::string Message;
  } refused[] = {
      {{"--scene", out + "/s.scn"}, "No panorama is chosen. (use --image FILE)"},
      {{"--image", panorama, "--scene", dir.File("nowhere/s.scn")},
       "The scene file's folder does not exist. (create it first)"},
      {{"--image", gif, "--scene", out + "/s.scn"}, "Talvero cannot read this kind of image file."},
      {{"--image", panorama, "--scene", out + "/s.scn", "--base", "../x"},
       "The base name holds a character that cannot be used: \"/\". (a path separator"},
      {{"--image", panorama, "--scene", out + "/Nul.scn"},
       "The scene file's name cannot use \"Nul\": Windows reserves that name for a device. "
       "(CON, PRN"},
      {{"--from-scene", landscape, "--no-images"},
       "The scene file has a 3D_LANDSCAPE section. Talvero cannot use this scene file."},
  };
  for (const auto& c : refused) {
    StringList args = c.Args;
    args.insert(args.end(), {"--lang", "en"});
    const RunResult r = Run(args);
    EXPECT_EQ(r.Status, 1) << c.Message;
    EXPECT_NE(r.Err.find("talvero-convert: error: " + c.Message), std::string::npos) << r.Err;
    EXPECT_TRUE(IsAscii(r.Err)) << r.Err;
  }
}

// Mean difference per colour channel of two images of one size.
double MeanDifference(const Bitmap& a, const Bitmap& b) {
  double sum = 0;
  for (int32_t y = 0; y < a.Height(); ++y)
    for (int32_t x = 0; x < a.Width(); ++x) {
      const Rgb p = a.GetPixel(x, y), q = b.GetPixel(x, y);
      sum += std::abs(p.R - q.R) + std::abs(p.G - q.G) + std::abs(p.B - q.B);
    }
  return sum / (3.0 * a.Width() * a.Height());
}

TEST_F(ConvertTest, TheViewOfTheWrittenSceneAfterTheJobOrAlone) {
  // After a job: the view is written last and listed last; FMS and RCPSim show the same.
  const std::string fms = out + "/sky.scn", rcp = out + "/sky.xscn";
  const RunResult first =
      Run({"--image", panorama, "--scene", fms, "--size", "small", "--view-image", out + "/fms.bmp",
           "--view", "45,10,100", "--view-size", "320x200"});
  ASSERT_EQ(first.Status, 0) << first.Err;
  EXPECT_EQ(first.OutLines().back(), out + "/fms.bmp");
  const RunResult second =
      Run({"--image", panorama, "--scene", rcp, "--size", "small", "--base", "other",
           "--view-image", out + "/rcp.bmp", "--view", "45,10,100", "--view-size", "320x200"});
  ASSERT_EQ(second.Status, 0) << second.Err;
  const Bitmap fmsView = ReadBmpFile(out + "/fms.bmp"), rcpView = ReadBmpFile(out + "/rcp.bmp");
  ASSERT_EQ(fmsView.Width(), 320);
  ASSERT_EQ(fmsView.Height(), 200);
  EXPECT_LT(MeanDifference(fmsView, rcpView), 1.0);

  // An existing scene alone, nothing else written; a missing image is named, not fatal.
  fs::remove(out + "/sky_front.bmp");
  const std::set<std::string> before = FilesIn(out);
  const RunResult alone = Run({"--from-scene", fms, "--no-images", "--no-scene", "--view-image",
                               dir.File("alone.jpg"), "--no-view-ground", "-q"});
  ASSERT_EQ(alone.Status, 0) << alone.Err;
  EXPECT_EQ(alone.OutLines(), (StringList{dir.File("alone.jpg")}));
  EXPECT_NE(alone.Err.find("warning: the scene's image 'sky_front' cannot be shown (no such file)"),
            std::string::npos)
      << alone.Err;
  EXPECT_EQ(FilesIn(out), before);
  const Bitmap view = ReadJpegFile(dir.File("alone.jpg"));
  EXPECT_EQ(view.Width(), 1280);
  EXPECT_EQ(view.Height(), 720);
  const Rgb centre = view.GetPixel(640, 360);  // the missing front face, magenta
  EXPECT_GT(centre.R, 240);
  EXPECT_LT(centre.G, 15);

  // A scene that is not there fails the run.
  const RunResult none = Run({"--from-scene", dir.File("none.scn"), "--no-images", "--no-scene",
                              "--view-image", dir.File("none.bmp")});
  EXPECT_EQ(none.Status, 1);
  EXPECT_FALSE(fs::exists(dir.File("none.bmp")));
}

TEST_F(ConvertTest, ViewOptionsThatCannotBeRenderedAreCommandLineErrors) {
  const std::string scene = out + "/sky.scn";
  const std::string view = dir.File("v.bmp");
  const std::vector<StringList> cases = {
      {"--scene", scene, "--view", "0,0,90"},
      {"--scene", scene, "--no-view-ground"},
      {"--scene", scene, "--view-size", "640x480"},
      {"--scene", scene, "--view-image", dir.File("v.gif")},
      {"--scene", scene, "--view-image", view, "--view", "0,0"},
      {"--scene", scene, "--view-image", view, "--view", "0,0,90,1"},
      {"--scene", scene, "--view-image", view, "--view", "0,95,90"},
      {"--scene", scene, "--view-image", view, "--view", "0,0,200"},
      {"--scene", scene, "--view-image", view, "--view", "a,0,90"},
      {"--scene", scene, "--view-image", view, "--view-size", "640"},
      {"--scene", scene, "--view-image", view, "--view-size", "8x8"},
      {"--scene", scene, "--view-image", view, "--view-size", "99999x100"},
      {"--view-image", view, "--no-images", "--no-scene"},
  };
  for (const StringList& args : cases) {
    const RunResult r = Run(args);
    EXPECT_EQ(r.Status, 2) << args[2] << " " << args.back();
    EXPECT_NE(r.Err.find("talvero-convert --help"), std::string::npos) << r.Err;
  }
  EXPECT_TRUE(FilesIn(out).empty());
  EXPECT_FALSE(fs::exists(view));
}

}  // namespace
}  // namespace talvero
