// The settings store on real INI files: defaults, the stored-text rules, hand-edited
// files, string lists, byte streams, fonts, components and refused writes.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QWidget>
#include <filesystem>
#include <sstream>

#include "app/settings/reg_manager.h"
#include "app/settings/settings_file.h"
#include "common/test_support.h"
#include "settings_store_fixture.h"
#include "support/errors.h"
#include "support/file_util.h"
#include "support/ini_file.h"

namespace talvero {
namespace {

using testing::ReadAll;
using testing::RecordingErrorReporter;
using testing::SettingsStore;
using testing::TempDir;

TEST_F(SettingsStore, MissingFileReadsDefaultsAndFirstSaveCreatesTheSection) {
  EXPECT_TRUE(FReg.Filers("CreateSceneFile").ReadBool());
  EXPECT_FALSE(FReg.Filers("ShowGuide").ReadBool());
  EXPECT_TRUE(FReg.Filers("CheckImageFileOverWrite").ReadBool());
  EXPECT_EQ(FReg.Filers("FormWidth").ReadInt(), 644);
  EXPECT_EQ(FReg.Filers("ImageSizeMode").ReadInt(), 1);
  EXPECT_EQ(FReg.Filers("FormTop").ReadText(), "100");
  EXPECT_FALSE(FileExists(FIni)) << "reading must not create the file";

  FReg.Filers("CreateSceneFile").WriteBool(false);
  FReg.Filers("FormWidth").WriteInt(700);
  FReg.Filers("FormLeft").WriteInt(-30);
  EXPECT_EQ(Ini(), "[data]\nCreateSceneFile=0\nFormWidth=700\nFormLeft=-30\n");
  EXPECT_FALSE(FReg.Filers("CreateSceneFile").ReadBool());
  EXPECT_EQ(FReg.Filers("FormLeft").ReadInt(), -30);
  EXPECT_TRUE(FErrors.Messages.empty());
}

TEST_F(SettingsStore, StoredTextIsReadAsAnIntegerNotAsTheDefault) {
  WriteIni(
      "[Data]\n"
      "CreateSceneFile=TRUE\n"
      "  createdividedimage = 2  \n"
      "SceneType=abc\n"
      "FormTop=\n"
      "ShowImage=1\n"
      "ShowImage=0\n"
      "FormHeight=\"650\"\n"
      "ImageType=$10\n"
      "FormWidth=99999999999\n");
  EXPECT_FALSE(FReg.Filers("CreateSceneFile").ReadBool());
  EXPECT_TRUE(FReg.Filers("CreateDividedImage").ReadBool());
  EXPECT_EQ(FReg.Filers("SceneType").ReadInt(), 0);
  EXPECT_EQ(FReg.Filers("FormTop").ReadInt(), 0);
  EXPECT_EQ(FReg.Filers("FormTop").ReadText(), "");
  EXPECT_TRUE(FReg.Filers("ShowImage").ReadBool()) << "the first of two equal keys counts";
  EXPECT_EQ(FReg.Filers("FormHeight").ReadInt(), 650);
  EXPECT_EQ(FReg.Filers("ImageType").ReadInt(), 16);
  EXPECT_EQ(FReg.Filers("FormWidth").ReadInt(), 0) << "out of 32-bit range";
  EXPECT_EQ(FReg.Filers("FormLeft").ReadInt(), 200) << "absent key";
}

TEST_F(SettingsStore, NamesAndDefaultsOfItems) {
  TRegItem& yes = FReg.RegItems().Add("Yes", "other", "Yes", "yes");
  EXPECT_TRUE(FReg.Filers("yes").ReadBool());
  yes.SetDefaultValue("no");
  EXPECT_FALSE(FReg.Filers("Yes").ReadBool());

  // Lookup ignores case and finds the item; the key itself is case-blind too.
  WriteIni("[data]\nFORMLEFT=12\n");
  TRegFiler& filer = FReg.Filers("formleft");
  ASSERT_NE(filer.Item(), nullptr);
  EXPECT_EQ(filer.Item()->Name(), "FormLeft");
  EXPECT_EQ(filer.ReadInt(), 12);

  // An unknown name is reported once and leaves a filer that reads nothing, writes nothing.
  TRegFiler& none = FReg.Filers("NoSuchItem");
  EXPECT_EQ(FErrors.Messages, std::vector<std::string>{"[' NoSuchItem '] is invalid."});
  EXPECT_FALSE(none.ReadBool());
  EXPECT_EQ(none.ReadInt(), 0);
  EXPECT_EQ(none.ReadText(), "");
  none.WriteInt(5);
  none.WriteText("x");
  EXPECT_EQ(Ini(), "[data]\nFORMLEFT=12\n");

  TRegItem copy;
  copy.Assign(FReg.RegItems().Items(0));
  EXPECT_EQ(copy.Name(), "ShowGuide");
  EXPECT_EQ(copy.DefaultValue(), "False");
}

TEST_F(SettingsStore, WritingKeepsEveryOtherLineOfAHandEditedFile) {
  const std::string original =
      "\xEF\xBB\xBF; settings of Talvero\r\n"
      "[other]\r\n"
      "FormWidth=1\r\n"
      "\r\n"
      "[data]\r\n"
      "; window\r\n"
      "FormWidth = 644\r\n"
      "\r\n"
      "[last]\r\n"
      "x=y";
  WriteIni(original);
  FReg.Filers("FormWidth").WriteInt(800);
  FReg.Filers("FormTop").WriteInt(5);
  EXPECT_EQ(Ini(),
            "\xEF\xBB\xBF; settings of Talvero\r\n"
            "[other]\r\n"
            "FormWidth=1\r\n"
            "\r\n"
            "[data]\r\n"
            "; window\r\n"
            "FormWidth=800\r\n"
            "FormTop=5\r\n"
            "\r\n"
            "[last]\r\n"
            "x=y");
  TRegItem& added = FReg.RegItems().Add("New", "new section", "Key", "");
  FReg.Filers(added.Name()).WriteText("v");
  EXPECT_TRUE(Ini().ends_with("x=y\r\n[new section]\r\nKey=v\r\n"));
  EXPECT_EQ(FReg.Filers("FormWidth").ReadInt(), 800) << "the other section's key is not ours";
}

// A settings file far larger than the program's own (here a sparse one of 64 MB) is not read
// for every setting: it reads as missing, and a write refuses to replace it.
TEST_F(SettingsStore, AFileOfAbsurdSizeReadsAsDefaultsAndIsKept) {
  WriteIni("[data]\nFormTop=1\n");
  std::filesystem::resize_file(FIni, uint64_t{64} << 20);
  TIniFile ini(FIni);
  EXPECT_EQ(ini.ReadString("data", "FormTop"), std::nullopt);
  EXPECT_EQ(FReg.Filers("FormTop").ReadInt(), 100) << "the default";
  EXPECT_THROW(ini.WriteString("data", "FormTop", "2"), FileError);
  EXPECT_EQ(std::filesystem::file_size(FIni), uint64_t{64} << 20);
}

TEST_F(SettingsStore, TextRoundTripsAndTheReadLimit) {
  TRegFiler& filer = FReg.Filers("FormTop");
  for (const std::string text : {"  padded  ", "\"quoted\"", "'single'", "a=b;c", "日本語"}) {
    filer.WriteText(text);
    EXPECT_EQ(filer.ReadText(), text);
  }
  EXPECT_THROW(filer.WriteText("two\nlines"), ConvertError);
  EXPECT_EQ(filer.ReadText(), "日本語") << "a refused value changes nothing";

  filer.WriteText(std::string(3000, 'a'));
  EXPECT_EQ(filer.ReadText(), std::string(TIniFile::kMaxValueBytes, 'a'));
  // A character that would be split by the limit is left out whole.
  std::string wide = "ab";
  for (int i = 0; i < 1100; ++i) wide += "é";
  filer.WriteText(wide);
  EXPECT_EQ(filer.ReadText(), wide.substr(0, 2046));

  // Empty section or key: reads give the default, writes do nothing.
  EXPECT_EQ(filer.ReadValue("", "FormTop", "d"), "d");
  EXPECT_EQ(filer.ReadValue("data", "", "d"), "d");
  const std::string before = Ini();
  filer.WriteValue("", "FormTop", "1");
  filer.WriteValue("data", "", "1");
  filer.DeleteValue("data", "");
  EXPECT_EQ(Ini(), before);
}

TEST_F(SettingsStore, StringListsShrinkByDeletingTheirTrailingKeys) {
  TRegItem& item = FReg.RegItems().Add("Recent", "lists", "Recent", "");
  TRegFiler& filer = FReg.Filers(item.Name());
  const std::vector<std::string> five{"a", "b", "", "d", "e"};
  filer.WriteStrings(&five);
  std::vector<std::string> read{"stale"};
  filer.ReadStrings(&read);
  EXPECT_EQ(read, five);

  const std::vector<std::string> two{"x", "y"};
  filer.WriteStrings(&two);
  EXPECT_EQ(Ini(), "[lists]\nRecent_ItemCount=2\nRecent_Item0=x\nRecent_Item1=y\n");

  const std::vector<std::string> none;
  filer.WriteStrings(&none);
  EXPECT_EQ(Ini(), "[lists]\n");
  filer.ReadStrings(&read);
  EXPECT_TRUE(read.empty());

  // A count beyond the stored entries reads empty entries; a hostile count stays bounded.
  WriteIni("[lists]\nRecent_ItemCount=3\nRecent_Item1=m\n");
  filer.ReadStrings(&read);
  EXPECT_EQ(read, (std::vector<std::string>{"", "m", ""}));
  filer.ReadStrings(nullptr);
  filer.WriteStrings(nullptr);
}

TEST_F(SettingsStore, StreamsAreHexLinesOf32Bytes) {
  TRegItem& item = FReg.RegItems().Add("Blob", "bin", "Blob", "");
  TRegFiler& filer = FReg.Filers(item.Name());
  std::string bytes;
  for (int i = 0; i < 33; ++i) bytes += static_cast<char>(i * 8);
  std::istringstream in("skip" + bytes);
  in.seekg(4);  // only what follows the stream's position is stored
  filer.WriteStream(&in);
  TIniFile ini(FIni);
  EXPECT_EQ(ini.ReadString("bin", "Blob_c"), "2");
  EXPECT_EQ(ini.ReadString("bin", "Blob_d0").value().size(), 64u);
  EXPECT_EQ(ini.ReadString("bin", "Blob_d0").value().substr(0, 8), "00081018");
  EXPECT_EQ(ini.ReadString("bin", "Blob_d1"), "00");
  EXPECT_EQ(ini.ReadString("bin", "Blob_d0").value().substr(62), "F8");

  std::ostringstream out("xy", std::ios::ate);
  filer.ReadStream(&out);
  EXPECT_EQ(out.str(), "xy" + bytes);

  std::istringstream empty;
  filer.WriteStream(&empty);
  EXPECT_EQ(Ini(), "[bin]\n");

  // A pair that is not hexadecimal reads as a zero byte; a trailing odd digit is ignored.
  WriteIni("[bin]\nBlob_c=1\nBlob_d0=41zz4\n");
  std::ostringstream damaged;
  filer.ReadStream(&damaged);
  EXPECT_EQ(damaged.str(), std::string("A\0", 2));
}

TEST_F(SettingsStore, FontsUseFiveKeysAndTheColourText) {
  EXPECT_EQ(ColorToString(Qt::red), "clRed");
  EXPECT_EQ(ColorToString(QColor(0, 0, 0x80)), "clNavy");
  EXPECT_EQ(ColorToString(QColor(1, 2, 3)), "$00030201");
  EXPECT_EQ(StringToColor("CLRED"), QColor(Qt::red));
  EXPECT_EQ(StringToColor("$00030201"), QColor(1, 2, 3));
  EXPECT_EQ(StringToColor("255"), QColor(Qt::red));
  EXPECT_THROW(StringToColor("reddish"), ConvertError);

  TRegItem& item = FReg.RegItems().Add("Console", "fonts", "Console", "");
  TRegFiler& filer = FReg.Filers(item.Name());
  TRegFont font;
  font.Font.setFamily("DejaVu Sans Mono");
  font.Font.setPointSize(13);
  font.Font.setBold(true);
  font.Font.setUnderline(true);
  font.Color = QColor(1, 2, 3);
  font.Charset = 128;
  filer.WriteFont(&font);
  EXPECT_EQ(Ini(),
            "[fonts]\nConsole_FontName=DejaVu Sans Mono\nConsole_FontSize=13\n"
            "Console_FontColor=$00030201\nConsole_FontStyle=5\nConsole_FontCharset=128\n");

  TRegFont read;
  read.Font.setPointSize(9);
  filer.ReadFont(&read);
  EXPECT_EQ(read.Font.family(), "DejaVu Sans Mono");
  EXPECT_EQ(read.Font.pointSize(), 13);
  EXPECT_TRUE(read.Font.bold());
  EXPECT_FALSE(read.Font.italic());
  EXPECT_TRUE(read.Font.underline());
  EXPECT_EQ(read.Color, QColor(1, 2, 3));
  EXPECT_EQ(read.Charset, 128);

  // A size that is not an integer keeps the current size; a bad colour is an error.
  WriteIni("[fonts]\nConsole_FontSize=big\nConsole_FontStyle=x\n");
  read.Font.setPointSize(9);
  filer.ReadFont(&read);
  EXPECT_EQ(read.Font.pointSize(), 9);
  EXPECT_FALSE(read.Font.bold());
  WriteIni("[fonts]\nConsole_FontColor=reddish\n");
  EXPECT_THROW(filer.ReadFont(&read), ConvertError);
}

TEST_F(SettingsStore, ComponentsStoreTheirPropertiesButFormsNothing) {
  TRegItem& item = FReg.RegItems().Add("Box", "ui", "Box", "");
  TRegFiler& filer = FReg.Filers(item.Name());
  QWidget form;
  filer.WriteComponent(&form);
  EXPECT_FALSE(FileExists(FIni));

  auto* box = new QCheckBox("caption", &form);
  box->setChecked(true);
  box->setToolTip("tip");
  filer.WriteComponent(box);
  ASSERT_TRUE(FileExists(FIni));
  box->setChecked(false);
  box->setToolTip("");
  box->setLayoutDirection(Qt::RightToLeft);
  filer.ReadComponent(box);
  EXPECT_TRUE(box->isChecked());
  EXPECT_EQ(box->toolTip(), "tip");
  EXPECT_EQ(box->layoutDirection(), Qt::LeftToRight) << "enumerations come back too";

  WriteIni("[ui]\nBox_c=1\nBox_d0=0011223344\n");
  box->setChecked(false);
  EXPECT_THROW(filer.ReadComponent(box), ParseError);
  EXPECT_FALSE(box->isChecked());
}

TEST_F(SettingsStore, ARefusedWriteIsAnErrorAndKeepsTheOldFile) {
  // A path below a regular file cannot be created, whoever runs the test.
  const std::string blocked = FDir.Write("plain", "x") + "/settings.ini";
  FReg.SetIniFileName(blocked);
  try {
    FReg.Filers("FormTop").WriteInt(1);
    ADD_FAILURE() << "no error";
  } catch (const FileError& e) {
    EXPECT_EQ(std::string(e.what()), blocked + " に書き込めません");
  }
  EXPECT_EQ(FReg.Filers("FormTop").ReadInt(), 100);

  // A folder in the file's place reads as missing and cannot be written.
  std::filesystem::create_directory(FDir.File("folder.ini"));
  FReg.SetIniFileName(FDir.File("folder.ini"));
  EXPECT_EQ(FReg.Filers("FormWidth").ReadInt(), 644);
  EXPECT_THROW(FReg.Filers("FormWidth").WriteInt(1), FileError);
}

TEST_F(SettingsStore, WithoutAStoreReadsGiveDefaultsAndEachOperationReportsOnce) {
  FReg.SetIniFileName("");
  EXPECT_EQ(FReg.Filers("FormWidth").ReadInt(), 644);
  FReg.Filers("FormWidth").WriteInt(1);
  EXPECT_EQ(FErrors.Messages, std::vector<std::string>(2, "can not create Inifile object."));

  FErrors.Messages.clear();
  FReg.SetRegType(rtReg);
  EXPECT_TRUE(FReg.Filers("CreateSceneFile").ReadBool());
  EXPECT_EQ(FErrors.Messages, std::vector<std::string>{"can not create Registry object."});

  FErrors.Messages.clear();
  FReg.SetRegDir("Software\\Talvero");
  const std::vector<std::string> list{"a", "b", "c"};
  FReg.Filers("FormTop").WriteStrings(&list);
  EXPECT_EQ(FReg.Filers("FormTop").ReadInt(), 100);
  EXPECT_EQ(FErrors.Messages, std::vector<std::string>(2, kRegistryUnavailable));
}

TEST(SettingsFile, LiesBesideTheExecutable) {
  EXPECT_EQ(SettingsFileFor("/opt/talvero/bin/talvero"), "/opt/talvero/bin/talvero.ini");
  EXPECT_EQ(SettingsFileFor("/opt/t.d/talvero.bin"), "/opt/t.d/talvero.ini");
}

}  // namespace
}  // namespace talvero
