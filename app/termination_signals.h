// The system's request to end the program (SIGTERM at logout or shutdown, SIGINT from a
// terminal, SIGHUP when the terminal goes) closes the window as its close box does, so the
// settings are saved as on Windows when the system ends a session. A job still running
// finishes first, as for the close box.
#pragma once

class QWidget;

namespace talvero {

// While `window` lives, the three signals close it on the event loop; afterwards they end
// the program again. One window at a time; nothing where the system has no such signals.
void CloseOnTerminationSignals(QWidget& window);

}  // namespace talvero
