// Jobs started from the window: what Execute does and does not do, the overwrite
// questions, the same files as the engine alone writes, a window that stays usable but
// unchangeable while a job runs, and cancelling a running job.
#include <QCheckBox>
#include <QDir>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QTabWidget>
#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <map>
#include <mutex>
#include <sstream>
#include <thread>
#include <vector>

#include "app/job/console_view.h"
#include "app/job/job_runner.h"
#include "app/job/job_status.h"
#include "app/job/overwrite_dialog.h"
#include "app/settings/recent_files.h"
#include "common/run_program.h"
#include "support/file_util.h"
#include "window_support.h"

namespace talvero {
namespace {

using testing::ClickWhenModal;
using testing::ReadAll;
using testing::WhenModal;
using testing::WindowTest;

namespace fs = std::filesystem;

// Every file of a folder with its bytes.
std::map<std::string, std::string> FolderContents(const std::string& folder) {
  std::map<std::string, std::string> files;
  if (!fs::exists(folder)) return files;
  for (const auto& entry : fs::directory_iterator(folder))
    files[entry.path().filename().string()] = ReadAll(entry.path().string());
  return files;
}

std::vector<std::string> Names(const std::map<std::string, std::string>& files) {
  std::vector<std::string> names;
  for (const auto& [name, bytes] : files) names.push_back(name);
  return names;
}

class JobTest : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    fs::create_directories(OutFolder());
    panorama = testing::WritePanorama(dir, 160);
  }

  std::string OutFolder() const { return dir.File("out"); }

  // The job's settings typed and clicked in as a user would.
  void EnterJob(const std::string& sceneName) {
    TypeInto(window->Edit_ImageFileName, panorama);
    TypeInto(window->Edit_SceneFileName, OutFolder() + "/" + sceneName);
    TypeInto(window->Edit_TextureBaseName, "pano");
    Click(window->RadioGroup_ImageSizeMode->Button(0));
  }

  void Execute() { ExecuteAndWait(); }

  // The same job run by the engine alone, into `folder`.
  void RunHeadless(const std::string& folder, const std::string& sceneName, TSceneType type,
                   TSceneFormat format, TExtractImageType imageType,
                   const std::function<void(TSimFiler&)>& parameters = {}) {
    fs::create_directories(folder);
    auto filer = TSimFiler::Create();
    filer->SetErrorReporter(&errors);
    filer->ResetJob();
    filer->SetImageFileName(panorama);
    filer->SetSceneFilename(folder + "/" + sceneName);
    filer->SetTextureBasename("pano");
    filer->SetSceneType(type);
    filer->SetSceneFormat(format);
    filer->SetImageSizeMode(ismSmall);
    filer->SetExtractImageType(imageType);
    filer->SetCubeSuffix(csLeft);
    if (parameters) parameters(*filer);
    filer->PrepareOutputNames();
    filer->RunImageStage();
    filer->RunSceneStage();
  }

  // The same job run by the command-line converter, into `folder`.
  void RunConverter(const std::string& folder, const std::string& sceneName,
                    const std::string& options) {
#ifdef TALVERO_CONVERT_PATH
    fs::create_directories(folder);
    std::vector<std::string> args{"--quiet", "--image", panorama, "--scene",
                                  folder + "/" + sceneName, "--base", "pano", "--size", "small"};
    std::istringstream words(options);
    for (std::string word; words >> word;) args.push_back(word);
    const std::string err = dir.File("convert.err");
    ASSERT_EQ(testing::RunProgram(TALVERO_CONVERT_PATH, args, folder, dir.File("convert.out"), err),
              0)
        << ReadAll(err);
#else
    GTEST_SKIP() << "talvero-convert is not built";
#endif
  }

  std::string panorama;
};

// Runs `act` once, inside the running job, as soon as the console holds a line starting
// with `line` (the job waits at that line meanwhile); counts the console's lines each time the
// window has shown one of the job's lines until then.
class WhenConsoleShows {
 public:
  WhenConsoleShows(TForm1& window, QString line, std::function<void()> act) {
    FConnection = QObject::connect(
        &window.JobRunner(), &TJobRunner::LineShown, [this, &window, line, act = std::move(act)] {
          if (Fired) return;
          LineCounts.push_back(window.Editor1->LineCount());
          for (const QString& shown : window.Editor1->toPlainText().split('\n'))
            if (shown.startsWith(line)) {
              Fired = true;
              act();
              return;
            }
        });
  }
  ~WhenConsoleShows() { QObject::disconnect(FConnection); }
  bool Fired = false;
  std::vector<int> LineCounts;

