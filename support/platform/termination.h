// The system's request to end a program that has a window: SIGTERM at logout or shutdown,
// SIGINT from a terminal, SIGHUP when the terminal goes. (Windows tells the window through a
// message instead; nothing is caught there.)
#pragma once

namespace talvero::platform {

// While one lives, such a request only makes Descriptor() readable, for an event loop to
// watch; afterwards the requests end the program again. One at a time.
class TerminationRequests {
 public:
  TerminationRequests();
  ~TerminationRequests();
  TerminationRequests(const TerminationRequests&) = delete;
  TerminationRequests& operator=(const TerminationRequests&) = delete;

  // Readable while a request waits; -1 where nothing is caught (Windows, or the system
  // refused the descriptors).
  int Descriptor() const;
  // Takes every request waiting; true when there was one.
  bool Take();
};

}  // namespace talvero::platform
