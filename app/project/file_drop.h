// Files dropped on the main window, and what a file is by its name: a panorama the engine
// reads, or a scene file of one of the formats (whose extension also decides the format page).
#pragma once

#include <QObject>
#include <QPointer>
#include <functional>
#include <optional>
#include <string>

class QMimeData;
class QWidget;

namespace talvero {

enum class TFileKind { Other, Panorama, Scene };

// By extension, letter case ignored: the panorama types the engine reads, then the scene
// files' extensions (SceneFormatOfFile).
TFileKind FileKindOf(const std::string& fileName);

// Takes drops anywhere on `window` (its controls included): the first local file of a
// known kind goes to `onFile`; drags carrying none are left to the controls. While
// `accepting` answers false (a job runs), nothing is taken.
class TFileDrop : public QObject {
  Q_OBJECT

 public:
  using TFileHandler = std::function<void(const std::string& fileName, TFileKind kind)>;
  TFileDrop(QWidget* window, TFileHandler onFile, std::function<bool()> accepting);

  // The file a drag carries that the window would take, if any.
  static std::optional<std::pair<std::string, TFileKind>> DroppedFile(const QMimeData* data);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QPointer<QWidget> FWindow;
  TFileHandler FOnFile;
  std::function<bool()> FAccepting;
};

}  // namespace talvero