 private:
  QMetaObject::Connection FConnection;
};

TEST_F(JobTest, NothingHappensWithoutAnyOutput) {
  EnterJob("scene.scn");
  Click(window->CheckBox_CreateDividedImage);
  Click(window->CheckBox_CreateSceneFile);
  window->Editor1->AppendLine("earlier log");
  window->PageControl1->setCurrentWidget(window->TabSheet2);
  Execute();
  EXPECT_EQ(window->Editor1->toPlainText(), "earlier log");
  EXPECT_EQ(window->PageControl1->currentWidget(), window->TabSheet2);
  EXPECT_TRUE(FolderContents(OutFolder()).empty());
}

TEST_F(JobTest, WindowWritesWhatTheEngineAloneWrites) {
  EnterJob("scene.scn");
  Execute();
  EXPECT_TRUE(errors.Messages.empty()) << errors.Messages.front();
  EXPECT_EQ(window->PageControl1->currentWidget(), window->TabSheet1);
  const auto fromWindow = FolderContents(OutFolder());
  EXPECT_EQ(Names(fromWindow),
            (std::vector<std::string>{"fms_vista.bmp", "pano_back.bmp", "pano_bottom.bmp",
                                      "pano_front.bmp", "pano_left.bmp", "pano_right.bmp",
                                      "pano_top.bmp", "scene.scn"}));
  RunHeadless(dir.File("alone"), "scene.scn", stCube, sfFMS, eiBitmap);
  EXPECT_TRUE(fromWindow == FolderContents(dir.File("alone"))) << "the files differ";
  RunConverter(dir.File("cli"), "scene.scn", "");
  EXPECT_TRUE(fromWindow == FolderContents(dir.File("cli"))) << "the converter's files differ";

  // The console holds the job's log, from the first line to the last.
  const QString log = window->Editor1->toPlainText();
  EXPECT_TRUE(log.contains("pano_left.bmp"));
  EXPECT_TRUE(window->Editor1->LastLine().startsWith("出力中　"))
      << window->Editor1->LastLine().toStdString();
}

TEST_F(JobTest, SphereRcpsimJobWithEditedParametersMatchesTooAndBringsThePreviewBack) {
  EnterJob("scene.xscn");
  Click(window->RadioGroup_SceneType->Button(1));
  Click(window->RadioGroup_ExtractImageType->Button(1));
  QTest::mouseClick(window->PageControl_SceneFormat->tabBar(), Qt::LeftButton, {},
                    window->PageControl_SceneFormat->tabBar()->tabRect(1).center());
  TDataStringGrid* grid = window->Grid_RCP;
  const auto typeCell = [grid](const char* name, const char* text) {
    const TDataStringGridItem* item = grid->Items().FindItem(name);
    grid->FocusCell(item->ColIndex(), item->RowIndex());
    grid->setFocus();
    // Each key to the focused control: the first one opens the cell's editor.
    for (const char* c = text; *c; ++c) QTest::keyClick(QApplication::focusWidget(), *c);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
  };
  typeCell("AreaRadius", "750");
  typeCell("AirCraftRotate", "12.5");
  ASSERT_EQ(testing::CellText(*grid, "AreaRadius"), "750");
  ASSERT_EQ(testing::CellText(*grid, "AirCraftRotate"), "12.5");

  Click(window->CheckBox_ShowImage);
  ASSERT_TRUE(window->Image_Panorama->HasPicture());
  bool clearedDuringJob = false;
  WhenConsoleShows images(*window, "画像ファイルを書き出しています。",
                          [&] { clearedDuringJob = !window->Image_Panorama->HasPicture(); });
  Execute();
  EXPECT_TRUE(errors.Messages.empty()) << errors.Messages.front();
  EXPECT_TRUE(clearedDuringJob) << "cleared before the images are written";
  EXPECT_TRUE(QTest::qWaitFor([&] { return window->Image_Panorama->HasPicture(); }, 10000))
      << "the preview comes back after the job";

  const auto fromWindow = FolderContents(OutFolder());
  EXPECT_EQ(fromWindow.size(), 22u) << "20 tiles, the mesh and its settings file";
  RunHeadless(dir.File("alone"), "scene.xscn", stSphere, sfRCP, eiJpeg, [](TSimFiler& filer) {
    filer.RCPData().SetAreaRadius(750);
    filer.RCPData().SetAirCraftRotate(Currency::Parse("12.5"));
  });
  EXPECT_TRUE(fromWindow == FolderContents(dir.File("alone"))) << "the files differ";
  RunConverter(dir.File("cli"), "scene.xscn",
               "--type sphere --image-type jpg --set AreaRadius=750 --set AirCraftRotate=12.5");
  EXPECT_TRUE(fromWindow == FolderContents(dir.File("cli"))) << "the converter's files differ";
}

