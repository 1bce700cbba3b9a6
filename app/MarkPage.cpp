#include "MarkPage.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDesktopServices>
#include <QEvent>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QUrl>
#include <QVBoxLayout>

#include "SetMgr.h"
#include "SettingsIds.h"
#include "SettingsLists.h"
#include "UserDialogs.h"
#include "ValidatedEdit.h"

const char* const MarkPage::kMoreFontsPage = "https://www.gallivo.invalid/fonts.html";

namespace {

constexpr int kTypingPauseMs = 1000;
constexpr int kDefaultMargin = 15;
constexpr int kRotationOffset = 180;  // slider position = angle + 180

template <class W, class... Args>
W* control(int id, QWidget* parent, Args&&... args) {
  auto* w = new W(std::forward<Args>(args)..., parent);
  w->setObjectName(idName(id));
  return w;
}

QHBoxLayout* row(std::initializer_list<QWidget*> widgets) {
  auto* layout = new QHBoxLayout;
  layout->setContentsMargins(0, 0, 0, 0);
  for (QWidget* w : widgets) layout->addWidget(w);
  layout->addStretch(1);
  return layout;
}

QColor colourOf(int32_t bgr) { return QColor(bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF); }
int32_t bgrOf(const QColor& c) { return c.red() | (c.green() << 8) | (c.blue() << 16); }

// Sets two radios of a pair; a stored value outside the pair checks neither.
void checkPair(QRadioButton* first, QRadioButton* second, int32_t value) {
  first->setAutoExclusive(false);
  second->setAutoExclusive(false);
  first->setChecked(value == 0);
  second->setChecked(value == 1);
  first->setAutoExclusive(true);
  second->setAutoExclusive(true);
}

void selectIndex(QComboBox* combo, int index) {
  combo->setCurrentIndex(index >= 0 && index < combo->count() ? index : -1);
}

// A validated setter in the current mode: a refused value keeps the held one.
template <class Setter>
void trySet(Setter&& setter) {
  try {
    setter();
  } catch (const SettingsException&) {
  }
}

}  // namespace

MarkPage::MarkPage(const QStringList& fonts, QWidget* parent) : QWidget(parent) {
  setObjectName(idName(markPageId::kPage));
  typing_ = new QTimer(this);
  typing_->setSingleShot(true);
  typing_->setInterval(kTypingPauseMs);
  connect(typing_, &QTimer::timeout, this, [this] {
    if (!validating_) emit previewWanted();
  });
  build(fonts);
}

