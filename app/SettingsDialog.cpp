#include "SettingsDialog.h"

#include <QDialogButtonBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include "FontList.h"
#include "FramePage.h"
#include "JobContext.h"
#include "MarkPage.h"
#include "PreviewArea.h"
#include "PreviewWorker.h"
#include "SetMgr.h"
#include "SettingsIds.h"
#include "UserDialogs.h"

QString SettingsDialog::EmptyListStatus() { return QStringLiteral("您还未导入任何图像 ..."); }
QString SettingsDialog::BusyStatus() { return QStringLiteral("正在生成预览 ..."); }

SettingsDialog::SettingsDialog(const PictureSupply* pictures, int page, QWidget* parent)
    : QDialog(parent), pictures_(pictures) {
  using namespace dialogId;
  setObjectName(idName(kDialog));
  setWindowTitle(QStringLiteral("更多图片生成设置"));

  tabs_ = new QTabWidget(this);
  tabs_->setObjectName(idName(kTabs));
  framePage_ = new FramePage(tabs_);
  markPage_ = new MarkPage(FontList(), tabs_);
  tabs_->addTab(framePage_, QStringLiteral("边框/圆角设置"));
  tabs_->addTab(markPage_, QStringLiteral("水印设置"));
  tabs_->setCurrentIndex(page == 1 ? 1 : 0);

  auto* previewGroup = new QGroupBox(QStringLiteral("效果预览"), this);
  preview_ = new PreviewArea(previewGroup);
  preview_->setObjectName(idName(kPreviewArea));
  auto* groupLayout = new QVBoxLayout(previewGroup);
  groupLayout->addWidget(preview_, 1);
  // The buttons are the dialog's own children: the watermark page uses the same numbers.
  previous_ = new QPushButton(QStringLiteral("上一张"), this);
  previous_->setObjectName(idName(kPrevious));
  previous_->setAutoDefault(false);
  next_ = new QPushButton(QStringLiteral("下一张"), this);
  next_->setObjectName(idName(kNext));
  next_->setAutoDefault(false);
  auto* ok = new QPushButton(QStringLiteral("确定"), this);
  ok->setObjectName(idName(kOk));
  ok->setDefault(true);
  auto* cancel = new QPushButton(QStringLiteral("取消"), this);
  cancel->setObjectName(idName(kCancel));
  cancel->setAutoDefault(false);

  auto* right = new QVBoxLayout;
  right->addWidget(previewGroup, 1);
  auto* changeRow = new QHBoxLayout;
  changeRow->addWidget(new QLabel(QStringLiteral("换张图片："), this));
  changeRow->addWidget(previous_);
  changeRow->addWidget(next_);
  changeRow->addStretch(1);
  right->addLayout(changeRow);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(ok);
  buttons->addWidget(cancel);
  right->addLayout(buttons);
  auto* layout = new QHBoxLayout(this);
  layout->addWidget(tabs_, 1);
  layout->addLayout(right);

  connect(previous_, &QPushButton::clicked, this, &SettingsDialog::ShowPrevious);
  connect(next_, &QPushButton::clicked, this, &SettingsDialog::ShowNext);
  connect(ok, &QPushButton::clicked, this, &SettingsDialog::accept);
  connect(cancel, &QPushButton::clicked, this, &SettingsDialog::reject);
  connect(framePage_, &FramePage::changed, this, &SettingsDialog::StartPreview);
  connect(markPage_, &MarkPage::previewWanted, this, &SettingsDialog::StartPreview);
  markPage_->SetBeforeWrite([this] { quiesce(); });

  worker_ = std::make_unique<PreviewWorker>([this](const QImage& picture) { previewArrived(picture); },
                                            [this] { previewEnded(); });
  // No export runs while this modal dialog is open; a flag an earlier export left set would
  // stop every preview before its picture.
  JobContext::Instance().cancel = 0;

  framePage_->FramePageFromSettings();
  markPage_->MarkPageFromSettings();
  CSetMgr::Instance().PushSnapshot();
  StartPreview();
}

SettingsDialog::~SettingsDialog() {
  markPage_->SetBeforeWrite(nullptr);
  worker_.reset();
  // Closed some other way than OK or Cancel (the parent went away): undo like Cancel.
  if (!closed_) CSetMgr::Instance().PopSnapshot(true);
}

int SettingsDialog::pictureCount() const { return pictures_ ? pictures_->Count() : 0; }

void SettingsDialog::pagesToSettings() {
  framePage_->FramePageToSettings();
  markPage_->MarkPageToSettings();
}

void SettingsDialog::quiesce() {
  if (worker_) worker_->Wait();
}

void SettingsDialog::StartPreview() {
  if (closed_) return;
  if (pictureCount() <= 0) {
    preview_->ClearPicture();
    preview_->SetStatus(EmptyListStatus());
    return;
  }
  if (previewRunning_) {
    previewPending_ = true;
    return;
  }
  preview_->SetStatus(BusyStatus());
  pagesToSettings();
  CSetMgr& s = CSetMgr::Instance();
  if (s.nChangeFlags() & CSetMgr::FrameChanged) s.set_bPhotoFrames(1);
  if (s.nChangeFlags() & CSetMgr::MarkChanged) s.set_bPhotoMark(1);
  // The list may have shrunk since the index was chosen.
  if (previewIndex_ >= pictureCount()) previewIndex_ = 0;
  PictureItem item;
  if (!pictures_->ItemAt(previewIndex_, item)) {
    preview_->SetStatus(QString());
    return;
  }
  previewPending_ = false;
  gotPicture_ = false;
  previewRunning_ = worker_->Start(item);
}

void SettingsDialog::ShowPrevious() {
  const int count = pictureCount();
  if (count <= 0) return;
  previewIndex_ = previewIndex_ <= 0 ? count - 1 : std::min(previewIndex_, count) - 1;
  StartPreview();
}

void SettingsDialog::ShowNext() {
  const int count = pictureCount();
  if (count <= 0) return;
  previewIndex_ = (previewIndex_ + 1) % count;
  StartPreview();
}

void SettingsDialog::previewArrived(const QImage& picture) {
  gotPicture_ = true;
  preview_->SetPicture(picture);
}

void SettingsDialog::previewEnded() {
  previewRunning_ = false;
  // A picture that could not be processed shows nothing rather than a status that never ends.
  if (!gotPicture_) {
    preview_->ClearPicture();
    preview_->SetStatus(QString());
  }
  if (previewPending_ && !closed_) {
    previewPending_ = false;
    StartPreview();
    return;
  }
  emit previewIdle();
}

void SettingsDialog::finish(bool keep) {
  markPage_->StopTyping();
  quiesce();
  if (keep) pagesToSettings();
  CSetMgr::Instance().PopSnapshot(!keep);
  closed_ = true;
  previewPending_ = false;
}

void SettingsDialog::accept() {
  if (closed_) return;
  if (markPage_->PictureMode() && markPage_->PicturePath().isEmpty()) {
    UserDialogs::Current().Inform(
        this, QStringLiteral("您尚未添加水印文件。请点击“选择水印文件...”按钮，选择一个水印文件。"));
    return;
  }
  finish(true);
  QDialog::accept();
}

void SettingsDialog::reject() {
  if (closed_) return;
  finish(false);
  QDialog::reject();
}
