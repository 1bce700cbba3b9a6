// The settings dialog (145, "更多图片生成设置"): the frame page and the watermark page in a tab
// control, and a live preview of the current picture processed with the pages' settings.
// Opening pushes a settings snapshot; OK keeps the changes, Cancel restores every setting.
#pragma once

#include <QDialog>
#include <memory>

#include "PictureSupply.h"

class FramePage;
class MarkPage;
class PreviewArea;
class PreviewWorker;
class QPushButton;
class QTabWidget;

class SettingsDialog : public QDialog {
  Q_OBJECT
 public:
  // page: 0 frames and corners, 1 watermark. pictures: not owned, may be null.
  SettingsDialog(const PictureSupply* pictures, int page, QWidget* parent = nullptr);
  // Waits for a running preview (it cannot be interrupted) so that nothing outlives the dialog.
  ~SettingsDialog() override;

  // Copies the pages into the settings and starts the preview worker (or marks a preview as
  // pending while one runs).
  void StartPreview();
  void ShowPrevious();
  void ShowNext();

  int PreviewIndex() const { return previewIndex_; }
  bool PreviewRunning() const { return previewRunning_; }
  bool PreviewPending() const { return previewPending_; }
  PreviewArea* Preview() const { return preview_; }

  static QString EmptyListStatus();  // "您还未导入任何图像 ..."
  static QString BusyStatus();       // "正在生成预览 ..."

 public slots:
  void accept() override;
  void reject() override;

 signals:
  // A preview run has ended (with or without a picture) and no other is pending.
  void previewIdle();

 private:
  int pictureCount() const;
  void pagesToSettings();
  void previewArrived(const QImage& picture);
  void previewEnded();
  // Before the user interface thread writes the settings: the worker must not be reading.
  void quiesce();
  void finish(bool keep);

  const PictureSupply* pictures_;
  QTabWidget* tabs_ = nullptr;
  FramePage* framePage_ = nullptr;
  MarkPage* markPage_ = nullptr;
  PreviewArea* preview_ = nullptr;
  QPushButton* previous_ = nullptr;
  QPushButton* next_ = nullptr;
  std::unique_ptr<PreviewWorker> worker_;
  int previewIndex_ = 0;
  bool previewRunning_ = false;
  bool previewPending_ = false;
  bool gotPicture_ = false;
  bool closed_ = false;  // OK or Cancel popped the snapshot
};
