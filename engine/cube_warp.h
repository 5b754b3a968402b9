// The inner loop of the cube warp: one row of target pixels, each the bilinear blend of the
// four source pixels its map entry points at. A plain C++ version defines the bytes; on
// x86-64 an SSE2 and an AVX2 version (chosen at run time; SSE2 only in the Windows build) write
// exactly the same bytes.
#pragma once

#include <cstddef>
#include <cstdint>

#include "engine/cube_map.h"

namespace talvero {

enum class WarpKernel { Automatic, Plain, Sse2, Avx2 };

// Whether this processor (and build) can run the kernel; Automatic and Plain always can.
bool WarpKernelAvailable(WarpKernel kernel);
// The kernel the warp uses: the one set, or with Automatic the fastest available.
WarpKernel ActiveWarpKernel();
// Process-wide, for tests and benchmarks; an unavailable kernel falls back to Automatic.
void SetWarpKernel(WarpKernel kernel);

// The source strip: `width` × `height` pixels of `bytesPerPixel` bytes (3 or 4; colour bytes
// first), row y at pixels + y * rowBytes.
struct WarpSource {
  const uint8_t* Pixels;
  size_t RowBytes;
  int32_t Width;
  int32_t Height;
  int BytesPerPixel;
};

// Target pixels of map entries begin ... begin+count-1 of one row, the first at `target`.
// Entries with U = -1 leave their pixel as it is. Columns and rows beyond the strip's last
// are clamped to it.
void WarpRow(const WarpSource& source, const CubeMapRow& row, int32_t begin, int32_t count,
             uint8_t* target, WarpKernel kernel = ActiveWarpKernel());

}  // namespace talvero
