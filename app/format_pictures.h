// The 120 × 120 pictures of the two scene formats shown beside the parameter grids, drawn
// in code: a cube scene under a sky for FMS, a sphere scene for RCPSim.
#pragma once

#include <QImage>

namespace talvero {

inline constexpr int kFormatPictureSize = 120;

QImage DrawFmsPicture();
QImage DrawRcpPicture();

}  // namespace talvero
