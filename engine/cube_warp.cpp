#include "engine/cube_warp.h"

#include <algorithm>
#include <atomic>
#include <climits>
#include <cstring>

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define TALVERO_WARP_X86 1
#include <immintrin.h>
// Windows promises a stack aligned to 16 bytes only, and GCC does not realign it for the
// 32-byte registers it spills (GCC bug 54412), so the AVX2 kernel is left out there.
#ifndef _WIN32
#define TALVERO_WARP_AVX2 1
#endif
#endif

namespace talvero {

namespace {

constexpr int32_t kUnit = Currency::kScale;             // fractions in 1/10000
constexpr int64_t kUnitSquared = int64_t{kUnit} * kUnit;  // both weights applied

// n / 10^8 rounded to the nearest integer, halves to even (n >= 0). Branch-free: ties are
// rare, so branches would mostly mispredict.
inline int64_t DivideRoundHalfEven(int64_t n) {
  const int64_t q = n / kUnitSquared;
  const int64_t twice = 2 * (n - q * kUnitSquared);
  return q + static_cast<int64_t>((twice > kUnitSquared) | ((twice == kUnitSquared) & (q & 1)));
}

// The defining computation of one target pixel (three colour bytes); the other kernels
// must give exactly these bytes.
inline void BlendPixel(const WarpSource& source, int32_t u, int32_t v, int32_t a, int32_t b,
                       uint8_t* out) {
  const int bpp = source.BytesPerPixel;
  const int32_t x0 = u, x1 = std::min(u + 1, source.Width - 1);
  const int32_t y0 = v, y1 = std::min(v + 1, source.Height - 1);
  const uint8_t* row0 = source.Pixels + source.RowBytes * static_cast<size_t>(y0);
  const uint8_t* row1 = source.Pixels + source.RowBytes * static_cast<size_t>(y1);
  const uint8_t* p00 = row0 + static_cast<size_t>(x0) * bpp;
  const uint8_t* p10 = row0 + static_cast<size_t>(x1) * bpp;
  const uint8_t* p01 = row1 + static_cast<size_t>(x0) * bpp;
  const uint8_t* p11 = row1 + static_cast<size_t>(x1) * bpp;
  for (int c = 0; c < 3; ++c) {
    // A row's pair of weighted samples stays below 2^22; only the last step needs 64 bits.
    const int32_t top = (kUnit - a) * p00[c] + a * p10[c];
    const int32_t bottom = (kUnit - a) * p01[c] + a * p11[c];
    // The weights add up to 10^8, so the value never exceeds 255.
    out[c] = static_cast<uint8_t>(
        DivideRoundHalfEven(int64_t{kUnit - b} * top + int64_t{b} * bottom));
  }
}

// Entries [begin, end) of the row, one pixel at a time.
inline void WarpRowPlain(const WarpSource& source, const CubeMapRow& row, int32_t begin,
                         int32_t end, uint8_t* target) {
  const int bpp = source.BytesPerPixel;
  for (int32_t x = begin; x < end; ++x, target += bpp)
    if (row.U[x] >= 0) BlendPixel(source, row.U[x], row.V[x], row.UFrac[x], row.VFrac[x], target);
}

#ifdef TALVERO_WARP_X86

// The vector kernels work on groups of pixels, one colour channel per register, and compute
// each colour byte in single precision, keeping the result only where it is certain. The
// top and bottom blends are exact integers below 2^22 (16-bit multiply-adds), so exact as
// floats; the two products, their sum, the constant 10^-8 and the scaling by it carry five
// relative errors of at most 2^-24 each (2^-23 in any other rounding mode), so the computed
// value of at most 255 is off by less than 1.6e-4. Where it lies within 2^-11 of a half, the
// pixel is computed again by BlendPixel; elsewhere its nearest integer is the exact result.
// A group goes through BlendPixel whole when one of its entries has no source, a source
// column without a right neighbour in the strip, or a weight above one.
constexpr float kAmbiguous = 0.5f - 1.0f / 2048;

// Per 32-bit lane, from the four bytes at a pixel (B0 G0 R0 B1) and the four bytes two
// further on (R0 B1 G1 R1): each channel's pair of horizontal neighbours as 16-bit halves.
//   blue (B0, B1) and red (R0, R1): bytes 0 and 3 of the first and of the second word;
//   green (G0, G1): byte 1 of the first word and byte 2 of the second.
// SSE2 has no byte shuffle; shifts and masks do the same.
__attribute__((always_inline)) inline void ChannelPairs(__m128i first, __m128i second,
                                                        __m128i& blue, __m128i& green,
                                                        __m128i& red) {
  const __m128i low = _mm_set1_epi32(0xFF), high = _mm_set1_epi32(0xFF0000);
  blue = _mm_or_si128(_mm_and_si128(first, low), _mm_and_si128(_mm_srli_epi32(first, 8), high));
  green = _mm_or_si128(_mm_and_si128(_mm_srli_epi32(first, 8), low), _mm_and_si128(second, high));
  red = _mm_or_si128(_mm_and_si128(second, low), _mm_and_si128(_mm_srli_epi32(second, 8), high));
}

inline uint32_t Load32(const uint8_t* p) {
  uint32_t word;
  std::memcpy(&word, p, 4);
  return word;
}

// Four pixels at a time.
void WarpRowSse2(const WarpSource& source, const CubeMapRow& row, int32_t begin, int32_t end,
                 uint8_t* target) {
  const int32_t last = source.Width - 1;
  const __m128 scale = _mm_set1_ps(1e-8f), half = _mm_set1_ps(0.5f);
  const __m128 ambiguous = _mm_set1_ps(kAmbiguous);
  const __m128 magnitude = _mm_castsi128_ps(_mm_set1_epi32(0x7fffffff));
  const __m128i unit = _mm_set1_epi32(kUnit);
  int32_t x = begin;
  for (; x + 4 <= end; x += 4, target += 12) {
    const int32_t* u = row.U.data() + x;
    const int32_t* v = row.V.data() + x;
    const uint16_t* a = row.UFrac.data() + x;
    const uint16_t* b = row.VFrac.data() + x;
    if ((u[0] & u[1] & u[2] & u[3]) < 0) continue;  // all without a source
    bool vector = true;
    for (int i = 0; i < 4; ++i)
      vector &= u[i] >= 0 && u[i] < last && a[i] <= kUnit && b[i] <= kUnit;
    if (!vector) {
      WarpRowPlain(source, row, x, x + 4, target);
      continue;
    }
    const uint8_t* top[4];
    const uint8_t* bottom[4];
    for (int i = 0; i < 4; ++i) {
      top[i] = source.Pixels + source.RowBytes * static_cast<size_t>(v[i]) +
               static_cast<size_t>(u[i]) * 3;
      bottom[i] = v[i] + 1 < source.Height ? top[i] + source.RowBytes : top[i];
    }
    auto words = [](const uint8_t* const* p, int offset) {
      return _mm_setr_epi32(static_cast<int>(Load32(p[0] + offset)), static_cast<int>(Load32(p[1] + offset)),
                            static_cast<int>(Load32(p[2] + offset)), static_cast<int>(Load32(p[3] + offset)));
    };
    __m128i topPairs[3], bottomPairs[3];
    ChannelPairs(words(top, 0), words(top, 2), topPairs[0], topPairs[1], topPairs[2]);
    ChannelPairs(words(bottom, 0), words(bottom, 2), bottomPairs[0], bottomPairs[1], bottomPairs[2]);
    const __m128i columnFrac = _mm_setr_epi32(a[0], a[1], a[2], a[3]);
    const __m128i rowFrac = _mm_setr_epi32(b[0], b[1], b[2], b[3]);
    const __m128i weights = _mm_or_si128(_mm_slli_epi32(columnFrac, 16), _mm_sub_epi32(unit, columnFrac));
    const __m128 upper = _mm_cvtepi32_ps(_mm_sub_epi32(unit, rowFrac));
    const __m128 lower = _mm_cvtepi32_ps(rowFrac);
    __m128i channel[3];
    __m128 unsure = _mm_setzero_ps();
    for (int c = 0; c < 3; ++c) {
      const __m128 value = _mm_mul_ps(
          _mm_add_ps(_mm_mul_ps(_mm_cvtepi32_ps(_mm_madd_epi16(topPairs[c], weights)), upper),
                     _mm_mul_ps(_mm_cvtepi32_ps(_mm_madd_epi16(bottomPairs[c], weights)), lower)),
          scale);
      channel[c] = _mm_cvttps_epi32(_mm_add_ps(value, half));
      const __m128 off = _mm_and_ps(_mm_sub_ps(value, _mm_cvtepi32_ps(channel[c])), magnitude);
      unsure = _mm_or_ps(unsure, _mm_cmpgt_ps(off, ambiguous));
    }
    const __m128i pixels = _mm_or_si128(
        channel[0], _mm_or_si128(_mm_slli_epi32(channel[1], 8), _mm_slli_epi32(channel[2], 16)));
    alignas(16) uint32_t bgr[4];
    _mm_store_si128(reinterpret_cast<__m128i*>(bgr), pixels);
    const int recompute = _mm_movemask_ps(unsure);
    for (int i = 0; i < 4; ++i) {
      uint8_t* out = target + 3 * i;
      if (recompute & (1 << i)) {
        BlendPixel(source, u[i], v[i], a[i], b[i], out);
      } else {
        out[0] = static_cast<uint8_t>(bgr[i]);
        out[1] = static_cast<uint8_t>(bgr[i] >> 8);
        out[2] = static_cast<uint8_t>(bgr[i] >> 16);
      }
    }
  }
  WarpRowPlain(source, row, x, end, target);
}

#ifdef TALVERO_WARP_AVX2
// Eight pixels at a time, the source words fetched by gathers.
__attribute__((target("avx2"))) void WarpRowAvx2(const WarpSource& source,
                                                 const CubeMapRow& row, int32_t begin,
                                                 int32_t end, uint8_t* target) {
  const __m256 scale = _mm256_set1_ps(1e-8f), half = _mm256_set1_ps(0.5f);
  const __m256 ambiguous = _mm256_set1_ps(kAmbiguous);
  const __m256 magnitude = _mm256_castsi256_ps(_mm256_set1_epi32(0x7fffffff));
  const __m256i unit = _mm256_set1_epi32(kUnit), aboveUnit = _mm256_set1_epi32(kUnit + 1);
  const __m256i last = _mm256_set1_epi32(source.Width - 1);
  const __m256i lastRow = _mm256_set1_epi32(source.Height - 1);
  const __m256i minusOne = _mm256_set1_epi32(-1);
  const __m256i rowBytes = _mm256_set1_epi32(static_cast<int>(source.RowBytes));
  // The channel pairs of ChannelPairs by byte shuffles (within each 128-bit half).
  const __m256i outer = _mm256_setr_epi8(0, -1, 3, -1, 4, -1, 7, -1, 8, -1, 11, -1, 12, -1, 15, -1,
                                         0, -1, 3, -1, 4, -1, 7, -1, 8, -1, 11, -1, 12, -1, 15, -1);
  const __m256i greenFirst = _mm256_setr_epi8(1, -1, -1, -1, 5, -1, -1, -1, 9, -1, -1, -1, 13, -1, -1, -1,
                                              1, -1, -1, -1, 5, -1, -1, -1, 9, -1, -1, -1, 13, -1, -1, -1);
  const __m256i greenSecond = _mm256_setr_epi8(-1, -1, 2, -1, -1, -1, 6, -1, -1, -1, 10, -1, -1, -1, 14, -1,
                                               -1, -1, 2, -1, -1, -1, 6, -1, -1, -1, 10, -1, -1, -1, 14, -1);
  // Four pixels of B G R 0 words to twelve bytes (within each half).
  const __m256i squeeze = _mm256_setr_epi8(0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1,
                                           0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1);
  const auto* pixels = reinterpret_cast<const int*>(source.Pixels);
  const auto* shifted = reinterpret_cast<const int*>(source.Pixels + 2);
  int32_t x = begin;
  for (; x + 8 <= end; x += 8, target += 24) {
    const __m256i u = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(row.U.data() + x));
    const __m256i mapped = _mm256_cmpgt_epi32(u, minusOne);
    if (_mm256_testz_si256(mapped, mapped)) continue;  // all without a source
    const __m256i a = _mm256_cvtepu16_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(row.UFrac.data() + x)));
    const __m256i b = _mm256_cvtepu16_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(row.VFrac.data() + x)));
    const __m256i usable = _mm256_and_si256(
        _mm256_and_si256(mapped, _mm256_cmpgt_epi32(last, u)),
        _mm256_and_si256(_mm256_cmpgt_epi32(aboveUnit, a), _mm256_cmpgt_epi32(aboveUnit, b)));
    if (_mm256_movemask_ps(_mm256_castsi256_ps(usable)) != 0xFF) {
      WarpRowPlain(source, row, x, x + 8, target);
      continue;
    }
    const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(row.V.data() + x));
    const __m256i top = _mm256_add_epi32(_mm256_mullo_epi32(v, rowBytes),
                                         _mm256_add_epi32(u, _mm256_add_epi32(u, u)));
    const __m256i bottom = _mm256_add_epi32(top, _mm256_and_si256(rowBytes, _mm256_cmpgt_epi32(lastRow, v)));
    const __m256i weights = _mm256_or_si256(_mm256_slli_epi32(a, 16), _mm256_sub_epi32(unit, a));
    const __m256 upper = _mm256_cvtepi32_ps(_mm256_sub_epi32(unit, b));
    const __m256 lower = _mm256_cvtepi32_ps(b);
    const __m256i top0 = _mm256_i32gather_epi32(pixels, top, 1);
    const __m256i top2 = _mm256_i32gather_epi32(shifted, top, 1);
    const __m256i bottom0 = _mm256_i32gather_epi32(pixels, bottom, 1);
    const __m256i bottom2 = _mm256_i32gather_epi32(shifted, bottom, 1);
    const __m256i topPairs[3] = {
        _mm256_shuffle_epi8(top0, outer),
        _mm256_or_si256(_mm256_shuffle_epi8(top0, greenFirst), _mm256_shuffle_epi8(top2, greenSecond)),
        _mm256_shuffle_epi8(top2, outer)};
    const __m256i bottomPairs[3] = {
        _mm256_shuffle_epi8(bottom0, outer),
        _mm256_or_si256(_mm256_shuffle_epi8(bottom0, greenFirst), _mm256_shuffle_epi8(bottom2, greenSecond)),
        _mm256_shuffle_epi8(bottom2, outer)};
    __m256i channel[3];
    __m256 unsure = _mm256_setzero_ps();
    for (int c = 0; c < 3; ++c) {
      const __m256 value = _mm256_mul_ps(
          _mm256_add_ps(_mm256_mul_ps(_mm256_cvtepi32_ps(_mm256_madd_epi16(topPairs[c], weights)), upper),
                        _mm256_mul_ps(_mm256_cvtepi32_ps(_mm256_madd_epi16(bottomPairs[c], weights)), lower)),
          scale);
      channel[c] = _mm256_cvttps_epi32(_mm256_add_ps(value, half));
      const __m256 off = _mm256_and_ps(_mm256_sub_ps(value, _mm256_cvtepi32_ps(channel[c])), magnitude);
      unsure = _mm256_or_ps(unsure, _mm256_cmp_ps(off, ambiguous, _CMP_GT_OQ));
    }
    const __m256i bgr = _mm256_shuffle_epi8(
        _mm256_or_si256(channel[0], _mm256_or_si256(_mm256_slli_epi32(channel[1], 8),
                                                    _mm256_slli_epi32(channel[2], 16))),
        squeeze);
    alignas(32) uint8_t bytes[32];
    _mm256_store_si256(reinterpret_cast<__m256i*>(bytes), bgr);
    std::memcpy(target, bytes, 12);
    std::memcpy(target + 12, bytes + 16, 12);
    if (const int recompute = _mm256_movemask_ps(unsure)) {
      const int32_t* us = row.U.data() + x;
      const int32_t* vs = row.V.data() + x;
      for (int i = 0; i < 8; ++i)
        if (recompute & (1 << i))
          BlendPixel(source, us[i], vs[i], row.UFrac[x + i], row.VFrac[x + i], target + 3 * i);
    }
  }
  WarpRowPlain(source, row, x, end, target);
}

