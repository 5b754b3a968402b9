// The conversion engine: job settings, the two parameter holders, progress reporting,
// validation and (in the files named in each section) the stages of a job.
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

  // Beyond the classic job (direct_faces.cpp): levelling, the camera pose to undo in
  // degrees (GPano:PosePitchDegrees and PoseRollDegrees), and the sampling quality. With
  // both at their defaults every output is the classic one.
  virtual Currency GetLevelPitch() const { return FLevelPitch; }
  virtual void SetLevelPitch(Currency value) { SetAndNotify(FLevelPitch, value); }
  virtual Currency GetLevelRoll() const { return FLevelRoll; }
  virtual void SetLevelRoll(Currency value) { SetAndNotify(FLevelRoll, value); }
  virtual TImageQuality GetImageQuality() const { return FImageQuality; }
  virtual void SetImageQuality(TImageQuality value) { SetAndNotify(FImageQuality, value); }
  bool Levelled() const { return GetLevelPitch() != Currency() || GetLevelRoll() != Currency(); }
  // Pitch within -90 ... 90 and roll within -180 ... 180 degrees.
  static bool LevelInRange(Currency pitch, Currency roll);

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
  // CancelledError when the job has been cancelled.
  void CheckCancelled() const { FCancellation.ThrowIfCancelled(); }

  // ---- Validation and face size.
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
  // ImageNames, after checking it was prepared for `type` (6 or 20 names); Error otherwise.
  const StringList& RequireImageNames(TSceneType type) const;

  // ---- Panorama loading and image output (panorama_loader.cpp, image_output.cpp).
  // A panorama smaller than this (after normalisation) cannot be divided into faces.
  static constexpr int32_t kMinPanoramaHeight = 40;
  // The kind of an image file by its extension alone, letter case ignored.
  static ImageFormat ImageFileKind(const std::string& fileName);
  // Fills `target` from the file, accepted by its name and read by its content
  // (ChooseReader). False, with `target` untouched, when no such file exists
  // or its kind is unsupported (after the error box); ImageError or FileError when it
  // cannot be read, again with `target` untouched.
  // `onSize` learns the file's size before its pixels are decoded.
  bool ReadImageFile(Bitmap& target, const std::string& fileName,
                     const ImageSizeObserver& onSize = {});
  // Reads ImageFileName and normalises its size. True when `target` holds a panorama the
  // projections can use; false after the unsupported-file box. A missing, unreadable or
  // too small file raises an exception.
  bool LoadPanorama(Bitmap& target, const ImageSizeObserver& onSize = {});
  // The width LoadPanorama ends with for a file of that size (normalised or not).
  static int32_t NormalizedWidth(int32_t width, int32_t height);
  // Makes `image` 24-bit, twice as wide as high, its width a multiple of 8 and at least 8192.
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
  // Draws the 255 × 255 "fms_vista" texture and saves it in the scene folder.
  void WriteVistaTexture();
  // WriteVistaTexture only when its file does not exist yet.
  void EnsureVistaTexture();
  // Where the texture goes: ".jpg" for JPEG output, else ".bmp" (TIFF output too).
  std::string VistaTexturePath() const;
  // The TIFF encoder of SaveImage.
  void WriteTiff(const std::string& path, const Bitmap& image) const;

  // ---- Cube faces, sphere tiles and the image stage (cube_faces.cpp, sphere_tiles.cpp,
  // image_stage.cpp).
  // Checks the job, loads the panorama, writes the divided images and, for FMS, the vista
  // texture. Validation failures are shown and end the stage; file and codec errors are
  // exceptions.
  void RunImageStage();
  // The image work of the current scene type on a loaded, normalised panorama.
  void ExtractFaces(Bitmap& panorama);
  // Whether the cube job uses the map of the default geometry, one for the four strips and
  // mirrored within each (built ahead, while the panorama decodes, when a core is free). A
  // job whose map differs (a levelled view, another sampler) answers false and has its faces
  // made by WriteCubeFacesDirect.
  virtual bool UsesSharedCubeMap() const {
    return GetSceneType() == stCube && !Levelled() && GetImageQuality() == iqExact;
  }
  // Builds the cube map and warps the four quarters of the panorama in place.
  void WarpCubeStrips(Bitmap& panorama);
  // Fills the inverse map for strips of 2f × 4f pixels.
  virtual void BuildCubeMap(int32_t f, TmxCurrencyUV& map);
  // Inverse-maps `source` into `target` (which takes the source's size) through the map.
  void WarpImage(Bitmap& target, const Bitmap& source, const TmxCurrencyUV& map);
  // WarpImage reading the strip straight out of a wider image, from column `sourceLeft`.
  void WarpStrip(Bitmap& target, const Bitmap& source, int32_t sourceLeft, const TmxCurrencyUV& map);
  // Cuts, assembles, resamples and writes the six faces of a warped panorama.
  void WriteCubeFaces(const Bitmap& panorama);
  // The cube job of the default geometry (cube_job.cpp): the same files and progress as
  // WarpCubeStrips and WriteCubeFaces, made in less memory and with both cores busy.
  void WriteCubeJob(Bitmap& panorama);
  // WarpCubeStrips's bytes, with all four strips warped in place together, row by row,
  // through a few row slots. rowFinal(y) runs on the calling thread once panorama row y
  // holds its warped pixels for good.
  void WarpCubeStripsInPlace(Bitmap& panorama, const TmxCurrencyUV& map,
                             const std::function<void(int32_t)>& rowFinal = {});
  // Builds the top (mode 0) or bottom (mode 1) face from its four cap triangles.
  void AssembleCapFace(Bitmap& face, const Bitmap& capStrip, int mode);
  // Pads the panorama and writes the twenty sphere tiles (high quality: filtered and enlarged
  // smoothly).
  void WriteSphereTiles(const Bitmap& panorama);
  // The levelled or high-quality cube: every face rendered straight from the panorama through
  // the turned view directions (the warp's symmetric map does not apply), at the warp's
  // resolution and then stretched as the classic job does (exact), or at the output size with each
  // pixel filtered over its footprint (high).
  void WriteCubeFacesDirect(const Bitmap& panorama);
  // Re-projects the panorama once so that its horizon is level (sphere tiles are then cut
  // from it as usual).
  void LevelPanorama(Bitmap& panorama);
  // ImageError unless the panorama can be divided into eighths: 24 bits, a width that is a
  // multiple of 8, the height half the width and at least the minimum height.
  static void RequireDivisiblePanorama(const Bitmap& panorama, const std::string& work);

  // ---- The scene stage (scene_stage.cpp): checks the job and writes the scene file of the
  // current format and type (and, for FMS, the vista texture when it is missing).
  void RunSceneStage();

  // Ground-data lines kept from the last FMS scene file read and copied into later headers:
  // the bytes the file held (code page 932, undecoded), so they are written back unchanged.
  StringList& GroundDataLines() { return FGroundDataLines; }
  const StringList& GroundDataLines() const { return FGroundDataLines; }

  // ---- Scene mesh arrays (formats/scene_mesh.cpp). They exist for one scene-file job:
  // InitMeshArrays builds them for the current format and type, FreeMeshArrays releases them.
  void InitMeshArrays();
  void FreeMeshArrays();
  void FillFmsCube();
  void FillRcpCube();
  void FillFmsSphere();
  void FillRcpSphere();
  const TmxTriPoint& Vertices() const { return FVertices; }
  const TmxUvPoint& TopBandUv() const { return FTopBandUv; }
  const TmxUvPoint& FaceUv() const { return FFaceUv; }
  double UvSpan() const { return FUvSpan; }
  double UvMargin() const { return FUvMargin; }

  // ---- FMS scene file (formats/fms_scene_writer.cpp, formats/fms_scene_reader.cpp).
  // The writers need the mesh arrays of the matching type and the prepared ImageNames; they
  // save SceneFilename in one step, or nothing when any value cannot be written.
  void WriteFmsCube();
  void WriteFmsSphere();
  // Restores the job from a scene file; false when the file is missing or not usable. Values
  // are set as they are read, so they stay set when reading stops early.
  bool ReadFmsScene(const std::string& fileName);

  // ---- RCPSim scene files (formats/x_scene_writer.cpp, formats/x_scene_reader.cpp,
  // formats/xscn_file.cpp). The ".x" writers need the mesh arrays of the matching type and the
  // prepared ImageNames; they save SceneFilename with the extension ".x" and only then the
  // ".xscn" file, each in one step, or nothing when any value cannot be written.
  void WriteXCube();
  void WriteXSphere();
  // Appends the "sf_" comment block of the ".x" file, with the current values.
  void WriteXHeader(StringList& lines) const;
  // Saves the ".xscn" file: light settings and aircraft position from RCPData.
  void WriteXscn();
  // Restores the job from a ".x" file: true after an "sf_TextureBasename" line or a usable
  // "TextureFilename" block; false when the file is missing or holds neither. Values are set
  // as they are read.
  bool ReadXScene(const std::string& fileName);
  // TextureBasename (and for a cube CubeSuffix) from the image name on lines[i + 1].
  void ReadXTextureName(const std::string& fileName, const StringList& lines, size_t i);
  // Restores the light settings and the aircraft position; true when a "Plane" line was read.
  // FileError when the file cannot be read.
  bool ReadXscn(const std::string& fileName);

 protected:
  // For a subclass that asks for another output size (tests at small sizes).
  void SetFaceSize(int32_t size) { FFaceSize = size; }
  // Creates the two holders; a subclass overrides it to create bound ones.
  virtual void CreateDataHolders();
  void SetDataHolders(std::unique_ptr<TFMSDataHolder> fms, std::unique_ptr<TRCPDataHolder> rcp);

 private:
  // The cube map built beside the decoding (cube_job.cpp); exists only while a stage runs.
  struct CubeMapAhead;
  void StartCubeMapAhead(int32_t width, int32_t height);
  std::shared_ptr<CubeMapAhead> FCubeMapAhead;
  // A cube face made and encoded ahead of its turn (cube_faces.cpp): face i of a panorama
  // whose rows of that face are final, on a thread of its own.
  struct EarlyFace;
  std::shared_ptr<EarlyFace> StartEarlyFace(const Bitmap& panorama, int i);
  // WriteCubeFaces, taking the faces of `early` (by index, where set) as they were made.
  void WriteCubeFacesWith(const Bitmap& panorama,
                          const std::vector<std::shared_ptr<EarlyFace>>& early);

  TCubeSuffix FCubeSuffix = csLeft;
  TExtractImageType FExtractImageType = eiBitmap;
  std::string FImageFileName;
  TImageSizeMode FImageSizeMode = ismSmall;
  std::string FSceneFilename;
  TSceneFormat FSceneFormat = sfFMS;
  TSceneType FSceneType = stCube;
  std::string FTextureBasename;
  Currency FLevelPitch, FLevelRoll;
  TImageQuality FImageQuality = iqExact;
  std::unique_ptr<TFMSDataHolder> FFMSData;
  std::unique_ptr<TRCPDataHolder> FRCPData;
  int32_t FFaceSize = 0;
  StringList FImageNames;
  StringList FGroundDataLines;
  TErrorReporter* FErrorReporter = nullptr;
  CancellationFlag FCancellation;
  TmxTriPoint FVertices;
  TmxUvPoint FTopBandUv;
  TmxUvPoint FFaceUv;
  double FUvSpan = 0;
  double FUvMargin = 0;
};

// Progress held back and shown later in one piece (a face's lines wait until the face may be
// written).
class ProgressLines {
 public:
  void Add(std::string text, TSimProgressMode mode) { FLines.emplace_back(std::move(text), mode); }
  void ShowOn(TSimFiler& filer) const {
    for (const auto& [text, mode] : FLines) filer.Progress(text, mode);
  }

 private:
  std::vector<std::pair<std::string, TSimProgressMode>> FLines;
};

}  // namespace talvero
