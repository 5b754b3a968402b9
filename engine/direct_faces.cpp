// The levelled and high-quality image work. The classic cube path warps the panorama through
// one map shared by all four quarters, which holds only while the view is not turned; here
// each face is rendered from its own view directions instead, turned by the levelling
// rotation before they become panorama positions, so the panorama is sampled once.
#include <algorithm>
#include <cmath>
#include <memory>
#include <optional>

#include "engine/cube_warp.h"
#include "engine/direct_map.h"
#include "engine/image_stage.h"
#include "engine/sim_filer.h"
#include "imaging/bitmap.h"
#include "imaging/footprint_sampler.h"
#include "support/errors.h"
#include "support/ordered_writes.h"
#include "support/parallel.h"
#include "support/scratch_pool.h"

namespace talvero {

namespace {

constexpr double kHalfPi = 1.5707963267948966;

Rotation JobRotation(const JobSettings& settings) {
  return LevellingRotation(static_cast<double>(settings.Options.LevelPitch.ToLongDouble()),
                           static_cast<double>(settings.Options.LevelRoll.ToLongDouble()));
}

// Horizontal unit vector at a longitude.
void Horizontal(double longitude, double d[3]) {
  d[0] = std::cos(longitude);
  d[1] = std::sin(longitude);
  d[2] = 0;
}

// The view directions of face `index` (the order of the image names: left, front, right,
// back, top, bottom): centre + p * alongP + q * alongQ at the face point (p, q), both -1 ... 1
// from the left and top edges. The faces as the cube job cuts them: side faces upright in the
// panorama's left-to-right order, the top face seen looking up with the front on its bottom
// edge, the bottom face seen looking down with the front on its top edge, the left on the
// left edge of both. The levelling rotation is applied to the axes once per face.
struct FaceAxes {
  double Centre[3], AlongP[3], AlongQ[3];
};

FaceAxes FaceAxesOf(int index, const Rotation& rotation) {
  FaceAxes axes;
  double centre[3], alongP[3], alongQ[3];
  if (index < 4) {
    // Face centres at a quarter, a half, three quarters and the edge of the panorama.
    const double longitude = (index + 1) * kHalfPi;
    Horizontal(longitude, centre);
    Horizontal(longitude + kHalfPi, alongP);
    alongQ[0] = alongQ[1] = 0;
    alongQ[2] = -1;
  } else {
    double front[3], left[3];
    Horizontal(2 * kHalfPi, front);
    Horizontal(kHalfPi, left);
    const double up = index == 4 ? 1 : -1;
    for (int i = 0; i < 3; ++i) {
      centre[i] = i == 2 ? up : 0;
      alongP[i] = -left[i];
      alongQ[i] = up * front[i];
    }
  }
  rotation.Apply(centre, axes.Centre);
  rotation.Apply(alongP, axes.AlongP);
  rotation.Apply(alongQ, axes.AlongQ);
  return axes;
}

// A block's positions and kernel entries. Kept from block to block and face to face: fresh
// arrays for every block would cost more in page clearing than the map itself.
struct RenderScratch {
  SourceRows Rows;
  CubeMapRow Row;
};

// Renders `target` row block by row block: footprints from `position`, then each pixel sampled
// with the exact bilinear kernel or (high) filtered over its footprint.
void RenderFromPanorama(Bitmap& target, const Bitmap& panorama, const PositionOf& position,
                        const FootprintSource* high, const JobContext& context,
                        ScratchPool<RenderScratch>& scratch) {
  const int32_t w = target.Width(), h = target.Height();
  const int32_t pw = panorama.Width(), ph = panorama.Height();
  constexpr int32_t kBlockRows = 32;
  const WarpSource source{panorama.Row(0), panorama.RowBytes(), pw, ph, 3};
  RunOrderedBlocks(
      (h + kBlockRows - 1) / kBlockRows,
      [&](int block) {
        context.CheckCancelled();
        const int32_t begin = block * kBlockRows, end = std::min(h, begin + kBlockRows);
        const auto lease = scratch.Take();
        SourceRows& rows = lease->Rows;
        CubeMapRow& row = lease->Row;
        MapSourceRows(position, pw, w, begin, end, high != nullptr, rows);
        row.Resize(static_cast<size_t>(w));
        const double lastRow = ph - 1, lastColumn = pw - 1;
        for (int32_t y = begin; y < end; ++y) {
          const size_t first = static_cast<size_t>(y - begin) * w;
          uint8_t* out = target.Row(y);
          // The exact kernel's fixed-point entries, the row clamped. The kernel knows no
          // wrapping: a position between the last column and the first (half a pixel on each
          // side of the seam) is blended here across it. In high quality, the pixels whose
          // footprint takes one tap are such plain bilinear samples too (the vector kernels
          // make them); the others are filtered here.
          const double* us = rows.U.data() + first;
          const double* vs = rows.V.data() + first;
          const auto entry = [&](int32_t x) {
            const double v = std::min(std::max(vs[x], 0.0), lastRow);
            if (!(us[x] >= 0 && us[x] <= lastColumn)) {
              SampleBilinear(panorama, us[x], v, out + 3 * x);
              row.U[x] = -1;  // written already
              return;
            }
            const double u = us[x];
            const auto whole = static_cast<int32_t>(u), wholeRow = static_cast<int32_t>(v);
            row.U[x] = whole;
            row.V[x] = wholeRow;
            row.UFrac[x] = static_cast<uint16_t>((u - whole) * Currency::kScale + 0.5);
            row.VFrac[x] = static_cast<uint16_t>((v - wholeRow) * Currency::kScale + 0.5);
          };
          if (!high) {
            for (int32_t x = 0; x < w; ++x) entry(x);
          } else {
            const uint8_t* point = rows.Point.data() + first;
            for (int32_t x = 0; x < w; ++x) {
              if (point[x]) {
                entry(x);
              } else {
                high->Sample(rows.At(first + x), out + 3 * x);
                row.U[x] = -1;  // written already
              }
            }
          }
          WarpRow(source, row, 0, w, out);
        }
      },
      [](int) {});
}

}  // namespace

bool TSimFiler::LevelInRange(Currency pitch, Currency roll) {
  const auto degrees = [](int64_t d) { return Currency::FromRaw(d * Currency::kScale); };
  return pitch >= degrees(-90) && pitch <= degrees(90) && roll >= degrees(-180) &&
         roll <= degrees(180);
}

void WriteCubeFacesDirect(const Bitmap& panorama, const JobSettings& settings,
                          const JobContext& context) {
  RequireDivisiblePanorama(panorama, "the cube projection");
  const int32_t w = panorama.Width(), b = w / 4;
  const int32_t size = settings.FaceSize;
  const bool high = settings.Options.ImageQuality == iqHigh;
  // The exact kernel renders at the warp's resolution and is stretched as the classic job does; the
  // high quality renders at the output size.
  const int32_t render = high ? size : b;
  const Rotation rotation = JobRotation(settings);
  const std::string& folder = settings.SceneFolder;
  const TExtractImageType type = settings.ExtractImageType;
  const StringList& names = settings.RequireImageNames(stCube);
  std::optional<FootprintSource> filtered;
  if (high) filtered.emplace(panorama);
  ScratchPool<RenderScratch> scratch;

  context.Progress(ProgressStep::WriteImages, 0, 6);
  WriteFilesInOrder(
      6,
      [&](int i) {
        auto face = std::make_shared<Bitmap>(Bitmap::Uninitialized(render, render));
        const double scale = 2.0 / render;
        const FaceAxes axes = FaceAxesOf(i, rotation);
        RenderFromPanorama(
            *face, panorama,
            [&](double x, double y, double& u, double& v) {
              const double p = x * scale - 1, q = y * scale - 1;
              double d[3];
              for (int k = 0; k < 3; ++k)
                d[k] = axes.Centre[k] + p * axes.AlongP[k] + q * axes.AlongQ[k];
              DirectionToPanorama(d, w, u, v);
            },
            filtered ? &*filtered : nullptr, context, scratch);
        if (render != size) {
          auto stretched = std::make_shared<Bitmap>(Bitmap::Uninitialized(size, size));
          StretchDraw(*stretched, *face);
          face = stretched;
        }
        const std::string& name = names[static_cast<size_t>(i)];
        OrderedFile file{
            folder + name,
            [&context, name, i] { context.Progress(ProgressStep::Image, i + 1, 6, name); },
            [face, type](AtomicFileWriter& writer) { EncodeImageAs(writer, *face, type); }};
        file.Written = [&context, path = file.Path] {
          context.Progress(ProgressStep::FileWritten, 0, 0, path);
        };
        return file;
      },
      &context.Cancellation());
}

void LevelPanorama(Bitmap& panorama, const JobSettings& settings, const JobContext& context) {
  RequireDivisiblePanorama(panorama, "levelling");
  context.Progress(ProgressStep::Level);
  const int32_t w = panorama.Width();
  const Rotation rotation = JobRotation(settings);
  Bitmap levelled = Bitmap::Uninitialized(w, panorama.Height());
  std::optional<FootprintSource> filtered;
  if (settings.Options.ImageQuality == iqHigh) filtered.emplace(panorama);
  ScratchPool<RenderScratch> scratch;
  RenderFromPanorama(
      levelled, panorama,
      [&](double x, double y, double& u, double& v) {
        double d[3], turned[3];
        PanoramaToDirection(x, y, w, d);
        rotation.Apply(d, turned);
        DirectionToPanorama(turned, w, u, v);
      },
      filtered ? &*filtered : nullptr, context, scratch);
  panorama = std::move(levelled);
}

}  // namespace talvero
