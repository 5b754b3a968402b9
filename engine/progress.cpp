#include "engine/progress.h"

#include "support/text_catalogue.h"

namespace talvero {

std::optional<ConsoleLineText> ConsoleLine(const ProgressEvent& e) {
  const auto line = [](std::string text) { return ConsoleLineText{std::move(text), spAppend}; };
  const auto more = [](std::string text) { return ConsoleLineText{std::move(text), spUpdate}; };
  switch (e.Step) {
    case ProgressStep::Load:
      return line(Localized("読み込んでいます。　%1", {e.File}));
    case ProgressStep::Normalize:
      return line(Localized("イメージサイズを修正しています。"));
    case ProgressStep::Level:
      return line(Localized("水平を補正しています。"));
    case ProgressStep::CubeMap:
      return e.Done == 0 ? line(Localized("座標を取得しています。")) : more("....");
    case ProgressStep::Warp: {
      if (e.Done == 0) return line(Localized("処理中 "));
      // Each strip's dots have a line of their own, opened by its first dot.
      const int32_t perStrip = e.Total / 4;
      return perStrip > 0 && (e.Done - 1) % perStrip == 0 ? line(".") : more(".");
    }
    case ProgressStep::SphereArea:
      return line(Localized("画像に処理領域を追加しています。"));
    case ProgressStep::WriteImages:
      return line(Localized("画像ファイルを書き出しています。"));
    case ProgressStep::Image:
      return line(e.File);
    case ProgressStep::FacePiece:
      return more(e.Total == 2 ? ".." : ".");
    case ProgressStep::VistaTexture:
      return line("fms_vista.bmp");  // the same text whatever the image type
    case ProgressStep::Scene:
      return line(Localized("シーンファイルを出力します。"));
    case ProgressStep::Mesh:
      return line(Localized("頂点の配列を初期化しています。"));
    case ProgressStep::SceneWritten:
      return line(Localized("出力中　%1", {e.File}));
    case ProgressStep::FileWritten:
      break;
  }
  return std::nullopt;
}

}  // namespace talvero
