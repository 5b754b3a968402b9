#include "support/platform/files.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace talvero::platform {

std::FILE* OpenFile(const std::string& path, const char* mode) {
  return std::fopen(path.c_str(), mode);
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

std::FILE* CreateFileBeside(const std::string& target, std::string& tempPath, std::string& reason) {
  // mkstemp gives a unique name in the target folder, so the final rename stays on one file
  // system.
  std::string pattern = target + ".tmp-XXXXXX";
  const int fd = ::mkstemp(pattern.data());
  if (fd < 0) {
    reason = std::strerror(errno);
    return nullptr;
  }
  // mkstemp creates 0600; give the file the permissions an ordinary new file would get.
  const mode_t mask = ::umask(0);
  ::umask(mask);
  ::fchmod(fd, 0666 & ~mask);
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

}  // namespace talvero::platform
