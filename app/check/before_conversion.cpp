#include "app/check/before_conversion.h"

#include <QCheckBox>

#include "app/check/scene_view_tab.h"
#include "app/project/levelling_panel.h"
#include "engine/sim_filer.h"
#include "formats/scene_format.h"

namespace talvero {

TBeforeConversion::TBeforeConversion(TSceneViewTab& tab, TLevellingPanel& levelling,
                                     const TSimFiler& filer, QObject* parent)
    : QObject(parent), FTab(tab) {
  FTab.SetPanoramaSource([&filer] {
    TPanoramaChoice choice;
    choice.FileName = filer.GetImageFileName();
    choice.Pose.LevelPitch = static_cast<double>(filer.GetLevelPitch().ToLongDouble());
    choice.Pose.LevelRoll = static_cast<double>(filer.GetLevelRoll().ToLongDouble());
    // The page the job writes for turns the scene.
    const TSimDataHolder& data = DescriptionOf(filer.GetSceneFormat()).Holder(filer);
    choice.Pose.SceneRotate = static_cast<double>(data.GetSceneRotate().ToLongDouble());
    return choice;
  });
  connect(&levelling, &TLevellingPanel::Changed, this, [this] {
    if (FRestoring == 0) SetOn(true);
  });
}

void TBeforeConversion::PanoramaChosen() {
  FTab.ReloadPanorama();
  if (!FTab.HasSceneFile()) SetOn(true);
}

void TBeforeConversion::SceneFileShown() { SetOn(false); }

void TBeforeConversion::SetOn(bool on) { FTab.CheckBox_BeforeConversion->setChecked(on); }

}  // namespace talvero
