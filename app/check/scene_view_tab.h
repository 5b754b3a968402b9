// The check tab: the written scene as the simulator will draw it, from the pilot's place.
// Dragging looks around, the wheel changes the field of view, the arrow keys turn by 5° (as
// soon as the tab is shown), Home looks ahead again with the first field of view. Over the
// view: the compass and heading, the aircraft's starting place, and on request the seams of
// the faces or tiles; the ground grid can be switched off. With "変換前の景色" ticked it shows,
// instead of the scene file, the chosen panorama as the job will level and turn it, before
// anything is written. Loading and rendering run on a worker thread; the newest request
// replaces any that has not started, so the view keeps up with the mouse.
#pragma once

#include <QImage>
#include <QPoint>
#include <QStringList>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/check/scene_view_overlay.h"
#include "sceneview/panorama_view.h"
#include "sceneview/scene_view.h"
#include "support/latest_request_worker.h"

class QCheckBox;
class QLabel;

namespace talvero {

// The panorama a job would convert now and what it would do to its directions.
struct TPanoramaChoice {
  std::string FileName;  // empty: none chosen
  PanoramaViewPose Pose;
};

class TSceneViewTab : public QWidget {
  Q_OBJECT

 public:
  static constexpr double kMinFov = 30, kMaxFov = 120, kKeyStep = 5, kWheelStep = 5;

  explicit TSceneViewTab(QWidget* parent = nullptr);
  ~TSceneViewTab() override;

  // Shows `sceneFileName`, a scene file of `format` (for RCPSim the .xscn or the .x); it is read
  // again from disk with its images even when the name is the one shown, for a job may have
  // rewritten it. Empty or not an existing file: the tab says there is no scene file yet.
  void ShowSceneFile(const std::string& sceneFileName, TSceneFormat format);
  // A scene file is shown (it exists; it may still fail to read).
  bool HasSceneFile() const { return !FSceneFile.empty(); }

  // Where the view before conversion takes the panorama and the pose from; asked again for
  // every view, so that it follows the window's fields.
  void SetPanoramaSource(std::function<TPanoramaChoice()> source);
  // The panorama's file may have changed on disk: it is read again for the next view.
  void ReloadPanorama();
  bool BeforeConversion() const { return FBeforeConversion; }

  double Yaw() const { return FSettings.Yaw; }
  double Pitch() const { return FSettings.Pitch; }
  double Fov() const { return FSettings.Fov; }
  void SetDirection(double yaw, double pitch);
  void SetFov(double fov);
  // Home: ahead, level, the first field of view.
  void LookAhead();

  // The toggles under the message: the ground grid, the seams of faces or tiles.
  QCheckBox* CheckBox_Ground;
  QCheckBox* CheckBox_Edges;
  // The scene before conversion instead of the scene file (off at start).
  QCheckBox* CheckBox_BeforeConversion;
  // What is drawn over the view (from the last view received).
  const TSceneOverlay& Overlay() const;
  const TOverlayOptions& OverlayOptions() const { return FOverlayOptions; }

  // The last view received from the worker (null when there is none), and what the tab says.
  const QImage& ViewImage() const { return FImage; }
  // The direction and field of view `ViewImage` was rendered for.
  const SceneViewSettings& ShownSettings() const { return FShownSettings; }
  QString MessageText() const;
  QString MissingText() const;
  // Requests made and views received, so that callers can wait for the latest.
  uint64_t RequestsMade() const { return FRequestId; }
  uint64_t ShownRequest() const { return FShownRequest; }

 signals:
  // A rendered view (or the scene's error) arrived and is shown.
  void ViewShown();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  struct Request {
    std::string SceneFile;
    TSceneFormat Format = sfFMS;
    uint64_t SceneGeneration = 0;
    bool Panorama = false;  // the view before conversion
    std::string PanoramaFile;
    uint64_t PanoramaGeneration = 0;
    PanoramaViewPose Pose;
    SceneViewSettings Settings;
    uint64_t Id = 0;
  };
  struct Result {
    QImage Image;
    SceneViewSettings Settings;
    std::string Error;  // the scene file cannot be read, or the view failed
    std::vector<MissingImage> Missing;
    std::shared_ptr<const TSceneOverlay> Overlay;
    uint64_t Generation = 0;
    bool Panorama = false;
    uint64_t Id = 0;
  };

  void SetBeforeConversion(bool on);
  // Asks the source again; true when the panorama or the pose changed.
  bool RefreshPanoramaChoice();
  // Forgets the view shown, for one of another scene or panorama is coming.
  void ClearView();
  void RequestView();
  // On the worker: loads what the request shows (when it is not the one loaded) and renders.
  void Serve(Request& request);
  void Receive(const Result& result);
  QRect ViewArea() const;

  QLabel* FMessage;
  QLabel* FMissing;
  std::string FSceneFile;
  TSceneFormat FFormat = sfFMS;
  uint64_t FSceneGeneration = 0;
  bool FBeforeConversion = false;
  std::function<TPanoramaChoice()> FPanoramaSource;
  TPanoramaChoice FPanorama;
  uint64_t FPanoramaGeneration = 0;
  SceneViewSettings FSettings;
  SceneViewSettings FShownSettings;
  QImage FImage;
  QString FError;
  QStringList FMissingNames;
  std::shared_ptr<const TSceneOverlay> FOverlay;
  TOverlayOptions FOverlayOptions;
  uint64_t FRequestId = 0;
  uint64_t FShownRequest = 0;
  std::optional<QPoint> FDragFrom;
  double FDragYaw = 0, FDragPitch = 0;
  int FWheelDelta = 0;  // high-resolution wheels send parts of a notch

  // What the worker keeps between requests (the scene or panorama loaded); the worker's own.
  struct WorkerState;
  std::unique_ptr<WorkerState> FWorkerState;
  LatestRequestWorker<Request> FWorker{[this](Request& request) { Serve(request); }};
};

}  // namespace talvero
