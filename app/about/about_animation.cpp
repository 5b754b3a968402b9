#include "app/about/about_animation.h"

#include <algorithm>
#include <cstdlib>

namespace talvero {

int NextOffset(int offset, int step, int stripWidth) {
  offset += step;
  if (offset > stripWidth) offset = 0;
  if (offset < 0) offset = stripWidth;
  return offset;
}

std::vector<TFrameCopy> FrameCopies(int offset, const QRect& viewRect, int span) {
  const int viewWidth = viewRect.width();
  const int viewHeight = viewRect.height();
  std::vector<TFrameCopy> copies;
  // The strip's pixels from the offset; what lies past its end is drawn by the wrap below.
  const int visible = std::clamp(span + viewWidth - offset, 0, viewWidth);
  if (visible > 0)
    copies.push_back({QRect(offset, 0, visible, viewHeight),
                      QRect(viewRect.left(), viewRect.top(), visible, viewHeight)});
  if (offset > span) {
    const int k = std::min(offset - span, viewWidth);
    copies.push_back({QRect(0, 0, k, viewHeight),
                      QRect(viewRect.left() + viewWidth - k, viewRect.top(), k, viewHeight)});
  }
  return copies;
}

int StepForPointer(int x, int viewWidth, int step) {
  const int half = viewWidth / 2;
  if (x < half - 5)
    step = -1;
  else if (x > half + 5)
    step = 1;
  return step * std::max(1, std::abs(half - x) / 15);
}

}  // namespace talvero
