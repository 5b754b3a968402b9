#include "app/preview/image_tab.h"

#include <QApplication>
#include <QCheckBox>
#include <QFileInfo>
#include <QScrollArea>
#include <QScrollBar>
#include <QStatusBar>
#include <QStyle>
#include <QToolButton>

#include "app/preview/panorama_info.h"
#include "app/preview/preview_loader.h"
#include "app/project/levelling_panel.h"
#include "engine/error_reporter.h"
#include "engine/sim_filer.h"
#include "imaging/bitmap.h"
#include "imaging/image_codecs.h"
#include "support/file_util.h"

namespace talvero {

TImageTab::TImageTab(const Controls& controls, TSimFiler& filer, TPreviewLoader& loader,
                     TErrorReporter& errors)
    : FControls(controls),
      FFiler(filer),
      FLoader(loader),
      FErrors(errors),
      FLineList(std::make_unique<TLinePanelList>()) {
  FLineList->Parent = FControls.Picture;
  FLineList->SetSceneType(FFiler.GetSceneType());
  FLineList->SetColor(QColor(255, 0, 0));
  ShowGuideIfPicture();
  UpdateGuide();
}

TImageTab::~TImageTab() = default;

bool TImageTab::ShowImage() const { return FControls.ShowImage->isChecked(); }

void TImageTab::MeasureScrollBars() {
  // A style that frames only the contents puts a gap between the view and its scroll bars.
  const QScrollArea* area = FControls.Area;
  const QStyle* s = area->style();
  const int gap = s->styleHint(QStyle::SH_ScrollView_FrameOnlyAroundContents, nullptr, area)
                      ? s->pixelMetric(QStyle::PM_ScrollView_ScrollBarSpacing, nullptr, area)
                      : 0;
  FVScrollWidth =
      s->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, area->verticalScrollBar()) + gap;
  FHScrollHeight =
      s->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, area->horizontalScrollBar()) + gap;
}

void TImageTab::PanoramaChosen() {
  if (ShowImage()) {
    ShowPanorama();
    return;
  }
  // Without the preview only the size is wanted, for the warning about the shape.
  const std::string fileName = FFiler.GetImageFileName();
  if (!FileExists(fileName) || TSimFiler::ImageFileKind(fileName) == ImageFormat::Unsupported) {
    FControls.Info->ClearInfo();
    return;
  }
  FControls.Info->ShowLoading();
  FLoader.Load(fileName, ChooseReader(fileName), true);
}

void TImageTab::ShowPanorama() {
  const std::string fileName = FFiler.GetImageFileName();
  if (fileName.empty() || !FileExists(fileName)) return;
  if (TSimFiler::ImageFileKind(fileName) == ImageFormat::Unsupported) {
    // The engine's own refusal, "扱えない画像ファイルです。"; the picture shown before stays.
    Bitmap none;
    FFiler.LoadPicture(none);
    return;
  }
  // Decoded on the worker: a small file comes back within the wait and shows at once, a
  // large one later, with the busy sign meanwhile and the window answering.
  FControls.Picture->SetPicture(QImage());
  FControls.Info->ShowLoading();
  if (!QApplication::overrideCursor()) QApplication::setOverrideCursor(Qt::BusyCursor);
  FLoader.Load(fileName, ChooseReader(fileName), false);
  // Only a small file is waited for; a large one would hold the window up for the wait.
  if (QFileInfo(QString::fromStdString(fileName)).size() < (8 << 20)) FLoader.WaitBriefly(300);
}

void TImageTab::PanoramaLoaded(const QString& fileName, const QImage& picture,
                               const QImage& reduced, QSize size, const QString& error) {
  if (!FLoader.Busy())
    while (QApplication::overrideCursor()) QApplication::restoreOverrideCursor();
  // The name was changed since: this picture is no longer the panorama.
  if (fileName.toStdString() != FFiler.GetImageFileName()) {
    FControls.Info->ClearInfo();
    return;
  }
  if (!error.isEmpty()) {
    FControls.Info->ShowProblem(error);
    // Only the preview's failure is an error box; the job reports its own.
    if (ShowImage()) FErrors.ShowError(error.toStdString());
    return;
  }
  FControls.Info->ShowSize(size);
  const QString warning = TPanoramaInfo::ShapeWarning(size);
  if (!warning.isEmpty()) FControls.StatusBar->showMessage(warning, 20000);
  if (picture.isNull() || !ShowImage()) return;
  FControls.Picture->resize(picture.size());
  FPreviewPicture = picture;
  FPreviewReduced = reduced;
  ShowPreviewPicture();
  ApplyZoom(kZoomFitWidth);
  ShowGuideIfPicture();
}

void TImageTab::LevellingChanged() {
  if (!FPreviewPicture.isNull() && FControls.Picture->HasPicture()) ShowPreviewPicture();
}

void TImageTab::ShowPreviewPicture() {
  if (FControls.Levelling->Levelled())
    FControls.Picture->SetPicture(FControls.Levelling->LevelledPreview(
        FPreviewReduced.isNull() ? FPreviewPicture : FPreviewReduced));
  else
    FControls.Picture->SetPicture(FPreviewPicture, FPreviewReduced);
}

void TImageTab::ClearPanorama() {
  FLoader.Drop();
  while (QApplication::overrideCursor()) QApplication::restoreOverrideCursor();
  FControls.Picture->SetPicture(QImage());
  FPreviewPicture = FPreviewReduced = QImage();
  FLineList->SetVisible(false);
}

void TImageTab::ApplyZoom(int mode) {
  TPictureView* view = FControls.Picture;
  if (!view->HasPicture()) return;
  FZoomMode = mode;
  const QSize picture = view->Picture().size();
  switch (mode) {
    case kZoomFitWidth:
      view->resize(FitWidthSize(picture, FControls.Area->size(), FVScrollWidth));
      break;
    case kZoomFitHeight:
      view->resize(FitHeightSize(picture, FControls.Area->size(), FHScrollHeight));
      break;
    default:
      view->resize(picture);
      break;
  }
  SetZoomButtonDown(mode);
  UpdateGuide();
}

void TImageTab::SetZoomButtonDown(int mode) {
  FZoomButtonDown = mode;
  FControls.ActualSize->setChecked(mode == kZoomActual);
  FControls.FitWidth->setChecked(mode == kZoomFitWidth);
  FControls.FitHeight->setChecked(mode == kZoomFitHeight);
}

void TImageTab::ShowGuideIfPicture() {
  FLineList->SetVisible(FControls.ShowGuide->isChecked() && FControls.Picture->HasPicture());
}

void TImageTab::UpdateGuide() {
  FLineList->Width = FControls.Picture->width();
  FLineList->Height = FControls.Picture->height();
  FLineList->Rebuild();
}

}  // namespace talvero
