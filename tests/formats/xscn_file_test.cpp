// The RCPSim settings file: its exact text, the number forms and the reading rules.
#include <gtest/gtest.h>

#include "common/test_support.h"
#include "engine/sim_filer.h"
#include "formats/line_file.h"
#include "formats/rcp_scene.h"
#include "support/errors.h"

namespace talvero {
namespace {

using testing::ReadAll;
using testing::TempDir;

class XscnTest : public ::testing::Test {
 protected:
  XscnTest() : filer(TSimFiler::Create()) {
    filer->ResetJob();
    filer->SetSceneFilename(dir.File("scene.xscn"));
  }

  bool Read(const std::string& text) { return ReadXscn(*filer, dir.Write("in.xscn", text)); }

  TempDir dir;
  std::unique_ptr<TSimFiler> filer;
};

TEST(XscnNumberTest, WholeValuesGetOneDecimalOthersKeepTheirOwn) {
  const std::pair<const char*, const char*> cases[] = {
      {"5", "5.0"},     {"-2", "-2.0"},
      {"0", "0.0"},     {"5.25", "5.25"},
      {"-0.1", "-0.1"}, {"0.1234", "0.1234"},
      {"-1.7", "-1.7"}, {"100000000000000", "100000000000000.0"}};
  for (const auto& [value, text] : cases)
    EXPECT_EQ(FormatXscnNumber(Currency::Parse(value)), text) << value;
}

TEST_F(XscnTest, DefaultsAreWrittenInCodePage932) {
  WriteXscn(JobSettings::From(*filer), filer->Context());
  const std::string bytes = ReadAll(dir.File("scene.xscn"));
  // The Japanese comments are stored in code page 932, lines end with CR LF.
  EXPECT_EQ(bytes.substr(0, 27),
            "//x\x83\x74\x83\x40\x83\x43\x83\x8B\x82\xCC\x8D\xC0\x95\x57\x8C\x6E\x82\xC5\x90\xDD"
            "\x92\xE8\r\n");
  EXPECT_NE(bytes.find("(R,G,B\x82\xCD"
                       "0\x81\x60"
                       "1\x82\xCC"),
            std::string::npos);

  const StringList lines = LoadTextLines(dir.File("scene.xscn"));
  const StringList expected = {"//xファイルの座標系で設定",
                               "//X=画面の右方向",
                               "//Y=画面の上方向",
                               "//Z=画面の奥方向",
                               "//視点は原点に固定",
                               "//地面は、風景のXファイルに透明のポリゴンで指定",
                               "//現在のところ、水平な地面だけに対応しています。",
                               "",
                               "//機体用のライト設定(R,G,Bは0～1の範囲)",
                               "Light.Direction=0,-1,0\t\t//光線の進行方向X,Y,Z(m)",
                               "Light.Diffuse=1.0,1.0,1.0\t//3D光の色 R,G,B",
                               "Light.Specular=1.0,1.0,1.0\t//反射光の色 R,G,B",
                               "Light.Ambient=0.2,0.2,0.2\t//均一光の色 R,G,B",
                               "",
                               "//機体の初期位置",
                               "Plane.Position=5.0,0,0.0\t\t//位置X,Y,Z(m)、Yは未使用",
                               "Plane.Direction=0.0\t\t//向き(deg)、右まわり"};
  EXPECT_EQ(lines, expected);
  EXPECT_TRUE(bytes.ends_with("\r\n"));
}

TEST_F(XscnTest, ReadingRestoresWhatWasWritten) {
  TRCPDataHolder& data = filer->RCPData();
  data.SetAirCraftX(Currency::Parse("5.25"));
  data.SetAirCraftZ(Currency::Parse("-0.1"));
  data.SetAirCraftRotate(Currency::Parse("-12.3456"));
  data.SetLightDirection({7, -2147483647, 2147483647});
  data.SetLightAmbient({Currency::Parse("0.25"), Currency::FromInt(0), Currency::FromInt(-3)});
  WriteXscn(JobSettings::From(*filer), filer->Context());
  EXPECT_NE(ReadAll(dir.File("scene.xscn")).find("Plane.Position=5.25,0,-0.1\t\t//"),
            std::string::npos);

  auto reader = TSimFiler::Create();
  reader->RCPData().SetAirCraftY(Currency::FromInt(42));
  ASSERT_TRUE(ReadXscn(*reader, dir.File("scene.xscn")));
  const TRCPDataHolder& out = reader->RCPData();
  EXPECT_EQ(out.GetAirCraftX(), data.GetAirCraftX());
  EXPECT_EQ(out.GetAirCraftZ(), data.GetAirCraftZ());
  EXPECT_EQ(out.GetAirCraftRotate(), data.GetAirCraftRotate());
  EXPECT_EQ(out.GetAirCraftY(), Currency::FromInt(42));  // not in this file
  EXPECT_TRUE(SameIntVector(out.GetLightDirection(), data.GetLightDirection()));
  EXPECT_TRUE(SameColorTriple(out.GetLightDiffuse(), data.GetLightDiffuse()));
  EXPECT_TRUE(SameColorTriple(out.GetLightSpecular(), data.GetLightSpecular()));
  EXPECT_TRUE(SameColorTriple(out.GetLightAmbient(), data.GetLightAmbient()));
}

TEST_F(XscnTest, ReadingRules) {
  TRCPDataHolder& data = filer->RCPData();
  // Keys count anywhere in a line; integers are numbers too; a "Plane" line with another key
  // sets nothing but still counts.
  EXPECT_TRUE(Read("x Light.Ambient=1,0.5,2 Plane.Heading=9\n"));
  EXPECT_TRUE(SameColorTriple(data.GetLightAmbient(), {Currency::FromInt(1), Currency::Parse("0.5"),
                                                       Currency::FromInt(2)}));
  EXPECT_EQ(data.GetAirCraftRotate(), Currency::FromInt(0));

  // Without a "Plane" symbol (case and whole word count) the result is false, though light
  // values were taken.
  EXPECT_FALSE(Read("Light.Direction=1,2,3\nLight.Colour=9,9,9\n//Planes plane.Position=1,0,1\n"));
  EXPECT_TRUE(SameIntVector(data.GetLightDirection(), {1, 2, 3}));

  // A value that cannot be converted stops reading; what was set before stays.
  auto error = [&](const std::string& text) {
    return testing::MessageOf<ConvertError>([&] { Read(text); }, text);
  };
  const std::string direction = error("Plane.Direction=45\nLight.Direction=0.5,-1,0\n");
  EXPECT_NE(direction.find("line 2: '0.5' is not an integer"), std::string::npos) << direction;
  EXPECT_EQ(data.GetAirCraftRotate(), Currency::FromInt(45));
  EXPECT_TRUE(SameIntVector(data.GetLightDirection(), {1, 2, 3}));
  EXPECT_NE(error("Light.Diffuse=1,x,1\n").find("'x' is not a number"), std::string::npos);
  EXPECT_NE(error("Plane.Position=1,0\n").find("missing at the end of the line"),
            std::string::npos);
  EXPECT_NE(error("Light.Direction=1,2,4294967296\n").find("Light.Direction"), std::string::npos);

  EXPECT_THROW(ReadXscn(*filer, dir.File("missing.xscn")), FileError);
}

}  // namespace
}  // namespace talvero
