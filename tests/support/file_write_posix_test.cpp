// Replacing files: what the replaced file keeps (its permissions, its owner, the link that
// points at it) and what is refused.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>

#include "common/test_support.h"
#include "support/errors.h"
#include "support/file_util.h"

namespace talvero {
namespace {

using testing::ReadAll;
using testing::TempDir;
namespace fs = std::filesystem;

struct stat Stat(const std::string& path) {
  struct stat st {};
  ::lstat(path.c_str(), &st);
  return st;
}

size_t EntryCount(const fs::path& folder) {
  return static_cast<size_t>(std::distance(fs::directory_iterator(folder), {}));
}

TEST(FileReplace, AReadOnlyTargetIsRefusedAndStaysAsItWas) {
  TempDir dir;
  const std::string target = dir.Write("frozen.ini", "old");
  ::chmod(target.c_str(), 0444);
  EXPECT_THROW(WriteFileAtomically(target, "new"), FileError);
  EXPECT_EQ(ReadAll(target), "old");
  EXPECT_EQ(Stat(target).st_mode & 07777, 0444u);
  EXPECT_EQ(EntryCount(dir.Path()), 1u);

  // Another user's file that this one may not write, in a folder it may write in.
  if (::geteuid() == 0) {
    ::chmod(dir.Path().c_str(), 0777);
    const std::string theirs = dir.Write("theirs.scn", "theirs");
    ::chmod(theirs.c_str(), 0644);
    const std::string result = testing::RunUnprivileged([&] {
      try {
        WriteFileAtomically(theirs, "mine");
        return std::string("written");
      } catch (const FileError& e) {
        return std::string(e.what());
      }
    });
    EXPECT_NE(result.find("theirs.scn"), std::string::npos) << result;
    EXPECT_EQ(ReadAll(theirs), "theirs");
    EXPECT_EQ(Stat(theirs).st_uid, 0u);
  }
}

TEST(FileReplace, AReplacedFileKeepsItsModeOwnerAndGroup) {
  TempDir dir;
  for (const mode_t mode : {0600, 0640, 0604}) {
    const std::string target = dir.Write("scene.scn", "old");
    ::chmod(target.c_str(), mode);
    WriteFileAtomically(target, "new");
    EXPECT_EQ(ReadAll(target), "new");
    EXPECT_EQ(Stat(target).st_mode & 07777, mode);
  }
  if (::geteuid() == 0) {
    const std::string target = dir.File("scene.scn");
    ASSERT_EQ(::chown(target.c_str(), testing::kUnprivilegedId, testing::kUnprivilegedId), 0);
    WriteFileAtomically(target, "newer");
    EXPECT_EQ(Stat(target).st_uid, testing::kUnprivilegedId);
    EXPECT_EQ(Stat(target).st_gid, testing::kUnprivilegedId);
  }
  // A new file gets the permissions of any new file.
  const mode_t mask = ::umask(0);
  ::umask(mask);
  WriteFileAtomically(dir.File("new.scn"), "x");
  EXPECT_EQ(Stat(dir.File("new.scn")).st_mode & 07777, 0666 & ~mask);
}

TEST(FileReplace, WritesThroughSymbolicLinks) {
  TempDir dir;
  fs::create_directories(dir.File("real"));
  fs::create_directories(dir.File("links"));
  const std::string real = dir.Write("real/scene.scn", "old");
  // An absolute link, a relative one from another folder, a chain.
  fs::create_symlink(real, dir.File("links/absolute.scn"));
  fs::create_symlink("../real/scene.scn", dir.File("links/relative.scn"));
  fs::create_symlink("relative.scn", dir.File("links/chain.scn"));
  for (const char* link : {"links/absolute.scn", "links/relative.scn", "links/chain.scn"}) {
    WriteFileAtomically(dir.File(link), link);
    EXPECT_TRUE(fs::is_symlink(dir.File(link))) << link;
    EXPECT_EQ(ReadAll(real), link);
  }
  EXPECT_EQ(EntryCount(dir.File("real")), 1u);
  EXPECT_EQ(EntryCount(dir.File("links")), 3u);
  // A link whose file does not exist yet: the file is created where it points.
  fs::create_symlink("../real/later.scn", dir.File("links/later.scn"));
  WriteFileAtomically(dir.File("links/later.scn"), "later");
  EXPECT_EQ(ReadAll(dir.File("real/later.scn")), "later");
  EXPECT_TRUE(fs::is_symlink(dir.File("links/later.scn")));
}

// In a folder where no temporary file can be made, a scene file or an image is refused
// (never left truncated); only the settings writer falls back to rewriting the file in
// place, and puts the old bytes back when that fails half-way.
TEST(FileReplace, OnlyTheSettingsWriterRewritesInPlace) {
  TempDir dir;
  ::chmod(dir.Path().c_str(), 0755);
  const std::string folder = dir.File("closed");
  fs::create_directory(folder);
  const std::string scene = dir.Write("closed/scene.scn", "old scene");
  const std::string ini = dir.Write("closed/talvero.ini", "old=1\n");
  ::chmod(scene.c_str(), 0666);
  ::chmod(ini.c_str(), 0666);
  ::chmod(folder.c_str(), ::geteuid() == 0 ? 0755 : 0555);
  const std::string result = testing::RunUnprivileged([&] {
    std::string outcome;
    try {
      WriteFileAtomically(scene, "new scene");
      outcome += "scene written;";
    } catch (const FileError&) {
      outcome += "scene refused;";
    }
    WriteFileAtomicallyOrInPlace(ini, "new=22\n");
    // A rewrite that fails half-way (at the file-size limit) puts the old bytes back.
    struct rlimit saved {};
    ::getrlimit(RLIMIT_FSIZE, &saved);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = saved;
    small.rlim_cur = 10;
    ::setrlimit(RLIMIT_FSIZE, &small);
    try {
      WriteFileAtomicallyOrInPlace(ini, std::string(100, 'z'));
      outcome += "long written;";
    } catch (const FileError&) {
      outcome += "long refused;";
    }
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);
    return outcome;
  });
  ::chmod(folder.c_str(), 0755);
  EXPECT_EQ(result, "scene refused;long refused;");
  EXPECT_EQ(ReadAll(scene), "old scene");
  EXPECT_EQ(ReadAll(ini), "new=22\n");
  EXPECT_EQ(EntryCount(folder), 2u);
  // A read-only settings file is refused all the same.
  ::chmod(ini.c_str(), 0444);
  EXPECT_THROW(WriteFileAtomicallyOrInPlace(ini, "x"), FileError);
  EXPECT_EQ(ReadAll(ini), "new=22\n");
}

}  // namespace
}  // namespace talvero
