#include "support/platform/files.h"

#include <windows.h>
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <sys/types.h>

#include <cerrno>
#include <algorithm>
#include <cstring>
#include <random>

#include "support/platform/windows/wide.h"

namespace talvero::platform {

namespace {

DWORD Attributes(const std::string& path) {
  return path.empty() ? INVALID_FILE_ATTRIBUTES : GetFileAttributesW(WideName(path).c_str());
}

// A random name beside `path`: `path` + `tag` + six letters (the callers make sure that no
// file has it). Images are written from several threads, so each has its own generator.
std::wstring RandomNameBeside(const std::string& path, const char* tag) {
  static const char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
  thread_local std::mt19937 random(std::random_device{}() ^ GetCurrentProcessId() ^
                                   GetCurrentThreadId() ^ GetTickCount());
  std::string name = path + tag;
  for (int i = 0; i < 6; ++i) name += kLetters[random() % (sizeof kLetters - 1)];
  return WideName(name);
}

// The name GetFinalPathNameByHandleW gives, without its "\\?\" prefix where the plain form
// means the same.
std::wstring PlainFinalName(std::wstring name) {
  if (name.rfind(L"\\\\?\\UNC\\", 0) == 0) return L"\\" + name.substr(7);
  if (name.rfind(L"\\\\?\\", 0) == 0 && name.size() >= 6 && name[5] == L':') return name.substr(4);
  return name;
}

bool WriteAll(HANDLE file, std::string_view bytes) {
  for (size_t done = 0; done < bytes.size();) {
    const DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1u << 30));
    DWORD written = 0;
    if (!WriteFile(file, bytes.data() + done, chunk, &written, nullptr) || written == 0) return false;
    done += written;
  }
  return true;
}

// Writes `bytes` over the whole of the open file and cuts it to their length.
bool WriteWhole(HANDLE file, std::string_view bytes) {
  LARGE_INTEGER start{};
  return SetFilePointerEx(file, start, nullptr, FILE_BEGIN) && WriteAll(file, bytes) &&
         SetEndOfFile(file) && FlushFileBuffers(file);
}

}  // namespace

std::wstring WideName(const std::string& path) { return Widen(path); }

std::FILE* OpenFile(const std::string& path, const char* mode) {
  return _wfopen(WideName(path).c_str(), Widen(mode).c_str());
}

std::optional<uint64_t> RegularFileSize(std::FILE* file) {
  struct _stat64 st {};
  if (::_fstat64(::_fileno(file), &st) != 0 || (st.st_mode & _S_IFMT) != _S_IFREG)
    return std::nullopt;
  return static_cast<uint64_t>(st.st_size);
}

bool IsRegularFile(const std::string& path) {
  const DWORD attributes = Attributes(path);
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY) &&
         !(attributes & FILE_ATTRIBUTE_DEVICE);
}

bool IsDirectory(const std::string& path) {
  const DWORD attributes = Attributes(path);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool RemoveFile(const std::string& path) { return _wremove(WideName(path).c_str()) == 0; }

std::string WriteTarget(const std::string& path) {
  const DWORD attributes = Attributes(path);
  if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_REPARSE_POINT))
    return path;
  // A symbolic link: the file it leads to, through any chain of links.
  HANDLE handle = CreateFileW(WideName(path).c_str(), 0,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return path;
  std::wstring name(MAX_PATH, L'\0');
  DWORD length = GetFinalPathNameByHandleW(handle, name.data(), static_cast<DWORD>(name.size()),
                                           VOLUME_NAME_DOS);
  if (length >= name.size()) {
    name.resize(length + 1);
    length = GetFinalPathNameByHandleW(handle, name.data(), static_cast<DWORD>(name.size()),
                                       VOLUME_NAME_DOS);
  }
  CloseHandle(handle);
  if (length == 0 || length >= name.size()) return path;
  name.resize(length);
  return Narrow(PlainFinalName(name));
}

bool IsReadOnlyFile(const std::string& path) {
  const DWORD attributes = Attributes(path);
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) return false;
  if (attributes & FILE_ATTRIBUTE_READONLY) return true;
  // Opening for writing changes nothing and says whether the file's permissions allow it.
  HANDLE handle = CreateFileW(WideName(path).c_str(), FILE_WRITE_DATA,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle != INVALID_HANDLE_VALUE) {
    CloseHandle(handle);
    return false;
  }
  return GetLastError() == ERROR_ACCESS_DENIED;
}

