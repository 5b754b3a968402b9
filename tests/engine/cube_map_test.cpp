// The cube projection's inverse map: exact values at known positions and its symmetry.
#include <gtest/gtest.h>

#include "engine/cube_map.h"
#include "engine/sim_filer.h"

namespace talvero {
namespace {

struct Expected {
  int x, y;
  int32_t u;
  const char* uFrac;
  int32_t v;
  const char* vFrac;
};

void ExpectEntry(const TmxCurrencyUV& map, const Expected& e) {
  const TCurrencyUVPoint p = map.Entry(e.x, e.y);
  EXPECT_EQ(p.U, e.u) << e.x << "," << e.y;
  EXPECT_EQ(p.UFrac, Currency::Parse(e.uFrac)) << e.x << "," << e.y;
  EXPECT_EQ(p.V, e.v) << e.x << "," << e.y;
  EXPECT_EQ(p.VFrac, Currency::Parse(e.vFrac)) << e.x << "," << e.y;
}

class CubeMapFullSize : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    map = new TmxCurrencyUV;
    auto filer = TSimFiler::Create();
    filer->OnProgress = [](TSimFiler&, const std::string& text, TSimProgressMode) {
      steps += text == "...." ? 1 : 0;
    };
    filer->BuildCubeMap(1024, *map);
  }
  static void TearDownTestSuite() { delete map; }
  static TmxCurrencyUV* map;
  static int steps;
};
TmxCurrencyUV* CubeMapFullSize::map = nullptr;
int CubeMapFullSize::steps = 0;

TEST_F(CubeMapFullSize, KnownEntriesHoldToTheLastDigit) {
  EXPECT_EQ(steps, 4);
  EXPECT_EQ(map->Width(), 2048);
  EXPECT_EQ(map->Height(), 4096);
  ExpectEntry(*map, {0, 0, 0, "0", 0, "0"});                       // the zenith
  ExpectEntry(*map, {512, 1536, 604, "0.5025", 1499, "0.7085"});   // side face
  ExpectEntry(*map, {1535, 1536, 1442, "0.4975", 1499, "0.7085"}); // its horizontal mirror
  ExpectEntry(*map, {512, 2559, 604, "0.5025", 2595, "0.2915"});   // its vertical mirror
  ExpectEntry(*map, {512, 1000, 616, "0.9588", 1084, "0.3378"});   // top cap
  EXPECT_EQ(map->Entry(600, 500).U, -1);                           // beside the cap triangle
  // Next to a face's centre line, last row above the horizon: row angle(f) = 2f - 1.27...
  const TCurrencyUVPoint nearHorizon = map->Entry(0, 2047);
  EXPECT_EQ(nearHorizon.U, 0);
  EXPECT_EQ(nearHorizon.V, 2046);
}

TEST_F(CubeMapFullSize, MirrorsAreConsistentEverywhere) {
  for (int y = 0; y < 4096; y += 37) {
    for (int x = 0; x < 2048; x += 41) {
      const CubeMapSample s = map->Sample(x, y);
      const CubeMapSample m = map->Sample(2047 - x, y);
      ASSERT_EQ(s.U < 0, m.U < 0) << x << "," << y;
      if (s.U < 0) continue;
      // Source positions of mirrored targets add up to 2f - 1 columns (and 4f - 1 rows).
      EXPECT_EQ((s.U * 10000 + s.UFrac) + (m.U * 10000 + m.UFrac), 2046 * 10000 + 10000);
      const CubeMapSample v = map->Sample(x, 4095 - y);
      EXPECT_EQ((s.V * 10000 + s.VFrac) + (v.V * 10000 + v.VFrac), 4094 * 10000 + 10000);
      EXPECT_LE(s.UFrac, 10000);
      EXPECT_LT(s.U, 2048);
      EXPECT_LT(s.V, 4096);
      EXPECT_GE(s.V, 0);
    }
  }
}

TEST(CubeMap, RowSamplingMatchesEntries) {
  TmxCurrencyUV map;
  map.Reset(16);
  FillCubeMapRows(16, map, 0, 32);
  std::vector<CubeMapSample> row;
  for (int y : {0, 5, 15, 16, 31, 32, 47, 63}) {
    map.SampleRow(y, row);
    ASSERT_EQ(row.size(), 32u);
    for (int x = 0; x < 32; ++x) {
      const TCurrencyUVPoint e = map.Entry(x, y);
      EXPECT_EQ(row[x].U, e.U);
      if (e.U >= 0) {
        EXPECT_EQ(row[x].VFrac, e.VFrac.Raw());
      }
    }
  }
}

}  // namespace
}  // namespace talvero
