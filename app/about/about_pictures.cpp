#include "app/about/about_pictures.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <cmath>
#include <numbers>

#include "app/ui_style.h"

namespace talvero {

namespace {

constexpr int W = kAboutStripWidth;
constexpr int H = kAboutViewHeight;
constexpr int kHorizon = 118;

// Whole numbers of waves across the strip, so the silhouettes wrap without a seam.
double Wave(double x, int waves, double phase) {
  return std::sin(2 * std::numbers::pi * waves * x / W + phase);
}

// A silhouette from y(x) down to the bottom of the strip.
QPainterPath Ridge(double (*height)(double)) {
  QPainterPath path(QPointF(0, H));
  for (int x = 0; x < W; x += 4) path.lineTo(x, height(x));
  path.lineTo(W, height(W));
  path.lineTo(W, H);
  path.closeSubpath();
  return path;
}

double FarMountains(double x) {
  return 86 - 20 * (0.6 * Wave(x, 3, 0.3) + 0.3 * Wave(x, 8, 1.1) + 0.1 * Wave(x, 23, 2.0));
}

double NearHills(double x) {
  return 106 - 9 * (0.7 * Wave(x, 5, 0.7) + 0.3 * Wave(x, 13, 2.4));
}

// Draws at x and, near the ends, once more a strip's width away, so shapes cut by an end
// reappear at the other.
template <typename Draw>
void Wrapped(double x, double reach, Draw draw) {
  draw(x);
  if (x - reach < 0) draw(x + W);
  if (x + reach > W) draw(x - W);
}

void DrawSky(QPainter& p) {
  QLinearGradient sky(0, 0, 0, kHorizon);
  sky.setColorAt(0, QColor(38, 92, 168));
  sky.setColorAt(0.65, QColor(120, 178, 228));
  sky.setColorAt(1, QColor(214, 236, 248));
  p.fillRect(0, 0, W, kHorizon, sky);
  QRadialGradient sun(QPointF(640, 34), 46);
  sun.setColorAt(0, QColor(255, 253, 230));
  sun.setColorAt(0.25, QColor(255, 244, 190, 230));
  sun.setColorAt(1, QColor(255, 244, 190, 0));
  p.fillRect(QRectF(590, 0, 100, 90), sun);
}

void DrawClouds(QPainter& p) {
  p.setPen(Qt::NoPen);
  unsigned seed = 20240611u;
  auto next = [&seed](int range) {
    seed = seed * 1103515245u + 12345u;
    return static_cast<int>((seed >> 8) % static_cast<unsigned>(range));
  };
  for (int c = 0; c < 14; ++c) {
    const double cx = c * (W / 14.0) + next(120);
    const double cy = 22 + next(40);
    const double size = 14 + next(14);
    const int alpha = 170 + next(70);
    Wrapped(cx, 4 * size, [&](double x) {
      p.setBrush(QColor(255, 255, 255, alpha));
      p.drawEllipse(QPointF(x, cy), size * 2.2, size * 0.7);
      p.drawEllipse(QPointF(x - size, cy + 2), size * 1.2, size * 0.6);
      p.drawEllipse(QPointF(x + size * 0.8, cy - size * 0.35), size, size * 0.75);
    });
  }
}

void DrawLand(QPainter& p) {
  p.setPen(Qt::NoPen);
  QLinearGradient far(0, 60, 0, kHorizon);
  far.setColorAt(0, QColor(118, 140, 170));
  far.setColorAt(1, QColor(150, 170, 190));
  p.setBrush(far);
  p.drawPath(Ridge(FarMountains));
  p.setBrush(QColor(96, 150, 80));
  p.drawPath(Ridge(NearHills));
  QLinearGradient grass(0, kHorizon, 0, H);
  grass.setColorAt(0, QColor(112, 174, 84));
  grass.setColorAt(1, QColor(58, 118, 46));
  p.fillRect(0, kHorizon, W, H - kHorizon, grass);
  // Trees along the hills.
  for (int t = 0; t < 90; ++t) {
    const double x = std::fmod(t * 97.3 + 13 * std::sin(t), W);
    if (x > 1080 && x < 2320) continue;  // keep the airfield clear
    const double y = std::max(NearHills(x) + 6, static_cast<double>(kHorizon) - 2);
    Wrapped(x, 8, [&](double tx) {
      p.setBrush(QColor(52, 92, 44));
      p.drawEllipse(QPointF(tx, y - 5), 4.5, 6.5);
      p.fillRect(QRectF(tx - 0.8, y, 1.6, 3), QColor(90, 64, 40));
    });
  }
}

void DrawAirfield(QPainter& p) {
  // Runway with threshold bars and a dashed centre line.
  const QRectF runway(1180, 129, 1080, 15);
  p.fillRect(runway, QColor(92, 94, 98));
  p.fillRect(QRectF(runway.left(), runway.top() - 1, runway.width(), 1), QColor(200, 200, 200));
  p.fillRect(QRectF(runway.left(), runway.bottom(), runway.width(), 1), QColor(200, 200, 200));
  for (double x = runway.left() + 40; x < runway.right() - 40; x += 34)
    p.fillRect(QRectF(x, 136, 16, 1.5), Qt::white);
  for (double end : {runway.left() + 6, runway.right() - 26})
    for (int bar = 0; bar < 4; ++bar) p.fillRect(QRectF(end, 131 + bar * 3, 20, 1.5), Qt::white);
  // Hangar, pilot's shelter and windsock.
  p.fillRect(QRectF(1420, 104, 70, 20), QColor(176, 180, 186));
  p.setBrush(QColor(150, 60, 52));
  p.setPen(Qt::NoPen);
  p.drawPolygon(QPolygonF({QPointF(1414, 105), QPointF(1455, 94), QPointF(1496, 105)}));
  p.fillRect(QRectF(1442, 112, 26, 12), QColor(70, 72, 78));
  p.fillRect(QRectF(1620, 112, 30, 12), QColor(230, 226, 210));
  p.fillRect(QRectF(1860, 96, 1.5, 28), QColor(60, 60, 60));
  p.setBrush(QColor(240, 120, 30));
  p.drawPolygon(QPolygonF({QPointF(1861, 97), QPointF(1880, 99), QPointF(1880, 102),
                           QPointF(1861, 104)}));
}

// A small high-wing model aircraft, nose to the right.
void DrawAircraft(QPainter& p, QPointF at, double scale) {
  p.save();
  p.translate(at);
  p.scale(scale, scale);
  p.rotate(-6);
  p.setPen(QPen(QColor(60, 20, 20), 0.6));
  p.setBrush(QColor(214, 40, 40));
  QPainterPath body(QPointF(-22, -1));
  body.cubicTo(-10, -4, 10, -5, 20, -2);
  body.cubicTo(23, -1, 23, 2, 20, 3);
  body.cubicTo(8, 4, -10, 2, -22, 1);
  body.closeSubpath();
  p.drawPath(body);
  p.setBrush(Qt::white);
  p.drawRect(QRectF(-6, -7, 16, 3));                                                  // wing
  p.drawPolygon(QPolygonF({QPointF(-22, -1), QPointF(-25, -9), QPointF(-18, -1)}));  // fin
  p.drawRect(QRectF(-24, -1, 7, 1.6));                                               // tailplane
  p.setBrush(QColor(120, 190, 240));
  p.drawRect(QRectF(4, -4.5, 6, 2.5));  // canopy
  p.setPen(QPen(QColor(40, 40, 40), 0.8));
  p.drawLine(QPointF(22, -5), QPointF(22, 6));  // propeller disc, edge on
  p.restore();
}

}  // namespace

QImage DrawAboutStrip() {
  QImage strip(W, H, QImage::Format_RGB32);
  QPainter p(&strip);
  p.setRenderHint(QPainter::Antialiasing);
  DrawSky(p);
  DrawClouds(p);
  DrawLand(p);
  DrawAirfield(p);
  DrawAircraft(p, QPointF(1760, 58), 1.4);
  DrawAircraft(p, QPointF(1300, 122), 0.8);
  return strip;
}

QImage DrawAboutOverlay() {
  QImage overlay(kAboutViewWidth, kAboutViewHeight, QImage::Format_RGB32);
  overlay.fill(Qt::black);
  QPainter p(&overlay);
  p.setRenderHint(QPainter::Antialiasing);
  const QRectF frame(1.5, 1.5, kAboutViewWidth - 3, kAboutViewHeight - 3);
  p.setPen(QPen(QColor(64, 64, 64), 1));
  p.setBrush(Qt::white);
  p.drawRoundedRect(frame, 12, 12);
  QFont font = UiFont(15);
  font.setBold(true);
  font.setItalic(true);
  p.setFont(font);
  p.setPen(Qt::black);
  p.drawText(QRectF(0, 8, kAboutViewWidth - 14, 24), Qt::AlignRight | Qt::AlignVCenter,
             QStringLiteral("Talvero"));
  return overlay;
}

}  // namespace talvero
