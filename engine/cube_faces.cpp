// Cube faces: the panorama's four quarters are warped in place through one inverse map, so
// that the middle half of the height becomes the four side faces and the top and bottom
// quarters the triangles of the top and bottom faces; the faces are then cut out, the caps
// assembled, and every face resampled and written.
#include <algorithm>
#include <stdexcept>

#include "engine/bitmap.h"
#include "engine/cube_map.h"
#include "engine/errors.h"
#include "engine/parallel.h"
#include "engine/sim_filer.h"

namespace talvero {

namespace {

constexpr int64_t kUnit = Currency::kScale;             // fractions in 1/10000
constexpr int64_t kUnitSquared = kUnit * kUnit;         // both weights applied
constexpr int32_t kWarpProgressSteps = 40;              // rows per dot: height div 40

// n / 10^8 rounded to the nearest integer, halves to even (n >= 0).
inline int64_t DivideRoundHalfEven(int64_t n) {
  int64_t q = n / kUnitSquared;
  const int64_t twice = 2 * (n - q * kUnitSquared);
  if (twice > kUnitSquared || (twice == kUnitSquared && (q & 1))) ++q;
  return q;
}

// Warps rows [rowBegin, rowEnd) of `target` from the strip of `source` whose left edge is at
// column `sourceLeft` (the strip is target.Width() wide).
void WarpRows(Bitmap& target, const Bitmap& source, int32_t sourceLeft, const TmxCurrencyUV& map,
              int32_t rowBegin, int32_t rowEnd) {
  const int32_t w = target.Width(), h = target.Height();
  const int bpp = target.BytesPerPixel();
  std::vector<CubeMapSample> samples;
  for (int32_t y = rowBegin; y < rowEnd; ++y) {
    map.SampleRow(y, samples);
    uint8_t* out = target.Row(y);
    for (int32_t x = 0; x < w; ++x, out += bpp) {
      const CubeMapSample& e = samples[static_cast<size_t>(x)];
      if (e.U < 0) continue;  // no source: the target pixel keeps what it had
      const int32_t x0 = e.U, x1 = std::min(e.U + 1, w - 1);
      const int32_t y0 = e.V, y1 = std::min(e.V + 1, h - 1);
      const int64_t a = e.UFrac, b = e.VFrac;
      const uint8_t* p00 = source.Row(y0) + static_cast<size_t>(sourceLeft + x0) * bpp;
      const uint8_t* p10 = source.Row(y0) + static_cast<size_t>(sourceLeft + x1) * bpp;
      const uint8_t* p01 = source.Row(y1) + static_cast<size_t>(sourceLeft + x0) * bpp;
      const uint8_t* p11 = source.Row(y1) + static_cast<size_t>(sourceLeft + x1) * bpp;
      for (int c = 0; c < 3; ++c) {
        const int64_t top = (kUnit - a) * p00[c] + a * p10[c];
        const int64_t bottom = (kUnit - a) * p01[c] + a * p11[c];
        const int64_t value = DivideRoundHalfEven((kUnit - b) * top + b * bottom);
        out[c] = static_cast<uint8_t>(std::min<int64_t>(value, 255));
      }
    }
  }
}

// Rows per parallel block: a multiple of the progress interval, so every dot belongs to
// exactly one block.
int32_t RowsPerBlock(int32_t step, int32_t height) {
  const int32_t target = std::max<int32_t>(step, 64);
  int32_t rows = (target + step - 1) / step * step;
  return std::min(rows, std::max(height, 1));
}

// Draws `piece` onto `target` at (left, top), skipping pure white pixels (transparent).
void DrawTransparent(Bitmap& target, const Bitmap& piece, int32_t left, int32_t top) {
  const int bpp = target.BytesPerPixel();
  for (int32_t y = 0; y < piece.Height(); ++y) {
    const int32_t ty = top + y;
    if (ty < 0 || ty >= target.Height()) continue;
    const uint8_t* source = piece.Row(y);
    uint8_t* out = target.Row(ty);
    for (int32_t x = 0; x < piece.Width(); ++x, source += piece.BytesPerPixel()) {
      const int32_t tx = left + x;
      if (tx < 0 || tx >= target.Width()) continue;
      if (source[0] == 255 && source[1] == 255 && source[2] == 255) continue;
      std::copy(source, source + 3, out + static_cast<size_t>(tx) * bpp);
    }
  }
}

}  // namespace

void TSimFiler::BuildCubeMap(int32_t f, TmxCurrencyUV& map) {
  Progress("座標を取得しています。", spAppend);
  FillCubeMapQuadrant(f, map, [this] { Progress("....", spUpdate); });
  // The mirrored halves are derived on access; the step still has its dots.
  Progress("....", spUpdate);
}

void TSimFiler::WarpImage(Bitmap& target, const Bitmap& source, const TmxCurrencyUV& map) {
  if (target.Width() != source.Width() || target.Height() != source.Height() ||
      target.Format() != source.Format())
    target = Bitmap(source.Width(), source.Height(), source.Format());
  WarpStrip(target, source, 0, map);
}

void TSimFiler::WarpStrip(Bitmap& target, const Bitmap& source, int32_t sourceLeft,
                          const TmxCurrencyUV& map) {
  const int32_t h = target.Height();
  if (map.Width() < target.Width() || map.Height() < h || source.Height() != h ||
      sourceLeft < 0 || sourceLeft + target.Width() > source.Width())
    throw std::invalid_argument("WarpImage: the map, the strip and the image do not match");
  const int32_t step = std::max(1, h / kWarpProgressSteps);
  Progress(".", spAppend);
  const int32_t blockRows = RowsPerBlock(step, h);
  const int blocks = static_cast<int>((h + blockRows - 1) / blockRows);
  RunOrderedBlocks(
      blocks,
      [&](int block) {
        const int32_t begin = block * blockRows;
        WarpRows(target, source, sourceLeft, map, begin, std::min(h, begin + blockRows));
      },
      [&](int block) {
        // One dot for every row of the block that is a multiple of the interval.
        const int32_t begin = block * blockRows, end = std::min(h, begin + blockRows);
        for (int32_t y = (begin + step - 1) / step * step; y < end; y += step)
          Progress(".", spUpdate);
      });
}

void TSimFiler::WarpCubeStrips(Bitmap& panorama) {
  const int32_t w = panorama.Width(), h = panorama.Height();
  const int32_t b = w / 4, f = w / 8;
  if (w % 8 != 0 || h != 4 * f || h < kMinPanoramaHeight || panorama.Format() != PixelFormat::Bgr24)
    throw ImageError("the panorama is " + std::to_string(w) + " × " + std::to_string(h) +
                     " pixels; the cube projection needs 24 bits, a width that is a multiple "
                     "of 8 and a height of half the width");
  // The warped strip is made once: pixels without a source keep what it held before.
  Bitmap warped(b, h);
  TmxCurrencyUV map;
  BuildCubeMap(f, map);
  Progress("処理中 ", spAppend);
  for (int32_t i = 0; i < 4; ++i) {
    // The strip is read straight from the panorama; it is written back only when done.
    WarpStrip(warped, panorama, b * i, map);
    CopyRect(panorama, b * i, 0, warped, 0, 0, b, h);
  }
}

void TSimFiler::AssembleCapFace(Bitmap& face, const Bitmap& capStrip, int mode) {
  const int32_t s = capStrip.Width() / 4, h = capStrip.Height();
  if (face.Width() != s || face.Height() != s) face = Bitmap(s, s);
  Bitmap piece(s, h);
  for (int32_t k = 0; k < 4; ++k) {
    CopyRect(piece, 0, 0, capStrip, s * k, 0, s, h);
    DrawTransparent(face, piece, 0, mode == 0 ? h : 0);
    if (k < 3) RotateBitmap90(face, mode == 0 ? 0 : 1);
    Progress(".", spUpdate);
  }
}

void TSimFiler::WriteCubeFaces(const Bitmap& panorama) {
  const int32_t w = panorama.Width();
  const int32_t b = w / 4, f = w / 8;
  const int32_t size = FaceSize();
  const std::string folder = GetSceneFolder();
  const TExtractImageType type = GetExtractImageType();
  const StringList names = ImageNames();
  if (names.size() != 6)
    throw Error("the output image names have not been prepared for a cube (6 names)");

  Progress("画像ファイルを書き出しています。", spAppend);
  BackgroundTasks writers;
  for (int32_t i = 0; i < 6; ++i) {
    Progress(names[static_cast<size_t>(i)], spAppend);
    const std::string path = folder + names[static_cast<size_t>(i)];
    Bitmap face(b, b);
    if (i < 3) {
      CopyRect(face, 0, 0, panorama, f * (2 * i + 1), f, b, b);
    } else if (i == 3) {
      // The back face lies across the panorama's left and right edges.
      CopyRect(face, 0, 0, panorama, 7 * f, f, f, 2 * f);
      Progress("..", spUpdate);
      CopyRect(face, f, 0, panorama, 0, f, f, 2 * f);
      Progress("..", spUpdate);
    } else {
      const int32_t top = i == 4 ? 0 : 3 * f;
      // The cap strip starts at column 5f and wraps round, so its quarters are whole faces.
      Bitmap capStrip(w, f);
      CopyRect(capStrip, 0, 0, panorama, 5 * f, top, 3 * f, f);
      CopyRect(capStrip, 3 * f, 0, panorama, 0, top, 5 * f, f);
      AssembleCapFace(face, capStrip, i - 4);
    }
    auto output = std::make_shared<Bitmap>(Bitmap::Uninitialized(size, size));
    StretchDraw(*output, face);
    writers.Submit([output, path, type] { SaveImageAs(*output, path, type); });
  }
  writers.Finish();
}

}  // namespace talvero
