// The settings file: root "settings", one child per persistent key, no declaration, UTF-8.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>
#include <limits>
#include <map>
#include <variant>

#include "SetMgr.h"
#include "SettingsText.h"
#include "zlvplatform.h"

namespace {

using IntField = int32_t SettingsData::*;
using TextField = QString SettingsData::*;

struct Key {
  const char* name;
  std::variant<IntField, TextField> field;
};

// The persistent keys in writing order.
const Key kKeys[] = {
    {"bSubDir", &SettingsData::bSubDir},
    {"bPhotoResize", &SettingsData::bPhotoResize},
    {"bPhotoFrames", &SettingsData::bPhotoFrames},
    {"bPhotoMark", &SettingsData::bPhotoMark},
    {"nResizeType", &SettingsData::nResizeType},
    {"nResizeSimpleType", &SettingsData::nResizeSimpleType},
    {"nResizeWidth", &SettingsData::nResizeWidth},
    {"nResizeHeight", &SettingsData::nResizeHeight},
    {"nResizeQuality", &SettingsData::nResizeQuality},
    {"nFrameType", &SettingsData::nFrameType},
    {"nFrameRoundPos", &SettingsData::nFrameRoundPos},
    {"nFrameRoundRize", &SettingsData::nFrameRoundRize},
    {"nFrameFileIndex", &SettingsData::nFrameFileIndex},
    {"nMarkStyle", &SettingsData::nMarkStyle},
    {"strMarkText", &SettingsData::strMarkText},
    {"strMarkFont", &SettingsData::strMarkFont},
    {"nMarkFontSize", &SettingsData::nMarkFontSize},
    {"bMarkFontBold", &SettingsData::bMarkFontBold},
    {"bMarkFontIt", &SettingsData::bMarkFontIt},
    {"bMarkFontUnder", &SettingsData::bMarkFontUnder},
    {"strMarkPicPath", &SettingsData::strMarkPicPath},
    {"nMarkPosStyle", &SettingsData::nMarkPosStyle},
    {"nMarkPosSimple", &SettingsData::nMarkPosSimple},
    {"nMarkPosTopUnit", &SettingsData::nMarkPosTopUnit},
    {"nMarkPosLeftUnit", &SettingsData::nMarkPosLeftUnit},
    {"nMarkPosTop", &SettingsData::nMarkPosTop},
    {"nMarkPosLeft", &SettingsData::nMarkPosLeft},
    {"nMarkSpace", &SettingsData::nMarkSpace},
    {"nMarkRows", &SettingsData::nMarkRows},
    {"nMarkRotate", &SettingsData::nMarkRotate},
    {"nMarkTransparent", &SettingsData::nMarkTransparent},
    {"strExportDir", &SettingsData::strExportDir},
    {"bPhotoGIF", &SettingsData::bPhotoGIF},
    {"nGIFSpeed", &SettingsData::nGIFSpeed},
};
static_assert(std::size(kKeys) == 34);

// A hand-edited file this large is not ours; it is treated as unreadable.
constexpr qint64 kMaxFileBytes = 16 << 20;

// Text of the first child element of the root for every name; nullopt when unreadable.
std::optional<std::map<QString, QString>> parseSettings(const QByteArray& data) {
  QXmlStreamReader xml(data);
  std::map<QString, QString> values;
  bool rootSeen = false;
  while (!xml.atEnd()) {
    QXmlStreamReader::TokenType token = xml.readNext();
    if (token == QXmlStreamReader::StartDocument) {
      if (!xml.documentVersion().isEmpty()) return std::nullopt;  // a declaration comes first
      continue;
    }
    if (token == QXmlStreamReader::EndDocument || token == QXmlStreamReader::Invalid) break;
    if (!rootSeen) {
      if (token == QXmlStreamReader::Characters && xml.isWhitespace()) continue;
      if (token != QXmlStreamReader::StartElement) return std::nullopt;  // comment, PI, DTD
      rootSeen = true;
      continue;
    }
    if (token == QXmlStreamReader::StartElement) {
      // A child of the root: take its whole text, once per name.
      QString name = xml.name().toString();
      QString text = xml.readElementText(QXmlStreamReader::IncludeChildElements);
      values.emplace(name, text);
    }
  }
  if (xml.hasError() || !rootSeen) return std::nullopt;
  return values;
}

}  // namespace

QString CSetMgr::SettingsFilePath() {
  char16_t buf[4096];
  uint32_t n = zlvUserDataDir(buf, 4096);
  QString folder = QString::fromUtf16(buf, n) + QStringLiteral("Gallivo/");
  if (n == 0 || !QDir().mkpath(folder) || !QFileInfo(folder).isDir()) folder.clear();
  return folder + QStringLiteral("settings.xml");
}

bool CSetMgr::LoadSettings() { return LoadSettingsFile(SettingsFilePath(), true); }

bool CSetMgr::LoadSettingsFile(const QString& path, bool removeUnreadable) {
  QFileInfo info(path);
  if (!info.exists() || info.isDir()) return false;
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return false;  // not ours to delete
  std::optional<std::map<QString, QString>> values;
  if (file.size() <= kMaxFileBytes) values = parseSettings(file.read(kMaxFileBytes));
  file.close();
  if (!values) {
    // Unreadable: removed so the next save writes a fresh file.
    if (removeUnreadable) QFile::remove(path);
    return false;
  }
  for (const Key& key : kKeys) {
    auto found = values->find(QString::fromLatin1(key.name));
    if (found == values->end()) continue;  // a missing element keeps its default
    if (auto* f = std::get_if<IntField>(&key.field))
      d_.*(*f) = settingsText::toInt(found->second);
    else
      d_.*std::get<TextField>(key.field) = found->second;
  }
  // The stored speed is the one value checked on loading, always silently.
  if (d_.nGIFSpeed > 10000) d_.nGIFSpeed = 10000;
  if (d_.nGIFSpeed < 100) d_.nGIFSpeed = 100;
  return true;
}

bool CSetMgr::SaveSettings() {
  QByteArray out;
  QXmlStreamWriter xml(&out);
  xml.setAutoFormatting(false);
  xml.writeStartElement(QStringLiteral("settings"));
  for (const Key& key : kKeys) {
    QString name = QString::fromLatin1(key.name);
    QString text = std::holds_alternative<IntField>(key.field)
                       ? QString::number(d_.*std::get<IntField>(key.field))
                       : settingsText::xmlSafe(d_.*std::get<TextField>(key.field));
    if (text.isEmpty())
      xml.writeEmptyElement(name);
    else
      xml.writeTextElement(name, text);
  }
  xml.writeEndElement();
  if (xml.hasError()) return false;
  // Written beside the old file and renamed over it: never a half-written settings file.
  QSaveFile file(SettingsFilePath());
  if (!file.open(QIODevice::WriteOnly)) return false;
  if (file.write(out) != out.size()) {
    file.cancelWriting();
    return false;
  }
  return file.commit();
}
