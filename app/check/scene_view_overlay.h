// What the check tab draws over the rendered view to judge the scene by: the compass along
// the horizon with the view's heading, a mark where the aircraft starts, and the edges where
// one face or tile meets the next. Drawn over the picture, never into it, so that the view
// stays exactly what the simulator would show.
#pragma once

#include <QRect>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "engine/enums.h"
#include "sceneview/scene_model.h"
#include "sceneview/scene_view.h"

class QPainter;

namespace talvero {

struct TSceneOverlay {
  // The viewer of the scene (its axes at yaw 0, pitch 0, and its eye).
  Vec3 Forward{1, 0, 0}, Right{0, 1, 0}, Up{0, 0, 1}, Eye;
  // The aircraft's starting place, in the scene's coordinates.
  std::optional<Vec3> Aircraft;
  // Segments where two faces or tiles meet (or a face ends).
  std::vector<std::pair<Vec3, Vec3>> Edges;
};

// The viewer and the seams of a scene's model.
TSceneOverlay OverlayOfModel(const SceneModel& model);
// The aircraft position the scene file itself holds (its parameter block or the simulator's
// own keys), read as Talvero reads the file back; none when it holds none.
std::optional<Vec3> SceneAircraftPosition(const std::string& sceneFile, TSceneFormat format);

// The compass point of a heading in degrees (0 N, 90 E, …; nearest of eight).
const char* CompassPoint(double heading);

struct TOverlayOptions {
  bool Compass = true;
  bool Aircraft = true;
  bool Edges = false;
};

// Draws the overlay for a view rendered with `settings`, shown stretched over `area`.
void PaintSceneOverlay(QPainter& painter, const QRect& area, const SceneViewSettings& settings,
                       const TSceneOverlay& overlay, const TOverlayOptions& options);

// Where a point of the scene appears in a view of `settings` (pixels of the rendered view);
// none when it lies behind the viewer.
std::optional<QPointF> ProjectPoint(const TSceneOverlay& overlay,
                                    const SceneViewSettings& settings, Vec3 point);

}  // namespace talvero
