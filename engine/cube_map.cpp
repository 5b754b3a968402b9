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
  frac = static_cast<uint16_t>(Currency::FromLongDouble(t - integral).Raw());
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
  row.resize(static_cast<size_t>(2) * FF);
  for (int32_t x = 0; x < 2 * FF; ++x) row[x] = Sample(x, y);
}

}  // namespace talvero
