#include "fuzz/scene_fuzzer.h"

#include <algorithm>
#include <cstdlib>
#include <string>

#include "formats/fms_scene.h"
#include "formats/rcp_scene.h"
#include "fuzz/fuzz_support.h"
#include "support/errors.h"
#include "support/file_util.h"

namespace talvero::fuzz {

namespace {

// Every value a scene file can carry.
struct Job {
  TSceneType SceneType;
  TCubeSuffix CubeSuffix;
  std::string TextureBasename;
  StringList GroundDataLines;
  int32_t FmsRadius, RcpRadius;
  Currency Fms[8];
  Currency Rcp[16];
  TIntVector Direction;
  Currency LevelPitch, LevelRoll;
  TImageQuality Quality;

  static Job Of(const TSimFiler& f) {
    const TFMSDataHolder& m = f.FMSData();
    const TRCPDataHolder& r = f.RCPData();
    const TColorTriple d = r.GetLightDiffuse(), s = r.GetLightSpecular(), a = r.GetLightAmbient();
    return Job{f.GetSceneType(),
               f.GetCubeSuffix(),
               f.GetTextureBasename(),
               f.GroundDataLines(),
               m.GetAreaRadius(),
               r.GetAreaRadius(),
               {m.GetSceneRotate(), m.GetSlopeX(), m.GetSlopeY(), m.GetAirCraftX(),
                m.GetAirCraftY(), m.GetAirCraftZ(), m.GetPilotZ()},
               {r.GetSceneRotate(), r.GetSlopeX(), r.GetSlopeZ(), r.GetAirCraftX(),
                r.GetAirCraftY(), r.GetAirCraftZ(), r.GetAirCraftRotate(), d.R, d.G, d.B, s.R,
                s.G, s.B, a.R, a.G, a.B},
               r.GetLightDirection(),
               f.GetLevelPitch(),
               f.GetLevelRoll(),
               f.GetImageQuality()};
  }
};

// What differs between two jobs of the format `rcp`; empty when nothing does. `slack` is the
// rounding a written number may take (raw units of 1/10000).
std::string Difference(const Job& a, const Job& b, bool rcp, int64_t slack) {
  if (a.SceneType != b.SceneType) return "SceneType";
  if (a.SceneType == stCube && a.CubeSuffix != b.CubeSuffix) return "CubeSuffix";
  if (a.TextureBasename != b.TextureBasename)
    return "TextureBasename '" + a.TextureBasename + "' came back as '" + b.TextureBasename + "'";
  const auto near = [slack](Currency x, Currency y) { return std::llabs(x.Raw() - y.Raw()) <= slack; };
  // Written with every decimal: these come back exactly.
  if (a.LevelPitch != b.LevelPitch || a.LevelRoll != b.LevelRoll) return "levelling";
  if (a.Quality != b.Quality) return "quality";
  if (rcp) {
    if (a.RcpRadius != b.RcpRadius) return "AreaRadius";
    for (int i = 0; i < 16; ++i)
      if (!near(a.Rcp[i], b.Rcp[i]))
        return "RCPSim value " + std::to_string(i) + " " + a.Rcp[i].ToGeneralString() +
               " came back as " + b.Rcp[i].ToGeneralString();
    if (a.Direction.X != b.Direction.X || a.Direction.Y != b.Direction.Y ||
        a.Direction.Z != b.Direction.Z)
      return "Light.Direction";
    return {};
  }
  if (a.GroundDataLines != b.GroundDataLines) return "GroundDataLines";
  if (a.FmsRadius != b.FmsRadius) return "AreaRadius";
  for (int i = 0; i < 7; ++i)
    if (!near(a.Fms[i], b.Fms[i]))
      return "FMS value " + std::to_string(i) + " " + a.Fms[i].ToGeneralString() +
             " came back as " + b.Fms[i].ToGeneralString();
  return {};
}

// Reads as the converter's --from-scene does; false when no reader recognised the file or
// one refused it.
bool Restore(TSimFiler& filer, const std::string& fileName, bool rcp) {
  try {
    if (!rcp) return ReadFmsScene(filer, fileName);
    bool recognised = false;
    const std::string xscn = XscnFileName(fileName), x = XFileName(fileName);
    if (FileExists(xscn) && ReadXscn(filer, xscn)) recognised = true;
    if (FileExists(x) && ReadXScene(filer, x)) recognised = true;
    return recognised;
  } catch (const Error&) {
    return false;
  }
}

// The scene stage on the job, into `fileName`; false when it was refused (and then no file
// may be left behind).
bool Write(TSimFiler& filer, const std::string& fileName, bool rcp) {
  filer.SetSceneFormat(rcp ? sfRCP : sfFMS);
  filer.SetSceneFilename(fileName);
  const std::string written = rcp ? XFileName(fileName) : fileName;
  try {
    filer.PrepareOutputNames();
    filer.RunSceneStage();
  } catch (const Error&) {
    Check(!FileExists(written), "a refused scene file was left behind");
    return false;
  }
  return FileExists(written);
}

// Empty when the two texts are equal, else their first differing lines.
std::string FirstDifference(const std::string& a, const std::string& b) {
  if (a == b) return {};
  size_t start = 0;
  while (start < a.size() && start < b.size() && a[start] == b[start]) ++start;
  start = std::min(a.rfind('\n', start == 0 ? 0 : start - 1), b.rfind('\n', start == 0 ? 0 : start - 1));
  start = start == std::string::npos ? 0 : start + 1;
  const auto line = [start](const std::string& s) { return s.substr(start, s.find('\n', start) - start); };
  return "'" + line(a) + "' against '" + line(b) + "'";
}

}  // namespace

int FuzzScene(const uint8_t* data, size_t size, SceneInput kind) {
  const bool rcp = kind != SceneInput::Fms;
  const char* const names[] = {"input.scn", "input.x", "input.xscn"};
  const std::string input = WriteInput(names[static_cast<int>(kind)], data, size);
  const std::string first = Folder() + (rcp ? "/first.xscn" : "/first.scn");
  const std::string second = Folder() + (rcp ? "/second.xscn" : "/second.scn");
  for (const std::string& name : {first, second}) {
    RemoveFile(name);
    RemoveFile(XFileName(name));
  }

  SilentReporter reporter;
  const auto read = NewJob(reporter);
  if (!Restore(*read, input, rcp)) return 0;
  // The converter names the images after the scene file when the file named none.
  if (read->GetTextureBasename().empty()) read->SetTextureBasename("input");
  const Job original = Job::Of(*read);
  if (!Write(*read, first, rcp)) return 0;

  SilentReporter reporter2;
  const auto again = NewJob(reporter2);
  Check(Restore(*again, first, rcp), "a scene file just written cannot be read back");
  const Job restored = Job::Of(*again);
  // The header keeps two decimals.
  if (const std::string d = Difference(original, restored, rcp, 50); !d.empty())
    Fail("written and read back: " + d);

  // Now that the header has rounded the numbers, the job is a fixed point: written again and
  // read back it stays the same, and writing it once more gives the same bytes.
  Check(Write(*again, second, rcp), "a job read back from its own file cannot be written");
  SilentReporter reporter3;
  const auto third = NewJob(reporter3);
  Check(Restore(*third, second, rcp), "the second file cannot be read back");
  if (const std::string d = Difference(restored, Job::Of(*third), rcp, 0); !d.empty())
    Fail("read back twice: " + d);
  Check(Write(*third, first, rcp), "the job read back twice cannot be written");
  if (const std::string d = FirstDifference(ReadBack(rcp ? XFileName(first) : first),
                                             ReadBack(rcp ? XFileName(second) : second));
      !d.empty())
    Fail("writing the job read back gives other bytes: " + d);
  if (rcp)
    if (const std::string d =
            FirstDifference(ReadBack(XscnFileName(first)), ReadBack(XscnFileName(second)));
        !d.empty())
      Fail("writing the job read back gives another .xscn file: " + d);
  return 0;
}

}  // namespace talvero::fuzz