void MarkPage::build(const QStringList& fonts) {
  using namespace markPageId;
  auto* kindGroup = new QGroupBox(QStringLiteral("水印类型"), this);
  textMode_ = control<QRadioButton>(kTextMode, kindGroup, QStringLiteral("文字水印"));
  pictureMode_ = control<QRadioButton>(kPictureMode, kindGroup, QStringLiteral("图片水印"));
  text_ = control<QPlainTextEdit>(kText, kindGroup);
  text_->setMaximumHeight(60);
  font_ = control<QComboBox>(kFont, kindGroup);
  font_->setEditable(true);
  font_->setInsertPolicy(QComboBox::NoInsert);
  font_->addItems(fonts);
  font_->setMinimumWidth(150);
  auto* moreFonts = control<QLabel>(kMoreFonts, kindGroup,
                                    QStringLiteral("<a href=\"%1\">更多字体</a>").arg(QLatin1String(kMoreFontsPage)));
  moreFonts->setTextInteractionFlags(Qt::LinksAccessibleByMouse);
  connect(moreFonts, &QLabel::linkActivated, this, [](const QString& link) { QDesktopServices::openUrl(QUrl(link)); });
  fontSize_ = control<QComboBox>(kFontSize, kindGroup);
  fontSize_->setEditable(true);
  fontSize_->setInsertPolicy(QComboBox::NoInsert);
  fontSize_->addItems(settingsLists::FontSizes());
  bold_ = control<QCheckBox>(kBold, kindGroup, QStringLiteral("粗体"));
  italic_ = control<QCheckBox>(kItalic, kindGroup, QStringLiteral("斜体"));
  underline_ = control<QCheckBox>(kUnderline, kindGroup, QStringLiteral("下划线"));
  colourButton_ = control<QPushButton>(kColour, kindGroup);
  colourButton_->setFixedWidth(48);
  path_ = control<QLineEdit>(kPicturePath, kindGroup);
  chooseFile_ = control<QPushButton>(kChooseFile, kindGroup, QStringLiteral("选择水印文件 ..."));

  auto* kind = new QVBoxLayout(kindGroup);
  kind->addWidget(textMode_);
  kind->addWidget(text_);
  kind->addLayout(row({control<QLabel>(kFontLabel, kindGroup, QStringLiteral("字体：")), font_, moreFonts}));
  kind->addLayout(row({new QLabel(QStringLiteral("字体大小："), kindGroup), fontSize_}));
  kind->addLayout(row({new QLabel(QStringLiteral("文字样式："), kindGroup), bold_, italic_, underline_}));
  kind->addLayout(row({new QLabel(QStringLiteral("文字颜色："), kindGroup), colourButton_}));
  kind->addWidget(pictureMode_);
  auto* pathRow = new QHBoxLayout;
  pathRow->addWidget(path_, 1);
  pathRow->addWidget(chooseFile_);
  kind->addLayout(pathRow);

  auto* placeGroup = new QGroupBox(QStringLiteral("水印位置"), this);
  atPosition_ = control<QRadioButton>(kAtPosition, placeGroup, QStringLiteral("在"));
  tiled_ = control<QRadioButton>(kTiled, placeGroup, QStringLiteral("在整张图片上重复平铺水印"));
  position_ = control<QComboBox>(kPosition, placeGroup);
  position_->addItems(settingsLists::Positions());
  firstLabel_ = control<QLabel>(kFirstLabel, placeGroup);
  firstMargin_ = control<QLineEdit>(kFirstMargin, placeGroup);
  firstUnit_ = control<QComboBox>(kFirstUnit, placeGroup);
  firstUnit_->addItems(settingsLists::Units());
  secondLabel_ = control<QLabel>(kSecondLabel, placeGroup);
  secondMargin_ = control<QLineEdit>(kSecondMargin, placeGroup);
  secondUnit_ = control<QComboBox>(kSecondUnit, placeGroup);
  secondUnit_->addItems(settingsLists::Units());
  spacing_ = control<QLineEdit>(kSpacing, placeGroup);
  rows_ = control<QLineEdit>(kRows, placeGroup);
  rotationSlider_ = control<QSlider>(kRotationSlider, placeGroup, Qt::Horizontal);
  rotationSlider_->setRange(0, 360);
  rotation_ = control<QLineEdit>(kRotation, placeGroup);
  transparencySlider_ = control<QSlider>(kTransparencySlider, placeGroup, Qt::Horizontal);
  transparencySlider_->setRange(0, 100);
  transparency_ = control<QLineEdit>(kTransparency, placeGroup);
  for (QLineEdit* e : {firstMargin_, secondMargin_, spacing_, rows_, rotation_, transparency_}) e->setMaximumWidth(56);

  auto* place = new QGridLayout(placeGroup);
  place->addLayout(row({atPosition_, position_, new QLabel(QStringLiteral("显示水印"), placeGroup)}), 0, 0, 1, 4);
  place->addWidget(firstLabel_, 1, 0);
  place->addWidget(firstMargin_, 1, 1);
  place->addWidget(firstUnit_, 1, 2);
  place->addWidget(secondLabel_, 2, 0);
  place->addWidget(secondMargin_, 2, 1);
  place->addWidget(secondUnit_, 2, 2);
  place->addWidget(tiled_, 3, 0, 1, 4);
  place->addLayout(row({new QLabel(QStringLiteral("水印间距："), placeGroup), spacing_,
                        new QLabel(QStringLiteral("像素，平铺"), placeGroup), rows_,
                        new QLabel(QStringLiteral("行（0行：平铺整张图像）"), placeGroup)}),
                   4, 0, 1, 4);
  place->addLayout(row({new QLabel(QStringLiteral("旋转角度："), placeGroup), rotationSlider_, rotation_,
                        new QLabel(QStringLiteral("度"), placeGroup)}),
                   5, 0, 1, 4);
  place->addLayout(row({new QLabel(QStringLiteral("透明度："), placeGroup), transparencySlider_, transparency_,
                        new QLabel(QStringLiteral("％"), placeGroup)}),
                   6, 0, 1, 4);
  place->setColumnStretch(3, 1);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(kindGroup);
  layout->addWidget(placeGroup);
  layout->addStretch(1);

  auto refresh = [this] {
    if (!filling_) emit previewWanted();
  };
  auto modeChanged = [this, refresh] {
    chooseFile_->setEnabled(pictureMode_->isChecked());
    refresh();
  };
  connect(textMode_, &QRadioButton::clicked, this, modeChanged);
  connect(pictureMode_, &QRadioButton::clicked, this, modeChanged);
  connect(atPosition_, &QRadioButton::clicked, this, refresh);
  connect(tiled_, &QRadioButton::clicked, this, refresh);
  for (QCheckBox* c : {bold_, italic_, underline_}) connect(c, &QCheckBox::clicked, this, refresh);
  connect(fontSize_, &QComboBox::activated, this, refresh);
  auto placeChanged = [this, refresh] {
    resetMargins();
    refresh();
  };
  connect(position_, &QComboBox::activated, this, placeChanged);
  connect(firstUnit_, &QComboBox::activated, this, placeChanged);
  connect(secondUnit_, &QComboBox::activated, this, placeChanged);
  connect(font_, &QComboBox::activated, this, placeChanged);
  connect(path_, &QLineEdit::editingFinished, this, refresh);
  connect(chooseFile_, &QPushButton::clicked, this, &MarkPage::chooseFile);
  connect(colourButton_, &QPushButton::clicked, this, &MarkPage::chooseColour);

  connect(text_, &QPlainTextEdit::textChanged, this, &MarkPage::typed);
  for (QLineEdit* e : {firstMargin_, secondMargin_, rows_, rotation_})
    connect(e, &QLineEdit::textEdited, this, &MarkPage::typed);
  connect(fontSize_, &QComboBox::editTextChanged, this, &MarkPage::typed);
  connect(fontSize_->lineEdit(), &QLineEdit::editingFinished, this, &MarkPage::fontSizeLeft);

  // A slider writes its value into its edit as it moves and refreshes when the move ends.
  connect(rotationSlider_, &QSlider::valueChanged, this, [this, refresh](int position) {
    if (filling_) return;
    rotation_->setText(QString::number(position - kRotationOffset));
    if (!rotationSlider_->isSliderDown()) refresh();
  });
  connect(transparencySlider_, &QSlider::valueChanged, this, [this, refresh](int position) {
    if (filling_) return;
    transparency_->setText(QString::number(position));
    if (!transparencySlider_->isSliderDown()) refresh();
  });
  connect(rotationSlider_, &QSlider::sliderReleased, this, refresh);
  connect(transparencySlider_, &QSlider::sliderReleased, this, refresh);

  for (QWidget* w : std::initializer_list<QWidget*>{firstMargin_, secondMargin_, spacing_, rows_, rotation_,
                                                    transparency_, text_})
    w->installEventFilter(this);
}

