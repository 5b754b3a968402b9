// The status bar of the main window around a job: while it runs, how far it has got with a
// "中止" button beside it, on every tab; when it ends, what it wrote where and how long it
// took, with a command that opens the output folder in the system's file manager.
#pragma once

#include <QElapsedTimer>
#include <QString>
#include <QObject>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "engine/enums.h"

class QLabel;
class QProgressBar;
class QPushButton;
class QStatusBar;

namespace talvero {

// How far a job has got, in percent, from the console lines its stages send: the stages
// announce each step, strip and file, so the steps passed measure the work done. Lines it
// does not know leave the figure as it is.
class TJobProgress {
 public:
  // `imageNames`: the job's divided images (empty when it writes none); `scene`: whether it
  // writes a scene file; `cube`: the image stage projects a cube (it strips and warps).
  void Start(std::vector<std::string> imageNames, bool scene, bool cube);
  void Line(const std::string& text, TSimProgressMode mode);
  int Percent() const { return FPercent; }

 private:
  void Reach(double percent);
  std::vector<std::string> FImageNames;
  bool FImages = false, FScene = false, FCube = true;
  bool FWarping = false;
  int FStrip = -1, FStripDots = 0;
  size_t FFilesSeen = 0;
  int FPercent = 0;
};

// The files a job may write, with their times before it: afterwards, those that are new or
// rewritten are the files it wrote.
class TOutputFiles {
 public:
  void Start(const std::vector<std::string>& paths);
  int CountWritten() const;

 private:
  std::map<std::string, std::filesystem::file_time_type> FBefore;
};

class TJobStatus : public QObject {
  Q_OBJECT

 public:
  enum TOutcome { joDone, joCancelled, joFailed };

  // Places its controls in `bar`.
  explicit TJobStatus(QStatusBar* bar);

  // A job starts: the progress bar and "中止" show, the last summary goes.
  void Start();
  // What the job will do, once its output names are known.
  void Expect(std::vector<std::string> imageNames, bool scene, bool cube,
              const std::vector<std::string>& outputPaths);
  // A console line of the running job.
  void Line(const std::string& text, TSimProgressMode mode);
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
