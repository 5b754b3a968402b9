#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <cmath>
#include <numbers>

#include "app/check/scene_view_overlay.h"

namespace talvero {
namespace {

// The columns, within the band where the compass letters stand, that the overlay painted
// between `from` and `to`: first and last, or {-1, -1} when none.
std::pair<int, int> PaintedColumns(const QImage& image, int from, int to, int top, int bottom) {
  int first = -1, last = -1;
  for (int x = from; x < to; ++x)
    for (int y = top; y < bottom; ++y)
      if (qAlpha(image.pixel(x, y)) > 0) {
        if (first < 0) first = x;
        last = x;
        break;
      }
  return {first, last};
}

// A compass letter whose mark is at the view's edge is kept whole inside the view: half of
// "NW" reads as "W".
TEST(SceneViewOverlayTest, CompassLettersAtTheViewsEdgesStayWhole) {
  SceneViewSettings settings;
  settings.Width = 640;
  settings.Height = 360;
  settings.Fov = 90;
  const int centre = settings.Width / 2;
  TOverlayOptions compassOnly;
  compassOnly.Aircraft = false;
  const int top = 180 - 13 - 14, bottom = 180 - 11;  // the letters, above the marks
  const auto paint = [&](double markX) {
    // The yaw that puts the NW mark (heading 315) at markX.
    settings.Yaw = 315 - std::atan((markX - centre) / centre) * 180 / std::numbers::pi;
    QImage image(settings.Width, settings.Height, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    PaintSceneOverlay(painter, image.rect(), settings, TSceneOverlay(), compassOnly);
    return image;
  };
  // The letters' own width, as drawn in the middle of the view.
  const auto [middleFirst, middleLast] =
      PaintedColumns(paint(centre), centre - 60, centre + 60, top, bottom);
  const int width = middleLast - middleFirst + 1;
  ASSERT_GT(width, 12);

  for (const double markX : {3.0, settings.Width - 3.0}) {
    const QImage image = paint(markX);
    const auto [first, last] =
        markX < centre ? PaintedColumns(image, 0, 80, top, bottom)
                       : PaintedColumns(image, settings.Width - 80, settings.Width, top, bottom);
    EXPECT_EQ(last - first + 1, width) << "mark at " << markX;
    EXPECT_GT(first, 0) << "mark at " << markX;
    EXPECT_LT(last, settings.Width - 1) << "mark at " << markX;
  }
}

}  // namespace
}  // namespace talvero
