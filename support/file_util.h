// File-system helpers shared by the engine, the scene formats and the application:
// existence tests, path pieces and all-or-nothing file writing.
#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>

namespace talvero {

// True for an existing regular file (a directory of that name does not count).
bool FileExists(const std::string& path);
// True for an existing directory.
bool DirectoryExists(const std::string& path);

// A path from UTF-8 text and back. A plain std::string would be taken for the ANSI code page
// on Windows, which has no room for most Japanese folder names.
std::filesystem::path PathFromUtf8(const std::string& utf8);
std::string Utf8FromPath(const std::filesystem::path& path);

// Path separators of this platform ("/" here; also "\" and the drive colon on Windows).
bool IsPathDelimiter(char c);

// The folder part including its trailing separator; empty for a bare name.
std::string ExtractFilePath(std::string_view path);
// The part after the folder.
std::string ExtractFileName(std::string_view path);
// The extension: from the last period that follows the last separator; empty if none.
std::string ExtractFileExt(std::string_view path);
// Replaces the extension (or appends `ext` when there is none). `ext` includes its period.
std::string ChangeFileExt(std::string_view path, std::string_view ext);

// What keeps `name` (a file's own name, no folder) from being a file name on Windows, where
// the simulators run; checked on every platform, so that scenery made anywhere can be copied
// there. Either a character Windows refuses in a name (\ / : * ? " < > | or a control
// character, DEL included), the first one found, or a device name (CON, PRN, AUX, NUL, COM1-9,
// LPT1-9, any letter case) as the part before the first period, which Windows opens as that
// device whatever the extension.
struct WindowsNameFault {
  enum Kind { None, Character, DeviceName };
  Kind What = None;
  // The character (one byte: all of them are ASCII), or the device name as written.
  std::string Part;
};
WindowsNameFault FindWindowsNameFault(std::string_view name);

// Reads a whole file into one buffer of its size; FileError naming the file when it cannot
// be read or holds more than `maxBytes`.
std::string ReadFileBytes(const std::string& path, uint64_t maxBytes = UINT64_MAX);

// The file a write to `path` reaches: symbolic links followed (a dangling link gives the
// file it would create).
std::string WriteTarget(const std::string& path);

// Writes a file under a temporary name in the target folder and renames it over the
// target only on Commit(), so a failed write never leaves a truncated file under the real
// name and never destroys the previous one. Without Commit() the temporary file is removed.
// A symbolic link is written through, not replaced. An existing file that the system would
// not let this process write, or that has no write permission at all, is refused with
// FileError before anything is written; a replaced file keeps its permissions, and its
// owner and group as far as the process may set them.
class AtomicFileWriter {
 public:
  explicit AtomicFileWriter(std::string path);
  ~AtomicFileWriter();
  AtomicFileWriter(const AtomicFileWriter&) = delete;
  AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;

  // The open temporary file, for libraries that write through stdio.
  std::FILE* Handle() { return FFile; }
  const std::string& Path() const { return FPath; }

  void Write(const void* data, size_t size);
  void Write(std::string_view text) { Write(text.data(), text.size()); }
  // Flushes, closes and renames; FileError when any of it fails (the target is untouched).
  void Commit();

 private:
  void Discard() noexcept;

  std::string FPath;
  std::string FTarget;  // FPath with its links followed
  std::string FTempPath;
  std::FILE* FFile = nullptr;
  bool FCommitted = false;
};

// Writes `bytes` to `path` through an AtomicFileWriter.
void WriteFileAtomically(const std::string& path, std::string_view bytes);

// The same, but when no temporary file can be made beside an existing file that may be
// written (a user-writable settings file in a folder the user may not add files to), the
// file is rewritten in place; a failure then puts the old bytes back as far as it can. Only
// for the settings file: images and scene files must never be left truncated.
void WriteFileAtomicallyOrInPlace(const std::string& path, std::string_view bytes);

}  // namespace talvero
