#include "Shell.h"

#include <QDesktopServices>
#include <QUrl>

bool OpenWithShell(const QString& pathOrAddress) {
  if (pathOrAddress.isEmpty()) return false;
  // Addresses carry a scheme; anything else is a local path (which may hold a colon).
  const QUrl asUrl(pathOrAddress, QUrl::StrictMode);
  const bool isAddress = asUrl.isValid() && asUrl.scheme().size() > 1 &&
                         !pathOrAddress.startsWith(QLatin1Char('/'));
  return QDesktopServices::openUrl(isAddress ? asUrl : QUrl::fromLocalFile(pathOrAddress));
}
