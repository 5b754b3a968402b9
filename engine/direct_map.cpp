#include "engine/direct_map.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace talvero {

namespace {

constexpr double kPi = std::numbers::pi;
constexpr int32_t kGrid = 8;               // pixels between exact nodes
constexpr double kInterpolationError = 0.05;  // in panorama pixels: a shift nobody sees

// u moved by whole turns to lie within half a turn of `near`.
inline double Unwrap(double u, double near, double turn) {
  return u + turn * std::round((near - u) / turn);
}

}  // namespace

bool Rotation::IsIdentity() const {
  for (int r = 0; r < 3; ++r)
    for (int c = 0; c < 3; ++c)
      if (M[r][c] != (r == c ? 1.0 : 0.0)) return false;
  return true;
}

Rotation LevellingRotation(double pitchDegrees, double rollDegrees) {
  Rotation rotation;
  if (pitchDegrees == 0 && rollDegrees == 0) return rotation;
  // The panorama's own axes: forward is its centre column (longitude 180°), right is the
  // direction of growing columns, up the zenith.
  const double forward[3] = {-1, 0, 0}, right[3] = {0, -1, 0}, up[3] = {0, 0, 1};
  // The camera's axes in the world: pitched up about its right axis, then rolled clockwise
  // (seen from behind) about its forward axis, which turns the horizon counter-clockwise.
  const double p = pitchDegrees * kPi / 180, r = rollDegrees * kPi / 180;
  double f[3], u[3], cr[3], cu[3];
  for (int i = 0; i < 3; ++i) {
    f[i] = std::cos(p) * forward[i] + std::sin(p) * up[i];
    u[i] = -std::sin(p) * forward[i] + std::cos(p) * up[i];
  }
  for (int i = 0; i < 3; ++i) {
    cr[i] = std::cos(r) * right[i] - std::sin(r) * u[i];
    cu[i] = std::sin(r) * right[i] + std::cos(r) * u[i];
  }
  // A world direction d has camera components (f.d, cr.d, cu.d); the panorama shows those
  // along its own axes: M = E C^T.
  const double* e[3] = {forward, right, up};
  const double* c[3] = {f, cr, cu};
  for (int row = 0; row < 3; ++row)
    for (int col = 0; col < 3; ++col) {
      double sum = 0;
      for (int k = 0; k < 3; ++k) sum += e[k][row] * c[k][col];
      rotation.M[row][col] = sum;
    }
  return rotation;
}

void DirectionToPanorama(const double d[3], int32_t panoramaWidth, double& u, double& v) {
  const double k = panoramaWidth / (2 * kPi);  // pixels per radian
  double longitude = std::atan2(d[1], d[0]);
  if (longitude < 0) longitude += 2 * kPi;
  u = longitude * k - 0.5;
  v = std::atan2(std::hypot(d[0], d[1]), d[2]) * k - 0.5;
}

void PanoramaToDirection(double uArea, double vArea, int32_t panoramaWidth, double d[3]) {
  const double perPixel = 2 * kPi / panoramaWidth;
  const double longitude = uArea * perPixel, polar = vArea * perPixel;
  d[0] = std::sin(polar) * std::cos(longitude);
  d[1] = std::sin(polar) * std::sin(longitude);
  d[2] = std::cos(polar);
}

Bitmap LevelledPanorama(const Bitmap& panorama, const Rotation& rotation) {
  const int32_t w = panorama.Width(), h = panorama.Height();
  Bitmap levelled = Bitmap::Uninitialized(w, h);
  const PositionOf position = [&](double x, double y, double& u, double& v) {
    double d[3], turned[3];
    PanoramaToDirection(x, y, w, d);
    rotation.Apply(d, turned);
    DirectionToPanorama(turned, w, u, v);
  };
  SourceRows rows;
  constexpr int32_t kBlock = 32;
  for (int32_t top = 0; top < h; top += kBlock) {
    const int32_t end = std::min(h, top + kBlock);
    MapSourceRows(position, w, w, top, end, true, rows);
    for (int32_t y = top; y < end; ++y)
      for (int32_t x = 0; x < w; ++x)
        SampleFootprint(panorama, rows.At(static_cast<size_t>(y - top) * w + x),
                        levelled.Row(y) + 3 * x);
  }
  return levelled;
}

