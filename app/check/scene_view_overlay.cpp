#include "app/check/scene_view_overlay.h"

#include <QCoreApplication>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <array>
#include <cmath>
#include <map>
#include <numbers>
#include <tuple>

#include "engine/data_holders.h"
#include "engine/error_reporter.h"
#include "engine/sim_filer.h"
#include "formats/scene_format.h"
#include "sceneview/view_camera.h"

namespace talvero {

namespace {

constexpr double kDegree = std::numbers::pi / 180;
constexpr double kNear = 0.01;

// The camera of a view, as the renderer places it.
ViewCamera CameraOf(const TSceneOverlay& o, const SceneViewSettings& s) {
  return ViewCamera({o.Eye, o.Forward, o.Right, o.Up}, s.Yaw, s);
}

QPointF Screen(const ViewCamera& camera, Vec3 c) { return {camera.ScreenX(c), camera.ScreenY(c)}; }

class SilentReporter : public TErrorReporter {
 public:
  void ShowError(const std::string&) override {}
};

using EdgeKey = std::array<double, 6>;

EdgeKey KeyOf(Vec3 a, Vec3 b) {
  if (std::tie(b.X, b.Y, b.Z) < std::tie(a.X, a.Y, a.Z)) std::swap(a, b);
  return {a.X, a.Y, a.Z, b.X, b.Y, b.Z};
}

void DrawOutlinedText(QPainter& painter, QPointF at, const QString& text, const QColor& colour) {
  painter.setPen(QColor(0, 0, 0, 200));
  for (const QPointF step : {QPointF(-1, 0), QPointF(1, 0), QPointF(0, -1), QPointF(0, 1)})
    painter.drawText(at + step, text);
  painter.setPen(colour);
  painter.drawText(at, text);
}

}  // namespace

TSceneOverlay OverlayOfModel(const SceneModel& model) {
  TSceneOverlay overlay;
  overlay.Forward = model.Forward;
  overlay.Right = model.Right;
  overlay.Up = model.Up;
  overlay.Eye = model.Eye;
  // An edge belongs to a seam when the triangles on its two sides show different images,
  // or when only one triangle has it; the diagonals inside a face drop out.
  std::map<EdgeKey, std::vector<int32_t>> edges;
  for (const SceneTriangle& triangle : model.Triangles)
    for (int i = 0; i < 3; ++i)
      edges[KeyOf(triangle.V[i].P, triangle.V[(i + 1) % 3].P)].push_back(triangle.Material);
  for (const auto& [key, materials] : edges) {
    bool seam = materials.size() == 1;
    for (int32_t material : materials) seam = seam || material != materials.front();
    if (seam) overlay.Edges.push_back({{key[0], key[1], key[2]}, {key[3], key[4], key[5]}});
  }
  return overlay;
}

std::optional<Vec3> SceneAircraftPosition(const std::string& sceneFile, TSceneFormat format) {
  SilentReporter silent;
  auto filer = TSimFiler::Create();
  // The filer's own reporter: this runs on the tab's worker, where the process-wide one
  // must not be swapped.
  filer->SetErrorReporter(&silent);
  try {
    if (!RestoreJob(*filer, format, sceneFile)) return std::nullopt;
    const TSimDataHolder& data = DescriptionOf(format).Holder(*filer);
    return Vec3{static_cast<double>(data.GetAirCraftX().ToLongDouble()),
                static_cast<double>(data.GetAirCraftY().ToLongDouble()),
                static_cast<double>(data.GetAirCraftZ().ToLongDouble())};
  } catch (const std::exception&) {
    return std::nullopt;
  }
}

const char* CompassPoint(double heading) {
  static const char* const kPoints[] = {"N", "NE", "E", "SE", "S", "SW", "W", "NW"};
  double h = std::fmod(heading, 360);
  if (h < 0) h += 360;
  return kPoints[static_cast<int>(std::lround(h / 45)) % 8];
}

std::optional<QPointF> ProjectPoint(const TSceneOverlay& overlay, const SceneViewSettings& settings,
                                    Vec3 point) {
  const ViewCamera camera = CameraOf(overlay, settings);
  const Vec3 c = camera.ToCamera(point);
  if (c.Z <= kNear) return std::nullopt;
  return Screen(camera, c);
}

void PaintSceneOverlay(QPainter& painter, const QRect& area, const SceneViewSettings& settings,
                       const TSceneOverlay& overlay, const TOverlayOptions& options) {
  const ViewCamera camera = CameraOf(overlay, settings);
  painter.save();
  painter.setClipRect(area);
  painter.translate(area.topLeft());
  painter.scale(area.width() / double(settings.Width), area.height() / double(settings.Height));
  painter.setRenderHint(QPainter::Antialiasing);

  if (options.Edges) {
    painter.setPen(QPen(QColor(255, 255, 0, 220), 1.5));
    for (const auto& [from, to] : overlay.Edges) {
      Vec3 a = camera.ToCamera(from), b = camera.ToCamera(to);
      if (a.Z <= kNear && b.Z <= kNear) continue;
      // The part behind the viewer is cut off at the near distance.
      if (a.Z <= kNear || b.Z <= kNear) {
        const double t = (kNear - a.Z) / (b.Z - a.Z);
        const Vec3 cut = a + t * (b - a);
        (a.Z <= kNear ? a : b) = cut;
      }
      painter.drawLine(Screen(camera, a), Screen(camera, b));
    }
  }

  if (options.Compass) {
    QFont font = painter.font();
    font.setPixelSize(14);
    font.setBold(true);
    painter.setFont(font);
    for (int heading = 0; heading < 360; heading += 15) {
      const double h = heading * kDegree;
      const Vec3 direction = std::cos(h) * overlay.Forward + std::sin(h) * overlay.Right;
      const Vec3 c = camera.Turned(direction);
      if (c.Z <= kNear) continue;
      const QPointF p = Screen(camera, c);
      const bool major = heading % 45 == 0;
      painter.setPen(QPen(QColor(255, 255, 255, 230), major ? 2 : 1));
      painter.drawLine(p - QPointF(0, major ? 9 : 5), p + QPointF(0, major ? 9 : 5));
      if (!major) continue;
      const QString label = QString::fromLatin1(CompassPoint(heading));
      const double width = painter.fontMetrics().horizontalAdvance(label);
      if (p.x() + width / 2 <= 0 || p.x() - width / 2 >= settings.Width) continue;
      // Kept whole at the view's edges: half of "NW" would read as "W".
      const double left =
          std::clamp(p.x() - width / 2, 2.0, std::max(2.0, settings.Width - width - 2));
      DrawOutlinedText(painter, QPointF(left, p.y() - 13), label,
                       heading == 0 ? QColor(255, 90, 90) : QColor(255, 255, 255));
    }
  }

  if (options.Aircraft && overlay.Aircraft) {
    const Vec3 c = camera.ToCamera(*overlay.Aircraft);
    if (c.Z > kNear) {
      const QPointF p = Screen(camera, c);
      // A small aircraft seen from above: fuselage, wings and tail, with a ring round it.
      painter.setPen(QPen(QColor(0, 0, 0, 220), 4));
      QPainterPath plane;
      plane.moveTo(p + QPointF(0, -12));
      plane.lineTo(p + QPointF(0, 12));
      plane.moveTo(p + QPointF(-14, -2));
      plane.lineTo(p + QPointF(14, -2));
      plane.moveTo(p + QPointF(-6, 10));
      plane.lineTo(p + QPointF(6, 10));
      painter.drawPath(plane);
      painter.drawEllipse(p, 18, 18);
      painter.setPen(QPen(QColor(255, 160, 0), 2));
      painter.drawPath(plane);
      painter.drawEllipse(p, 18, 18);
      DrawOutlinedText(painter, p + QPointF(22, 5),
                       QCoreApplication::translate("TSceneViewTab", "機体の位置"),
                       QColor(255, 160, 0));
    }
  }
  painter.restore();

  if (options.Compass) {
    // The view's heading, large, at the top of the view.
    painter.save();
    QFont font = painter.font();
    font.setPixelSize(16);
    font.setBold(true);
    painter.setFont(font);
    double heading = std::fmod(settings.Yaw, 360);
    if (heading < 0) heading += 360;
    const QString text = QCoreApplication::translate("TSceneViewTab", "方位 %1° %2")
                             .arg(std::lround(heading) % 360)
                             .arg(QString::fromLatin1(CompassPoint(heading)));
    const double width = painter.fontMetrics().horizontalAdvance(text);
    DrawOutlinedText(painter, QPointF(area.center().x() - width / 2, area.top() + 20), text,
                     QColor(255, 255, 255));
    painter.restore();
  }
}

}  // namespace talvero
