// The inverse-mapping table of the cube projection for one quarter of the panorama
// (a strip 2f wide and 4f high). The table is symmetric left/right and top/bottom, so
// only its upper-left quadrant is stored; the other three are derived on access. Within
// the quadrant only what varies is kept: the cap rows hold their triangle (columns x <= y;
// the rest has no source) and the side rows share one column position per column. Each
// position is packed into 32 bits (whole part above 14 bits of fraction). For an
// 8192-wide panorama that is 8 MB instead of 100 MB.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "support/currency.h"

namespace talvero {

// One map entry: source column U + UFrac and row V + VFrac within the strip; U = -1 means
// the target pixel has no source and is left unchanged.
struct TCurrencyUVPoint {
  int32_t U = -1;
  Currency UFrac = Currency::FromRaw(-Currency::kScale);
  int32_t V = -1;
  Currency VFrac = Currency::FromRaw(-Currency::kScale);
};

// A map entry in the form the warp consumes: fractions in 1/10000 (0 ... 10000).
struct CubeMapSample {
  int32_t U;
  int32_t V;
  uint16_t UFrac;
  uint16_t VFrac;
};

// One row of the whole map as separate arrays, the form the warp kernels load. Entries with
// U = -1 have no source (their other values mean nothing).
struct CubeMapRow {
  std::vector<int32_t> U, V;
  std::vector<uint16_t> UFrac, VFrac;
  void Resize(size_t count) {
    U.resize(count);
    V.resize(count);
    UFrac.resize(count);
    VFrac.resize(count);
  }
};

class TmxCurrencyUV {
 public:
  // A map for strips of 2f x 4f pixels with every entry "no source".
  void Reset(int32_t f);
  // The same size with the entries left unset, for a caller that fills every row.
  void Allocate(int32_t f);
  int32_t F() const { return FF; }
  int32_t Width() const { return 2 * FF; }
  int32_t Height() const { return 4 * FF; }

  // The stored quadrant: columns 0 ... f-1, rows 0 ... 2f-1. In the cap rows (y < f) the
  // entries beside the triangle (x > y) have no source and take only u = -1; in the side
  // rows the column position is one per column, the last one set.
  void SetQuadrant(int32_t x, int32_t y, int32_t u, uint16_t uFrac, int32_t v, uint16_t vFrac);

  // Any entry of the whole map (columns 0 ... 2f-1, rows 0 ... 4f-1).
  CubeMapSample Sample(int32_t x, int32_t y) const;
  TCurrencyUVPoint Entry(int32_t x, int32_t y) const;

  // The entries of row y for columns 0 ... 2f-1, for the warp's inner loop.
  void SampleRow(int32_t y, CubeMapRow& row) const;
  void SampleRow(int32_t y, std::vector<CubeMapSample>& row) const;

  // The first and last source row that row y of the whole map reads (its entries' V and
  // the row below each, within the strip); false when no entry of the row has a source.
  bool SourceRows(int32_t y, int32_t& first, int32_t& last) const;

  // Bytes held by a map for strips of f (for planning memory).
  static size_t ByteSize(int32_t f);

 private:
  static constexpr uint32_t kFracBits = 14;
  static constexpr uint32_t kNone = UINT32_MAX;  // a side entry without a source
  static uint32_t Pack(int32_t whole, uint16_t frac) {
    return static_cast<uint32_t>(whole) << kFracBits | frac;
  }
  static int32_t Whole(uint32_t packed) { return static_cast<int32_t>(packed >> kFracBits); }
  static uint16_t Frac(uint32_t packed) {
    return static_cast<uint16_t>(packed & ((1u << kFracBits) - 1));
  }
  static size_t CapIndex(int32_t x, int32_t y) {
    return static_cast<size_t>(y) * (static_cast<size_t>(y) + 1) / 2 + static_cast<size_t>(x);
  }
  size_t SideIndex(int32_t x, int32_t y) const {
    return static_cast<size_t>(y - FF) * static_cast<size_t>(FF) + static_cast<size_t>(x);
  }
  // The entry of the stored quadrant (x < f, y < 2f).
  CubeMapSample Quadrant(int32_t x, int32_t y) const;

  int32_t FF = 0;
  // Cap triangle, rows 0 ... f-1, row y holding columns 0 ... y: packed U and V (kNone: no
  // source).
  std::unique_ptr<uint32_t[]> FCapU, FCapV;
  // Side rows f ... 2f-1: the packed U of each column, and V per entry (kNone: no source).
  std::unique_ptr<uint32_t[]> FSideU, FSideV;
};

// angle(q): atan(q) in degrees scaled to f pixels per 45 degrees, in extended precision.
long double CubeMapAngle(long double q, int32_t f);

// Fills every entry of rows [rowBegin, rowEnd) of the stored quadrant (rows 0 ... 2f-1): the
// top-cap triangle in rows below f (columns x <= y; the columns beside it have no source),
// the upper half of the side face from row f. The values are those of CubeMapAngle and
// SplitPosition to the last digit. Rows are independent, so ranges may be filled on several
// threads.
void FillCubeMapRows(int32_t f, TmxCurrencyUV& map, int32_t rowBegin, int32_t rowEnd);

// Splits a position into its integer part and its fraction rounded to 1/10000, halves
// to even (a fraction may round up to exactly 1). Positions are never negative.
void SplitPosition(long double t, int32_t& whole, uint16_t& frac);

}  // namespace talvero
