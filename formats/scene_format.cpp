#include "formats/scene_format.h"

#include <stdexcept>

#include "engine/sim_filer.h"
#include "formats/fms_scene.h"
#include "formats/rcp_scene.h"
#include "formats/scene_mesh.h"
#include "support/errors.h"
#include "support/file_util.h"
#include "support/string_utils.h"

namespace talvero {

namespace {

std::vector<SceneFormatDescription> Describe() {
  std::vector<SceneFormatDescription> formats;
  formats.push_back({
      .Format = sfFMS,
      .Name = "FMS",
      .OptionName = "fms",
      .Extensions = {".scn"},
      .WrittenFiles = {{"", nullptr}},
      .RestoredFrom = {{"", &ReadFmsScene}},
      .FilesInWords = "an FMS .scn file",
      // Texels of a 0..255 range.
      .UvSpan = 254.5,
      .UvMargin = 0.25,
      .FillCube = &FillFmsCube,
      .FillSphere = &FillFmsSphere,
      .WriteCube = &WriteFmsCube,
      .WriteSphere = &WriteFmsSphere,
      .Holder = [](const TSimFiler& filer) -> TSimDataHolder& { return filer.FMSData(); },
  });
  formats.push_back({
      .Format = sfRCP,
      .Name = "RCPSim",
      .OptionName = "rcp",
      .Extensions = {kXscnExtension, kXExtension},
      // The mesh first: a settings file is never left beside a mesh that failed.
      .WrittenFiles = {{kXExtension, nullptr}, {kXscnExtension, nullptr}},
      // The settings first, so that the mesh's values win where both have one.
      .RestoredFrom = {{kXscnExtension, &ReadXscn}, {kXExtension, &ReadXScene}},
      .FilesInWords = "RCPSim .xscn and .x files",
      // Fractions of the image.
      .UvSpan = 0.998,
      .UvMargin = 0.001,
      .FillCube = &FillRcpCube,
      .FillSphere = &FillRcpSphere,
      .WriteCube = &WriteXCube,
      .WriteSphere = &WriteXSphere,
      .Holder = [](const TSimFiler& filer) -> TSimDataHolder& { return filer.RCPData(); },
  });
  return formats;
}

}  // namespace

std::string SceneFormatDescription::FileName(const std::string& sceneFile,
                                             const SceneFilePart& part) const {
  return *part.Extension ? ChangeFileExt(sceneFile, part.Extension) : sceneFile;
}

const std::vector<SceneFormatDescription>& SceneFormats() {
  static const std::vector<SceneFormatDescription> formats = [] {
    std::vector<SceneFormatDescription> described = Describe();
    if (described.size() != static_cast<size_t>(EnumCount<TSceneFormat>()))
      throw std::logic_error("a scene format without its description");
    for (size_t i = 0; i < described.size(); ++i)
      if (described[i].Format != static_cast<TSceneFormat>(i))
        throw std::logic_error("scene format descriptions out of order");
    return described;
  }();
  return formats;
}

const SceneFormatDescription& DescriptionOf(TSceneFormat format) {
  const std::vector<SceneFormatDescription>& formats = SceneFormats();
  if (static_cast<size_t>(format) >= formats.size())
    throw Error("there is no scene format " + std::to_string(static_cast<int>(format)));
  return formats[format];
}

std::optional<TSceneFormat> SceneFormatOfFile(const std::string& fileName) {
  const std::string ext = ExtractFileExt(fileName);
  if (ext.empty()) return std::nullopt;
  for (const SceneFormatDescription& format : SceneFormats())
    for (const char* known : format.Extensions)
      if (SameTextIgnoreCase(ext, known)) return format.Format;
  return std::nullopt;
}

bool RestoreJob(TSimFiler& filer, TSceneFormat format, const std::string& sceneFile,
                const std::function<void()>& recognised) {
  const SceneFormatDescription& description = DescriptionOf(format);
  bool any = false;
  for (const SceneFilePart& part : description.RestoredFrom) {
    const std::string fileName = description.FileName(sceneFile, part);
    if (!FileExists(fileName) || !part.Read(filer, fileName)) continue;
    any = true;
    if (recognised) recognised();
  }
  return any;
}

std::vector<PlannedOutput> PlannedOutputs(const JobSettings& settings, bool images, bool scene) {
  const SceneFormatDescription& format = DescriptionOf(settings.SceneFormat);
  const bool vista = format.Traits().VistaTexture;
  std::vector<PlannedOutput> outputs;
  if (images) {
    for (const std::string& name : settings.ImageNames)
      outputs.push_back({settings.SceneFolder + name, TJobStage::Images});
    if (vista) outputs.push_back({settings.VistaTexturePath(), TJobStage::Images});
  }
  if (scene) {
    for (const SceneFilePart& part : format.WrittenFiles)
      outputs.push_back({format.FileName(settings.SceneFilename, part), TJobStage::Scene});
    // After the image stage the texture is there: the scene stage leaves it alone.
    if (vista && !images) outputs.push_back({settings.VistaTexturePath(), TJobStage::Scene, true});
  }
  return outputs;
}

}  // namespace talvero
