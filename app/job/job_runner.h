// Running a job from the window off the window's thread. The engine bound to the window reads
// its controls, so the window reads them once, on its own thread, as the job starts
// (JobSettings); the stages then run on a worker thread over that copy. What the stages send
// back is handled on the window's thread while the worker waits: each progress event (so the
// console and the status bar never lag behind the files, and a cancel takes effect at the
// next check after the line the user saw), the error boxes and the scene file's overwrite
// question, modal as before.
// Between two lines the window handles its events as when idle.
#pragma once

#include <QObject>
#include <condition_variable>
#include <exception>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

#include "engine/enums.h"
#include "engine/error_reporter.h"
#include "engine/job_settings.h"
#include "engine/progress.h"
#include "support/cancellation.h"

class QAction;

namespace talvero {

class TForm1;

class TJobRunner : public QObject {
  Q_OBJECT

 public:
  explicit TJobRunner(TForm1& window);
  // A job still running is cancelled and waited for; what it would still have shown is not.
  ~TJobRunner() override;

  // True from Execute's start to its end (questions included).
  bool Running() const { return FRunning; }
  // Execute: the window's settings read, the image overwrite question, then the stages on the
  // worker. Returns at once; the job ends later, on the window's thread.
  void Execute();
  // Stops the running job at its next check; nothing when none runs.
  void Cancel();
  // Closing the window during a job: it closes once the job has unwound.
  void CloseWhenDone() { FCloseWhenDone = true; }

  // For tests: runs on the worker with each progress event before the window is given it; the
  // job waits while it runs.
  std::function<void(const ProgressEvent& event)> OnWorkerProgress;

 signals:
  // On the window's thread, once the console shows a progress line of the job (the worker
  // waits until every receiver has returned).
  void LineShown();
  // On the window's thread, when a job has ended and the window shows it (before a close that
  // waited for the job).
  void Finished();

 private:
  struct Plan {
    JobSettings Settings;
    bool Images = false, Scene = false;
    bool AskSceneOverwrite = false;
  };
  // The stages, on the worker.
  void Work(const Plan& plan);
  // On the worker: runs `action` on the window's thread and waits for it. False, with
  // `action` not run, once the runner is being destroyed.
  bool OnWindow(const std::function<void()>& action);
  // On the window's thread when the worker has ended.
  void Finish(std::exception_ptr failure);
  void ReportCancelled();
  // Runs a step of the window so that no exception reaches the event loop: it is shown instead.
  void Guarded(const std::function<void()>& action);
  // The event in the status bar and, as its line, in the console.
  void ShowProgress(const ProgressEvent& event);
  void ShowError(const std::string& message);
  // Asks about overwriting `path`; the option of `option` follows the dialog's check box.
  // True when the answer is yes.
  bool ConfirmOverwrite(const std::string& path, QAction* option);

  // The stages' error box: shown on the window's thread.
  class WorkerReporter : public TErrorReporter {
   public:
    explicit WorkerReporter(TJobRunner& runner) : FRunner(runner) {}
    void ShowError(const std::string& message) override;

   private:
    TJobRunner& FRunner;
  };

  TForm1& FWindow;
  CancellationFlag FCancellation;
  WorkerReporter FReporter{*this};
  std::thread FWorker;
  std::mutex FMutex;
  std::condition_variable FAnswered;
  bool FClosing = false;  // under FMutex
  bool FRunning = false;
  bool FCloseWhenDone = false;
  bool FCancelReported = false;
  bool FErrorShown = false;  // a stage of the running job refused or failed
};

}  // namespace talvero
