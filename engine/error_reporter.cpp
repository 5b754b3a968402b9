#include "engine/error_reporter.h"

#include <atomic>
#include <cstdio>

namespace talvero {

namespace {
StderrErrorReporter gDefaultReporter;
std::atomic<TErrorReporter*> gReporter{nullptr};
}  // namespace

void StderrErrorReporter::ShowError(const std::string& message) {
  std::fprintf(stderr, "%s\n", message.c_str());
  std::fflush(stderr);
}

TErrorReporter& CurrentErrorReporter() {
  TErrorReporter* reporter = gReporter.load();
  return reporter ? *reporter : gDefaultReporter;
}

TErrorReporter* SetErrorReporter(TErrorReporter* reporter) {
  return gReporter.exchange(reporter);
}

void ShowError(const std::string& message) { CurrentErrorReporter().ShowError(message); }

}  // namespace talvero
