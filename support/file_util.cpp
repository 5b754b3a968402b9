#include "support/file_util.h"

#include <algorithm>
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

WindowsNameFault FindWindowsNameFault(std::string_view name) {
  for (const char c : name) {
    const auto code = static_cast<unsigned char>(c);
    if (code < 0x20 || code == 0x7F ||
        std::string_view("\\/:*?\"<>|").find(c) != std::string_view::npos)
      return {WindowsNameFault::Character, std::string(1, c)};
  }
  // Windows also takes "CON .txt" for the device: blanks before the period do not count.
  std::string_view stem = name.substr(0, name.find('.'));
  while (!stem.empty() && stem.back() == ' ') stem.remove_suffix(1);
  std::string upper(stem);
  for (char& c : upper)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  const std::string_view prefix = std::string_view(upper).substr(0, 3);
  const bool numbered = upper.size() == 4 && upper[3] >= '1' && upper[3] <= '9';
  if (numbered ? prefix == "COM" || prefix == "LPT"
               : upper == "CON" || upper == "PRN" || upper == "AUX" || upper == "NUL")
    return {WindowsNameFault::DeviceName, std::string(stem)};
  return {};
}

std::filesystem::path PathFromUtf8(const std::string& utf8) {
  return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

std::string Utf8FromPath(const std::filesystem::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
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
  std::FILE* file = platform::OpenFile(path, "rb");
  if (!file) throw FileError("cannot open '" + path + "': " + SystemReason(errno));
  struct Closer {
    std::FILE* file;
    ~Closer() { std::fclose(file); }
  } closer{file};
  const auto tooLarge = [&](uint64_t size) {
    return FileError("cannot read '" + path + "': it holds " + std::to_string(size) +
                     " bytes, more than the " + std::to_string(maxBytes) +
                     " such a file may have");
  };
  const std::optional<uint64_t> size = platform::RegularFileSize(file);
  if (size && *size > maxBytes) throw tooLarge(*size);
  // One buffer of the file's size, grown only for files that grow while being read.
  std::string bytes;
  bytes.resize(size ? static_cast<size_t>(*size) + 1 : 65536);
  size_t used = 0;
  for (;;) {
    if (used == bytes.size()) {
      if (used > maxBytes) throw tooLarge(used);
      // One byte beyond the limit tells that the file is too large.
      const uint64_t limit = maxBytes == UINT64_MAX ? maxBytes : maxBytes + 1;
      bytes.resize(static_cast<size_t>(std::min<uint64_t>(uint64_t{bytes.size()} * 2, limit)));
    }
    const size_t got = std::fread(bytes.data() + used, 1, bytes.size() - used, file);
    used += got;
    if (got == 0) {
      if (std::ferror(file)) throw FileError("cannot read '" + path + "': " + SystemReason(errno));
      break;
    }
  }
  if (used > maxBytes) throw tooLarge(used);
  bytes.resize(used);
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