TEST_F(JobTest, RefusedImageOverwriteWritesNothing) {
  EnterJob("scene.scn");
  const std::string firstImage = OutFolder() + "/pano_left.bmp";
  WriteFileAtomically(firstImage, "old");
  Click(window->CheckBox_ShowImage);
  window->Editor1->AppendLine("earlier log");

  QString asked;
  WhenModal([&asked](QWidget* modal) {
    auto* dialog = qobject_cast<TForm3*>(modal);
    ASSERT_NE(dialog, nullptr);
    asked = dialog->Label1->text();
    QTest::mouseClick(dialog->Button2, Qt::LeftButton);  // "いいえ(&N)"
  });
  Execute();
  EXPECT_FALSE(asked.isEmpty()) << "the question came";
  EXPECT_TRUE(asked.endsWith("pano_left.bmp")) << asked.toStdString();
  EXPECT_EQ(window->PageControl1->currentWidget(), window->TabSheet1);
  EXPECT_EQ(window->Editor1->toPlainText(), "") << "the console was cleared";
  EXPECT_EQ(FolderContents(OutFolder()),
            (std::map<std::string, std::string>{{"pano_left.bmp", "old"}}))
      << "neither images nor the scene file";
  EXPECT_TRUE(window->Image_Panorama->HasPicture()) << "the preview stays";
  EXPECT_TRUE(window->CheckImageFileOverWrite()) << "the box was not ticked";

  // Ticking "don't ask again" clears the option, even when the answer is no.
  WhenModal([](QWidget* modal) {
    auto* dialog = qobject_cast<TForm3*>(modal);
    ASSERT_NE(dialog, nullptr);
    QTest::mouseClick(dialog->CheckBox1, Qt::LeftButton);
    QTest::mouseClick(dialog->Button2, Qt::LeftButton);
  });
  Execute();
  EXPECT_FALSE(window->CheckImageFileOverWrite());
  EXPECT_EQ(ReadAll(firstImage), "old");

  // No question any more: the images are replaced.
  Execute();
  EXPECT_NE(ReadAll(firstImage), "old");
  EXPECT_TRUE(FileExists(OutFolder() + "/scene.scn"));
}

TEST_F(JobTest, SceneOverwriteQuestionAfterTheImageStage) {
  EnterJob("scene.scn");
  window->mnuCheckImageFileOverWrite->trigger();  // only the scene file is asked about here
  window->mnuCheckSceneFileOverWrite->trigger();
  const std::string scene = OutFolder() + "/scene.scn";
  WriteFileAtomically(scene, "old scene");
  ClickWhenModal("いいえ(&N)");
  Execute();
  EXPECT_EQ(ReadAll(scene), "old scene");
  EXPECT_TRUE(FileExists(OutFolder() + "/pano_left.bmp")) << "the image stage is not undone";
  EXPECT_TRUE(window->CheckSceneFileOverWrite());

  ClickWhenModal("はい(&Y)");
  Execute();
  EXPECT_NE(ReadAll(scene), "old scene");
}

