#include "SettingsPanel.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPainter>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "FrameCatalogue.h"
#include "FrameItemDelegate.h"
#include "GifSpeed.h"
#include "SetMgr.h"
#include "SettingsDialog.h"
#include "SettingsIds.h"
#include "SettingsLists.h"
#include "SizeEstimate.h"
#include "SizeEstimator.h"
#include "UpDownControl.h"
#include "ValidatedEdit.h"

namespace {

constexpr int kUpDownRest = 5000;  // the up-down control always returns here
constexpr int kUpDownStepMs = 100;

template <class W, class... Args>
W* control(int id, QWidget* parent, Args&&... args) {
  auto* w = new W(std::forward<Args>(args)..., parent);
  w->setObjectName(idName(id));
  return w;
}

QLabel* label(int id, const QString& text, QWidget* parent) {
  auto* l = control<QLabel>(id, parent, text);
  return l;
}

QComboBox* list(int id, const QStringList& items, QWidget* parent) {
  auto* combo = control<QComboBox>(id, parent);
  combo->addItems(items);
  return combo;
}

QHBoxLayout* row(std::initializer_list<QWidget*> widgets, bool stretch = true) {
  auto* layout = new QHBoxLayout;
  layout->setContentsMargins(0, 0, 0, 0);
  for (QWidget* w : widgets) layout->addWidget(w);
  if (stretch) layout->addStretch(1);
  return layout;
}

// The list's choice, or the held value when nothing is chosen (a stored index outside the
// list stays as it is until the user picks an entry).
int32_t chosen(const QComboBox* combo, int32_t held) {
  return combo->currentIndex() >= 0 ? combo->currentIndex() : held;
}

}  // namespace

SettingsPanel::SettingsPanel(const PictureSupply* pictures, QWidget* parent)
    : QWidget(parent), pictures_(pictures) {
  setObjectName(idName(panelId::kPanel));
  setAutoFillBackground(true);
  QPalette pal = palette();
  pal.setColor(QPalette::Window, Qt::white);
  setPalette(pal);
  if (FrameCatalogue::Instance().Count() == 0) FrameCatalogue::Instance().LoadCatalogue();
  estimator_ = new SizeEstimator([](int width, int quality) { return SizeEstimate(width, quality); }, this);
  connect(estimator_, &SizeEstimator::ready, this, [this](int bytes) {
    estimateBytes_ = bytes;
    estimate_->setText(settingsLists::EstimateText(bytes));
    emit estimateShown(bytes);
  });
  build();
  SettingsToPanel();
  // A custom size from the settings file shows its figure from the start.
  if (CSetMgr::Instance().nResizeSimpleType() == settingsLists::kCustomSize) refreshEstimate();
}

SettingsPanel::~SettingsPanel() { FrameCatalogue::Instance().ReleasePreviews(); }

