#include "app/project/levelling_panel.h"

#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <cmath>

#include "engine/direct_map.h"
#include "imaging/footprint_sampler.h"
#include "imaging/xmp_pose.h"
#include "support/errors.h"
#include "support/ini_file.h"
#include "support/number_format.h"

namespace talvero {

namespace {

// The preview is levelled at most this wide: enough for the picture, quick on one core.
constexpr int kPreviewWidth = 2048;

}  // namespace

TLevellingPanel::TLevellingPanel(QWidget* parent) : QWidget(parent) {
  auto* row = new QHBoxLayout(this);
  row->setContentsMargins(13, 2, 8, 2);
  Options.Make(this, row, [&](const JobOptionRow& option) {
    // Levelling's own: the pose from the panorama, beside its fields.
    if (std::string(option.Name) != "level") return;
    Button_FromFile = new QPushButton(tr("ファイルから"), this);
    Button_FromFile->setToolTip(tr("パノラマ画像の XMP に記録されたカメラの姿勢を読み込みます。"));
    row->addWidget(Button_FromFile);
  });
  Edit_Pitch = Options.ItemOf("level").Spins[0];
  Edit_Roll = Options.ItemOf("level").Spins[1];
  CheckBox_HighQuality = Options.ItemOf("quality").Check;
  Label_Pose = new QLabel(this);
  row->addWidget(Label_Pose, 1);

  const auto changed = [this] {
    FUsed = true;
    emit Changed();
  };
  // A row of fixed height, so that the preview's area below never changes size with it.
  setFixedHeight(sizeHint().height());
  Options.OnChanged(changed);
}

std::vector<QWidget*> TLevellingPanel::TabOrder() const {
  std::vector<QWidget*> order;
  for (const TJobOptionControls::Item& item : Options.Items()) {
    for (QDoubleSpinBox* spin : item.Spins)
      if (spin) order.push_back(spin);
    if (item.Check) order.push_back(item.Check);
    if (std::string(item.Row->Name) == "level") order.push_back(Button_FromFile);
  }
  return order;
}

bool TLevellingPanel::Levelled() const {
  return Edit_Pitch->value() != 0 || Edit_Roll->value() != 0;
}

void TLevellingPanel::TakePoseFrom(const std::string& imageFileName) {
  std::optional<CameraPose> pose;
  try {
    pose = ReadCameraPose(imageFileName);
  } catch (const Error& e) {
    Label_Pose->setText(tr("読めません：%1").arg(QString::fromStdString(e.what())));
    return;
  }
  if (!pose) {
    Label_Pose->setText(tr("この画像には姿勢の記録がありません。"));
    return;
  }
  Edit_Pitch->setValue(pose->Pitch);
  Edit_Roll->setValue(pose->Roll);
  Label_Pose->setText(tr("XMP の姿勢を読み込みました。"));
}

QImage TLevellingPanel::LevelledPreview(const QImage& picture) const {
  if (!Levelled() || picture.isNull()) return picture;
  // A 2:1 copy of the picture, at most kPreviewWidth wide, levelled and stretched back.
  const int width = std::min(kPreviewWidth, std::max(8, picture.width() / 2 * 2));
  const QImage rgb = picture.convertToFormat(QImage::Format_RGB888);
  Bitmap source = Bitmap::Uninitialized(rgb.width(), rgb.height());
  for (int y = 0; y < rgb.height(); ++y) {
    const uchar* in = rgb.constScanLine(y);
    uint8_t* out = source.Row(y);
    for (int x = 0; x < rgb.width(); ++x) {
      out[3 * x] = in[3 * x + 2];
      out[3 * x + 1] = in[3 * x + 1];
      out[3 * x + 2] = in[3 * x];
    }
  }
  Bitmap small = Bitmap::Uninitialized(width, width / 2);
  ResizePanoramaSmooth(small, source);
  const Bitmap levelled = LevelledPanorama(
      small, LevellingRotation(Edit_Pitch->value(), Edit_Roll->value()));
  QImage result(levelled.Width(), levelled.Height(), QImage::Format_RGB888);
  for (int y = 0; y < levelled.Height(); ++y) {
    const uint8_t* in = levelled.Row(y);
    uchar* out = result.scanLine(y);
    for (int x = 0; x < levelled.Width(); ++x) {
      out[3 * x] = in[3 * x + 2];
      out[3 * x + 1] = in[3 * x + 1];
      out[3 * x + 2] = in[3 * x];
    }
  }
  // The true horizon after levelling: the middle row.
  QPainter painter(&result);
  painter.setPen(QPen(QColor(255, 230, 0), std::max(1, result.height() / 300)));
  painter.drawLine(0, result.height() / 2, result.width(), result.height() / 2);
  painter.end();
  return result;
}

void TLevellingPanel::Load(const std::string& iniFileName) {
  FUsed = Options.Load(TIniFile(iniFileName), kSection);
}

void TLevellingPanel::Save(const std::string& iniFileName) const {
  if (!FUsed) return;
  TIniFile ini(iniFileName);
  Options.Save(ini, kSection);
}

}  // namespace talvero
