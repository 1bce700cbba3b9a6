#include "ProgressWindow.h"

#include <malloc.h>

#include <QEventLoop>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "ControlNames.h"
#include "SetMgr.h"
#include "Shell.h"

namespace {

namespace Id = ProgressWindowId;

}  // namespace

ProgressWindow::ProgressWindow(PictureSource& source, QWidget* parent) : QDialog(parent) {
  qRegisterMetaType<ExportSummary>();
  setObjectName(idName(Id::kDialog));
  setWindowTitle(QStringLiteral("导出进度"));
  setModal(true);
  setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);

  status_ = new QLabel(this);
  status_->setObjectName(idName(Id::kStatus));
  status_->setMinimumHeight(status_->fontMetrics().lineSpacing() * 3 + 4);
  status_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  status_->setWordWrap(true);
  // Wide enough for the three buttons of the finished window side by side.
  status_->setMinimumWidth(440);
  bar_ = new QProgressBar(this);
  bar_->setObjectName(idName(Id::kBar));
  bar_->setTextVisible(false);

  failureSummary_ = new QLabel(this);
  failureSummary_->setObjectName(QStringLiteral("failureSummary"));
  failureSummary_->setWordWrap(true);
  failureToggle_ = new QToolButton(this);
  failureToggle_->setObjectName(QStringLiteral("failureToggle"));
  failureToggle_->setText(QStringLiteral("查看详细信息"));
  failureToggle_->setCheckable(true);
  failureToggle_->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
  failureToggle_->setArrowType(Qt::RightArrow);
  failureToggle_->setAutoRaise(true);
  failureList_ = new QTreeWidget(this);
  failureList_->setObjectName(QStringLiteral("failureList"));
  failureList_->setColumnCount(2);
  failureList_->setHeaderLabels({QStringLiteral("图片"), QStringLiteral("原因")});
  failureList_->setRootIsDecorated(false);
  failureList_->header()->setStretchLastSection(true);
  failureList_->setMinimumHeight(120);
  for (QWidget* w : {static_cast<QWidget*>(failureSummary_), static_cast<QWidget*>(failureToggle_),
                     static_cast<QWidget*>(failureList_)})
    w->hide();
  connect(failureToggle_, &QToolButton::toggled, this, [this](bool open) {
    failureToggle_->setArrowType(open ? Qt::DownArrow : Qt::RightArrow);
    failureList_->setVisible(open);
    adjustSize();
  });

  close_ = MakeIdButton(this, Id::kClose, QStringLiteral("取消导出文件"));
  nextBatch_ = MakeIdButton(this, Id::kNextBatch, QStringLiteral("处理下一批文件 ..."));
  open_ = MakeIdButton(this, Id::kOpen, QStringLiteral("打开导出目录 ..."));
  nextBatch_->hide();
  open_->hide();
  connect(close_, &QPushButton::clicked, this, &ProgressWindow::reject);
  connect(nextBatch_, &QPushButton::clicked, this, &QDialog::accept);
  connect(open_, &QPushButton::clicked, this, &ProgressWindow::OnOpen);

  auto* buttons = new QHBoxLayout;
  buttons->addWidget(open_);
  buttons->addStretch(1);
  buttons->addWidget(nextBatch_);
  buttons->addWidget(close_);
  auto* failureRow = new QHBoxLayout;
  failureRow->addWidget(failureSummary_, 1);
  failureRow->addWidget(failureToggle_);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(status_);
  layout->addWidget(bar_);
  layout->addLayout(failureRow);
  layout->addWidget(failureList_, 1);
  layout->addLayout(buttons);

  const int total = source.Count();
  bar_->setRange(0, qMax(total, 1));
  bar_->setValue(0);
  status_->setText(ProgressText(0, total));
  job_ = std::make_unique<ExportJob>(source, 2);
  // Emitted on the workers' threads; queued to this window's thread.
  connect(job_.get(), &ExportJob::prePassStarted, this, &ProgressWindow::OnPrePass,
          Qt::QueuedConnection);
  connect(job_.get(), &ExportJob::progress, this, &ProgressWindow::OnProgress, Qt::QueuedConnection);
  connect(job_.get(), &ExportJob::finished, this, &ProgressWindow::OnFinished, Qt::QueuedConnection);
  job_->Start();
}

ProgressWindow::~ProgressWindow() { WaitForWorkers(); }

void ProgressWindow::WaitForWorkers() {
  if (!job_ || job_->IsFinished()) return;
  job_->Cancel();
  // The workers may be waiting on this thread for their next picture, so keep handling
  // events instead of blocking until they have ended.
  QEventLoop loop;
  QTimer poll;
  connect(&poll, &QTimer::timeout, &loop, [&] {
    if (job_->IsFinished()) loop.quit();
  });
  poll.start(10);
  if (!job_->IsFinished()) loop.exec();
  job_->Wait();
}

void ProgressWindow::OnPrePass() {
  if (!finished_) status_->setText(PrePassText());
}

void ProgressWindow::OnProgress(int handed, int total) {
  if (finished_) return;
  bar_->setValue(handed);
  status_->setText(ProgressText(handed, total));
}

void ProgressWindow::OnFinished(const ExportSummary& summary) {
  if (finished_) return;
  summary_ = summary;
  bar_->setValue(bar_->maximum());
  status_->setText(CompletionText(summary));
  ShowFailures(summary);
  if (summary.showcase) open_->setText(QStringLiteral("打开生成图片"));
  open_->show();
  nextBatch_->show();
  close_->setText(QStringLiteral("关闭"));
  close_->setEnabled(true);
  // Give back the pages the run's pictures used.
  malloc_trim(0);
  finished_ = true;
  adjustSize();
  emit completed();
}

void ProgressWindow::ShowFailures(const ExportSummary& summary) {
  failureList_->clear();
  for (const PictureFailure& failure : summary.failures) {
    const QString why = failure.detail.isEmpty()
                            ? FailureText(failure.kind)
                            : FailureText(failure.kind) + QStringLiteral("（") + failure.detail +
                                  QStringLiteral("）");
    auto* item = new QTreeWidgetItem(failureList_, {failure.source, why});
    item->setToolTip(0, failure.source);
    item->setToolTip(1, why);
  }
  QStringList lines;
  if (!summary.failures.isEmpty())
    lines << QStringLiteral("%1 个图片未能导出。").arg(summary.failures.size());
  if (summary.showcase && !summary.gifWritten && !summary.Cancelled())
    lines << (summary.gifError.isEmpty()
                  ? QStringLiteral("动态展示图片未能保存。")
                  : QStringLiteral("动态展示图片未能保存：%1").arg(summary.gifError));
  failureSummary_->setText(lines.join(QLatin1Char('\n')));
  failureSummary_->setVisible(!lines.isEmpty());
  failureToggle_->setVisible(!summary.failures.isEmpty());
  failureList_->resizeColumnToContents(0);
}

void ProgressWindow::reject() {
  if (!finished_) {
    // The window stays until the workers have noticed and ended.
    if (job_) job_->Cancel();
    close_->setEnabled(false);
    return;
  }
  QDialog::reject();
}

void ProgressWindow::OnOpen() {
  const CSetMgr& settings = CSetMgr::Instance();
  OpenWithShell(settings.bPhotoGIF() ? settings.strGIFPath() : settings.strExportDir());
  done(QDialog::Rejected);
}
