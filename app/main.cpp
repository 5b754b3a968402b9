// Talvero's desktop program: one main window, no command-line arguments.
#include <QApplication>

#include "app/main_window.h"
#include "app/qt_error_reporter.h"
#include "app/termination_signals.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  // Lets the desktop match the window with its menu entry and icon.
  QGuiApplication::setDesktopFileName(QStringLiteral("talvero"));
  // Error boxes of the parts that have no window of their own (the grids, the settings).
  talvero::QtErrorReporter errorBox;
  const talvero::ScopedErrorReporter scoped(errorBox);

  talvero::TForm1 window;
  talvero::CloseOnTerminationSignals(window);
  window.show();
  return QApplication::exec();
}
