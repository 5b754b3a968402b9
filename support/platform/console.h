// The program's command line and its standard streams, as UTF-8 text.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace talvero::platform {

// The arguments, program name first, in UTF-8. On Windows they are read again from the
// wide-character command line: argv holds them in the ANSI code page, which cannot hold
// every file name.
std::vector<std::string> ProgramArguments(int argc, char** argv);

// Standard output and standard error for UTF-8 text. A Windows console is given the text
// as wide characters, so that it shows correctly whatever the console's code page;
// redirected to a file or a pipe the bytes stay UTF-8.
std::ostream& StandardOutput();
std::ostream& StandardError();

}  // namespace talvero::platform
