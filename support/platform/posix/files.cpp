#include "support/platform/files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

namespace talvero::platform {

namespace {

// True when `st` is a file the system would let this process open for writing, and that is
// not frozen by having no write permission at all (which binds the superuser too).
bool MayRewrite(const std::string& path, const struct stat& st) {
  return (st.st_mode & 0222) != 0 && ::faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) == 0;
}

// Gives the temporary file the old file's owner, group and permissions, as far as this
// process may; a new file gets those of any new file.
void TakeOverAttributes(int fd, const struct stat* old) {
  if (!old) {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(fd, 0666 & ~mask);
    return;
  }
  bool ownerKept = ::fchown(fd, old->st_uid, old->st_gid) == 0;
  // Without the right to give a file away, the group may still be one of the user's.
  if (!ownerKept) ownerKept = ::fchown(fd, static_cast<uid_t>(-1), old->st_gid) == 0 &&
                              old->st_uid == ::geteuid();
  // Set-user and set-group bits only on a file that kept both.
  ::fchmod(fd, old->st_mode & (ownerKept ? 07777 : 0777));
}

// Writes `bytes` over the whole of the open file and cuts it to their length.
bool WriteWhole(int fd, std::string_view bytes) {
  for (size_t done = 0; done < bytes.size();) {
    const ssize_t n = ::pwrite(fd, bytes.data() + done, bytes.size() - done,
                               static_cast<off_t>(done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return ::ftruncate(fd, static_cast<off_t>(bytes.size())) == 0 && ::fsync(fd) == 0;
}

}  // namespace

std::FILE* OpenFile(const std::string& path, const char* mode) {
  return std::fopen(path.c_str(), mode);
}

std::optional<uint64_t> RegularFileSize(std::FILE* file) {
  struct stat st {};
  if (::fstat(::fileno(file), &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
  return static_cast<uint64_t>(st.st_size);
}

bool IsRegularFile(const std::string& path) {
  struct stat st {};
  return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool IsDirectory(const std::string& path) {
  struct stat st {};
  return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool RemoveFile(const std::string& path) { return ::unlink(path.c_str()) == 0; }

std::string WriteTarget(const std::string& path) {
  namespace fs = std::filesystem;
  fs::path target = path;
  std::error_code ec;
  // As the system does, give up on a loop of links.
  for (int hops = 0; hops < 40 && fs::is_symlink(target, ec); ++hops) {
    const fs::path link = fs::read_symlink(target, ec);
    if (ec) break;
    target = link.is_absolute() ? link : target.parent_path() / link;
  }
  return target.string();
}

bool IsReadOnlyFile(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && !MayRewrite(path, st);
}

std::FILE* CreateFileBeside(const std::string& target, std::string& tempPath, std::string& reason) {
  struct stat old {};
  const bool replacing = ::stat(target.c_str(), &old) == 0 && S_ISREG(old.st_mode);
  // mkstemp gives a unique name in the target folder, so the final rename stays on one file
  // system.
  std::string pattern = target + ".tmp-XXXXXX";
  const int fd = ::mkstemp(pattern.data());
  if (fd < 0) {
    reason = std::strerror(errno);
    return nullptr;
  }
  TakeOverAttributes(fd, replacing ? &old : nullptr);
  std::FILE* file = ::fdopen(fd, "wb");
  if (!file) {
    reason = std::strerror(errno);
    ::close(fd);
    ::unlink(pattern.c_str());
    return nullptr;
  }
  tempPath = pattern;
  return file;
}

bool RenameOver(const std::string& from, const std::string& to, std::string& reason) {
  if (std::rename(from.c_str(), to.c_str()) == 0) return true;
  reason = std::strerror(errno);
  return false;
}

Rewrite RewriteInPlace(const std::string& target, std::string_view bytes, std::string& reason) {
  const int fd = ::open(target.c_str(), O_RDWR | O_CLOEXEC);
  if (fd < 0) {
    reason = std::strerror(errno);
    return Rewrite::WriteFailed;
  }
  std::string old;
  char buffer[65536];
  for (ssize_t n; (n = ::read(fd, buffer, sizeof buffer)) != 0;) {
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      reason = std::strerror(errno);
      ::close(fd);
      return Rewrite::ReadFailed;
    }
    old.append(buffer, static_cast<size_t>(n));
  }
  if (!WriteWhole(fd, bytes)) {
    reason = std::strerror(errno);
    WriteWhole(fd, old);  // put back what was there, as far as it goes
    ::close(fd);
    return Rewrite::WriteFailed;
  }
  if (::close(fd) != 0) {
    reason = std::strerror(errno);
    return Rewrite::WriteFailed;
  }
  return Rewrite::Done;
}

}  // namespace talvero::platform
