#include "engine/enums.h"

#include <array>
#include <string_view>

namespace talvero {

namespace {
template <size_t N>
std::string NameAt(const std::array<std::string_view, N>& names, unsigned ordinal) {
  return ordinal < N ? std::string(names[ordinal]) : std::string();
}
}  // namespace

std::string EnumValueName(TSceneType value) {
  return NameAt(std::array<std::string_view, 2>{"stCube", "stSphere"}, value);
}
std::string EnumValueName(TSceneFormat value) {
  return NameAt(std::array<std::string_view, 2>{"sfFMS", "sfRCP"}, value);
}
std::string EnumValueName(TCubeSuffix value) {
  return NameAt(std::array<std::string_view, 2>{"csLeft", "csZero"}, value);
}
std::string EnumValueName(TImageSizeMode value) {
  return NameAt(std::array<std::string_view, 3>{"ismSmall", "ismNormal", "ismLarge"}, value);
}
std::string EnumValueName(TExtractImageType value) {
  return NameAt(std::array<std::string_view, 3>{"eiBitmap", "eiJpeg", "eiTiff"}, value);
}
std::string EnumValueName(TSimProgressMode value) {
  return NameAt(std::array<std::string_view, 2>{"spAppend", "spUpdate"}, value);
}

std::string EnumValueName(TImageQuality value) {
  return NameAt(std::array<std::string_view, 2>{"iqExact", "iqHigh"}, value);
}

int FaceSizeFor(TSceneType type, TImageSizeMode mode) {
  // Out-of-range ordinals fall back to the nearest defined size rather than reading past a table.
  const int index = mode > ismLarge ? ismLarge : mode;
  const int cube = 1024 << index;
  return type == stSphere ? cube / 2 : cube;
}

}  // namespace talvero
