// The Windows icon file (.ico) of a set of pictures: what Explorer shows for talvero.exe.
#pragma once

#include <QByteArray>
#include <QImage>
#include <vector>

namespace talvero {

// An .ico holding each picture as a PNG entry (read by Windows Vista and later), in the
// order given. Pictures must be square, 1 to 256 pixels; empty when one is not.
QByteArray IconFile(const std::vector<QImage>& pictures);

}  // namespace talvero
