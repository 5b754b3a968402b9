// Every entry of the cube map against the defining extended-precision formula, for the face
// sizes the converter uses and a few others. Long (seconds): labelled "long", run once in CI.
#include <gtest/gtest.h>

#include <cmath>
#include <thread>
#include <vector>

#include "engine/cube_map.h"
#include "engine/sim_filer.h"

namespace talvero {
namespace {

// angle(q) = atan(q) × 180 ÷ π × f ÷ 45 in extended precision; the whole part and the
// fraction rounded to 1/10000, ties to even.
CubeMapSample Defined(long double q, int32_t f, CubeMapSample s, bool horizontal) {
  constexpr long double kPi = 3.141592653589793238462643383279502884L;
  const long double t = std::atan(q) * 180.0L / kPi * static_cast<long double>(f) / 45.0L;
  const long double whole = std::trunc(t);
  const auto frac = static_cast<uint16_t>(std::nearbyint((t - whole) * 10000.0L));
  (horizontal ? s.U : s.V) = static_cast<int32_t>(whole);
  (horizontal ? s.UFrac : s.VFrac) = frac;
  return s;
}

CubeMapSample DefinedEntry(int32_t x, int32_t y, int32_t f) {
  const long double lf = f;
  CubeMapSample s{0, 0, 0, 0};
  if (y < f) {
    if (x > y) return {-1, -1, 0, 0};
    if (y != 0) s = Defined(static_cast<long double>(x) / y, f, s, true);
    return Defined(std::sqrt(static_cast<long double>(x) * x + static_cast<long double>(y) * y) / lf,
                   f, s, false);
  }
  s = Defined(x / lf, f, s, true);
  return Defined(std::sqrt(lf * lf + static_cast<long double>(x) * x) / (2 * f - y), f, s, false);
}

// The number of quadrant entries that differ (the first few are printed).
int64_t Mismatches(int32_t f) {
  TmxCurrencyUV map;
  auto filer = TSimFiler::Create();
  filer->BuildCubeMap(f, map);
  const unsigned threads = std::max(1u, std::thread::hardware_concurrency());
  std::vector<int64_t> counts(threads, 0);
  std::vector<std::thread> workers;
  for (unsigned t = 0; t < threads; ++t)
    workers.emplace_back([&, t] {
      for (int32_t y = static_cast<int32_t>(t); y < 2 * f; y += static_cast<int32_t>(threads))
        for (int32_t x = 0; x < f; ++x) {
          const CubeMapSample got = map.Sample(x, y), want = DefinedEntry(x, y, f);
          if (got.U == want.U && got.V == want.V &&
              (got.U < 0 || (got.UFrac == want.UFrac && got.VFrac == want.VFrac)))
            continue;
          if (++counts[t] <= 3)
            ADD_FAILURE() << "f " << f << " entry (" << x << ", " << y << "): " << got.U << "+"
                          << got.UFrac << ", " << got.V << "+" << got.VFrac << " instead of "
                          << want.U << "+" << want.UFrac << ", " << want.V << "+" << want.VFrac;
        }
    });
  for (std::thread& worker : workers) worker.join();
  int64_t total = 0;
  for (int64_t c : counts) total += c;
  return total;
}

TEST(CubeMapExhaustive, EveryEntryOfTheThreeFaceSizes) {
  for (int32_t f : {1024, 2048, 4096}) EXPECT_EQ(Mismatches(f), 0) << "f " << f;
}

TEST(CubeMapExhaustive, EveryEntryOfOtherWidths) {
  // Tiny maps, odd sizes and a panorama 10000 pixels wide.
  for (int32_t f : {1, 2, 3, 5, 40, 333, 1250}) EXPECT_EQ(Mismatches(f), 0) << "f " << f;
}

}  // namespace
}  // namespace talvero
