#include "SettingKeys.h"

#include <variant>

#include "SetMgr.h"

namespace {

using IntSetter = void (CSetMgr::*)(int32_t);
using TextSetter = void (CSetMgr::*)(const QString&);

struct KeySetter {
  const char* key;
  std::variant<IntSetter, TextSetter> set;
};

// Every persistent key, plus the run-time switches a command line may want to give.
const KeySetter kSetters[] = {
    {"bSubDir", &CSetMgr::set_bSubDir},
    {"bPhotoResize", &CSetMgr::set_bPhotoResize},
    {"bPhotoFrames", &CSetMgr::set_bPhotoFrames},
    {"bPhotoMark", &CSetMgr::set_bPhotoMark},
    {"bPhotoGIF", &CSetMgr::set_bPhotoGIF},
    {"nGIFSpeed", &CSetMgr::set_nGIFSpeed},
    {"nResizeType", &CSetMgr::set_nResizeType},
    {"nResizeSimpleType", &CSetMgr::set_nResizeSimpleType},
    {"nResizeWidth", &CSetMgr::set_nResizeWidth},
    {"nResizeHeight", &CSetMgr::set_nResizeHeight},
    {"nResizeQuality", &CSetMgr::set_nResizeQuality},
    {"nFrameType", &CSetMgr::set_nFrameType},
    {"nFrameRoundPos", &CSetMgr::set_nFrameRoundPos},
    {"nFrameRoundRize", &CSetMgr::set_nFrameRoundRize},
    {"nFrameFileIndex", &CSetMgr::set_nFrameFileIndex},
    {"nMarkStyle", &CSetMgr::set_nMarkStyle},
    {"strMarkText", &CSetMgr::set_strMarkText},
    {"strMarkFont", &CSetMgr::set_strMarkFont},
    {"nMarkFontSize", &CSetMgr::set_nMarkFontSize},
    {"bMarkFontBold", &CSetMgr::set_bMarkFontBold},
    {"bMarkFontIt", &CSetMgr::set_bMarkFontIt},
    {"bMarkFontUnder", &CSetMgr::set_bMarkFontUnder},
    {"strMarkPicPath", &CSetMgr::set_strMarkPicPath},
    {"nMarkPosStyle", &CSetMgr::set_nMarkPosStyle},
    {"nMarkPosSimple", &CSetMgr::set_nMarkPosSimple},
    {"nMarkPosTopUnit", &CSetMgr::set_nMarkPosTopUnit},
    {"nMarkPosLeftUnit", &CSetMgr::set_nMarkPosLeftUnit},
    {"nMarkPosTop", &CSetMgr::set_nMarkPosTop},
    {"nMarkPosLeft", &CSetMgr::set_nMarkPosLeft},
    {"nMarkSpace", &CSetMgr::set_nMarkSpace},
    {"nMarkRows", &CSetMgr::set_nMarkRows},
    {"nMarkRotate", &CSetMgr::set_nMarkRotate},
    {"nMarkTransparent", &CSetMgr::set_nMarkTransparent},
    {"strExportDir", &CSetMgr::set_strExportDir},
    {"nMarkColor", &CSetMgr::set_nMarkColor},
    {"bPkvToJpg", &CSetMgr::set_bPkvToJpg},
};

// Catches the message a validated setter shows for an out-of-range value.
class CapturingReporter : public SettingsReporter {
 public:
  void ShowMessage(const QString& text) override { message = text; }
  QString message;
};

}  // namespace

SetResult SetByKey(CSetMgr& settings, const QString& key, const QString& value, QString* message) {
  const KeySetter* found = nullptr;
  for (const KeySetter& s : kSetters)
    if (key == QLatin1String(s.key)) found = &s;
  if (!found) {
    if (message) *message = QStringLiteral("unknown setting %1").arg(key);
    return SetResult::UnknownKey;
  }
  if (const auto* text = std::get_if<TextSetter>(&found->set)) {
    (settings.*(*text))(value);
    return SetResult::Stored;
  }
  bool ok = false;
  // Decimal, or 0x... for colours.
  const qlonglong number = value.trimmed().toLongLong(&ok, 0);
  if (!ok || number < INT32_MIN || number > INT32_MAX) {
    if (message) *message = QStringLiteral("%1: \"%2\" is not a whole number").arg(key, value);
    return SetResult::NotANumber;
  }
  CapturingReporter reporter;
  settings.SetReporter(&reporter);
  const int32_t reporting = settings.bReportInvalid();
  settings.set_bReportInvalid(1);
  SetResult result = SetResult::Stored;
  try {
    (settings.*std::get<IntSetter>(found->set))(int32_t(number));
  } catch (const SettingsException&) {
    if (message) *message = reporter.message;
    result = SetResult::OutOfRange;
  }
  settings.set_bReportInvalid(reporting);
  settings.SetReporter(nullptr);
  return result;
}
