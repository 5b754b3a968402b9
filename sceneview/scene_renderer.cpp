// The perspective rasteriser of the scene view: each triangle clipped to the view, culled
// as the simulator culls it, filled row by row with perspective-correct texture coordinates
// and bilinear sampling, behind a depth buffer; then the ground as a grid of thin lines.
#include <algorithm>
#include <array>
#include <cmath>

#include "sceneview/scene_view.h"
#include "sceneview/view_camera.h"
#include "support/errors.h"

namespace talvero {

namespace {

// Nothing nearer than this to the eye is drawn (metres).
constexpr double kNearDistance = 0.05;
// Clipping reaches this many pixels beyond the picture, so that a clipped edge never shows.
constexpr double kGuardPixels = 2;

// The ground grid: lines across each ground quad at 1, 2, 4, 8, ... metres from the point
// under the eye, so that they spread evenly over the view from the feet to the horizon;
// drawn over the scenery but behind nearer faces.
constexpr double kFirstGroundLine = 1;
constexpr Rgb kGroundColour{255, 236, 150};
constexpr uint32_t kGroundAlpha = 150;  // of 256

Vec3 Cross(Vec3 a, Vec3 b) {
  return {a.Y * b.Z - a.Z * b.Y, a.Z * b.X - a.X * b.Z, a.X * b.Y - a.Y * b.X};
}

// The view volume as planes a·x + b·y + c·z + d >= 0 in camera coordinates.
struct Plane {
  double A, B, C, D;
  double Distance(Vec3 p) const { return A * p.X + B * p.Y + C * p.Z + D; }
};

std::array<Plane, 5> ViewPlanes(const ViewCamera& cam) {
  const double gx = cam.CentreX + kGuardPixels, gy = cam.CentreY + kGuardPixels;
  return {{{0, 0, 1, -kNearDistance},
           {cam.Focal, 0, gx, 0},
           {-cam.Focal, 0, gx, 0},
           {0, cam.Focal, gy, 0},
           {0, -cam.Focal, gy, 0}}};
}

bool Before(Vec3 a, Vec3 b) {
  if (a.X != b.X) return a.X < b.X;
  if (a.Y != b.Y) return a.Y < b.Y;
  return a.Z < b.Z;
}

// Where the edge crosses the plane, computed from the same end whichever way the edge is
// walked: two faces that share the edge get the very same point, so no crack opens.
Vec3 Crossing(Vec3 a, Vec3 b, const Plane& plane) {
  if (Before(b, a)) std::swap(a, b);
  const double da = plane.Distance(a), db = plane.Distance(b);
  return a + (da / (da - db)) * (b - a);
}

constexpr int kMaxClipped = 3 + 5 + 1;
struct Polygon {
  std::array<Vec3, kMaxClipped> P;
  int N = 0;
};

void Clip(Polygon& poly, const Plane& plane) {
  Polygon out;
  for (int i = 0; i < poly.N; ++i) {
    const Vec3 a = poly.P[i], b = poly.P[(i + 1) % poly.N];
    const bool inA = plane.Distance(a) >= 0, inB = plane.Distance(b) >= 0;
    if (inA) out.P[out.N++] = a;
    if (inA != inB && out.N < kMaxClipped) out.P[out.N++] = Crossing(a, b, plane);
  }
  poly = out;
}

// A value that is affine over the triangle's plane, divided by the distance ahead; as such
// it is affine across the picture: Gradient · ((x - cx) / f, -(y - cy) / f, 1).
struct ScreenLinear {
  double PerX = 0, PerY = 0, At0 = 0;  // value = At0 + PerX * px + PerY * py (pixel centres)
  double At(double px, double py) const { return At0 + PerX * px + PerY * py; }
};

ScreenLinear ToScreen(Vec3 g, const ViewCamera& cam) {
  ScreenLinear s;
  s.PerX = g.X / cam.Focal;
  s.PerY = -g.Y / cam.Focal;
  s.At0 = g.Z + g.X * (0.5 - cam.CentreX) / cam.Focal - g.Y * (0.5 - cam.CentreY) / cam.Focal;
  return s;
}

inline uint32_t Lerp(uint32_t a, uint32_t b, uint32_t f) {
  const uint32_t rb = (((a & 0xFF00FF) * (256 - f) + (b & 0xFF00FF) * f) >> 8) & 0xFF00FF;
  const uint32_t g = (((a & 0x00FF00) * (256 - f) + (b & 0x00FF00) * f) >> 8) & 0x00FF00;
  return rb | g;
}

inline int32_t Wrap(int32_t i, int32_t n) {
  const int32_t r = i % n;
  return r < 0 ? r + n : r;
}

// Texel coordinates in 16.16 fixed point; the centre of texel i is at i.
inline int64_t Fixed(double texels) {
  constexpr double kLimit = 1 << 23;  // far beyond any coordinate a scene keeps
  return static_cast<int64_t>(std::clamp(texels, -kLimit, kLimit) * 65536);
}

// Bilinear sample at fixed-point texel coordinates; the image repeats.
inline uint32_t Sample(const LoadedScene::TextureLevel& t, int64_t u, int64_t v) {
  int32_t x0 = static_cast<int32_t>(u >> 16), y0 = static_cast<int32_t>(v >> 16);
  const auto fu = static_cast<uint32_t>((u >> 8) & 0xFF),
             fv = static_cast<uint32_t>((v >> 8) & 0xFF);
  int32_t x1 = x0 + 1, y1 = y0 + 1;
  if (static_cast<uint32_t>(x0) >= static_cast<uint32_t>(t.Width - 1)) {
    x0 = Wrap(x0, t.Width);
    x1 = Wrap(x0 + 1, t.Width);
  }
  if (static_cast<uint32_t>(y0) >= static_cast<uint32_t>(t.Height - 1)) {
    y0 = Wrap(y0, t.Height);
    y1 = Wrap(y0 + 1, t.Height);
  }
  const uint32_t* r0 = t.Texels.data() + static_cast<size_t>(y0) * t.Width;
  const uint32_t* r1 = t.Texels.data() + static_cast<size_t>(y1) * t.Width;
  return Lerp(Lerp(r0[x0], r0[x1], fu), Lerp(r1[x0], r1[x1], fu), fv);
}

class Rasteriser {
 public:
  Rasteriser(Bitmap& image, std::vector<float>& depth, const ViewCamera& cam)
      : FImage(image), FDepth(depth), FCam(cam), FPlanes(ViewPlanes(cam)) {}

