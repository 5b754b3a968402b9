// talvero-convert: panorama to flight-simulator scenery without a window.
#include <string>
#include <vector>

#include "cli/convert_job.h"
#include "support/platform/console.h"

int main(int argc, char** argv) {
  namespace platform = talvero::platform;
  const std::vector<std::string> arguments = platform::ProgramArguments(argc, argv);
  std::vector<const char*> pointers;
  for (const std::string& argument : arguments) pointers.push_back(argument.c_str());
  return talvero::ConverterMain(static_cast<int>(pointers.size()), pointers.data(),
                                platform::StandardOutput(), platform::StandardError());
}
