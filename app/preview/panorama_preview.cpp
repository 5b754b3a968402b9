#include "app/preview/panorama_preview.h"

#include <QPaintEvent>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <utility>

#include "imaging/bitmap.h"
#include "support/errors.h"

namespace talvero {

namespace {

// The scroll area's border on both sides together.
constexpr int kAreaBorder = 4;

int RoundHalfEven(long double value) { return static_cast<int>(std::nearbyintl(value)); }

}  // namespace

QSize FitWidthSize(QSize picture, QSize area, int vScrollWidth) {
  if (picture.isEmpty()) return {};
  const long double aspect = static_cast<long double>(picture.width()) / picture.height();
  int width = area.width() - kAreaBorder;
  int height = RoundHalfEven(width / aspect);
  if (height > area.height() - kAreaBorder) {
    width = area.width() - vScrollWidth - kAreaBorder;
    height = RoundHalfEven(width / aspect);
  }
  return {width, height};
}

QSize FitHeightSize(QSize picture, QSize area, int hScrollHeight) {
  if (picture.isEmpty()) return {};
  const long double aspect = static_cast<long double>(picture.width()) / picture.height();
  int height = area.height() - kAreaBorder;
  int width = RoundHalfEven(aspect * height);
  if (width > area.width() - kAreaBorder) {
    height = area.height() - hScrollHeight - kAreaBorder;
    width = RoundHalfEven(aspect * height);
  }
  return {width, height};
}

std::vector<QRect> GuideLineRects(TSceneType type, int width, int height) {
  const int lineHeight = std::min(height, width / 2);
  const int e = width / 8;
  std::vector<QRect> lines;
  const auto vertical = [&lines](int left, int top, int h) { lines.emplace_back(left, top, 1, h); };
  const auto horizontal = [&lines, width](int top) { lines.emplace_back(0, top, width, 1); };
  switch (type) {
    case stCube:
      for (int left : {0, e, 3 * e, 5 * e, 7 * e, width - 1}) vertical(left, 0, lineHeight);
      for (int top : {0, e, 3 * e, lineHeight - 1}) horizontal(top);
      break;
    case stSphere:
      // Lines between the polar tiles reach the top; those between ring tiles only the rings.
      for (int i = 0; i <= 8; ++i) {
        const int left = i == 8 ? width - 1 : i * e;
        if (i % 2 == 0)
          vertical(left, 0, 3 * e);
        else
          vertical(left, e, 2 * e);
      }
      for (int top : {0, e, 2 * e, 3 * e}) horizontal(top);
      break;
  }
  return lines;
}

QImage ToQImage(const Bitmap& bitmap) {
  if (bitmap.Empty()) return {};
  if (bitmap.Format() != PixelFormat::Bgr24) throw ImageError("the preview needs a 24-bit image");
  QImage image(bitmap.Width(), bitmap.Height(), QImage::Format_BGR888);
  if (image.isNull())
    throw ImageError("not enough memory to show a picture of " + std::to_string(bitmap.Width()) +
                     " × " + std::to_string(bitmap.Height()) + " pixels");
  for (int32_t y = 0; y < bitmap.Height(); ++y)
    std::memcpy(image.scanLine(y), bitmap.Row(y), bitmap.RowBytes());
  return image;
}

QImage ToQImage(Bitmap&& bitmap) {
  const uintptr_t address = reinterpret_cast<uintptr_t>(bitmap.Row(0));
  if (bitmap.Empty() || bitmap.Format() != PixelFormat::Bgr24 || bitmap.Stride() % 4 != 0 ||
      address % 4 != 0)
    return ToQImage(std::as_const(bitmap));
  auto owned = std::make_unique<Bitmap>(std::move(bitmap));
  QImage image(
      owned->Row(0), owned->Width(), owned->Height(), static_cast<qsizetype>(owned->Stride()),
      QImage::Format_BGR888, [](void* pixels) { delete static_cast<Bitmap*>(pixels); },
      owned.get());
  if (image.isNull()) return ToQImage(std::as_const(*owned));
  owned.release();  // the image's cleanup frees it
  return image;
}

// ---- Picture control

TPictureView::TPictureView(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_OpaquePaintEvent, false);
}

void TPictureView::SetPicture(QImage picture, QImage reduced) {
  FPicture = std::move(picture);
  FReduced = FPicture.isNull() ? QImage() : std::move(reduced);
  FScaled = QImage();
  update();
}

void TPictureView::paintEvent(QPaintEvent* event) {
  if (FPicture.isNull()) return;
  if (FPicture.size() == size()) {
    QPainter(this).drawImage(event->rect(), FPicture, event->rect());
    return;
  }
  // Scaling a large panorama on every paint would make scrolling sluggish.
  if (FScaled.size() != size()) {
    const bool fromReduced = !FReduced.isNull() && width() <= FReduced.width() &&
                             height() <= FReduced.height();
    FScaled = (fromReduced ? FReduced : FPicture)
                  .scaled(size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
  }
  QPainter(this).drawImage(event->rect(), FScaled, event->rect());
}

// ---- Guide lines

TLinePanel::TLinePanel(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_TransparentForMouseEvents);
}

void TLinePanel::SetColor(const QColor& color) {
  if (color == FColor) return;
  FColor = color;
  update();
}

void TLinePanel::paintEvent(QPaintEvent* event) { QPainter(this).fillRect(event->rect(), FColor); }

TLinePanelList::~TLinePanelList() { Clear(); }

// A widget without a parent would show as a window of its own, so a new line stays hidden
// until Rebuild has placed it.
TLinePanel* TLinePanelList::CreateLine() { return new TLinePanel; }

TLinePanel* TLinePanelList::AddLine() {
  TLinePanel* line = CreateLine();
  FItems.emplace_back(line);
  return line;
}

void TLinePanelList::Clear() {
  for (const QPointer<TLinePanel>& line : FItems) delete line.data();
  FItems.clear();
}

void TLinePanelList::SetColor(const QColor& color) {
  if (color == FColor) return;
  FColor = color;
  for (const QPointer<TLinePanel>& line : FItems)
    if (line) line->SetColor(color);
}

void TLinePanelList::SetSceneType(TSceneType type) {
  if (type == FSceneType) return;
  FSceneType = type;
  Rebuild();
}

void TLinePanelList::SetVisible(bool visible) {
  if (visible == FVisible) return;
  FVisible = visible;
  for (const QPointer<TLinePanel>& line : FItems)
    if (line) line->setVisible(visible);
}

void TLinePanelList::Rebuild() {
  if (!Parent) return;
  Clear();
  for (const QRect& rect : GuideLineRects(FSceneType, Width, Height)) {
    TLinePanel* line = AddLine();
    line->setParent(Parent);
    line->SetColor(FColor);
    line->setGeometry(rect);
    line->setVisible(FVisible);
  }
}

}  // namespace talvero
