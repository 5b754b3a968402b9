#include "support/file_util.h"

#include <cerrno>
#include <cstring>
#include <optional>

#include "support/errors.h"
#include "support/platform/files.h"

namespace talvero {

namespace {

std::string SystemReason(int error) { return std::strerror(error); }

}  // namespace

bool FileExists(const std::string& path) { return platform::IsRegularFile(path); }

bool DirectoryExists(const std::string& path) { return platform::IsDirectory(path); }

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

std::string ReadFileBytes(const std::string& path) {
  std::FILE* file = platform::OpenFile(path, "rb");
  if (!file) throw FileError("cannot open '" + path + "': " + SystemReason(errno));
  std::string bytes;
  char buffer[65536];
  size_t got;
  while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) bytes.append(buffer, got);
  const bool failed = std::ferror(file) != 0;
  std::fclose(file);
  if (failed) throw FileError("cannot read '" + path + "'");
  return bytes;
}

std::string WriteTarget(const std::string& path) { return platform::WriteTarget(path); }

AtomicFileWriter::AtomicFileWriter(std::string path)
    : FPath(std::move(path)), FTarget(WriteTarget(FPath)) {
  if (platform::IsReadOnlyFile(FTarget))
    throw FileError("cannot write '" + FPath + "': the file is read-only");
  // The temporary file sits beside the target, so that the final rename stays on one file
  // system.
  std::string reason;
  FFile = platform::CreateFileBeside(FTarget, FTempPath, reason);
  if (!FFile) throw FileError("cannot create '" + FPath + "': " + reason);
}

AtomicFileWriter::~AtomicFileWriter() {
  if (!FCommitted) Discard();
}

void AtomicFileWriter::Discard() noexcept {
  if (FFile) {
    std::fclose(FFile);
    FFile = nullptr;
  }
  if (!FTempPath.empty()) platform::RemoveFile(FTempPath);
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
    platform::RemoveFile(FTempPath);
    throw FileError("cannot write '" + FPath + "': " + SystemReason(error));
  }
  std::string reason;
  if (!platform::RenameOver(FTempPath, FTarget, reason)) {
    platform::RemoveFile(FTempPath);
    throw FileError("cannot replace '" + FPath + "': " + reason);
  }
  FCommitted = true;
}

void WriteFileAtomically(const std::string& path, std::string_view bytes) {
  AtomicFileWriter writer(path);
  writer.Write(bytes);
  writer.Commit();
}

void WriteFileAtomicallyOrInPlace(const std::string& path, std::string_view bytes) {
  std::optional<AtomicFileWriter> writer;
  try {
    writer.emplace(path);
  } catch (const FileError&) {
    // Only the temporary file could not be made: the file itself may still be rewritten.
    const std::string target = WriteTarget(path);
    if (!platform::IsRegularFile(target) || platform::IsReadOnlyFile(target)) throw;
    std::string reason;
    switch (platform::RewriteInPlace(target, bytes, reason)) {
      case platform::Rewrite::Done:
        return;
      case platform::Rewrite::ReadFailed:
        throw FileError("cannot read '" + path + "': " + reason);
      case platform::Rewrite::WriteFailed:
        break;
    }
    throw FileError("cannot write '" + path + "': " + reason);
  }
  writer->Write(bytes);
  writer->Commit();
}

}  // namespace talvero
