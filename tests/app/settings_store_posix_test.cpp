// The settings store where POSIX permissions and limits decide: writes that fail half-way,
// frozen files, closed folders, and where an installed program keeps its settings.
#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>

#include <csignal>
#include <filesystem>

#include "app/settings/reg_manager.h"
#include "app/settings/settings_file.h"
#include "app/settings/window_settings.h"
#include "common/test_support.h"
#include "settings_store_fixture.h"
#include "support/errors.h"
#include "support/file_util.h"
#include "support/ini_file.h"

namespace talvero {
namespace {

using testing::ReadAll;
using testing::SettingsStore;
using testing::TempDir;

TEST_F(SettingsStore, AWriteThatFailsHalfWayKeepsTheOldFile) {
  // Here the write fails at the file-size limit.
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
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(FDir.Path()), {}), 1)
      << "no temporary file is left behind";
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
