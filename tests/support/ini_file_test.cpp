// The settings file's INI parser on its own; the settings store over it is tested with the
// window's suites (tests/app/settings_store_test.cpp), the parser's rules on any bytes by
// its fuzz target.
#include <gtest/gtest.h>

#include "common/test_support.h"
#include "support/ini_file.h"

namespace talvero {
namespace {

using testing::ReadAll;
using testing::TempDir;

// The file's section and key names lose their outer blanks when read; names asked for do
// too, so a name with blanks around it is written where it is found again.
TEST(IniFile, NamesWithOuterBlanksMeanTheNamesWithout) {
  TempDir dir;
  const std::string path = dir.Write("settings.ini", "[data]\nFormTop=1\n");
  TIniFile ini(path);
  ini.WriteString(" data ", "\tFormTop ", "5");
  ini.WriteString("  new\t", " Key", "v");
  EXPECT_EQ(ReadAll(path), "[data]\nFormTop=5\n[new]\nKey=v\n");
  EXPECT_EQ(ini.ReadString("\tdata", "FormTop  "), "5");
  EXPECT_EQ(ini.ReadString(" new ", " key "), "v");
  ini.DeleteKey(" DATA ", " formtop");
  EXPECT_EQ(ReadAll(path), "[data]\n[new]\nKey=v\n");
}

}  // namespace
}  // namespace talvero
