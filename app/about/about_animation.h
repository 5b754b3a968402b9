// The arithmetic of the about box's scrolling picture, free of any window so that it
// can be checked on its own.
#pragma once

#include <QRect>
#include <vector>

namespace talvero {

// The next left edge of the view in the strip: past the strip's width it starts again at
// 0; below 0 it continues from the strip's width.
int NextOffset(int offset, int step, int stripWidth);

// One rectangle copy from the strip onto the view.
struct TFrameCopy {
  QRect Source;  // in the strip
  QRect Dest;    // in the view
};

// The copies that draw the view with its left edge at `offset` of a strip `span` pixels
// wider than the view: the strip from the offset to its end, and when the view runs past
// that end (offset > span) the strip's first k = offset - span pixels at the view's right.
std::vector<TFrameCopy> FrameCopies(int offset, const QRect& viewRect, int span);

// The step after the pointer moved to x in a view `viewWidth` wide: towards the pointer's
// side, one pixel more per 15 pixels from the centre; within 5 pixels of the centre the
// direction stays as it was.
int StepForPointer(int x, int viewWidth, int step);

}  // namespace talvero
