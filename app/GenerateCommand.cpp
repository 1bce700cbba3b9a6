#include "GenerateCommand.h"


#include "SetMgr.h"

namespace {

struct Request {
  int count;
  const SettingsData& s;
  bool scanning;
};

struct Check {
  bool (*refuses)(const Request&);
  const QString* message;
};

bool DefaultMarkText(const QString& text) { return text == SettingsData{}.strMarkText; }

// In this order: the first that refuses ends the command.
const Check kChecks[] = {
    {[](const Request& r) { return r.count == 0; }, &GenerateText::kNoPictures},
    {[](const Request& r) {
       return !r.s.bPhotoResize && !r.s.bPhotoMark && !r.s.bPhotoFrames && !r.s.bPhotoGIF;
     },
     &GenerateText::kNoEffect},
    {[](const Request& r) {
       return r.s.bPhotoMark && r.s.nMarkStyle == 0 && DefaultMarkText(r.s.strMarkText);
     },
     &GenerateText::kNoMarkText},
    {[](const Request& r) { return r.count == 1 && r.s.bPhotoGIF; }, &GenerateText::kOnePicture},
    {[](const Request& r) { return r.scanning; }, &GenerateText::kScanning},
};

}  // namespace

std::optional<QString> GenerateRefusal(int pictureCount, const SettingsData& settings, bool scanning) {
  const Request request{pictureCount, settings, scanning};
  for (const Check& check : kChecks)
    if (check.refuses(request)) return *check.message;
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
