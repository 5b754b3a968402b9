#include "support/platform/account.h"

namespace talvero::platform {

// A Windows copy keeps its settings beside the executable, as it always has.
std::string AccountHomeFolder() { return {}; }

}  // namespace talvero::platform
