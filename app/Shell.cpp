#include "Shell.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QUrl>

#include "ProgramPaths.h"

bool OpenWithShell(const QString& pathOrAddress) {
  if (pathOrAddress.isEmpty()) return false;
  // Addresses carry a scheme; anything else is a local path (which may hold a colon).
  const QUrl asUrl(pathOrAddress, QUrl::StrictMode);
  const bool isAddress = asUrl.isValid() && asUrl.scheme().size() > 1 &&
                         !pathOrAddress.startsWith(QLatin1Char('/'));
  return QDesktopServices::openUrl(isAddress ? asUrl : QUrl::fromLocalFile(pathOrAddress));
}

bool LaunchEditor(const QString& picturePath) {
  const QString folder = EditorFolder();
  if (folder.isEmpty() || !QFileInfo(folder).isDir()) return false;
  return QProcess::startDetached(QDir(folder).filePath(QStringLiteral("zelvo")), {picturePath});
}
