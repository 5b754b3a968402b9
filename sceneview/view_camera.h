// The camera of the look-around views: the scene's level axes turned by the view's yaw and
// pitch, and a pinhole whose focal length gives the view's horizontal field of view. The
// scene renderer, the panorama view and the window's marks over them all place pixels with
// it, so that a compass letter or the aircraft mark sits on the pixels drawn for it.
#pragma once

#include <cmath>
#include <cstdint>
#include <numbers>

#include "sceneview/scene_model.h"
#include "sceneview/scene_view.h"

namespace talvero {

// The viewer's place and the scene's axes at yaw 0 and pitch 0 (unit vectors).
struct ViewAxes {
  Vec3 Eye, Forward, Right, Up;
};

// Camera coordinates are x to the right, y up and z ahead; pixel coordinates x to the right
// and y down, with pixel centres at +0.5.
struct ViewCamera {
  Vec3 Eye, Right, Up, Ahead;
  double Focal = 1, CentreX = 0, CentreY = 0;
  int32_t Width = 0, Height = 0;

  // Looks `yaw` degrees to the right of the forward axis (the panorama view turns the
  // settings' own yaw by the scene's rotation); pitch, field of view and size from `view`.
  ViewCamera(const ViewAxes& axes, double yaw, const SceneViewSettings& view)
      : Eye(axes.Eye), Width(view.Width), Height(view.Height) {
    constexpr double kDegree = std::numbers::pi / 180;
    const double turn = yaw * kDegree, pitch = view.Pitch * kDegree;
    const Vec3 level = std::cos(turn) * axes.Forward + std::sin(turn) * axes.Right;
    Right = std::cos(turn) * axes.Right - std::sin(turn) * axes.Forward;
    Ahead = std::cos(pitch) * level + std::sin(pitch) * axes.Up;
    Up = std::cos(pitch) * axes.Up - std::sin(pitch) * level;
    CentreX = view.Width / 2.0;
    CentreY = view.Height / 2.0;
    Focal = CentreX / std::tan(view.Fov * kDegree / 2);
  }

  // A direction in the scene's axes, in camera coordinates.
  Vec3 Turned(Vec3 direction) const {
    return {Dot(direction, Right), Dot(direction, Up), Dot(direction, Ahead)};
  }
  // A point of the scene in camera coordinates.
  Vec3 ToCamera(Vec3 point) const { return Turned(point - Eye); }
  // Where a point ahead (camera coordinates, z > 0) lands on the picture.
  double ScreenX(Vec3 c) const { return CentreX + Focal * c.X / c.Z; }
  double ScreenY(Vec3 c) const { return CentreY - Focal * c.Y / c.Z; }
  // The ray through the picture position (x, y), in the scene's axes (not of unit length).
  Vec3 Ray(double x, double y) const {
    const double cx = (x - CentreX) / Focal, cy = (CentreY - y) / Focal;
    return Ahead + cx * Right + cy * Up;
  }
};

}  // namespace talvero
