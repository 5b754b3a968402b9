// Helpers of the widget suites: typing into whatever holds the focus, clicking cells.
#pragma once

#include <QApplication>
#include <QTest>
#include <QWidget>

#include "editing/data_string_grid.h"

namespace talvero::testing {

// Each character as a key press on the focused widget, as a user's typing arrives.
inline void Type(const QString& keys) {
  for (QChar c : keys) QTest::keyClick(QApplication::focusWidget(), c.toLatin1());
}

inline void Press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
  QTest::keyClick(QApplication::focusWidget(), key, modifiers);
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
