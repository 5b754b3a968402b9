#include "support/platform/account.h"

#include <pwd.h>
#include <unistd.h>

namespace talvero::platform {

std::string AccountHomeFolder() {
  if (const passwd* account = ::getpwuid(::getuid()); account && account->pw_dir)
    return account->pw_dir;
  return {};
}

}  // namespace talvero::platform
