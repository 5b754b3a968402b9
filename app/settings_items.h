// The settings the main window keeps in its INI file, all in the section "data".
#pragma once

#include <string>

namespace talvero {

class TRegItems;

inline constexpr const char* kSettingsSection = "data";

// Declares the main window's fifteen items, each with its key equal to its name.
void AddMainWindowSettings(TRegItems& items);

// The INI file beside the executable: its path with the extension replaced by ".ini".
std::string SettingsFileFor(const std::string& executablePath);

}  // namespace talvero
