// No caption is cut: every text of every tab and dialog fits its control in the fonts the
// set-up installs (DejaVu Sans for Latin text, Noto Sans CJK JP for Japanese).
#include <QFontDatabase>
#include <QFontInfo>
#include <QGroupBox>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTabBar>
#include <QTextLayout>
#include <QToolButton>

#include "app/overwrite_dialog.h"
#include "window_support.h"

namespace talvero {
namespace {

using testing::WindowTest;

QString Shown(QString text) { return text.remove(QRegularExpression("&(?!&)")); }

QString Where(const QWidget* w, const QString& text) {
  return QStringLiteral("%1 \"%2\" (%3 x %4)")
      .arg(w->metaObject()->className(), text)
      .arg(w->width())
      .arg(w->height());
}

// Where a control draws, in its parent's coordinates: a label only where the ink of its
// text lies (its line box may reach into the control below without hiding anything).
QRect InkRect(const QWidget* w) {
  const auto* label = qobject_cast<const QLabel*>(w);
  if (!label || label->text().isEmpty() || !label->pixmap().isNull()) return w->geometry();
  // The labels here show one line, left-aligned and centred upright (the default).
  const QRect room = label->contentsRect();
  QTextLayout layout(label->text(), label->font());
  layout.beginLayout();
  const QTextLine line = layout.createLine();
  layout.endLayout();
  const int baseline = room.top() + qRound((room.height() - line.height()) / 2 + line.ascent());
  return label->fontMetrics()
      .tightBoundingRect(label->text())
      .translated(room.left(), baseline)
      .translated(w->pos());
}

// Every control under `root` whose caption does not fit, with the room it has.
QStringList CutCaptions(QWidget* root) {
  QStringList cut;
  const auto need = [&cut](bool fits, const QWidget* w, const QString& text, QSize wanted) {
    if (!fits)
      cut << Where(w, text) + QStringLiteral(" needs %1 x %2").arg(wanted.width()).arg(wanted.height());
  };
  for (QWidget* w : root->findChildren<QWidget*>()) {
    if (!w->isVisible()) continue;
    // A control laid over another hides part of it.
    for (QObject* other : w->parent()->children()) {
      auto* sibling = qobject_cast<QWidget*>(other);
      if (sibling && sibling != w && sibling->isVisible() && !sibling->isWindow() &&
          sibling < w && InkRect(sibling).intersects(InkRect(w)))
        cut << Where(w, "") + " overlaps " + Where(sibling, "");
    }
    if (auto* label = qobject_cast<QLabel*>(w); label && !label->text().isEmpty()) {
      const QSize hint = label->sizeHint();
      need(label->width() >= hint.width() && label->height() >= hint.height(), w, label->text(),
           hint);
    } else if (qobject_cast<QCheckBox*>(w) || qobject_cast<QRadioButton*>(w)) {
      const auto* box = static_cast<QAbstractButton*>(w);
      const QSize hint = box->sizeHint();
      // Across, indicator and text must fit; upright, the ink of the text (the specified
      // heights are less than the style's line box).
      const int ink = box->fontMetrics().tightBoundingRect(Shown(box->text())).height();
      need(box->width() >= hint.width() && box->height() >= ink, w, box->text(), {hint.width(), ink});
    } else if (auto* button = qobject_cast<QAbstractButton*>(w); button && !button->text().isEmpty()) {
      QStyleOptionButton option;
      option.initFrom(button);
      option.text = button->text();
      const QRect room = button->style()->subElementRect(QStyle::SE_PushButtonContents, &option, button);
      const QSize text = button->fontMetrics().size(Qt::TextShowMnemonic, button->text());
      need(room.width() >= text.width() && room.height() >= text.height(), w, button->text(), text);
    } else if (auto* group = qobject_cast<QGroupBox*>(w)) {
      // The title and the items side by side (each item is checked on its own above).
      const QSize hint = group->minimumSizeHint();
      need(group->width() >= hint.width(), w, group->title(), hint);
    } else if (auto* tabs = qobject_cast<QTabBar*>(w)) {
      for (int i = 0; i < tabs->count(); ++i) {
        const int text = tabs->fontMetrics().horizontalAdvance(Shown(tabs->tabText(i)));
        need(tabs->tabRect(i).width() >= text, w, tabs->tabText(i), {text, 0});
      }
    } else if (auto* grid = qobject_cast<TDataStringGrid*>(w)) {
      const QFontMetrics metrics = grid->fontMetrics();
      for (int row = 0; row < grid->RowCount(); ++row)
        for (int col = 0; col < grid->ColCount(); ++col) {
          const TDataStringGridItem* item = grid->Objects(col, row);
          if (!item) continue;
          const QString text = QString::fromStdString(item->DataStr());
          const int padding = item->CellAlign() == caCenter ? 0 : grid->Cellpadding();
          const int width = metrics.horizontalAdvance(text) + padding;
          // The text's top lies 2 pixels below the cell's; its ink must end inside the cell.
          QTextLayout layout(text, grid->font());
          layout.beginLayout();
          const int ascent = qRound(layout.createLine().ascent());
          layout.endLayout();
          const int bottom = 2 + ascent + metrics.tightBoundingRect(text).bottom();
          need(width <= grid->ColWidths(col) && bottom < grid->RowHeights(row), w, text,
               {width, bottom + 1});
        }
    }
  }
  return cut;
}

// The families that draw the window's Latin and Japanese text.
std::string FontsOf(const QWidget& w) {
  const QFontInfo info(w.font());
  return info.family().toStdString() + " / " + w.font().families().join(", ").toStdString();
}

TEST_F(WindowTest, EveryCaptionOfEveryTabFits) {
  // The measurements mean something only in the installed fonts.
  ASSERT_TRUE(QFontDatabase::families().contains("Noto Sans CJK JP"));
  ASSERT_TRUE(QFontDatabase::families().contains("DejaVu Sans"));
  SCOPED_TRACE("fonts: " + FontsOf(*window));
  for (QWidget* tab : {window->TabSheet2, window->TabSheet3, window->TabSheet1}) {
    window->PageControl1->setCurrentWidget(tab);
    EXPECT_EQ(CutCaptions(window.get()), QStringList())
        << window->PageControl1->tabText(window->PageControl1->currentIndex()).toStdString();
  }
  // The sphere labels and the other format page.
  window->Filer().SetSceneType(stSphere);
  window->Filer().SetSceneFormat(sfRCP);
  EXPECT_EQ(CutCaptions(window.get()), QStringList());
}

TEST_F(WindowTest, EveryCaptionOfTheDialogsFits) {
  QStringList cut = {"not shown"};
  testing::WhenModal([&cut](QWidget* modal) {
    cut = CutCaptions(modal);
    modal->close();
  });
  bool dontAsk = false;
  TForm3::Execute("/home/someone/scenes/a-long-scene-name.scn", dontAsk, window.get());
  EXPECT_EQ(cut, QStringList());

  cut = QStringList{"not shown"};
  testing::WhenModal([&cut](QWidget* modal) {
    cut = CutCaptions(modal);
    modal->close();
  });
  window->About1->trigger();
  EXPECT_EQ(cut, QStringList());
}

}  // namespace
}  // namespace talvero
