// The settings dialog's frame page (147): rounded corners or a frame from the catalogue.
#pragma once

#include <QWidget>

class QComboBox;
class QListWidget;
class QRadioButton;

class FramePage : public QWidget {
  Q_OBJECT
 public:
  explicit FramePage(QWidget* parent = nullptr);

  // The page into the settings (change bit 2 for every differing value) and back.
  void FramePageToSettings();
  void FramePageFromSettings();

 signals:
  // The user changed something the preview shows.
  void changed();

 private:
  void enableByType();

  QRadioButton* useCorners_ = nullptr;
  QRadioButton* useFrame_ = nullptr;
  QComboBox* corners_ = nullptr;
  QComboBox* radius_ = nullptr;
  QListWidget* frames_ = nullptr;
};