void SettingsPanel::build() {
  using namespace panelId;
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(10, 28, 10, 6);
  layout->setSpacing(4);

  resizeCheck_ = control<QCheckBox>(kResizeCheck, this, QStringLiteral("图片瘦身 - 批量修改图片尺寸，节省图片空间！"));
  sizePreset_ = list(kSizePreset, settingsLists::SizePresets(), this);
  widthLabel_ = label(kWidthLabel, QStringLiteral("图片宽"), this);
  widthEdit_ = control<QLineEdit>(kWidthEdit, this);
  widthEdit_->setMaximumWidth(60);
  widthUnitLabel_ = label(kWidthUnitLabel, QStringLiteral("像素，"), this);
  quality_ = list(kQuality, settingsLists::Qualities(), this);
  estimate_ = label(kEstimate, QString(), this);
  layout->addWidget(resizeCheck_);
  layout->addLayout(row({label(kSizePresetLabel, QStringLiteral("调整图片为："), this), sizePreset_}));
  layout->addLayout(row({widthLabel_, widthEdit_, widthUnitLabel_, quality_}));
  layout->addWidget(estimate_);

  framesCheck_ = control<QCheckBox>(kFramesCheck, this, QStringLiteral("为图片增加边框/圆角 - 美化宝贝图片"));
  cornersLabel_ = label(kCornersLabel, QStringLiteral("将图片"), this);
  corners_ = list(kCorners, settingsLists::Corners(), this);
  radiusLabel_ = label(kRadiusLabel, QStringLiteral("剪裁为"), this);
  radius_ = list(kRadius, settingsLists::Radii(), this);
  frameListLabel_ = label(kFrameListLabel, QStringLiteral("选择要添加的边框："), this);
  frameList_ = control<QComboBox>(kFrameList, this);
  const FrameCatalogue& catalogue = FrameCatalogue::Instance();
  for (int i = 0; i < catalogue.Count(); ++i) frameList_->addItem(catalogue.Entry(i)->name);
  frameList_->setItemDelegate(new FrameItemDelegate(frameList_));
  frameList_->setMaxVisibleItems(4);
  frameList_->setMinimumWidth(180);
  frameButton_ = control<QPushButton>(kFrameButton, this, QStringLiteral("修改边框及圆角设置 ..."));
  layout->addWidget(framesCheck_);
  layout->addLayout(row({cornersLabel_, corners_, radiusLabel_}));
  layout->addLayout(row({radius_}));
  layout->addLayout(row({frameListLabel_, frameList_}));
  layout->addLayout(row({frameButton_}));

  markCheck_ = control<QCheckBox>(kMarkCheck, this, QStringLiteral("为图片增加水印 - 防止图片被盗用，还可以宣传您的店铺！"));
  markTextLabel_ = label(kMarkTextLabel, QStringLiteral("添加水印文字："), this);
  markText_ = control<QLineEdit>(kMarkText, this);
  markPathLabel_ = label(kMarkPathLabel, QStringLiteral("水印图片路径："), this);
  markPath_ = control<QLineEdit>(kMarkPath, this);
  markPath_->setReadOnly(true);
  markPosition_ = label(kMarkPosition, QString(), this);
  markButton_ = control<QPushButton>(kMarkButton, this, QStringLiteral("修改水印位置和水印外观 ..."));
  auto* textRow = row({markTextLabel_, markText_}, false);
  textRow->setStretch(1, 1);
  auto* pathRow = row({markPathLabel_, markPath_}, false);
  pathRow->setStretch(1, 1);
  layout->addWidget(markCheck_);
  layout->addLayout(textRow);
  layout->addLayout(pathRow);
  layout->addWidget(markPosition_);
  layout->addLayout(row({markButton_}));

  gifCheck_ = control<QCheckBox>(kGifCheck, this, QStringLiteral("合并生成一张动态宝贝展示图片 - 自动切换，循环展示宝贝图片"));
  speedList_ = control<QComboBox>(kSpeedList, this);
  for (int p = gifSpeed::Fast; p <= gifSpeed::Slow; ++p) speedList_->addItem(gifSpeed::PresetText(p));
  speedEdit_ = control<QLineEdit>(kSpeedEdit, this);
  speedEdit_->setMaximumWidth(50);
  upDown_ = control<UpDownControl>(kSpeedUpDown, this);
  upDown_->SetRange(0, 10000);
  upDown_->SetPosition(kUpDownRest);
  layout->addWidget(gifCheck_);
  layout->addLayout(row({new QLabel(QStringLiteral("宝贝图片切换速度："), this), speedList_}));
  layout->addLayout(row({new QLabel(QStringLiteral("每"), this), speedEdit_, upDown_,
                         new QLabel(QStringLiteral("秒切换一张图片"), this)}));
  layout->addStretch(1);

  connect(sizePreset_, &QComboBox::activated, this, &SettingsPanel::sizePresetChosen);
  connect(quality_, &QComboBox::activated, this, &SettingsPanel::qualityChosen);
  connect(widthEdit_, &QLineEdit::editingFinished, this, &SettingsPanel::widthEdited);
  connect(frameList_, &QComboBox::activated, this, &SettingsPanel::frameChosen);
  connect(speedList_, &QComboBox::activated, this, &SettingsPanel::speedPresetChosen);
  connect(upDown_, &UpDownControl::moved, this, &SettingsPanel::upDownMoved);
  connect(speedEdit_, &QLineEdit::editingFinished, this, &SettingsPanel::speedEdited);
  connect(frameButton_, &QPushButton::clicked, this, [this] { OpenSettingsDialog(0); });
  connect(markButton_, &QPushButton::clicked, this, [this] { OpenSettingsDialog(1); });
}

