// The about box's pictures, drawn in code: a panoramic landscape strip that scrolls
// through the view, and the overlay ANDed over every frame.
#pragma once

#include <QImage>

namespace talvero {

inline constexpr int kAboutStripWidth = 2801;
inline constexpr int kAboutViewWidth = 300;
inline constexpr int kAboutViewHeight = 160;

// Sky, clouds, mountains, hills, an airfield with its runway and a small aircraft; its
// right edge joins its left edge without a seam.
QImage DrawAboutStrip();

// White where the landscape shows through, black outside a rounded frame and for the
// lettering, since it is combined with a bitwise AND.
QImage DrawAboutOverlay();

}  // namespace talvero
