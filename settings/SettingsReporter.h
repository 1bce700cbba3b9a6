// Where the settings manager shows the message of an out-of-range value.
#pragma once

#include <QString>
#include <memory>

class QMessageBox;

class SettingsReporter {
 public:
  virtual ~SettingsReporter() = default;
  virtual void ShowMessage(const QString& text) = 0;
};

// The program's reporter: a modal message box with only an OK button and no icon.
class MessageBoxReporter : public SettingsReporter {
 public:
  void ShowMessage(const QString& text) override;
  // The box ShowMessage runs (kept apart so its look can be checked without running it).
  static std::unique_ptr<QMessageBox> MakeBox(const QString& text);
};
