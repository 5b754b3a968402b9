// Where the settings file lives: beside the program (a portable copy) or in the user's
// configuration folder. What the main window keeps in it is app/settings/window_settings.h.
#pragma once

#include <functional>
#include <string>

namespace talvero {

// The INI file beside the executable: its path with the extension replaced by ".ini".
std::string SettingsFileFor(const std::string& executablePath);

// What decides where the settings live; CurrentSettingsPlaces() fills it from the process.
struct SettingsPlaces {
  std::string ExecutablePath;
  std::string XdgConfigHome;  // $XDG_CONFIG_HOME, empty when unset
  std::string Home;           // $HOME, else the account's home folder
  // An installed copy (its desktop entry in <prefix>/share/applications beside <prefix>/bin)
  // never writes into its program folder, even when run by root.
  bool Installed = false;
  std::function<bool(const std::string& folder)> CanWrite;
};
SettingsPlaces CurrentSettingsPlaces(const std::string& executablePath);

// The INI file beside the executable when it exists there or that folder is writable (a
// portable copy), else "talvero/talvero.ini" in the user's configuration folder
// ($XDG_CONFIG_HOME when it is an absolute path, else ~/.config). On Windows always the
// INI file beside the executable.
std::string ChooseSettingsFile(const SettingsPlaces& places);

// Creates the folders of `file` that are missing, readable by the user only; nothing when
// they exist or cannot be made (the write that follows then reports the failure).
void MakeSettingsFolder(const std::string& file);

}  // namespace talvero
