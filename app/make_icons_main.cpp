// Draws the program's icon (the FMS scene picture the window also uses) at the sizes of the
// desktop's icon theme: OUTDIR/hicolor/NxN/apps/talvero.png for each size N given. Run by
// the build; no window.
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QString>
#include <cstdio>

#include "app/format_pictures.h"

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: talvero-make-icons OUTDIR SIZE...\n");
    return 2;
  }
  // Drawing needs fonts but never a display.
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  const QString root = QString::fromLocal8Bit(argv[1]);
  for (int i = 2; i < argc; ++i) {
    const int size = QString::fromLatin1(argv[i]).toInt();
    if (size < 1 || size > 1024) {
      std::fprintf(stderr, "talvero-make-icons: '%s' is not an icon size\n", argv[i]);
      return 2;
    }
    const QString folder = QStringLiteral("%1/hicolor/%2x%2/apps").arg(root).arg(size);
    const QString file = folder + QStringLiteral("/talvero.png");
    if (!QDir().mkpath(folder) || !talvero::DrawFmsPicture(size).save(file, "PNG")) {
      std::fprintf(stderr, "talvero-make-icons: cannot write %s\n", qPrintable(file));
      return 1;
    }
  }
  return 0;
}
