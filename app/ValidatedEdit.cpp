#include "ValidatedEdit.h"

#include <QLineEdit>

#include "SetMgr.h"
#include "SettingsText.h"

int32_t TypedNumber(const QString& text) { return settingsText::toInt(text); }

bool ValidatedEdit(QLineEdit* edit, int32_t held, const std::function<void(int32_t)>& setter) {
  CSetMgr& settings = CSetMgr::Instance();
  const int32_t mode = settings.bReportInvalid();
  settings.set_bReportInvalid(1);
  bool taken = true;
  try {
    setter(TypedNumber(edit->text()));
  } catch (const SettingsException&) {
    taken = false;
  }
  settings.set_bReportInvalid(mode);
  if (!taken) {
    edit->setFocus(Qt::OtherFocusReason);
    edit->setText(QString::number(held));
    edit->end(false);
    // The held value again, silently: a value a hand-edited file left out of range must not
    // raise a second message.
    try {
      setter(held);
    } catch (const SettingsException&) {
    }
  }
  return taken;
}
