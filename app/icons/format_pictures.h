// The 120 × 120 pictures of the two scene formats shown beside the parameter grids, drawn
// in code: a cube scene under a sky for FMS, a sphere scene for RCPSim.
#pragma once

#include <QImage>

namespace talvero {

inline constexpr int kFormatPictureSize = 120;

// `size` other than kFormatPictureSize draws the same picture scaled (the program's icons).
QImage DrawFmsPicture(int size = kFormatPictureSize);
QImage DrawRcpPicture(int size = kFormatPictureSize);

}  // namespace talvero
