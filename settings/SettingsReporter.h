// Where the settings manager shows the message of an out-of-range value. The program installs
// its message box (app/MessageBoxReporter.h) at start-up; until then, and in programs without
// windows, the message goes to the log.
#pragma once

#include <QString>

class SettingsReporter {
 public:
  virtual ~SettingsReporter() = default;
  virtual void ShowMessage(const QString& text) = 0;
};

// The default: one warning line on the log (standard error).
class LogReporter : public SettingsReporter {
 public:
  void ShowMessage(const QString& text) override;
};
