// The system's requests to end the program (POSIX signals; Windows tells the window through a
// message, which closes it as its close box does).
#include <unistd.h>

#include <csignal>
#include <filesystem>

#include "app/termination_signals.h"
#include "window_support.h"

namespace talvero {
namespace {

using testing::IniLine;
using testing::ReadAll;
using testing::WindowTest;

// The system ending the program (logout, shutdown, Ctrl+C) closes the window as its close
// box does, so its settings are kept; once the window is gone the signals end programs again.
TEST_F(WindowTest, TerminationSignalsCloseTheWindowAndSaveTheSettings) {
  for (const int number : {SIGTERM, SIGINT, SIGHUP}) {
    SCOPED_TRACE(number);
    std::filesystem::remove(IniPath());
    CloseOnTerminationSignals(*window);
    window->resize(720, 650);
    ASSERT_EQ(::raise(number), 0);
    EXPECT_TRUE(QTest::qWaitFor([this] { return !window->isVisible(); }, 5000));
    EXPECT_EQ(IniLine(ReadAll(IniPath()), "FormWidth"), "FormWidth=720");
    window.reset();
    struct sigaction current {};
    ::sigaction(number, nullptr, &current);
    EXPECT_EQ(current.sa_handler, SIG_DFL);
    Open();
  }

  // Ctrl+C held down through a long step that handles no events: the signals pile up, yet
  // none may stall in its handler. (A stalled handler would hang here: the alarm ends the
  // test instead.)
  std::filesystem::remove(IniPath());
  CloseOnTerminationSignals(*window);
  ::alarm(10);
  for (int i = 0; i < 2000; ++i) ASSERT_EQ(::raise(SIGINT), 0);
  ::alarm(0);
  EXPECT_TRUE(QTest::qWaitFor([this] { return !window->isVisible(); }, 5000));
  EXPECT_TRUE(std::filesystem::exists(IniPath()));
}

}  // namespace
}  // namespace talvero
