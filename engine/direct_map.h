// Inverse maps computed from view directions, for the jobs that cannot use the cube map's
// symmetric table: a levelled panorama (every output direction is turned before it becomes
// a panorama position, so the panorama is sampled once) and the high-quality faces, which
// are rendered straight at their output size.
//
// Panorama geometry: a direction (x, y, z) with z up lies at longitude atan2(y, x) and polar
// angle atan2(hypot(x, y), z); f pixels per 45° in both, longitude 0 on the left edge of
// column 0, the zenith on the top edge of row 0.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "imaging/bitmap.h"
#include "imaging/footprint_sampler.h"

namespace talvero {

struct Rotation {
  double M[3][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
  void Apply(const double in[3], double out[3]) const {
    for (int r = 0; r < 3; ++r) out[r] = M[r][0] * in[0] + M[r][1] * in[1] + M[r][2] * in[2];
  }
  bool IsIdentity() const;
};

// The camera pose of the XMP properties GPano:PosePitchDegrees (the view centre's elevation
// above the horizon) and GPano:PoseRollDegrees (positive: the horizon turns counter-clockwise
// in the picture). The rotation takes a direction of the levelled world to the direction in
// the panorama that shows it: levelling undoes the pose.
Rotation LevellingRotation(double pitchDegrees, double rollDegrees);

// The panorama position of a direction, in pixel-index coordinates: u in [-0.5, W - 0.5),
// v in [-0.5, H - 0.5] (H = W / 2).
void DirectionToPanorama(const double d[3], int32_t panoramaWidth, double& u, double& v);
// The direction of a panorama position given in area coordinates (pixel (c, r) covers
// [c, c + 1) × [r, r + 1)).
void PanoramaToDirection(double uArea, double vArea, int32_t panoramaWidth, double d[3]);

// A target pixel's panorama position (index coordinates, u any real: it wraps) for the
// target point (x, y) in area coordinates (pixel centres at + 0.5).
using PositionOf = std::function<void(double x, double y, double& u, double& v)>;

// Panorama positions of target rows [rowBegin, rowEnd), `width` pixels each, row by row: U
// wrapped into [0, W), V as computed (the samplers clamp it); with `derivatives`, also which
// pixels take one bilinear tap (Point) and, for the others, the steps of their footprint.
// Positions are computed exactly on a grid of nodes every few pixels and interpolated between
// them; a cell whose interpolation misses the exact position at its centre (near a pole, where
// the longitude turns fast) is split, down to single pixels.
struct SourceRows {
  std::vector<double> U, V;
  std::vector<float> UX, VX, UY, VY;  // only where Point is 0
  std::vector<uint8_t> Point;
  Footprint At(size_t i) const { return {U[i], V[i], UX[i], VX[i], UY[i], VY[i]}; }
};
void MapSourceRows(const PositionOf& position, int32_t panoramaWidth, int32_t width,
                   int32_t rowBegin, int32_t rowEnd, bool derivatives, SourceRows& out);

// A levelled copy of a small panorama (24-bit, twice as wide as high), for previews: every
// pixel filtered over its footprint, on the calling thread.
Bitmap LevelledPanorama(const Bitmap& panorama, const Rotation& rotation);

}  // namespace talvero
