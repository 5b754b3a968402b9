// Small value types and the rotation helpers of the scene geometry. Rotations compute
// in extended precision (long double) so that rounded vertices come out the same on
// every build.
#pragma once

#include <cstdint>
#include <vector>

#include "support/currency.h"

namespace talvero {

struct TIntVector {
  int32_t X = 0, Y = 0, Z = 0;
};

struct TColorTriple {
  Currency R, G, B;
};

struct TExtVector {
  long double X = 0, Y = 0, Z = 0;
};

// Scene mesh elements: one vertex in whole metres, one texture coordinate pair.
struct TTriPoint {
  int32_t X = 0, Y = 0, Z = 0;
};

struct TUvPoint {
  double U = 0, V = 0;
};

// Mesh grids indexed [row][column].
using TmxTriPoint = std::vector<std::vector<TTriPoint>>;
using TmxUvPoint = std::vector<std::vector<TUvPoint>>;

bool SameIntVector(const TIntVector& a, const TIntVector& b);
bool SameColorTriple(const TColorTriple& a, const TColorTriple& b);

// x >= 0: trunc(x + 0.5); x < 0: trunc(x - 0.5). ConvertError when the result does not fit
// in 32 bits (or x is not finite), instead of wrapping silently.
int32_t RoundHalfAway(long double x);

// Rotations by an angle in degrees about one axis.
TExtVector RotateX(const TExtVector& v, long double degrees);
TExtVector RotateY(const TExtVector& v, long double degrees);
TExtVector RotateZ(const TExtVector& v, long double degrees);

// About x, then y, then z; a zero angle skips its step entirely (so exact values stay exact).
TExtVector RotateExtVector(const TExtVector& v, long double ax, long double ay, long double az);
TIntVector RotateIntVector(const TIntVector& v, long double ax, long double ay, long double az);

}  // namespace talvero
