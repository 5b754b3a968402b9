// One QApplication for the whole suite: the widget tests need it, the store's tests run
// without ever showing a window.
#include <gtest/gtest.h>

#include <QApplication>

int main(int argc, char** argv) {
  // No display is needed or wanted, also when the suite is listed at build time.
  // Windows builds carry only the Windows platform: their suites run on a display (under
  // Wine, a virtual one).
#ifndef _WIN32
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
#endif
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
