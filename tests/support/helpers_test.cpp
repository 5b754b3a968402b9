// Shared helpers: rounding, rotations, multi-byte-aware scans, encoding, paths and
// all-or-nothing file writing.
#include <gtest/gtest.h>

#include <filesystem>

#include "common/test_support.h"
#include "engine/enums.h"
#include "engine/vectors.h"
#include "support/errors.h"
#include "support/file_util.h"
#include "support/string_utils.h"
#include "support/text_encoding.h"

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

TEST(StringScans, UnderscoresAndPeriodsOutsideMultiByteCharacters) {
  EXPECT_EQ(BeforeLastUnderscore("sky_box_left"), "sky_box");
  EXPECT_EQ(AfterLastUnderscore("sky_box_left"), "left");
  EXPECT_EQ(BeforeLastUnderscore("sky"), "");
  EXPECT_EQ(AfterLastUnderscore("sky"), "");
  EXPECT_EQ(AfterLastUnderscore("sky_"), "");
  // An underscore right after a two-byte (here three-byte UTF-8) character is found.
  EXPECT_EQ(BeforeLastUnderscore("空_21"), "空");
  EXPECT_EQ(AfterLastUnderscore("空_21"), "21");
  EXPECT_EQ(LastCharPos("a.b.c", '.'), 4u);
  EXPECT_EQ(LastCharPos("abc", '.'), 0u);
  EXPECT_TRUE(HasPeriod("1.5"));
  EXPECT_FALSE(HasPeriod("15"));
  // Broken sequences never swallow a following ASCII byte, nor run past the end.
  EXPECT_TRUE(HasUnderscore("\xE6_x"));
  EXPECT_FALSE(HasUnderscore("\xE6\x97"));
  EXPECT_TRUE(SameTextIgnoreCase("aircraftx", "AirCraftX"));
  EXPECT_FALSE(SameTextIgnoreCase("AirCraftX", "AirCraftY"));
  EXPECT_FALSE(SameTextIgnoreCase("AirCraft", "AirCraftX"));
}

TEST(TextEncoding, CodePage932AtTheFileBoundary) {
  EXPECT_EQ(Utf8ToCp932("日"), "\x93\xFA");
  EXPECT_EQ(Utf8ToCp932("plain"), "plain");
  // Code page 932 maps the full-width tilde of the settings comments, unlike plain Shift-JIS.
  EXPECT_EQ(Utf8ToCp932("～"), "\x81\x60");
  EXPECT_EQ(Cp932ToUtf8(Utf8ToCp932("光線の進行方向")), "光線の進行方向");
  EXPECT_THROW(Utf8ToCp932("sky\xF0\x9F\x98\x80"), ConvertError);  // an emoji has no Shift-JIS code
  EXPECT_THROW(Utf8ToCp932("bad\xFF"), ConvertError);
  // Undecodable bytes become U+FFFD and decoding goes on.
  EXPECT_EQ(Cp932ToUtf8("a\xA0" "b"), "a\xEF\xBF\xBD" "b");
  EXPECT_EQ(Cp932ToUtf8("x\x93"), "x\xEF\xBF\xBD");
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

TEST(Paths, FolderNameAndExtension) {
  EXPECT_EQ(ExtractFilePath("/a/b/scene.scn"), "/a/b/");
  EXPECT_EQ(ExtractFilePath("scene.scn"), "");
  EXPECT_EQ(ExtractFileName("/a/b/scene.scn"), "scene.scn");
  EXPECT_EQ(ExtractFileExt("/a.b/scene"), "");
  EXPECT_EQ(ChangeFileExt("/a/scene.scn", ".x"), "/a/scene.x");
  EXPECT_EQ(ChangeFileExt("/a.b/scene", ".scn"), "/a.b/scene.scn");
  EXPECT_EQ(ChangeFileExt("/a/scene.v1.scn", ".xscn"), "/a/scene.v1.xscn");
}

TEST(AtomicWrite, ReplacesOnlyOnCommitAndLeavesNoTemporaryFiles) {
  testing::TempDir dir;
  const std::string target = dir.Write("scene.scn", "old");
  {
    AtomicFileWriter writer(target);
    writer.Write("new, unfinished");
  }  // abandoned: the old file stays
  EXPECT_EQ(testing::ReadAll(target), "old");
  WriteFileAtomically(target, "new");
  EXPECT_EQ(testing::ReadAll(target), "new");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 1);
  EXPECT_THROW(WriteFileAtomically(dir.File("missing/x.scn"), "x"), FileError);
  EXPECT_TRUE(FileExists(target));
  EXPECT_FALSE(FileExists(dir.Path().string()));
  EXPECT_TRUE(DirectoryExists(dir.Path().string()));
}

}  // namespace
}  // namespace talvero
