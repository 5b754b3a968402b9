#include "engine/job_checks.h"

#include <cstdio>

#include "imaging/image_codecs.h"
#include "support/file_util.h"
#include "support/text_catalogue.h"
#include "support/text_encoding.h"

namespace talvero {

namespace {

// The character of the base name that cannot be in it, as the message shows it; empty when
// the name is usable. The name is the stem of every image name, so it must stay a file name
// in the scene folder (no separator of either system: the simulators run on Windows); it is
// written into scene files, so it holds no control character (a line break would split its
// line) and code page 932 must store it as itself. A format whose scene file quotes the image
// names cannot have a double quote in the name either.
std::string UnusableBasenameChar(const std::string& name, bool quoted) {
  for (const unsigned char c : name) {
    if (c < 0x20 || c == 0x7F) {
      char code[12];
      std::snprintf(code, sizeof code, "U+%04X", c);  // an invisible one by its code
      return Localized(" %1 ", {code});
    }
    if (c == '/' || c == '\\' || (c == '"' && quoted))
      return Localized("「%1」", {std::string(1, static_cast<char>(c))});
  }
  const std::string bad = FirstCharNotInCp932(name);
  return bad.empty() ? bad : Localized("「%1」", {bad});
}

}  // namespace

bool CheckSceneJob(const JobSettings& settings, const JobContext& context) {
  if (settings.SceneFilename.empty()) {
    context.ShowError(Localized("シーンファイル名：が指定されていません。"));
    return false;
  }
  if (!DirectoryExists(settings.SceneFolder)) {
    context.ShowError(Localized("シーンフィアル名：で指定されたフォルダがありません。"));
    return false;
  }
  const std::string& basename = settings.TextureBasename;
  if (basename.empty()) {
    context.ShowError(Localized("出力画像の基本名：が指定されていません。"));
    return false;
  }
  if (const std::string bad = UnusableBasenameChar(basename, settings.Format.QuotedImageNames);
      !bad.empty()) {
    context.ShowError(Localized("出力画像の基本名：に使えない文字%1があります。", {bad}));
    return false;
  }
  return true;
}

bool CheckImageJob(const JobSettings& settings, const JobContext& context) {
  if (settings.ImageFileName.empty()) {
    context.ShowError(Localized("画像ファイル名：が指定されていません。"));
    return false;
  }
  if (!FileExists(settings.ImageFileName)) {
    context.ShowError(Localized("画像ファイル名で指定されたファイルがありません。"));
    return false;
  }
  // Known by its name, as the loader accepts it; here so that the window asks about replacing
  // files only for a job that can run.
  if (ImageFormatFromExtension(settings.ImageFileName) == ImageFormat::Unsupported) {
    context.ShowError(Localized("扱えない画像ファイルです。"));
    return false;
  }
  return CheckSceneJob(settings, context);
}

}  // namespace talvero
