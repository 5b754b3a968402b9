// Small pieces shared by the image codecs (not part of the engine's interface).
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <span>
#include <string>

#include "imaging/bitmap.h"
#include "imaging/image_codecs.h"
#include "support/errors.h"

namespace talvero::codec {

// "cannot read image 'path': problem".
ImageError ReadFailure(const std::string& path, const std::string& problem);
// "cannot write image 'path': problem".
ImageError WriteFailure(const std::string& path, const std::string& problem);

// The size a decoder will make, refused with the file named when no image can have it.
ImageSize DecodedSize(const std::string& path, int64_t width, int64_t height);
// A decoder's target image, refused with the file named before anything is allocated.
Bitmap NewDecodedImage(const std::string& path, int64_t width, int64_t height);

// No compression used in image files stores more than about 1300 bytes of samples in one
// byte (deflate's ceiling is near 1030, LZW's near 1300, baseline JPEG's near 1500 for
// upsampled colour); images below kSmallImageSamples are not held to the ratio. Arithmetic
// coding goes further: a flat picture costs a fraction of a bit per 8 × 8 block.
inline constexpr uint64_t kMaxSamplesPerStoredByte = 2048;
inline constexpr uint64_t kMaxArithmeticSamplesPerStoredByte = 65536;
inline constexpr uint64_t kSmallImageSamples = uint64_t{256} << 10;
// Refuses, before its pixels are allocated, a file whose `storedBytes` of image data are far
// too few for `sampleBytes` of decoded samples (width × height × samples × bits / 8): a
// damaged header or a truncated file, which would otherwise cost gigabytes first.
void CheckStoredData(const std::string& path, int64_t width, int64_t height,
                     uint64_t sampleBytes, uint64_t storedBytes,
                     uint64_t samplesPerByte = kMaxSamplesPerStoredByte);

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;
// Opens for binary reading; FileError naming the file when that fails.
FilePtr OpenForReading(const std::string& path);

inline uint16_t GetLE16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
inline uint32_t GetLE32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
         static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}
inline uint8_t* PutLE16(uint8_t* p, uint32_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
  return p + 2;
}
inline uint8_t* PutLE32(uint8_t* p, uint32_t v) {
  PutLE16(p, v);
  return PutLE16(p + 2, v >> 16);
}

// Copies one row of `image` as blue-green-red or red-green-blue triples (a 32-bit image
// loses its alpha); `out` holds width × 3 bytes.
void RowToBgr(const Bitmap& image, int32_t y, uint8_t* out);
void RowToRgb(const Bitmap& image, int32_t y, uint8_t* out);

// Each codec's entries of the codec table (image_codecs.cpp): whether a file's first bytes
// are of its kind, and the size its reader will give, from the headers alone.
bool IsBmp(std::span<const uint8_t> head);
bool IsJpeg(std::span<const uint8_t> head);
bool IsTiff(std::span<const uint8_t> head);
bool IsPng(std::span<const uint8_t> head);
ImageSize ReadBmpSize(const std::string& path);
ImageSize ReadJpegSize(const std::string& path);
ImageSize ReadTiffSize(const std::string& path);
ImageSize ReadPngSize(const std::string& path);

}  // namespace talvero::codec
