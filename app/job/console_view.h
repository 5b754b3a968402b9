// The console: the job's log, one line per step, in a fixed-pitch font without wrapping.
// The user may type into it; nothing reads the text back.
#pragma once

#include <QPlainTextEdit>
#include <QString>

namespace talvero {

class TConsole : public QPlainTextEdit {
  Q_OBJECT
 public:
  explicit TConsole(QWidget* parent = nullptr);

  void Clear();
  void AppendLine(const QString& text);
  // 0 for a console that was cleared and holds nothing since.
  int LineCount() const;
  QString LastLine() const;
  // Replaces the text of the last line (adds one when there is none).
  void SetLastLine(const QString& text);
  // A job's progress: a new line, or with `update` more of the last one; the view scrolls to
  // keep the last line in sight.
  void AddProgress(const QString& text, bool update);

  // Lines of text (one display row each, since lines never wrap).
  int DisplayRowCount() const;
  // Whole rows that fit in the view.
  int VisibleRowCount() const;
  int TopRow() const;
  // Clamped to the text.
  void SetTopRow(int row);
  int CaretRow() const;
  // Clamped to the text; the caret keeps its column where the row is long enough.
  void SetCaretRow(int row);

 signals:
  // One per wheel step over the console, before the view scrolls as usual.
  void MouseWheelDown();
  void MouseWheelUp();

 protected:
  void wheelEvent(QWheelEvent* event) override;
  // Draws the line-end and end-of-text marks in grey after the text.
  void paintEvent(QPaintEvent* event) override;

 private:
  bool FEmpty = true;
  int FWheelRemainder = 0;  // high-resolution wheels send fractions of a step
};

}  // namespace talvero