  void Triangle(const SceneTriangle& tri, const LoadedScene::Texture& tex, FrontFace front) {
    const Vec3 p0 = FCam.ToCamera(tri.V[0].P), p1 = FCam.ToCamera(tri.V[1].P),
               p2 = FCam.ToCamera(tri.V[2].P);
    const Vec3 c0 = Cross(p1, p2), c1 = Cross(p2, p0), c2 = Cross(p0, p1);
    // Positive when the eye sees the corners counter-clockwise; zero when it sees the edge.
    const double k = Dot(p0, c0);
    const double scale = Dot(p0, p0) + Dot(p1, p1) + Dot(p2, p2);
    if (!(std::fabs(k) > 1e-12 * scale * std::sqrt(scale))) return;
    if ((k > 0) != (front == FrontFace::CounterClockwise)) return;  // its back: culled

    Polygon poly;
    poly.P[0] = p0;
    poly.P[1] = p1;
    poly.P[2] = p2;
    poly.N = 3;
    for (const Plane& plane : FPlanes) {
      Clip(poly, plane);
      if (poly.N < 3) return;
    }

    // 1/z, u/z and v/z across the picture, from the plane of the whole triangle.
    auto gradient = [&](double a0, double a1, double a2) {
      return ToScreen((1 / k) * (a0 * c0 + a1 * c1 + a2 * c2), FCam);
    };
    const double w = tex.Levels[0].Width, h = tex.Levels[0].Height;
    const ScreenLinear iz = gradient(1, 1, 1);
    const ScreenLinear uz =
        gradient(tri.V[0].U * w - 0.5, tri.V[1].U * w - 0.5, tri.V[2].U * w - 0.5);
    const ScreenLinear vz =
        gradient(tri.V[0].V * h - 0.5, tri.V[1].V * h - 0.5, tri.V[2].V * h - 0.5);

    std::array<double, kMaxClipped> sx, sy;
    double top = 1e300, bottom = -1e300;
    for (int i = 0; i < poly.N; ++i) {
      sx[i] = FCam.ScreenX(poly.P[i]);
      sy[i] = FCam.ScreenY(poly.P[i]);
      top = std::min(top, sy[i]);
      bottom = std::max(bottom, sy[i]);
    }
    const int32_t rowBegin = std::max<int32_t>(0, static_cast<int32_t>(std::ceil(top - 0.5)));
    const int32_t rowEnd =
        std::min<int32_t>(FCam.Height, static_cast<int32_t>(std::ceil(bottom - 0.5)));
    for (int32_t py = rowBegin; py < rowEnd; ++py) {
      const double yc = py + 0.5;
      double left = 1e300, right = -1e300;
      for (int i = 0; i < poly.N; ++i) {
        const int j = (i + 1) % poly.N;
        // Each edge from its upper end, so that both faces of a shared edge agree.
        const bool down = sy[i] < sy[j] || (sy[i] == sy[j] && sx[i] < sx[j]);
        const int a = down ? i : j, b = down ? j : i;
        if (!(sy[a] <= yc && yc < sy[b])) continue;
        const double x = sx[a] + (yc - sy[a]) * (sx[b] - sx[a]) / (sy[b] - sy[a]);
        left = std::min(left, x);
        right = std::max(right, x);
      }
      if (!(left < right)) continue;
      const int32_t x0 = std::max<int32_t>(0, static_cast<int32_t>(std::ceil(left - 0.5)));
      const int32_t x1 =
          std::min<int32_t>(FCam.Width, static_cast<int32_t>(std::ceil(right - 0.5)));
      Span(py, x0, x1, iz, uz, vz, tex);
    }
  }

