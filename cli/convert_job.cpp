#include "cli/convert_job.h"

#include <new>
#include <string>
#include <vector>

#include "cli/console_output.h"
#include "engine/image_stage.h"
#include "engine/sim_filer.h"
#include "formats/scene_format.h"
#include "formats/scene_stage.h"
#include "imaging/xmp_pose.h"
#include "sceneview/scene_view.h"
#include "support/cancellation.h"
#include "support/errors.h"
#include "support/file_util.h"
#include "support/parallel.h"
#include "support/platform/interrupt.h"

namespace talvero {

namespace {

const char* const kNothingToDo =
    "talvero-convert: nothing to do. Convert a panorama into scenery with\n"
    "  talvero-convert --image PANORAMA.jpg --scene FOLDER/NAME.scn\n"
    "Run 'talvero-convert --help' for every option.\n";

// Reads the job recorded in a scene file as the window's scene file command does, with the
// reader of the format its name belongs to. The values read are carried over to the other
// formats' holders, for a job that changes the format.
void RestoreFromScene(TSimFiler& filer, const std::string& fileName) {
  if (!FileExists(fileName))
    throw FileError("cannot read scene file '" + fileName + "': no such file");
  const SceneFormatDescription& format = DescriptionOf(SceneFormatOfFile(fileName).value_or(sfFMS));
  if (!RestoreJob(filer, format.Format, fileName))
    throw Error("'" + fileName + "' holds no job talvero-convert can read (" + format.FilesInWords +
                " expected)");
  for (const SceneFormatDescription& other : SceneFormats())
    if (other.Format != format.Format) other.Holder(filer).CopyFrom(format.Holder(filer));
}

// The scene file's folder is where every output goes; a bare name means the current folder
// (the engine itself refuses a scene file without a folder).
std::string SceneFileName(const ConvertOptions& options) {
  const std::string name = options.Scene       ? *options.Scene
                           : options.FromScene ? *options.FromScene
                                               : std::string();
  if (name.empty() || !ExtractFilePath(name).empty()) return name;
  // Plain text: std::filesystem would take the name for the ANSI code page on Windows.
  return "./" + name;
}

// Renders the job's scene file as the simulator will show it. Images it cannot use are
// named in warnings; they do not fail the view.
void WriteSceneView(const TSimFiler& filer, const ConvertOptions& options, ConsoleOutput& console) {
  const std::string scene = filer.GetSceneFilename();
  console.Progress("scene view: " + *options.ViewImage, spAppend);
  const LoadedScene loaded(ReadSceneModel(scene, filer.GetSceneFormat()));
  for (const MissingImage& missing : loaded.Missing())
    console.Warning("the scene's image '" + missing.Name + "' cannot be shown (" + missing.Problem +
                    "); its faces are drawn in magenta");
  SceneRenderer renderer;
  WriteViewImage(*options.ViewImage, renderer.Render(loaded, options.View));
}

// --level auto: the pose recorded in the panorama's XMP, said in one line; none is a note.
void LevelFromFile(TSimFiler& filer, ConsoleOutput& console) {
  const std::string image = filer.GetImageFileName();
  if (image.empty() || !FileExists(image)) return;  // the image stage says what is wrong
  const std::optional<CameraPose> pose = ReadCameraPose(image);
  if (!pose) {
    console.Progress("level: note: '" + image + "' records no camera pose (XMP GPano:PosePitchDegrees, "
                     "GPano:PoseRollDegrees); it is used as it is",
                     spAppend);
    filer.SetLevelPitch(Currency());
    filer.SetLevelRoll(Currency());
    return;
  }
  const Currency pitch = Currency::FromLongDouble(pose->Pitch);
  const Currency roll = Currency::FromLongDouble(pose->Roll);
  console.Progress("level: camera pose from the XMP of '" + image + "': pitch " +
                       pitch.ToGeneralString() + "°, roll " + roll.ToGeneralString() + "°",
                   spAppend);
  filer.SetLevelPitch(pitch);
  filer.SetLevelRoll(roll);
}

}  // namespace

void BuildJob(TSimFiler& filer, const ConvertOptions& options) {
  // The window's defaults.
  filer.ResetJob();
  filer.SetSceneType(stCube);
  filer.SetCubeSuffix(csLeft);
  filer.SetImageSizeMode(ismNormal);
  filer.SetExtractImageType(eiBitmap);
  if (options.FromScene) RestoreFromScene(filer, *options.FromScene);

  filer.SetSceneFormat(options.Format);
  if (options.Image) filer.SetImageFileName(*options.Image);
  const std::string scene = SceneFileName(options);
  filer.SetSceneFilename(scene);
  if (options.Base)
    filer.SetTextureBasename(*options.Base);
  else if (filer.GetTextureBasename().empty())
    filer.SetTextureBasename(ExtractFileName(ChangeFileExt(scene, "")));
  if (options.Type) filer.SetSceneType(*options.Type);
  if (options.Suffix) filer.SetCubeSuffix(*options.Suffix);
  if (options.Size) filer.SetImageSizeMode(*options.Size);
  if (options.ImageType) filer.SetExtractImageType(*options.ImageType);
  for (const auto& [row, value] : options.JobOptionValues) filer.SetJobOption(*row, value);
  for (const ParameterSetting& setting : options.Settings) setting.ApplyTo(filer);
}

namespace {

// The job itself: 0 when every output asked for was written, else 1.
int RunJob(TSimFiler& filer, const ConvertOptions& options, ConsoleOutput& console,
           ConsoleErrorReporter& reporter, std::ostream& out) {
  BuildJob(filer, options);
  if (reporter.Count() > 0) return 1;
  if (options.LevelAuto) LevelFromFile(filer, console);

  // The scene writers take their texture names from the prepared list, so it is made
  // first even when only the scene file is wanted.
  filer.PrepareOutputNames();
  const JobSettings settings = filer.TakeJobSettings();
  // The stages' lines go to the console; the files they put in place make the list.
  StringList written;
  const JobContext context(
      [&](const ProgressEvent& event) {
        if (event.Step == ProgressStep::FileWritten) written.push_back(event.File);
        if (const auto line = ConsoleLine(event)) console.Progress(line->Text, line->Mode);
      },
      &reporter, filer.Cancellation());
  if (options.Images) {
    RunImageStage(settings, context);
    if (reporter.Count() > 0) return 1;
  }
  if (options.SceneFile) {
    RunSceneStage(settings, context);
    if (reporter.Count() > 0) return 1;
  }
  if (options.ViewImage) {
    WriteSceneView(filer, options, console);
    written.push_back(*options.ViewImage);
  }
  // A signal after the last check still ends the run as cancelled: its files are complete,
  // but the status must tell the shell that the user interrupted.
  if (filer.Cancellation().Cancelled()) return 1;
  console.EndLine();
  for (const std::string& file : written) out << file << '\n';
  out.flush();
  return 0;
}

}  // namespace

int RunConversion(const ConvertOptions& options, std::ostream& out, std::ostream& err) {
  SetTextLanguage(options.Language);
  ConsoleOutput console(err, options.Quiet);
  ConsoleErrorReporter reporter(console);
  ScopedErrorReporter scopedReporter(reporter);
  int status = 1;
  auto filer = TSimFiler::Create();
  filer->SetErrorReporter(&reporter);
  {
    const platform::InterruptCancellation interrupts(filer->Cancellation());
    try {
      if (options.Threads > 0) SetMaxWorkerThreads(options.Threads);
      status = RunJob(*filer, options, console, reporter, out);
    } catch (const std::bad_alloc&) {
      console.Error("out of memory");
    } catch (const CancelledError&) {
      reporter.ShowError(kCancelledMessage);
    } catch (const std::exception& e) {
      console.Error(e.what());
    }
    if (const int interrupted = platform::InterruptCancellation::ExitStatus(); interrupted != 0) {
      if (reporter.LastMessage() != kCancelledMessage) reporter.ShowError(kCancelledMessage);
      status = interrupted;
    }
  }
  return status;
}

int ConverterMain(int argc, const char* const* argv, std::ostream& out, std::ostream& err) {
  if (argc <= 1) {
    err << kNothingToDo;
    return 2;
  }
  std::optional<ConvertOptions> options;
  try {
    options = ParseCommandLine(argc, argv, out);
  } catch (const UsageError& e) {
    err << "talvero-convert: error: " << e.what() << "\n"
        << "Run 'talvero-convert --help' for the options.\n";
    return 2;
  }
  if (!options) return 0;
  return RunConversion(*options, out, err);
}

}  // namespace talvero