bool CpuHasAvx2() {
  static const bool has = __builtin_cpu_supports("avx2");
  return has;
}
#endif  // TALVERO_WARP_AVX2

#endif  // TALVERO_WARP_X86

std::atomic<WarpKernel> gKernel{WarpKernel::Automatic};

}  // namespace

bool WarpKernelAvailable(WarpKernel kernel) {
  switch (kernel) {
    case WarpKernel::Automatic:
    case WarpKernel::Plain:
      return true;
#ifdef TALVERO_WARP_X86
    case WarpKernel::Sse2:
      return true;
#endif
#ifdef TALVERO_WARP_AVX2
    case WarpKernel::Avx2:
      return CpuHasAvx2();
#endif
    default:
      return false;
  }
}

WarpKernel ActiveWarpKernel() {
  const WarpKernel set = gKernel.load();
  if (set != WarpKernel::Automatic) return set;
  if (WarpKernelAvailable(WarpKernel::Avx2)) return WarpKernel::Avx2;
  if (WarpKernelAvailable(WarpKernel::Sse2)) return WarpKernel::Sse2;
  return WarpKernel::Plain;
}

void SetWarpKernel(WarpKernel kernel) {
  gKernel.store(WarpKernelAvailable(kernel) ? kernel : WarpKernel::Automatic);
}

void WarpRow(const WarpSource& source, const CubeMapRow& row, int32_t begin, int32_t count,
             uint8_t* target, WarpKernel kernel) {
  if (kernel == WarpKernel::Automatic) kernel = ActiveWarpKernel();
  // The vector kernels handle three-byte pixels only; the gathers take 31-bit offsets.
  if (source.BytesPerPixel != 3 || !WarpKernelAvailable(kernel)) kernel = WarpKernel::Plain;
  if (kernel == WarpKernel::Avx2 &&
      source.RowBytes * static_cast<size_t>(source.Height) > size_t{INT32_MAX})
    kernel = WarpKernel::Sse2;
  const int32_t end = begin + count;
  switch (kernel) {
#ifdef TALVERO_WARP_X86
    case WarpKernel::Sse2:
      WarpRowSse2(source, row, begin, end, target);
      return;
#endif
#ifdef TALVERO_WARP_AVX2
    case WarpKernel::Avx2:
      WarpRowAvx2(source, row, begin, end, target);
      return;
#endif
    default:
      WarpRowPlain(source, row, begin, end, target);
      return;
  }
}

}  // namespace talvero