  // A line of the ground grid between two points of the scene.
  void GroundLine(Vec3 a, Vec3 b) {
    Vec3 p = FCam.ToCamera(a), q = FCam.ToCamera(b);
    const Plane& nearPlane = FPlanes[0];
    const double dp = nearPlane.Distance(p), dq = nearPlane.Distance(q);
    if (dp < 0 && dq < 0) return;
    if (dp < 0) p = Crossing(p, q, nearPlane);
    if (dq < 0) q = Crossing(p, q, nearPlane);
    double x0 = FCam.ScreenX(p), y0 = FCam.ScreenY(p), x1 = FCam.ScreenX(q), y1 = FCam.ScreenY(q);
    double iz0 = 1 / p.Z, iz1 = 1 / q.Z;
    // Liang-Barsky against the picture; 1/z follows the line linearly on the screen.
    double t0 = 0, t1 = 1;
    const double dx = x1 - x0, dy = y1 - y0;
    const double pr[4] = {-dx, dx, -dy, dy};
    const double qr[4] = {x0, FCam.Width - x0, y0, FCam.Height - y0};
    for (int i = 0; i < 4; ++i) {
      if (pr[i] == 0) {
        if (qr[i] < 0) return;
        continue;
      }
      const double t = qr[i] / pr[i];
      if (pr[i] < 0)
        t0 = std::max(t0, t);
      else
        t1 = std::min(t1, t);
      if (t0 > t1) return;
    }
    const double ax = x0 + t0 * dx, ay = y0 + t0 * dy, bx = x0 + t1 * dx, by = y0 + t1 * dy;
    const double aiz = iz0 + t0 * (iz1 - iz0), biz = iz0 + t1 * (iz1 - iz0);
    const int steps =
        static_cast<int>(std::ceil(std::max(std::fabs(bx - ax), std::fabs(by - ay)))) + 1;
    for (int s = 0; s <= steps; ++s) {
      const double t = static_cast<double>(s) / steps;
      const auto px = static_cast<int32_t>(std::floor(ax + t * (bx - ax)));
      const auto py = static_cast<int32_t>(std::floor(ay + t * (by - ay)));
      if (px < 0 || py < 0 || px >= FCam.Width || py >= FCam.Height) continue;
      const size_t at = static_cast<size_t>(py) * FCam.Width + px;
      // Faces nearer than the ground hide it.
      if (static_cast<float>(aiz + t * (biz - aiz)) < FDepth[at]) continue;
      uint8_t* out = FImage.Row(py) + 3 * static_cast<size_t>(px);
      auto blend = [](uint8_t& v, uint8_t c) {
        v = static_cast<uint8_t>((v * (256 - kGroundAlpha) + c * kGroundAlpha) >> 8);
      };
      blend(out[0], kGroundColour.B);
      blend(out[1], kGroundColour.G);
      blend(out[2], kGroundColour.R);
    }
  }

