#include "cli/sample_panorama.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "support/errors.h"

namespace talvero {

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr int kSubsamples = 2;  // per side: 2 × 2 samples smooth every edge

struct Color {
  double R = 0, G = 0, B = 0;
};

Color Mix(Color a, Color b, double t) {
  return {a.R + (b.R - a.R) * t, a.G + (b.G - a.G) * t, a.B + (b.B - a.B) * t};
}

Color FromRgb(Rgb c) { return {double(c.R), double(c.G), double(c.B)}; }

struct Point {
  double X, Y;
};
// A letter as polylines in a box 0.7 wide and 1 high centred on the origin, y downwards.
using Glyph = std::vector<std::vector<Point>>;

const Glyph& GlyphOf(char letter) {
  static const Glyph n = {{{-0.28, 0.5}, {-0.28, -0.5}, {0.28, 0.5}, {0.28, -0.5}}};
  static const Glyph e = {{{0.28, -0.5}, {-0.28, -0.5}, {-0.28, 0.5}, {0.28, 0.5}},
                          {{-0.28, 0}, {0.18, 0}}};
  static const Glyph s = {{{0.28, -0.38},
                           {0.14, -0.5},
                           {-0.14, -0.5},
                           {-0.28, -0.36},
                           {-0.28, -0.14},
                           {-0.14, 0},
                           {0.14, 0},
                           {0.28, 0.14},
                           {0.28, 0.36},
                           {0.14, 0.5},
                           {-0.14, 0.5},
                           {-0.28, 0.38}}};
  static const Glyph w = {{{-0.34, -0.5}, {-0.17, 0.5}, {0, -0.1}, {0.17, 0.5}, {0.34, -0.5}}};
  switch (letter) {
    case 'N':
      return n;
    case 'E':
      return e;
    case 'S':
      return s;
    default:
      return w;
  }
}

// A compass mark: its text, heading and the latitude span of its letters, in degrees.
struct Mark {
  const char* Text;
  double Heading;
  double Height;
  double CentreLatitude;
};
const Mark kMarks[] = {{"N", 0, 14, 12},   {"NE", 45, 7, 9},   {"E", 90, 14, 12},
                       {"SE", 135, 7, 9},  {"S", 180, 14, 12}, {"SW", 225, 7, 9},
                       {"W", 270, 14, 12}, {"NW", 315, 7, 9}};

constexpr double kLetterWidth = 0.7, kLetterPitch = 0.95;  // in letter heights

double SegmentDistance(Point p, Point a, Point b) {
  const double dx = b.X - a.X, dy = b.Y - a.Y;
  const double length2 = dx * dx + dy * dy;
  double t = length2 > 0 ? ((p.X - a.X) * dx + (p.Y - a.Y) * dy) / length2 : 0;
  t = std::clamp(t, 0.0, 1.0);
  return std::hypot(p.X - a.X - t * dx, p.Y - a.Y - t * dy);
}

// Distance from a point (in letter heights, relative to the mark's centre) to the text.
double TextDistance(const std::string& text, Point p) {
  const double first = -(kLetterPitch * (text.size() - 1)) / 2;
  double best = 1e9;
  for (size_t i = 0; i < text.size(); ++i) {
    const Point q{p.X - (first + kLetterPitch * i), p.Y};
    for (const auto& line : GlyphOf(text[i]))
      for (size_t k = 1; k < line.size(); ++k)
        best = std::min(best, SegmentDistance(q, line[k - 1], line[k]));
  }
  return best;
}

class SampleScene {
 public:
  SampleScene(int32_t width, int32_t height) : FWidth(width), FHeight(height) {}

  // The scene without marks at a point of the image (in pixels, fractional).
  Color Background(double x, double y) const {
    const double heading = x / FWidth * 360 - 180;  // 0 in the middle column
    const double latitude = 90 - y / FHeight * 180;
    const double pixelDegrees = 180.0 / FHeight;
    const double lineWidth = std::max(pixelDegrees, 0.12);
    if (std::abs(latitude) < lineWidth / 2) return {40, 40, 45};  // the horizon line
    if (latitude > 0) return Sky(heading, latitude);
    // Ticks under the horizon every 15 degrees, longer every 45.
    const double tick = std::remainder(heading, 15.0);
    const bool major = std::abs(std::remainder(heading, 45.0)) < 7.5;
    if (std::abs(tick) < lineWidth && -latitude < (major ? 3.0 : 1.5)) return {30, 30, 30};
    // Chequered ground, 15 degrees by 10, darker towards the feet.
    const int cell = static_cast<int>(std::floor(heading / 15) + std::floor(latitude / 10));
    const Color ground = (cell & 1) ? Color{96, 140, 70} : Color{128, 112, 78};
    return Mix(ground, {30, 40, 25}, -latitude / 90 * 0.5);
  }

