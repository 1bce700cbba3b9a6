#include "OutputName.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "SetMgr.h"

namespace {

constexpr qsizetype kMaxBaseName = 1023;
// Far more names than any folder holds: the search for a free name always ends.
constexpr int kMaxSuffix = 10'000'000;

QString withSlash(QString folder) {
  if (!folder.isEmpty() && !folder.endsWith(QLatin1Char('/'))) folder += QLatin1Char('/');
  return folder;
}

QString reason(int error, const QString& path) {
  return QStringLiteral("%1: %2").arg(path, QString::fromLocal8Bit(std::strerror(error)));
}

}  // namespace

QString OutputBaseName(const QString& sourcePath) {
  QString name = sourcePath.mid(sourcePath.lastIndexOf(QLatin1Char('/')) + 1);
  const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
  if (dot >= 0) name.truncate(dot);
  return name.left(kMaxBaseName);
}

QString OutputExtension(const QString& sourcePath, bool pkvToJpg) {
  const QString name = sourcePath.mid(sourcePath.lastIndexOf(QLatin1Char('/')) + 1);
  const bool pkv = name.endsWith(QStringLiteral(".pkv"), Qt::CaseSensitive);
  return pkv && !pkvToJpg ? QStringLiteral(".pkv") : QStringLiteral(".jpg");
}

int ReserveFile(const QString& path) {
  const QByteArray file = path.toLocal8Bit();
  const int fd = ::open(file.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (fd < 0) return errno ? errno : EIO;
  ::close(fd);
  return 0;
}

QString MakeUniqueName(const QString& folder, const QString& base, const QString& extension,
                       QString* error) {
  const QString dir = withSlash(folder);
  for (int n = 1; n <= kMaxSuffix; ++n) {
    const QString candidate = QStringLiteral("%1%2[%3]%4").arg(dir, base).arg(n).arg(extension);
    const int e = ReserveFile(candidate);
    if (e == 0) return candidate;
    if (e != EEXIST) {
      if (error) *error = reason(e, candidate);
      return {};
    }
  }
  if (error) *error = QStringLiteral("no free name for %1%2%3").arg(dir, base, extension);
  return {};
}

QString MakeOutputName(const QString& sourcePath, QString* error) {
  const CSetMgr& settings = CSetMgr::Instance();
  const QString folder = withSlash(settings.strExportDir());
  if (folder.isEmpty()) {
    if (error) *error = QStringLiteral("no export folder chosen");
    return {};
  }
  const QString base = OutputBaseName(sourcePath);
  const QString extension = OutputExtension(sourcePath, settings.bPkvToJpg() != 0);
  const QString candidate = folder + base + extension;
  const int e = ReserveFile(candidate);
  if (e == 0) return candidate;
  if (e != EEXIST) {
    if (error) *error = reason(e, candidate);
    return {};
  }
  return MakeUniqueName(folder, base, extension, error);
}
