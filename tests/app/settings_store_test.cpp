// The settings store on real INI files: defaults, the stored-text rules, hand-edited
// files, string lists, byte streams, fonts, components and refused writes.
#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>

#include <QCheckBox>
#include <QWidget>
#include <csignal>
#include <filesystem>
#include <sstream>

#include "app/ini_file.h"
#include "app/reg_manager.h"
#include "app/settings_items.h"
#include "common/test_support.h"
#include "support/errors.h"
#include "support/file_util.h"

namespace talvero {
namespace {

using testing::ReadAll;
using testing::RecordingErrorReporter;
using testing::TempDir;

// A manager set up as the main window uses it, on settings.ini in a fresh folder, with the
// error boxes recorded.
class SettingsStore : public ::testing::Test {
 protected:
  SettingsStore() : FScope(FErrors) {
    FReg.SetRegType(rtIni);
    FReg.SetIniFileName(FIni);
    AddMainWindowSettings(FReg.RegItems());
  }
  void WriteIni(const std::string& text) { FDir.Write("settings.ini", text); }
  std::string Ini() const { return ReadAll(FIni); }

  TempDir FDir;
  const std::string FIni = FDir.File("settings.ini");
  RecordingErrorReporter FErrors;
  ScopedErrorReporter FScope;
  TRegManager FReg;
};

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

// The file's section and key names lose their outer blanks when read; names asked for do
// too, so a name with blanks around it is written where it is found again.
TEST_F(SettingsStore, NamesWithOuterBlanksMeanTheNamesWithout) {
  WriteIni("[data]\nFormTop=1\n");
  TIniFile ini(FIni);
  ini.WriteString(" data ", "\tFormTop ", "5");
  ini.WriteString("  new\t", " Key", "v");
  EXPECT_EQ(Ini(), "[data]\nFormTop=5\n[new]\nKey=v\n");
  EXPECT_EQ(ini.ReadString("\tdata", "FormTop  "), "5");
  EXPECT_EQ(ini.ReadString(" new ", " key "), "v");
  ini.DeleteKey(" DATA ", " formtop");
  EXPECT_EQ(Ini(), "[data]\n[new]\nKey=v\n");
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

  // A write that fails half-way (here at the file-size limit) leaves the old file whole.
  FReg.SetIniFileName(FIni);
  const std::string good = "[data]\nFormTop=7\n";
  WriteIni(good);
  struct rlimit saved {};
  getrlimit(RLIMIT_FSIZE, &saved);
  const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
  struct rlimit small = saved;
  small.rlim_cur = 8;
  setrlimit(RLIMIT_FSIZE, &small);
  EXPECT_THROW(FReg.Filers("FormTop").WriteText(std::string(100, 'z')), FileError);
  setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, oldHandler);
  EXPECT_EQ(Ini(), good);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(FDir.Path()), {}), 2)
      << "no temporary file is left behind";

  // A folder in the file's place reads as missing and cannot be written.
  std::filesystem::create_directory(FDir.File("folder.ini"));
  FReg.SetIniFileName(FDir.File("folder.ini"));
  EXPECT_EQ(FReg.Filers("FormWidth").ReadInt(), 644);
  EXPECT_THROW(FReg.Filers("FormWidth").WriteInt(1), FileError);
}

// A settings file made read-only to freeze it stays as it is; a writable one in a folder
// where no temporary file can be made (a system-wide install) is rewritten in place.
TEST_F(SettingsStore, ReadOnlyFilesAreRefusedAndClosedFoldersRewriteInPlace) {
  const std::string good = "[data]\nFormTop=7\n";
  WriteIni(good);
  ::chmod(FIni.c_str(), 0444);
  try {
    FReg.Filers("FormTop").WriteInt(1);
    ADD_FAILURE() << "no error";
  } catch (const FileError& e) {
    EXPECT_EQ(std::string(e.what()), FIni + " に書き込めません");
  }
  EXPECT_EQ(Ini(), good);
  struct stat st {};
  ::stat(FIni.c_str(), &st);
  EXPECT_EQ(st.st_mode & 07777, 0444u);

  ::chmod(FDir.Path().c_str(), 0755);
  const std::string folder = FDir.File("system");
  std::filesystem::create_directory(folder);
  const std::string ini = FDir.Write("system/talvero.ini", good);
  ::chmod(ini.c_str(), 0666);
  ::chmod(folder.c_str(), ::geteuid() == 0 ? 0755 : 0555);  // nobody may add a file there
  const std::string result = testing::RunUnprivileged([&] {
    try {
      TIniFile(ini).WriteString("data", "FormTop", "9");
      return std::string("saved");
    } catch (const std::exception& e) {
      return std::string(e.what());
    }
  });
  ::chmod(folder.c_str(), 0755);
  EXPECT_EQ(result, "saved");
  EXPECT_EQ(ReadAll(ini), "[data]\nFormTop=9\n");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder), {}), 1);
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