 private:
  void Span(int32_t py, int32_t x0, int32_t x1, const ScreenLinear& iz, const ScreenLinear& uz,
            const ScreenLinear& vz, const LoadedScene::Texture& tex) {
    float* depth = FDepth.data() + static_cast<size_t>(py) * FCam.Width;
    uint8_t* out = FImage.Row(py);
    const double izRow = iz.At(0, py), uzRow = uz.At(0, py), vzRow = vz.At(0, py);
    // The exact perspective division at both ends of short runs, straight steps between:
    // on so few pixels the difference stays far below a texel.
    constexpr int32_t kRun = 16;
    for (int32_t xs = x0; xs < x1; xs += kRun) {
      const int32_t n = std::min(kRun, x1 - xs), xl = xs + n - 1;
      const double ws = izRow + iz.PerX * xs, wl = izRow + iz.PerX * xl;
      const double us = (uzRow + uz.PerX * xs) / ws, vs = (vzRow + vz.PerX * xs) / ws;
      const double ul = (uzRow + uz.PerX * xl) / wl, vl = (vzRow + vz.PerX * xl) / wl;
      const double dux = n > 1 ? (ul - us) / (n - 1) : 0, dvx = n > 1 ? (vl - vs) / (n - 1) : 0;
      // Texels per pixel across and down the picture choose the copy to draw from.
      double footprint = dux * dux + dvx * dvx;
      if (const double wy = ws + iz.PerY; wy > 0) {
        const double duy = (uzRow + uz.PerX * xs + uz.PerY) / wy - us;
        const double dvy = (vzRow + vz.PerX * xs + vz.PerY) / wy - vs;
        footprint = std::max(footprint, duy * duy + dvy * dvy);
      }
      size_t level = 0;
      // The copy nearest in size: the next one once a pixel spans 2^(level + 1/2) texels.
      while (level + 1 < tex.Levels.size() &&
             footprint >= std::ldexp(2.0, 2 * static_cast<int>(level)))
        ++level;
      const LoadedScene::TextureLevel& t = tex.Levels[level];
      const double sx = static_cast<double>(t.Width) / tex.Levels[0].Width;
      const double sy = static_cast<double>(t.Height) / tex.Levels[0].Height;
      int64_t u = Fixed((us + 0.5) * sx - 0.5), v = Fixed((vs + 0.5) * sy - 0.5);
      const int64_t du = Fixed(dux * sx), dv = Fixed(dvx * sy);
      for (int32_t px = xs; px <= xl; ++px, u += du, v += dv) {
        const auto w = static_cast<float>(izRow + iz.PerX * px);
        if (!(w > depth[px])) continue;
        depth[px] = w;
        const uint32_t c = Sample(t, u, v);
        uint8_t* p = out + 3 * static_cast<size_t>(px);
        p[0] = static_cast<uint8_t>(c);
        p[1] = static_cast<uint8_t>(c >> 8);
        p[2] = static_cast<uint8_t>(c >> 16);
      }
    }
  }

  Bitmap& FImage;
  std::vector<float>& FDepth;
  const ViewCamera& FCam;
  const std::array<Plane, 5> FPlanes;
};

// Parameters along one side of the quad, from 0 to 1: both ends, and the lines at doubling
// distances on either side of `foot` (the eye's place along that side, as a parameter).
std::vector<double> GridParameters(double foot, double sideLength) {
  std::vector<double> at = {0, 1};
  if (!(sideLength > 0)) return at;
  for (double d = kFirstGroundLine; d < 2 * sideLength; d *= 2)
    for (const double t : {foot - d / sideLength, foot + d / sideLength})
      if (t > 0 && t < 1) at.push_back(t);
  return at;
}

void DrawGroundGrid(Rasteriser& r, const std::vector<Vec3>& c, Vec3 eye) {
  if (c.size() != 4) {
    for (size_t i = 0; i < c.size(); ++i) r.GroundLine(c[i], c[(i + 1) % c.size()]);
    return;
  }
  // The eye's foot in the quad's own parameters, the quad taken as the parallelogram of its
  // first corner and the two sides that meet there.
  const Vec3 e1 = c[1] - c[0], e2 = c[3] - c[0], d = eye - c[0];
  const double a = Dot(e1, e1), b = Dot(e1, e2), cc = Dot(e2, e2), det = a * cc - b * b;
  double s = 0.5, t = 0.5;
  if (det > 0) {
    s = (cc * Dot(d, e1) - b * Dot(d, e2)) / det;
    t = (a * Dot(d, e2) - b * Dot(d, e1)) / det;
  }
  auto along = [](Vec3 p, Vec3 q, double k) { return p + k * (q - p); };
  for (const double k : GridParameters(s, std::sqrt(a)))
    r.GroundLine(along(c[0], c[1], k), along(c[3], c[2], k));
  for (const double k : GridParameters(t, std::sqrt(cc)))
    r.GroundLine(along(c[0], c[3], k), along(c[1], c[2], k));
}

}  // namespace

Bitmap SceneRenderer::Render(const LoadedScene& scene, const SceneViewSettings& settings) {
  if (const std::string problem = settings.Problem(); !problem.empty()) throw Error(problem);
  const SceneModel& model = scene.Model();
  Bitmap image = Bitmap::Uninitialized(settings.Width, settings.Height);
  image.Fill(kBackgroundColour);
  FDepth.assign(static_cast<size_t>(settings.Width) * static_cast<size_t>(settings.Height), 0.0f);
  const ViewCamera cam({model.Eye, model.Forward, model.Right, model.Up}, settings.Yaw, settings);
  Rasteriser raster(image, FDepth, cam);
  for (const SceneTriangle& tri : model.Triangles)
    raster.Triangle(tri, scene.MaterialTexture(tri.Material), model.Front);
  FUncovered = std::count(FDepth.begin(), FDepth.end(), 0.0f);
  if (settings.Ground)
    for (const std::vector<Vec3>& ground : model.Ground) DrawGroundGrid(raster, ground, model.Eye);
  return image;
}

}  // namespace talvero
