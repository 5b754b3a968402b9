#include "app/settings_items.h"

#include "app/reg_manager.h"
#include "support/file_util.h"

namespace talvero {

void AddMainWindowSettings(TRegItems& items) {
  static constexpr struct {
    const char* Name;
    const char* Default;
  } kItems[] = {
      {"ShowGuide", "False"},
      {"ShowImage", "False"},
      {"CreateSceneFile", "True"},
      {"CreateDividedImage", "True"},
      {"ImageSizeMode", "1"},
      {"ImageType", "0"},
      {"SceneFormat", "0"},
      {"SceneType", "0"},
      {"CheckImageFileOverWrite", "True"},
      {"CheckSceneFileOverWrite", "False"},
      {"FormLeft", "200"},
      {"FormTop", "100"},
      {"FormWidth", "644"},
      {"FormHeight", "600"},
      {"CubeSuffix", "0"},
  };
  for (const auto& item : kItems) items.Add(item.Name, kSettingsSection, item.Name, item.Default);
}

std::string SettingsFileFor(const std::string& executablePath) {
  return ChangeFileExt(executablePath, ".ini");
}

}  // namespace talvero
