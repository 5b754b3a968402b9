// The project tab's row for the options beyond the classic job: levelling a tilted panorama
// (the camera pose to undo, typed or taken from the panorama's XMP) and the high-quality
// sampling. The engine reads the fields through the window's filer; the preview shows the
// panorama levelled, with the horizon drawn where it will be.
#pragma once

#include <QImage>
#include <QWidget>
#include <string>
#include <vector>

#include "editing/job_option_controls.h"

class QCheckBox;
class QDoubleSpinBox;
class QLabel;
class QPushButton;

namespace talvero {

class TLevellingPanel : public QWidget {
  Q_OBJECT

 public:
  explicit TLevellingPanel(QWidget* parent = nullptr);

  // The job options' controls (engine/job_options.h), made from the table; the named ones
  // below are among them.
  TJobOptionControls Options;
  QDoubleSpinBox* Edit_Pitch;
  QDoubleSpinBox* Edit_Roll;
  QPushButton* Button_FromFile;
  QCheckBox* CheckBox_HighQuality;
  QLabel* Label_Pose;

  // The row's controls in their order, for the window's tab order.
  std::vector<QWidget*> TabOrder() const;

  bool Levelled() const;
  // Fills the fields from the pose in the panorama's XMP and says what was found.
  void TakePoseFrom(const std::string& imageFileName);
  // The preview picture levelled as the fields say (at most 2048 pixels wide), the horizon
  // drawn across it; the picture itself while the fields are zero.
  QImage LevelledPreview(const QImage& picture) const;

  // The INI section of these choices (never the "data" section); written only once used.
  static constexpr char kSection[] = "Levelling";
  void Load(const std::string& iniFileName);
  void Save(const std::string& iniFileName) const;

 signals:
  // A field or the check box changed (by the user or the program).
  void Changed();

 private:
  bool FUsed = false;
};

}  // namespace talvero
