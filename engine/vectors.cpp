#include "engine/vectors.h"

#include <cmath>

#include "support/errors.h"
#include "support/number_format.h"

namespace talvero {

namespace {
constexpr long double kPi = 3.141592653589793238462643383279502884L;

inline long double Radians(long double degrees) { return degrees * kPi / 180.0L; }
}  // namespace

bool SameIntVector(const TIntVector& a, const TIntVector& b) {
  return a.X == b.X && a.Y == b.Y && a.Z == b.Z;
}

bool SameColorTriple(const TColorTriple& a, const TColorTriple& b) {
  return a.R == b.R && a.G == b.G && a.B == b.B;
}

int32_t RoundHalfAway(long double x) {
  const long double r = x >= 0 ? std::truncl(x + 0.5L) : std::truncl(x - 0.5L);
  if (!(r >= -2147483648.0L && r <= 2147483647.0L))
    throw ConvertError("'" + FormatGeneral(x) + "' is outside the range of a 32-bit integer");
  return static_cast<int32_t>(r);
}

TExtVector RotateX(const TExtVector& v, long double degrees) {
  const long double t = Radians(degrees), c = std::cos(t), s = std::sin(t);
  return {v.X, v.Y * c - v.Z * s, v.Y * s + v.Z * c};
}

TExtVector RotateY(const TExtVector& v, long double degrees) {
  const long double t = Radians(degrees), c = std::cos(t), s = std::sin(t);
  return {v.X * c + v.Z * s, v.Y, -v.X * s + v.Z * c};
}

TExtVector RotateZ(const TExtVector& v, long double degrees) {
  const long double t = Radians(degrees), c = std::cos(t), s = std::sin(t);
  return {v.X * c - v.Y * s, v.X * s + v.Y * c, v.Z};
}

TExtVector RotateExtVector(const TExtVector& v, long double ax, long double ay, long double az) {
  TExtVector r = v;
  if (ax != 0) r = RotateX(r, ax);
  if (ay != 0) r = RotateY(r, ay);
  if (az != 0) r = RotateZ(r, az);
  return r;
}

TIntVector RotateIntVector(const TIntVector& v, long double ax, long double ay, long double az) {
  const TExtVector r = RotateExtVector({static_cast<long double>(v.X), static_cast<long double>(v.Y),
                                        static_cast<long double>(v.Z)},
                                       ax, ay, az);
  return {RoundHalfAway(r.X), RoundHalfAway(r.Y), RoundHalfAway(r.Z)};
}

}  // namespace talvero
