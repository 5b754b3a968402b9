#include "support/platform/termination.h"

#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <initializer_list>

namespace talvero::platform {

namespace {

// A signal handler may only write to a descriptor; the event loop reads the other end. Both
// ends are non-blocking: a burst of signals must never stall the handler on a full socket
// (one byte waiting is enough).
int gEnds[2] = {-1, -1};

extern "C" void NoteRequest(int number) {
  const int savedErrno = errno;  // the interrupted code may be about to read it
  const char byte = static_cast<char>(number);
  [[maybe_unused]] const ssize_t ignored = ::write(gEnds[0], &byte, 1);
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

TerminationRequests::TerminationRequests() {
  if (gEnds[0] >= 0) return;
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, gEnds) != 0) {
    gEnds[0] = gEnds[1] = -1;
    return;
  }
  SetHandlers(NoteRequest);
}

TerminationRequests::~TerminationRequests() {
  if (gEnds[0] < 0) return;
  SetHandlers(SIG_DFL);
  ::close(gEnds[0]);
  ::close(gEnds[1]);
  gEnds[0] = gEnds[1] = -1;
}

int TerminationRequests::Descriptor() const { return gEnds[1]; }

bool TerminationRequests::Take() {
  if (gEnds[1] < 0) return false;
  bool any = false;
  char bytes[64];
  while (::read(gEnds[1], bytes, sizeof bytes) > 0) any = true;
  return any;
}

}  // namespace talvero::platform
