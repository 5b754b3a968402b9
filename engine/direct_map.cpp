#include "engine/direct_map.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace talvero {

namespace {

constexpr double kPi = std::numbers::pi;
constexpr int32_t kGrid = 16;  // pixels between exact nodes
constexpr double kInterpolationError = 0.05;  // in panorama pixels: a shift nobody sees

// u moved by whole turns to lie within half a turn of `near`.
inline double Unwrap(double u, double near, double turn) {
  return u + turn * std::round((near - u) / turn);
}

// u moved by whole turns into [-0.5, turn - 0.5).
inline double Wrap(double u, double turn) {
  if (u < -0.5) u += turn * std::ceil((-0.5 - u) / turn);
  if (u >= turn - 0.5) u -= turn * std::floor((u + 0.5) / turn);
  return u;
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
  const FootprintSource source(panorama);
  SourceRows rows;
  constexpr int32_t kBlock = 32;
  for (int32_t top = 0; top < h; top += kBlock) {
    const int32_t end = std::min(h, top + kBlock);
    MapSourceRows(position, w, w, top, end, true, rows);
    for (int32_t y = top; y < end; ++y)
      for (int32_t x = 0; x < w; ++x)
      {
        const size_t i = static_cast<size_t>(y - top) * w + x;
        uint8_t* out = levelled.Row(y) + 3 * x;
        if (rows.Point[i])
          SampleBilinear(panorama, rows.U[i], rows.V[i], out);
        else
          source.Sample(rows.At(i), out);
      }
  }
  return levelled;
}

namespace {

// One panorama position, as a node of the map.
struct Node {
  double U, V;
};

// Fills the map of one cell: the pixels [x0, xe] × [y0, ye] between the nodes at (x0, y0) and
// (x1, y1) (xe is x1 at the last column, else x1 - 1; the same for rows), whose corner positions
// are known, U unwrapped next to the first.
class CellFiller {
 public:
  CellFiller(const PositionOf& position, double turn, int32_t width, int32_t rowBegin,
             bool derivatives, SourceRows& out)
      : FPosition(position), FTurn(turn), FWidth(width), FRowBegin(rowBegin),
        FDerivatives(derivatives), FOut(out) {}

  Node At(int32_t x, int32_t y, double near) const {
    Node node;
    FPosition(x + 0.5, y + 0.5, node.U, node.V);
    node.U = Unwrap(node.U, near, FTurn);
    return node;
  }

  void Fill(int32_t x0, int32_t y0, int32_t x1, int32_t y1, int32_t xe, int32_t ye, Node n00,
            Node n10, Node n01, Node n11) const {
    const int32_t w = x1 - x0, h = y1 - y0;
    const bool splitX = w > 1, splitY = h > 1;
    if (splitX || splitY) {
      // The interpolation is trusted when it hits the exact position at the cell's centre.
      const int32_t mx = splitX ? x0 + w / 2 : x0, my = splitY ? y0 + h / 2 : y0;
      const double s = splitX ? static_cast<double>(mx - x0) / w : 0;
      const double t = splitY ? static_cast<double>(my - y0) / h : 0;
      const Node centre = At(mx, my, n00.U);
      const double iu = Bilinear(n00.U, n10.U, n01.U, n11.U, s, t);
      const double iv = Bilinear(n00.V, n10.V, n01.V, n11.V, s, t);
      if (!(std::fabs(centre.U - iu) < kInterpolationError &&
            std::fabs(centre.V - iv) < kInterpolationError)) {
        if (splitX && splitY) {
          const Node top = At(mx, y0, n00.U), left = At(x0, my, n00.U);
          const Node right = At(x1, my, n00.U), bottom = At(mx, y1, n00.U);
          Fill(x0, y0, mx, my, mx - 1, my - 1, n00, top, left, centre);
          Fill(mx, y0, x1, my, xe, my - 1, top, n10, centre, right);
          Fill(x0, my, mx, y1, mx - 1, ye, left, centre, n01, bottom);
          Fill(mx, my, x1, y1, xe, ye, centre, right, bottom, n11);
        } else if (splitX) {
          const Node bottom = h > 0 ? At(mx, y1, n00.U) : centre;
          Fill(x0, y0, mx, y1, mx - 1, ye, n00, centre, n01, bottom);
          Fill(mx, y0, x1, y1, xe, ye, centre, n10, bottom, n11);
        } else {
          const Node right = w > 0 ? At(x1, my, n00.U) : centre;
          Fill(x0, y0, x1, my, xe, my - 1, n00, n10, centre, right);
          Fill(x0, my, x1, y1, xe, ye, centre, right, n01, n11);
        }
        return;
      }
    }
    Interpolate(x0, y0, x1, y1, xe, ye, n00, n10, n01, n11);
  }

 private:
  static double Bilinear(double a00, double a10, double a01, double a11, double s, double t) {
    return (1 - t) * ((1 - s) * a00 + s * a10) + t * ((1 - s) * a01 + s * a11);
  }

