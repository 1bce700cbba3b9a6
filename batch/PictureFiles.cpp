#include "PictureFiles.h"

#include <QDir>
#include <QFileInfo>
#include <deque>

const QString& SupportedPatterns() {
  static const QString patterns = [] {
    const char* const kExtensions[] = {
        "bmp", "gif", "jpg", "jpeg", "png", "tif", "tiff", "tga", "pcx", "wbmp", "wmf",
        "emf", "j2k", "jp2", "jbg", "j2c", "jpc", "pgx", "pnm", "pgm", "ppm", "ras",
        "mng", "jng", "ska", "nef", "crw", "cr2", "mrw", "raf", "erf", "3fr", "dcr",
        "raw", "dng", "pef", "x3f", "arw", "sr2", "mef", "orf", "pdd", "pkv"};
    static_assert(std::size(kExtensions) == 43);
    QString text;
    for (const char* e : kExtensions) text += QStringLiteral("*.%1;").arg(QLatin1String(e));
    return text;
  }();
  return patterns;
}

bool IsSupportedPicture(const QString& fileName) {
  const QString name = fileName.mid(fileName.lastIndexOf(QLatin1Char('/')) + 1);
  const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
  if (dot < 0) return false;
  return SupportedPatterns().contains(name.mid(dot).toLower() + QLatin1Char(';'));
}

QStringList ScanFolder(const QString& folder, bool subFolders) {
  QStringList pictures;
  std::deque<QString> queue{folder};
  while (!queue.empty()) {
    const QDir dir(queue.front());
    queue.pop_front();
    const QFileInfoList entries =
        dir.entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                          QDir::Name);
    for (const QFileInfo& entry : entries) {
      // A link to a folder is not followed: a loop of links would never end.
      if (entry.isDir() && !entry.isSymLink()) {
        if (subFolders) queue.push_back(entry.filePath());
        continue;
      }
      if (IsSupportedPicture(entry.fileName())) pictures.push_back(entry.filePath());
    }
  }
  return pictures;
}
