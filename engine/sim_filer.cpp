#include "engine/sim_filer.h"

#include <array>
#include <stdexcept>

#include "engine/cube_faces.h"
#include "engine/cube_reference.h"
#include "engine/job_checks.h"
#include "imaging/bitmap.h"
#include "support/file_util.h"

namespace talvero {

TSimFiler::~TSimFiler() = default;

void TSimFiler::SetJobOption(const JobOptionRow& row, const JobOptionValue& value) {
  JobOptions options = GetJobOptions();
  row.Set(options, value);
  SetJobOptions(options);
}

void TSimFiler::SetLevelPitch(Currency value) {
  JobOptions options = GetJobOptions();
  options.LevelPitch = value;
  SetJobOptions(options);
}

void TSimFiler::SetLevelRoll(Currency value) {
  JobOptions options = GetJobOptions();
  options.LevelRoll = value;
  SetJobOptions(options);
}

void TSimFiler::SetImageQuality(TImageQuality value) {
  JobOptions options = GetJobOptions();
  options.ImageQuality = value;
  SetJobOptions(options);
}

std::string TSimFiler::GetSceneFolder() const { return ExtractFilePath(GetSceneFilename()); }

TFMSDataHolder& TSimFiler::FMSData() const {
  if (!FFMSData) throw std::logic_error("TSimFiler used without holders: build it with TSimFiler::Create");
  return *FFMSData;
}

TRCPDataHolder& TSimFiler::RCPData() const {
  if (!FRCPData) throw std::logic_error("TSimFiler used without holders: build it with TSimFiler::Create");
  return *FRCPData;
}

void TSimFiler::CreateDataHolders() {
  SetDataHolders(std::make_unique<TFMSDataHolder>(), std::make_unique<TRCPDataHolder>());
}

void TSimFiler::SetDataHolders(std::unique_ptr<TFMSDataHolder> fms, std::unique_ptr<TRCPDataHolder> rcp) {
  FFMSData = std::move(fms);
  FRCPData = std::move(rcp);
}

void TSimFiler::ResetJob() {
  FMSData().SetDefaults();
  RCPData().SetDefaults();
  SetImageFileName("");
  SetSceneFilename("");
  SetTextureBasename("");
}

void TSimFiler::Progress(const std::string& text, TSimProgressMode mode) {
  if (OnProgress) OnProgress(*this, text, mode);
}

void TSimFiler::ShowError(const std::string& message) {
  if (FErrorReporter)
    FErrorReporter->ShowError(message);
  else
    talvero::ShowError(message);
}

JobSettings TSimFiler::TakeJobSettings() {
  UpdateFaceSize();
  return JobSettings::From(*this);
}

JobContext TSimFiler::Context() {
  return JobContext(
      [this](const ProgressEvent& event) {
        if (const auto line = ConsoleLine(event)) Progress(line->Text, line->Mode);
      },
      FErrorReporter, FCancellation);
}

bool TSimFiler::CheckSceneJob() {
  return talvero::CheckSceneJob(JobSettings::From(*this), Context());
}

bool TSimFiler::CheckImageJob() {
  return talvero::CheckImageJob(JobSettings::From(*this), Context());
}

void TSimFiler::UpdateFaceSize() { FFaceSize = FaceSizeFor(GetSceneType(), GetImageSizeMode()); }

void TSimFiler::PrepareOutputNames() {
  using Suffixes = std::array<const char*, 6>;
  static constexpr Suffixes kLeftSuffixes = {"_left", "_front", "_right", "_back", "_top", "_bottom"};
  static constexpr Suffixes kZeroSuffixes = {"_3", "_0", "_1", "_2", "_4", "_5"};
  static constexpr std::array<const char*, 3> kExtensions = {".bmp", ".jpg", ".tif"};

  FImageNames.clear();
  const std::string base = GetTextureBasename();
  if (GetSceneType() == stSphere) {
    for (int band = 1; band <= 3; ++band)
      for (int tile = 1; tile <= (band == 1 ? 4 : 8); ++tile)
        FImageNames.push_back(base + "_" + std::to_string(band) + std::to_string(tile));
  } else {
    const auto& suffixes = GetCubeSuffix() == csZero ? kZeroSuffixes : kLeftSuffixes;
    for (const char* suffix : suffixes) FImageNames.push_back(base + suffix);
  }
  const TExtractImageType type = GetExtractImageType();
  const char* extension = kExtensions[type <= eiTiff ? type : eiBitmap];
  for (std::string& name : FImageNames) name += extension;
}

std::string TSimFiler::FirstImageName() const {
  return FImageNames.empty() ? std::string() : FImageNames.front();
}

// ---- The entry points of the image side, each over the settings of this moment.

void TSimFiler::RunImageStage() { talvero::RunImageStage(TakeJobSettings(), Context()); }

void TSimFiler::ExtractFaces(Bitmap& panorama) {
  talvero::ExtractFaces(panorama, JobSettings::From(*this), Context());
}

bool TSimFiler::ReadImageFile(Bitmap& target, const std::string& fileName,
                              const ImageSizeObserver& onSize) {
  return talvero::ReadImageFile(target, fileName, Context(), onSize);
}

bool TSimFiler::LoadPanorama(Bitmap& target, const ImageSizeObserver& onSize) {
  return talvero::LoadPanorama(target, JobSettings::From(*this), Context(), onSize);
}

void TSimFiler::NormalizeSize(Bitmap& image) {
  talvero::NormalizeSize(image, GetImageQuality(), Context());
}

void TSimFiler::SaveImage(const Bitmap& image, const std::string& path) {
  SaveImageAs(image, path, GetExtractImageType());
}

void TSimFiler::WriteVistaTexture() {
  talvero::WriteVistaTexture(JobSettings::From(*this), Context());
}

void TSimFiler::EnsureVistaTexture() {
  talvero::EnsureVistaTexture(JobSettings::From(*this), Context());
}

void TSimFiler::BuildCubeMap(int32_t f, TmxCurrencyUV& map) {
  talvero::BuildCubeMap(f, map, Context());
}

void TSimFiler::WarpCubeStrips(Bitmap& panorama) { talvero::WarpCubeStrips(panorama, Context()); }

void TSimFiler::WarpImage(Bitmap& target, const Bitmap& source, const TmxCurrencyUV& map) {
  talvero::WarpImage(target, source, map, Context());
}

void TSimFiler::AssembleCapFace(Bitmap& face, const Bitmap& capStrip, int mode) {
  talvero::AssembleCapFace(face, capStrip, mode, Context());
}

void TSimFiler::WriteCubeFaces(const Bitmap& panorama) {
  talvero::WriteCubeFaces(panorama, JobSettings::From(*this), Context());
}

void TSimFiler::WriteSphereTiles(const Bitmap& panorama) {
  talvero::WriteSphereTiles(panorama, JobSettings::From(*this), Context());
}

}  // namespace talvero