  void DrawMark(Bitmap& image, const Mark& mark) const {
    const double letterHeight = mark.Height / 180 * FHeight;
    const double stroke = std::max(0.08 * letterHeight, 0.6);
    const double rim = std::max(0.04 * letterHeight, 0.8);
    const double centreX = HeadingColumn(mark.Heading, FWidth);
    const double centreY = (90 - mark.CentreLatitude) / 180 * FHeight;
    const double halfWidth =
        (kLetterPitch * (std::string(mark.Text).size() - 1) + kLetterWidth) / 2 * letterHeight +
        stroke + rim;
    const double halfHeight = letterHeight / 2 + stroke + rim;
    const Color ink = FromRgb(mark.Heading == 0 ? kNorthColor : kMarkColor);
    const Color rimColor{20, 20, 30};
    const auto top = static_cast<int32_t>(std::floor(centreY - halfHeight));
    const auto bottom = static_cast<int32_t>(std::ceil(centreY + halfHeight));
    const auto left = static_cast<int32_t>(std::floor(centreX - halfWidth));
    const auto right = static_cast<int32_t>(std::ceil(centreX + halfWidth));
    for (int32_t y = std::max(top, 0); y < std::min(bottom, FHeight); ++y) {
      for (int32_t column = left; column <= right; ++column) {
        // The mark wraps around the panorama's edges (South sits on them).
        const int32_t x = ((column % FWidth) + FWidth) % FWidth;
        const Color behind = FromRgb(image.GetPixel(x, y));
        Color sum;
        for (int sy = 0; sy < kSubsamples; ++sy)
          for (int sx = 0; sx < kSubsamples; ++sx) {
            const Point p{(column + (sx + 0.5) / kSubsamples - centreX) / letterHeight,
                          (y + (sy + 0.5) / kSubsamples - centreY) / letterHeight};
            const double d = TextDistance(mark.Text, p) * letterHeight;
            const Color c = d <= stroke ? ink : d <= stroke + rim ? rimColor : behind;
            sum = {sum.R + c.R, sum.G + c.G, sum.B + c.B};
          }
        image.SetPixel(x, y, ToRgb(sum, kSubsamples * kSubsamples));
      }
    }
  }

  static Rgb ToRgb(Color sum, int count) {
    auto channel = [count](double v) {
      return static_cast<uint8_t>(std::clamp(std::lround(v / count), 0L, 255L));
    };
    return {channel(sum.R), channel(sum.G), channel(sum.B)};
  }

 private:
  static Color Sky(double heading, double latitude) {
    const double lon = heading * kPi / 180;
    // Low hills; whole multiples of the longitude keep the panorama seamless.
    const double hills = 1.8 + 1.2 * std::sin(3 * lon + 0.5) + 0.8 * std::sin(7 * lon + 2.0) +
                         0.4 * std::sin(13 * lon);
    if (latitude < std::max(hills, 0.3)) return Mix({70, 105, 80}, {55, 85, 65}, latitude / 5);
    Color sky = Mix({205, 225, 242}, {35, 80, 165}, std::pow(latitude / 90, 0.7));
    // The sun in the South-East, 35 degrees up.
    const double sunLon = (135.0 - 0) * kPi / 180, sunLat = 35 * kPi / 180;
    const double lat = latitude * kPi / 180;
    const double cosAngle = std::sin(lat) * std::sin(sunLat) +
                            std::cos(lat) * std::cos(sunLat) * std::cos(lon - sunLon);
    const double angle = std::acos(std::clamp(cosAngle, -1.0, 1.0)) * 180 / kPi;
    if (angle < 4) return {255, 246, 205};
    if (angle < 12) sky = Mix({255, 240, 200}, sky, (angle - 4) / 8);
    return sky;
  }

  int32_t FWidth, FHeight;
};

}  // namespace

double HeadingColumn(double heading, int32_t width) {
  const double column = (heading / 360 + 0.5) * width;
  return std::fmod(std::fmod(column, width) + width, width);
}

Bitmap MakeSamplePanorama(int32_t width) {
  if (width < kMinSampleWidth)
    throw ImageError("a sample panorama needs a width of at least " +
                     std::to_string(kMinSampleWidth) + " pixels");
  width -= width % 2;
  const int32_t height = width / 2;
  Bitmap image = Bitmap::Uninitialized(width, height);
  const SampleScene scene(width, height);
  for (int32_t y = 0; y < height; ++y)
    for (int32_t x = 0; x < width; ++x) {
      Color sum;
      for (int sy = 0; sy < kSubsamples; ++sy)
        for (int sx = 0; sx < kSubsamples; ++sx) {
          const Color c =
              scene.Background(x + (sx + 0.5) / kSubsamples, y + (sy + 0.5) / kSubsamples);
          sum = {sum.R + c.R, sum.G + c.G, sum.B + c.B};
        }
      image.SetPixel(x, y, SampleScene::ToRgb(sum, kSubsamples * kSubsamples));
    }
  for (const Mark& mark : kMarks) scene.DrawMark(image, mark);
  return image;
}

}  // namespace talvero