// Counts the modal windows that come up while it lives, answering each with はい, so that a
// question that should not come neither hangs the test nor goes unnoticed.
class QuestionsAnswered {
 public:
  QuestionsAnswered() {
    FPoll.setInterval(5);
    QObject::connect(&FPoll, &QTimer::timeout, [this] {
      QWidget* modal = QApplication::activeModalWidget();
      if (!modal || modal == FLast) return;
      FLast = modal;
      ++Count;
      for (QAbstractButton* button : modal->findChildren<QAbstractButton*>())
        if (button->text() == "はい(&Y)") {
          QTest::mouseClick(button, Qt::LeftButton);
          return;
        }
      modal->close();
    });
    FPoll.start();
  }
  int Count = 0;

 private:
  QTimer FPoll;
  QWidget* FLast = nullptr;
};

// A job refused at its image step (a panorama missing, of a kind Talvero does not
// read, or that cannot be decoded) leaves a working scene as it was: its scene file byte for
// byte, no new file, and no question about replacing files before the refusal.
TEST_F(JobTest, AJobRefusedAtTheImageStepLeavesTheWorkingSceneAsItWas) {
  EnterJob("scene.scn");
  Execute();
  ASSERT_TRUE(errors.Messages.empty()) << errors.Messages.front();
  const auto working = FolderContents(OutFolder());
  ASSERT_EQ(working.size(), 8u);
  window->OpenSceneFile(OutFolder() + "/scene.scn");
  ASSERT_EQ(window->Edit_TextureBaseName->text(), "pano");
  ASSERT_TRUE(window->CheckImageFileOverWrite());

  const std::string missing = dir.File("missing.bmp");
  const struct {
    const char* Base;
    std::string Panorama;
  } jobs[] = {{"pano", missing},  // its images exist: the question would come first
              {"pano2", missing},
              {"pano2", dir.Write("pano.gif", "GIF89a")},
              {"pano2", dir.Write("broken.bmp", "BM not a bitmap")}};
  {
    QuestionsAnswered questions;
    for (const auto& job : jobs) {
      SCOPED_TRACE(std::string(job.Base) + " from " + job.Panorama);
      errors.Messages.clear();
      TypeInto(window->Edit_TextureBaseName, job.Base);
      TypeInto(window->Edit_ImageFileName, job.Panorama);
      Execute();
      EXPECT_EQ(errors.Messages.size(), 1u);
      EXPECT_TRUE(FolderContents(OutFolder()) == working) << "the scene and its images changed";
    }
    EXPECT_EQ(questions.Count, 0) << "asked about replacing files for a job that cannot run";
  }

  // The panorama gone while the question about the images is open: the image step refuses
  // after the yes, and the scene step does not run either.
  WriteFileAtomically(OutFolder() + "/other_left.bmp", "kept");
  const auto before = FolderContents(OutFolder());
  const std::string leaving = dir.Write("leaving.bmp", ReadAll(panorama));
  TypeInto(window->Edit_TextureBaseName, "other");
  TypeInto(window->Edit_ImageFileName, leaving);
  errors.Messages.clear();
  WhenModal([&](QWidget* modal) {
    auto* dialog = qobject_cast<TForm3*>(modal);
    ASSERT_NE(dialog, nullptr);
    fs::remove(leaving);
    QTest::mouseClick(dialog->Button1, Qt::LeftButton);  // "はい(&Y)"
  });
  Execute();
  EXPECT_EQ(errors.Messages,
            std::vector<std::string>{"画像ファイル名で指定されたファイルがありません。"});
  EXPECT_TRUE(FolderContents(OutFolder()) == before) << "the scene and its images changed";
}

// A base name or a scene file's name that Windows cannot hold is refused, on every
// platform, with the field's message once, and nothing is written.
TEST_F(JobTest, NamesWindowsCannotHoldAreRefusedBeforeAnythingIsWritten) {
  const struct {
    const char* Scene;
    const char* Base;
    const char* Message;
  } jobs[] = {
      {"scene.scn", "bad:name*?", "出力画像の基本名：に使えない文字「:」があります。"},
      {"scene.scn", "Con.sky", "出力画像の基本名：に Windows の予約名「Con」は使えません。"},
      {"what?.scn", "pano", "シーンファイル名：に使えない文字「?」があります。"},
      {"nul.xscn", "pano", "シーンファイル名：に Windows の予約名「nul」は使えません。"}};
  // A job that is wrongly not refused writes its files without waiting for a question.
  window->mnuCheckImageFileOverWrite->trigger();
  ASSERT_FALSE(window->CheckImageFileOverWrite());
  for (const auto& job : jobs) {
    SCOPED_TRACE(std::string(job.Scene) + " with " + job.Base);
    errors.Messages.clear();
    EnterJob(job.Scene);
    TypeInto(window->Edit_TextureBaseName, job.Base);
    Execute();
    EXPECT_EQ(errors.Messages, std::vector<std::string>{job.Message});
    EXPECT_TRUE(FolderContents(OutFolder()).empty());
  }
}

