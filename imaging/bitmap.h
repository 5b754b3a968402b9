// The engine's working image: a plain pixel buffer with rows from the top down, packed
// without padding. Codecs decode into it, the projections read and write it by rows.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace talvero {

// The value is the number of bytes per pixel.
enum class PixelFormat : uint8_t { Bgr24 = 3, Bgra32 = 4 };

struct Rgb {
  uint8_t R = 0, G = 0, B = 0;
  friend bool operator==(const Rgb&, const Rgb&) = default;
};

inline constexpr Rgb kWhite{255, 255, 255};

class Bitmap {
 public:
  // An empty image (0 × 0).
  Bitmap() = default;
  // A white image. ImageError, before anything is allocated, when the size is negative,
  // absurd or would not fit in this machine's memory.
  Bitmap(int32_t width, int32_t height, PixelFormat format = PixelFormat::Bgr24);
  // Pixels left unset, for decoders that write every pixel anyway (saves touching
  // 100 MB twice). Same size checks.
  static Bitmap Uninitialized(int32_t width, int32_t height,
                              PixelFormat format = PixelFormat::Bgr24);

  // Empty when the size can be allocated, else the reason (for error messages).
  static std::string SizeProblem(int64_t width, int64_t height, PixelFormat format);

  // The width × height rectangle at (x, y) of `image` without copying it, for reading only
  // (an encoder writing a face straight out of the panorama). Its rows keep the image's
  // stride; `image` must outlive the view. std::out_of_range when the rectangle leaves it.
  static Bitmap View(const Bitmap& image, int32_t x, int32_t y, int32_t width,
                     int32_t height);

  Bitmap(Bitmap&&) noexcept = default;
  Bitmap& operator=(Bitmap&&) noexcept = default;
  // Copies are explicit: a panorama is 100 MB.
  Bitmap Clone() const;

  int32_t Width() const { return FWidth; }
  int32_t Height() const { return FHeight; }
  PixelFormat Format() const { return FFormat; }
  int BytesPerPixel() const { return static_cast<int>(FFormat); }
  // The pixel bytes of one row, and the distance from one row to the next (larger in a view).
  size_t RowBytes() const { return static_cast<size_t>(FWidth) * BytesPerPixel(); }
  size_t Stride() const { return FStride; }
  size_t ByteSize() const { return RowBytes() * static_cast<size_t>(FHeight); }
  bool Empty() const { return FWidth == 0 || FHeight == 0; }

  uint8_t* Row(int32_t y) { return FPixels.get() + FStride * static_cast<size_t>(y); }
  const uint8_t* Row(int32_t y) const { return FPixels.get() + FStride * static_cast<size_t>(y); }

  Rgb GetPixel(int32_t x, int32_t y) const;
  void SetPixel(int32_t x, int32_t y, Rgb color);
  // Every pixel (alpha 255 in 32-bit images).
  void Fill(Rgb color);

  // Same size, format and pixel bytes.
  bool SamePixels(const Bitmap& other) const;

 private:
  Bitmap(int32_t width, int32_t height, PixelFormat format, bool white);

  int32_t FWidth = 0;
  int32_t FHeight = 0;
  PixelFormat FFormat = PixelFormat::Bgr24;
  size_t FStride = 0;
  struct FreePixels {
    FreePixels() noexcept : Owned(true) {}
    explicit FreePixels(bool owned) noexcept : Owned(owned) {}
    bool Owned;  // false in a view
    void operator()(uint8_t* pixels) const;
  };
  std::unique_ptr<uint8_t, FreePixels> FPixels;
};

// Copies the width × height rectangle at (sourceX, sourceY) of `source` to (targetX, targetY)
// of `target`, converting between 24 and 32 bits when the formats differ (alpha 255).
// std::out_of_range when a rectangle leaves its image.
void CopyRect(Bitmap& target, int32_t targetX, int32_t targetY, const Bitmap& source,
              int32_t sourceX, int32_t sourceY, int32_t width, int32_t height);

// Nearest-neighbour stretch of the whole source onto the whole target (same format):
// target (x, y) takes source ((2x + 1)·sw div 2tw, (2y + 1)·sh div 2th); equal sizes copy
// exactly.
void StretchDraw(Bitmap& target, const Bitmap& source);
// The same for target rows [rowBegin, rowEnd) only; row ranges are independent, so they may
// run on several threads.
void StretchDrawRows(Bitmap& target, const Bitmap& source, int32_t rowBegin, int32_t rowEnd);

// A smaller 24-bit copy of a 24- or 32-bit image (alpha left out), each target pixel the mean
// of its box of source pixels: target column x covers source columns
// [x·sw div tw, (x + 1)·sw div tw), rows alike. For previews of large pictures (without the
// 32-bit copy a general scaler makes first) and the scene view's textures.
// std::invalid_argument when the target is larger than the source in either direction.
Bitmap ShrinkByAreas(const Bitmap& source, int32_t width, int32_t height);

// Quarter turn in place: direction 0 clockwise ((x, y) moves to (h - 1 - y, x)), 1
// counter-clockwise ((x, y) moves to (y, w - 1 - x)). Only 24- and 32-bit images turn;
// anything else raises ImageError "PixelFormat is not Available.".
void RotateBitmap90(Bitmap& bitmap, int direction);

}  // namespace talvero
