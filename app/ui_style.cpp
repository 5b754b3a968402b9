#include "app/ui_style.h"

#include <QApplication>
#include <QScreen>
#include <QWidget>

namespace talvero {

QFont UiFont(int pixelSize) {
  QFont font = QApplication::font();
  font.setFamilies({font.family(), QStringLiteral("Noto Sans CJK JP"), QStringLiteral("sans-serif")});
  font.setPixelSize(pixelSize);
  return font;
}

void CentreOnScreen(QWidget& window, const QWidget* reference) {
  const QScreen* screen = reference ? reference->screen() : QGuiApplication::primaryScreen();
  if (!screen) return;
  const QRect area = screen->availableGeometry();
  window.move(area.center() - QPoint(window.width() / 2, window.height() / 2));
}

}  // namespace talvero