void SettingsPanel::paintEvent(QPaintEvent* event) {
  QWidget::paintEvent(event);
  QPainter painter(this);
  QFont font = painter.font();
  font.setBold(true);
  font.setPointSize(12);
  painter.setFont(font);
  painter.setPen(Qt::black);
  painter.drawText(QRect(10, 5, width() - 10, 24), Qt::AlignLeft | Qt::AlignTop,
                   QStringLiteral("为左侧列表中的图片设置如下效果："));
}

void SettingsPanel::PanelToSettings() {
  CSetMgr& s = CSetMgr::Instance();
  s.set_bPhotoResize(resizeCheck_->isChecked() ? 1 : 0);
  s.set_bPhotoFrames(framesCheck_->isChecked() ? 1 : 0);
  s.set_bPhotoMark(markCheck_->isChecked() ? 1 : 0);
  s.set_bPhotoGIF(gifCheck_->isChecked() ? 1 : 0);
  s.set_nResizeSimpleType(chosen(sizePreset_, s.nResizeSimpleType()));
  try {
    s.set_nResizeWidth(TypedNumber(widthEdit_->text()));
  } catch (const SettingsException&) {
    // Only raised when a caller turned reporting on; the held width stays.
  }
  s.set_nFrameRoundPos(chosen(corners_, s.nFrameRoundPos()));
  s.set_nFrameRoundRize(chosen(radius_, s.nFrameRoundRize()));
  s.set_nFrameFileIndex(chosen(frameList_, s.nFrameFileIndex()));
  s.set_strMarkText(markText_->text());
  applySpeedEdit();
}

void SettingsPanel::SettingsToPanel() {
  const CSetMgr& s = CSetMgr::Instance();
  const QSignalBlocker blockers[] = {QSignalBlocker(sizePreset_), QSignalBlocker(quality_),
                                     QSignalBlocker(corners_),    QSignalBlocker(radius_),
                                     QSignalBlocker(frameList_),  QSignalBlocker(speedList_)};
  resizeCheck_->setChecked(s.bPhotoResize() != 0);
  framesCheck_->setChecked(s.bPhotoFrames() != 0);
  markCheck_->setChecked(s.bPhotoMark() != 0);
  gifCheck_->setChecked(s.bPhotoGIF() != 0);
  // An index outside a list shows no entry (QComboBox takes -1 for that).
  auto select = [](QComboBox* combo, int index) {
    combo->setCurrentIndex(index >= 0 && index < combo->count() ? index : -1);
  };
  select(sizePreset_, s.nResizeSimpleType());
  widthEdit_->setText(QString::number(s.nResizeWidth()));
  select(quality_, s.nResizeQuality());
  select(corners_, s.nFrameRoundPos());
  select(radius_, s.nFrameRoundRize());
  select(frameList_, s.nFrameFileIndex());
  markText_->setText(s.strMarkText());
  markPath_->setText(s.strMarkPicPath());
  markPosition_->setText(settingsLists::PositionDescription(s.nMarkPosStyle(), s.nMarkPosSimple()));
  showSpeed();
  showCustomSize(s.nResizeSimpleType() == settingsLists::kCustomSize);
  showFrameType(s.nFrameType());
  showMarkStyle(s.nMarkStyle());
}

void SettingsPanel::showCustomSize(bool custom) {
  for (QWidget* w : std::initializer_list<QWidget*>{quality_, widthLabel_, widthEdit_, estimate_, widthUnitLabel_})
    w->setVisible(custom);
}

