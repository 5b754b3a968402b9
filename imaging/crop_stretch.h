// Resampling straight out of a larger image: the result of cropping a rectangle (whose
// columns and rows may wrap or repeat) and stretching the crop onto a target, without
// building the crop. Nearest neighbour, the same rule as StretchDraw.
#pragma once

#include <cstdint>
#include <vector>

#include "imaging/bitmap.h"

namespace talvero {

// Crop pixel (cx, cy) is source pixel (columnOf(cx), rowOf(cy)); the crop is cropWidth ×
// cropHeight and is stretched onto the whole of `output` (24-bit, like `source`).
template <typename ColumnOf, typename RowOf>
void StretchCrop(Bitmap& output, const Bitmap& source, int64_t cropWidth, int64_t cropHeight,
                 ColumnOf columnOf, RowOf rowOf) {
  const int64_t ow = output.Width(), oh = output.Height();
  std::vector<size_t> columns(static_cast<size_t>(ow));
  for (int64_t x = 0; x < ow; ++x)
    columns[static_cast<size_t>(x)] =
        static_cast<size_t>(columnOf((2 * x + 1) * cropWidth / (2 * ow))) * 3;
  for (int64_t y = 0; y < oh; ++y) {
    const uint8_t* row = source.Row(static_cast<int32_t>(rowOf((2 * y + 1) * cropHeight / (2 * oh))));
    uint8_t* out = output.Row(static_cast<int32_t>(y));
    for (const size_t offset : columns) {
      out[0] = row[offset];
      out[1] = row[offset + 1];
      out[2] = row[offset + 2];
      out += 3;
    }
  }
}

}  // namespace talvero
