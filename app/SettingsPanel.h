// The settings panel (dialog 144) on the right of the main window: the four effect switches
// with their most common choices, the size estimate, and the buttons that open the settings
// dialog. Controls are found by their identifiers (SettingsIds.h) as objectName.
#pragma once

#include <QWidget>

#include "PictureSupply.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class SizeEstimator;
class UpDownControl;

class SettingsPanel : public QWidget {
  Q_OBJECT
 public:
  // pictures: the list the dialog's preview shows (not owned; may be null: no pictures).
  explicit SettingsPanel(const PictureSupply* pictures, QWidget* parent = nullptr);
  ~SettingsPanel() override;

  // Copies the panel's values into the settings in silent mode (out-of-range values are
  // ignored, the speed clamped).
  void PanelToSettings();
  // Sets every control from the settings.
  void SettingsToPanel();

  // What the two dialog buttons do: page 0 frames and corners, page 1 watermark.
  void OpenSettingsDialog(int page);

  // The figure shown last by the size estimate (0 before the first one arrives).
  int EstimateBytes() const { return estimateBytes_; }

 signals:
  // After the estimate text changed (tests and the main window may wait for it).
  void estimateShown(int bytes);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  void build();
  void showCustomSize(bool custom);
  void showFrameType(int frameType);
  void showMarkStyle(int markStyle);
  void showSpeed();
  void refreshEstimate();
  void applySpeedEdit();

  // Handlers.
  void sizePresetChosen(int index);
  void qualityChosen(int index);
  void widthEdited();
  void frameChosen(int index);
  void speedPresetChosen(int index);
  void upDownMoved(int position);
  void speedEdited();

  const PictureSupply* pictures_;
  QCheckBox* resizeCheck_ = nullptr;
  QComboBox* sizePreset_ = nullptr;
  QLabel* widthLabel_ = nullptr;
  QLineEdit* widthEdit_ = nullptr;
  QLabel* widthUnitLabel_ = nullptr;
  QComboBox* quality_ = nullptr;
  QLabel* estimate_ = nullptr;
  QCheckBox* framesCheck_ = nullptr;
  QLabel* cornersLabel_ = nullptr;
  QComboBox* corners_ = nullptr;
  QLabel* radiusLabel_ = nullptr;
  QComboBox* radius_ = nullptr;
  QLabel* frameListLabel_ = nullptr;
  QComboBox* frameList_ = nullptr;
  QPushButton* frameButton_ = nullptr;
  QCheckBox* markCheck_ = nullptr;
  QLabel* markTextLabel_ = nullptr;
  QLineEdit* markText_ = nullptr;
  QLabel* markPathLabel_ = nullptr;
  QLineEdit* markPath_ = nullptr;
  QLabel* markPosition_ = nullptr;
  QPushButton* markButton_ = nullptr;
  QCheckBox* gifCheck_ = nullptr;
  QComboBox* speedList_ = nullptr;
  QLineEdit* speedEdit_ = nullptr;
  UpDownControl* upDown_ = nullptr;
  SizeEstimator* estimator_ = nullptr;
  int estimateBytes_ = 0;
  bool inWidthEdit_ = false;
};
