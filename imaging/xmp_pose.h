// The camera pose recorded in a panorama's XMP packet by 360° cameras and panorama apps:
// GPano:PosePitchDegrees and GPano:PoseRollDegrees.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace talvero {

struct CameraPose {
  double Pitch = 0;  // degrees, -90 ... 90
  double Roll = 0;   // degrees, -180 ... 180
};

// The pose in an XMP packet, written as attributes (GPano:PosePitchDegrees="2.5") or as
// elements (<GPano:PosePitchDegrees>2.5</GPano:PosePitchDegrees>), with any namespace prefix.
// nullopt when neither property holds a number in its range; a missing one of the two is 0.
// Never fails on malformed text: what cannot be read is not there.
std::optional<CameraPose> PoseFromXmp(std::string_view xmp);

// The pose in an image file's XMP (JPEG, PNG or TIFF); nullopt when it has none. ImageError or
// FileError when the file cannot be read.
std::optional<CameraPose> ReadCameraPose(const std::string& path);

}  // namespace talvero
