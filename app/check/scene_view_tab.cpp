#include "app/check/scene_view_tab.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>
#include <exception>
#include <numbers>
#include <utility>

#include "app/preview/panorama_preview.h"
#include "sceneview/scene_model.h"
#include "support/errors.h"
#include "support/file_util.h"

namespace talvero {

namespace {

constexpr double kDegrees = 180 / std::numbers::pi;

double NormalYaw(double yaw) {
  yaw = std::fmod(yaw, 360);
  return yaw < 0 ? yaw + 360 : yaw;
}

QString Degrees(double value) { return QString::number(std::lround(value)) + QStringLiteral("°"); }

bool SamePose(const PanoramaViewPose& a, const PanoramaViewPose& b) {
  return a.LevelPitch == b.LevelPitch && a.LevelRoll == b.LevelRoll &&
         a.SceneRotate == b.SceneRotate;
}

// The panorama as the view keeps it; a large JPEG is decoded straight at about that size.
std::unique_ptr<ViewPanorama> ReadPanoramaForView(const std::string& fileName) {
  return std::make_unique<ViewPanorama>(ReadViewImage(fileName, kPanoramaViewWidth));
}

}  // namespace

struct TSceneViewTab::WorkerState {
  std::unique_ptr<LoadedScene> Scene;
  std::shared_ptr<const TSceneOverlay> Overlay;
  std::string SceneError;
  uint64_t Generation = 0;
  SceneRenderer Renderer;
  // The view before conversion: the panorama as read, kept while the choice stays.
  std::unique_ptr<ViewPanorama> Panorama;
  std::string PanoramaError;
  uint64_t PanoramaGeneration = 0;
  PanoramaViewRenderer PanoramaRenderer;
};

TSceneViewTab::TSceneViewTab(QWidget* parent)
    : QWidget(parent), FWorkerState(std::make_unique<WorkerState>()) {
  setFocusPolicy(Qt::StrongFocus);
  setMouseTracking(false);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(4, 4, 4, 4);
  auto* top = new QHBoxLayout;
  FMessage = new QLabel(this);
  FMessage->setWordWrap(true);
  top->addWidget(FMessage, 1);
  CheckBox_Ground = new QCheckBox(tr("地面の格子"), this);
  CheckBox_Ground->setObjectName(QStringLiteral("CheckBox_Ground"));
  CheckBox_Ground->setChecked(FSettings.Ground);
  CheckBox_Ground->setFocusPolicy(Qt::NoFocus);  // the keys belong to the view
  CheckBox_Edges = new QCheckBox(tr("面の境目"), this);
  CheckBox_Edges->setObjectName(QStringLiteral("CheckBox_Edges"));
  CheckBox_Edges->setChecked(FOverlayOptions.Edges);
  CheckBox_Edges->setFocusPolicy(Qt::NoFocus);
  CheckBox_BeforeConversion = new QCheckBox(tr("変換前の景色"), this);
  CheckBox_BeforeConversion->setObjectName(QStringLiteral("CheckBox_BeforeConversion"));
  CheckBox_BeforeConversion->setToolTip(
      tr("選んだパノラマ画像を、水平補正と回転角度を加えて、書き出す前に表示します。"));
  CheckBox_BeforeConversion->setFocusPolicy(Qt::NoFocus);
  top->addWidget(CheckBox_Ground);
  top->addWidget(CheckBox_Edges);
  top->addWidget(CheckBox_BeforeConversion);
  layout->addLayout(top);
  connect(CheckBox_Ground, &QCheckBox::toggled, this, [this](bool on) {
    FSettings.Ground = on;
    RequestView();
  });
  connect(CheckBox_Edges, &QCheckBox::toggled, this, [this](bool on) {
    FOverlayOptions.Edges = on;
    update();
  });
  connect(CheckBox_BeforeConversion, &QCheckBox::toggled, this,
          [this](bool on) { SetBeforeConversion(on); });
  layout->addStretch(1);  // the view
  FMissing = new QLabel(this);
  FMissing->setWordWrap(true);
  FMissing->setStyleSheet(QStringLiteral("color: #c00000"));
  FMissing->hide();
  layout->addWidget(FMissing);
  FMessage->setText(MessageText());
}

TSceneViewTab::~TSceneViewTab() { FWorker.Stop(); }

void TSceneViewTab::ShowSceneFile(const std::string& sceneFileName, TSceneFormat format) {
  FSceneFile = !sceneFileName.empty() && FileExists(sceneFileName) ? sceneFileName : std::string();
  FFormat = format;
  ++FSceneGeneration;
  if (FBeforeConversion) return;  // read when the box is cleared
  ClearView();
  RequestView();
}

void TSceneViewTab::SetPanoramaSource(std::function<TPanoramaChoice()> source) {
  FPanoramaSource = std::move(source);
  if (FBeforeConversion && FPanoramaSource) RequestView();
}

void TSceneViewTab::ReloadPanorama() {
  ++FPanoramaGeneration;
  if (!FBeforeConversion) return;
  ClearView();
  RequestView();
}

void TSceneViewTab::SetBeforeConversion(bool on) {
  if (CheckBox_BeforeConversion->isChecked() != on) {
    CheckBox_BeforeConversion->setChecked(on);  // comes back here through its signal
    return;
  }
  if (on == FBeforeConversion) return;
  FBeforeConversion = on;
  // The ground, the seams and the aircraft come from a scene file.
  CheckBox_Ground->setEnabled(!on);
  CheckBox_Edges->setEnabled(!on);
  ClearView();
  RequestView();
}

bool TSceneViewTab::RefreshPanoramaChoice() {
  const TPanoramaChoice choice = FPanoramaSource ? FPanoramaSource() : TPanoramaChoice();
  const bool otherFile = choice.FileName != FPanorama.FileName;
  const bool changed = otherFile || !SamePose(choice.Pose, FPanorama.Pose);
  FPanorama = choice;
  if (otherFile) {
    ++FPanoramaGeneration;
    if (FBeforeConversion) ClearView();
  }
  return changed;
}

void TSceneViewTab::ClearView() {
  FImage = QImage();
  FError.clear();
  FMissingNames.clear();
  FMissing->hide();
  FMessage->setText(MessageText());
  update();
}

void TSceneViewTab::SetDirection(double yaw, double pitch) {
  FSettings.Yaw = NormalYaw(yaw);
  FSettings.Pitch = std::clamp(pitch, -90.0, 90.0);
  RequestView();
}

void TSceneViewTab::SetFov(double fov) {
  FSettings.Fov = std::clamp(fov, kMinFov, kMaxFov);
  RequestView();
}

void TSceneViewTab::LookAhead() {
  FSettings.Fov = SceneViewSettings().Fov;
  SetDirection(0, 0);
}

const TSceneOverlay& TSceneViewTab::Overlay() const {
  static const TSceneOverlay kNone;
  return FOverlay ? *FOverlay : kNone;
}

QString TSceneViewTab::MessageText() const {
  if (FBeforeConversion) {
    if (FPanorama.FileName.empty())
      return tr(
          "パノラマ画像が選ばれていません。変換前の景色を見るには、プロジェクトのタブで画像ファイル"
          "を選んでください。");
    const QString name = QString::fromStdString(FPanorama.FileName);
    if (!FError.isEmpty()) return tr("変換前の景色を表示できません: %1").arg(FError);
    if (FImage.isNull()) return tr("%1　読み込み中…").arg(name);
    //: The panorama, then the direction of view: heading, elevation, field of view.
    return tr("%1　変換前の景色　方位 %2　仰角 %3　視野 %4")
        .arg(name, Degrees(FShownSettings.Yaw), Degrees(FShownSettings.Pitch),
             Degrees(FShownSettings.Fov));
  }
  if (FSceneFile.empty())
    return tr("シーンファイルはまだありません。変換を実行するか、シーンファイルを開いてください。");
  const QString name = QString::fromStdString(FSceneFile);
  if (!FError.isEmpty()) return tr("シーンファイルを表示できません: %1").arg(FError);
  if (FImage.isNull()) return tr("%1　読み込み中…").arg(name);
  //: The scene file, then the direction of view: heading, elevation, field of view.
  return tr("%1　方位 %2　仰角 %3　視野 %4")
      .arg(name, Degrees(FShownSettings.Yaw), Degrees(FShownSettings.Pitch),
           Degrees(FShownSettings.Fov));
}

QString TSceneViewTab::MissingText() const {
  if (FMissingNames.isEmpty()) return {};
  //: The images are listed after the colon, separated by the next text.
  return tr("表示できない画像（マゼンタの面）: %1").arg(FMissingNames.join(tr("、")));
}

QRect TSceneViewTab::ViewArea() const {
  const QMargins margins = contentsMargins() + layout()->contentsMargins();
  const int top = std::max(FMessage->geometry().bottom(), CheckBox_Ground->geometry().bottom()) + 1 +
                  layout()->spacing();
  const int bottom =
      FMissing->isVisible() ? FMissing->geometry().top() - layout()->spacing() : height() - margins.bottom();
  return QRect(QPoint(margins.left(), top), QPoint(width() - margins.right() - 1, bottom - 1));
}

// ---- Requests and the worker

void TSceneViewTab::RequestView() {
  Request request;
  request.SceneFile = FSceneFile;
  request.Format = FFormat;
  request.SceneGeneration = FSceneGeneration;
  if (FBeforeConversion) {
    RefreshPanoramaChoice();
    request.Panorama = true;
    request.PanoramaFile = FPanorama.FileName;
    request.PanoramaGeneration = FPanoramaGeneration;
    request.Pose = FPanorama.Pose;
  }
  request.Settings = FSettings;
  const QRect area = ViewArea();
  request.Settings.Width =
      std::clamp(area.width(), SceneViewSettings::kMinSide, SceneViewSettings::kMaxSide);
  request.Settings.Height =
      std::clamp(area.height(), SceneViewSettings::kMinSide, SceneViewSettings::kMaxSide);
  request.Id = ++FRequestId;
  FWorker.Post(std::move(request));  // one not yet started is no longer wanted
}


void TSceneViewTab::Serve(Request& request) {
  WorkerState& state = *FWorkerState;
  Result result;
  result.Id = request.Id;
  result.Generation = request.SceneGeneration;
  result.Settings = request.Settings;
  if (request.Panorama) {
    result.Panorama = true;
    result.Generation = request.PanoramaGeneration;
    if (request.PanoramaGeneration != state.PanoramaGeneration) {
      state.Panorama.reset();
      state.PanoramaError.clear();
      state.PanoramaGeneration = request.PanoramaGeneration;
      if (!request.PanoramaFile.empty()) {
        try {
          state.Panorama = ReadPanoramaForView(request.PanoramaFile);
        } catch (const std::bad_alloc&) {
          state.PanoramaError = "not enough memory";
        } catch (const std::exception& error) {
          state.PanoramaError = error.what();
        }
      }
    }
    result.Error = state.PanoramaError;
    if (state.Panorama) {
      try {
        result.Image = ToQImage(
            state.PanoramaRenderer.Render(*state.Panorama, request.Pose, request.Settings));
      } catch (const std::exception& error) {
        result.Error = error.what();
      }
    }
  } else {
    if (request.SceneGeneration != state.Generation) {
      // The old scene goes first, so that two never share the memory bound's room.
      state.Scene.reset();
      state.Overlay.reset();
      state.SceneError.clear();
      state.Generation = request.SceneGeneration;
      if (!request.SceneFile.empty()) {
        try {
          state.Scene =
              std::make_unique<LoadedScene>(ReadSceneModel(request.SceneFile, request.Format));
        } catch (const std::exception& error) {
          state.SceneError = error.what();
        }
        if (state.Scene) {
          auto made = std::make_shared<TSceneOverlay>(OverlayOfModel(state.Scene->Model()));
          made->Aircraft = SceneAircraftPosition(request.SceneFile, request.Format);
          state.Overlay = std::move(made);
        }
      }
    }
    result.Overlay = state.Overlay;
    result.Error = state.SceneError;
    if (state.Scene) {
      result.Missing = state.Scene->Missing();
      try {
        result.Image = ToQImage(state.Renderer.Render(*state.Scene, request.Settings));
      } catch (const std::exception& error) {
        result.Error = error.what();
      }
    }
  }
  // Delivered on the tab's thread; dropped if the tab is gone by then.
  QMetaObject::invokeMethod(
      this, [this, result = std::move(result)] { Receive(result); }, Qt::QueuedConnection);
}

void TSceneViewTab::Receive(const Result& result) {
  // Views of an earlier scene may still arrive after another was chosen.
  if (result.Id < FShownRequest || result.Panorama != FBeforeConversion ||
      result.Generation != (result.Panorama ? FPanoramaGeneration : FSceneGeneration))
    return;
  FShownRequest = result.Id;
  FShownSettings = result.Settings;
  FImage = result.Image;
  FError = QString::fromStdString(result.Error);
  FOverlay = result.Overlay;
  FMissingNames.clear();
  for (const MissingImage& missing : result.Missing)
    //: An image the scene cannot show, and why.
    FMissingNames << tr("%1（%2）")
                         .arg(QString::fromStdString(missing.Name),
                              QString::fromStdString(missing.Problem));
  FMissing->setText(MissingText());
  FMissing->setVisible(!FMissingNames.isEmpty());
  FMessage->setText(MessageText());
  update();
  emit ViewShown();
}

// ---- Events

void TSceneViewTab::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const QRect area = ViewArea();
  painter.fillRect(area, QColor(64, 64, 64));
  if (!FImage.isNull()) {
    // Until the view of a new size arrives, the last one is stretched over the area.
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(area, FImage);
    if (FBeforeConversion) {
      // Only the compass: the rest belongs to a written scene.
      TOverlayOptions compass;
      compass.Aircraft = false;
      PaintSceneOverlay(painter, area, FShownSettings, TSceneOverlay(), compass);
    } else {
      PaintSceneOverlay(painter, area, FShownSettings, Overlay(), FOverlayOptions);
    }
  }
}

