// The warp kernels: every kernel this processor runs gives the plain kernel's bytes, for
// map entries of every kind (no source, clamped edges, whole and half weights, ties, weights
// above one that no map holds).
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "engine/cube_warp.h"

namespace talvero {
namespace {

const WarpKernel kVectorKernels[] = {WarpKernel::Sse2, WarpKernel::Avx2};

const char* Name(WarpKernel kernel) { return kernel == WarpKernel::Sse2 ? "SSE2" : "AVX2"; }

TEST(WarpKernels, EveryKernelGivesThePlainBytes) {
  std::mt19937 random(15);
  constexpr int32_t kWidth = 61, kHeight = 37;
  std::vector<uint8_t> pixels(static_cast<size_t>(kWidth) * kHeight * 3);
  for (uint8_t& p : pixels) p = static_cast<uint8_t>(random());
  // Flat patches, where all four samples agree and the blend is a whole number.
  for (int32_t y = 10; y < 20; ++y)
    for (int32_t x = 0; x < 20 * 3; ++x) pixels[static_cast<size_t>(y * kWidth * 3 + x)] = 200;
  const WarpSource source{pixels.data(), static_cast<size_t>(kWidth) * 3, kWidth, kHeight, 3};

  // Weights that make exact ties (halves with odd sums) and near ties, then any weight.
  const uint16_t special[] = {0, 1, 2500, 4999, 5000, 5001, 7500, 9999, 10000};
  auto fraction = [&]() -> uint16_t {
    const unsigned pick = random() % 4;
    if (pick == 0) return special[random() % std::size(special)];
    if (pick == 1 && random() % 50 == 0) return static_cast<uint16_t>(10001 + random() % 50000);
    return static_cast<uint16_t>(random() % 10001);
  };
  constexpr int32_t kCount = 4001;
  CubeMapRow row;
  row.Resize(kCount);
  for (int32_t i = 0; i < kCount; ++i) {
    // Long runs that the vector code takes whole, and runs with odd entries in them.
    const bool mixed = (i / 64) % 2 == 1;
    const unsigned kind = mixed ? random() % 10 : 9;
    row.U[i] = kind == 0 ? -1 : kind == 1 ? kWidth - 1 : kind == 2 ? kWidth - 2 : static_cast<int32_t>(random() % (kWidth - 1));
    row.V[i] = kind == 3 ? kHeight - 1 : static_cast<int32_t>(random() % kHeight);
    row.UFrac[i] = mixed ? fraction() : static_cast<uint16_t>(random() % 10001);
    row.VFrac[i] = mixed ? fraction() : special[random() % std::size(special)];
  }
  // Runs of entries without a source between mapped ones, as beside the cap triangles.
  for (int32_t i = 1000; i < 1100; ++i) row.U[i] = -1;

  std::vector<uint8_t> expected(kCount * 3 + 3, 77);
  WarpRow(source, row, 0, kCount, expected.data(), WarpKernel::Plain);
  for (const WarpKernel kernel : kVectorKernels) {
    if (!WarpKernelAvailable(kernel)) {
      std::printf("%s is not available on this processor\n", Name(kernel));
      continue;
    }
    // Every start and length, so that pairs of pixels meet every parity and the last pixel.
    for (int32_t start = 0; start < 8; ++start) {
      std::vector<uint8_t> got(expected.size(), 77);
      std::copy(expected.begin(), expected.begin() + start * 3, got.begin());
      WarpRow(source, row, start, kCount - start, got.data() + start * 3, kernel);
      for (int32_t i = 0; i < kCount; ++i)
        ASSERT_TRUE(std::equal(got.begin() + i * 3, got.begin() + i * 3 + 3, expected.begin() + i * 3))
            << Name(kernel) << ", start " << start << ", pixel " << i << ": U " << row.U[i]
            << " V " << row.V[i] << " a " << row.UFrac[i] << " b " << row.VFrac[i];
      EXPECT_EQ(got.back(), 77) << "nothing is written beyond the row";
    }
  }
}

TEST(WarpKernels, ChoosingAKernel) {
  EXPECT_TRUE(WarpKernelAvailable(WarpKernel::Plain));
  SetWarpKernel(WarpKernel::Plain);
  EXPECT_EQ(ActiveWarpKernel(), WarpKernel::Plain);
  SetWarpKernel(WarpKernel::Automatic);
  const WarpKernel chosen = ActiveWarpKernel();
  EXPECT_NE(chosen, WarpKernel::Automatic);
  EXPECT_TRUE(WarpKernelAvailable(chosen));
#if defined(__x86_64__)
  EXPECT_NE(chosen, WarpKernel::Plain) << "x86-64 always has SSE2";
#endif
}

}  // namespace
}  // namespace talvero