TEST_F(JobTest, ValidationAndErrorsEndOnTheProjectTab) {
  // No base name: the job is refused with its message, once, and ends normally.
  EnterJob("scene.scn");
  window->Edit_TextureBaseName->clear();
  Execute();
  EXPECT_EQ(errors.Messages,
            (std::vector<std::string>{"出力画像の基本名：が指定されていません。"}));
  EXPECT_EQ(window->PageControl1->currentWidget(), window->TabSheet1);

  // A panorama that cannot be decoded raises an error: shown, and the window is usable.
  errors.Messages.clear();
  TypeInto(window->Edit_TextureBaseName, "pano");
  TypeInto(window->Edit_ImageFileName, dir.Write("broken.bmp", "BM not a bitmap"));
  Execute();
  ASSERT_EQ(errors.Messages.size(), 1u);
  EXPECT_NE(errors.Messages[0].find("broken.bmp"), std::string::npos) << errors.Messages[0];
  EXPECT_EQ(window->PageControl1->currentWidget(), window->TabSheet1);
  EXPECT_FALSE(window->JobRunning());
  EXPECT_TRUE(window->SpeedButton_Execute->isEnabled());
  EXPECT_FALSE(FileExists(OutFolder() + "/scene.scn")) << "the error ended the whole command";
}

TEST_F(JobTest, JobControlsAreLockedWhileTheJobRuns) {
  EnterJob("scene.scn");
  Click(window->RadioGroup_SceneType->Button(1));  // the naming rule is off before the job
  window->RecentFiles1->Add(TRecentFiles::rfScene, dir.File("earlier.scn"));
  std::map<std::string, bool> enabledDuringJob;
  QString executeCaption, executeMenuCaption;
  int progressSeen = 0;
  // Runs inside the job, which goes on once the window has handled its first line.
  WhenConsoleShows during(*window, "", [&] {
    progressSeen = window->Editor1->LineCount();
    const std::pair<const char*, QWidget*> controls[] = {
        {"execute", window->SpeedButton_Execute},
        {"image file", window->Edit_ImageFileName},
        {"image chooser", window->SpeedButton_Image},
        {"scene chooser", window->SpeedButton_SceneFile},
        {"base name", window->Edit_TextureBaseName},
        {"type", window->RadioGroup_SceneType},
        {"formats", window->PageControl_SceneFormat},
        {"grid", window->Grid_FMS},
        {"size", window->RadioGroup_ImageSizeMode},
        {"images", window->CheckBox_CreateDividedImage},
        {"scene", window->CheckBox_CreateSceneFile},
        {"reset", window->SpeedButton_Init},
        {"show image", window->CheckBox_ShowImage},
        {"type on image tab", window->RadioGroup_SceneType_Subset}};
    for (const auto& [name, control] : controls) enabledDuringJob[name] = control->isEnabled();
    enabledDuringJob["execute menu"] = window->N2->isEnabled();
    enabledDuringJob["new"] = window->mnu_New->isEnabled();
    enabledDuringJob["reset menu"] = window->mnu_ClearItem->isEnabled();
    enabledDuringJob["options"] = window->mnuCheckImageFileOverWrite->isEnabled();
    enabledDuringJob["recent scenes"] = window->RecentFiles1->SceneMenu->isEnabled();
    enabledDuringJob["console"] = window->Editor1->isEnabled();
    executeCaption = window->SpeedButton_Execute->text();
    executeMenuCaption = window->N2->text();
    // A second Execute while the first runs does nothing.
    window->SpeedButton_ExecuteClick();
  });
  Execute();
  EXPECT_GT(progressSeen, 0) << "the window handled events during the job";
  // Execute stays usable: it is the job's cancel command meanwhile.
  for (const auto& [name, enabled] : enabledDuringJob)
    EXPECT_EQ(enabled, name == "console" || name == "execute" || name == "execute menu") << name;
  EXPECT_EQ(executeCaption, "中止");
  EXPECT_EQ(executeMenuCaption, "中止(&A)");
  EXPECT_EQ(window->SpeedButton_Execute->text(), "出力実行");
  EXPECT_EQ(window->N2->text(), "出力実行(&E)");
  EXPECT_TRUE(window->SpeedButton_Execute->isEnabled());
  EXPECT_TRUE(window->Edit_ImageFileName->isEnabled());
  EXPECT_TRUE(window->mnu_New->isEnabled());
  EXPECT_FALSE(window->RadioGroup_CubeSuffix->isEnabled()) << "still a sphere job";
  EXPECT_FALSE(window->SpeedButton_DataHolder->isEnabled()) << "nothing was read";
  EXPECT_EQ(FolderContents(OutFolder()).size(), 22u) << "one job's files: 20 tiles, scene, vista";
}

