#include "app/project/file_drop.h"

#include <QApplication>
#include <QDir>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>
#include <QWidget>

#include "formats/scene_format.h"
#include "imaging/image_codecs.h"
#include "support/file_util.h"

namespace talvero {

TFileKind FileKindOf(const std::string& fileName) {
  if (ImageFormatFromExtension(fileName) != ImageFormat::Unsupported) return TFileKind::Panorama;
  return SceneFormatOfFile(fileName) ? TFileKind::Scene : TFileKind::Other;
}

TFileDrop::TFileDrop(QWidget* window, TFileHandler onFile, std::function<bool()> accepting)
    : QObject(window), FWindow(window), FOnFile(std::move(onFile)), FAccepting(std::move(accepting)) {
  // Some widget on every path must take drags for them to arrive at all; the filter then
  // sees them before the controls (an edit box would paste the file's address).
  window->setAcceptDrops(true);
  qApp->installEventFilter(this);
}

std::optional<std::pair<std::string, TFileKind>> TFileDrop::DroppedFile(const QMimeData* data) {
  if (!data || !data->hasUrls()) return std::nullopt;
  for (const QUrl& url : data->urls()) {
    if (!url.isLocalFile()) continue;
    const std::string path = QDir::toNativeSeparators(url.toLocalFile()).toStdString();
    const TFileKind kind = FileKindOf(path);
    if (kind != TFileKind::Other && FileExists(path)) return std::pair{path, kind};
  }
  return std::nullopt;
}

bool TFileDrop::eventFilter(QObject* watched, QEvent* event) {
  const QEvent::Type type = event->type();
  if (type != QEvent::DragEnter && type != QEvent::DragMove && type != QEvent::Drop)
    return false;
  auto* widget = qobject_cast<QWidget*>(watched);
  if (!FWindow || !widget || widget->window() != FWindow) return false;
  auto* drop = static_cast<QDropEvent*>(event);
  const auto file = DroppedFile(drop->mimeData());
  if (!file) return false;
  if (!FAccepting()) {
    drop->ignore();
    return true;
  }
  drop->setDropAction(Qt::CopyAction);
  drop->accept();
  if (type == QEvent::Drop) FOnFile(file->first, file->second);
  return true;
}

}  // namespace talvero
