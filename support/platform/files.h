// Files by UTF-8 name. On Windows every call goes through the wide-character API, so that a
// panorama in a folder with a Japanese name opens like any other.
#pragma once

#include <cstdio>
#include <string>

namespace talvero::platform {

// std::fopen by UTF-8 name; nullptr with errno set when it fails.
std::FILE* OpenFile(const std::string& path, const char* mode);

// True for an existing regular file (a directory of that name does not count).
bool IsRegularFile(const std::string& path);
// True for an existing directory.
bool IsDirectory(const std::string& path);

// Removes a file; false with errno set when it fails.
bool RemoveFile(const std::string& path);

// Creates a new, empty file beside `target`, under a name no other file has, open for
// writing, with the permissions an ordinary new file there gets; its name goes to
// `tempPath`. nullptr, with the system's reason in `reason`, when it cannot.
std::FILE* CreateFileBeside(const std::string& target, std::string& tempPath, std::string& reason);

// Puts the file `from` in the place of `to` in one step, so that `to` names either the old
// file or the whole new one, never a part. False, with the system's reason in `reason`
// and both files as they were, when it cannot.
bool RenameOver(const std::string& from, const std::string& to, std::string& reason);

#ifdef _WIN32
// The name for the wide-character functions of Windows and of libraries (TIFFOpenW).
std::wstring WideName(const std::string& path);
#endif

}  // namespace talvero::platform