// The job runs off the window's thread: while it waits to write its first image, the window
// handles a click, a change of tab and a timer as when idle; then the job goes on to the end.
TEST_F(JobTest, TheWindowHandlesEventsWhileTheJobWaitsToWriteItsFirstFile) {
  EnterJob("scene.scn");
  std::mutex mutex;
  std::condition_variable changed;
  bool waiting = false, released = false;
  std::thread::id jobThread;
  window->JobRunner().OnWorkerProgress = [&](const ProgressEvent& event) {
    // The first image, announced just before its file is put in place.
    if (event.Step != ProgressStep::Image || event.Done != 1) return;
    std::unique_lock lock(mutex);
    jobThread = std::this_thread::get_id();
    waiting = true;
    changed.notify_all();
    // A job on the window's thread would hold the window here, so it gives up after a while.
    changed.wait_for(lock, std::chrono::seconds(10), [&] { return released; });
  };
  const auto isWaiting = [&] {
    std::lock_guard lock(mutex);
    return waiting && !released;
  };
  Click(window->SpeedButton_Execute);
  ASSERT_TRUE(testing::WaitUntil(isWaiting, 20000));
  EXPECT_NE(jobThread, std::this_thread::get_id());
  EXPECT_FALSE(FileExists(OutFolder() + "/pano_left.bmp"));

  const bool guide = window->CheckBox_ShowGuide->isChecked();
  Click(window->CheckBox_ShowGuide);
  EXPECT_NE(window->CheckBox_ShowGuide->isChecked(), guide);
  QTabBar* tabs = window->PageControl1->tabBar();
  QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(1).center());
  EXPECT_EQ(window->PageControl1->currentWidget(), window->TabSheet2);
  bool timerFired = false;
  QTimer::singleShot(10, window.get(), [&] { timerFired = true; });
  EXPECT_TRUE(testing::WaitUntil([&] { return timerFired; }, 5000));
  EXPECT_TRUE(isWaiting()) << "all that while the job waited";
  EXPECT_TRUE(window->JobRunning());
  {
    std::lock_guard lock(mutex);
    released = true;
  }
  changed.notify_all();
  WaitForJobEnd();
  window->JobRunner().OnWorkerProgress = nullptr;
  EXPECT_TRUE(errors.Messages.empty()) << errors.Messages.front();
  EXPECT_EQ(FolderContents(OutFolder()).size(), 8u) << "the whole job";
}

// ---- Cancelling a running job

constexpr char kCancelledLine[] = "出力を中止しました。";


int Count(const QString& text, const QString& part) { return static_cast<int>(text.count(part)); }

