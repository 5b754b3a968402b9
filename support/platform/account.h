// The account the process runs as.
#pragma once

#include <string>

namespace talvero::platform {

// Its home folder from the system's user database (for when $HOME is unset); empty when the
// system does not say, and on Windows.
std::string AccountHomeFolder();

}  // namespace talvero::platform
