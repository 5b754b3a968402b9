// The conversion engine: job settings, the two parameter holders, progress reporting,
// validation and the entry points of the two stages, which take the settings once
// (engine/job_settings.h) and run over them (engine/image_stage.h, formats/scene_stage.h).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "engine/cube_map.h"
#include "engine/data_holders.h"
#include "engine/enums.h"
#include "engine/error_reporter.h"
#include "engine/image_stage.h"
#include "engine/job_context.h"
#include "engine/job_options.h"
#include "engine/job_settings.h"
#include "engine/notify_persistent.h"
#include "imaging/image_codecs.h"
#include "support/cancellation.h"

namespace talvero {

class TSimFiler;

using StringList = std::vector<std::string>;
using TSimProgressEvent =
    std::function<void(TSimFiler& sender, const std::string& text, TSimProgressMode mode)>;

class TSimFiler : public TNotifyPersistent {
 public:
  // Builds an engine of type T and lets it create its holders through the virtual factory
  // (which a constructor cannot do in C++). Use this instead of plain construction.
  template <typename T = TSimFiler, typename... Args>
  static std::unique_ptr<T> Create(Args&&... args) {
    std::unique_ptr<T> filer(new T(std::forward<Args>(args)...));
    filer->CreateDataHolders();
    return filer;
  }

  TSimFiler() = default;
  ~TSimFiler() override;
  TSimFiler(const TSimFiler&) = delete;
  TSimFiler& operator=(const TSimFiler&) = delete;

  // ---- Job settings. Engine code reads them only through these accessors, so a subclass
  // that serves them from controls is obeyed everywhere.
  virtual TCubeSuffix GetCubeSuffix() const { return FCubeSuffix; }
  virtual void SetCubeSuffix(TCubeSuffix value) { SetAndNotify(FCubeSuffix, value); }
  virtual TExtractImageType GetExtractImageType() const { return FExtractImageType; }
  virtual void SetExtractImageType(TExtractImageType value) { SetAndNotify(FExtractImageType, value); }
  virtual std::string GetImageFileName() const { return FImageFileName; }
  virtual void SetImageFileName(const std::string& value) { SetAndNotify(FImageFileName, value); }
  virtual TImageSizeMode GetImageSizeMode() const { return FImageSizeMode; }
  virtual void SetImageSizeMode(TImageSizeMode value) { SetAndNotify(FImageSizeMode, value); }
  virtual std::string GetSceneFilename() const { return FSceneFilename; }
  virtual void SetSceneFilename(const std::string& value) { SetAndNotify(FSceneFilename, value); }
  virtual TSceneFormat GetSceneFormat() const { return FSceneFormat; }
  virtual void SetSceneFormat(TSceneFormat value) { SetAndNotify(FSceneFormat, value); }
  virtual TSceneType GetSceneType() const { return FSceneType; }
  virtual void SetSceneType(TSceneType value) { SetAndNotify(FSceneType, value); }
  virtual std::string GetTextureBasename() const { return FTextureBasename; }
  virtual void SetTextureBasename(const std::string& value) { SetAndNotify(FTextureBasename, value); }

  // Beyond the classic job (engine/job_options.h): levelling, the camera pose to undo in
  // degrees, and the sampling quality. With all at their defaults every output is the
  // classic one. A subclass serves the whole value from its controls.
  virtual JobOptions GetJobOptions() const { return FJobOptions; }
  virtual void SetJobOptions(const JobOptions& value) { SetAndNotify(FJobOptions, value); }
  JobOptionValue GetJobOption(const JobOptionRow& row) const { return row.Get(GetJobOptions()); }
  void SetJobOption(const JobOptionRow& row, const JobOptionValue& value);
  Currency GetLevelPitch() const { return GetJobOptions().LevelPitch; }
  void SetLevelPitch(Currency value);
  Currency GetLevelRoll() const { return GetJobOptions().LevelRoll; }
  void SetLevelRoll(Currency value);
  TImageQuality GetImageQuality() const { return GetJobOptions().ImageQuality; }
  void SetImageQuality(TImageQuality value);
  bool Levelled() const { return GetJobOptions().Levelled(); }

  // The folder of the scene file including its trailing separator; empty for a bare name.
  virtual std::string GetSceneFolder() const;

  // ---- Parameter holders, owned by the engine.
  TFMSDataHolder& FMSData() const;
  TRCPDataHolder& RCPData() const;

  // Both holders to their defaults and the three names empty; the enumerations stay.
  void ResetJob();

  // ---- Progress and errors.
  TSimProgressEvent OnProgress;
  void Progress(const std::string& text, TSimProgressMode mode);
  // The modal error box: the engine's own reporter when one is set, else the shared one.
  void ShowError(const std::string& message);
  void SetErrorReporter(TErrorReporter* reporter) { FErrorReporter = reporter; }

  // ---- Cancellation. Anyone may set the flag while a stage runs (a signal handler, the
  // window's cancel command, another thread); the stages check it between rows, strips and
  // files. A cancelled stage removes its temporary files, leaves every file it had not yet
  // replaced as it was, reports kCancelledMessage through ShowError and returns. The flag
  // stays set (a later stage is cancelled at once) until the caller resets it for a new job.
  CancellationFlag& Cancellation() { return FCancellation; }
  const CancellationFlag& Cancellation() const { return FCancellation; }