void TSceneViewTab::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  if (isVisible()) RequestView();
}

void TSceneViewTab::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  // The arrow keys turn the view at once, not the tabs.
  setFocus(Qt::OtherFocusReason);
  // Room for two lines of message (in the font it has now), so that the view keeps its size
  // when the message grows from "loading" to the full line and wraps beside the toggles.
  // (Japanese glyphs may come from a taller fallback font, so the lines are measured with
  // some of them.)
  const QString message = FMessage->text();
  FMessage->setText(QStringLiteral("方位\n仰角"));
  FMessage->setMinimumHeight(FMessage->sizeHint().height());
  FMessage->setText(message);
  // The size is known only now, once laid out; views requested while hidden had a guessed one.
  layout()->activate();
  const QRect area = ViewArea();
  // The levelling or the turn may have been changed on the project tab meanwhile.
  const bool choiceChanged = FBeforeConversion && RefreshPanoramaChoice();
  if (choiceChanged || FImage.isNull() || FImage.size() != area.size()) RequestView();
}

void TSceneViewTab::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return QWidget::mousePressEvent(event);
  setFocus(Qt::MouseFocusReason);
  FDragFrom = event->position().toPoint();
  FDragYaw = FSettings.Yaw;
  FDragPitch = FSettings.Pitch;
}