bool MarkPage::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::FocusOut && watched->isWidgetType()) fieldsLeft();
  return QWidget::eventFilter(watched, event);
}

void MarkPage::typed() {
  if (filling_) return;
  typing_->start();
}

void MarkPage::showMarginRows() {
  const settingsLists::MarginRows rows = settingsLists::MarginRowsOf(position_->currentIndex());
  firstLabel_->setText(rows.first);
  secondLabel_->setText(rows.second);
  for (QWidget* w : std::initializer_list<QWidget*>{firstLabel_, firstMargin_, firstUnit_})
    w->setVisible(!rows.first.isEmpty());
  for (QWidget* w : std::initializer_list<QWidget*>{secondLabel_, secondMargin_, secondUnit_})
    w->setVisible(!rows.second.isEmpty());
}

void MarkPage::resetMargins() {
  firstMargin_->setText(QString::number(kDefaultMargin));
  secondMargin_->setText(QString::number(kDefaultMargin));
  showMarginRows();
}

void MarkPage::fieldsLeft() {
  typing_->stop();
  // A refused value's message box takes the focus too: one check at a time.
  if (validating_ || filling_) return;
  validating_ = true;
  beforeWrite();
  CSetMgr& s = CSetMgr::Instance();
  ValidatedEdit(firstMargin_, s.nMarkPosTop(), [&s](int32_t v) { s.set_nMarkPosTop(v); });
  ValidatedEdit(secondMargin_, s.nMarkPosLeft(), [&s](int32_t v) { s.set_nMarkPosLeft(v); });
  ValidatedEdit(spacing_, s.nMarkSpace(), [&s](int32_t v) { s.set_nMarkSpace(v); });
  ValidatedEdit(rotation_, s.nMarkRotate(), [&s](int32_t v) { s.set_nMarkRotate(v); });
  // Transparency out of range is dropped silently; the slider and the edit show the held value.
  trySet([&] { s.set_nMarkTransparent(TypedNumber(transparency_->text())); });
  transparency_->setText(QString::number(s.nMarkTransparent()));
  {
    const QSignalBlocker b1(rotationSlider_), b2(transparencySlider_);
    rotationSlider_->setValue(s.nMarkRotate() + kRotationOffset);
    transparencySlider_->setValue(s.nMarkTransparent());
  }
  validating_ = false;
  emit previewWanted();
}

