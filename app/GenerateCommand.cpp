#include "GenerateCommand.h"

#include "GenerateChecks.h"
#include "SetMgr.h"

std::optional<QString> MainWindowRefusal(int pictureCount, const CSetMgr& settings, bool scanning) {
  // No pictures, no effect, the default watermark text, a showcase of one picture.
  QString refusal = GenerateRefusal(pictureCount, settings);
  if (!refusal.isEmpty()) return refusal;
  // Only the window knows of a scan still filling the list.
  if (scanning) return GenerateText::kScanning;
  return std::nullopt;
}

QString WithGifExtension(const QString& chosen) {
  if (chosen.right(4).toLower() == QLatin1String(".gif")) return chosen;
  return chosen + QLatin1String(".gif");
}

QString AsExportFolder(const QString& folder) {
  QString out = folder;
  while (out.size() > 1 && out.endsWith(QLatin1Char('/'))) out.chop(1);
  if (!out.endsWith(QLatin1Char('/'))) out += QLatin1Char('/');
  return out;
}
