// When the check tab shows the scene before conversion (its box "変換前の景色") rather than
// the written scene file: on when the user changes the levelling row or chooses a panorama
// while there is no scene file to show; off when a job ends or a scene file is opened, so
// that what was written is what shows. The view takes the panorama, the levelling and the
// scene's 回転角度 from the window's fields, as the job would.
#pragma once

#include <QObject>

namespace talvero {

class TLevellingPanel;
class TSceneViewTab;
class TSimFiler;

class TBeforeConversion : public QObject {
  Q_OBJECT

 public:
  // The filer is the window's (its getters read the window's fields); all three outlive this.
  TBeforeConversion(TSceneViewTab& tab, TLevellingPanel& levelling, const TSimFiler& filer,
                    QObject* parent = nullptr);

  // A panorama was chosen: read again, and shown when the tab has no scene file.
  void PanoramaChosen();
  // A job ended or a scene file was opened: the tab shows the scene file.
  void SceneFileShown();
  // The program sets the levelling row (settings, a scene file read back, a new project):
  // not the user's change, so the view stays as it is.
  template <typename Change>
  void Restoring(Change&& change) {
    ++FRestoring;
    try {
      change();
    } catch (...) {
      --FRestoring;
      throw;
    }
    --FRestoring;
  }

 private:
  void SetOn(bool on);

  TSceneViewTab& FTab;
  int FRestoring = 0;
};

}  // namespace talvero