// The button cancels: the faces already in place stay, the one being written and all
// after it are not written, no temporary file remains, and the next job runs whole.
TEST_F(JobTest, CancelButtonStopsTheJobAndKeepsTheFilesAlreadyInPlace) {
  EnterJob("scene.scn");
  QString caption;
  WhenConsoleShows cancel(*window, "pano_right.bmp", [&] {
    caption = window->SpeedButton_Execute->text();
    Click(window->SpeedButton_Execute);
  });
  Execute();
  ASSERT_TRUE(cancel.Fired);
  EXPECT_EQ(caption, "中止");
  EXPECT_TRUE(errors.Messages.empty()) << errors.Messages.front();
  EXPECT_EQ(window->Editor1->LastLine(), kCancelledLine);
  EXPECT_EQ(Count(window->Editor1->toPlainText(), kCancelledLine), 1);
  EXPECT_EQ(window->PageControl1->currentWidget(), window->TabSheet1);
  EXPECT_FALSE(window->JobRunning());
  EXPECT_EQ(window->SpeedButton_Execute->text(), "出力実行");
  // The window went on handling events while the job ran, the log growing meanwhile.
  ASSERT_FALSE(cancel.LineCounts.empty());
  EXPECT_GT(cancel.LineCounts.back(), cancel.LineCounts.front());

  const auto cancelled = FolderContents(OutFolder());
  EXPECT_EQ(Names(cancelled), (std::vector<std::string>{"pano_front.bmp", "pano_left.bmp"}));
  RunHeadless(dir.File("alone"), "scene.scn", stCube, sfFMS, eiBitmap);
  const auto whole = FolderContents(dir.File("alone"));
  for (const auto& [name, bytes] : cancelled)
    EXPECT_TRUE(bytes == whole.at(name)) << name << " is complete";

  // The next job is not cancelled by the last one's request; the kept faces are asked about.
  ClickWhenModal("はい(&Y)");
  Execute();
  EXPECT_TRUE(FolderContents(OutFolder()) == whole);
  EXPECT_EQ(Count(window->Editor1->toPlainText(), kCancelledLine), 0);
}

// The status bar tells on every tab: progress that grows with "中止" beside it during the
// job, then what was written where and how long it took, with the folder command.
TEST_F(JobTest, StatusBarShowsProgressThenTheSummary) {
  EnterJob("scene.scn");
  TJobStatus& status = *window->JobStatus1;
  std::vector<int> percents;
  bool cancelShown = false, consoleShown = false;
  // At every line of the job, as the window shows it.
  const QMetaObject::Connection watch =
      QObject::connect(&window->JobRunner(), &TJobRunner::LineShown, [&] {
        percents.push_back(status.ProgressBar->value());
        cancelShown = status.CancelButton->isVisible() && status.ProgressBar->isVisible();
        consoleShown = window->PageControl1->currentWidget() == window->TabSheet3;
      });
  Execute();
  QObject::disconnect(watch);
  ASSERT_FALSE(percents.empty());
  EXPECT_TRUE(cancelShown && consoleShown) << "progress and 中止 beside the console";
  EXPECT_TRUE(std::is_sorted(percents.begin(), percents.end()));
  EXPECT_GT(percents.back(), 50);
  EXPECT_FALSE(status.ProgressBar->isVisible());
  EXPECT_FALSE(status.CancelButton->isVisible());
  const QString summary = status.SummaryText();
  EXPECT_TRUE(summary.startsWith(QStringLiteral("8 個のファイルを ") +
                                 QDir::toNativeSeparators(QString::fromStdString(OutFolder())) +
                                 QStringLiteral(" に書き出しました（")))
      << summary.toStdString();
  EXPECT_TRUE(summary.endsWith(QStringLiteral(" 秒）"))) << summary.toStdString();
  EXPECT_TRUE(status.OpenFolderButton->isVisible());
  EXPECT_EQ(status.Folder(), QString::fromStdString(OutFolder()));
  // The console keeps its own lines: its last is still the scene file's.
  EXPECT_TRUE(window->Editor1->LastLine().startsWith(QStringLiteral("出力中"))) ;

  // The status bar's 中止 stops the next job; the summary says so.
  window->mnuCheckImageFileOverWrite->trigger();
  WhenConsoleShows cancel(*window, "pano_right.bmp", [&] { Click(status.CancelButton); });
  Execute();
  ASSERT_TRUE(cancel.Fired);
  EXPECT_EQ(window->Editor1->LastLine(), kCancelledLine);
  EXPECT_TRUE(status.SummaryText().startsWith(QStringLiteral("出力を中止しました（2 個のファイル")))
      << status.SummaryText().toStdString();
}

