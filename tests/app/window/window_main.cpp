// The window suites share one application object, on the offscreen platform unless the
// environment chose another (test discovery at build time needs no display either).
#include <gtest/gtest.h>

#include <QApplication>

int main(int argc, char** argv) {
  // Windows builds carry only the Windows platform: their suites run on a display (under
  // Wine, a virtual one).
#ifndef _WIN32
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
#endif
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
