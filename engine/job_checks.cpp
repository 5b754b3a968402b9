#include "engine/job_checks.h"

#include <cstdio>

#include "imaging/image_codecs.h"
#include "support/file_util.h"
#include "support/text_catalogue.h"
#include "support/text_encoding.h"

namespace talvero {

namespace {

// A refused character as the messages show it.
std::string ShownChar(const std::string& c) {
  const auto code = static_cast<unsigned char>(c.front());
  if (code >= 0x20 && code != 0x7F) return Localized("「%1」", {c});
  char text[12];
  std::snprintf(text, sizeof text, "U+%04X", code);  // an invisible one by its code
  return Localized(" %1 ", {text});
}

// Whether `name` can be a file's name on Windows (the simulators run there) and, when the
// scene files hold it (`inSceneFiles`), be stored by code page 932 as itself; if not, shows
// the field's message, naming the character or the device name.
bool CheckName(const std::string& name, bool inSceneFiles, const char* charMessage,
               const char* deviceMessage, const JobContext& context) {
  const WindowsNameFault fault = FindWindowsNameFault(name);
  std::string bad;
  if (fault.What == WindowsNameFault::Character) {
    bad = ShownChar(fault.Part);
  } else if (inSceneFiles) {
    if (const std::string lacking = FirstCharNotInCp932(name); !lacking.empty())
      bad = Localized("「%1」", {lacking});
  }
  if (!bad.empty()) {
    context.ShowError(Localized(charMessage, {bad}));
    return false;
  }
  if (fault.What == WindowsNameFault::DeviceName) {
    context.ShowError(Localized(deviceMessage, {fault.Part}));
    return false;
  }
  return true;
}

// The scene file's own name: what follows its folder's last separator. On Windows the folder
// functions also end a folder at a colon, which only a drive may have ("C:"): any other colon
// is then this name's, to be named as the fault rather than taken for a missing folder.
std::string SceneFileOwnName(const std::string& path) {
  size_t start = 0;
  for (size_t i = 0; i < path.size(); ++i)
    if (path[i] != ':' && IsPathDelimiter(path[i])) start = i + 1;
  if (start == 0 && IsPathDelimiter(':') && path.size() >= 2 && path[1] == ':') start = 2;
  return path.substr(start);
}

}  // namespace

bool CheckSceneJob(const JobSettings& settings, const JobContext& context) {
  if (settings.SceneFilename.empty()) {
    context.ShowError(Localized("シーンファイル名：が指定されていません。"));
    return false;
  }
  if (!CheckName(SceneFileOwnName(settings.SceneFilename), false,
                 "シーンファイル名：に使えない文字%1があります。",
                 "シーンファイル名：に Windows の予約名「%1」は使えません。", context))
    return false;
  if (!DirectoryExists(settings.SceneFolder)) {
    context.ShowError(Localized("シーンフィアル名：で指定されたフォルダがありません。"));
    return false;
  }
  const std::string& basename = settings.TextureBasename;
  if (basename.empty()) {
    context.ShowError(Localized("出力画像の基本名：が指定されていません。"));
    return false;
  }
  // The stem of every image name, written into the scene files (a control character would
  // also split its line there).
  return CheckName(basename, true, "出力画像の基本名：に使えない文字%1があります。",
                   "出力画像の基本名：に Windows の予約名「%1」は使えません。", context);
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