  void Interpolate(int32_t x0, int32_t y0, int32_t x1, int32_t y1, int32_t xe, int32_t ye,
                   Node n00, Node n10, Node n01, Node n11) const {
    const double inverseWidth = 1.0 / std::max(1, x1 - x0);
    const double inverseHeight = 1.0 / std::max(1, y1 - y0);
    // A pixel's derivatives are a weighted mean of those at the corners, and the longest axis
    // of a footprint is a convex function of them: when every corner takes one tap, so does
    // every pixel of the cell.
    const double topU = (n10.U - n00.U) * inverseWidth, topV = (n10.V - n00.V) * inverseWidth;
    const double bottomU = (n11.U - n01.U) * inverseWidth, bottomV = (n11.V - n01.V) * inverseWidth;
    const double leftU = (n01.U - n00.U) * inverseHeight, leftV = (n01.V - n00.V) * inverseHeight;
    const double rightU = (n11.U - n10.U) * inverseHeight, rightV = (n11.V - n10.V) * inverseHeight;
    bool allPoints = false;
    if (FDerivatives) {
      allPoints = true;
      for (int corner = 0; corner < 4 && allPoints; ++corner) {
        const bool bottom = corner & 1, right = corner & 2;
        allPoints = FootprintMajorSquared(bottom ? bottomU : topU, bottom ? bottomV : topV,
                                          right ? rightU : leftU, right ? rightV : leftV) <
                    kPointFootprintSquared;
      }
    }
    for (int32_t y = y0; y <= ye; ++y) {
      const size_t first = static_cast<size_t>(y - FRowBegin) * FWidth;
      // Along a row of the cell the interpolation is linear.
      const double t = (y - y0) * inverseHeight;
      const double startU = (1 - t) * n00.U + t * n01.U, startV = (1 - t) * n00.V + t * n01.V;
      const double stepU = (1 - t) * topU + t * bottomU, stepV = (1 - t) * topV + t * bottomV;
      double* u = FOut.U.data() + first;
      double* v = FOut.V.data() + first;
      for (int32_t x = x0; x <= xe; ++x) {
        u[x] = startU + (x - x0) * stepU;
        v[x] = startV + (x - x0) * stepV;
      }
      // Columns wrap round; most segments lie within the panorama already.
      if (!(std::min(u[x0], u[xe]) >= -0.5 && std::max(u[x0], u[xe]) < FTurn - 0.5))
        for (int32_t x = x0; x <= xe; ++x) u[x] = Wrap(u[x], FTurn);
      if (!FDerivatives) continue;
      uint8_t* point = FOut.Point.data() + first;
      if (allPoints) {
        std::fill(point + x0, point + xe + 1, uint8_t{1});
        continue;
      }
      for (int32_t x = x0; x <= xe; ++x) {
        const double s = (x - x0) * inverseWidth;
        const double downU = leftU + s * (rightU - leftU), downV = leftV + s * (rightV - leftV);
        point[x] = FootprintMajorSquared(stepU, stepV, downU, downV) < kPointFootprintSquared;
        FOut.UX[first + x] = static_cast<float>(stepU);
        FOut.VX[first + x] = static_cast<float>(stepV);
        FOut.UY[first + x] = static_cast<float>(downU);
        FOut.VY[first + x] = static_cast<float>(downV);
      }
    }
  }

  const PositionOf& FPosition;
  double FTurn;
  int32_t FWidth, FRowBegin;
  bool FDerivatives;
  SourceRows& FOut;
};

}  // namespace

void MapSourceRows(const PositionOf& position, int32_t panoramaWidth, int32_t width,
                   int32_t rowBegin, int32_t rowEnd, bool derivatives, SourceRows& out) {
  const double turn = panoramaWidth;
  const size_t count = static_cast<size_t>(rowEnd - rowBegin) * width;
  out.U.resize(count);
  out.V.resize(count);
  if (derivatives) {
    for (auto* v : {&out.UX, &out.VX, &out.UY, &out.VY}) v->resize(count);
    out.Point.resize(count);
  }
  // Node columns and rows: every kGrid pixels and the last one (one past a single column or
  // row, so that a cell always has a width and a height for its derivatives); a cell spans
  // from one node to the next, the last one including its end node when it is a pixel.
  const int32_t lastX = std::max(width - 1, 1), lastY = std::max(rowEnd - 1, rowBegin + 1);
  std::vector<int32_t> xs, ys;
  for (int32_t x = 0; x < lastX; x += kGrid) xs.push_back(x);
  xs.push_back(lastX);
  for (int32_t y = rowBegin; y < lastY; y += kGrid) ys.push_back(y);
  ys.push_back(lastY);
  const size_t nx = xs.size(), ny = ys.size();
  std::vector<Node> nodes(nx * ny);
  for (size_t j = 0; j < ny; ++j)
    for (size_t i = 0; i < nx; ++i)
      position(xs[i] + 0.5, ys[j] + 0.5, nodes[j * nx + i].U, nodes[j * nx + i].V);

  const CellFiller filler(position, turn, width, rowBegin, derivatives, out);
  for (size_t j = 0; j + 1 < ny; ++j) {
    const int32_t y0 = ys[j], y1 = ys[j + 1];
    const int32_t ye = j + 2 == ny ? std::min(y1, rowEnd - 1) : y1 - 1;
    for (size_t i = 0; i + 1 < nx; ++i) {
      const int32_t x0 = xs[i], x1 = xs[i + 1];
      const int32_t xe = i + 2 == nx ? std::min(x1, width - 1) : x1 - 1;
      Node n00 = nodes[j * nx + i], n10 = nodes[j * nx + i + 1];
      Node n01 = nodes[(j + 1) * nx + i], n11 = nodes[(j + 1) * nx + i + 1];
      for (Node* n : {&n10, &n01, &n11}) n->U = Unwrap(n->U, n00.U, turn);
      filler.Fill(x0, y0, x1, y1, xe, ye, n00, n10, n01, n11);
    }
  }
}

}  // namespace talvero
