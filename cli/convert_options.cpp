#include "cli/convert_options.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <array>
#include <sstream>
#include <utility>

#include "engine/sim_filer.h"
#include "formats/scene_format.h"
#include "imaging/image_codecs.h"
#include "support/errors.h"
#include "support/file_util.h"
#include "support/number_format.h"
#include "support/string_utils.h"

namespace talvero {

namespace {

template <typename E>
using Choices = std::vector<std::pair<std::string, E>>;

const Choices<TSceneType> kTypes = {{"cube", stCube}, {"sphere", stSphere}};
const Choices<TImageSizeMode> kSizes = {
    {"small", ismSmall}, {"normal", ismNormal}, {"large", ismLarge}};
const Choices<TExtractImageType> kImageTypes = {
    {"bmp", eiBitmap}, {"jpg", eiJpeg}, {"jpeg", eiJpeg}, {"tif", eiTiff}, {"tiff", eiTiff}};
const Choices<TCubeSuffix> kSuffixes = {{"left", csLeft}, {"zero", csZero}};
const Choices<TextLanguage> kLanguages = {{"ja", TextLanguage::Japanese},
                                          {"en", TextLanguage::English}};

Choices<TSceneFormat> FormatChoices() {
  Choices<TSceneFormat> choices;
  for (const SceneFormatDescription& format : SceneFormats())
    choices.emplace_back(format.OptionName, format.Format);
  return choices;
}

// An option taking one of a few words, letter case ignored; the last one given counts.
CLI::Option* AddText(CLI::App& app, const std::string& name, std::string& target,
                     const std::string& typeName, const std::string& help) {
  return app.add_option(name, target, help)->type_name(typeName);
}

template <typename E>
CLI::Option* AddChoice(CLI::App& app, const std::string& name, std::string& target,
                       const Choices<E>& choices, const std::string& help) {
  std::vector<std::string> words;
  std::string typeName;
  for (const auto& [word, value] : choices) {
    words.push_back(word);
    typeName += (typeName.empty() ? "" : "|") + word;
  }
  return app.add_option(name, target, help)
      ->type_name(typeName)
      ->check(CLI::IsMember(words, CLI::ignore_case).description(""));
}

template <typename E>
std::optional<E> Chosen(const CLI::Option* option, const std::string& word,
                        const Choices<E>& choices) {
  if (option->count() == 0) return std::nullopt;
  for (const auto& [name, value] : choices)
    if (SameTextIgnoreCase(name, word)) return value;
  return std::nullopt;  // not reached: the option's check accepts only these words
}

std::optional<std::string> Given(const CLI::Option* option, const std::string& value) {
  if (option->count() == 0) return std::nullopt;
  return value;
}

// The parameter names of both formats with the window's defaults.
std::string ParameterHelp() {
  auto filer = TSimFiler::Create();
  filer->ResetJob();
  std::string text;
  for (const SceneFormatDescription& format : SceneFormats()) {
    // Each format's list starts in the same column.
    std::string line = "  " + std::string(format.Name) + ":";
    line.resize(std::max<size_t>(line.size() + 1, 10), ' ');
    size_t width = line.size();
    bool first = true;
    for (const SceneParameter& p : SceneParameters(format.Format)) {
      const std::string item = std::string(p.Name) + "=" + p.Show(format.Holder(*filer));
      if (!first && width + item.size() + 2 > 88) {
        line += ",\n          ";
        width = 10;
      } else if (!first) {
        line += ", ";
        width += 2;
      }
      line += item;
      width += item.size();
      first = false;
    }
    text += line + "\n";
  }
  return text;
}

const char* const kDescription =
    "talvero-convert turns one equirectangular 360-degree panorama (a BMP, JPEG, PNG or\n"
    "TIFF image twice as wide as high, the horizon across its middle, the view ahead in its\n"
    "middle column) into background scenery for the FMS or RCPSim flight simulators:\n"
    "  - the six faces of a cube (type cube) or twenty tiles of a sphere (type sphere) as\n"
    "    images, written into the scene file's folder (which must exist), and\n"
    "  - the scene file that places them around the pilot: FMS .scn plus its fms_vista\n"
    "    texture, or RCPSim .x mesh plus .xscn settings.\n"
    "Scene files record the whole job, so --from-scene can redo it later. Progress goes to\n"
    "standard error; the files written are listed on standard output. Existing files are\n"
    "replaced without a question.\n";

std::string Footer() {
  return "Scene parameters for --set (names as in the window's grids, letter case ignored;\n"
         "lengths in metres, angles in degrees, colours from 0 to 1), with their defaults:\n" +
         ParameterHelp() +
         "\n"
         "Examples:\n"
         "  Make FMS cube scenery in the folder out (images, out/mysky.scn, fms_vista.bmp):\n"
         "    talvero-convert --image pano.jpg --scene out/mysky.scn\n"
         "  Make RCPSim sphere scenery with JPEG tiles and a larger scenery radius:\n"
         "    talvero-convert --image pano.jpg --scene out/mysky.xscn --type sphere \\\n"
         "        --image-type jpg --set AreaRadius=1500\n"
         "  Rewrite the scene file of an earlier job with the aircraft moved, images untouched:\n"
         "    talvero-convert --from-scene out/mysky.scn --no-images --set AirCraftX=-8\n"
         "\n"
         "Exit status: 0 when every output asked for was written, 1 when the job was refused\n"
         "(a missing or unreadable file, a missing folder, a failed write), 2 for a command\n"
         "line error.\n";
}

// "YAW,PITCH,FOV" in degrees.
void ParseViewDirection(const std::string& text, SceneViewSettings& view) {
  std::vector<double> values;
  size_t start = 0;
  for (;;) {
    const size_t comma = text.find(',', start);
    const auto value = ParseFloat(text.substr(start, comma - start));
    if (!value) break;
    values.push_back(static_cast<double>(*value));
    if (comma == std::string::npos) break;
    start = comma + 1;
  }
  if (values.size() != 3 || std::count(text.begin(), text.end(), ',') != 2)
    throw UsageError("--view: '" + text + "' is not YAW,PITCH,FOV (three numbers in degrees)");
  view.Yaw = values[0];
  view.Pitch = values[1];
  view.Fov = values[2];
}

// "WIDTHxHEIGHT" in pixels.
void ParseViewSize(const std::string& text, SceneViewSettings& view) {
  const size_t x = text.find_first_of("xX");
  const auto width = x == std::string::npos ? std::nullopt : ParseInt64(text.substr(0, x));
  const auto height = x == std::string::npos ? std::nullopt : ParseInt64(text.substr(x + 1));
  if (!width || !height || text[0] == '$' || text[x + 1] == '$' || *width < 0 || *height < 0 ||
      *width > SceneViewSettings::kMaxSide || *height > SceneViewSettings::kMaxSide)
    throw UsageError("--view-size: '" + text + "' is not WIDTHxHEIGHT (for example 1280x720) " +
                     "with sides from " + std::to_string(SceneViewSettings::kMinSide) + " to " +
                     std::to_string(SceneViewSettings::kMaxSide) + " pixels");
  view.Width = static_cast<int32_t>(*width);
  view.Height = static_cast<int32_t>(*height);
}

bool IsViewImageName(const std::string& fileName) { return WriterFor(fileName) != nullptr; }

// A job option's value from its text on the command line: "A,B" for a pair (or its auto
// word, which sets `autoWord`).
std::optional<JobOptionValue> ParseJobOption(const JobOptionRow& row, const CLI::Option* option,
                                             const std::string& text, bool& autoWord) {
  if (option->count() == 0) return std::nullopt;
  JobOptionValue value;
  if (row.Kind == JobOptionKind::Boolean) {
    value.Ordinal = 1;
    return value;
  }
  if (row.Kind == JobOptionKind::Choice) {
    Choices<int> words(row.Words.begin(), row.Words.end());
    value.Ordinal = *Chosen(option, text, words);
    return value;
  }
  if (row.AutoWord && SameTextIgnoreCase(text, row.AutoWord)) {
    autoWord = true;
    return std::nullopt;
  }
  const size_t comma = text.find(',');
  std::optional<Currency> first, second;
  if (comma != std::string::npos && text.find(',', comma + 1) == std::string::npos) {
    try {
      first = Currency::Parse(text.substr(0, comma));
      second = Currency::Parse(text.substr(comma + 1));
    } catch (const ConvertError&) {
      first.reset();
    }
  }
  const std::string named = std::string(row.Flag) + ": '" + text + "' ";
  if (!first || !second) throw UsageError(named + row.PairForm);
  value.Numbers = {*first, *second};
  if (!row.InRange(value)) throw UsageError(named + row.RangeForm);
  return value;
}

}  // namespace

std::optional<ConvertOptions> ParseCommandLine(int argc, const char* const* argv,
                                               std::ostream& out) {
  CLI::App app(kDescription, "talvero-convert");
  app.get_formatter()->column_width(30);
  app.footer(Footer());
  app.option_defaults()->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);

