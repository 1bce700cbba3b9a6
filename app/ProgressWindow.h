// The progress window (dialog 154, "导出进度"): starts the export job on open, shows how far
// it has come, cancels on request and offers what to do next when it has finished.
#pragma once

#include <QDialog>
#include <memory>

#include "ExportJob.h"

class QLabel;
class QProgressBar;
class QPushButton;
class QToolButton;
class QTreeWidget;

namespace ProgressWindowId {
constexpr int kDialog = 154;
constexpr int kClose = 2;     // "取消导出文件", later "关闭"
constexpr int kNextBatch = 3; // "处理下一批文件 ..."
constexpr int kOpen = 4;      // "打开导出目录 ..." or "打开生成图片"
constexpr int kStatus = 1121;
constexpr int kBar = 1122;
}  // namespace ProgressWindowId

class ProgressWindow : public QDialog {
  Q_OBJECT
 public:
  // Starts the job over source at once (two workers).
  explicit ProgressWindow(PictureSource& source, QWidget* parent = nullptr);
  // While workers still run: cancels and keeps handling events until they have ended.
  ~ProgressWindow() override;

  bool IsFinished() const { return finished_; }
  const ExportSummary& Summary() const { return summary_; }

  // Escape and the close button act as button 2.
  void reject() override;

 signals:
  // After the completion texts and buttons are in place.
  void completed();

 private:
  void OnPrePass();
  void OnProgress(int handed, int total);
  void OnFinished(const ExportSummary& summary);
  void OnOpen();
  void ShowFailures(const ExportSummary& summary);
  void WaitForWorkers();

  std::unique_ptr<ExportJob> job_;
  bool finished_ = false;
  ExportSummary summary_;
  QLabel* status_ = nullptr;
  QProgressBar* bar_ = nullptr;
  QPushButton* close_ = nullptr;
  QPushButton* nextBatch_ = nullptr;
  QPushButton* open_ = nullptr;
  QLabel* failureSummary_ = nullptr;
  QToolButton* failureToggle_ = nullptr;
  QTreeWidget* failureList_ = nullptr;
};
