// The converter's standard error: the engine's progress lines, laid out as the window's
// console shows them, and one-line error messages.
#pragma once

#include <ostream>
#include <string>

#include "engine/enums.h"
#include "engine/error_reporter.h"

namespace talvero {

class ConsoleOutput {
 public:
  ConsoleOutput(std::ostream& stream, bool quiet) : FStream(stream), FQuiet(quiet) {}

  // spAppend starts a new line, spUpdate continues the current one (progress dots). A line
  // is ended only when the next one starts, so dots land on the line they belong to.
  void Progress(const std::string& text, TSimProgressMode mode);
  // Ends the open progress line, if any.
  void EndLine();
  // "talvero-convert: error: " and the message on one line (line breaks become spaces),
  // followed by what to do about the engine's own messages. Shown even when quiet.
  void Error(const std::string& message);
  // "talvero-convert: warning: " and the message on one line; shown even when quiet.
  void Warning(const std::string& message);

 private:
  std::ostream& FStream;
  bool FQuiet;
  bool FLineOpen = false;
};

// The engine's error box for the converter: prints the message and counts it, so that a
// stage refused by its checks ends the run with a failure status.
class ConsoleErrorReporter : public TErrorReporter {
 public:
  explicit ConsoleErrorReporter(ConsoleOutput& console) : FConsole(console) {}
  void ShowError(const std::string& message) override;
  int Count() const { return FCount; }
  const std::string& LastMessage() const { return FLastMessage; }

 private:
  ConsoleOutput& FConsole;
  int FCount = 0;
  std::string FLastMessage;
};

}  // namespace talvero
