// Every message box and file dialog of the program goes through here, so that widget tests
// replace them (Install) and answer without a person.
#pragma once

#include <QColor>
#include <QString>
#include <QStringList>

class QWidget;

class UserDialogs {
 public:
  virtual ~UserDialogs() = default;

  // Information icon, OK button.
  virtual void Inform(QWidget* parent, const QString& text) = 0;
  // Question icon, OK and Cancel; true on OK.
  virtual bool Ask(QWidget* parent, const QString& text) = 0;
  // Folder browser; empty on cancel.
  virtual QString ChooseFolder(QWidget* parent, const QString& title) = 0;
  // Save-file dialog; empty on cancel.
  virtual QString SaveFile(QWidget* parent, const QString& title, const QString& filter) = 0;
  // Multi-select open dialog; empty on cancel.
  virtual QStringList OpenFiles(QWidget* parent, const QString& title, const QString& filter) = 0;
  // Single-file open dialog; empty on cancel.
  virtual QString OpenFile(QWidget* parent, const QString& title, const QString& filter);
  // Colour chooser; an invalid colour on cancel.
  virtual QColor ChooseColor(QWidget* parent, const QColor& initial);

  // The current one (the real dialogs unless a test installed its own).
  static UserDialogs& Current();
  // Null restores the real dialogs. Not owned.
  static void Install(UserDialogs* dialogs);
};
