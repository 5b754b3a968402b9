#include "cli/console_output.h"

#include <utility>

#include "imaging/image_codecs.h"
#include "support/string_utils.h"
#include "support/text_catalogue.h"

namespace talvero {

namespace {

// The engine's job messages with what to do about them: in Japanese a short English
// reading with the option to fix, in English the option alone (the message is English).
struct Hint {
  const char* Key;  // the catalogue's key of the message
  std::string ForJapanese;
  std::string ForEnglish;
};
const std::string kPanoramaKinds =
    "the panorama must be a " + JoinedList(ReadableExtensions(), ", ", " or ") + " file";
const Hint kHints[] = {
    {"画像ファイル名：が指定されていません。", "no panorama given: use --image FILE",
     "use --image FILE"},
    {"画像ファイル名で指定されたファイルがありません。", "the panorama file does not exist", ""},
    {"シーンファイル名：が指定されていません。", "no scene file given: use --scene FILE",
     "use --scene FILE"},
    {"シーンフィアル名：で指定されたフォルダがありません。",
     "the scene file's folder does not exist: create it first", "create it first"},
    {"出力画像の基本名：が指定されていません。", "no texture base name: use --base NAME",
     "use --base NAME"},
    {"扱えない画像ファイルです。", kPanoramaKinds, kPanoramaKinds},
};

// Job messages that name a character or a name: a hint for every message starting as the key
// does before its "%1".
const Hint kPrefixHints[] = {
    {"出力画像の基本名：に使えない文字%1があります。",
     "the base name holds a character an image name or a scene file cannot hold: a path "
     "separator, one Windows refuses in file names (: * ? \" < > |), a control character or "
     "one code page 932 cannot store as itself; use --base NAME",
     "a path separator, one Windows refuses in file names (: * ? \" < > |), a control "
     "character or one code page 932 cannot store as itself; use --base NAME"},
    {"シーンファイル名：に使えない文字%1があります。",
     "the scene file's name holds a character Windows refuses in file names (\\ / : * ? \" < > "
     "| or a control character); use --scene FILE",
     "Windows refuses \\ / : * ? \" < > | and control characters in file names; use --scene "
     "FILE"},
    {"出力画像の基本名：に Windows の予約名「%1」は使えません。",
     "the base name is a device name on Windows (CON, PRN, AUX, NUL, COM1-COM9, LPT1-LPT9, "
     "also before a period); use --base NAME",
     "CON, PRN, AUX, NUL, COM1-COM9 and LPT1-LPT9 are device names on Windows, also before a "
     "period; use --base NAME"},
    {"シーンファイル名：に Windows の予約名「%1」は使えません。",
     "the scene file's name is a device name on Windows (CON, PRN, AUX, NUL, COM1-COM9, "
     "LPT1-LPT9, also before a period); use --scene FILE",
     "CON, PRN, AUX, NUL, COM1-COM9 and LPT1-LPT9 are device names on Windows, also before a "
     "period; use --scene FILE"},
};

const std::string& HintText(const Hint& hint) {
  return CurrentTextLanguage() == TextLanguage::English ? hint.ForEnglish : hint.ForJapanese;
}

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
  std::string hint;
  for (const Hint& h : kHints)
    if (message == Localized(h.Key)) hint = HintText(h);
  for (const Hint& h : kPrefixHints) {
    const std::string key = Localized(h.Key);
    if (message.rfind(key.substr(0, key.find("%1")), 0) == 0) hint = HintText(h);
  }
  if (!hint.empty()) FStream << " (" << hint << ")";
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
