// The about box (dialog 100), opened from the main window.
#pragma once

#include <QDialog>

class AboutBox : public QDialog {
  Q_OBJECT
 public:
  static constexpr int kId = 100;
  explicit AboutBox(QWidget* parent = nullptr);
};
