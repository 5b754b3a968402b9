#include "app/icons/format_pictures.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <cmath>

#include "app/ui_style.h"

namespace talvero {

namespace {

constexpr int kSize = kFormatPictureSize;

QImage Canvas(int size) {
  QImage image(size, size, QImage::Format_RGB32);
  image.fill(Qt::white);
  return image;
}

// Drawing is in the coordinates of the kSize picture, whatever the image's size.
void Scale(QPainter& p, int size) {
  if (size != kSize) p.scale(size / double(kSize), size / double(kSize));
}

// Sky above, grass below a horizon at `horizon`.
void Landscape(QPainter& p, int horizon, QColor skyTop, QColor skyLow, QColor grass) {
  QLinearGradient sky(0, 0, 0, horizon);
  sky.setColorAt(0, skyTop);
  sky.setColorAt(1, skyLow);
  p.fillRect(QRect(0, 0, kSize, horizon), sky);
  QLinearGradient ground(0, horizon, 0, kSize);
  ground.setColorAt(0, grass.lighter(115));
  ground.setColorAt(1, grass.darker(125));
  p.fillRect(QRect(0, horizon, kSize, kSize - horizon), ground);
}

// The format's name on a rounded plate along the bottom edge.
void NamePlate(QPainter& p, const QString& name, QColor plate) {
  QFont font = UiFont(15);
  font.setBold(true);
  p.setFont(font);
  const QRect box(10, kSize - 30, kSize - 20, 22);
  p.setPen(Qt::NoPen);
  p.setBrush(plate);
  p.drawRoundedRect(box, 6, 6);
  p.setPen(Qt::white);
  p.drawText(box, Qt::AlignCenter, name);
}

void Frame(QPainter& p) {
  p.setPen(QPen(QColor(60, 60, 60), 1));
  p.setBrush(Qt::NoBrush);
  p.drawRect(0, 0, kSize - 1, kSize - 1);
}

}  // namespace

QImage DrawFmsPicture(int size) {
  QImage image = Canvas(size);
  QPainter p(&image);
  Scale(p, size);
  p.setRenderHint(QPainter::Antialiasing);
  Landscape(p, 70, QColor(70, 130, 210), QColor(200, 225, 250), QColor(90, 160, 70));

  // A cube in two-point perspective, its faces shaded as if lit from the upper left.
  const QPointF top(60, 14), left(28, 30), right(92, 30), mid(60, 46);
  const QPointF leftLow(30, 74), rightLow(90, 74), midLow(60, 92);
  const auto face = [&p](std::initializer_list<QPointF> corners, QColor colour) {
    QPainterPath path;
    path.moveTo(*corners.begin());
    for (const QPointF& c : corners) path.lineTo(c);
    path.closeSubpath();
    p.setBrush(colour);
    p.drawPath(path);
  };
  p.setPen(QPen(QColor(30, 40, 70), 1.5));
  face({top, right, mid, left}, QColor(245, 240, 220));
  face({left, mid, midLow, leftLow}, QColor(230, 170, 70));
  face({mid, right, rightLow, midLow}, QColor(190, 120, 40));
  // The seams where the faces of the scenery meet.
  p.setPen(QPen(QColor(255, 255, 255, 140), 1, Qt::DashLine));
  p.drawLine(QPointF(45, 38), QPointF(45, 83));
  p.drawLine(QPointF(75, 38), QPointF(75, 83));

  NamePlate(p, QStringLiteral("FMS"), QColor(30, 70, 150));
  Frame(p);
  return image;
}

QImage DrawRcpPicture(int size) {
  QImage image = Canvas(size);
  QPainter p(&image);
  Scale(p, size);
  p.setRenderHint(QPainter::Antialiasing);
  Landscape(p, 70, QColor(40, 60, 130), QColor(240, 190, 150), QColor(110, 140, 60));

  // A lit sphere with its bands of tiles: latitude circles and meridians.
  const QPointF centre(60, 50);
  const double r = 36;
  QRadialGradient shade(centre + QPointF(-12, -14), r * 1.4);
  shade.setColorAt(0, QColor(255, 255, 255));
  shade.setColorAt(0.35, QColor(150, 200, 240));
  shade.setColorAt(1, QColor(30, 70, 140));
  p.setPen(QPen(QColor(20, 30, 60), 1.5));
  p.setBrush(shade);
  p.drawEllipse(centre, r, r);
  p.setBrush(Qt::NoBrush);
  p.setPen(QPen(QColor(255, 255, 255, 170), 1));
  for (double lat : {-0.7, 0.0, 0.7}) {
    const double y = centre.y() + lat * r;
    const double half = r * std::sqrt(1 - lat * lat);
    p.drawEllipse(QPointF(centre.x(), y), half, half * 0.22);
  }
  for (double k : {0.35, 0.75}) p.drawEllipse(centre, r * k, r);
  p.drawLine(QPointF(centre.x(), centre.y() - r), QPointF(centre.x(), centre.y() + r));

  NamePlate(p, QStringLiteral("RCPSim"), QColor(150, 50, 40));
  Frame(p);
  return image;
}

}  // namespace talvero
