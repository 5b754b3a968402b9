// The user's request to stop a command-line program: Ctrl+C and SIGTERM on POSIX systems;
// Ctrl+C, Ctrl+Break and closing the console window on Windows.
#pragma once

#include "support/cancellation.h"

namespace talvero::platform {

// While one lives, such a request cancels `flag` instead of ending the program, so that
// the job stops at its next check and removes its temporary files; a second request of the
// same kind ends the program at once, as it would without the handler. One at a time.
class InterruptCancellation {
 public:
  explicit InterruptCancellation(CancellationFlag& flag);
  ~InterruptCancellation();
  InterruptCancellation(const InterruptCancellation&) = delete;
  InterruptCancellation& operator=(const InterruptCancellation&) = delete;

  // The exit status that tells the caller which request stopped the program, as the
  // system's default handling would have ended it (128 + the signal's number on POSIX
  // systems); 0 when none came.
  static int ExitStatus();
};

}  // namespace talvero::platform
