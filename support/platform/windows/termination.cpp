#include "support/platform/termination.h"

namespace talvero::platform {

// The session's end reaches the window as a message, not as a signal.
TerminationRequests::TerminationRequests() = default;
TerminationRequests::~TerminationRequests() = default;
int TerminationRequests::Descriptor() const { return -1; }
bool TerminationRequests::Take() { return false; }

}  // namespace talvero::platform