std::FILE* CreateFileBeside(const std::string& target, std::string& tempPath, std::string& reason) {
  // A replaced file stays hidden, system or unindexed if it was (ReplaceFileW would carry
  // these over too, but not every implementation does).
  DWORD attributes = Attributes(target);
  attributes = attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)
                   ? 0
                   : attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                   FILE_ATTRIBUTE_NOT_CONTENT_INDEXED);
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::wstring name = RandomNameBeside(target, ".tmp-");
    // CREATE_NEW fails when the name is taken, as mkstemp's exclusive creation does.
    HANDLE handle = CreateFileW(name.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                CREATE_NEW, attributes ? attributes : FILE_ATTRIBUTE_NORMAL,
                                nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
      const DWORD error = GetLastError();
      if (error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS) continue;
      reason = SystemMessage(error);
      return nullptr;
    }
    const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_BINARY | _O_WRONLY);
    std::FILE* file = fd < 0 ? nullptr : _fdopen(fd, "wb");
    if (!file) {
      reason = std::strerror(errno);
      if (fd >= 0)
        _close(fd);
      else
        CloseHandle(handle);
      DeleteFileW(name.c_str());
      return nullptr;
    }
    tempPath = Narrow(name);
    return file;
  }
  reason = "no free temporary name";
  return nullptr;
}

bool RenameOver(const std::string& from, const std::string& to, std::string& reason) {
  const std::wstring source = WideName(from), target = WideName(to);
  const DWORD attributes = GetFileAttributesW(target.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    // ReplaceFileW gives the new file the old one's attributes and permissions, as the
    // POSIX side keeps mode, owner and group. The old file goes to a backup name first:
    // without one, some failures would leave no file under the real name.
    std::wstring backup;
    for (int attempt = 0; attempt < 100 && backup.empty(); ++attempt) {
      backup = RandomNameBeside(to, ".old-");
      if (GetFileAttributesW(backup.c_str()) != INVALID_FILE_ATTRIBUTES) backup.clear();
    }
    if (!backup.empty()) {
      if (ReplaceFileW(target.c_str(), source.c_str(), backup.c_str(),
                       REPLACEFILE_IGNORE_MERGE_ERRORS | REPLACEFILE_IGNORE_ACL_ERRORS, nullptr,
                       nullptr)) {
        DeleteFileW(backup.c_str());
        return true;
      }
      const DWORD error = GetLastError();
      if (error == ERROR_UNABLE_TO_MOVE_REPLACEMENT_2) {
        // The old file is under the backup name, the new one still under its own: the old
        // one goes back.
        MoveFileExW(backup.c_str(), target.c_str(), MOVEFILE_WRITE_THROUGH);
        reason = SystemMessage(error);
        return false;
      }
      // Otherwise both files are as they were; the plain rename below still works where
      // the file system cannot replace (some network shares).
    }
  }
  if (MoveFileExW(source.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
    return true;
  reason = SystemMessage(GetLastError());
  return false;
}

Rewrite RewriteInPlace(const std::string& target, std::string_view bytes, std::string& reason) {
  HANDLE file = CreateFileW(WideName(target).c_str(), GENERIC_READ | GENERIC_WRITE,
                            FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    reason = SystemMessage(GetLastError());
    return Rewrite::WriteFailed;
  }
  std::string old;
  char buffer[65536];
  for (;;) {
    DWORD got = 0;
    if (!ReadFile(file, buffer, sizeof buffer, &got, nullptr)) {
      reason = SystemMessage(GetLastError());
      CloseHandle(file);
      return Rewrite::ReadFailed;
    }
    if (got == 0) break;
    old.append(buffer, got);
  }
  if (!WriteWhole(file, bytes)) {
    reason = SystemMessage(GetLastError());
    WriteWhole(file, old);  // put back what was there, as far as it goes
    CloseHandle(file);
    return Rewrite::WriteFailed;
  }
  if (!CloseHandle(file)) {
    reason = SystemMessage(GetLastError());
    return Rewrite::WriteFailed;
  }
  return Rewrite::Done;
}

}  // namespace talvero::platform
