#include "engine/cube_map.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <stdexcept>
#include <vector>

namespace talvero {

namespace {
constexpr long double kPi = 3.141592653589793238462643383279502884L;
constexpr CubeMapSample kNoSource{-1, -1, 0, 0};

// The map is computed in double and only the entries whose rounding the double result
// cannot decide are computed again in extended precision; those are a few in a hundred
// thousand, and extended-precision arctangents cost twenty times as much.
//
// atan(n / d) for n >= 0 and d > 0, within 5e-16: the ratio is reduced to [0, 1] (atan(q)
// = pi/2 - atan(1/q)), then to |w| <= 1/32 around the nearest c = k/16 (atan(z) = atan(c) +
// atan(w), w = (z - c) / (1 + zc)), where five terms of the series leave an error below
// w^11 / 11 < 3e-18.
struct AtanTable {
  double Value[17];
  AtanTable() {
    for (int k = 0; k <= 16; ++k) Value[k] = static_cast<double>(std::atan(k / 16.0L));
  }
};
const AtanTable kAtan;
constexpr double kHalfPi = static_cast<double>(kPi / 2);

inline double AtanOfRatio(double n, double d) {
  const bool flip = n > d;
  const double z = flip ? d / n : n / d;
  const int k = static_cast<int>(z * 16 + 0.5);
  const double c = k * (1.0 / 16);
  const double w = (z - c) / (1 + z * c);
  const double w2 = w * w;
  const double series =
      w + w * w2 * (-1.0 / 3 + w2 * (1.0 / 5 + w2 * (-1.0 / 7 + w2 * (1.0 / 9))));
  const double a = kAtan.Value[k] + series;
  return flip ? kHalfPi - a : a;
}

// The double evaluation of a position, with the bounds that decide whether its rounding is
// certain. The position is below 2f and off by less than 1.2e-15 f (the arctangent's 5e-16
// times 4f/pi, the ratio's and the scale's roundings); the margin is 800 times that.
struct FastPositions {
  explicit FastPositions(int32_t f)
      : Scale(static_cast<double>(4.0L * f / kPi)),
        Margin(f * 0x1p-40),
        UnitMargin(f * 0x1p-40 * Currency::kScale) {}
  double Scale;       // angle in radians to pixels: 4f / pi
  double Margin;      // of a position, in pixels
  double UnitMargin;  // of a position, in 1/10000 of a pixel

