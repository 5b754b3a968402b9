// Running a conversion job from the command line, the way the window's Execute command runs
// one, but without questions and with an exit status that tells whether it all worked.
#pragma once

#include <ostream>

#include "cli/convert_options.h"

namespace talvero {

class TSimFiler;

// Fills the engine: the window's defaults, then the job of the --from-scene file, then the
// options given. Error when the scene file is missing or no reader recognises it.
void BuildJob(TSimFiler& filer, const ConvertOptions& options);

// Runs the stages asked for and stops at the first one that is refused. Progress and errors
// go to `err`; the files written, one per line, to `out` once every output asked for was
// written. Returns 0 then, 1 otherwise.
int RunConversion(const ConvertOptions& options, std::ostream& out, std::ostream& err);

// The whole program: 2 for a command line it cannot run, else as RunConversion.
int ConverterMain(int argc, const char* const* argv, std::ostream& out, std::ostream& err);

}  // namespace talvero
