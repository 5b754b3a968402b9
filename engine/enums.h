// The job's enumerations. Their ordinals are stored in the settings file and printed
// in scene files, so the values are fixed.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <type_traits>

namespace talvero {

enum TSceneType : uint8_t { stCube = 0, stSphere = 1 };
enum TSceneFormat : uint8_t { sfFMS = 0, sfRCP = 1 };
enum TCubeSuffix : uint8_t { csLeft = 0, csZero = 1 };
enum TImageSizeMode : uint8_t { ismSmall = 0, ismNormal = 1, ismLarge = 2 };
enum TExtractImageType : uint8_t { eiBitmap = 0, eiJpeg = 1, eiTiff = 2 };
enum TSimProgressMode : uint8_t { spAppend = 0, spUpdate = 1 };
// Beyond the classic job: how faces and tiles are sampled. iqExact is the classic
// sampling, byte for byte; iqHigh filters each pixel over its footprint and enlarges smoothly.
enum TImageQuality : uint8_t { iqExact = 0, iqHigh = 1 };

// The identifier of an enumeration value ("stCube"); empty for an ordinal outside the
// enumeration.
std::string EnumValueName(TSceneType value);
std::string EnumValueName(TSceneFormat value);
std::string EnumValueName(TCubeSuffix value);
std::string EnumValueName(TImageSizeMode value);
std::string EnumValueName(TExtractImageType value);
std::string EnumValueName(TSimProgressMode value);
std::string EnumValueName(TImageQuality value);

// Anything that is not one of the enumerations has no identifier.
template <typename T>
  requires(!std::is_enum_v<T>)
std::string EnumValueName(const T&) {
  return {};
}

// Number of values of each enumeration, for range checks of stored ordinals.
template <typename E>
constexpr int EnumCount();
template <> constexpr int EnumCount<TSceneType>() { return 2; }
template <> constexpr int EnumCount<TSceneFormat>() { return 2; }
template <> constexpr int EnumCount<TCubeSuffix>() { return 2; }
template <> constexpr int EnumCount<TImageSizeMode>() { return 3; }
template <> constexpr int EnumCount<TExtractImageType>() { return 3; }
template <> constexpr int EnumCount<TSimProgressMode>() { return 2; }
template <> constexpr int EnumCount<TImageQuality>() { return 2; }

// The value with that ordinal, or nullopt when the ordinal lies outside the enumeration.
template <typename E>
std::optional<E> EnumFromOrdinal(int64_t ordinal) {
  if (ordinal < 0 || ordinal >= EnumCount<E>()) return std::nullopt;
  return static_cast<E>(ordinal);
}

// Output face or tile size in pixels: cube 1024/2048/4096, sphere 512/1024/2048.
int FaceSizeFor(TSceneType type, TImageSizeMode mode);

}  // namespace talvero
