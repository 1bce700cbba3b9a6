// The main window's update check: loads the updater library, asks it once, and offers the
// update page when it reports a newer version. Without the library (or its Check entry)
// nothing happens; without its State entry the answer is ignored.
#pragma once

#include <QObject>
#include <QString>
#include <cstdint>

#include "zlvup.h"

class QWidget;

class UpdatePrompt : public QObject {
  Q_OBJECT
 public:
  // Loads the library at libraryPath and calls Check(1, window id). The library stays loaded
  // for the rest of the process: its check thread is never joined.
  UpdatePrompt(QWidget* window, const QString& libraryPath);
  ~UpdatePrompt() override;

  // True when Check was called.
  bool Started() const { return windowId_ != 0; }

 signals:
  // After an answer was handled: the record's state, or -1 when it could not be read.
  void handled(int state);

 private:
  static void OnPosted(void* context, uint32_t msg, uintptr_t wparam, intptr_t lparam);
  void OnResult();

  QWidget* window_;
  ZlvUpCheckFn check_ = nullptr;
  ZlvUpStateFn state_ = nullptr;
  uint32_t windowId_ = 0;
};
