// The FMS scene reader: files written here come back whole; foreign files give their
// essentials; broken files stop with an error that names the file and line.
#include <gtest/gtest.h>

#include <filesystem>
#include <random>

#include "common/test_support.h"
#include "engine/sim_filer.h"
#include "scene_writing.h"
#include "support/errors.h"

namespace talvero {
namespace {

using testing::RecordingErrorReporter;
using testing::TempDir;

const char* const kUnusable = "Talvero.exe では扱えないシーンファイルです。";

class FmsReaderTest : public ::testing::Test {
 protected:
  FmsReaderTest() : filer(TSimFiler::Create()) {
    filer->ResetJob();
    filer->SetErrorReporter(&errors);
  }

  bool Read(const std::string& text) { return ReadFmsScene(*filer, dir.Write("in.scn", text)); }

  // The error of reading `text`, which must fail with exception type E.
  template <typename E>
  std::string ReadError(const std::string& text) {
    return testing::MessageOf<E>([&] { Read(text); }, text);
  }

  Currency Z() const { return filer->FMSData().GetAirCraftZ(); }

  TempDir dir;
  RecordingErrorReporter errors;
  std::unique_ptr<TSimFiler> filer;
};

TEST_F(FmsReaderTest, WrittenFilesComeBackWithTwoDecimals) {
  std::mt19937 random(20240517);
  auto value = [&](int limit) { return testing::RandomCurrency(random, limit); };
  const auto& names = testing::kAwkwardBasenames;
  for (int run = 0; run < 40; ++run) {
    SCOPED_TRACE(run);
    auto writer = TSimFiler::Create();
    writer->ResetJob();
    writer->SetSceneFilename(dir.File("round.scn"));
    writer->SetSceneType(run % 2 ? stSphere : stCube);
    writer->SetCubeSuffix(run % 4 == 2 ? csZero : csLeft);
    writer->SetTextureBasename(names[run % 5]);
    TFMSDataHolder& in = writer->FMSData();
    in.SetAreaRadius(std::uniform_int_distribution<int32_t>(100, 200000)(random));
    in.SetSceneRotate(value(360));
    in.SetSlopeX(value(60));
    in.SetSlopeY(value(60));
    in.SetAirCraftX(value(1000));
    in.SetAirCraftY(value(1000));
    in.SetAirCraftZ(value(100));
    in.SetPilotZ(value(10));
    writer->PrepareOutputNames();
    testing::WriteScene(*writer, run % 2 ? WriteFmsSphere : WriteFmsCube);

    filer->SetSceneType(run % 2 ? stCube : stSphere);
    filer->SetCubeSuffix(csZero);
    ASSERT_TRUE(ReadFmsScene(*filer, dir.File("round.scn")));
    EXPECT_EQ(filer->GetSceneType(), writer->GetSceneType());
    EXPECT_EQ(filer->GetCubeSuffix(), run % 2 ? csZero : writer->GetCubeSuffix());
    EXPECT_EQ(filer->GetTextureBasename(), writer->GetTextureBasename());
    const TFMSDataHolder& out = filer->FMSData();
    EXPECT_EQ(out.GetAreaRadius(), in.GetAreaRadius());
    auto twoDecimals = [](Currency c) { return Currency::Parse(c.ToFixedString(2)); };
    EXPECT_EQ(out.GetSceneRotate(), twoDecimals(in.GetSceneRotate()));
    EXPECT_EQ(out.GetSlopeX(), twoDecimals(in.GetSlopeX()));
    EXPECT_EQ(out.GetSlopeY(), twoDecimals(in.GetSlopeY()));
    EXPECT_EQ(out.GetAirCraftX(), twoDecimals(in.GetAirCraftX()));
    EXPECT_EQ(out.GetAirCraftY(), twoDecimals(in.GetAirCraftY()));
    EXPECT_EQ(out.GetAirCraftZ(), twoDecimals(in.GetAirCraftZ()));
    EXPECT_EQ(out.GetPilotZ(), twoDecimals(in.GetPilotZ()));
  }
  EXPECT_TRUE(errors.Messages.empty());
}

TEST_F(FmsReaderTest, GroundDataBlockIsKeptAndWrittenAgain) {
  const std::string file =
      "// sf_SceneType : 1\r\n// x sf_GroundDataStart\r\n//  1 2 3\r\n// sf_GroundDataEnd y\r\n"
      "// sf_TextureBasename : 'sky'\r\n";
  ASSERT_TRUE(Read(file));
  const StringList kept = {"// x sf_GroundDataStart", "//  1 2 3", "// sf_GroundDataEnd y"};
  EXPECT_EQ(filer->GroundDataLines(), kept);

  filer->SetSceneFilename(dir.File("out.scn"));
  filer->PrepareOutputNames();
  testing::WriteScene(*filer, WriteFmsSphere);
  ASSERT_TRUE(ReadFmsScene(*filer, dir.File("out.scn")));
  EXPECT_EQ(filer->GroundDataLines(), kept);

  // Every block of a file is kept, in order.
  ASSERT_TRUE(Read("// sf_GroundDataStart 1\r\n// sf_GroundDataEnd\r\nx\r\n"
                   "// sf_GroundDataStart 2 sf_GroundDataEnd\r\nsf_TextureBasename 'a'\r\n"));
  EXPECT_EQ(filer->GroundDataLines(),
            (StringList{"// sf_GroundDataStart 1", "// sf_GroundDataEnd",
                        "// sf_GroundDataStart 2 sf_GroundDataEnd"}));

  // Another file without a block clears them; a missing file changes nothing.
  ASSERT_TRUE(Read("TEXTURE sky_top\n"));
  EXPECT_TRUE(filer->GroundDataLines().empty());
  filer->GroundDataLines() = kept;
  EXPECT_FALSE(ReadFmsScene(*filer, dir.File("missing.scn")));
  EXPECT_EQ(filer->GroundDataLines(), kept);
}

// Ground-data lines are written back byte for byte, also bytes code page 932 does not
// assign and characters it has two codes for.
TEST_F(FmsReaderTest, GroundDataBytesAreKeptAsTheyWere) {
  const std::string odd = "// \x80\xA0\xFD\xFE\xFF \x87\x9A \xED\x40 \x81\xE6 \xFA\x5C \x82";
  ASSERT_TRUE(Read("// sf_SceneType : 0\r\n// sf_GroundDataStart\r\n" + odd +
                   "\r\n// sf_GroundDataEnd\r\n// sf_TextureBasename : 'sky'\r\n"));
  const StringList kept = {"// sf_GroundDataStart", odd, "// sf_GroundDataEnd"};
  EXPECT_EQ(filer->GroundDataLines(), kept);
  filer->SetSceneFilename(dir.File("out.scn"));
  filer->PrepareOutputNames();
  testing::WriteScene(*filer, WriteFmsCube);
  const std::string written = testing::ReadAll(dir.File("out.scn"));
  EXPECT_NE(written.find("// sf_PilotZ            : 0.00\r\n// sf_GroundDataStart\r\n" + odd +
                         "\r\n// sf_GroundDataEnd\r\n// sf_TextureBasename "),
            std::string::npos);
  ASSERT_TRUE(ReadFmsScene(*filer, dir.File("out.scn")));
  EXPECT_EQ(filer->GroundDataLines(), kept);
  testing::WriteScene(*filer, WriteFmsCube);
  EXPECT_EQ(testing::ReadAll(dir.File("out.scn")), written);
}

// A file written here reads back to the job that wrote it, whatever the ground-data block
// it carries from a file read before: the block is data, never read as keys or commands.
TEST_F(FmsReaderTest, AWrittenFileReadsBackToTheJobThatWroteIt) {
  const std::string block =
      "// sf_GroundDataStart sf_AreaRadius 7\r\n// sf_AreaRadius : 5\r\n// sf_SceneType : 0\r\n"
      "TEXTURE x_left\r\n// 3D_LANDSCAPE\r\nAIRCRAFT_POSITION 9 9 9 9\r\n"
      "// sf_TextureBasename : 'other'\r\n// sf_GroundDataEnd sf_PilotZ 4\r\n";
  const std::string unterminated = "// sf_GroundDataStart\r\n// sf_AreaRadius : 3000\r\n";
  for (const std::string& middle : {block, unterminated}) {
    SCOPED_TRACE(middle);
    ASSERT_TRUE(Read("// sf_SceneType : 1\r\n// sf_AreaRadius : 2000\r\n" + middle +
                     "// sf_TextureBasename : 'sky'\r\n"));
    EXPECT_EQ(filer->GetSceneType(), stSphere);
    EXPECT_EQ(filer->GetTextureBasename(), "sky");
    EXPECT_TRUE(errors.Messages.empty());
    const StringList kept = filer->GroundDataLines();
    // A block without its end is no block: its lines are read as any other.
    EXPECT_EQ(kept.size(), middle == block ? 8u : 0u);
    EXPECT_EQ(filer->FMSData().GetAreaRadius(), middle == block ? 2000 : 3000);

    // The job changes its values (as --set and --base do) and writes its file.
    filer->FMSData().SetAreaRadius(4000);
    filer->FMSData().SetPilotZ(Currency::FromInt(2));
    filer->SetTextureBasename("sky2");
    filer->SetSceneFilename(dir.File("out.scn"));
    filer->PrepareOutputNames();
    testing::WriteScene(*filer, WriteFmsSphere);
    filer->ResetJob();
    ASSERT_TRUE(ReadFmsScene(*filer, dir.File("out.scn")));
    EXPECT_EQ(filer->GetSceneType(), stSphere);
    EXPECT_EQ(filer->FMSData().GetAreaRadius(), 4000);
    EXPECT_EQ(filer->FMSData().GetPilotZ(), Currency::FromInt(2));
    EXPECT_EQ(filer->GetTextureBasename(), "sky2");
    EXPECT_EQ(filer->GroundDataLines(), kept);
    EXPECT_TRUE(errors.Messages.empty());
  }
}

// What a reader accepts but no image name can be (a line break, a way out of the scene
// folder) stops the next job before anything is written.
TEST_F(FmsReaderTest, NamesReadThatCannotBeWrittenBackStopTheNextJob) {
  const std::pair<const char*, const char*> cases[] = {
      {"sf_TextureBasename#13", " U+000D "},
      {"sf_TextureBasename 'sky'#10'x'", " U+000A "},
      {"TEXTURE ../../x/sky_left\r\n", "「/」"},
      {"TEXTURE ..\\..\\x\\sky_left\r\n", "「\\」"}};
  const std::string folder = dir.File("job");
  std::filesystem::create_directory(folder);
  for (const auto& [text, shown] : cases) {
    errors.Messages.clear();
    ASSERT_TRUE(Read(text)) << text;
    filer->SetSceneFilename(folder + "/scene.scn");
    filer->PrepareOutputNames();
    filer->RunSceneStage();
    EXPECT_EQ(errors.Messages,
              StringList{std::string("出力画像の基本名：に使えない文字") + shown + "があります。"})
        << text;
    EXPECT_TRUE(std::filesystem::is_empty(folder)) << text;
  }
}

TEST_F(FmsReaderTest, ForeignFilesGiveAircraftPilotGroundAndTexture) {
  filer->SetSceneFormat(sfRCP);
  filer->FMSData().SetAirCraftY(Currency::FromInt(9));
  const std::string file =
      "AIRCRAFT_POSITION  -5  0  -1.7  -0.7\n"
      "PILOT_POSITION 0 0 1.5 FIXED\n"
      "QUADS\n"
      " 1500 -1500 -1.7\n-1500 -1500 -1.7\n-1500 1500 -1.7\n 1500 1500 -1.7\n"
      "TEXTURE my_sky_top\n";
  // Every line end the reader accepts gives the same result.
  for (const char* end : {"\n", "\r\n", "\r"}) {
    std::string text;
    for (char c : file) text += c == '\n' ? std::string(end) : std::string(1, c);
    filer->SetSceneType(stSphere);
    ASSERT_TRUE(Read(text));
    EXPECT_EQ(filer->GetSceneFormat(), sfFMS);
    EXPECT_EQ(filer->FMSData().GetAirCraftX(), Currency::FromInt(-5));
    EXPECT_EQ(filer->FMSData().GetAirCraftY(), Currency::FromInt(0));
    EXPECT_EQ(Z(), Currency::Parse("-1.7"));
    EXPECT_EQ(filer->FMSData().GetPilotZ(), Currency::Parse("1.5"));
    EXPECT_EQ(filer->GetSceneType(), stCube);
    EXPECT_EQ(filer->GetTextureBasename(), "my_sky");
  }

  // The first POSITION gives the base height the ground quad is measured from.
  ASSERT_TRUE(
      Read("POSITION 0 0 2 QUADS 7\nPOSITION 0 0 9\nQUADS\n0 0 -1\n0 0 -1\n0 0 -2\n0 0 -2\n"
           "TEXTURE sky_21\n"));
  EXPECT_EQ(Z(), Currency::Parse("0.5"));
  EXPECT_EQ(filer->GetSceneType(), stSphere);
}

TEST_F(FmsReaderTest, FirstTextureNameGuessesTheSceneType) {
  const struct {
    const char* line;
    bool known;
    TSceneType type;
  } cases[] = {{"TEXTURE sky_top", true, stCube},   {"TEXTURE sky_21", true, stSphere},
               {"TEXTURE sky_3", true, stCube},     {"TEXTURE sky_Back", true, stCube},
               {"TEXTURE sky_9", false, stSphere},  {"TEXTURE sky", false, stSphere},
               {"TEXTURE sky_x1", false, stSphere}, {"TEXTURE", false, stSphere},
               {"TEXTURE sky_", false, stSphere},   {"TEXTURE sky_45", false, stSphere}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line);
    filer->SetSceneType(stSphere);
    filer->SetTextureBasename("before");
    errors.Messages.clear();
    EXPECT_EQ(Read(std::string(c.line) + "\nTEXTURE sky_top\n"), c.known);
    EXPECT_EQ(filer->GetSceneType(), c.type);
    if (c.known) {
      EXPECT_EQ(filer->GetTextureBasename(), "sky");
      EXPECT_TRUE(errors.Messages.empty());
    } else {
      EXPECT_EQ(filer->GetTextureBasename(), "before");
      EXPECT_EQ(
          errors.Messages,
          std::vector<std::string>{
              std::string("TEXTURE セクションの画像ファイル名が判別できません。\r\n") + kUnusable});
    }
  }
}

TEST_F(FmsReaderTest, LandscapeSectionsAreRefusedAfterEarlierValues) {
  EXPECT_FALSE(Read("AIRCRAFT_POSITION 7 8\n3D_LANDSCAPE\nTEXTURE sky_top\n"));
  EXPECT_EQ(errors.Messages,
            std::vector<std::string>{std::string("3D_LANDSCAPE セクションが見つかりました。\r\n") +
                                     kUnusable});
  EXPECT_EQ(filer->FMSData().GetAirCraftX(), Currency::FromInt(7));
  // "3D" before anything else is only a number.
  errors.Messages.clear();
  EXPECT_TRUE(Read("3D LANDSCAPE\nTEXTURE sky_top\n"));
  EXPECT_TRUE(errors.Messages.empty());
}

TEST_F(FmsReaderTest, HeaderOddities) {
  // The note line sets stCube until the real line follows; a float radius reads as 0 -> 100.
  ASSERT_TRUE(
      Read("// Line sf_SceneType .. sf_TextureBasename, please do not change.\n"
           "// sf_SceneType : 1\n// sf_AreaRadius : 1000.5\n// sf_TextureBasename : 'a'\n"));
  EXPECT_EQ(filer->GetSceneType(), stSphere);
  EXPECT_EQ(filer->FMSData().GetAreaRadius(), 100);

  // A NUL ends the text: nothing after it is read.
  filer->SetTextureBasename("kept");
  EXPECT_FALSE(Read(std::string("// sf_PilotZ : 3\n") + '\0' + "// sf_TextureBasename : 'x'\n"));
  EXPECT_EQ(filer->FMSData().GetPilotZ(), Currency::FromInt(3));
  EXPECT_EQ(filer->GetTextureBasename(), "kept");
}

TEST_F(FmsReaderTest, BrokenFilesStopWithFileAndLineAndKeepEarlierValues) {
  const std::string file = dir.File("in.scn");
  EXPECT_EQ(ReadError<ConvertError>("// sf_SlopeX : 4\n// sf_AreaRadius : -\n"),
            "'" + file + "', line 2: '-' is not a valid integer value");
  EXPECT_EQ(filer->FMSData().GetSlopeX(), Currency::FromInt(4));
  EXPECT_NE(ReadError<ConvertError>("// sf_PilotZ : 1-2\n").find("line 1: '1-2'"),
            std::string::npos);
  EXPECT_NE(ReadError<ConvertError>("// sf_AreaRadius : 3000000000\n").find("line 1"),
            std::string::npos);
  EXPECT_NE(ReadError<ParseError>("\n\n// sf_TextureBasename : 'open\n").find("line 3"),
            std::string::npos);
  EXPECT_NE(ReadError<ParseError>("\n" + std::string(4096, 'x') + "\n").find("', line 2:"),
            std::string::npos);
  // An error inside a ground quad names the quad line it is on.
  EXPECT_NE(ReadError<ConvertError>("QUADS\n0 0 1\n0 0 1e\n").find("line 3"), std::string::npos);

  // Ordinals outside the enumerations are refused, never stored.
  filer->SetSceneType(stSphere);
  filer->SetCubeSuffix(csZero);
  EXPECT_NE(ReadError<ParseError>("// sf_SceneType : 2\n").find("sf_SceneType"), std::string::npos);
  EXPECT_NE(ReadError<ParseError>("// sf_CubeSuffix : -1\n").find("sf_CubeSuffix"),
            std::string::npos);
  EXPECT_EQ(filer->GetSceneType(), stSphere);
  EXPECT_EQ(filer->GetCubeSuffix(), csZero);
}

TEST_F(FmsReaderTest, GroundQuadAtTheEndUsesOnlyTheLinesThatExist) {
  // Missing lines count as lines without a height.
  EXPECT_FALSE(Read("POSITION 0 0 2\nQUADS\n0 0 -4\n0 0 -4"));
  EXPECT_EQ(Z(), Currency::FromInt(0));
  EXPECT_FALSE(Read("QUADS\n1 2 -4"));
  EXPECT_EQ(Z(), Currency::FromInt(-1));
}

// A real code page 932 file: "ダ" is 83 5F, its second byte the code of "_", so a name cut
// at the last underscore of the bytes would end in half a character.
TEST_F(FmsReaderTest, NamesWithTheTrailByteOfAnUnderscore) {
  for (const char* line : {"TEXTURE \x83\x5F_left", "// sf_TextureBasename : '\x83\x5F'"}) {
    SCOPED_TRACE(line);
    filer->SetTextureBasename("");
    EXPECT_TRUE(Read(std::string(line) + "\r\n"));
    EXPECT_EQ(filer->GetTextureBasename(), "ダ");
  }
  EXPECT_EQ(filer->GetSceneType(), stCube);
  EXPECT_FALSE(Read("TEXTURE \x83\x5F\r\n"));  // no underscore of its own: no suffix
}

}  // namespace
}  // namespace talvero
