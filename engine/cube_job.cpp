// The cube job of the default geometry, made for memory and both cores: the map (built ahead
// while the panorama decodes when a core is free), the warp, then the faces (cube_faces.cpp).
// The four strips are
// warped in place, all four together row by row, through a few dozen row slots instead of a
// whole warped strip: a warped row goes back into the panorama as soon as no row still to be
// warped reads the source row it replaces. The map is read once per row for all four strips.
// The bytes are those of the strip-by-strip warp: every strip has the same map, each target
// row is computed from source rows that are still unwarped, and pixels without a source end
// up white, as they do in the warped strip that is created white and reused.
#include <algorithm>
#include <array>
#include <atomic>
#include <cstring>
#include <exception>
#include <functional>
#include <memory>
#include <stdexcept>
#include <thread>
#include <vector>

#include "engine/cube_faces.h"
#include "engine/cube_map.h"
#include "engine/cube_warp.h"
#include "engine/image_stage.h"
#include "imaging/bitmap.h"
#include "support/parallel.h"
#include "support/scratch_pool.h"

namespace talvero {

namespace {

constexpr int32_t kProgressSteps = 40;  // rows per dot: height div 40
constexpr int32_t kBlockRows = 16;      // rows warped together (the map rows stay in cache)
constexpr int32_t kTileColumns = 128;   // columns of one tile of a block

// The order of the rows and when each source row is read for the last time. The upper half
// is warped top down and the lower half bottom up: a row then reads mostly rows not yet
// warped, so few warped rows wait for their slot to be written back.
struct InPlacePlan {
  std::vector<int32_t> Order;       // target rows in the order they are warped
  std::vector<int32_t> LastReader;  // per source row: the last position reading it, or -1
};

InPlacePlan PlanInPlace(const TmxCurrencyUV& map) {
  const int32_t h = map.Height(), half = h / 2;
  InPlacePlan plan;
  plan.Order.reserve(static_cast<size_t>(h));
  for (int32_t y = 0; y < half; ++y) plan.Order.push_back(y);
  for (int32_t y = h - 1; y >= half; --y) plan.Order.push_back(y);
  plan.LastReader.assign(static_cast<size_t>(h), -1);
  for (int32_t p = 0; p < h; ++p) {
    int32_t first = 0, last = 0;
    if (!map.SourceRows(plan.Order[static_cast<size_t>(p)], first, last)) continue;
    for (int32_t r = first; r <= last; ++r)
      plan.LastReader[static_cast<size_t>(r)] = std::max(plan.LastReader[static_cast<size_t>(r)], p);
  }
  return plan;
}

// The most slots the waves of `waveRows` rows hold at once: the rows waiting from earlier
// waves (those written back during a wave free theirs only after it) and the wave's own.
int32_t SlotsNeeded(const InPlacePlan& plan, int32_t waveRows) {
  const auto h = static_cast<int32_t>(plan.Order.size());
  std::vector<int32_t> waiting;
  size_t most = 0;
  for (int32_t p = 0; p < h; p += waveRows) {
    const int32_t waveEnd = std::min(h, p + waveRows);
    most = std::max(most, waiting.size() + static_cast<size_t>(waveEnd - p));
    std::erase_if(waiting, [&](int32_t r) { return plan.LastReader[static_cast<size_t>(r)] < p; });
    waiting.insert(waiting.end(), plan.Order.begin() + p, plan.Order.begin() + waveEnd);
  }
  return static_cast<int32_t>(most);
}

using BlockSamples = std::array<CubeMapRow, kBlockRows>;

// Rows [count) of one block, warped into their slots: all four strips, tile by tile.
// `samples` is the block's scratch, kept from block to block.
void WarpBlock(const Bitmap& panorama, const TmxCurrencyUV& map, const int32_t* rows,
               uint8_t* const* slots, int32_t count, WarpKernel kernel, BlockSamples& samples) {
  const int32_t w = panorama.Width(), h = panorama.Height(), b = w / 4;
  const size_t rowBytes = panorama.RowBytes();
  for (int32_t r = 0; r < count; ++r) {
    map.SampleRow(rows[r], samples[r]);
    // Pixels without a source are white in every strip (runs of them, beside the caps).
    const int32_t* u = samples[r].U.data();
    for (int32_t x = 0; x < b;) {
      if (u[x] >= 0) {
        ++x;
        continue;
      }
      int32_t end = x;
      while (end < b && u[end] < 0) ++end;
      for (int32_t i = 0; i < 4; ++i)
        std::memset(slots[r] + static_cast<size_t>(b * i + x) * 3, 0xFF,
                    static_cast<size_t>(end - x) * 3);
      x = end;
    }
  }
  for (int32_t i = 0; i < 4; ++i) {
    const WarpSource strip{panorama.Row(0) + static_cast<size_t>(b * i) * 3, rowBytes, b, h, 3};
    for (int32_t left = 0; left < b; left += kTileColumns) {
      const int32_t columns = std::min(kTileColumns, b - left);
      for (int32_t r = 0; r < count; ++r)
        WarpRow(strip, samples[r], left, columns, slots[r] + static_cast<size_t>(b * i + left) * 3,
                kernel);
    }
  }
}

}  // namespace

void WarpCubeStripsInPlace(Bitmap& panorama, const TmxCurrencyUV& map, const JobContext& context,
                           const std::function<void(int32_t)>& rowFinal) {
  RequireDivisiblePanorama(panorama, "the cube projection");
  const int32_t w = panorama.Width(), h = panorama.Height();
  if (map.Width() != w / 4 || map.Height() != h)
    throw std::invalid_argument("WarpCubeStripsInPlace: the map and the panorama do not match");
  const InPlacePlan plan = PlanInPlace(map);
  const WarpKernel kernel = ActiveWarpKernel();

  // The progress of four strips warped one after the other, shown as the rows get done.
  const int32_t step = std::max(1, h / kProgressSteps);
  const int32_t dotsPerStrip = 1 + (h + step - 1) / step;
  const int64_t events = int64_t{4} * dotsPerStrip;
  int64_t shown = 0;
  auto showUpTo = [&](int64_t upTo) {
    for (; shown < upTo; ++shown)
      context.Progress(ProgressStep::Warp, static_cast<int32_t>(shown + 1),
                       static_cast<int32_t>(events));
  };

  // Rows warped and waiting to go back into the panorama, each in a slot.
  const int32_t waveRows = kBlockRows * 4 * std::max(1, MaxWorkerThreads());
  std::vector<int32_t> slotOf(static_cast<size_t>(h), -1);
  std::vector<int32_t> freeSlots;
  std::vector<int32_t> waiting;  // rows in slots, not yet written back
  const int32_t slotCount = SlotsNeeded(plan, waveRows);
  // Made once and needed by nothing after the warp, so it goes back then, not into the
  // job's block cache; every slot row is written before it is read.
  const size_t rowBytes = panorama.RowBytes();
  const std::unique_ptr<uint8_t[]> slotPixels(new uint8_t[rowBytes * static_cast<size_t>(slotCount)]);
  auto slotRow = [&](int32_t slot) { return slotPixels.get() + rowBytes * static_cast<size_t>(slot); };
  for (int32_t s = slotCount - 1; s >= 0; --s) freeSlots.push_back(s);
  auto takeSlot = [&]() {
    const int32_t s = freeSlots.back();
    freeSlots.pop_back();
    return s;
  };

  ScratchPool<BlockSamples> scratch;
  int64_t rowsDone = 0;
  for (int32_t p = 0; p < h; p += waveRows) {
    context.CheckCancelled();
    const int32_t waveEnd = std::min(h, p + waveRows);
    // Rows no position from p on reads go back during this wave.
    std::vector<int32_t> back;
    std::erase_if(waiting, [&](int32_t r) {
      if (plan.LastReader[static_cast<size_t>(r)] >= p) return false;
      back.push_back(r);
      return true;
    });
    const int32_t* waveOrder = plan.Order.data() + p;
    for (int32_t q = p; q < waveEnd; ++q) {
      const int32_t y = plan.Order[static_cast<size_t>(q)];
      slotOf[static_cast<size_t>(y)] = takeSlot();
      waiting.push_back(y);
    }
    const int backBlocks = static_cast<int>((back.size() + kBlockRows - 1) / kBlockRows);
    const int warpBlocks = (waveEnd - p + kBlockRows - 1) / kBlockRows;
    RunOrderedBlocks(
        backBlocks + warpBlocks,
        [&](int block) {
          context.CheckCancelled();
          if (block < backBlocks) {
            const size_t first = static_cast<size_t>(block) * kBlockRows;
            for (size_t k = first; k < std::min(back.size(), first + kBlockRows); ++k)
              std::memcpy(panorama.Row(back[k]), slotRow(slotOf[static_cast<size_t>(back[k])]),
                          rowBytes);
            return;
          }
          const int32_t first = (block - backBlocks) * kBlockRows;
          const int32_t count = std::min(kBlockRows, waveEnd - p - first);
          uint8_t* rowSlots[kBlockRows];
          for (int32_t r = 0; r < count; ++r)
            rowSlots[r] = slotRow(slotOf[static_cast<size_t>(waveOrder[first + r])]);
          WarpBlock(panorama, map, waveOrder + first, rowSlots, count, kernel, *scratch.Take());
        },
        [&](int block) {
          if (block < backBlocks) return;
          const int32_t first = (block - backBlocks) * kBlockRows;
          rowsDone += std::min(kBlockRows, waveEnd - p - first);
          showUpTo(events * rowsDone / h);
        });
    for (const int32_t r : back) {
      freeSlots.push_back(slotOf[static_cast<size_t>(r)]);
      if (rowFinal) rowFinal(r);
    }
  }
  // The rows still waiting are read by nobody now.
  for (const int32_t r : waiting) {
    std::memcpy(panorama.Row(r), slotRow(slotOf[static_cast<size_t>(r)]), rowBytes);
    if (rowFinal) rowFinal(r);
  }
  showUpTo(events);
}

// ---- The map.

void BuildCubeMap(int32_t f, TmxCurrencyUV& map, const JobContext& context) {
  context.Progress(ProgressStep::CubeMap, 0, 4);
  map.Allocate(f);  // every entry is filled below
  int32_t quarters = 0;
  context.Progress(ProgressStep::CubeMap, ++quarters, 4);
  // The top cap (rows below f), then the upper half of the side face; rows in parallel.
  constexpr int32_t kRows = 16;
  for (const auto& [begin, end] : {std::pair{0, f}, std::pair{f, 2 * f}}) {
    RunOrderedBlocks((end - begin + kRows - 1) / kRows,
                     [&, begin = begin, end = end](int block) {
                       context.CheckCancelled();
                       const int32_t first = begin + block * kRows;
                       FillCubeMapRows(f, map, first, std::min(end, first + kRows));
                     },
                     [](int) {});
    context.Progress(ProgressStep::CubeMap, ++quarters, 4);
  }
  // The mirrored halves are derived on access; the step still has its last quarter.
  context.Progress(ProgressStep::CubeMap, ++quarters, 4);
}

struct CubeMapAhead::Build {
  int32_t F = 0;
  TmxCurrencyUV Map;
  std::atomic<bool> Stop{false};
  std::exception_ptr Failure;
  std::thread Worker;

