#include "support/file_util.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>

#include "support/errors.h"

namespace talvero {

namespace {

std::string SystemReason(int error) { return std::strerror(error); }

}  // namespace

bool FileExists(const std::string& path) {
  struct stat st {};
  return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool DirectoryExists(const std::string& path) {
  struct stat st {};
  return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool IsPathDelimiter(char c) {
#ifdef _WIN32
  return c == '/' || c == '\\' || c == ':';
#else
  return c == '/';
#endif
}

namespace {
size_t NameStart(std::string_view path) {
  for (size_t i = path.size(); i > 0; --i)
    if (IsPathDelimiter(path[i - 1])) return i;
  return 0;
}
}  // namespace

std::string ExtractFilePath(std::string_view path) { return std::string(path.substr(0, NameStart(path))); }

std::string ExtractFileName(std::string_view path) { return std::string(path.substr(NameStart(path))); }

std::string ExtractFileExt(std::string_view path) {
  const size_t start = NameStart(path);
  const size_t dot = path.rfind('.');
  if (dot == std::string_view::npos || dot < start) return {};
  return std::string(path.substr(dot));
}

std::string ChangeFileExt(std::string_view path, std::string_view ext) {
  const size_t start = NameStart(path);
  size_t dot = path.rfind('.');
  if (dot == std::string_view::npos || dot < start) dot = path.size();
  return std::string(path.substr(0, dot)) + std::string(ext);
}

std::string ReadFileBytes(const std::string& path, uint64_t maxBytes) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) throw FileError("cannot open '" + path + "': " + SystemReason(errno));
  struct Closer {
    int fd;
    ~Closer() { ::close(fd); }
  } closer{fd};
  const auto tooLarge = [&](uint64_t size) {
    return FileError("cannot read '" + path + "': it holds " + std::to_string(size) +
                     " bytes, more than the " + std::to_string(maxBytes) +
                     " such a file may have");
  };
  struct stat info {};
  if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) &&
      static_cast<uint64_t>(info.st_size) > maxBytes)
    throw tooLarge(static_cast<uint64_t>(info.st_size));
  // One buffer of the file's size, grown only for files that grow while being read.
  std::string bytes;
  bytes.resize(S_ISREG(info.st_mode) ? static_cast<size_t>(info.st_size) + 1 : 65536);
  size_t used = 0;
  for (;;) {
    if (used == bytes.size()) {
      if (used > maxBytes) throw tooLarge(used);
      // One byte beyond the limit tells that the file is too large.
      const uint64_t limit = maxBytes == UINT64_MAX ? maxBytes : maxBytes + 1;
      bytes.resize(static_cast<size_t>(std::min<uint64_t>(uint64_t{bytes.size()} * 2, limit)));
    }
    const ssize_t got = ::read(fd, bytes.data() + used, bytes.size() - used);
    if (got < 0) {
      if (errno == EINTR) continue;
      throw FileError("cannot read '" + path + "': " + SystemReason(errno));
    }
    if (got == 0) break;
    used += static_cast<size_t>(got);
  }
  if (used > maxBytes) throw tooLarge(used);
  bytes.resize(used);
  return bytes;
}

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

}  // namespace

AtomicFileWriter::AtomicFileWriter(std::string path)
    : FPath(std::move(path)), FTarget(WriteTarget(FPath)) {
  struct stat old {};
  const bool exists = ::stat(FTarget.c_str(), &old) == 0;
  if (exists && S_ISREG(old.st_mode) && !MayRewrite(FTarget, old))
    throw FileError("cannot write '" + FPath + "': the file is read-only");
  // mkstemp gives a unique name beside the target, so the final rename stays on one file system.
  std::string pattern = FTarget + ".tmp-XXXXXX";
  const int fd = ::mkstemp(pattern.data());
  if (fd < 0) throw FileError("cannot create '" + FPath + "': " + SystemReason(errno));
  TakeOverAttributes(fd, exists && S_ISREG(old.st_mode) ? &old : nullptr);
  FTempPath = pattern;
  FFile = ::fdopen(fd, "wb");
  if (!FFile) {
    const int error = errno;
    ::close(fd);
    ::unlink(FTempPath.c_str());
    throw FileError("cannot create '" + FPath + "': " + SystemReason(error));
  }
}

AtomicFileWriter::~AtomicFileWriter() {
  if (!FCommitted) Discard();
}

void AtomicFileWriter::Discard() noexcept {
  if (FFile) {
    std::fclose(FFile);
    FFile = nullptr;
  }
  if (!FTempPath.empty()) ::unlink(FTempPath.c_str());
}

void AtomicFileWriter::Write(const void* data, size_t size) {
  if (!FFile) throw FileError("cannot write '" + FPath + "': the file is already closed");
  if (size > 0 && std::fwrite(data, 1, size, FFile) != size)
    throw FileError("cannot write '" + FPath + "': " + SystemReason(errno));
}

void AtomicFileWriter::Commit() {
  if (!FFile) throw FileError("cannot write '" + FPath + "': the file is already closed");
  std::FILE* file = FFile;
  FFile = nullptr;
  const bool flushed = std::fflush(file) == 0 && !std::ferror(file);
  const int flushError = errno;
  if (std::fclose(file) != 0 || !flushed) {
    const int error = flushed ? errno : flushError;
    ::unlink(FTempPath.c_str());
    throw FileError("cannot write '" + FPath + "': " + SystemReason(error));
  }
  if (std::rename(FTempPath.c_str(), FTarget.c_str()) != 0) {
    const int error = errno;
    ::unlink(FTempPath.c_str());
    throw FileError("cannot replace '" + FPath + "': " + SystemReason(error));
  }
  FCommitted = true;
}

void WriteFileAtomically(const std::string& path, std::string_view bytes) {
  AtomicFileWriter writer(path);
  writer.Write(bytes);
  writer.Commit();
}

namespace {

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

void RewriteInPlace(const std::string& path, const std::string& target, std::string_view bytes) {
  const int fd = ::open(target.c_str(), O_RDWR | O_CLOEXEC);
  if (fd < 0) throw FileError("cannot write '" + path + "': " + SystemReason(errno));
  std::string old;
  char buffer[65536];
  for (ssize_t n; (n = ::read(fd, buffer, sizeof buffer)) != 0;) {
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      const int error = errno;
      ::close(fd);
      throw FileError("cannot read '" + path + "': " + SystemReason(error));
    }
    old.append(buffer, static_cast<size_t>(n));
  }
  if (!WriteWhole(fd, bytes)) {
    const int error = errno;
    WriteWhole(fd, old);  // put back what was there, as far as it goes
    ::close(fd);
    throw FileError("cannot write '" + path + "': " + SystemReason(error));
  }
  if (::close(fd) != 0) throw FileError("cannot write '" + path + "': " + SystemReason(errno));
}

}  // namespace

void WriteFileAtomicallyOrInPlace(const std::string& path, std::string_view bytes) {
  std::optional<AtomicFileWriter> writer;
  try {
    writer.emplace(path);
  } catch (const FileError&) {
    // Only the temporary file could not be made: the file itself may still be rewritten.
    const std::string target = WriteTarget(path);
    struct stat st {};
    if (::stat(target.c_str(), &st) != 0 || !S_ISREG(st.st_mode) || !MayRewrite(target, st))
      throw;
    RewriteInPlace(path, target, bytes);
    return;
  }
  writer->Write(bytes);
  writer->Commit();
}

}  // namespace talvero
