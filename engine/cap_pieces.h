// Drawing a cube cap face from its four triangle pieces, each straight into the place the
// face's quarter turns would take it. Shared by the cube job, which reads the pieces out of
// the warped panorama, and the plain AssembleCapFace, which reads them from a copied strip.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "imaging/bitmap.h"

namespace talvero {

// Where face pixel (x, y) of an s × s face ends up after `turns` clockwise quarter turns.
inline void TurnFacePixel(int32_t s, int turns, int32_t& x, int32_t& y) {
  const int32_t x0 = x, y0 = y;
  switch (turns & 3) {
    case 1:
      x = s - 1 - y0;
      y = x0;
      break;
    case 2:
      x = s - 1 - x0;
      y = s - 1 - y0;
      break;
    case 3:
      x = y0;
      y = s - 1 - x0;
      break;
    default:
      break;
  }
}

// Builds a cap face from its four triangle pieces. The face is drawn as if each piece were
// drawn (white pixels transparent) at (0, h) for the top or (0, 0) for the bottom and the
// face then turned a quarter (clockwise for the top, counter-clockwise for the bottom)
// after every piece but the last; instead of turning the whole face three times, each piece
// is drawn straight into its final place. Pixel (px, py) of piece k is
// pieceRow(k, py) + pieceColumns[k][px].
// `dot` runs after each piece (the progress dots).
// `span(py, first, end)` narrows piece row py to the columns [first, end) that may hold
// anything but white (the whole row when nothing is known).
template <typename PieceRow, typename Dot, typename Span>
void DrawCapPieces(Bitmap& face, int32_t s, int32_t h, int mode,
                   const std::vector<size_t> (&pieceColumns)[4], PieceRow pieceRow, Dot dot,
                   Span span) {
  constexpr int32_t kTile = 64;  // keeps the turned writes within a few cache lines
  for (int k = 0; k < 4; ++k) {
    const int remaining = 3 - k;  // turns made after this piece
    const int clockwise = mode == 0 ? remaining : (4 - remaining) & 3;
    const int32_t down = mode == 0 ? h : 0;
    // Along a piece row the turned place moves by a fixed step: a pixel, a row, or back.
    const auto stride = static_cast<ptrdiff_t>(face.Stride());
    const ptrdiff_t steps[4] = {3, stride, -3, -stride};
    const ptrdiff_t step = steps[clockwise & 3];
    for (int32_t ty = 0; ty < h; ty += kTile) {
      for (int32_t tx = 0; tx < s; tx += kTile) {
        for (int32_t py = ty; py < std::min(h, ty + kTile); ++py) {
          const uint8_t* row = pieceRow(k, py);
          int32_t x = 0, y = py + down;
          TurnFacePixel(s, clockwise, x, y);
          uint8_t* first = face.Row(y) + static_cast<size_t>(x) * 3;  // where px = 0 goes
          const size_t* columns = pieceColumns[k].data();
          int32_t begin = 0, end = s;
          span(py, begin, end);
          for (int32_t px = std::max(tx, begin); px < std::min({s, tx + kTile, end}); ++px) {
            const uint8_t* p = row + columns[px];
            if (p[0] == 255 && p[1] == 255 && p[2] == 255) continue;  // transparent white
            uint8_t* out = first + step * px;
            out[0] = p[0];
            out[1] = p[1];
            out[2] = p[2];
          }
        }
      }
    }
    dot();
  }
}

}  // namespace talvero
