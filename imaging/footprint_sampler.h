// Sampling a panorama with a filter matched to each target pixel's footprint: the area a
// target pixel covers on the panorama, given by the local derivatives of the target-to-panorama
// map. Where that area spans several panorama pixels, several bilinear taps spread over it are
// averaged (no pixels skipped, no moiré); where it spans one pixel or less, one bilinear tap
// (a smooth enlargement). Columns wrap round (the panorama is 360° wide), rows are clamped.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "imaging/bitmap.h"

namespace talvero {

// Where a target pixel's centre falls on the panorama, in pixel-index coordinates (pixel
// (c, r) is centred on (c, r)), with the map's derivatives: (UX, VX) is the step on the
// panorama for one target pixel to the right, (UY, VY) for one target pixel down.
struct Footprint {
  double U, V;
  double UX, VX, UY, VY;
};

// Along each axis of a footprint one tap per 1.5 panorama pixels covered; never more than
// this (a pixel next to a pole may cover a whole row).
inline constexpr int kMaxFootprintTaps = 16;

// Taps along one axis of a footprint `length` panorama pixels long: one per 1.5 pixels,
// rounded (each bilinear tap already spreads over two pixels), 1 to kMaxFootprintTaps.
inline int FootprintTaps(double length) {
  const double taps = length * (1.0 / 1.5);
  if (!(taps < kMaxFootprintTaps)) return kMaxFootprintTaps;  // NaN too
  return std::max(1, static_cast<int>(taps + 0.5));
}

// The square of the footprint's longest axis (its larger singular value): the footprint is
// filtered along its own axes, so that a sliver along a row near a pole takes taps along the
// sliver only.
inline double FootprintMajorSquared(double ux, double vx, double uy, double vy) {
  const double p = ux * ux + uy * uy, q = ux * vx + uy * vy, s = vx * vx + vy * vy;
  const double half = (p - s) / 2;
  return (p + s) / 2 + std::sqrt(half * half + q * q);
}

// Footprints whose longest axis is shorter than this take one bilinear tap.
inline constexpr double kPointFootprintSquared = 2.25 * 2.25;

// Writes the filtered colour (blue, green, red) of one target pixel into out[0..2]. The
// source is 24-bit.
void SampleFootprint(const Bitmap& source, const Footprint& at, uint8_t* out);
// One bilinear sample, for a footprint known to be a point (shorter than 2.25 pixels).
void SampleBilinear(const Bitmap& source, double u, double v, uint8_t* out);

// A panorama ready for footprint sampling: with copies of its polar rows halved along the rows
// (columns averaged in pairs) a few times. Near a pole a target pixel spans many columns and
// few rows; such a footprint is sampled from the copy where it spans about two pixels, with a
// few taps instead of many (and from rows short enough to stay in the cache).
class FootprintSource {
 public:
  // Keeps a reference to `panorama` (24-bit, twice as wide as high), which must outlive it.
  explicit FootprintSource(const Bitmap& panorama);
  void Sample(const Footprint& at, uint8_t* out) const;
  const Bitmap& Panorama() const { return FPanorama; }

 private:
  const Bitmap& FPanorama;
  int32_t FBandRows = 0;
  std::vector<Bitmap> FTop, FBottom;  // halved 1, 2, ... times
};

// Resizes a whole panorama smoothly (footprint-matched in both directions), for the size
// normalisation of the high-quality job. Both are 24-bit.
void ResizePanoramaSmooth(Bitmap& target, const Bitmap& source);

}  // namespace talvero
