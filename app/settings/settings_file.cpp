#include "app/settings/settings_file.h"

#include <QFileInfo>
#include <QString>
#include <cstdlib>
#include <filesystem>
#include <vector>

#include "support/file_util.h"
#include "support/platform/account.h"

namespace talvero {

std::string SettingsFileFor(const std::string& executablePath) {
  return ChangeFileExt(executablePath, ".ini");
}

namespace {

std::string Environment(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

}  // namespace

SettingsPlaces CurrentSettingsPlaces(const std::string& executablePath) {
  SettingsPlaces places;
  places.ExecutablePath = executablePath;
  places.XdgConfigHome = Environment("XDG_CONFIG_HOME");
  places.Home = Environment("HOME");
  if (places.Home.empty()) places.Home = platform::AccountHomeFolder();
  places.Installed = FileExists(ExtractFilePath(executablePath) +
                                "../share/applications/talvero.desktop");
  places.CanWrite = [](const std::string& folder) {
    const QFileInfo info(QString::fromStdString(folder));
    return info.isDir() && info.isWritable();
  };
  return places;
}

std::string ChooseSettingsFile(const SettingsPlaces& places) {
  const std::string beside = SettingsFileFor(places.ExecutablePath);
#ifdef _WIN32
  // A Windows copy keeps its settings beside itself, wherever it was unpacked (the
  // environment may still hold a Unix HOME when it runs under Wine).
  return beside;
#else
  if (FileExists(beside)) return beside;
  std::string folder = ExtractFilePath(places.ExecutablePath);
  if (folder.empty()) folder = ".";
  // An installed program leaves the system's program folder alone, even when run by root.
  if (!places.Installed && places.CanWrite && places.CanWrite(folder))
    return beside;
  std::string config = places.XdgConfigHome;
  if (!std::filesystem::path(config).is_absolute()) {  // a relative value is to be ignored
    if (places.Home.empty()) return beside;        // nowhere else to go
    config = places.Home + "/.config";
  }
  if (!IsPathDelimiter(config.back())) config += '/';
  return config + "talvero/talvero.ini";
#endif
}

void MakeSettingsFolder(const std::string& file) {
  namespace fs = std::filesystem;
  std::vector<fs::path> missing;
  std::error_code error;
  for (fs::path folder = PathFromUtf8(file).parent_path(); !folder.empty() && !fs::exists(folder, error);
       folder = folder.parent_path()) {
    missing.push_back(folder);
    if (folder == folder.parent_path()) break;
  }
  for (auto it = missing.rbegin(); it != missing.rend(); ++it) {
    if (!fs::create_directory(*it, error)) return;
    // Settings are the user's own business.
    fs::permissions(*it, fs::perms::owner_all, fs::perm_options::replace, error);
  }
}

}  // namespace talvero
