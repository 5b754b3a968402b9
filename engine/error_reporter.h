// The engine's modal error box. The GUI installs a reporter that shows a message
// box, the command-line converter one that prints, tests one that records.
#pragma once

#include <string>

namespace talvero {

class TErrorReporter {
 public:
  virtual ~TErrorReporter() = default;
  // Returns when the user has seen the message.
  virtual void ShowError(const std::string& message) = 0;
};

// Writes every message as one line to standard error; the default reporter.
class StderrErrorReporter : public TErrorReporter {
 public:
  void ShowError(const std::string& message) override;
};

// The reporter used by the free ShowError; never null.
TErrorReporter& CurrentErrorReporter();

// Installs a reporter (nullptr restores the default) and returns the previous one.
TErrorReporter* SetErrorReporter(TErrorReporter* reporter);

// The shared error box of the core.
void ShowError(const std::string& message);

// Installs a reporter for the lifetime of a scope.
class ScopedErrorReporter {
 public:
  explicit ScopedErrorReporter(TErrorReporter& reporter)
      : FPrevious(SetErrorReporter(&reporter)) {}
  ~ScopedErrorReporter() { SetErrorReporter(FPrevious); }
  ScopedErrorReporter(const ScopedErrorReporter&) = delete;
  ScopedErrorReporter& operator=(const ScopedErrorReporter&) = delete;

 private:
  TErrorReporter* FPrevious;
};

}  // namespace talvero
