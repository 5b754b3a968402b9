#include "imaging/footprint_sampler.h"

#include <algorithm>
#include <cmath>

namespace talvero {

namespace {

// Adds the bilinear sample at (u, v) to sum[0..2].
inline void AddBilinear(const Bitmap& source, double u, double v, float* sum) {
  const int32_t w = source.Width(), h = source.Height();
  const double fu = std::floor(u), fv = std::floor(v);
  const float a = static_cast<float>(u - fu), b = static_cast<float>(v - fv);
  // Positions lie within a few turns of the panorama: no division needed to wrap them.
  int64_t x0 = static_cast<int64_t>(fu);
  while (x0 < 0) x0 += w;
  while (x0 >= w) x0 -= w;
  const int64_t x1 = x0 + 1 == w ? 0 : x0 + 1;
  int64_t y0 = static_cast<int64_t>(fv), y1 = y0 + 1;
  y0 = std::clamp<int64_t>(y0, 0, h - 1);
  y1 = std::clamp<int64_t>(y1, 0, h - 1);
  const uint8_t* r0 = source.Row(static_cast<int32_t>(y0));
  const uint8_t* r1 = source.Row(static_cast<int32_t>(y1));
  const uint8_t* p00 = r0 + x0 * 3;
  const uint8_t* p10 = r0 + x1 * 3;
  const uint8_t* p01 = r1 + x0 * 3;
  const uint8_t* p11 = r1 + x1 * 3;
  const float w00 = (1 - a) * (1 - b), w10 = a * (1 - b), w01 = (1 - a) * b, w11 = a * b;
  for (int c = 0; c < 3; ++c) sum[c] += w00 * p00[c] + w10 * p10[c] + w01 * p01[c] + w11 * p11[c];
}

inline void Store(const float* sum, uint8_t* out) {
  for (int c = 0; c < 3; ++c)
    out[c] = static_cast<uint8_t>(std::clamp(sum[c] + 0.5f, 0.0f, 255.0f));
}

}  // namespace

void SampleBilinear(const Bitmap& source, double u, double v, uint8_t* out) {
  float sum[3] = {0, 0, 0};
  AddBilinear(source, u, v, sum);
  Store(sum, out);
}

void SampleFootprint(const Bitmap& source, const Footprint& at, uint8_t* out) {
  // The footprint's axes: the eigenvectors of J J^T, J = [UX UY; VX VY], whose eigenvalues
  // are the squared axis lengths.
  const double p = at.UX * at.UX + at.UY * at.UY, q = at.UX * at.VX + at.UY * at.VY;
  const double s = at.VX * at.VX + at.VY * at.VY;
  const double half = (p - s) / 2, root = std::sqrt(half * half + q * q);
  const double major = std::sqrt((p + s) / 2 + root);
  const double minor = std::sqrt(std::max(0.0, (p + s) / 2 - root));
  const int n1 = FootprintTaps(major), n2 = FootprintTaps(minor);
  float sum[3] = {0, 0, 0};
  if (n1 == 1 && n2 == 1) {
    AddBilinear(source, at.U, at.V, sum);
    Store(sum, out);
    return;
  }
  // The major axis' direction; for a round footprint any will do.
  double eu = p >= s ? (p + s) / 2 + root - s : q, ev = p >= s ? q : (p + s) / 2 + root - p;
  const double norm = std::hypot(eu, ev);
  if (norm > 0) {
    eu /= norm;
    ev /= norm;
  } else {
    eu = 1;
    ev = 0;
  }
  // Taps on a regular grid over the footprint's box along its axes.
  const double au = major * eu, av = major * ev, bu = -minor * ev, bv = minor * eu;
  for (int j = 0; j < n2; ++j) {
    const double t = (j + 0.5) / n2 - 0.5;
    const double rowU = at.U + t * bu, rowV = at.V + t * bv;
    for (int i = 0; i < n1; ++i) {
      const double r = (i + 0.5) / n1 - 0.5;
      AddBilinear(source, rowU + r * au, rowV + r * av, sum);
    }
  }
  const float scale = 1.0f / static_cast<float>(n1 * n2);
  for (float& value : sum) value *= scale;
  Store(sum, out);
}

namespace {

// The rows of `source` [top, top + rows) with every pair of columns averaged.
Bitmap HalvedRows(const Bitmap& source, int32_t top, int32_t rows) {
  const int32_t w = source.Width() / 2;
  Bitmap halved = Bitmap::Uninitialized(w, rows);
  for (int32_t y = 0; y < rows; ++y) {
    const uint8_t* in = source.Row(top + y);
    uint8_t* out = halved.Row(y);
    for (int32_t i = 0; i < 3 * w; i += 3, in += 6)
      for (int c = 0; c < 3; ++c) out[i + c] = static_cast<uint8_t>((in[c] + in[c + 3] + 1) / 2);
  }
  return halved;
}

// Copies down to this many columns, and at most this many halvings.
constexpr int32_t kNarrowestCopy = 64;
constexpr int kMaxHalvings = 4;

}  // namespace

FootprintSource::FootprintSource(const Bitmap& panorama) : FPanorama(panorama) {
  // The rows within 22.5° of each pole: beyond them no footprint of a face or tile as large as
  // the panorama allows spans enough columns to need a copy.
  FBandRows = panorama.Height() / 8;
  if (FBandRows < 2) return;
  const Bitmap* top = &panorama;
  const Bitmap* bottom = &panorama;
  int32_t bottomFirst = panorama.Height() - FBandRows;
  for (int level = 1; level <= kMaxHalvings; ++level) {
    if (top->Width() % 2 != 0 || top->Width() / 2 < kNarrowestCopy) break;
    FTop.push_back(HalvedRows(*top, 0, FBandRows));
    FBottom.push_back(HalvedRows(*bottom, bottomFirst, FBandRows));
    top = &FTop.back();
    bottom = &FBottom.back();
    bottomFirst = 0;
  }
}

void FootprintSource::Sample(const Footprint& at, uint8_t* out) const {
  // The largest halving that leaves the footprint at least two copy pixels wide.
  const double width = std::fabs(at.UX) + std::fabs(at.UY);
  int level = 0;
  while (level < static_cast<int>(FTop.size()) && width >= 4.0 * (1 << level)) ++level;
  if (level > 0) {
    // Only while every tap stays within the band: the copies hold no other rows.
    const double reach = std::fabs(at.VX) + std::fabs(at.VY) + 1.5;
    const int32_t h = FPanorama.Height();
    const bool top = at.V + reach < FBandRows - 1, bottom = at.V - reach >= h - FBandRows;
    if (top || bottom) {
      const double scale = 1.0 / (1 << level);
      // Copy pixel i covers the panorama's columns [i, i + 1) * 2^level.
      const Footprint scaled{(at.U - ((1 << level) - 1) / 2.0) * scale,
                             top ? at.V : at.V - (h - FBandRows),
                             at.UX * scale, at.VX, at.UY * scale, at.VY};
      SampleFootprint(top ? FTop[level - 1] : FBottom[level - 1], scaled, out);
      return;
    }
  }
  SampleFootprint(FPanorama, at, out);
}

void ResizePanoramaSmooth(Bitmap& target, const Bitmap& source) {
  const int32_t tw = target.Width(), th = target.Height();
  const double sx = static_cast<double>(source.Width()) / tw;
  const double sy = static_cast<double>(source.Height()) / th;
  for (int32_t y = 0; y < th; ++y) {
    uint8_t* out = target.Row(y);
    const double v = (y + 0.5) * sy - 0.5;
    for (int32_t x = 0; x < tw; ++x, out += 3)
      SampleFootprint(source, {(x + 0.5) * sx - 0.5, v, sx, 0, 0, sy}, out);
  }
}

}  // namespace talvero
