// Replacing files on Windows: a read-only file is refused, a file that another program holds
// open stays as it was, the replaced file keeps its attributes, links are written through.
#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>

#include "common/test_support.h"
#include "support/errors.h"
#include "support/file_util.h"
#include "support/platform/files.h"

namespace talvero {
namespace {

using testing::TempDir;
namespace fs = std::filesystem;

DWORD Attributes(const std::string& path) {
  return GetFileAttributesW(platform::WideName(path).c_str());
}

// A file in the test's folder, named in UTF-8 (TempDir::Write would take the name for the
// ANSI code page).
std::string WriteFile(const TempDir& dir, const std::string& name, const std::string& bytes) {
  const std::string path = dir.Folder() + name;
  WriteFileAtomically(path, bytes);
  return path;
}

size_t EntryCount(const fs::path& folder) {
  return static_cast<size_t>(std::distance(fs::directory_iterator(folder), {}));
}

TEST(FileReplaceWindows, AReadOnlyFileIsRefusedAndStaysAsItWas) {
  TempDir dir;
  const std::string target = WriteFile(dir, "凍結.ini", "old");
  ASSERT_TRUE(SetFileAttributesW(platform::WideName(target).c_str(), FILE_ATTRIBUTE_READONLY));
  const std::string message = testing::MessageOf<FileError>(
      [&] { WriteFileAtomically(target, "new"); }, "a read-only file");
  EXPECT_NE(message.find("read-only"), std::string::npos) << message;
  EXPECT_THROW(WriteFileAtomicallyOrInPlace(target, "new"), FileError);
  EXPECT_EQ(ReadFileBytes(target), "old");
  EXPECT_TRUE(Attributes(target) & FILE_ATTRIBUTE_READONLY);
  EXPECT_EQ(EntryCount(dir.Path()), 1u);
  SetFileAttributesW(platform::WideName(target).c_str(), FILE_ATTRIBUTE_NORMAL);
}

// A simulator that has the texture open without letting others delete it: the new image
// cannot take the name, so the writer fails, and neither the old file nor any temporary
// file is lost or left behind. Once the file is free the same write succeeds.
TEST(FileReplaceWindows, AFileHeldOpenElsewhereStaysWholeAndNothingIsLeftBehind) {
  TempDir dir;
  const std::string target = WriteFile(dir, "空_front.bmp", "old image");
  HANDLE held = CreateFileW(platform::WideName(target).c_str(), GENERIC_READ, FILE_SHARE_READ,
                            nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  const std::string message = testing::MessageOf<FileError>(
      [&] { WriteFileAtomically(target, "new image"); }, "a file held open");
  EXPECT_NE(message.find("cannot replace '" + target + "'"), std::string::npos) << message;
  CloseHandle(held);
  EXPECT_EQ(ReadFileBytes(target), "old image");
  EXPECT_EQ(EntryCount(dir.Path()), 1u);

  WriteFileAtomically(target, "new image");
  EXPECT_EQ(ReadFileBytes(target), "new image");
  EXPECT_EQ(EntryCount(dir.Path()), 1u);
}

TEST(FileReplaceWindows, AReplacedFileKeepsItsAttributes) {
  TempDir dir;
  const std::string target = WriteFile(dir, "シーン.scn", "old");
  ASSERT_TRUE(SetFileAttributesW(platform::WideName(target).c_str(), FILE_ATTRIBUTE_HIDDEN));
  WriteFileAtomically(target, "new");
  EXPECT_EQ(ReadFileBytes(target), "new");
  EXPECT_TRUE(Attributes(target) & FILE_ATTRIBUTE_HIDDEN);
  EXPECT_EQ(EntryCount(dir.Path()), 1u);
  // A new file is an ordinary one.
  WriteFileAtomically(dir.Folder() + "新.scn", "x");
  EXPECT_FALSE(Attributes(dir.Folder() + "新.scn") & FILE_ATTRIBUTE_HIDDEN);
}

TEST(FileReplaceWindows, WritesThroughSymbolicLinks) {
  TempDir dir;
  fs::create_directories(PathFromUtf8(dir.Folder() + "実体"));
  const std::string real = WriteFile(dir, "実体/scene.scn", "old");
  const std::string link = dir.Folder() + "リンク.scn";
  // Wine only pretends to make the link.
  if (!CreateSymbolicLinkW(platform::WideName(link).c_str(), platform::WideName(real).c_str(),
                           SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE) ||
      Attributes(link) == INVALID_FILE_ATTRIBUTES)
    GTEST_SKIP() << "this system makes no symbolic link for an ordinary user";
  WriteFileAtomically(link, "through the link");
  EXPECT_EQ(ReadFileBytes(real), "through the link");
  EXPECT_TRUE(Attributes(link) & FILE_ATTRIBUTE_REPARSE_POINT);
  EXPECT_EQ(EntryCount(PathFromUtf8(dir.Folder() + "実体")), 1u);
  EXPECT_EQ(EntryCount(dir.Path()), 2u);
}

}  // namespace
}  // namespace talvero
