#include "app/settings/window_settings.h"

#include <QGuiApplication>
#include <QScreen>
#include <algorithm>
#include <cstdint>
#include <optional>

#include "app/main_window.h"
#include "app/settings/reg_manager.h"
#include "editing/talvero_filers.h"

namespace talvero {

namespace {

constexpr const char* kSettingsSection = "data";

}  // namespace

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

void LoadWindowSettings(TForm1& window, TRegManager& reg) {
  TTalveroFiler& filer = window.Filer();
  window.SetCreateSceneFile(reg.Filers("CreateSceneFile").ReadBool());
  window.SetCreateDividedImage(reg.Filers("CreateDividedImage").ReadBool());
  window.SetShowGuide(reg.Filers("ShowGuide").ReadBool());
  window.SetShowImage(reg.Filers("ShowImage").ReadBool());
  // An ordinal outside its enumeration (a damaged file) leaves the control as it is.
  const auto ordinal = [&reg]<typename E>(const char* name, E) {
    return EnumFromOrdinal<E>(reg.Filers(name).ReadInt());
  };
  if (auto v = ordinal("SceneFormat", sfFMS)) filer.SetSceneFormat(*v);
  if (auto v = ordinal("SceneType", stCube)) filer.SetSceneType(*v);
  if (auto v = ordinal("ImageSizeMode", ismNormal)) filer.SetImageSizeMode(*v);
  if (auto v = ordinal("ImageType", eiBitmap)) filer.SetExtractImageType(*v);
  if (auto v = ordinal("CubeSuffix", csLeft)) filer.SetCubeSuffix(*v);
  window.SetCheckImageFileOverWrite(reg.Filers("CheckImageFileOverWrite").ReadBool());
  window.SetCheckSceneFileOverWrite(reg.Filers("CheckSceneFileOverWrite").ReadBool());

  const int left = std::max(0, reg.Filers("FormLeft").ReadInt());
  const int top = std::max(0, reg.Filers("FormTop").ReadInt());
  int width = reg.Filers("FormWidth").ReadInt();
  int height = reg.Filers("FormHeight").ReadInt();
  // A damaged size must not ask for a window larger than the desktop; the minimum size
  // applies on top of this.
  if (const QScreen* desktop = window.screen()) {
    const QSize room = desktop->availableVirtualSize();
    width = std::min(width, room.width());
    height = std::min(height, room.height());
  }
  window.move(left, top);
  window.resize(width, height);
  KeepOnScreen(window);
}

void SaveWindowSettings(const TForm1& window, TRegManager& reg) {
  const TTalveroFiler& filer = window.Filer();
  reg.Filers("CreateSceneFile").WriteBool(window.CreateSceneFile());
  reg.Filers("CreateDividedImage").WriteBool(window.CreateDividedImage());
  reg.Filers("ShowGuide").WriteBool(window.ShowGuide());
  reg.Filers("ShowImage").WriteBool(window.ShowImage());
  reg.Filers("SceneFormat").WriteInt(filer.GetSceneFormat());
  reg.Filers("SceneType").WriteInt(filer.GetSceneType());
  reg.Filers("ImageSizeMode").WriteInt(filer.GetImageSizeMode());
  reg.Filers("ImageType").WriteInt(filer.GetExtractImageType());
  reg.Filers("CheckImageFileOverWrite").WriteBool(window.CheckImageFileOverWrite());
  reg.Filers("CheckSceneFileOverWrite").WriteBool(window.CheckSceneFileOverWrite());
  reg.Filers("CubeSuffix").WriteInt(filer.GetCubeSuffix());
  reg.Filers("FormLeft").WriteInt(window.x());
  reg.Filers("FormTop").WriteInt(window.y());
  reg.Filers("FormWidth").WriteInt(window.width());
  reg.Filers("FormHeight").WriteInt(window.height());
}

void KeepOnScreen(QWidget& window) {
  // It moves to the screen that needs the least move (only to the top-left corner of one too
  // small for it).
  const QRect frame = window.frameGeometry();
  std::optional<QPoint> best;
  int64_t bestDistance = 0;
  for (const QScreen* candidate : QGuiApplication::screens()) {
    const QRect room = candidate->availableGeometry();
    const QPoint place(
        std::max(room.left(), std::min(frame.left(), room.right() + 1 - frame.width())),
        std::max(room.top(), std::min(frame.top(), room.bottom() + 1 - frame.height())));
    const QPoint step = place - frame.topLeft();
    const int64_t distance = int64_t{step.x()} * step.x() + int64_t{step.y()} * step.y();
    if (!best || distance < bestDistance) {
      best = place;
      bestDistance = distance;
    }
  }
  if (best && *best != frame.topLeft()) window.move(*best);
}

}  // namespace talvero
