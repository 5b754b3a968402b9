#include "support/platform/console.h"

#include <iostream>

namespace talvero::platform {

std::vector<std::string> ProgramArguments(int argc, char** argv) {
  return std::vector<std::string>(argv, argv + argc);
}

std::ostream& StandardOutput() { return std::cout; }
std::ostream& StandardError() { return std::cerr; }

}  // namespace talvero::platform
