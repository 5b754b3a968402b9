#include "engine/cube_map.h"

#include <cmath>

namespace talvero {

namespace {
constexpr long double kPi = 3.141592653589793238462643383279502884L;
constexpr CubeMapSample kNoSource{-1, -1, 0, 0};
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
  for (int32_t y = rowBegin; y < rowEnd; ++y) {
    if (y < f) {
      // Top cap: x is the sideways distance from the face's centre line, y the distance
      // from the zenith, both in pixels with the face at distance f.
      for (int32_t x = 0; x <= y; ++x) {
        int32_t u = 0, v = 0;
        uint16_t uFrac = 0, vFrac = 0;
        if (y != 0) SplitPosition(CubeMapAngle(static_cast<long double>(x) / y, f), u, uFrac);
        const long double r = std::sqrt(static_cast<long double>(int64_t{x} * x + int64_t{y} * y));
        SplitPosition(CubeMapAngle(r / lf, f), v, vFrac);
        map.SetQuadrant(x, y, u, uFrac, v, vFrac);
      }
    } else {
      // Upper half of the side face: 2f - y is the height above the horizon.
      const long double height = 2 * f - y;
      for (int32_t x = 0; x < f; ++x) {
        int32_t u = 0, v = 0;
        uint16_t uFrac = 0, vFrac = 0;
        SplitPosition(CubeMapAngle(static_cast<long double>(x) / lf, f), u, uFrac);
        const long double r = std::sqrt(static_cast<long double>(int64_t{f} * f + int64_t{x} * x));
        SplitPosition(CubeMapAngle(r / height, f), v, vFrac);
        map.SetQuadrant(x, y, u, uFrac, v, vFrac);
      }
    }
  }
}

void TmxCurrencyUV::Reset(int32_t f) {
  FF = f > 0 ? f : 0;
  FQuadrant.assign(static_cast<size_t>(FF) * 2 * FF, kNoSource);
}

void TmxCurrencyUV::SetQuadrant(int32_t x, int32_t y, int32_t u, uint16_t uFrac, int32_t v,
                                uint16_t vFrac) {
  FQuadrant[static_cast<size_t>(y) * FF + x] = {u, v, uFrac, vFrac};
}

CubeMapSample TmxCurrencyUV::Sample(int32_t x, int32_t y) const {
  const int32_t w = 2 * FF, h = 4 * FF;
  // Lower half: the vertical mirror of the upper half.
  const bool lower = y >= 2 * FF;
  const int32_t sy = lower ? h - 1 - y : y;
  // Right half: the horizontal mirror of the left half.
  const bool right = x >= FF;
  const int32_t sx = right ? w - 1 - x : x;
  CubeMapSample s = FQuadrant[static_cast<size_t>(sy) * FF + sx];
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

void TmxCurrencyUV::SampleRow(int32_t y, std::vector<CubeMapSample>& row) const {
  // The same as Sample(x, y) for every x, without re-deciding the mirror per entry.
  const int32_t f = FF, w = 2 * f, h = 4 * f;
  row.resize(static_cast<size_t>(w));
  const bool lower = y >= 2 * f;
  const CubeMapSample* base = FQuadrant.data() + static_cast<size_t>(lower ? h - 1 - y : y) * f;
  for (int32_t x = 0; x < f; ++x) {
    CubeMapSample s = base[x];
    if (s.U >= 0 && lower) {
      s.V = h - 2 - s.V;
      s.VFrac = static_cast<uint16_t>(Currency::kScale - s.VFrac);
    }
    row[static_cast<size_t>(x)] = s;
    // Column w - 1 - x mirrors column x.
    if (s.U >= 0) {
      s.U = w - 2 - s.U;
      s.UFrac = static_cast<uint16_t>(Currency::kScale - s.UFrac);
    }
    row[static_cast<size_t>(w - 1 - x)] = s;
  }
}

}  // namespace talvero