  // False when the position lies so close to a whole pixel or to a rounding tie of its
  // fraction that only the extended-precision formula can tell.
  bool Split(double angle, int32_t& whole, uint16_t& frac) const {
    const double t = angle * Scale;
    const double integral = std::floor(t);  // positions are never negative
    const double fraction = t - integral;
    if (fraction < Margin || fraction > 1 - Margin) return false;
    const double scaled = fraction * Currency::kScale;
    const double units = std::floor(scaled);
    const double rest = scaled - units;
    if (std::fabs(rest - 0.5) < UnitMargin) return false;
    whole = static_cast<int32_t>(integral);
    frac = static_cast<uint16_t>(static_cast<int32_t>(units) + (rest > 0.5 ? 1 : 0));
    return true;
  }
};

}  // namespace

long double CubeMapAngle(long double q, int32_t f) {
  // The order of operations is part of the result: the fractions are rounded to 1/10000.
  return std::atan(q) * 180.0L / kPi * static_cast<long double>(f) / 45.0L;
}

void SplitPosition(long double t, int32_t& whole, uint16_t& frac) {
  const long double integral = std::trunc(t);
  whole = static_cast<int32_t>(integral);
  // Half to even by hand: the library's nearbyintl costs more than the whole rest here.
  const long double scaled = (t - integral) * Currency::kScale;
  auto units = static_cast<int32_t>(scaled);
  const long double rest = scaled - units;
  if (rest > 0.5L || (rest == 0.5L && (units & 1))) ++units;
  frac = static_cast<uint16_t>(units);
}

void FillCubeMapRows(int32_t f, TmxCurrencyUV& map, int32_t rowBegin, int32_t rowEnd) {
  const long double lf = f;
  const FastPositions fast(f);
  // Each position through the double path, or through the defining formula when that
  // cannot decide; `exact` gives the formula's ratio.
  auto position = [&](double n, double d, auto exact, int32_t& whole, uint16_t& frac) {
    if (!fast.Split(AtanOfRatio(n, d), whole, frac))
      SplitPosition(CubeMapAngle(exact(), f), whole, frac);
  };
  // The side face's column positions and radii do not depend on the row.
  const int32_t sideBegin = std::max(rowBegin, f);
  std::vector<int32_t> sideU;
  std::vector<uint16_t> sideUFrac;
  std::vector<double> sideRadius;
  if (sideBegin < rowEnd) {
    sideU.resize(static_cast<size_t>(f));
    sideUFrac.resize(static_cast<size_t>(f));
    sideRadius.resize(static_cast<size_t>(f));
    for (int32_t x = 0; x < f; ++x) {
      position(x, f, [&] { return static_cast<long double>(x) / lf; }, sideU[x], sideUFrac[x]);
      sideRadius[x] = std::sqrt(static_cast<double>(int64_t{f} * f + int64_t{x} * x));
    }
  }
  for (int32_t y = rowBegin; y < rowEnd; ++y) {
    if (y < f) {
      // Top cap: x is the sideways distance from the face's centre line, y the distance
      // from the zenith, both in pixels with the face at distance f.
      for (int32_t x = 0; x <= y; ++x) {
        int32_t u = 0, v = 0;
        uint16_t uFrac = 0, vFrac = 0;
        if (y != 0) position(x, y, [&] { return static_cast<long double>(x) / y; }, u, uFrac);
        const int64_t r2 = int64_t{x} * x + int64_t{y} * y;
        position(std::sqrt(static_cast<double>(r2)), f,
                 [&] { return std::sqrt(static_cast<long double>(r2)) / lf; }, v, vFrac);
        map.SetQuadrant(x, y, u, uFrac, v, vFrac);
      }
      // Columns beside the triangle (x > y) have no source by their place in the map.
    } else {
      // Upper half of the side face: 2f - y is the height above the horizon.
      const int32_t height = 2 * f - y;
      for (int32_t x = 0; x < f; ++x) {
        int32_t v = 0;
        uint16_t vFrac = 0;
        position(sideRadius[x], height,
                 [&] {
                   const long double r =
                       std::sqrt(static_cast<long double>(int64_t{f} * f + int64_t{x} * x));
                   return r / static_cast<long double>(height);
                 },
                 v, vFrac);
        map.SetQuadrant(x, y, sideU[x], sideUFrac[x], v, vFrac);
      }
    }
  }
}

void TmxCurrencyUV::Allocate(int32_t f) {
  FF = f > 0 ? f : 0;
  const size_t side = static_cast<size_t>(FF) * static_cast<size_t>(FF);
  const size_t cap = CapIndex(0, FF);
  FCapU.reset(new uint32_t[cap]);
  FCapV.reset(new uint32_t[cap]);
  FSideU.reset(new uint32_t[static_cast<size_t>(FF)]);
  FSideV.reset(new uint32_t[side]);
}

size_t TmxCurrencyUV::ByteSize(int32_t f) {
  const size_t n = f > 0 ? static_cast<size_t>(f) : 0;
  return (n * (n + 1) + n * n + n) * sizeof(uint32_t);
}

void TmxCurrencyUV::Reset(int32_t f) {
  Allocate(f);
  // Cap entries beside the triangle have no source by their place.
  std::fill_n(FCapU.get(), CapIndex(0, FF), 0u);
  std::fill_n(FCapV.get(), CapIndex(0, FF), kNone);
  std::fill_n(FSideU.get(), static_cast<size_t>(FF), 0u);
  std::fill_n(FSideV.get(), static_cast<size_t>(FF) * static_cast<size_t>(FF), kNone);
}

void TmxCurrencyUV::SetQuadrant(int32_t x, int32_t y, int32_t u, uint16_t uFrac, int32_t v,
                                uint16_t vFrac) {
  if (y < FF) {
    if (x > y) {
      if (u >= 0) throw std::invalid_argument("TmxCurrencyUV: a cap entry beside the triangle");
      return;  // has no source by its place
    }
    const size_t i = CapIndex(x, y);
    FCapU[i] = u < 0 ? 0 : Pack(u, uFrac);
    FCapV[i] = u < 0 ? kNone : Pack(v, vFrac);
    return;
  }
  if (u < 0) {
    FSideV[SideIndex(x, y)] = kNone;
    return;
  }
  FSideU[x] = Pack(u, uFrac);
  FSideV[SideIndex(x, y)] = Pack(v, vFrac);
}

CubeMapSample TmxCurrencyUV::Quadrant(int32_t x, int32_t y) const {
  uint32_t u, v;
  if (y < FF) {
    if (x > y) return kNoSource;
    const size_t i = CapIndex(x, y);
    u = FCapU[i];
    v = FCapV[i];
    if (v == kNone) return kNoSource;
  } else {
    v = FSideV[SideIndex(x, y)];
    if (v == kNone) return kNoSource;
    u = FSideU[x];
  }
  return {Whole(u), Whole(v), Frac(u), Frac(v)};
}

CubeMapSample TmxCurrencyUV::Sample(int32_t x, int32_t y) const {
  const int32_t w = 2 * FF, h = 4 * FF;
  // Lower half: the vertical mirror of the upper half.
  const bool lower = y >= 2 * FF;
  // Right half: the horizontal mirror of the left half.
  const bool right = x >= FF;
  CubeMapSample s = Quadrant(right ? w - 1 - x : x, lower ? h - 1 - y : y);
  if (s.U < 0) return kNoSource;
  if (right) {
    s.U = w - 2 - s.U;
    s.UFrac = static_cast<uint16_t>(Currency::kScale - s.UFrac);
  }
  if (lower) {
    s.V = h - 2 - s.V;
    s.VFrac = static_cast<uint16_t>(Currency::kScale - s.VFrac);
  }
  return s;
}

TCurrencyUVPoint TmxCurrencyUV::Entry(int32_t x, int32_t y) const {
  const CubeMapSample s = Sample(x, y);
  if (s.U < 0) return {};
  return {s.U, Currency::FromRaw(s.UFrac), s.V, Currency::FromRaw(s.VFrac)};
}

void TmxCurrencyUV::SampleRow(int32_t y, CubeMapRow& row) const {
  // The same as Sample(x, y) for every x with a source, without re-deciding the mirror per
  // entry; plain loops over arrays, which the compiler vectorises.
  const int32_t f = FF, w = 2 * f, h = 4 * f;
  row.Resize(static_cast<size_t>(w));
  const bool lower = y >= 2 * f;
  const int32_t qy = lower ? h - 1 - y : y;
  int32_t* outU = row.U.data();
  int32_t* outV = row.V.data();
  uint16_t* outUFrac = row.UFrac.data();
  uint16_t* outVFrac = row.VFrac.data();
  const int32_t vBase = lower ? h - 2 : 0, vSign = lower ? -1 : 1;
  const int32_t fracBase = lower ? Currency::kScale : 0;
  constexpr uint32_t kFracMask = (1u << kFracBits) - 1;
  // Columns 0 ... mapped-1 of the quadrant row have a source (all of them in a side row
  // unless a test left some out).
  int32_t mapped = f;
  if (qy < f) {
    mapped = qy + 1;
    const uint32_t* u = FCapU.get() + CapIndex(0, qy);
    const uint32_t* v = FCapV.get() + CapIndex(0, qy);
    for (int32_t x = 0; x < mapped; ++x) {
      outU[x] = static_cast<int32_t>(u[x] >> kFracBits);
      outUFrac[x] = static_cast<uint16_t>(u[x] & kFracMask);
      outV[x] = vBase + vSign * static_cast<int32_t>(v[x] >> kFracBits);
      outVFrac[x] = static_cast<uint16_t>(fracBase + vSign * static_cast<int32_t>(v[x] & kFracMask));
    }
    for (int32_t x = 0; x < mapped; ++x)
      if (v[x] == kNone) outU[x] = -1;
    for (int32_t x = mapped; x < f; ++x) outU[x] = -1;
  } else {
    const uint32_t* u = FSideU.get();
    const uint32_t* v = FSideV.get() + SideIndex(0, qy);
    for (int32_t x = 0; x < f; ++x) {
      outU[x] = static_cast<int32_t>(u[x] >> kFracBits);
      outUFrac[x] = static_cast<uint16_t>(u[x] & kFracMask);
      outV[x] = vBase + vSign * static_cast<int32_t>(v[x] >> kFracBits);
      outVFrac[x] = static_cast<uint16_t>(fracBase + vSign * static_cast<int32_t>(v[x] & kFracMask));
    }
    for (int32_t x = 0; x < f; ++x)
      if (v[x] == kNone) outU[x] = -1;
  }
  // Column w - 1 - x mirrors column x.
  for (int32_t x = f; x < w; ++x) {
    const int32_t m = w - 1 - x;
    outU[x] = outU[m] < 0 ? -1 : w - 2 - outU[m];
    outUFrac[x] = static_cast<uint16_t>(Currency::kScale - outUFrac[m]);
    outV[x] = outV[m];
    outVFrac[x] = outVFrac[m];
  }
}

bool TmxCurrencyUV::SourceRows(int32_t y, int32_t& first, int32_t& last) const {
  const int32_t f = FF, h = 4 * f;
  const bool lower = y >= 2 * f;
  const int32_t qy = lower ? h - 1 - y : y;
  int32_t low = INT32_MAX, high = -1;
  for (int32_t x = 0; x < f; ++x) {
    const CubeMapSample s = Quadrant(x, qy);
    if (s.U < 0) continue;
    low = std::min(low, s.V);
    high = std::max(high, s.V);
  }
  if (high < 0) return false;
  // A source row is read together with the one below it (the last row stands in for it).
  if (lower) {
    first = h - 2 - high;
    last = h - 1 - low;
  } else {
    first = low;
    last = high + 1;
  }
  first = std::clamp(first, 0, h - 1);
  last = std::clamp(last, 0, h - 1);
  return true;
}

void TmxCurrencyUV::SampleRow(int32_t y, std::vector<CubeMapSample>& row) const {
  row.resize(static_cast<size_t>(2 * FF));
  for (int32_t x = 0; x < 2 * FF; ++x) row[static_cast<size_t>(x)] = Sample(x, y);
}

}  // namespace talvero
