// The File menu's recent panoramas and scene files, eight of each, newest first, kept in
// the settings file in a section of their own ("RecentFiles"); the main window's own
// section is never touched. Nothing is written until a list has changed.
#pragma once

#include <QObject>
#include <QStringList>
#include <functional>
#include <string>

class QAction;
class QMenu;

namespace talvero {

class TRecentFiles : public QObject {
  Q_OBJECT

 public:
  static constexpr int kMaxFiles = 8;
  static constexpr char kSection[] = "RecentFiles";

  enum TList { rfPanorama, rfScene };
  using TOpenHandler = std::function<void(TList list, const std::string& fileName)>;

  // Adds the two submenus to `fileMenu` before `before`; choosing an entry calls `onOpen`.
  TRecentFiles(QMenu* fileMenu, QAction* before, TOpenHandler onOpen);

  // Reads both lists from the settings file (missing or damaged entries are skipped).
  void Load(const std::string& iniFileName);
  // Writes both lists when one has changed since the last load or save.
  void Save(const std::string& iniFileName);

  // `fileName` becomes the newest entry of `list` (moved up when already listed).
  void Add(TList list, const std::string& fileName);
  void Remove(TList list, const std::string& fileName);
  const QStringList& Files(TList list) const { return FFiles[list]; }
  // Off while a job runs (an entry would change what the job reads); an empty list's menu
  // stays off.
  void SetEnabled(bool enabled);

  QMenu* PanoramaMenu;
  QMenu* SceneMenu;

 private:
  void UpdateMenu(TList list);

  QStringList FFiles[2];
  bool FChanged = false;
  bool FEnabled = true;
  TOpenHandler FOnOpen;
};

}  // namespace talvero