  // ---- The job's settings read once, as a stage starts: UpdateFaceSize, then every setting
  // through the accessors (JobSettings::From). The stages run over that value, never asking
  // the accessors again, so a caller may run them on another thread.
  JobSettings TakeJobSettings();
  // The progress, error box and cancellation of this engine, for a stage.
  JobContext Context();

  // ---- Validation and face size (each over the settings of this moment).
  // True when the image stage may run; a failing check has already shown its message.
  virtual bool CheckImageJob();
  // True when the scene settings are complete; shared by both stages.
  bool CheckSceneJob();
  virtual void UpdateFaceSize();
  int32_t FaceSize() const { return FFaceSize; }

  // ---- Output image names.
  // Rebuilds ImageNames from the scene type, naming rule, base name and image type.
  virtual void PrepareOutputNames();
  // The first prepared name, or empty.
  std::string FirstImageName() const;
  const StringList& ImageNames() const { return FImageNames; }

  // ---- Panorama loading and image output (engine/image_stage.h has the same over a job's
  // settings).
  static constexpr int32_t kMinPanoramaHeight = talvero::kMinPanoramaHeight;
  // The kind of an image file by its extension alone, letter case ignored.
  static ImageFormat ImageFileKind(const std::string& fileName);
  bool ReadImageFile(Bitmap& target, const std::string& fileName,
                     const ImageSizeObserver& onSize = {});
  bool LoadPanorama(Bitmap& target, const ImageSizeObserver& onSize = {});
  // The width LoadPanorama ends with for a file of that size (normalised or not).
  static int32_t NormalizedWidth(int32_t width, int32_t height);
  void NormalizeSize(Bitmap& image);
  // The preview: ImageFileName decoded at its natural size, the codec chosen by content.
  // False (picture emptied) when there is no such file or its kind is unsupported (after
  // the error box).
  bool LoadPicture(Bitmap& picture);
  // Writes a 24-bit image in the format of ExtractImageType.
  virtual void SaveImage(const Bitmap& image, const std::string& path);
  // The same with the type given: touches no setting, so it may run on any thread.
  static void SaveImageAs(const Bitmap& image, const std::string& path, TExtractImageType type);
  // Encodes into an open file and leaves the commit to the caller; any thread.
  static void EncodeImageAs(AtomicFileWriter& file, const Bitmap& image, TExtractImageType type);
  void WriteVistaTexture();
  void EnsureVistaTexture();
  // The TIFF encoder of SaveImage.
  void WriteTiff(const std::string& path, const Bitmap& image) const;

  // ---- The image stage (engine/image_stage.h) and its cube and sphere work.
  void RunImageStage();
  void ExtractFaces(Bitmap& panorama);
  // The classic job's map (cube_job.cpp).
  virtual void BuildCubeMap(int32_t f, TmxCurrencyUV& map);
  // The strip-by-strip warp (engine/cube_reference.h), which the default job reproduces in
  // less memory; tests and the benchmark compare the two.
  void WarpCubeStrips(Bitmap& panorama);
  void WarpImage(Bitmap& target, const Bitmap& source, const TmxCurrencyUV& map);
  void AssembleCapFace(Bitmap& face, const Bitmap& capStrip, int mode);
  // Cuts, assembles, resamples and writes the six faces of a warped panorama.
  void WriteCubeFaces(const Bitmap& panorama);
  void WriteSphereTiles(const Bitmap& panorama);
  // Pitch within -90 ... 90 and roll within -180 ... 180 degrees.
  static bool LevelInRange(Currency pitch, Currency roll);

  // ---- The scene stage (formats/scene_stage.cpp, the one member defined in the layer above:
  // the scene files are written there).
  void RunSceneStage();

  // Ground-data lines kept from the last FMS scene file read and copied into later headers:
  // the bytes the file held (code page 932, undecoded), so they are written back unchanged.
  StringList& GroundDataLines() { return FGroundDataLines; }
  const StringList& GroundDataLines() const { return FGroundDataLines; }

 protected:
  // For a subclass that asks for another output size (tests at small sizes).
  void SetFaceSize(int32_t size) { FFaceSize = size; }
  // Creates the two holders; a subclass overrides it to create bound ones.
  virtual void CreateDataHolders();
  void SetDataHolders(std::unique_ptr<TFMSDataHolder> fms, std::unique_ptr<TRCPDataHolder> rcp);

 private:
  TCubeSuffix FCubeSuffix = csLeft;
  TExtractImageType FExtractImageType = eiBitmap;
  std::string FImageFileName;
  TImageSizeMode FImageSizeMode = ismSmall;
  std::string FSceneFilename;
  TSceneFormat FSceneFormat = sfFMS;
  TSceneType FSceneType = stCube;
  std::string FTextureBasename;
  JobOptions FJobOptions;
  std::unique_ptr<TFMSDataHolder> FFMSData;
  std::unique_ptr<TRCPDataHolder> FRCPData;
  int32_t FFaceSize = 0;
  StringList FImageNames;
  StringList FGroundDataLines;
  TErrorReporter* FErrorReporter = nullptr;
  CancellationFlag FCancellation;
};

}  // namespace talvero