void MarkPage::fontSizeLeft() {
  if (validating_ || filling_) return;
  validating_ = true;
  beforeWrite();
  CSetMgr& s = CSetMgr::Instance();
  ValidatedEdit(fontSize_->lineEdit(), s.nMarkFontSize(), [&s](int32_t v) { s.set_nMarkFontSize(v); });
  validating_ = false;
  emit previewWanted();
}

void MarkPage::chooseFile() {
  const QString file = UserDialogs::Current().OpenFile(
      this, QStringLiteral("选择水印文件"),
      QStringLiteral("支持的水印格式(*.png;*.gif;*.bmp;*.tiff;*.wmf;*.jpg) "
                     "(*.png *.gif *.bmp *.tiff *.wmf *.jpg *.jpeg *.jpe)"));
  // A folder is no watermark file.
  if (!file.isEmpty() && QFileInfo(file).isFile()) path_->setText(file);
  pictureMode_->setChecked(true);
  chooseFile_->setEnabled(true);
  emit previewWanted();
}

void MarkPage::chooseColour() {
  const QColor chosen = UserDialogs::Current().ChooseColor(this, colourOf(colour_));
  if (!chosen.isValid()) return;
  colour_ = bgrOf(chosen);
  showColour();
  emit previewWanted();
}

void MarkPage::showColour() {
  QPixmap swatch(32, 12);
  swatch.fill(colourOf(colour_));
  QPainter(&swatch).drawRect(swatch.rect().adjusted(0, 0, -1, -1));
  colourButton_->setIcon(QIcon(swatch));
  colourButton_->setIconSize(swatch.size());
}

bool MarkPage::PictureMode() const { return pictureMode_->isChecked(); }
QString MarkPage::PicturePath() const { return path_->text(); }

