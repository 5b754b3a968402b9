// What a stage of a job reports to and is stopped by: the caller's progress, its error box and
// its cancellation. The stages read nothing else of their caller, so a job may run on any
// thread as long as these three are safe to reach from it.
#pragma once

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "engine/error_reporter.h"
#include "engine/progress.h"
#include "support/cancellation.h"

namespace talvero {

class JobContext {
 public:
  using ProgressSink = std::function<void(const ProgressEvent& event)>;

  // `reporter` null: the process-wide error box.
  JobContext(ProgressSink progress, TErrorReporter* reporter, const CancellationFlag& cancellation)
      : FProgress(std::move(progress)), FReporter(reporter), FCancellation(&cancellation) {}

  // Only on the thread that runs the stage.
  void Progress(const ProgressEvent& event) const {
    if (FProgress) FProgress(event);
  }
  void Progress(ProgressStep step, int32_t done = 0, int32_t total = 0,
                std::string file = {}) const {
    Progress(ProgressEvent{step, done, total, std::move(file)});
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

// Progress held back and reported later in one piece (a face's events wait until the face may
// be written).
class ProgressLines {
 public:
  void Add(ProgressEvent event) { FEvents.push_back(std::move(event)); }
  void ShowOn(const JobContext& context) const {
    for (const ProgressEvent& event : FEvents) context.Progress(event);
  }

 private:
  std::vector<ProgressEvent> FEvents;
};

}  // namespace talvero