  std::string image, scene, base, fromScene, type, format, size, imageType, suffix, language;
  std::vector<std::string> sets;
  int threads = 0;
  bool noImagesFlag = false, noSceneFlag = false, quietFlag = false;
  ConvertOptions options;

  auto* imageOption =
      AddText(app, "--image", image, "FILE",
              "The panorama: a " + JoinedList(ReadableExtensions("/"), ", ", " or ") + " file");
  auto* sceneOption = AddText(app, "--scene", scene, "FILE",
                              "The scene file to write: .scn for FMS, .xscn for RCPSim;\n"
                              "every image goes into its folder. Default: the --from-scene file");
  auto* baseOption = AddText(app, "--base", base, "NAME",
                             "Base name of the images, as in NAME_left.bmp or NAME_11.bmp.\n"
                             "Default: the one in --from-scene, else the scene file's name\n"
                             "without its extension");
  auto* fromSceneOption =
      AddText(app, "--from-scene", fromScene, "FILE",
              "Start from the job recorded in an existing scene file (FMS .scn;\n"
              "RCPSim .xscn with its .x); the other options override it");
  for (CLI::Option* option : {imageOption, sceneOption, baseOption, fromSceneOption})
    option->group("Job");

  const std::string scenery = "Scenery";
  auto* typeOption = AddChoice(app, "--type", type, kTypes,
                               "Six cube faces or twenty sphere tiles. Default: cube");
  const Choices<TSceneFormat> formats = FormatChoices();
  auto* formatOption = AddChoice(app, "--format", format, formats,
                                 "Simulator: FMS or RCPSim. Default: rcp for a .xscn or .x\n"
                                 "scene file, else fms");
  auto* sizeOption = AddChoice(app, "--size", size, kSizes,
                               "Image size: cube 1024/2048/4096, sphere 512/1024/2048\n"
                               "pixels. Default: normal");
  auto* imageTypeOption = AddChoice(app, "--image-type", imageType, kImageTypes,
                                    "Image file type (jpg at quality 100). Default: bmp");
  auto* suffixOption = AddChoice(app, "--suffix", suffix, kSuffixes,
                                 "Cube face names: _left, _front, _right, _back, _top, _bottom\n"
                                 "or _3, _0, _1, _2, _4, _5. Default: left");
  std::vector<CLI::Option*> sceneryOptions{typeOption, formatOption, sizeOption, imageTypeOption,
                                           suffixOption};
  const std::vector<JobOptionRow>& jobOptionRows = JobOptionRows();
  std::vector<std::string> jobOptionTexts(jobOptionRows.size());
  for (size_t i = 0; i < jobOptionRows.size(); ++i) {
    const JobOptionRow& row = jobOptionRows[i];
    if (row.Kind == JobOptionKind::Boolean)
      sceneryOptions.push_back(app.add_flag(row.Flag, row.Help));
    else if (row.Kind == JobOptionKind::Choice)
      sceneryOptions.push_back(AddChoice(app, row.Flag, jobOptionTexts[i],
                                         Choices<int>(row.Words.begin(), row.Words.end()),
                                         row.Help));
    else
      sceneryOptions.push_back(AddText(app, row.Flag, jobOptionTexts[i], row.TypeName, row.Help));
  }
  for (CLI::Option* option : sceneryOptions) option->group(scenery);
  app.add_option("--set", sets,
                 "A scene parameter of the chosen simulator (list below);\n"
                 "repeatable")
      ->type_name("NAME=VALUE")
      ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll)
      ->allow_extra_args(false)
      ->group(scenery);

  const std::string viewing = "Viewing the scene";
  std::string viewImage, viewDirection, viewSize;
  bool noViewGroundFlag = false;
  auto* viewImageOption =
      AddText(app, "--view-image", viewImage, "FILE",
              "After the job, write the view from the pilot's eye into the scene\n"
              "as the simulator will draw it (.bmp, .jpg or .tif). With --no-images\n"
              "--no-scene it only renders the existing scene")
          ->group(viewing);
  auto* viewOption = AddText(app, "--view", viewDirection, "YAW,PITCH,FOV",
                             "Direction and horizontal field of view in degrees: yaw 0 looks\n"
                             "at the front face, positive yaw turns right, positive pitch\n"
                             "looks up. Default: 0,0,90")
                         ->group(viewing);
  auto* viewSizeOption =
      AddText(app, "--view-size", viewSize, "WxH", "Size of the view in pixels. Default: 1280x720")
          ->group(viewing);
  auto* noViewGroundOption =
      app.add_flag("--no-view-ground", noViewGroundFlag,
                   "Leave out the grid that shows the ground (and its slope)")
          ->group(viewing);

  const std::string running = "Running";
  app.add_flag("--no-images", noImagesFlag, "Write only the scene file (no panorama needed)")
      ->group(running);
  app.add_flag("--no-scene", noSceneFlag, "Write only the images")->group(running);
  app.add_option("--threads", threads, "Threads for the image work. Default: one per processor")
      ->type_name("N")
      ->check(CLI::Range(1, 1024).description(""))
      ->group(running);
  app.add_flag("-q,--quiet", quietFlag, "No progress lines; errors are still shown")
      ->group(running);
  auto* languageOption = AddChoice(app, "--lang", language, kLanguages,
                                   "Language of the progress lines and messages: Japanese or\n"
                                   "English. The files written are the same. Default: ja")
                             ->group(running);

  app.set_help_flag("-h,--help", "Show this help and exit")->group(running);
  app.set_version_flag("--version", std::string("talvero-convert ") + TALVERO_VERSION)
      ->group(running);

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    if (e.get_exit_code() == static_cast<int>(CLI::ExitCodes::Success)) {
      app.exit(e, out, out);
      return std::nullopt;
    }
    throw UsageError(e.what());
  }

  options.Image = Given(imageOption, image);
  options.Scene = Given(sceneOption, scene);
  options.Base = Given(baseOption, base);
  options.FromScene = Given(fromSceneOption, fromScene);
  options.Type = Chosen(typeOption, type, kTypes);
  options.Size = Chosen(sizeOption, size, kSizes);
  options.ImageType = Chosen(imageTypeOption, imageType, kImageTypes);
  options.Suffix = Chosen(suffixOption, suffix, kSuffixes);
  options.Images = !noImagesFlag;
  options.SceneFile = !noSceneFlag;
  options.Quiet = quietFlag;
  options.Language = Chosen(languageOption, language, kLanguages).value_or(TextLanguage::Japanese);
  options.Threads = threads;
  for (size_t i = 0; i < jobOptionRows.size(); ++i) {
    const JobOptionRow& row = jobOptionRows[i];
    if (const auto value =
            ParseJobOption(row, app.get_option(row.Flag), jobOptionTexts[i], options.LevelAuto))
      options.JobOptionValues.emplace_back(&row, *value);
  }
  options.ViewImage = Given(viewImageOption, viewImage);
  if (!options.ViewImage) {
    for (const CLI::Option* option : {viewOption, viewSizeOption, noViewGroundOption})
      if (option->count() > 0) throw UsageError(option->get_name() + " needs --view-image FILE");
  } else {
    if (!IsViewImageName(*options.ViewImage))
      throw UsageError("--view-image: '" + *options.ViewImage +
                       "' must end in .bmp, .jpg or .tif (the kind of image to write)");
    if (viewOption->count() > 0) ParseViewDirection(viewDirection, options.View);
    if (viewSizeOption->count() > 0) ParseViewSize(viewSize, options.View);
    options.View.Ground = !noViewGroundFlag;
    if (const std::string problem = options.View.Problem(); !problem.empty())
      throw UsageError("--view: " + problem);
  }
  if (!options.Images && !options.SceneFile && !options.ViewImage)
    throw UsageError("--no-images and --no-scene together leave nothing to do");
  if (!options.Images && !options.SceneFile && !options.Scene && !options.FromScene)
    throw UsageError(
        "--view-image with --no-images and --no-scene needs the scene to view "
        "(--from-scene FILE)");

  if (const auto chosen = Chosen(formatOption, format, formats)) {
    options.Format = *chosen;
  } else {
    const std::optional<std::string>& sceneName = options.Scene ? options.Scene : options.FromScene;
    options.Format = (sceneName ? SceneFormatOfFile(*sceneName) : std::nullopt).value_or(sfFMS);
  }
  for (const std::string& text : sets) {
    try {
      options.Settings.push_back(ParseParameterSetting(options.Format, text));
    } catch (const ConvertError& e) {
      throw UsageError(std::string("--set: ") + e.what());
    }
  }
  return options;
}

}  // namespace talvero
