// The settings dialog's watermark page (146): text or picture, font, colour, position,
// margins, tiling, rotation and transparency.
#pragma once

#include <QTimer>
#include <QWidget>
#include <functional>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QSlider;

class MarkPage : public QWidget {
  Q_OBJECT
 public:
  // The fonts page behind the link "更多字体".
  static const char* const kMoreFontsPage;

  // fonts: the font list's faces.
  explicit MarkPage(const QStringList& fonts, QWidget* parent = nullptr);

  // The page into the settings (change bit 4 for every differing value; the ranged values
  // through their validated setters in the current mode) and back.
  void MarkPageToSettings();
  void MarkPageFromSettings();

  bool PictureMode() const;
  QString PicturePath() const;
  void StopTyping() { typing_->stop(); }
  bool TypingTimerActive() const { return typing_->isActive(); }

  // Called before the page writes the settings on its own (the dialog makes sure no preview
  // reads them meanwhile).
  void SetBeforeWrite(std::function<void()> beforeWrite) { beforeWrite_ = std::move(beforeWrite); }

 signals:
  // The preview should show the page's current state.
  void previewWanted();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void build(const QStringList& fonts);
  void showMarginRows();
  void resetMargins();
  void fieldsLeft();
  void fontSizeLeft();
  void chooseFile();
  void chooseColour();
  void showColour();
  void typed();
  void beforeWrite() {
    if (beforeWrite_) beforeWrite_();
  }

  QRadioButton* textMode_ = nullptr;
  QRadioButton* pictureMode_ = nullptr;
  QPlainTextEdit* text_ = nullptr;
  QComboBox* font_ = nullptr;
  QComboBox* fontSize_ = nullptr;
  QCheckBox* bold_ = nullptr;
  QCheckBox* italic_ = nullptr;
  QCheckBox* underline_ = nullptr;
  QPushButton* colourButton_ = nullptr;
  QLineEdit* path_ = nullptr;
  QPushButton* chooseFile_ = nullptr;
  QRadioButton* atPosition_ = nullptr;
  QRadioButton* tiled_ = nullptr;
  QComboBox* position_ = nullptr;
  QLabel* firstLabel_ = nullptr;
  QLineEdit* firstMargin_ = nullptr;
  QComboBox* firstUnit_ = nullptr;
  QLabel* secondLabel_ = nullptr;
  QLineEdit* secondMargin_ = nullptr;
  QComboBox* secondUnit_ = nullptr;
  QLineEdit* spacing_ = nullptr;
  QLineEdit* rows_ = nullptr;
  QSlider* rotationSlider_ = nullptr;
  QLineEdit* rotation_ = nullptr;
  QSlider* transparencySlider_ = nullptr;
  QLineEdit* transparency_ = nullptr;

  int32_t colour_ = 0xFFFFFF;  // 0x00BBGGRR
  QTimer* typing_ = nullptr;
  bool validating_ = false;
  bool filling_ = false;
  std::function<void()> beforeWrite_;
};