  ~Build() {
    Stop = true;
    if (Worker.joinable()) Worker.join();
  }
};

CubeMapAhead::CubeMapAhead() = default;
CubeMapAhead::~CubeMapAhead() = default;

void CubeMapAhead::Start(int32_t width, int32_t height) {
  if (FBuild) return;  // a decoder may size more than one picture
  const int32_t f = NormalizedWidth(width, height) / 8;
  if (f <= 0) return;
  auto build = std::make_unique<Build>();
  build->F = f;
  Build* b = build.get();
  b->Worker = std::thread([b] {
    try {
      b->Map.Allocate(b->F);
      constexpr int32_t kRows = 64;
      for (int32_t y = 0; y < 2 * b->F && !b->Stop; y += kRows)
        FillCubeMapRows(b->F, b->Map, y, std::min(2 * b->F, y + kRows));
    } catch (...) {
      b->Failure = std::current_exception();
    }
  });
  FBuild = std::move(build);
}

bool CubeMapAhead::Has(int32_t f) const { return FBuild && FBuild->F == f; }

TmxCurrencyUV CubeMapAhead::Take() {
  const std::unique_ptr<Build> build = std::move(FBuild);
  if (build->Worker.joinable()) build->Worker.join();
  if (build->Failure) std::rethrow_exception(build->Failure);
  return std::move(build->Map);
}

void CubeMapAhead::Drop() { FBuild.reset(); }

// ---- The job.

void WriteCubeJob(Bitmap& panorama, const JobSettings& settings, const JobContext& context,
                  CubeMapAhead* ahead) {
  RequireDivisiblePanorama(panorama, "the cube projection");
  const int32_t f = panorama.Width() / 8, h = panorama.Height();
  TmxCurrencyUV map;
  if (ahead && ahead->Has(f)) {
    // What BuildCubeMap reports, now that the map is there.
    context.Progress(ProgressStep::CubeMap, 0, 4);
    map = ahead->Take();
    for (int32_t quarter = 1; quarter <= 4; ++quarter)
      context.Progress(ProgressStep::CubeMap, quarter, 4);
    context.CheckCancelled();
  } else {
    if (ahead) ahead->Drop();  // a map of another size: its thread stops
    BuildCubeMap(f, map, context);
  }
  context.Progress(ProgressStep::Warp);
  // With a core to spare, the top and bottom faces are made and encoded (into their temporary
  // files) as soon as their rows are final, while the warp goes on. Only for faces of the
  // warp's own size: a face resampled to another size needs a second image (up to four times
  // as large), which would stand beside the side faces of the end and raise the peak.
  std::vector<std::shared_ptr<EarlyFace>> early(6);
  std::function<void(int32_t)> rowFinal;
  int32_t topRows = 0, bottomRows = 0;
  if (MaxWorkerThreads() > 1 && settings.FaceSize == panorama.Width() / 4)
    rowFinal = [&](int32_t y) {
      if (y < f && ++topRows == f) early[4] = StartEarlyFace(panorama, 4, settings, context);
      if (y >= h - f && ++bottomRows == f)
        early[5] = StartEarlyFace(panorama, 5, settings, context);
    };
  WarpCubeStripsInPlace(panorama, map, context, rowFinal);
  map = TmxCurrencyUV();
  WriteCubeFaces(panorama, settings, context, early);
}

}  // namespace talvero
