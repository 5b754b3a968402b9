// Rounding, rotations, enumerations and face sizes of the job model.
#include <gtest/gtest.h>

#include "engine/enums.h"
#include "engine/vectors.h"
#include "support/errors.h"

namespace talvero {
namespace {

TEST(Rounding, HalfAwayFromZeroWithRangeCheck) {
  EXPECT_EQ(RoundHalfAway(2.5L), 3);
  EXPECT_EQ(RoundHalfAway(-2.5L), -3);
  EXPECT_EQ(RoundHalfAway(2.4999L), 2);
  EXPECT_EQ(RoundHalfAway(-0.4L), 0);
  EXPECT_EQ(RoundHalfAway(2147483647.4L), 2147483647);
  EXPECT_THROW(RoundHalfAway(2147483647.5L), ConvertError);
  EXPECT_THROW(RoundHalfAway(-3e12L), ConvertError);
}

TEST(Rotation, ZeroAnglesAreSkippedAndDirectionsHold) {
  const TIntVector down{0, -1, 0};
  EXPECT_TRUE(SameIntVector(RotateIntVector(down, 0, 0, 0), down));
  // A cube corner turned by minus the scene rotation, as the scene geometry does.
  const TIntVector corner = RotateIntVector({1000, -1000, 1000}, 0, 0, -30);
  EXPECT_TRUE(SameIntVector(corner, {366, -1366, 1000}));
  EXPECT_TRUE(SameIntVector(RotateIntVector({0, 1000, 0}, 90, 0, 0), {0, 0, 1000}));
  EXPECT_TRUE(SameIntVector(RotateIntVector({1000, 0, 0}, 0, 90, 0), {0, 0, -1000}));
  EXPECT_TRUE(SameIntVector(RotateIntVector({1000, 0, 0}, 0, 0, 90), {0, 1000, 0}));
  // x, then y: (0,0,1000) tilted 45 about y lands at x = z = 707.1.
  EXPECT_TRUE(SameIntVector(RotateIntVector({0, 0, 1000}, 0, 45, 0), {707, 0, 707}));
  const TExtVector e = RotateExtVector({0, 0, 1}, 10, 0, 0);
  EXPECT_NEAR(static_cast<double>(e.Y), -0.173648177666930, 1e-15);
}

TEST(Enumerations, NamesOrdinalsAndFaceSizes) {
  EXPECT_EQ(EnumValueName(stCube), "stCube");
  EXPECT_EQ(EnumValueName(stSphere), "stSphere");
  EXPECT_EQ(EnumValueName(csZero), "csZero");
  EXPECT_EQ(EnumValueName(eiTiff), "eiTiff");
  EXPECT_EQ(EnumValueName(static_cast<TSceneType>(7)), "");
  EXPECT_EQ(EnumValueName(42), "");
  EXPECT_EQ(EnumFromOrdinal<TCubeSuffix>(1), csZero);
  EXPECT_FALSE(EnumFromOrdinal<TCubeSuffix>(2).has_value());
  EXPECT_FALSE(EnumFromOrdinal<TSceneType>(-1).has_value());
}

struct FaceSizeCase {
  TSceneType type;
  TImageSizeMode mode;
  int size;
};
void PrintTo(const FaceSizeCase& c, std::ostream* os) {
  *os << EnumValueName(c.type) << "/" << EnumValueName(c.mode) << "=" << c.size;
}
class FaceSizes : public ::testing::TestWithParam<FaceSizeCase> {};
TEST_P(FaceSizes, FollowTheTable) {
  EXPECT_EQ(FaceSizeFor(GetParam().type, GetParam().mode), GetParam().size);
}
INSTANTIATE_TEST_SUITE_P(Table, FaceSizes,
                         ::testing::Values(FaceSizeCase{stCube, ismSmall, 1024},
                                           FaceSizeCase{stCube, ismNormal, 2048},
                                           FaceSizeCase{stCube, ismLarge, 4096},
                                           FaceSizeCase{stSphere, ismSmall, 512},
                                           FaceSizeCase{stSphere, ismNormal, 1024},
                                           FaceSizeCase{stSphere, ismLarge, 2048}));

}  // namespace
}  // namespace talvero
