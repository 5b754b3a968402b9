#include "engine/sim_filer.h"

#include <array>
#include <cstdio>
#include <stdexcept>

#include "support/errors.h"
#include "support/file_util.h"
#include "support/text_catalogue.h"
#include "support/text_encoding.h"

namespace talvero {

TSimFiler::~TSimFiler() = default;

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

namespace {

// The character of the base name that cannot be in it, as the message shows it; empty when
// the name is usable. The name is the stem of every image name, so it must stay a file name
// in the scene folder (no separator of either system: the simulators run on Windows); it is
// written into scene files, so it holds no control character (a line break would split its
// line) and code page 932 must store it as itself. A DirectX mesh file holds the image
// names between double quotes, so an RCPSim job cannot have one in the name either.
std::string UnusableBasenameChar(const std::string& name, TSceneFormat format) {
  for (const unsigned char c : name) {
    if (c < 0x20 || c == 0x7F) {
      char code[12];
      std::snprintf(code, sizeof code, "U+%04X", c);  // an invisible one by its code
      return Localized(" %1 ", {code});
    }
    if (c == '/' || c == '\\' || (c == '"' && format == sfRCP))
      return Localized("「%1」", {std::string(1, static_cast<char>(c))});
  }
  const std::string bad = FirstCharNotInCp932(name);
  return bad.empty() ? bad : Localized("「%1」", {bad});
}

}  // namespace

bool TSimFiler::CheckSceneJob() {
  const std::string sceneFile = GetSceneFilename();
  if (sceneFile.empty()) {
    ShowError(Localized("シーンファイル名：が指定されていません。"));
    return false;
  }
  if (!DirectoryExists(GetSceneFolder())) {
    ShowError(Localized("シーンフィアル名：で指定されたフォルダがありません。"));
    return false;
  }
  const std::string basename = GetTextureBasename();
  if (basename.empty()) {
    ShowError(Localized("出力画像の基本名：が指定されていません。"));
    return false;
  }
  if (const std::string bad = UnusableBasenameChar(basename, GetSceneFormat()); !bad.empty()) {
    ShowError(Localized("出力画像の基本名：に使えない文字%1があります。", {bad}));
    return false;
  }
  return true;
}

bool TSimFiler::CheckImageJob() {
  const std::string imageFile = GetImageFileName();
  if (imageFile.empty()) {
    ShowError(Localized("画像ファイル名：が指定されていません。"));
    return false;
  }
  if (!FileExists(imageFile)) {
    ShowError(Localized("画像ファイル名で指定されたファイルがありません。"));
    return false;
  }
  return CheckSceneJob();
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

const StringList& TSimFiler::RequireImageNames(TSceneType type) const {
  const size_t expected = type == stSphere ? 20 : 6;
  if (FImageNames.size() != expected)
    throw Error("the output image names have not been prepared for a " +
                std::string(type == stSphere ? "sphere (20 names)" : "cube (6 names)"));
  return FImageNames;
}

std::string TSimFiler::FirstImageName() const {
  return FImageNames.empty() ? std::string() : FImageNames.front();
}

}  // namespace talvero
