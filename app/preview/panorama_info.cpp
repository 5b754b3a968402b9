#include "app/preview/panorama_info.h"

#include <QAbstractScrollArea>
#include <QEvent>
#include <QScrollBar>
#include <algorithm>
#include <cstdint>

#include "engine/sim_filer.h"

namespace talvero {

namespace {

const QString kPlainStyle = QStringLiteral(
    "background: rgba(255, 255, 255, 225); color: black; border: 1px solid #808080;");
const QString kWarningStyle = QStringLiteral(
    "background: rgba(255, 236, 236, 235); color: #b00000; border: 1px solid #b00000;");

}  // namespace

TPanoramaInfo::TPanoramaInfo(QWidget* area) : QLabel(area) {
  setObjectName(QStringLiteral("Label_PanoramaInfo"));
  setContentsMargins(4, 1, 4, 1);
  setWordWrap(true);
  setTextInteractionFlags(Qt::TextSelectableByMouse);
  area->installEventFilter(this);
  hide();
}

void TPanoramaInfo::ShowText(const QString& text, bool warning) {
  setStyleSheet(warning ? kWarningStyle : kPlainStyle);
  setText(text);
  setVisible(!text.isEmpty());
  Place();
}

void TPanoramaInfo::Place() {
  QWidget* area = parentWidget();
  if (!area || text().isEmpty()) return;
  int right = area->width() - 3;
  if (auto* scroll = qobject_cast<QAbstractScrollArea*>(area))
    if (scroll->verticalScrollBar()->isVisible()) right -= scroll->verticalScrollBar()->width();
  const int room = std::max(80, right - 6);
  const int wanted = fontMetrics().horizontalAdvance(text()) + 12;
  const int width = std::min(room, wanted);
  resize(width, heightForWidth(width) > 0 ? heightForWidth(width) : sizeHint().height());
  move(right - this->width(), 3);
  raise();
}

bool TPanoramaInfo::eventFilter(QObject* watched, QEvent* event) {
  if (watched == parentWidget() &&
      (event->type() == QEvent::Resize || event->type() == QEvent::LayoutRequest))
    Place();
  return QLabel::eventFilter(watched, event);
}

void TPanoramaInfo::ShowLoading() { ShowText(tr("画像を読み込んでいます…"), false); }

void TPanoramaInfo::ShowSize(QSize size) {
  const QString dimensions = tr("%1 × %2 ピクセル").arg(size.width()).arg(size.height());
  const QString warning = ShapeWarning(size);
  //: The panorama's size, then the warning about its shape.
  ShowText(warning.isEmpty() ? dimensions : tr("%1　%2").arg(dimensions, warning),
           !warning.isEmpty());
}

void TPanoramaInfo::ShowProblem(const QString& problem) { ShowText(problem, true); }

void TPanoramaInfo::ClearInfo() { ShowText(QString(), false); }

QSize TPanoramaInfo::NormalisedSize(QSize size) {
  // What the job reads is used as it is or stretched to twice as wide as high: either way
  // half its width high.
  const int32_t width = TSimFiler::NormalizedWidth(size.width(), size.height());
  return {width, width / 2};
}

QString TPanoramaInfo::ShapeWarning(QSize size) {
  if (size.isEmpty() || int64_t{size.height()} * 2 == size.width()) return {};
  const QSize normal = NormalisedSize(size);
  return tr("横が縦の 2 倍ではありません。出力時に %1 × %2 ピクセルへ引き伸ばすため、"
            "景色がゆがみます。")
      .arg(normal.width())
      .arg(normal.height());
}

}  // namespace talvero
