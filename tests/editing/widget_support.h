// Helpers of the widget suites: typing into whatever holds the focus, clicking cells.
#pragma once

#include <QApplication>
#include <QTest>
#include <QWidget>
#include <ostream>

#include "editing/data_string_grid.h"

// Readable failure messages.
inline void PrintTo(const QString& text, std::ostream* os) {
  *os << '"' << text.toStdString() << '"';
}

namespace talvero::testing {

// Each character as a key press on the focused widget, as a user's typing arrives.
inline void Type(const QString& keys) {
  for (QChar c : keys) QTest::keyClick(QApplication::focusWidget(), c.toLatin1());
}

inline void Press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
  QTest::keyClick(QApplication::focusWidget(), key, modifiers);
}

// One key press that produces `text` while `modifiers` are held, as the keyboard sends it
// (the modifier keys go down first and come up last).
inline void PressText(const QString& text, Qt::KeyboardModifiers modifiers = Qt::NoModifier,
                      Qt::Key key = Qt::Key_unknown) {
  QTest::sendKeyEvent(QTest::Click, QApplication::focusWidget(), key, text, modifiers);
}

inline QPoint CellCentre(const TDataStringGrid& grid, int col, int row) {
  return grid.CellRect(col, row).center();
}

// Shows the widget's window and makes it the active one, so that focus rules apply.
inline bool ShowActive(QWidget& window) {
  window.show();
  window.activateWindow();
  return QTest::qWaitForWindowActive(&window);
}

}  // namespace talvero::testing
