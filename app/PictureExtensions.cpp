#include "PictureExtensions.h"

#include <QStringList>

namespace {

constexpr const char* kExtensions[] = {
    "bmp", "gif", "jpg", "jpeg", "png", "tif", "tiff", "tga", "pcx", "wbmp", "wmf",
    "emf", "j2k", "jp2", "jbg", "j2c", "jpc", "pgx", "pnm", "pgm", "ppm", "ras",
    "mng", "jng", "ska", "nef", "crw", "cr2", "mrw", "raf", "erf", "3fr", "dcr",
    "raw", "dng", "pef", "x3f", "arw", "sr2", "mef", "orf", "pdd", "pkv"};
static_assert(std::size(kExtensions) == 43);

// The extension of the last path component, or an empty string when it has none.
QStringView extensionOf(const QString& path) {
  const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
  const qsizetype dot = path.lastIndexOf(QLatin1Char('.'));
  if (dot < 0 || dot < slash) return {};
  return QStringView(path).mid(dot + 1);
}

}  // namespace

const QString& SupportedPattern() {
  static const QString pattern = [] {
    QString text;
    for (const char* ext : kExtensions) text += QStringLiteral("*.") + QLatin1String(ext) + QLatin1Char(';');
    return text;
  }();
  return pattern;
}

QString PictureFileFilter() {
  QStringList patterns;
  for (const char* ext : kExtensions) patterns << QStringLiteral("*.") + QLatin1String(ext);
  return QStringLiteral("支持的图片格式(*.png;*.gif;*.bmp;*.tiff;*.wmf;*.jpg;*.jpeg;*.pkv) (") +
         patterns.join(QLatin1Char(' ')) + QLatin1Char(')');
}

bool IsSupportedPicture(const QString& path) {
  const QString ext = extensionOf(path).toString().toLower();
  if (ext.isEmpty()) return false;
  return SupportedPattern().contains(QLatin1Char('.') + ext + QLatin1Char(';'));
}

bool IsPkvPath(const QString& path) { return extensionOf(path) == QLatin1String("pkv"); }
