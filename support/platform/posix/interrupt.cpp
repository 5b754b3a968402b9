#include "support/platform/interrupt.h"

#include <signal.h>

#include <atomic>
#include <csignal>

namespace talvero::platform {

namespace {

std::atomic<CancellationFlag*> gCancellation{nullptr};
volatile std::sig_atomic_t gSignal = 0;
static_assert(std::atomic<CancellationFlag*>::is_always_lock_free);

struct sigaction gOldInt {};
struct sigaction gOldTerm {};

extern "C" void CancelOnSignal(int signal) {
  gSignal = signal;
  if (CancellationFlag* flag = gCancellation.load()) flag->Cancel();
}

}  // namespace

InterruptCancellation::InterruptCancellation(CancellationFlag& flag) {
  gSignal = 0;
  gCancellation.store(&flag);
  struct sigaction action {};
  action.sa_handler = CancelOnSignal;
  sigemptyset(&action.sa_mask);
  // Interrupted system calls go on: the job notices the flag at its next check. The
  // handler resets itself, so a second signal takes the default course.
  action.sa_flags = SA_RESTART | SA_RESETHAND;
  sigaction(SIGINT, &action, &gOldInt);
  sigaction(SIGTERM, &action, &gOldTerm);
}

InterruptCancellation::~InterruptCancellation() {
  sigaction(SIGINT, &gOldInt, nullptr);
  sigaction(SIGTERM, &gOldTerm, nullptr);
  gCancellation.store(nullptr);
}

int InterruptCancellation::ExitStatus() { return gSignal == 0 ? 0 : 128 + gSignal; }

}  // namespace talvero::platform
