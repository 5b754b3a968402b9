// Scene files as lines: line ends, the NUL end, code page 932 both ways, all-or-nothing saves.
#include <gtest/gtest.h>

#include <filesystem>

#include "common/test_support.h"
#include "formats/line_file.h"
#include "support/errors.h"

namespace talvero {
namespace {

using testing::ReadAll;
using testing::TempDir;

// A literal with embedded NULs, all of it.
template <size_t N>
std::string Bytes(const char (&text)[N]) {
  return std::string(text, N - 1);
}

TEST(LineFile, SplitsAtEveryKindOfLineEnd) {
  const struct {
    std::string text;
    StringList lines;
  } cases[] = {
      {"", {}},
      {"a", {"a"}},
      {"a\r\n", {"a"}},
      {"a\r\nb", {"a", "b"}},
      {"a\nb\rc\r\nd", {"a", "b", "c", "d"}},
      {"\r\n\r\n", {"", ""}},
      {"a\n\rb", {"a", "", "b"}},  // LF then CR are two line ends
      {"a\r\rb", {"a", "", "b"}},
      {Bytes("a\nb\0c\nd"), {"a", "b"}},
      {Bytes("\0a"), {}},
  };
  for (const auto& c : cases) EXPECT_EQ(SplitTextLines(c.text), c.lines) << c.text;
}

TEST(LineFile, LoadsCodePage932AsUtf8) {
  TempDir dir;
  // "TEXTURE 空_top" in code page 932, then a NUL and bytes that must not be read.
  const std::string path = dir.Write("a.scn", Bytes("TEXTURE \x8B\xF3_top\r\nEND\n\0garbage\xFF"));
  EXPECT_EQ(LoadTextLines(path), (StringList{"TEXTURE 空_top", "END"}));
  EXPECT_THROW(LoadTextLines(dir.File("missing.scn")), FileError);
}

TEST(LineFile, SavesCrLfAfterEveryLineInCodePage932) {
  TempDir dir;
  const std::string path = dir.File("out.scn");
  SaveTextLines(path, {"", "空", "END"});
  EXPECT_EQ(ReadAll(path), "\r\n\x8B\xF3\r\nEND\r\n");
  SaveTextLines(path, {});
  EXPECT_EQ(ReadAll(path), "");
}

TEST(LineFile, RefusesTextCodePage932CannotStoreAndKeepsTheOldFile) {
  TempDir dir;
  const std::string path = dir.Write("out.scn", "old");
  try {
    SaveTextLines(path, {"ok", "emoji \xF0\x9F\x98\x80"});
    FAIL() << "no error";
  } catch (const ConvertError& e) {
    EXPECT_NE(std::string(e.what()).find("out.scn', line 2"), std::string::npos) << e.what();
  }
  EXPECT_EQ(ReadAll(path), "old");
}

// A scene file is read whole, so one of a size no scene file has (here a sparse one of 2 GB,
// which would take twice that in memory) is refused before anything is read.
TEST(LineFile, RefusesFilesNoSceneFileIsAsLargeAs) {
  TempDir dir;
  const std::string path = dir.Write("huge.scn", "sf_SceneType : 1\r\n");
  std::filesystem::resize_file(path, uint64_t{2} << 30);
  try {
    LoadTextLines(path);
    ADD_FAILURE() << "a 2 GB scene file was read";
  } catch (const FileError& e) {
    EXPECT_NE(std::string(e.what()).find("huge.scn"), std::string::npos) << e.what();
    EXPECT_NE(std::string(e.what()).find("2147483648 bytes"), std::string::npos) << e.what();
  }
  std::filesystem::resize_file(path, kMaxSceneFileBytes);
  EXPECT_EQ(LoadTextLines(path), StringList{"sf_SceneType : 1"}) << "the largest allowed";
}

}  // namespace
}  // namespace talvero
