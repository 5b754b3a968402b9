// Draws the program's icon (the FMS scene picture the window also uses): at the sizes of the
// desktop's icon theme, OUTDIR/hicolor/NxN/apps/talvero.png for each size N given; or with
// --ico, one Windows icon file holding every size given. Run by the build; no window.
#include <QDir>
#include <QSaveFile>
#include <QGuiApplication>
#include <QImage>
#include <QString>
#include <cstdio>
#include <cstring>
#include <vector>

#include "app/icons/format_pictures.h"
#include "app/icons/icon_file.h"

int main(int argc, char** argv) {
  const bool ico = argc > 1 && std::strcmp(argv[1], "--ico") == 0;
  const int first = ico ? 2 : 1;
  if (argc < first + 2) {
    std::fprintf(stderr, "usage: talvero-make-icons OUTDIR SIZE...\n"
                         "       talvero-make-icons --ico FILE SIZE...\n");
    return 2;
  }
  // Drawing needs fonts but never a display.
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  const QString target = QString::fromLocal8Bit(argv[first]);
  std::vector<QImage> pictures;
  for (int i = first + 1; i < argc; ++i) {
    const int size = QString::fromLatin1(argv[i]).toInt();
    if (size < 1 || size > (ico ? 256 : 1024)) {
      std::fprintf(stderr, "talvero-make-icons: '%s' is not an icon size\n", argv[i]);
      return 2;
    }
    pictures.push_back(talvero::DrawFmsPicture(size));
  }
  if (ico) {
    const QByteArray data = talvero::IconFile(pictures);
    QSaveFile file(target);
    if (data.isEmpty() || !file.open(QIODevice::WriteOnly) || file.write(data) != data.size() ||
        !file.commit()) {
      std::fprintf(stderr, "talvero-make-icons: cannot write %s\n", qPrintable(target));
      return 1;
    }
    return 0;
  }
  for (const QImage& picture : pictures) {
    const QString folder =
        QStringLiteral("%1/hicolor/%2x%2/apps").arg(target).arg(picture.width());
    const QString file = folder + QStringLiteral("/talvero.png");
    if (!QDir().mkpath(folder) || !picture.save(file, "PNG")) {
      std::fprintf(stderr, "talvero-make-icons: cannot write %s\n", qPrintable(file));
      return 1;
    }
  }
  return 0;
}
