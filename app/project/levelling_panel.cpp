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

QDoubleSpinBox* MakeAngle(QWidget* parent, double limit) {
  auto* edit = new QDoubleSpinBox(parent);
  edit->setRange(-limit, limit);
  edit->setDecimals(2);
  edit->setSingleStep(0.5);
  edit->setSuffix(QStringLiteral("°"));
  edit->setMinimumWidth(80);
  return edit;
}

}  // namespace

TLevellingPanel::TLevellingPanel(QWidget* parent) : QWidget(parent) {
  auto* row = new QHBoxLayout(this);
  row->setContentsMargins(13, 2, 8, 2);
  row->addWidget(new QLabel(tr("水平補正　ピッチ："), this));
  Edit_Pitch = MakeAngle(this, 90);
  row->addWidget(Edit_Pitch);
  row->addWidget(new QLabel(tr("ロール："), this));
  Edit_Roll = MakeAngle(this, 180);
  row->addWidget(Edit_Roll);
  Button_FromFile = new QPushButton(tr("ファイルから"), this);
  Button_FromFile->setToolTip(tr("パノラマ画像の XMP に記録されたカメラの姿勢を読み込みます。"));
  row->addWidget(Button_FromFile);
  CheckBox_HighQuality = new QCheckBox(tr("高画質"), this);
  CheckBox_HighQuality->setToolTip(
      tr("縮小では各画素が覆う範囲を平均し、拡大はなめらかにします（時間が少し余分にかかります）。"));
  row->addWidget(CheckBox_HighQuality);
  Label_Pose = new QLabel(this);
  row->addWidget(Label_Pose, 1);

  const auto changed = [this] {
    FUsed = true;
    emit Changed();
  };
  // A row of fixed height, so that the preview's area below never changes size with it.
  setFixedHeight(sizeHint().height());
  connect(Edit_Pitch, &QDoubleSpinBox::valueChanged, this, changed);
  connect(Edit_Roll, &QDoubleSpinBox::valueChanged, this, changed);
  connect(CheckBox_HighQuality, &QCheckBox::toggled, this, changed);
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
  const TIniFile ini(iniFileName);
  const auto number = [&](const char* key) -> std::optional<double> {
    const auto text = ini.ReadString(kSection, key);
    if (!text) return std::nullopt;
    const auto value = ParseFloat(*text);
    if (!value || !std::isfinite(static_cast<double>(*value))) return std::nullopt;
    return static_cast<double>(*value);
  };
  const auto pitch = number("Pitch"), roll = number("Roll"), high = number("HighQuality");
  if (pitch) Edit_Pitch->setValue(*pitch);  // the field keeps it within its range
  if (roll) Edit_Roll->setValue(*roll);
  if (high) CheckBox_HighQuality->setChecked(*high != 0);
  FUsed = pitch || roll || high;
}

void TLevellingPanel::Save(const std::string& iniFileName) const {
  if (!FUsed) return;
  TIniFile ini(iniFileName);
  ini.WriteString(kSection, "Pitch", FormatGeneral(Edit_Pitch->value()));
  ini.WriteString(kSection, "Roll", FormatGeneral(Edit_Roll->value()));
  ini.WriteString(kSection, "HighQuality", CheckBox_HighQuality->isChecked() ? "1" : "0");
}

}  // namespace talvero
