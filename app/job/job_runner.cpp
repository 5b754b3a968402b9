#include "app/job/job_runner.h"

#include <QAction>
#include <QTabWidget>
#include <memory>
#include <vector>

#include "app/check/before_conversion.h"
#include "app/job/console_view.h"
#include "app/job/job_status.h"
#include "app/job/overwrite_dialog.h"
#include "app/main_window.h"
#include "app/settings/recent_files.h"
#include "app/window_text.h"
#include "editing/talvero_filers.h"
#include "engine/image_stage.h"
#include "engine/job_checks.h"
#include "formats/scene_stage.h"
#include "support/file_util.h"

namespace talvero {

TJobRunner::TJobRunner(TForm1& window) : FWindow(window) {}

void TJobRunner::Guarded(const std::function<void()>& action) {
  if (FWindow.FDestroying) return;
  try {
    action();
  } catch (...) {
    FWindow.ReportException(std::current_exception());
  }
}

TJobRunner::~TJobRunner() {
  FCancellation.Cancel();
  {
    std::lock_guard lock(FMutex);
    FClosing = true;
  }
  FAnswered.notify_all();
  if (FWorker.joinable()) FWorker.join();
}

void TJobRunner::Cancel() {
  if (FRunning) FCancellation.Cancel();
}

void TJobRunner::WorkerReporter::ShowError(const std::string& message) {
  FRunner.OnWindow([&] { FRunner.ShowError(message); });
}

bool TJobRunner::OnWindow(const std::function<void()>& action) {
  struct Request {
    bool Done = false;
  };
  auto request = std::make_shared<Request>();
  {
    std::lock_guard lock(FMutex);
    if (FClosing) return false;
  }
  QMetaObject::invokeMethod(
      this,
      [this, request, &action] {
        {
          std::lock_guard lock(FMutex);
          if (FClosing) return;
        }
        // Whatever the action does, the worker goes on afterwards.
        struct Answer {
          TJobRunner& Runner;
          Request& Done;
          ~Answer() {
            {
              std::lock_guard lock(Runner.FMutex);
              Done.Done = true;
            }
            Runner.FAnswered.notify_all();
          }
        } answer{*this, *request};
        Guarded(action);
      },
      Qt::QueuedConnection);
  std::unique_lock lock(FMutex);
  FAnswered.wait(lock, [&] { return request->Done || FClosing; });
  return request->Done;
}

// ---- On the window's thread

void TJobRunner::Execute() {
  if (FRunning) return;  // one job at a time; its button is the cancel command meanwhile
  if (!FWindow.CreateSceneFile() && !FWindow.CreateDividedImage()) return;
  FWindow.Editor1->Clear();
  FWindow.PageControl1->setCurrentWidget(FWindow.TabSheet3);
  FCancellation.Reset();
  FCancelReported = false;
  FErrorShown = false;
  FCloseWhenDone = false;
  FRunning = true;
  FWindow.UpdateCommandStates();
  FWindow.JobStatus1->Start();
  try {
    TTalveroFiler& filer = FWindow.Filer();
    filer.PrepareOutputNames();
    Plan plan{filer.TakeJobSettings(), FWindow.CreateDividedImage(), FWindow.CreateSceneFile(),
              FWindow.CheckSceneFileOverWrite()};
    FWindow.JobStatus1->Expect(plan.Images, plan.Scene, plan.Settings.SceneType == stCube);
    // The job's checks come before any question about replacing files: a job that cannot run
    // asks nothing. The stages check again, on the worker, as they always do.
    struct OnThisThread : TErrorReporter {
      TJobRunner& Runner;
      explicit OnThisThread(TJobRunner& runner) : Runner(runner) {}
      void ShowError(const std::string& message) override { Runner.ShowError(message); }
    } reporter(*this);
    const JobContext checks({}, &reporter, FCancellation);
    if (!(plan.Images ? CheckImageJob(plan.Settings, checks)
                      : CheckSceneJob(plan.Settings, checks))) {
      Finish(nullptr);
      return;
    }
    if (plan.Images) {
      // The images go into the scene file's folder, so that is where one may already exist.
      const StringList& names = plan.Settings.ImageNames;
      const std::string firstPath = names.empty() ? "" : plan.Settings.SceneFolder + names.front();
      if (FWindow.CheckImageFileOverWrite() && !firstPath.empty() && FileExists(firstPath) &&
          !ConfirmOverwrite(firstPath, FWindow.mnuCheckImageFileOverWrite)) {
        Finish(nullptr);
        return;
      }
      FWindow.ClearPanorama();
    }
    FWorker = std::thread([this, plan = std::move(plan)] {
      std::exception_ptr failure;
      try {
        Work(plan);
      } catch (...) {
        failure = std::current_exception();
      }
      QMetaObject::invokeMethod(
          this, [this, failure] { Finish(failure); }, Qt::QueuedConnection);
    });
  } catch (...) {
    Finish(std::current_exception());
  }
}

void TJobRunner::Finish(std::exception_ptr failure) {
  if (FWorker.joinable()) FWorker.join();  // it has posted this as its last act
  if (failure) {
    try {
      std::rethrow_exception(failure);
    } catch (const CancelledError&) {
      ReportCancelled();
      failure = nullptr;
    } catch (...) {
    }
  }
  FWindow.PageControl1->setCurrentWidget(FWindow.TabSheet1);
  FRunning = false;
  FWindow.UpdateCommandStates();
  TTalveroFiler& filer = FWindow.Filer();
  FWindow.JobStatus1->Finish(FCancelReported          ? TJobStatus::joCancelled
                             : failure || FErrorShown ? TJobStatus::joFailed
                                                      : TJobStatus::joDone,
                             filer.GetSceneFolder());
  FWindow.ShowSceneView();  // what the job wrote, or the file as it was when the job stopped early
  FWindow.FBeforeConversion->SceneFileShown();
  if (!failure && !FCancelReported && !FErrorShown) {
    if (FWindow.CreateSceneFile())
      FWindow.RecentFiles1->Add(TRecentFiles::rfScene, filer.GetSceneFilename());
    if (FWindow.CreateDividedImage())
      FWindow.RecentFiles1->Add(TRecentFiles::rfPanorama, filer.GetImageFileName());
  }
  // The preview was cleared to free memory for the job; it comes back when wanted.
  if (FWindow.ShowImage() && !FWindow.Image_Panorama->HasPicture() && !FCloseWhenDone)
    Guarded([this] { FWindow.ShowPanorama(); });
  if (failure) FWindow.ReportException(failure);
  emit Finished();
  if (FCloseWhenDone) {
    FCloseWhenDone = false;
    FWindow.close();
  }
}

void TJobRunner::ReportCancelled() {
  if (FCancelReported) return;
  FCancelReported = true;
  // The console's last line after a job the user stopped.
  FWindow.FilerProgress(
      FWindow.Filer(),
      WindowText(QT_TRANSLATE_NOOP("talvero::TForm1", "出力を中止しました。")).toStdString(),
      spAppend);
}

void TJobRunner::ShowProgress(const ProgressEvent& event) {
  FWindow.JobStatus1->Event(event);
  if (const auto line = ConsoleLine(event)) {
    FWindow.FilerProgress(FWindow.Filer(), line->Text, line->Mode);
    emit LineShown();
  }
}

void TJobRunner::ShowError(const std::string& message) {
  // A stage's report of the user's cancel is a console line, not an error box.
  if (message == kCancelledMessage && FCancellation.Cancelled()) {
    ReportCancelled();
  } else {
    FErrorShown = true;
    FWindow.Reporter().ShowError(message);
  }
}

bool TJobRunner::ConfirmOverwrite(const std::string& path, QAction* option) {
  bool dontAskAgain = false;
  const int answer = TForm3::Execute(QString::fromStdString(path), dontAskAgain, &FWindow);
  option->setChecked(!dontAskAgain);
  return answer == kResultYes;
}

// ---- On the worker

void TJobRunner::Work(const Plan& plan) {
  const JobContext context(
      [this](const ProgressEvent& event) {
        if (OnWorkerProgress) OnWorkerProgress(event);
        OnWindow([&] { ShowProgress(event); });
      },
      &FReporter, FCancellation);
  // A refused image step ends the job: the scene file would name images that were not
  // written, and replace a working one.
  if (plan.Images && !RunImageStage(plan.Settings, context)) return;
  if (!plan.Scene) return;
  // Cancelled after the image stage's last check: the scene file is not begun.
  if (FCancellation.Cancelled()) {
    OnWindow([this] { ReportCancelled(); });
    return;
  }
  const std::string& sceneFile = plan.Settings.SceneFilename;
  bool write = !plan.AskSceneOverwrite || !FileExists(sceneFile);
  if (!write)
    OnWindow([&] { write = ConfirmOverwrite(sceneFile, FWindow.mnuCheckSceneFileOverWrite); });
  if (write) RunSceneStage(plan.Settings, context);
}

}  // namespace talvero
