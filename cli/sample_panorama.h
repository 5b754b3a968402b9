// The bundled sample panorama, drawn in code: a sky with a sun, a horizon with low hills,
// chequered ground and compass marks, so that the orientation of every cube face and
// sphere tile can be checked by eye.
//
// Headings grow to the right, as they do when the viewer turns right: the middle column
// looks North (the view ahead, the cube's front face), East lies at three quarters of the
// width, South at both edges (its letter is split across them) and West at one quarter.
#pragma once

#include <cstdint>

#include "imaging/bitmap.h"

namespace talvero {

// The smallest width the marks can be drawn at; the height is always half the width.
inline constexpr int32_t kMinSampleWidth = 64;

// An equirectangular panorama of width × width / 2 pixels (the width is rounded down to an
// even number). ImageError for a width below kMinSampleWidth.
Bitmap MakeSamplePanorama(int32_t width);

// The image column (fractional) at the centre of a heading in degrees (0 North, 90 East).
double HeadingColumn(double heading, int32_t width);

// The colours of the compass letters: North red, the others white; all with a dark rim.
inline constexpr Rgb kNorthColor{210, 25, 25};
inline constexpr Rgb kMarkColor{255, 255, 255};

}  // namespace talvero