// Where the window keeps its settings: beside a portable copy, else in the user's folder.
TEST(SettingsFile, BesideAPortableCopyElseInTheUsersConfigurationFolder) {
  TempDir dir;
  std::filesystem::create_directories(dir.File("app"));
  SettingsPlaces places;
  places.ExecutablePath = dir.File("app/talvero");
  places.Home = "/home/pilot";
  bool writable = true;
  places.CanWrite = [&](const std::string&) { return writable; };
  const std::string beside = dir.File("app/talvero.ini");
  EXPECT_EQ(ChooseSettingsFile(places), beside);

  writable = false;  // an installed program's folder
  EXPECT_EQ(ChooseSettingsFile(places), "/home/pilot/.config/talvero/talvero.ini");
  places.XdgConfigHome = "/cfg/";
  EXPECT_EQ(ChooseSettingsFile(places), "/cfg/talvero/talvero.ini");
  places.XdgConfigHome = "relative/cfg";  // not absolute: to be ignored
  EXPECT_EQ(ChooseSettingsFile(places), "/home/pilot/.config/talvero/talvero.ini");
  places.Home.clear();
  places.XdgConfigHome.clear();
  EXPECT_EQ(ChooseSettingsFile(places), beside);  // nowhere else to go
  places.Home = "/home/pilot";

  // A file already beside the executable is used even where the folder cannot be written.
  dir.Write("app/talvero.ini", "[data]\n");
  EXPECT_EQ(ChooseSettingsFile(places), beside);
  std::filesystem::remove(beside);

  // An installed program's folder is never written, even by root.
  writable = true;
  places.Installed = true;
  EXPECT_EQ(ChooseSettingsFile(places), "/home/pilot/.config/talvero/talvero.ini");
  dir.Write("app/talvero.ini", "[data]\n");
  EXPECT_EQ(ChooseSettingsFile(places), beside);

  // Installed means the desktop entry lies in the prefix the program runs from.
  EXPECT_FALSE(CurrentSettingsPlaces(dir.File("usr/bin/talvero")).Installed);
  std::filesystem::create_directories(dir.File("usr/share/applications"));
  std::filesystem::create_directories(dir.File("usr/bin"));
  dir.Write("usr/share/applications/talvero.desktop", "[Desktop Entry]\n");
  EXPECT_TRUE(CurrentSettingsPlaces(dir.File("usr/bin/talvero")).Installed);
}

TEST(SettingsFile, ItsFolderIsMadeForTheUserAlone) {
  TempDir dir;
  const std::string file = dir.File("home/.config/talvero/talvero.ini");
  MakeSettingsFolder(file);
  namespace fs = std::filesystem;
  for (const char* folder : {"home", "home/.config", "home/.config/talvero"}) {
    ASSERT_TRUE(fs::is_directory(dir.File(folder))) << folder;
    EXPECT_EQ(fs::status(dir.File(folder)).permissions() & fs::perms::all, fs::perms::owner_all)
        << folder;
  }
  // Existing folders keep their permissions; the store then writes the file.
  fs::permissions(dir.Path(), fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec);
  MakeSettingsFolder(dir.File("settings.ini"));
  EXPECT_EQ(fs::status(dir.Path()).permissions() & fs::perms::all,
            fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec);
  TRegManager reg;
  reg.SetRegType(rtIni);
  reg.SetIniFileName(file);
  AddMainWindowSettings(reg.RegItems());
  reg.Filers("FormLeft").WriteInt(5);
  EXPECT_EQ(ReadAll(file), "[data]\nFormLeft=5\n");
}

}  // namespace
}  // namespace talvero
