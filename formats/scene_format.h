// Each scene format described once: what its files are called, which of them a job writes,
// how a job is read back from them, and the pieces of the scene stage that differ between
// formats. The front ends and the scene stage ask these descriptions; nothing else decides a
// format from a file name.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "engine/enums.h"
#include "engine/job_context.h"
#include "engine/job_settings.h"

namespace talvero {

class TSimDataHolder;
class TSimFiler;
struct SceneMesh;

// One file of a scene: the scene file name with `Extension`, or the name itself when the
// extension is empty.
struct SceneFilePart {
  const char* Extension;
  // For the files a job is restored from: true when the reader recognised the file. The
  // readers write what they read through the engine's setters.
  bool (*Read)(TSimFiler& filer, const std::string& fileName) = nullptr;
};

struct SceneFormatDescription {
  TSceneFormat Format;
  // The simulator's name, as messages and help texts give it.
  const char* Name;
  // The word --format takes.
  const char* OptionName;
  // The extensions of its scene file names, letter case ignored. The first is the one a new
  // scene file name gets.
  std::vector<const char*> Extensions;
  // The files of a scene as the scene stage writes them, in order.
  std::vector<SceneFilePart> WrittenFiles;
  // The files a job is restored from, in reading order, each read only when it exists: where
  // two hold a value, the later one's stays.
  std::vector<SceneFilePart> RestoredFrom;
  // The files it restores from, as a message names them.
  const char* FilesInWords;
  // What the engine must know of the format (engine/job_settings.h), such as whether the
  // "fms_vista" texture goes beside the images: the image stage writes it, the scene stage
  // writes it when it is missing.
  const SceneFormatTraits& Traits() const { return SceneFormatTraitsOf(Format); }
  // The usable texture range of a face and its inset from the image edge, in the units of
  // the scene file's texture coordinates.
  double UvSpan, UvMargin;
  // The mesh fills and the scene writers of each scene type.
  void (*FillCube)(SceneMesh& mesh, const JobSettings& settings);
  void (*FillSphere)(SceneMesh& mesh, const JobSettings& settings);
  void (*WriteCube)(const JobSettings& settings, const SceneMesh& mesh, const JobContext& context);
  void (*WriteSphere)(const JobSettings& settings, const SceneMesh& mesh,
                      const JobContext& context);
  // The holder of its parameters in an engine.
  TSimDataHolder& (*Holder)(const TSimFiler& filer);

  const char* DefaultExtension() const { return Extensions.front(); }
  // The name of one of its files for a scene file name.
  std::string FileName(const std::string& sceneFile, const SceneFilePart& part) const;
};

// Every format, in the order of their ordinals.
const std::vector<SceneFormatDescription>& SceneFormats();
// Error for a value outside the enumeration.
const SceneFormatDescription& DescriptionOf(TSceneFormat format);

// The format whose scene files carry the name's extension (letter case ignored); none for
// other names.
std::optional<TSceneFormat> SceneFormatOfFile(const std::string& fileName);

// Reads the job recorded in `sceneFile` (of `format`) into the engine: each of the format's
// files in turn, when it exists, calling `recognised` after each one a reader recognised.
// True when any was. Reader errors propagate; values read before stay set.
bool RestoreJob(TSimFiler& filer, TSceneFormat format, const std::string& sceneFile,
                const std::function<void()>& recognised = {});

enum class TJobStage : uint8_t { Images, Scene };

struct PlannedOutput {
  std::string Path;
  TJobStage Stage;
  // Written only when no file of that name exists yet when the stage starts.
  bool OnlyWhenMissing = false;
};

// The files a job with these settings writes, each once, in the order the stages write them;
// `images` and `scene` tell which stages run. ImageNames must have been prepared.
std::vector<PlannedOutput> PlannedOutputs(const JobSettings& settings, bool images, bool scene);

}  // namespace talvero
