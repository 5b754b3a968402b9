// The converter's command line: every job setting and scene parameter as an option.
#pragma once

#include <optional>
#include <ostream>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "engine/enums.h"
#include "engine/job_options.h"
#include "formats/scene_parameters.h"
#include "sceneview/scene_view.h"
#include "support/currency.h"
#include "support/text_catalogue.h"

namespace talvero {

// A command line the converter cannot run (exit status 2).
class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct ConvertOptions {
  // Given on the command line; unset ones keep the value of --from-scene or the default.
  std::optional<std::string> Image, Scene, Base, FromScene;
  std::optional<TSceneType> Type;
  std::optional<TImageSizeMode> Size;
  std::optional<TExtractImageType> ImageType;
  std::optional<TCubeSuffix> Suffix;
  // --format, else from the extension of the scene file (--scene, else --from-scene).
  TSceneFormat Format = sfFMS;
  // The --set values, checked against Format, in command-line order.
  std::vector<ParameterSetting> Settings;
  bool Images = true;
  bool SceneFile = true;
  bool Quiet = false;
  // --lang: the language of progress lines and messages; files do not depend on it.
  TextLanguage Language = TextLanguage::Japanese;
  int Threads = 0;  // 0: the machine's default
  // The job options given (engine/job_options.h: --level, --quality, ...), in the table's
  // order.
  std::vector<std::pair<const JobOptionRow*, JobOptionValue>> JobOptionValues;
  // --level auto: the pose from the panorama's XMP.
  bool LevelAuto = false;
  // --view-image: the look-around view of the scene, rendered after the job with View.
  std::optional<std::string> ViewImage;
  SceneViewSettings View;
};

// Parses the command line. nullopt when it asked for --help or --version (already printed
// to `out`); UsageError for anything the converter cannot run.
std::optional<ConvertOptions> ParseCommandLine(int argc, const char* const* argv,
                                               std::ostream& out);

}  // namespace talvero
