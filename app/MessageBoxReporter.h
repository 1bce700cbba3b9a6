// The program's reporter of out-of-range settings: a modal message box with only an OK button
// and no icon. main() installs it with CSetMgr::Instance().SetReporter.
#pragma once

#include <QString>
#include <memory>

#include "SettingsReporter.h"

class QMessageBox;

class MessageBoxReporter : public SettingsReporter {
 public:
  void ShowMessage(const QString& text) override;
  // The box ShowMessage runs (kept apart so its look can be checked without running it).
  static std::unique_ptr<QMessageBox> MakeBox(const QString& text);
};
