#include "app/icons/icon_file.h"

#include <QBuffer>
#include <QtEndian>

namespace talvero {

namespace {

void Append16(QByteArray& out, quint16 value) {
  const quint16 le = qToLittleEndian(value);
  out.append(reinterpret_cast<const char*>(&le), 2);
}

void Append32(QByteArray& out, quint32 value) {
  const quint32 le = qToLittleEndian(value);
  out.append(reinterpret_cast<const char*>(&le), 4);
}

}  // namespace

QByteArray IconFile(const std::vector<QImage>& pictures) {
  std::vector<QByteArray> pngs;
  for (const QImage& picture : pictures) {
    if (picture.isNull() || picture.width() != picture.height() || picture.width() > 256)
      return {};
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    if (!picture.convertToFormat(QImage::Format_ARGB32).save(&buffer, "PNG")) return {};
    pngs.push_back(png);
  }
  if (pngs.empty()) return {};

  // ICONDIR, then one ICONDIRENTRY per picture, then the pictures' data.
  QByteArray out;
  Append16(out, 0);
  Append16(out, 1);  // an icon, not a cursor
  Append16(out, static_cast<quint16>(pngs.size()));
  quint32 offset = 6 + 16 * static_cast<quint32>(pngs.size());
  for (size_t i = 0; i < pngs.size(); ++i) {
    const int size = pictures[i].width();
    out.append(static_cast<char>(size == 256 ? 0 : size));  // 0 stands for 256
    out.append(static_cast<char>(size == 256 ? 0 : size));
    out.append('\0');  // no palette
    out.append('\0');
    Append16(out, 1);   // colour planes
    Append16(out, 32);  // bits per pixel
    Append32(out, static_cast<quint32>(pngs[i].size()));
    Append32(out, offset);
    offset += static_cast<quint32>(pngs[i].size());
  }
  for (const QByteArray& png : pngs) out.append(png);
  return out;
}

}  // namespace talvero
