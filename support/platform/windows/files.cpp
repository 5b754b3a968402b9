#include "support/platform/files.h"

#include <windows.h>
#include <fcntl.h>
#include <io.h>

#include <cerrno>
#include <cstring>
#include <random>

#include "support/platform/windows/wide.h"

namespace talvero::platform {

namespace {

DWORD Attributes(const std::string& path) {
  return path.empty() ? INVALID_FILE_ATTRIBUTES : GetFileAttributesW(WideName(path).c_str());
}

}  // namespace

std::wstring WideName(const std::string& path) { return Widen(path); }

std::FILE* OpenFile(const std::string& path, const char* mode) {
  return _wfopen(WideName(path).c_str(), Widen(mode).c_str());
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

std::FILE* CreateFileBeside(const std::string& target, std::string& tempPath, std::string& reason) {
  static const char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
  std::random_device seed;
  std::mt19937 random(seed() ^ GetCurrentProcessId() ^ GetTickCount());
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string name = target + ".tmp-";
    for (int i = 0; i < 6; ++i) name += kLetters[random() % (sizeof kLetters - 1)];
    // CREATE_NEW fails when the name is taken, as mkstemp's exclusive creation does.
    HANDLE handle = CreateFileW(WideName(name).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
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
      DeleteFileW(WideName(name).c_str());
      return nullptr;
    }
    tempPath = name;
    return file;
  }
  reason = "no free temporary name";
  return nullptr;
}

bool RenameOver(const std::string& from, const std::string& to, std::string& reason) {
  if (MoveFileExW(WideName(from).c_str(), WideName(to).c_str(),
                  MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
    return true;
  reason = SystemMessage(GetLastError());
  return false;
}

}  // namespace talvero::platform
