// The preview of the image tab: the picture control, the sizing rules of its three zoom
// modes and the guide lines that show where the faces or tiles will be cut.
#pragma once

#include <QColor>
#include <QImage>
#include <QPointer>
#include <QRect>
#include <QSize>
#include <QWidget>
#include <memory>
#include <vector>

#include "engine/enums.h"

namespace talvero {

class Bitmap;

// Zoom modes of the preview.
inline constexpr int kZoomActual = 0;
inline constexpr int kZoomFitWidth = 1;
inline constexpr int kZoomFitHeight = 2;

// The picture's size when it fills the width of a scroll area of outer size `area` (border
// of 2 pixels on each side). When the height then needs a vertical scroll bar, the width
// leaves room for one `vScrollWidth` wide. Heights round half to even.
QSize FitWidthSize(QSize picture, QSize area, int vScrollWidth);
// Likewise filling the height, leaving room for a horizontal scroll bar when needed.
QSize FitHeightSize(QSize picture, QSize area, int hScrollHeight);

// The guide over a picture of width × height pixels, in creation order: the vertical lines
// from left to right, then the horizontal lines from top to bottom. Lines are one pixel
// wide (vertical) or high (horizontal), relative to the picture's top-left corner.
std::vector<QRect> GuideLineRects(TSceneType type, int width, int height);

// A 24-bit working image as a Qt image (a deep copy); a null image for an empty bitmap.
// Error when the copy cannot be allocated.
QImage ToQImage(const Bitmap& bitmap);
// The same, taking over the pixels of an image that owns them where Qt can use them as they
// are (rows on 4-byte boundaries): a decoded 16384-wide panorama is 400 MB, and a copy would
// need as much again for a moment. Otherwise a copy as above.
QImage ToQImage(Bitmap&& bitmap);

// The picture control: shows its picture stretched over its whole area (at the picture's
// own size in the actual-size mode, where the window makes both sizes equal).
class TPictureView : public QWidget {
  Q_OBJECT
 public:
  explicit TPictureView(QWidget* parent = nullptr);

  const QImage& Picture() const { return FPicture; }
  bool HasPicture() const { return !FPicture.isNull(); }
  // A null image removes the picture; the control keeps its size either way. `reduced`: the
  // same picture made smaller beforehand (off the window's thread), drawn from when the
  // control is no larger, so that a large panorama does not hold up the first paint.
  void SetPicture(QImage picture, QImage reduced = {});

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QImage FPicture;
  QImage FReduced;
  QImage FScaled;  // the picture at the control's size, made when first painted
};

// One guide line: a plain rectangle filled with its colour.
class TLinePanel : public QWidget {
  Q_OBJECT
 public:
  explicit TLinePanel(QWidget* parent = nullptr);
  void SetColor(const QColor& color);
  QColor Color() const { return FColor; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QColor FColor;
};

// The guide: the lines it owns, placed on Parent (the picture control).
class TLinePanelList {
 public:
  TLinePanelList() = default;
  virtual ~TLinePanelList();
  TLinePanelList(const TLinePanelList&) = delete;
  TLinePanelList& operator=(const TLinePanelList&) = delete;

  int Count() const { return static_cast<int>(FItems.size()); }
  TLinePanel* Items(int index) const { return FItems.at(static_cast<size_t>(index)); }
  TLinePanel* AddLine();
  // Frees every line and empties the list.
  void Clear();

  QColor Color() const { return FColor; }
  void SetColor(const QColor& color);
  TSceneType SceneType() const { return FSceneType; }
  // Rebuilds the lines when the type changes.
  void SetSceneType(TSceneType type);
  bool Visible() const { return FVisible; }
  void SetVisible(bool visible);

  // Not owned; set before Rebuild.
  QWidget* Parent = nullptr;
  int Width = 0;
  int Height = 0;

  // Recreates the lines for the scene type and size; nothing without a parent.
  void Rebuild();

 protected:
  virtual TLinePanel* CreateLine();

 private:
  // A line's parent may be destroyed first, taking the line with it.
  std::vector<QPointer<TLinePanel>> FItems;
  QColor FColor = QColor(0, 0, 0);
  TSceneType FSceneType = stCube;
  bool FVisible = true;
};

}  // namespace talvero
