#include "app/job/console_view.h"

#include <QFontDatabase>
#include <QPainter>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextLayout>
#include <QWheelEvent>
#include <algorithm>

namespace talvero {

namespace {

// One wheel step in eighths of a degree.
constexpr int kWheelStep = 120;

}  // namespace

TConsole::TConsole(QWidget* parent) : QPlainTextEdit(parent) {
  QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
#ifdef _WIN32
  // The console's own font on Windows; kanji from the fixed-pitch Japanese fonts of a
  // Japanese Windows, else from the first font that has them.
  font.setFamilies({QStringLiteral("Fixedsys"), QStringLiteral("ＭＳ ゴシック"),
                    QStringLiteral("MS Gothic"), font.family(), QStringLiteral("Yu Gothic UI"),
                    QStringLiteral("Noto Sans Mono CJK JP")});
#else
  // The Japanese fallback keeps messages with kanji in the same fixed pitch family.
  font.setFamilies(
      {font.family(), QStringLiteral("Noto Sans Mono CJK JP"), QStringLiteral("monospace")});
#endif
  font.setStyleHint(QFont::TypeWriter);
  font.setPixelSize(13);
  setFont(font);
  setLineWrapMode(QPlainTextEdit::NoWrap);
  setWordWrapMode(QTextOption::NoWrap);
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  setUndoRedoEnabled(false);
  QPalette colours = palette();
  colours.setColor(QPalette::Text, Qt::black);
  colours.setColor(QPalette::Highlight, QColor(0, 0, 128));
  colours.setColor(QPalette::HighlightedText, Qt::white);
  setPalette(colours);
}

void TConsole::Clear() {
  clear();
  FEmpty = true;
}

void TConsole::AppendLine(const QString& text) {
  QTextCursor cursor(document());
  cursor.movePosition(QTextCursor::End);
  if (LineCount() > 0) cursor.insertBlock();
  cursor.insertText(text);
  FEmpty = false;
}

int TConsole::LineCount() const {
  if (FEmpty && document()->isEmpty()) return 0;
  return document()->blockCount();
}

QString TConsole::LastLine() const {
  return LineCount() > 0 ? document()->lastBlock().text() : QString();
}

void TConsole::SetLastLine(const QString& text) {
  if (LineCount() == 0) {
    AppendLine(text);
    return;
  }
  QTextCursor cursor(document()->lastBlock());
  cursor.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
  cursor.insertText(text);
}

void TConsole::AddProgress(const QString& text, bool update) {
  // An update with no line yet (the engine never sends one) starts a line.
  if (update && LineCount() > 0)
    SetLastLine(LastLine() + text);
  else
    AppendLine(text);
  SetTopRow(DisplayRowCount() - VisibleRowCount() + 2);
}

int TConsole::DisplayRowCount() const { return document()->blockCount(); }

int TConsole::VisibleRowCount() const {
  return std::max(1, viewport()->height() / std::max(1, fontMetrics().lineSpacing()));
}

int TConsole::TopRow() const { return verticalScrollBar()->value(); }

// In a plain text view without wrapping the vertical scroll position counts lines.
void TConsole::SetTopRow(int row) { verticalScrollBar()->setValue(row); }

int TConsole::CaretRow() const { return textCursor().blockNumber(); }

void TConsole::SetCaretRow(int row) {
  row = std::clamp(row, 0, document()->blockCount() - 1);
  QTextCursor cursor = textCursor();
  const int column = cursor.positionInBlock();
  const QTextBlock block = document()->findBlockByNumber(row);
  cursor.setPosition(block.position() + std::min(column, block.length() - 1));
  setTextCursor(cursor);
}

void TConsole::wheelEvent(QWheelEvent* event) {
  FWheelRemainder += event->angleDelta().y();
  while (FWheelRemainder <= -kWheelStep) {
    FWheelRemainder += kWheelStep;
    emit MouseWheelDown();
  }
  while (FWheelRemainder >= kWheelStep) {
    FWheelRemainder -= kWheelStep;
    emit MouseWheelUp();
  }
  // Not handled here: the view scrolls as usual too.
  QPlainTextEdit::wheelEvent(event);
}

void TConsole::paintEvent(QPaintEvent* event) {
  QPlainTextEdit::paintEvent(event);
  QPainter painter(viewport());
  painter.setPen(Qt::gray);
  const QPointF offset = contentOffset();
  for (QTextBlock block = firstVisibleBlock(); block.isValid(); block = block.next()) {
    const QRectF bounds = blockBoundingGeometry(block).translated(offset);
    if (bounds.top() > viewport()->height()) break;
    const QTextLayout* layout = block.layout();
    if (!layout || layout->lineCount() == 0) continue;
    const QTextLine line = layout->lineAt(layout->lineCount() - 1);
    const QPointF end(bounds.left() + line.x() + line.naturalTextWidth() + 2,
                      bounds.top() + line.y() + line.ascent());
    painter.drawText(end, block.next().isValid() ? QStringLiteral("↵") : QStringLiteral("[EOF]"));
  }
}

}  // namespace talvero
