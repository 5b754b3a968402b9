#include "app/settings/recent_files.h"

#include <QAction>
#include <QDir>
#include <QMenu>

#include "support/errors.h"
#include "support/ini_file.h"

namespace talvero {

namespace {

const char* const kKeyPrefix[] = {"Panorama", "Scene"};

std::string Key(TRecentFiles::TList list, int index) {
  return kKeyPrefix[list] + std::to_string(index + 1);
}

}  // namespace

TRecentFiles::TRecentFiles(QMenu* fileMenu, QAction* before, TOpenHandler onOpen)
    : QObject(fileMenu), FOnOpen(std::move(onOpen)) {
  PanoramaMenu = new QMenu(tr("最近使った画像ファイル(&I)"), fileMenu);
  PanoramaMenu->setObjectName(QStringLiteral("mnu_RecentPanoramas"));
  SceneMenu = new QMenu(tr("最近使ったシーンファイル(&S)"), fileMenu);
  SceneMenu->setObjectName(QStringLiteral("mnu_RecentScenes"));
  fileMenu->insertMenu(before, PanoramaMenu);
  fileMenu->insertMenu(before, SceneMenu);
  UpdateMenu(rfPanorama);
  UpdateMenu(rfScene);
}

void TRecentFiles::Load(const std::string& iniFileName) {
  const TIniFile ini(iniFileName);
  for (TList list : {rfPanorama, rfScene}) {
    FFiles[list].clear();
    for (int i = 0; i < kMaxFiles; ++i) {
      const auto value = ini.ReadString(kSection, Key(list, i));
      if (value && !value->empty() && !FFiles[list].contains(QString::fromStdString(*value)))
        FFiles[list].append(QString::fromStdString(*value));
    }
    UpdateMenu(list);
  }
  FChanged = false;
}

void TRecentFiles::Save(const std::string& iniFileName) {
  if (!FChanged) return;
  TIniFile ini(iniFileName);
  for (TList list : {rfPanorama, rfScene}) {
    int slot = 0;
    for (const QString& file : FFiles[list]) {
      try {
        ini.WriteString(kSection, Key(list, slot), file.toStdString());
        ++slot;
      } catch (const ConvertError&) {
        // A name one line cannot hold is not kept.
      }
    }
    for (; slot < kMaxFiles; ++slot) ini.DeleteKey(kSection, Key(list, slot));
  }
  FChanged = false;
}

void TRecentFiles::Add(TList list, const std::string& fileName) {
  if (fileName.empty()) return;
  const QString file = QString::fromStdString(fileName);
  QStringList& files = FFiles[list];
  if (!files.isEmpty() && files.first() == file) return;
  files.removeAll(file);
  files.prepend(file);
  while (files.size() > kMaxFiles) files.removeLast();
  FChanged = true;
  UpdateMenu(list);
}

void TRecentFiles::Remove(TList list, const std::string& fileName) {
  if (FFiles[list].removeAll(QString::fromStdString(fileName)) == 0) return;
  FChanged = true;
  UpdateMenu(list);
}

void TRecentFiles::UpdateMenu(TList list) {
  QMenu* menu = list == rfPanorama ? PanoramaMenu : SceneMenu;
  // The entry being chosen may be the one that rebuilds the menu: it goes later.
  for (QAction* old : menu->actions()) {
    menu->removeAction(old);
    old->deleteLater();
  }
  int number = 0;
  for (const QString& file : FFiles[list]) {
    // "&1 name" … "&8 name": the digit chooses the entry from the keyboard; a "&" in the
    // name is doubled so that it shows as itself.
    QString caption = QStringLiteral("&%1 %2").arg(++number).arg(
        QDir::toNativeSeparators(file).replace(QLatin1Char('&'), QStringLiteral("&&")));
    auto* action = new QAction(caption, menu);
    menu->addAction(action);
    action->setToolTip(QDir::toNativeSeparators(file));
    const std::string name = file.toStdString();
    connect(action, &QAction::triggered, this, [this, list, name] { FOnOpen(list, name); });
  }
  menu->setEnabled(FEnabled && !FFiles[list].isEmpty());
}

void TRecentFiles::SetEnabled(bool enabled) {
  FEnabled = enabled;
  UpdateMenu(rfPanorama);
  UpdateMenu(rfScene);
}

}  // namespace talvero
