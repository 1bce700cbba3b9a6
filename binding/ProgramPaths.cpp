#include "ProgramPaths.h"

#include <QFileInfo>

#include "zlvplatform.h"

namespace {

QString fromBuffer(const char16_t* text, uint32_t length) {
  return QString::fromUtf16(text, qsizetype(length));
}

QString withSlash(QString folder) {
  folder.replace(QLatin1Char('\\'), QLatin1Char('/'));
  if (!folder.isEmpty() && !folder.endsWith(QLatin1Char('/'))) folder += QLatin1Char('/');
  return folder;
}

constexpr const char16_t* kLibraryNames[] = {u"libzelvo.so", u"libzlvexif.so"};

}  // namespace

QString ProgramFolder() {
  char16_t buf[4096];
  uint32_t n = zlvProgramDir(buf, 4096);
  return withSlash(fromBuffer(buf, n));
}

QString EditorFolder() {
  char16_t buf[261] = {};
  if (!zlvRegQueryString(ZLV_HKEY_CURRENT_USER, u"Software\\Zelvo", u"Install Path", buf, 261))
    return {};
  return withSlash(QString::fromUtf16(buf));
}

QString CompanionLibraryPath(int which) {
  if (which != EngineLibrary && which != ExifHelperLibrary) return {};
  const QString name = QString::fromUtf16(kLibraryNames[which]);
  const QString local = ProgramFolder() + name;
  if (QFileInfo::exists(local)) return local;
  return EditorFolder() + name;
}