void MarkPage::MarkPageToSettings() {
  CSetMgr& s = CSetMgr::Instance();
  // Where nothing is chosen (a stored value outside a list or a radio pair) the held value stays.
  if (textMode_->isChecked()) s.set_nMarkStyle(0);
  if (pictureMode_->isChecked()) s.set_nMarkStyle(1);
  // The edit turns "\r\n" into "\n": only text the user touched replaces the stored one.
  if (text_->document()->isModified()) s.set_strMarkText(text_->toPlainText());
  s.set_strMarkFont(font_->currentText());
  trySet([&] { s.set_nMarkFontSize(TypedNumber(fontSize_->currentText())); });
  s.set_bMarkFontBold(bold_->isChecked() ? 1 : 0);
  s.set_bMarkFontIt(italic_->isChecked() ? 1 : 0);
  s.set_bMarkFontUnder(underline_->isChecked() ? 1 : 0);
  s.set_nMarkColor(colour_);
  s.set_strMarkPicPath(path_->text());
  if (atPosition_->isChecked()) s.set_nMarkPosStyle(0);
  if (tiled_->isChecked()) s.set_nMarkPosStyle(1);
  if (position_->currentIndex() >= 0) s.set_nMarkPosSimple(position_->currentIndex());
  if (firstUnit_->currentIndex() >= 0) s.set_nMarkPosTopUnit(firstUnit_->currentIndex());
  if (secondUnit_->currentIndex() >= 0) s.set_nMarkPosLeftUnit(secondUnit_->currentIndex());
  trySet([&] { s.set_nMarkPosTop(TypedNumber(firstMargin_->text())); });
  trySet([&] { s.set_nMarkPosLeft(TypedNumber(secondMargin_->text())); });
  trySet([&] { s.set_nMarkSpace(TypedNumber(spacing_->text())); });
  s.set_nMarkRows(TypedNumber(rows_->text()));
  trySet([&] { s.set_nMarkRotate(TypedNumber(rotation_->text())); });
  trySet([&] { s.set_nMarkTransparent(TypedNumber(transparency_->text())); });
}

void MarkPage::MarkPageFromSettings() {
  const CSetMgr& s = CSetMgr::Instance();
  filling_ = true;
  checkPair(textMode_, pictureMode_, s.nMarkStyle());
  text_->setPlainText(s.strMarkText());
  const int font = font_->findText(s.strMarkFont(), Qt::MatchExactly | Qt::MatchCaseSensitive);
  if (font >= 0) {
    font_->setCurrentIndex(font);
  } else {
    font_->setCurrentIndex(-1);
    font_->setEditText(s.strMarkFont());
  }
  const QString size = QString::number(s.nMarkFontSize());
  const int sizeIndex = fontSize_->findText(size, Qt::MatchExactly);
  if (sizeIndex >= 0) {
    fontSize_->setCurrentIndex(sizeIndex);
  } else {
    fontSize_->setCurrentIndex(-1);
    fontSize_->setEditText(size);
  }
  bold_->setChecked(s.bMarkFontBold() != 0);
  italic_->setChecked(s.bMarkFontIt() != 0);
  underline_->setChecked(s.bMarkFontUnder() != 0);
  colour_ = s.nMarkColor();
  showColour();
  path_->setText(s.strMarkPicPath());
  chooseFile_->setEnabled(s.nMarkStyle() == 1);
  checkPair(atPosition_, tiled_, s.nMarkPosStyle());
  selectIndex(position_, s.nMarkPosSimple());
  selectIndex(firstUnit_, s.nMarkPosTopUnit());
  selectIndex(secondUnit_, s.nMarkPosLeftUnit());
  firstMargin_->setText(QString::number(s.nMarkPosTop()));
  secondMargin_->setText(QString::number(s.nMarkPosLeft()));
  spacing_->setText(QString::number(s.nMarkSpace()));
  rows_->setText(QString::number(s.nMarkRows()));
  rotation_->setText(QString::number(s.nMarkRotate()));
  transparency_->setText(QString::number(s.nMarkTransparent()));
  rotationSlider_->setValue(s.nMarkRotate() + kRotationOffset);
  transparencySlider_->setValue(s.nMarkTransparent());
  showMarginRows();
  filling_ = false;
}
