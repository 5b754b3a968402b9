#include "app/termination_signals.h"

#include <QPointer>
#include <QSocketNotifier>
#include <QWidget>

#ifndef _WIN32
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#endif

namespace talvero {

#ifndef _WIN32
namespace {

// A signal handler may only write to a descriptor; the event loop reads the other end. Both
// ends are non-blocking: a burst of signals must never stall the handler on a full pipe (one
// byte waiting is enough to close the window).
int gSignalPipe[2] = {-1, -1};

void OnSignal(int number) {
  const int savedErrno = errno;  // the interrupted code may be about to read it
  const char byte = static_cast<char>(number);
  [[maybe_unused]] const ssize_t ignored = ::write(gSignalPipe[0], &byte, 1);
  errno = savedErrno;
}

void SetHandlers(void (*handler)(int)) {
  struct sigaction action {};
  action.sa_handler = handler;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (const int number : {SIGTERM, SIGINT, SIGHUP}) ::sigaction(number, &action, nullptr);
}

}  // namespace

void CloseOnTerminationSignals(QWidget& window) {
  if (gSignalPipe[0] >= 0) return;
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, gSignalPipe) != 0)
    return;
  auto* notifier = new QSocketNotifier(gSignalPipe[1], QSocketNotifier::Read, &window);
  QObject::connect(notifier, &QSocketNotifier::activated, &window,
                   [target = QPointer<QWidget>(&window)] {
                     char bytes[64];
                     while (::read(gSignalPipe[1], bytes, sizeof bytes) > 0) {
                     }
                     if (target) target->close();
                   });
  SetHandlers(OnSignal);
  // With the window gone the signals end the program again.
  QObject::connect(notifier, &QObject::destroyed, [] {
    SetHandlers(SIG_DFL);
    ::close(gSignalPipe[0]);
    ::close(gSignalPipe[1]);
    gSignalPipe[0] = gSignalPipe[1] = -1;
  });
}
#else
void CloseOnTerminationSignals(QWidget&) {}
#endif

}  // namespace talvero
