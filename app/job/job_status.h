// The status bar of the main window around a job: while it runs, how far it has got with a
// "中止" button beside it, on every tab; when it ends, what it wrote where and how long it
// took, with a command that opens the output folder in the system's file manager.
#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <string>
#include <vector>

#include "engine/progress.h"

class QLabel;
class QProgressBar;
class QPushButton;
class QStatusBar;

namespace talvero {

// How far a job has got, in percent, from its progress events: the stages report each step,
// strip, image and file, so the steps passed measure the work done. It only ever grows.
class TJobProgress {
 public:
  // `images`: the job writes divided images; `scene`: a scene file; `cube`: the image stage
  // projects a cube (it warps).
  void Start(bool images, bool scene, bool cube);
  void Event(const ProgressEvent& event);
  int Percent() const { return FPercent; }

 private:
  void Reach(double percent);
  bool FImages = false, FScene = false, FCube = true;
  int FPercent = 0;
};

// The files a job has put in place, as its stages report them.
class TOutputFiles {
 public:
  void Start() { FPaths.clear(); }
  void Event(const ProgressEvent& event);
  int CountWritten() const { return static_cast<int>(FPaths.size()); }
  const std::vector<std::string>& Paths() const { return FPaths; }

 private:
  std::vector<std::string> FPaths;
};

class TJobStatus : public QObject {
  Q_OBJECT

 public:
  enum TOutcome { joDone, joCancelled, joFailed };

  // Places its controls in `bar`.
  explicit TJobStatus(QStatusBar* bar);

  // A job starts: the progress bar and "中止" show, the last summary goes.
  void Start();
  // What the job will do: divided images, a scene file, a cube.
  void Expect(bool images, bool scene, bool cube);
  void Event(const ProgressEvent& event);
  // The job ended; `folder` is where its files go.
  void Finish(TOutcome outcome, const std::string& folder);

  QString SummaryText() const;
  QString Folder() const { return FFolder; }
  // Opens the folder of the last job in the file manager.
  void OpenFolder() const;

  QProgressBar* ProgressBar;
  QPushButton* CancelButton;
  QLabel* Summary;
  QPushButton* OpenFolderButton;

 signals:
  void CancelClicked();

 private:
  TJobProgress FProgress;
  TOutputFiles FOutputs;
  QElapsedTimer FClock;
  QString FFolder;
};

}  // namespace talvero
