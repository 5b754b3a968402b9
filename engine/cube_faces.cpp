// Cube faces: the panorama's four quarters are warped in place through one inverse map, so
// that the middle half of the height becomes the four side faces and the top and bottom
// quarters the triangles of the top and bottom faces; the faces are then cut out, the caps
// assembled, and every face resampled and written.
#include <algorithm>
#include <cstddef>
#include <future>
#include <memory>
#include <stdexcept>
#include <vector>

#include "engine/cube_map.h"
#include "engine/cube_warp.h"
#include "engine/sim_filer.h"
#include "imaging/bitmap.h"
#include "imaging/crop_stretch.h"
#include "support/errors.h"
#include "support/ordered_writes.h"
#include "support/parallel.h"
#include "support/text_catalogue.h"

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

// Where face pixel (x, y) of an s × s face ends up after `turns` clockwise quarter turns.
inline void Turn(int32_t s, int turns, int32_t& x, int32_t& y) {
  const int32_t x0 = x, y0 = y;
  switch (turns & 3) {
    case 1: x = s - 1 - y0; y = x0; break;
    case 2: x = s - 1 - x0; y = s - 1 - y0; break;
    case 3: x = y0; y = s - 1 - x0; break;
    default: break;
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
          Turn(s, clockwise, x, y);
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

}  // namespace

void TSimFiler::BuildCubeMap(int32_t f, TmxCurrencyUV& map) {
  Progress(Localized("座標を取得しています。"), spAppend);
  map.Allocate(f);  // every entry is filled below
  Progress("....", spUpdate);
  // The top cap (rows below f), then the upper half of the side face; rows in parallel.
  constexpr int32_t kRows = 16;
  for (const auto& [begin, end] : {std::pair{0, f}, std::pair{f, 2 * f}}) {
    RunOrderedBlocks(
        (end - begin + kRows - 1) / kRows,
        [&, begin = begin, end = end](int block) {
          CheckCancelled();
          const int32_t first = begin + block * kRows;
          FillCubeMapRows(f, map, first, std::min(end, first + kRows));
        },
        [](int) {});
    Progress("....", spUpdate);
  }
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
        CheckCancelled();
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
  RequireDivisiblePanorama(panorama, "the cube projection");
  const int32_t w = panorama.Width(), h = panorama.Height();
  const int32_t b = w / 4, f = w / 8;
  // The warped strip is made once: pixels without a source keep what it held before.
  Bitmap warped(b, h);
  TmxCurrencyUV map;
  BuildCubeMap(f, map);
  Progress(Localized("処理中 "), spAppend);
  for (int32_t i = 0; i < 4; ++i) {
    CheckCancelled();
    // The strip is read straight from the panorama; it is written back only when done.
    WarpStrip(warped, panorama, b * i, map);
    CopyRect(panorama, b * i, 0, warped, 0, 0, b, h);
  }
}

void TSimFiler::AssembleCapFace(Bitmap& face, const Bitmap& capStrip, int mode) {
  const int32_t s = capStrip.Width() / 4, h = capStrip.Height();
  if (face.Width() != s || face.Height() != s || face.Format() != PixelFormat::Bgr24)
    face = Bitmap(s, s);
  if (h > s) throw std::invalid_argument("AssembleCapFace: the cap strip is too high");
  std::vector<size_t> columns[4];
  for (int k = 0; k < 4; ++k)
    for (int32_t px = 0; px < s; ++px)
      columns[k].push_back(static_cast<size_t>(s * k + px) * capStrip.BytesPerPixel());
  DrawCapPieces(face, s, h, mode, columns, [&](int, int32_t py) { return capStrip.Row(py); },
                [this] { Progress(".", spUpdate); }, [](int32_t, int32_t&, int32_t&) {});
}

namespace {

// Face i of a warped panorama at the output size; its progress goes to `lines`. Touches no
// setting, so it may run on any thread.
std::shared_ptr<Bitmap> MakeCubeFace(const Bitmap& panorama, int i, int32_t size,
                                     ProgressLines& lines) {
  const int32_t w = panorama.Width();
  const int32_t b = w / 4, f = w / 8;
  auto output = std::make_shared<Bitmap>();
  if (i < 4) {
    // Side faces are resampled straight out of the panorama; the back face (i = 3) lies
    // across its left and right edges, so its columns wrap round.
    const int32_t left = i < 3 ? f * (2 * i + 1) : 7 * f;
    if (i < 3 && size == b) {
      // At the warp's own size the face is a rectangle of the panorama: encoded in place.
      *output = Bitmap::View(panorama, left, f, b, b);
      return output;
    }
    *output = Bitmap::Uninitialized(size, size);
    StretchCrop(
        *output, panorama, b, b, [&](int64_t cx) { return (left + cx) % w; },
        [&](int64_t cy) { return f + cy; });
    if (i == 3) {
      lines.Add("..", spUpdate);
      lines.Add("..", spUpdate);
    }
    return output;
  }
  // The cap strip starts at panorama column 5f and wraps round, so its quarters are whole
  // faces; the pieces are read from the panorama without copying the strip.
  const int32_t top = i == 4 ? 0 : 3 * f;
  Bitmap face(b, b);
  std::vector<size_t> columns[4];
  for (int k = 0; k < 4; ++k)
    for (int32_t px = 0; px < b; ++px)
      columns[k].push_back(static_cast<size_t>((5 * f + b * k + px) % w) * 3);
  // In a warped panorama a piece holds its triangle, centred on the piece, and white beside
  // it (pixels without a source): the triangle of the top cap widens downwards, that of the
  // bottom cap upwards.
  DrawCapPieces(face, b, f, i - 4, columns, [&](int, int32_t py) { return panorama.Row(top + py); },
                [&] { lines.Add(".", spUpdate); },
                [&](int32_t py, int32_t& first, int32_t& end) {
                  const int32_t half = i == 4 ? py : f - 1 - py;  // quadrant row: the width
                  first = f - 1 - half;
                  end = f + half + 1;
                });
  if (size == b) {
    *output = std::move(face);
  } else {
    *output = Bitmap::Uninitialized(size, size);
    StretchDraw(*output, face);
  }
  return output;
}

}  // namespace

// A face encoded into its temporary file ahead of its turn, on a thread of its own.
struct TSimFiler::EarlyFace {
  ProgressLines Lines;  // written by the thread, read after Writer is ready
  std::shared_future<std::shared_ptr<AtomicFileWriter>> Writer;
};

std::shared_ptr<TSimFiler::EarlyFace> TSimFiler::StartEarlyFace(const Bitmap& panorama, int i) {
  auto face = std::make_shared<EarlyFace>();
  const std::string path = GetSceneFolder() + RequireImageNames(stCube)[static_cast<size_t>(i)];
  const TExtractImageType type = GetExtractImageType();
  const int32_t size = FaceSize();
  face->Writer = std::async(std::launch::async, [this, &panorama, i, size, path, type,
                                                 lines = &face->Lines] {
    CheckCancelled();
    std::shared_ptr<AtomicFileWriter> writer;
    {
      const std::shared_ptr<Bitmap> output = MakeCubeFace(panorama, i, size, *lines);
      writer = std::make_shared<AtomicFileWriter>(path);
      EncodeImageAs(*writer, *output, type);
    }  // the face is free again before the writer waits for its turn
    return writer;
  });
  return face;
}

void TSimFiler::WriteCubeFaces(const Bitmap& panorama) { WriteCubeFacesWith(panorama, {}); }

void TSimFiler::WriteCubeFacesWith(const Bitmap& panorama,
                                   const std::vector<std::shared_ptr<EarlyFace>>& early) {
  const int32_t size = FaceSize();
  const std::string folder = GetSceneFolder();
  const TExtractImageType type = GetExtractImageType();
  const StringList names = RequireImageNames(stCube);

  Progress(Localized("画像ファイルを書き出しています。"), spAppend);
  WriteFilesInOrder(
      6,
      [&](int i) {
        // The face's progress is shown when the face may be written, after the one before.
        auto lines = std::make_shared<ProgressLines>();
        lines->Add(names[static_cast<size_t>(i)], spAppend);
        OrderedFile file(folder + names[static_cast<size_t>(i)], {}, {});
        if (static_cast<size_t>(i) < early.size() && early[static_cast<size_t>(i)]) {
          const std::shared_ptr<EarlyFace> face = early[static_cast<size_t>(i)];
          file.Announce = [this, lines, face, made = face->Writer] {
            lines->ShowOn(*this);
            made.wait();  // its dots are known once it is made
            face->Lines.ShowOn(*this);
          };
          file.Take = [made = face->Writer] { return made.get(); };
          return file;
        }
        const std::shared_ptr<Bitmap> output = MakeCubeFace(panorama, i, size, *lines);
        file.Announce = [this, lines] { lines->ShowOn(*this); };
        file.Encode = [output, type](AtomicFileWriter& writer) { EncodeImageAs(writer, *output, type); };
        return file;
      },
      &Cancellation());
}

}  // namespace talvero
