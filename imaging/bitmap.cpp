#include "imaging/bitmap.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <vector>

#include "support/block_reuse.h"
#include "support/errors.h"
#include "support/platform/memory.h"

namespace talvero {

namespace {

// No single side of a real panorama comes near this; larger values are damaged headers.
constexpr int64_t kMaxSide = int64_t{1} << 20;

std::string SizeText(int64_t width, int64_t height) {
  return std::to_string(width) + " × " + std::to_string(height) + " pixels";
}

}  // namespace

std::string Bitmap::SizeProblem(int64_t width, int64_t height, PixelFormat format) {
  if (width < 0 || height < 0) return "invalid image size " + SizeText(width, height);
  if (width > kMaxSide || height > kMaxSide)
    return "absurd image size " + SizeText(width, height);
  // Both sides are below 2^20, so the product of up to 2^40 × 4 cannot overflow.
  const uint64_t bytes =
      static_cast<uint64_t>(width) * static_cast<uint64_t>(height) * static_cast<uint64_t>(format);
  if (bytes > platform::PhysicalMemoryBytes())
    return "an image of " + SizeText(width, height) + " needs " + std::to_string(bytes >> 20) +
           " MB, more than this machine's memory";
  return {};
}

Bitmap::Bitmap(int32_t width, int32_t height, PixelFormat format)
    : Bitmap(width, height, format, true) {}

Bitmap Bitmap::Uninitialized(int32_t width, int32_t height, PixelFormat format) {
  return Bitmap(width, height, format, false);
}

Bitmap::Bitmap(int32_t width, int32_t height, PixelFormat format, bool white) : FFormat(format) {
  if (const std::string problem = SizeProblem(width, height, format); !problem.empty())
    throw ImageError(problem);
  const size_t bytes = static_cast<size_t>(width) * static_cast<size_t>(height) *
                       static_cast<size_t>(format);
  if (bytes > 0) {
    // Fresh pages stay untouched until written; a reused block is overwritten as it is.
    FPixels.reset(static_cast<uint8_t*>(AllocateBlock(bytes)));
    if (!FPixels)
      throw ImageError("not enough memory for an image of " + SizeText(width, height));
    if (white) std::memset(FPixels.get(), 0xFF, bytes);
  }
  FWidth = width;
  FHeight = height;
  FStride = RowBytes();
}

void Bitmap::FreePixels::operator()(uint8_t* pixels) const {
  if (Owned) FreeBlock(pixels);
}

Bitmap Bitmap::View(const Bitmap& image, int32_t x, int32_t y, int32_t width,
                    int32_t height) {
  if (x < 0 || y < 0 || width < 0 || height < 0 || int64_t{x} + width > image.FWidth ||
      int64_t{y} + height > image.FHeight)
    throw std::out_of_range("Bitmap::View: the rectangle leaves the image");
  Bitmap view;
  view.FFormat = image.FFormat;
  if (width > 0 && height > 0) {
    view.FPixels = std::unique_ptr<uint8_t, FreePixels>(
        const_cast<uint8_t*>(image.Row(y)) + static_cast<size_t>(x) * image.BytesPerPixel(),
        FreePixels{false});
    view.FWidth = width;
    view.FHeight = height;
    view.FStride = image.FStride;
  }
  return view;
}

Bitmap Bitmap::Clone() const {
  Bitmap copy = Uninitialized(FWidth, FHeight, FFormat);
  for (int32_t y = 0; y < FHeight; ++y) std::memcpy(copy.Row(y), Row(y), RowBytes());
  return copy;
}

Rgb Bitmap::GetPixel(int32_t x, int32_t y) const {
  const uint8_t* p = Row(y) + static_cast<size_t>(x) * BytesPerPixel();
  return Rgb{p[2], p[1], p[0]};
}

void Bitmap::SetPixel(int32_t x, int32_t y, Rgb color) {
  uint8_t* p = Row(y) + static_cast<size_t>(x) * BytesPerPixel();
  p[0] = color.B;
  p[1] = color.G;
  p[2] = color.R;
  if (FFormat == PixelFormat::Bgra32) p[3] = 255;
}

void Bitmap::Fill(Rgb color) {
  if (Empty()) return;
  uint8_t* first = Row(0);
  for (int32_t x = 0; x < FWidth; ++x) SetPixel(x, 0, color);
  for (int32_t y = 1; y < FHeight; ++y) std::memcpy(Row(y), first, RowBytes());
}

bool Bitmap::SamePixels(const Bitmap& other) const {
  if (FWidth != other.FWidth || FHeight != other.FHeight || FFormat != other.FFormat) return false;
  for (int32_t y = 0; y < FHeight; ++y)
    if (std::memcmp(Row(y), other.Row(y), RowBytes()) != 0) return false;
  return true;
}

namespace {

bool RectInside(const Bitmap& image, int32_t x, int32_t y, int32_t width, int32_t height) {
  return x >= 0 && y >= 0 && width >= 0 && height >= 0 &&
         int64_t{x} + width <= image.Width() && int64_t{y} + height <= image.Height();
}

}  // namespace

void CopyRect(Bitmap& target, int32_t targetX, int32_t targetY, const Bitmap& source,
              int32_t sourceX, int32_t sourceY, int32_t width, int32_t height) {
  if (!RectInside(target, targetX, targetY, width, height) ||
      !RectInside(source, sourceX, sourceY, width, height))
    throw std::out_of_range("CopyRect: the rectangle leaves an image");
  const int tb = target.BytesPerPixel();
  const int sb = source.BytesPerPixel();
  for (int32_t y = 0; y < height; ++y) {
    uint8_t* t = target.Row(targetY + y) + static_cast<size_t>(targetX) * tb;
    const uint8_t* s = source.Row(sourceY + y) + static_cast<size_t>(sourceX) * sb;
    if (tb == sb) {
      std::memcpy(t, s, static_cast<size_t>(width) * tb);
      continue;
    }
    for (int32_t x = 0; x < width; ++x, t += tb, s += sb) {
      t[0] = s[0];
      t[1] = s[1];
      t[2] = s[2];
      if (tb == 4) t[3] = 255;
    }
  }
}

void StretchDraw(Bitmap& target, const Bitmap& source) {
  StretchDrawRows(target, source, 0, target.Height());
}

Bitmap ShrinkByAreas(const Bitmap& source, int32_t width, int32_t height) {
  const int bpp = source.BytesPerPixel();
  if (bpp != 3 && bpp != 4)
    throw std::invalid_argument("ShrinkByAreas: the image is neither 24- nor 32-bit");
  const int64_t sw = source.Width(), sh = source.Height();
  if (width <= 0 || height <= 0 || width > sw || height > sh)
    throw std::invalid_argument("ShrinkByAreas: the target is not smaller than the source");
  Bitmap target = Bitmap::Uninitialized(width, height);
  std::vector<int32_t> firstColumn(static_cast<size_t>(width) + 1);
  for (int64_t x = 0; x <= width; ++x)
    firstColumn[static_cast<size_t>(x)] = static_cast<int32_t>(x * sw / width);
  // The box sums of one target row at a time.
  std::vector<uint64_t> sums(static_cast<size_t>(width) * 3);
  for (int64_t y = 0; y < height; ++y) {
    const auto top = static_cast<int32_t>(y * sh / height);
    const auto bottom = static_cast<int32_t>((y + 1) * sh / height);
    std::fill(sums.begin(), sums.end(), uint64_t{0});
    for (int32_t sy = top; sy < bottom; ++sy) {
      const uint8_t* s = source.Row(sy);
      for (int32_t x = 0; x < width; ++x) {
        uint64_t* sum = sums.data() + 3 * static_cast<size_t>(x);
        for (int32_t sx = firstColumn[static_cast<size_t>(x)];
             sx < firstColumn[static_cast<size_t>(x) + 1]; ++sx) {
          const uint8_t* p = s + static_cast<size_t>(sx) * bpp;
          sum[0] += p[0];
          sum[1] += p[1];
          sum[2] += p[2];
        }
      }
    }
    uint8_t* t = target.Row(static_cast<int32_t>(y));
    for (int32_t x = 0; x < width; ++x) {
      const uint64_t count = static_cast<uint64_t>(bottom - top) *
                             static_cast<uint64_t>(firstColumn[static_cast<size_t>(x) + 1] -
                                                   firstColumn[static_cast<size_t>(x)]);
      for (int c = 0; c < 3; ++c)
        t[3 * x + c] = static_cast<uint8_t>((sums[3 * static_cast<size_t>(x) + c] + count / 2) / count);
    }
  }
  return target;
}

void StretchDrawRows(Bitmap& target, const Bitmap& source, int32_t rowBegin, int32_t rowEnd) {
  if (target.Format() != source.Format())
    throw std::invalid_argument("StretchDraw: the images differ in pixel format");
  if (rowBegin < 0 || rowEnd > target.Height() || rowBegin > rowEnd)
    throw std::out_of_range("StretchDraw: row range outside the target");
  if (target.Empty() || source.Empty() || rowBegin == rowEnd) return;

  const int64_t sw = source.Width(), sh = source.Height();
  const int64_t tw = target.Width(), th = target.Height();
  const int bpp = target.BytesPerPixel();
  const bool sameWidth = sw == tw;
  // Byte offset of every target column's source pixel, computed once for all rows.
  std::vector<uint32_t> columns;
  if (!sameWidth) {
    columns.resize(static_cast<size_t>(tw));
    for (int64_t x = 0; x < tw; ++x)
      columns[static_cast<size_t>(x)] = static_cast<uint32_t>((2 * x + 1) * sw / (2 * tw) * bpp);
  }

  int64_t previousSourceRow = -1;
  for (int32_t y = rowBegin; y < rowEnd; ++y) {
    const int64_t sourceRow = (2 * int64_t{y} + 1) * sh / (2 * th);
    uint8_t* t = target.Row(y);
    if (sourceRow == previousSourceRow) {
      // Enlarging repeats rows: copy the row just made.
      std::memcpy(t, target.Row(y - 1), target.RowBytes());
      continue;
    }
    previousSourceRow = sourceRow;
    const uint8_t* s = source.Row(static_cast<int32_t>(sourceRow));
    if (sameWidth) {
      std::memcpy(t, s, target.RowBytes());
    } else if (bpp == 3) {
      for (const uint32_t offset : columns) {
        t[0] = s[offset];
        t[1] = s[offset + 1];
        t[2] = s[offset + 2];
        t += 3;
      }
    } else {
      for (const uint32_t offset : columns) {
        std::memcpy(t, s + offset, 4);
        t += 4;
      }
    }
  }
}

void RotateBitmap90(Bitmap& bitmap, int direction) {
  if (bitmap.Format() != PixelFormat::Bgr24 && bitmap.Format() != PixelFormat::Bgra32)
    throw ImageError("PixelFormat is not Available.");
  const int32_t w = bitmap.Width(), h = bitmap.Height();
  const int bpp = bitmap.BytesPerPixel();
  Bitmap turned = Bitmap::Uninitialized(h, w, bitmap.Format());
  for (int32_t y = 0; y < h; ++y) {
    const uint8_t* source = bitmap.Row(y);
    for (int32_t x = 0; x < w; ++x, source += bpp) {
      const int32_t tx = direction == 0 ? h - 1 - y : y;
      const int32_t ty = direction == 0 ? x : w - 1 - x;
      std::copy(source, source + bpp, turned.Row(ty) + static_cast<size_t>(tx) * bpp);
    }
  }
  bitmap = std::move(turned);
}

}  // namespace talvero
