// What a stage of a job reports to and is stopped by: the caller's progress, its error box and
// its cancellation. The stages read nothing else of their caller, so a job may run on any
// thread as long as these three are safe to reach from it.
#pragma once

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "engine/enums.h"
#include "engine/error_reporter.h"
#include "support/cancellation.h"

namespace talvero {

class JobContext {
 public:
  using ProgressSink = std::function<void(const std::string& text, TSimProgressMode mode)>;

  // `reporter` null: the process-wide error box.
  JobContext(ProgressSink progress, TErrorReporter* reporter, const CancellationFlag& cancellation)
      : FProgress(std::move(progress)), FReporter(reporter), FCancellation(&cancellation) {}

  // Only on the thread that runs the stage.
  void Progress(const std::string& text, TSimProgressMode mode) const {
    if (FProgress) FProgress(text, mode);
  }
  // The modal error box; returns once the user has seen it.
  void ShowError(const std::string& message) const {
    if (FReporter)
      FReporter->ShowError(message);
    else
      talvero::ShowError(message);
  }
  // Any thread.
  const CancellationFlag& Cancellation() const { return *FCancellation; }
  void CheckCancelled() const { FCancellation->ThrowIfCancelled(); }

 private:
  ProgressSink FProgress;
  TErrorReporter* FReporter;
  const CancellationFlag* FCancellation;
};

// Progress held back and shown later in one piece (a face's lines wait until the face may be
// written).
class ProgressLines {
 public:
  void Add(std::string text, TSimProgressMode mode) { FLines.emplace_back(std::move(text), mode); }
  void ShowOn(const JobContext& context) const {
    for (const auto& [text, mode] : FLines) context.Progress(text, mode);
  }

 private:
  std::vector<std::pair<std::string, TSimProgressMode>> FLines;
};

}  // namespace talvero