void SettingsPanel::showFrameType(int frameType) {
  for (QWidget* w : std::initializer_list<QWidget*>{corners_, cornersLabel_, radiusLabel_, radius_})
    w->setVisible(frameType == 0);
  frameListLabel_->setVisible(frameType == 1);
  frameList_->setVisible(frameType == 1);
}

void SettingsPanel::showMarkStyle(int markStyle) {
  markTextLabel_->setVisible(markStyle == 0);
  markText_->setVisible(markStyle == 0);
  markPathLabel_->setVisible(markStyle == 1);
  markPath_->setVisible(markStyle == 1);
}

void SettingsPanel::showSpeed() {
  const int32_t speed = CSetMgr::Instance().nGIFSpeed();
  speedEdit_->setText(gifSpeed::SecondsText(speed));
  const QSignalBlocker blocker(speedList_);
  speedList_->setCurrentIndex(gifSpeed::PresetOfSpeed(speed));
}

void SettingsPanel::refreshEstimate() {
  const CSetMgr& s = CSetMgr::Instance();
  estimator_->Request(s.nResizeWidth(), settingsLists::EstimateQuality(s.nResizeQuality()));
}

void SettingsPanel::sizePresetChosen(int index) {
  PanelToSettings();
  showCustomSize(index == settingsLists::kCustomSize);
  resizeCheck_->setChecked(true);
  if (index == settingsLists::kCustomSize) refreshEstimate();
}

void SettingsPanel::qualityChosen(int index) {
  CSetMgr::Instance().set_nResizeQuality(index);
  refreshEstimate();
}

void SettingsPanel::widthEdited() {
  // A message box takes the focus away from the edit, which would finish the edit again.
  if (inWidthEdit_) return;
  inWidthEdit_ = true;
  CSetMgr& s = CSetMgr::Instance();
  ValidatedEdit(widthEdit_, s.nResizeWidth(), [&s](int32_t v) { s.set_nResizeWidth(v); });
  inWidthEdit_ = false;
  refreshEstimate();
}

void SettingsPanel::frameChosen(int) { framesCheck_->setChecked(true); }

void SettingsPanel::speedPresetChosen(int index) {
  try {
    CSetMgr::Instance().set_nGIFSpeed(gifSpeed::PresetSpeed(index));
  } catch (const SettingsException&) {
  }
  speedEdit_->setText(gifSpeed::SecondsText(CSetMgr::Instance().nGIFSpeed()));
  gifCheck_->setChecked(true);
}

void SettingsPanel::upDownMoved(int position) {
  CSetMgr& s = CSetMgr::Instance();
  const int64_t speed = int64_t(s.nGIFSpeed()) + int64_t(position - kUpDownRest) * kUpDownStepMs;
  try {
    s.set_nGIFSpeed(int32_t(std::clamp<int64_t>(speed, INT32_MIN, INT32_MAX)));
  } catch (const SettingsException&) {
  }
  upDown_->SetPosition(kUpDownRest);
  showSpeed();
  gifCheck_->setChecked(true);
}

void SettingsPanel::applySpeedEdit() {
  try {
    CSetMgr::Instance().set_nGIFSpeed(gifSpeed::SecondsTextToMs(speedEdit_->text()));
  } catch (const SettingsException&) {
  }
  showSpeed();
}

void SettingsPanel::speedEdited() { applySpeedEdit(); }

void SettingsPanel::OpenSettingsDialog(int page) {
  PanelToSettings();
  CSetMgr& s = CSetMgr::Instance();
  s.set_nChangeFlags(0);
  {
    SettingsDialog dialog(pictures_, page, this);
    dialog.exec();
  }
  if (page == 0 && (s.nChangeFlags() & CSetMgr::FrameChanged)) s.set_bPhotoFrames(1);
  if (page == 1 && (s.nChangeFlags() & CSetMgr::MarkChanged)) s.set_bPhotoMark(1);
  SettingsToPanel();
}