void TSceneViewTab::mouseMoveEvent(QMouseEvent* event) {
  if (!FDragFrom || !(event->buttons() & Qt::LeftButton)) return QWidget::mouseMoveEvent(event);
  // The scene follows the hand: a drag to the right turns the view to the left, by the
  // angle that a pixel spans at the middle of the view.
  const QRect area = ViewArea();
  const double focal = std::max(1, area.width()) / 2.0 / std::tan(FSettings.Fov / 2 / kDegrees);
  const double perPixel = kDegrees / focal;
  const QPoint moved = event->position().toPoint() - *FDragFrom;
  SetDirection(FDragYaw - moved.x() * perPixel, FDragPitch + moved.y() * perPixel);
}

void TSceneViewTab::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) FDragFrom.reset();
  QWidget::mouseReleaseEvent(event);
}

void TSceneViewTab::wheelEvent(QWheelEvent* event) {
  FWheelDelta += event->angleDelta().y();
  const int notches = FWheelDelta / 120;
  FWheelDelta -= notches * 120;
  // Away from the user: closer, a narrower field.
  if (notches != 0) SetFov(FSettings.Fov - notches * kWheelStep);
  event->accept();
}

void TSceneViewTab::keyPressEvent(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Left: SetDirection(FSettings.Yaw - kKeyStep, FSettings.Pitch); break;
    case Qt::Key_Right: SetDirection(FSettings.Yaw + kKeyStep, FSettings.Pitch); break;
    case Qt::Key_Up: SetDirection(FSettings.Yaw, FSettings.Pitch + kKeyStep); break;
    case Qt::Key_Down: SetDirection(FSettings.Yaw, FSettings.Pitch - kKeyStep); break;
    case Qt::Key_Home: LookAhead(); break;
    default: return QWidget::keyPressEvent(event);
  }
  event->accept();
}

}  // namespace talvero
