// What the image tab does with its controls (the window makes them): the chosen panorama
// decoded off the window's thread and shown, levelled as the levelling row says; its size and
// shape noted over the preview and a stretched one's warning in the status bar; the three zoom
// modes, which follow the scroll area's size; and the guide lines where the faces or tiles
// will be cut. Without 画像を表示する only the panorama's size is read, for that warning.
#pragma once

#include <QImage>
#include <QString>
#include <memory>

#include "app/preview/panorama_preview.h"

class QCheckBox;
class QScrollArea;
class QStatusBar;
class QToolButton;

namespace talvero {

class TErrorReporter;
class TLevellingPanel;
class TPanoramaInfo;
class TPreviewLoader;
class TSimFiler;

class TImageTab {
 public:
  struct Controls {
    QCheckBox* ShowImage;
    QCheckBox* ShowGuide;
    QToolButton* FitWidth;
    QToolButton* FitHeight;
    QToolButton* ActualSize;
    QScrollArea* Area;
    TPictureView* Picture;
    TPanoramaInfo* Info;
    TLevellingPanel* Levelling;
    QStatusBar* StatusBar;
  };
  // The panorama's name is the filer's; `loader` delivers to PanoramaLoaded (the window wires
  // it); a preview that cannot be decoded goes to `errors`. All outlive this.
  TImageTab(const Controls& controls, TSimFiler& filer, TPreviewLoader& loader,
            TErrorReporter& errors);
  ~TImageTab();

  // The scroll bars' room, from the style (once the window is shown).
  void MeasureScrollBars();
  int VScrollWidth() const { return FVScrollWidth; }
  int HScrollHeight() const { return FHScrollHeight; }

  // A panorama was chosen: its preview when shown, else only its size.
  void PanoramaChosen();
  // Decodes the panorama for the preview (nothing without an existing file).
  void ShowPanorama();
  void ClearPanorama();
  void PanoramaLoaded(const QString& fileName, const QImage& picture, const QImage& reduced,
                      QSize size, const QString& error);
  // The levelling row changed: the preview follows it.
  void LevellingChanged();

  int ZoomMode() const { return FZoomMode; }
  // Nothing without a picture.
  void ApplyZoom(int mode);
  // The zoom buttons as the last zoom applied left them (a click toggles its button itself).
  void ShowZoomButtons() { SetZoomButtonDown(FZoomButtonDown); }

  TLinePanelList& LineList() const { return *FLineList; }
  void ShowGuideIfPicture();
  void UpdateGuide();

 private:
  bool ShowImage() const;
  // The preview as the levelling row says: levelled with its horizon, or as loaded.
  void ShowPreviewPicture();
  void SetZoomButtonDown(int mode);

  Controls FControls;
  TSimFiler& FFiler;
  TPreviewLoader& FLoader;
  TErrorReporter& FErrors;
  // The picture as loaded and its reduced copy, kept for the levelling row's changes.
  QImage FPreviewPicture, FPreviewReduced;
  int FVScrollWidth = 0;
  int FHScrollHeight = 0;
  int FZoomMode = kZoomActual;
  int FZoomButtonDown = -1;
  std::unique_ptr<TLinePanelList> FLineList;
};

}  // namespace talvero
