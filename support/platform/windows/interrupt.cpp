#include "support/platform/interrupt.h"

#include <windows.h>

#include <mutex>

namespace talvero::platform {

namespace {

// The console calls the handler on a thread of its own, so a lock keeps the flag alive
// while the handler uses it.
std::mutex gLock;
CancellationFlag* gCancellation = nullptr;
unsigned gReceived = 0;  // one bit per kind of request
HANDLE gFinished = nullptr;

bool Closing(DWORD type) {
  return type == CTRL_CLOSE_EVENT || type == CTRL_LOGOFF_EVENT || type == CTRL_SHUTDOWN_EVENT;
}

BOOL WINAPI CancelOnControl(DWORD type) {
  HANDLE finished = nullptr;
  {
    const std::lock_guard<std::mutex> hold(gLock);
    const unsigned kind = 1u << (type & 31);
    // A second request of the same kind takes the default course: the program ends.
    if (!gCancellation || (gReceived & kind)) return FALSE;
    gReceived |= kind;
    gCancellation->Cancel();
    finished = gFinished;
  }
  if (!Closing(type)) return TRUE;
  // Windows ends the program as soon as the handler returns from these (and after 5
  // seconds at the latest): give the job the time to stop and remove its temporary files.
  WaitForSingleObject(finished, 4000);
  return FALSE;
}

}  // namespace

InterruptCancellation::InterruptCancellation(CancellationFlag& flag) {
  const std::lock_guard<std::mutex> hold(gLock);
  gCancellation = &flag;
  gReceived = 0;
  if (!gFinished) gFinished = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  ResetEvent(gFinished);
  SetConsoleCtrlHandler(CancelOnControl, TRUE);
}

InterruptCancellation::~InterruptCancellation() {
  {
    const std::lock_guard<std::mutex> hold(gLock);
    gCancellation = nullptr;
  }
  SetEvent(gFinished);
  SetConsoleCtrlHandler(CancelOnControl, FALSE);
}

int InterruptCancellation::ExitStatus() {
  const std::lock_guard<std::mutex> hold(gLock);
  // What the default handler ends a program with.
  return gReceived == 0 ? 0 : static_cast<int>(STATUS_CONTROL_C_EXIT);
}

}  // namespace talvero::platform
