#include "app/job_status.h"

#include <QDesktopServices>
#include <QDir>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>
#include <QUrl>
#include <algorithm>
#include <system_error>

#include "support/file_util.h"
#include "support/text_catalogue.h"

namespace talvero {

namespace {

// The stages' own lines that mark their steps, in the language the core speaks.
bool StartsWith(const std::string& text, const std::string& prefix) {
  return !prefix.empty() && text.rfind(prefix, 0) == 0;
}
std::string Text(const char* japanese) { return Localized(japanese); }
// The fixed start of a line that goes on with a name.
std::string Prefix(const char* japanese) { return Localized(japanese, {""}); }
constexpr char kVistaPrefix[] = "fms_vista.";
constexpr int kStripDots = 40;  // a warped strip sends a dot for each 40th of its rows

}  // namespace

// ---- TJobProgress

void TJobProgress::Start(std::vector<std::string> imageNames, bool scene, bool cube) {
  FImages = !imageNames.empty();
  FImageNames = std::move(imageNames);
  FScene = scene;
  FCube = cube;
  FWarping = false;
  FStrip = -1;
  FStripDots = 0;
  FFilesSeen = 0;
  FPercent = 0;
}

void TJobProgress::Reach(double percent) {
  FPercent = std::max(FPercent, std::clamp(static_cast<int>(percent), 0, 100));
}

void TJobProgress::Line(const std::string& text, TSimProgressMode mode) {
  // The image stage takes all but the last few percent, which belong to the scene file.
  const double imageShare = FImages ? (FScene ? 95 : 100) : 0;
  const auto image = [&](double local) { Reach(local * imageShare / 100); };
  // Where writing the images begins: a cube's faces come after the long warp.
  const double writeFrom = FCube ? 50 : 20;
  if (mode == spUpdate) {
    if (FWarping && text == "." && FStrip >= 0) {
      FStripDots = std::min(FStripDots + 1, kStripDots);
      image(12 + 38 * (FStrip + FStripDots / double(kStripDots)) / 4);
    }
    return;
  }
  if (StartsWith(text, Prefix("読み込んでいます。　%1"))) {
    image(4);
  } else if (text == Text("座標を取得しています。") || text == Text("画像に処理領域を追加しています。")) {
    image(8);
  } else if (text == Text("処理中 ")) {
    FWarping = true;
    image(12);
  } else if (FWarping && text == ".") {
    ++FStrip;
    FStripDots = 0;
    image(12 + 38 * FStrip / 4.0);
  } else if (text == Text("画像ファイルを書き出しています。")) {
    FWarping = false;
    image(writeFrom);
  } else if (std::find(FImageNames.begin(), FImageNames.end(), text) != FImageNames.end()) {
    // A file's line comes as it is written: the ones before it are done.
    image(writeFrom + (95 - writeFrom) * FFilesSeen / FImageNames.size());
    ++FFilesSeen;
  } else if (StartsWith(text, kVistaPrefix)) {
    image(95);
  } else if (text == Text("シーンファイルを出力します。")) {
    Reach(imageShare);
  } else if (StartsWith(text, Prefix("出力中　%1"))) {
    Reach(imageShare + (100 - imageShare) / 2);
  }
}

// ---- TOutputFiles

void TOutputFiles::Start(const std::vector<std::string>& paths) {
  FBefore.clear();
  for (const std::string& path : paths) {
    std::error_code error;
    const auto time = std::filesystem::last_write_time(PathFromUtf8(path), error);
    FBefore[path] = error ? std::filesystem::file_time_type::min() : time;
  }
}

int TOutputFiles::CountWritten() const {
  int count = 0;
  for (const auto& [path, before] : FBefore) {
    if (!FileExists(path)) continue;
    std::error_code error;
    const auto time = std::filesystem::last_write_time(PathFromUtf8(path), error);
    if (!error && time != before) ++count;
  }
  return count;
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
  FProgress.Start({}, false, true);
  FOutputs.Start({});
  FClock.start();
  Summary->clear();
  OpenFolderButton->hide();
  ProgressBar->setValue(0);
  ProgressBar->show();
  CancelButton->show();
}

void TJobStatus::Expect(std::vector<std::string> imageNames, bool scene, bool cube,
                        const std::vector<std::string>& outputPaths) {
  FProgress.Start(std::move(imageNames), scene, cube);
  FOutputs.Start(outputPaths);
}

void TJobStatus::Line(const std::string& text, TSimProgressMode mode) {
  FProgress.Line(text, mode);
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
