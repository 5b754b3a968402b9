#include "cli/console_output.h"

#include <utility>

namespace talvero {

namespace {

// The engine's job messages are Japanese; a short English reading with the option to fix.
const std::pair<const char*, const char*> kHints[] = {
    {"画像ファイル名：が指定されていません。", "no panorama given: use --image FILE"},
    {"画像ファイル名で指定されたファイルがありません。", "the panorama file does not exist"},
    {"シーンファイル名：が指定されていません。", "no scene file given: use --scene FILE"},
    {"シーンフィアル名：で指定されたフォルダがありません。",
     "the scene file's folder does not exist: create it first"},
    {"出力画像の基本名：が指定されていません。", "no texture base name: use --base NAME"},
    {"扱えない画像ファイルです。", "the panorama must be a .bmp, .jpg, .jpeg, .png, .tif or .tiff file"},
};

// Job messages that name a character: a reading for every message starting so.
const std::pair<const char*, const char*> kPrefixHints[] = {
    {"出力画像の基本名：に使えない文字",
     "the base name holds a character an image name or a scene file cannot hold: a path "
     "separator, a control character, a double quote (RCPSim) or one code page 932 cannot "
     "store as itself; use --base NAME"},
};

std::string OneLine(const std::string& text) {
  std::string line;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
    line += text[i] == '\n' || text[i] == '\r' ? ' ' : text[i];
  }
  return line;
}

}  // namespace

void ConsoleOutput::Progress(const std::string& text, TSimProgressMode mode) {
  if (FQuiet) return;
  if (mode == spAppend) EndLine();
  FStream << text;
  FLineOpen = true;
  FStream.flush();
}

void ConsoleOutput::EndLine() {
  if (!FLineOpen) return;
  FStream << '\n';
  FLineOpen = false;
}

void ConsoleOutput::Error(const std::string& message) {
  EndLine();
  FStream << "talvero-convert: error: " << OneLine(message);
  for (const auto& [japanese, english] : kHints)
    if (message == japanese) FStream << " (" << english << ")";
  for (const auto& [start, english] : kPrefixHints)
    if (message.rfind(start, 0) == 0) FStream << " (" << english << ")";
  FStream << std::endl;
}

void ConsoleOutput::Warning(const std::string& message) {
  EndLine();
  FStream << "talvero-convert: warning: " << OneLine(message) << std::endl;
}

void ConsoleErrorReporter::ShowError(const std::string& message) {
  ++FCount;
  FLastMessage = message;
  FConsole.Error(message);
}

}  // namespace talvero
