// Writes the application icon as gallivo-<size>.png into a folder, for the desktop menu.
// Usage: gallivo_make_icons <folder> <size>...
#include <QDir>
#include <QGuiApplication>
#include <cstdio>

#include "Artwork.h"

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: %s <folder> <size>...\n", argv[0]);
    return 2;
  }
  QGuiApplication app(argc, argv);
  const QString folder = QString::fromLocal8Bit(argv[1]);
  if (!QDir().mkpath(folder)) return 1;
  for (int i = 2; i < argc; ++i) {
    const int size = QString::fromLocal8Bit(argv[i]).toInt();
    if (size < 8 || size > 1024) return 2;
    const QString file = QDir(folder).filePath(QStringLiteral("gallivo-%1.png").arg(size));
    if (!DrawAppIcon(size).save(file, "PNG")) {
      std::fprintf(stderr, "cannot write %s\n", qPrintable(file));
      return 1;
    }
  }
  return 0;
}
