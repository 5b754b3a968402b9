#include "app/ui_style.h"

#include <QApplication>
#include <QFontInfo>
#include <QGroupBox>
#include <QScreen>
#include <QWidget>
#include <algorithm>
#include <limits>

namespace talvero {

QFont UiFont(int pixelSize) {
  QFont font = QApplication::font();
#ifdef _WIN32
  // A Japanese Windows has the window's own font (under either of its names). Elsewhere the
  // desktop font draws the Latin text, and each Japanese character comes from the first
  // font that has it: Yu Gothic UI comes with every Windows 10 and 11, Meiryo UI with older
  // ones and with Japanese support, Noto Sans CJK JP where Wine shows Linux's fonts.
  font.setFamilies({QStringLiteral("ＭＳ Ｐゴシック"), QStringLiteral("MS PGothic"),
                    QFontInfo(font).family(), QStringLiteral("Yu Gothic UI"),
                    QStringLiteral("Meiryo UI"), QStringLiteral("Noto Sans CJK JP")});
#else
  // The family as the font database names it: an alias such as "Sans Serif" is no family
  // of its own, and in a list Qt passes over it, so the Japanese fallback would draw the
  // Latin text too (with line metrics too tall for the grid's 18-pixel rows).
  font.setFamilies({QFontInfo(font).family(), QStringLiteral("Noto Sans CJK JP"),
                    QStringLiteral("sans-serif")});
#endif
  font.setPixelSize(pixelSize);
  return font;
}

void FitCaptionWidth(QWidget* control) {
  const auto* group = qobject_cast<const QGroupBox*>(control);
  const int needed = group ? group->minimumSizeHint().width() : control->sizeHint().width();
  if (needed > control->width()) control->resize(needed, control->height());
}

void KeepRowClear(const std::vector<std::vector<QWidget*>>& blocks, int minGap) {
  int previousRight = std::numeric_limits<int>::min();
  for (const std::vector<QWidget*>& block : blocks) {
    if (block.empty()) continue;
    int left = std::numeric_limits<int>::max();
    for (const QWidget* w : block) left = std::min(left, w->x());
    if (previousRight != std::numeric_limits<int>::min() && left < previousRight + minGap) {
      const int shift = previousRight + minGap - left;
      for (QWidget* w : block) w->move(w->x() + shift, w->y());
    }
    previousRight = std::numeric_limits<int>::min();
    for (const QWidget* w : block) previousRight = std::max(previousRight, w->x() + w->width());
  }
}

void CentreOnScreen(QWidget& window, const QWidget* reference) {
  const QScreen* screen = reference ? reference->screen() : QGuiApplication::primaryScreen();
  if (!screen) return;
  const QRect area = screen->availableGeometry();
  window.move(area.center() - QPoint(window.width() / 2, window.height() / 2));
}

}  // namespace talvero