void MapSourceRows(const PositionOf& position, int32_t panoramaWidth, int32_t width,
                   int32_t rowBegin, int32_t rowEnd, bool derivatives, SourceRows& out) {
  const double turn = panoramaWidth;
  const size_t count = static_cast<size_t>(rowEnd - rowBegin) * width;
  out.U.resize(count);
  out.V.resize(count);
  if (derivatives) {
    for (auto* v : {&out.UX, &out.VX, &out.UY, &out.VY}) v->resize(count);
  }
  // Node columns and rows: every kGrid pixels and the last one; a cell spans from one node to
  // the next (the last cell includes its end node).
  std::vector<int32_t> xs, ys;
  for (int32_t x = 0; x < width - 1; x += kGrid) xs.push_back(x);
  xs.push_back(width - 1);
  for (int32_t y = rowBegin; y < rowEnd - 1; y += kGrid) ys.push_back(y);
  ys.push_back(rowEnd - 1);
  const size_t nx = xs.size(), ny = ys.size();
  std::vector<double> nodeU(nx * ny), nodeV(nx * ny);
  for (size_t j = 0; j < ny; ++j)
    for (size_t i = 0; i < nx; ++i)
      position(xs[i] + 0.5, ys[j] + 0.5, nodeU[j * nx + i], nodeV[j * nx + i]);

  auto exactPixel = [&](int32_t x, int32_t y, size_t k) {
    double u0, v0;
    position(x + 0.5, y + 0.5, u0, v0);
    out.U[k] = u0;
    out.V[k] = v0;
    if (!derivatives) return;
    double ul, vl, ur, vr, ua, va, ub, vb;
    position(x, y + 0.5, ul, vl);
    position(x + 1.0, y + 0.5, ur, vr);
    position(x + 0.5, y, ua, va);
    position(x + 0.5, y + 1.0, ub, vb);
    out.UX[k] = static_cast<float>(Unwrap(ur, u0, turn) - Unwrap(ul, u0, turn));
    out.VX[k] = static_cast<float>(vr - vl);
    out.UY[k] = static_cast<float>(Unwrap(ub, u0, turn) - Unwrap(ua, u0, turn));
    out.VY[k] = static_cast<float>(vb - va);
  };

  const size_t cellRows = ny > 1 ? ny - 1 : 1, cellColumns = nx > 1 ? nx - 1 : 1;
  for (size_t j = 0; j < cellRows; ++j) {
    const size_t j1 = ny > 1 ? j + 1 : j;
    const int32_t y0 = ys[j], y1 = ys[j1];
    const int32_t lastRow = j + 1 == cellRows ? y1 : y1 - 1;
    for (size_t i = 0; i < cellColumns; ++i) {
      const size_t i1 = nx > 1 ? i + 1 : i;
      const int32_t x0 = xs[i], x1 = xs[i1];
      const int32_t lastColumn = i + 1 == cellColumns ? x1 : x1 - 1;
      const double u00 = nodeU[j * nx + i];
      const double u10 = Unwrap(nodeU[j * nx + i1], u00, turn);
      const double u01 = Unwrap(nodeU[j1 * nx + i], u00, turn);
      const double u11 = Unwrap(nodeU[j1 * nx + i1], u00, turn);
      const double v00 = nodeV[j * nx + i], v10 = nodeV[j * nx + i1];
      const double v01 = nodeV[j1 * nx + i], v11 = nodeV[j1 * nx + i1];
      const double inverseWidth = 1.0 / std::max(1, x1 - x0);
      const double inverseHeight = 1.0 / std::max(1, y1 - y0);
      // The interpolation is trusted when it hits the exact position at the cell's centre.
      bool interpolate;
      {
        double u, v;
        position((x0 + x1) / 2.0 + 0.5, (y0 + y1) / 2.0 + 0.5, u, v);
        const double s = ((x0 + x1) / 2.0 - x0) * inverseWidth;
        const double t = ((y0 + y1) / 2.0 - y0) * inverseHeight;
        const double iu = (1 - t) * ((1 - s) * u00 + s * u10) + t * ((1 - s) * u01 + s * u11);
        const double iv = (1 - t) * ((1 - s) * v00 + s * v10) + t * ((1 - s) * v01 + s * v11);
        interpolate = std::fabs(Unwrap(u, iu, turn) - iu) < kInterpolationError &&
                      std::fabs(v - iv) < kInterpolationError;
      }
      for (int32_t y = y0; y <= lastRow; ++y) {
        const size_t first = static_cast<size_t>(y - rowBegin) * width;
        if (!interpolate) {
          for (int32_t x = x0; x <= lastColumn; ++x) exactPixel(x, y, first + x);
          continue;
        }
        // Along a row of the cell the interpolation is linear.
        const double t = (y - y0) * inverseHeight;
        const double startU = (1 - t) * u00 + t * u01, startV = (1 - t) * v00 + t * v01;
        const double stepU = ((1 - t) * (u10 - u00) + t * (u11 - u01)) * inverseWidth;
        const double stepV = ((1 - t) * (v10 - v00) + t * (v11 - v01)) * inverseWidth;
        double* u = out.U.data() + first;
        double* v = out.V.data() + first;
        for (int32_t x = x0; x <= lastColumn; ++x) {
          u[x] = startU + (x - x0) * stepU;
          v[x] = startV + (x - x0) * stepV;
        }
        if (derivatives) {
          const double downU0 = (u01 - u00) * inverseHeight, downU1 = (u11 - u10) * inverseHeight;
          const double downV0 = (v01 - v00) * inverseHeight, downV1 = (v11 - v10) * inverseHeight;
          for (int32_t x = x0; x <= lastColumn; ++x) {
            const double s = (x - x0) * inverseWidth;
            out.UX[first + x] = static_cast<float>(stepU);
            out.VX[first + x] = static_cast<float>(stepV);
            out.UY[first + x] = static_cast<float>(downU0 + s * (downU1 - downU0));
            out.VY[first + x] = static_cast<float>(downV0 + s * (downV1 - downV0));
          }
        }
      }
    }
  }
  // Columns wrap round.
  for (double& u : out.U) {
    if (u < -0.5) u += turn * std::ceil((-0.5 - u) / turn);
    if (u >= turn - 0.5) u -= turn * std::floor((u + 0.5) / turn);
  }
}

}  // namespace talvero