// Escape and the Project menu's item are the same command while a job runs, whatever
// control holds the focus; a cancel between the stages leaves the images and writes no
// scene file.
TEST_F(JobTest, EscapeAndTheProjectMenuCancelToo) {
  EnterJob("scene.scn");
  // A job that is not cancelled must not wait for a question here.
  window->mnuCheckImageFileOverWrite->trigger();
  window->mnuCheckSceneFileOverWrite->trigger();
  WhenConsoleShows escape(*window, "", [&] {
    window->Editor1->setFocus();
    QTest::keyClick(window->windowHandle(), Qt::Key_Escape);
  });
  Execute();
  ASSERT_TRUE(escape.Fired);
  EXPECT_EQ(window->Editor1->LastLine(), kCancelledLine);
  EXPECT_TRUE(FolderContents(OutFolder()).empty()) << "cancelled before the first face";
  EXPECT_TRUE(errors.Messages.empty()) << errors.Messages.front();

  // Escape without a job is nothing.
  QTest::keyClick(window->windowHandle(), Qt::Key_Escape);
  EXPECT_EQ(window->Editor1->LastLine(), kCancelledLine);
  EXPECT_TRUE(FolderContents(OutFolder()).empty());

  // RCPSim sphere: the menu item, once the scene stage has begun.
  Click(window->RadioGroup_SceneType->Button(1));
  QTest::mouseClick(window->PageControl_SceneFormat->tabBar(), Qt::LeftButton, {},
                    window->PageControl_SceneFormat->tabBar()->tabRect(1).center());
  QString menuCaption;
  WhenConsoleShows menu(*window, "シーンファイルを出力します。", [&] {
    QMenu* project = nullptr;
    for (QAction* top : window->menuBar()->actions())
      if (top->menu() && top->menu()->actions().contains(window->N2)) project = top->menu();
    ASSERT_NE(project, nullptr);
    QTest::keyClick(window->windowHandle(), Qt::Key_P, Qt::AltModifier);
    ASSERT_TRUE(QTest::qWaitFor([project] { return project->isVisible(); }, 2000));
    menuCaption = window->N2->text();
    QTest::mouseClick(project, Qt::LeftButton, {},
                      project->actionGeometry(window->N2).center());
  });
  Execute();
  ASSERT_TRUE(menu.Fired);
  EXPECT_EQ(menuCaption, "中止(&A)");
  EXPECT_EQ(window->Editor1->LastLine(), kCancelledLine);
  const auto files = FolderContents(OutFolder());
  EXPECT_EQ(files.size(), 20u) << "the tiles stay; neither the mesh nor its settings";
  EXPECT_EQ(files.count("scene.x") + files.count("scene.xscn"), 0u);
  EXPECT_TRUE(errors.Messages.empty()) << errors.Messages.front();
}

// The second click of a double click on "出力実行" comes while the job runs: it does not
// cancel the job it started.
TEST_F(JobTest, DoubleClickOnExecuteRunsTheWholeJob) {
  EnterJob("scene.scn");
  WhenConsoleShows second(*window, "", [&] {
    QTest::mouseDClick(window->SpeedButton_Execute, Qt::LeftButton);
    QTest::mouseRelease(window->SpeedButton_Execute, Qt::LeftButton);
  });
  Execute();
  ASSERT_TRUE(second.Fired);
  EXPECT_EQ(FolderContents(OutFolder()).size(), 8u);
  EXPECT_EQ(Count(window->Editor1->toPlainText(), kCancelledLine), 0);
}

TEST_F(JobTest, ClosingDuringTheJobCancelsItThenCloses) {
  EnterJob("scene.scn");
  bool visibleAfterCloseRequest = false;
  WhenConsoleShows closing(*window, "", [&] {
    window->close();
    visibleAfterCloseRequest = window->isVisible();
  });
  Execute();
  ASSERT_TRUE(closing.Fired);
  EXPECT_TRUE(visibleAfterCloseRequest) << "the close waited";
  EXPECT_FALSE(window->isVisible()) << "and happened when the job had stopped";
  EXPECT_EQ(window->Editor1->LastLine(), kCancelledLine);
  EXPECT_TRUE(FolderContents(OutFolder()).empty()) << "the job was cancelled";
  EXPECT_TRUE(FileExists(IniPath())) << "the settings were saved on closing";
}

}  // namespace
}  // namespace talvero
