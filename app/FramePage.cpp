#include "FramePage.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QListWidget>
#include <QRadioButton>
#include <QSignalBlocker>

#include "FrameCatalogue.h"
#include "SetMgr.h"
#include "SettingsIds.h"
#include "SettingsLists.h"

namespace {
constexpr int kIconSide = 90;
}  // namespace

FramePage::FramePage(QWidget* parent) : QWidget(parent) {
  using namespace framePageId;
  setObjectName(idName(kPage));
  useCorners_ = new QRadioButton(QStringLiteral("使用圆角"), this);
  useCorners_->setObjectName(idName(kUseCorners));
  useFrame_ = new QRadioButton(QStringLiteral("使用边框"), this);
  useFrame_->setObjectName(idName(kUseFrame));
  corners_ = new QComboBox(this);
  corners_->setObjectName(idName(kCorners));
  corners_->addItems(settingsLists::PageCorners());
  radius_ = new QComboBox(this);
  radius_->setObjectName(idName(kRadius));
  radius_->addItems(settingsLists::Radii());
  frames_ = new QListWidget(this);
  frames_->setObjectName(QString::fromLatin1(kFrameView));
  frames_->setViewMode(QListView::IconMode);
  frames_->setIconSize(QSize(kIconSide, kIconSide));
  frames_->setResizeMode(QListView::Adjust);
  frames_->setMovement(QListView::Static);
  frames_->setUniformItemSizes(true);
  const FrameCatalogue& catalogue = FrameCatalogue::Instance();
  for (int i = 0; i < catalogue.Count(); ++i) {
    const FrameEntry* entry = catalogue.Entry(i);
    auto* item = new QListWidgetItem(entry->name, frames_);
    // A preview that could not be read leaves the entry with its name only.
    if (!entry->preview.isNull()) {
      const QImage icon = entry->preview.scaled(kIconSide, kIconSide, Qt::KeepAspectRatio, Qt::SmoothTransformation);
      item->setIcon(QIcon(QPixmap::fromImage(icon)));
    }
  }

  auto* layout = new QGridLayout(this);
  layout->addWidget(useCorners_, 0, 0, 1, 4);
  layout->addWidget(new QLabel(QStringLiteral("将图片"), this), 1, 0);
  layout->addWidget(corners_, 1, 1);
  layout->addWidget(new QLabel(QStringLiteral("剪裁为"), this), 1, 2);
  layout->addWidget(radius_, 1, 3);
  layout->addWidget(useFrame_, 2, 0, 1, 4);
  layout->addWidget(frames_, 3, 0, 1, 4);
  layout->setRowStretch(3, 1);

  auto changedByUser = [this] {
    enableByType();
    emit changed();
  };
  connect(useCorners_, &QRadioButton::clicked, this, changedByUser);
  connect(useFrame_, &QRadioButton::clicked, this, changedByUser);
  connect(corners_, &QComboBox::activated, this, changedByUser);
  connect(radius_, &QComboBox::activated, this, changedByUser);
  connect(frames_, &QListWidget::currentRowChanged, this, changedByUser);
}

void FramePage::enableByType() {
  corners_->setEnabled(useCorners_->isChecked());
  radius_->setEnabled(useCorners_->isChecked());
  frames_->setEnabled(useFrame_->isChecked());
}

void FramePage::FramePageToSettings() {
  CSetMgr& s = CSetMgr::Instance();
  // Where nothing is chosen (a stored value outside the lists), the held value stays.
  if (useCorners_->isChecked()) s.set_nFrameType(0);
  if (useFrame_->isChecked()) s.set_nFrameType(1);
  if (corners_->currentIndex() >= 0) s.set_nFrameRoundPos(corners_->currentIndex());
  if (radius_->currentIndex() >= 0) s.set_nFrameRoundRize(radius_->currentIndex());
  if (frames_->currentRow() >= 0) s.set_nFrameFileIndex(frames_->currentRow());
}

void FramePage::FramePageFromSettings() {
  const CSetMgr& s = CSetMgr::Instance();
  const QSignalBlocker b1(useCorners_), b2(useFrame_), b3(corners_), b4(radius_), b5(frames_);
  // Radios of one parent are exclusive; clear both so that a stored type outside 0/1 shows neither.
  useCorners_->setAutoExclusive(false);
  useFrame_->setAutoExclusive(false);
  useCorners_->setChecked(s.nFrameType() == 0);
  useFrame_->setChecked(s.nFrameType() == 1);
  useCorners_->setAutoExclusive(true);
  useFrame_->setAutoExclusive(true);
  auto select = [](QComboBox* combo, int index) {
    combo->setCurrentIndex(index >= 0 && index < combo->count() ? index : -1);
  };
  select(corners_, s.nFrameRoundPos());
  select(radius_, s.nFrameRoundRize());
  const int frame = s.nFrameFileIndex();
  frames_->setCurrentRow(frame >= 0 && frame < frames_->count() ? frame : -1);
  if (QListWidgetItem* item = frames_->currentItem()) frames_->scrollToItem(item);
  enableByType();
}
