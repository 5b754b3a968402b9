// Files by UTF-8 name. On Windows every call goes through the wide-character API, so that a
// panorama in a folder with a Japanese name opens like any other.
#pragma once

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>

namespace talvero::platform {

// std::fopen by UTF-8 name; nullptr with errno set when it fails.
std::FILE* OpenFile(const std::string& path, const char* mode);

// The size of the open file when it is a regular file; nullopt for a pipe, a device or a
// file whose size cannot be told.
std::optional<uint64_t> RegularFileSize(std::FILE* file);

// True for an existing regular file (a directory of that name does not count).
bool IsRegularFile(const std::string& path);
// True for an existing directory.
bool IsDirectory(const std::string& path);

// Removes a file; false with errno set when it fails.
bool RemoveFile(const std::string& path);

// The file a write to `path` reaches: symbolic links followed (a dangling link gives the
// file it would create; on Windows the link itself, which is then replaced).
std::string WriteTarget(const std::string& path);

// True for an existing regular file that this process may not rewrite: one the system
// would not let it open for writing, or one with no write permission at all (which binds
// the superuser too; on Windows the read-only attribute).
bool IsReadOnlyFile(const std::string& path);

// Creates a new, empty file beside `target`, under a name no other file has, open for
// writing; its name goes to `tempPath`. It gets the permissions an ordinary new file there
// gets, or, when `target` is an existing file, its permissions, owner and group as far as
// this process may set them (on Windows RenameOver carries the old file's attributes over).
// nullptr, with the system's reason in `reason`, when it cannot.
std::FILE* CreateFileBeside(const std::string& target, std::string& tempPath, std::string& reason);

// Puts the file `from` in the place of `to` in one step, so that `to` names either the old
// file or the whole new one, never a part. False, with the system's reason in `reason`
// and both files as they were, when it cannot.
bool RenameOver(const std::string& from, const std::string& to, std::string& reason);

enum class Rewrite { Done, ReadFailed, WriteFailed };
// Writes `bytes` over the existing file `target` itself and cuts it to their length, for
// when no file can be made beside it. When writing fails half-way the old bytes are put back
// as far as they go. The system's reason in `reason` on failure.
Rewrite RewriteInPlace(const std::string& target, std::string_view bytes, std::string& reason);

#ifdef _WIN32
// The name for the wide-character functions of Windows and of libraries (TIFFOpenW).
std::wstring WideName(const std::string& path);
#endif

}  // namespace talvero::platform
