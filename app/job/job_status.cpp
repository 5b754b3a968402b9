#include "app/job/job_status.h"

#include <QDesktopServices>
#include <QDir>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>
#include <QUrl>
#include <algorithm>

#include "support/file_util.h"

namespace talvero {

// ---- TJobProgress

void TJobProgress::Start(bool images, bool scene, bool cube) {
  FImages = images;
  FScene = scene;
  FCube = cube;
  FPercent = 0;
}

void TJobProgress::Reach(double percent) {
  FPercent = std::max(FPercent, std::clamp(static_cast<int>(percent), 0, 100));
}

void TJobProgress::Event(const ProgressEvent& e) {
  // The image stage takes all but the last few percent, which belong to the scene file.
  const double imageShare = FImages ? (FScene ? 95 : 100) : 0;
  const auto image = [&](double local) { Reach(local * imageShare / 100); };
  // Where writing the images begins: a cube's faces come after the long warp.
  const double writeFrom = FCube ? 50 : 20;
  const auto fraction = [&] { return e.Total > 0 ? double(e.Done) / e.Total : 0.0; };
  switch (e.Step) {
    case ProgressStep::Load:
      image(4);
      break;
    case ProgressStep::CubeMap:
    case ProgressStep::SphereArea:
      image(8);
      break;
    case ProgressStep::Warp:
      image(12 + 38 * fraction());
      break;
    case ProgressStep::WriteImages:
      image(writeFrom);
      break;
    case ProgressStep::Image:
      // An image is announced as it is written: the ones before it are done.
      if (e.Total > 0) image(writeFrom + (95 - writeFrom) * (e.Done - 1) / e.Total);
      break;
    case ProgressStep::VistaTexture:
      image(95);
      break;
    case ProgressStep::Scene:
      Reach(imageShare);
      break;
    case ProgressStep::SceneWritten:
      Reach(imageShare + (100 - imageShare) / 2);
      break;
    default:
      break;
  }
}

// ---- TOutputFiles

void TOutputFiles::Event(const ProgressEvent& event) {
  if (event.Step == ProgressStep::FileWritten) FPaths.push_back(event.File);
}

// ---- TJobStatus

TJobStatus::TJobStatus(QStatusBar* bar) : QObject(bar) {
  setObjectName(QStringLiteral("JobStatus"));
  Summary = new QLabel(bar);
  Summary->setObjectName(QStringLiteral("Label_JobSummary"));
  Summary->setTextInteractionFlags(Qt::TextSelectableByMouse);
  OpenFolderButton = new QPushButton(tr("フォルダを開く"), bar);
  OpenFolderButton->setObjectName(QStringLiteral("Button_OpenFolder"));
  OpenFolderButton->setFocusPolicy(Qt::NoFocus);
  ProgressBar = new QProgressBar(bar);
  ProgressBar->setObjectName(QStringLiteral("ProgressBar_Job"));
  ProgressBar->setRange(0, 100);
  ProgressBar->setFixedWidth(160);
  CancelButton = new QPushButton(tr("中止"), bar);
  CancelButton->setObjectName(QStringLiteral("Button_CancelJob"));
  CancelButton->setFocusPolicy(Qt::NoFocus);
  bar->addWidget(Summary, 1);
  bar->addPermanentWidget(OpenFolderButton);
  bar->addPermanentWidget(ProgressBar);
  bar->addPermanentWidget(CancelButton);
  OpenFolderButton->hide();
  ProgressBar->hide();
  CancelButton->hide();
  connect(CancelButton, &QPushButton::clicked, this, &TJobStatus::CancelClicked);
  connect(OpenFolderButton, &QPushButton::clicked, this, [this] { OpenFolder(); });
}

void TJobStatus::Start() {
  FProgress.Start(false, false, true);
  FOutputs.Start();
  FClock.start();
  Summary->clear();
  OpenFolderButton->hide();
  ProgressBar->setValue(0);
  ProgressBar->show();
  CancelButton->show();
}

void TJobStatus::Expect(bool images, bool scene, bool cube) {
  FProgress.Start(images, scene, cube);
}

void TJobStatus::Event(const ProgressEvent& event) {
  FProgress.Event(event);
  FOutputs.Event(event);
  if (ProgressBar->value() != FProgress.Percent()) ProgressBar->setValue(FProgress.Percent());
}

void TJobStatus::Finish(TOutcome outcome, const std::string& folder) {
  ProgressBar->hide();
  CancelButton->hide();
  const QString seconds = QString::number(FClock.elapsed() / 1000.0, 'f', 1);
  const int written = FOutputs.CountWritten();
  FFolder = QDir::toNativeSeparators(QDir::cleanPath(QString::fromStdString(folder)));
  const QString shown = QDir::toNativeSeparators(FFolder);
  switch (outcome) {
    case joDone:
      Summary->setText(tr("%1 個のファイルを %2 に書き出しました（%3 秒）")
                           .arg(written)
                           .arg(shown, seconds));
      break;
    case joCancelled:
      Summary->setText(tr("出力を中止しました（%1 個のファイルを書き出し済み、%2 秒）")
                           .arg(written)
                           .arg(seconds));
      break;
    case joFailed:
      Summary->setText(tr("出力に失敗しました（%1 個のファイルを書き出し済み、%2 秒）")
                           .arg(written)
                           .arg(seconds));
      break;
  }
  OpenFolderButton->setVisible(!folder.empty() && DirectoryExists(folder));
}

QString TJobStatus::SummaryText() const { return Summary->text(); }

void TJobStatus::OpenFolder() const {
  if (!FFolder.isEmpty()) QDesktopServices::openUrl(QUrl::fromLocalFile(FFolder));
}

}  // namespace talvero
