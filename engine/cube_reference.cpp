// The strip-by-strip cube warp, kept as the reference of the default cube job's bytes.
#include "engine/cube_reference.h"

#include <algorithm>
#include <stdexcept>
#include <vector>

#include "engine/cap_pieces.h"
#include "engine/cube_warp.h"
#include "engine/image_stage.h"
#include "imaging/bitmap.h"
#include "support/parallel.h"

namespace talvero {

namespace {

constexpr int32_t kWarpProgressSteps = 40;  // rows per dot: height div 40

// Warps rows [rowBegin, rowEnd) of `target` from the strip of `source` whose left edge is at
// column `sourceLeft` (the strip is target.Width() wide).
void WarpRows(Bitmap& target, const Bitmap& source, int32_t sourceLeft, const TmxCurrencyUV& map,
              int32_t rowBegin, int32_t rowEnd) {
  const WarpSource strip{source.Row(0) + static_cast<size_t>(sourceLeft) * source.BytesPerPixel(),
                         source.RowBytes(), target.Width(), target.Height(),
                         source.BytesPerPixel()};
  const WarpKernel kernel = ActiveWarpKernel();
  // Tiles rather than whole rows: the pixels of a row are fetched along a curve across
  // hundreds of source rows, the next rows' curves lie close by.
  constexpr int32_t kTileRows = 16, kTileColumns = 128;
  const int32_t w = target.Width();
  CubeMapRow samples[kTileRows];
  for (int32_t top = rowBegin; top < rowEnd; top += kTileRows) {
    const int32_t rows = std::min(kTileRows, rowEnd - top);
    for (int32_t r = 0; r < rows; ++r) map.SampleRow(top + r, samples[r]);
    for (int32_t left = 0; left < w; left += kTileColumns) {
      const int32_t columns = std::min(kTileColumns, w - left);
      for (int32_t r = 0; r < rows; ++r)
        WarpRow(strip, samples[r], left, columns,
                target.Row(top + r) + static_cast<size_t>(left) * target.BytesPerPixel(), kernel);
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

}  // namespace

void WarpImage(Bitmap& target, const Bitmap& source, const TmxCurrencyUV& map,
               const JobContext& context) {
  if (target.Width() != source.Width() || target.Height() != source.Height() ||
      target.Format() != source.Format())
    target = Bitmap(source.Width(), source.Height(), source.Format());
  WarpStrip(target, source, 0, map, context);
}

void WarpStrip(Bitmap& target, const Bitmap& source, int32_t sourceLeft, const TmxCurrencyUV& map,
               const JobContext& context, int strip) {
  const int32_t h = target.Height();
  if (map.Width() < target.Width() || map.Height() < h || source.Height() != h || sourceLeft < 0 ||
      sourceLeft + target.Width() > source.Width())
    throw std::invalid_argument("WarpImage: the map, the strip and the image do not match");
  const int32_t step = std::max(1, h / kWarpProgressSteps);
  // The dots of this strip: a quarter of the warp's, the first of them opening its line.
  const int32_t dotsPerStrip = 1 + (h + step - 1) / step;
  int32_t dot = strip * dotsPerStrip;
  const auto showDot = [&] { context.Progress(ProgressStep::Warp, ++dot, 4 * dotsPerStrip); };
  showDot();
  const int32_t blockRows = RowsPerBlock(step, h);
  const int blocks = static_cast<int>((h + blockRows - 1) / blockRows);
  RunOrderedBlocks(
      blocks,
      [&](int block) {
        context.CheckCancelled();
        const int32_t begin = block * blockRows;
        WarpRows(target, source, sourceLeft, map, begin, std::min(h, begin + blockRows));
      },
      [&](int block) {
        // One dot for every row of the block that is a multiple of the interval.
        const int32_t begin = block * blockRows, end = std::min(h, begin + blockRows);
        for (int32_t y = (begin + step - 1) / step * step; y < end; y += step) showDot();
      });
}

void WarpCubeStrips(Bitmap& panorama, const JobContext& context) {
  RequireDivisiblePanorama(panorama, "the cube projection");
  const int32_t w = panorama.Width(), h = panorama.Height();
  const int32_t b = w / 4, f = w / 8;
  // The warped strip is made once: pixels without a source keep what it held before.
  Bitmap warped(b, h);
  TmxCurrencyUV map;
  BuildCubeMap(f, map, context);
  context.Progress(ProgressStep::Warp);
  for (int32_t i = 0; i < 4; ++i) {
    context.CheckCancelled();
    // The strip is read straight from the panorama; it is written back only when done.
    WarpStrip(warped, panorama, b * i, map, context, i);
    CopyRect(panorama, b * i, 0, warped, 0, 0, b, h);
  }
}

void AssembleCapFace(Bitmap& face, const Bitmap& capStrip, int mode, const JobContext& context) {
  const int32_t s = capStrip.Width() / 4, h = capStrip.Height();
  if (face.Width() != s || face.Height() != s || face.Format() != PixelFormat::Bgr24)
    face = Bitmap(s, s);
  if (h > s) throw std::invalid_argument("AssembleCapFace: the cap strip is too high");
  std::vector<size_t> columns[4];
  for (int k = 0; k < 4; ++k)
    for (int32_t px = 0; px < s; ++px)
      columns[k].push_back(static_cast<size_t>(s * k + px) * capStrip.BytesPerPixel());
  DrawCapPieces(
      face, s, h, mode, columns, [&](int, int32_t py) { return capStrip.Row(py); },
      [&, piece = 0]() mutable { context.Progress(ProgressStep::FacePiece, ++piece, 4); },
      [](int32_t, int32_t&, int32_t&) {});
}

}  // namespace talvero
