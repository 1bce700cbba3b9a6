#include "ExportJob.h"

#include <malloc.h>

#include <QCoreApplication>
#include <QThread>

#include <atomic>
#include <mutex>
#include <thread>
#include <vector>

#include "GifCollector.h"
#include "JobContext.h"
#include "SetMgr.h"
#include "ShowcasePrePass.h"
#include "StepChain.h"

QString ProgressText(int handed, int total) {
  return QStringLiteral("正在导出文件 ...\n\n已经完成 %1 个文件，共 %2 个文件。").arg(handed).arg(total);
}

QString CompletionText(const ExportSummary& summary) {
  if (summary.Cancelled())
    return QStringLiteral(" 已经导出 %1 个文件！").arg(summary.total - summary.remaining);
  // "All done" over pictures that were not written would report a failure as success: say how
  // many were exported and let the failure report below name the rest.
  if (!summary.failures.isEmpty() || (summary.showcase && !summary.gifWritten))
    return QStringLiteral(" 已经导出 %1 个文件！").arg(summary.showcase ? int(summary.gifWritten) : summary.written);
  return QStringLiteral(" %1 个文件全部导出完成！").arg(summary.total);
}

QString PrePassText() { return QStringLiteral("正在进行GIF预处理 ..."); }

QString FailureText(FailureKind kind) {
  switch (kind) {
    case FailureKind::None: return {};
    case FailureKind::Unreadable: return QStringLiteral("无法读取图片");
    case FailureKind::FrameMissing: return QStringLiteral("边框文件不存在");
    case FailureKind::WatermarkMissing: return QStringLiteral("水印图片不存在");
    case FailureKind::WriteFailed: return QStringLiteral("无法写入文件");
    case FailureKind::Other: break;
  }
  return QStringLiteral("处理失败");
}

struct ExportJob::Impl : RunObserver {
  ExportJob* job;
  PictureSource& source;
  int workers;

  std::mutex threadsLock;
  std::vector<std::thread> threads;
  std::atomic<int> running{0};  // workers not yet at the end of Work
  bool started = false;

  // Held only around the pre-pass, so it runs once and before any chain.
  std::mutex prePassLock;
  bool prePassDone = false;
  std::vector<PictureItem> items;  // the list as it was at the start, for the pre-pass

  mutable std::mutex summaryLock;
  ExportSummary summary;
  std::atomic<bool> completing{false};
  std::atomic<bool> finished{false};

  Impl(ExportJob* j, PictureSource& s, int n) : job(j), source(s), workers(n < 1 ? 1 : n) {}

  void OnItemDone(const PictureItem& item, FailureKind failure, const QString& detail,
                  const QString&) override {
    int total;
    {
      std::lock_guard guard(summaryLock);
      if (failure == FailureKind::None)
        ++summary.written;
      else
        summary.failures.push_back({item.OpenPath(), failure, detail});
      total = summary.total;
    }
    emit job->progress(total - source.Remaining(), total);
  }

  void OnAllWorkersDone() override { Complete(); }

  void Work() {
    {
      std::lock_guard guard(prePassLock);
      if (!prePassDone) {
        // Only a showcase reads what the pre-pass finds; other runs skip the extra decodes.
        if (CSetMgr::Instance().bPhotoGIF() == 1) {
          emit job->prePassStarted();
          ShowcasePrePass(items);
        } else {
          GifCollector::Instance().Reset({});
        }
        prePassDone = true;
      }
    }
    StepChain chain = BuildExportChain();
    chain.SetSource(&source);
    chain.Run();
    running.fetch_sub(1);
  }

  // After the last worker: the showcase GIF, the summary, memory back to the system.
  void Complete() {
    if (completing.exchange(true)) return;
    ExportSummary result;
    {
      std::lock_guard guard(summaryLock);
      result = summary;
    }
    result.remaining = source.Remaining();
    const CSetMgr& settings = CSetMgr::Instance();
    result.showcase = settings.bPhotoGIF() == 1;
    if (result.showcase) {
      if (!result.Cancelled()) {
        QString why;
        result.gifWritten = GifCollector::Instance().SaveAnimation(settings.strGIFPath(), &why);
        if (!result.gifWritten) result.gifError = why;
      }
      GifCollector::Instance().ReleaseAnimation();
    }
    // Nothing runs any more: a later preview must not find the flag still set.
    JobContext::Instance().cancel = 0;
    malloc_trim(0);
    {
      std::lock_guard guard(summaryLock);
      summary = result;
    }
    finished = true;
    emit job->finished(result);
  }

  void Join() {
    // A worker may be waiting for this thread to hand it a picture: keep answering.
    const QCoreApplication* app = QCoreApplication::instance();
    if (app && QThread::currentThread() == app->thread()) {
      while (running.load() > 0) {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::MetaCall);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
      }
    }
    std::vector<std::thread> started;
    {
      std::lock_guard guard(threadsLock);
      started.swap(threads);
    }
    for (std::thread& t : started) {
      if (!t.joinable()) continue;
      // A host that ends the job from a worker's own signal cannot wait for that worker.
      if (t.get_id() == std::this_thread::get_id())
        t.detach();
      else
        t.join();
    }
  }
};

ExportJob::ExportJob(PictureSource& source, int workers, QObject* parent)
    : QObject(parent), d_(std::make_unique<Impl>(this, source, workers)) {
  qRegisterMetaType<ExportSummary>();
}

ExportJob::~ExportJob() {
  blockSignals(true);
  if (!IsFinished()) Cancel();
  d_->Join();
  if (!IsFinished()) JobContext::Instance().cancel = 0;
}

void ExportJob::Start() {
  std::lock_guard guard(d_->threadsLock);
  if (d_->started) return;  // one run per job
  d_->started = true;
  const int total = d_->source.Count();
  {
    std::lock_guard summaryGuard(d_->summaryLock);
    d_->summary = ExportSummary{};
    d_->summary.total = total;
    d_->summary.remaining = total;
  }
  if (CSetMgr::Instance().bPhotoGIF() == 1) {
    for (int i = 0; i < total; ++i) {
      PictureItem item;
      if (!d_->source.ItemAt(i, item)) continue;
      item.index = i;
      d_->items.push_back(std::move(item));
    }
  }
  JobContext::Instance().cancel = 0;
  d_->source.Begin(d_->workers, d_.get());
  d_->running = d_->workers;
  for (int i = 0; i < d_->workers; ++i) d_->threads.emplace_back([this] { d_->Work(); });
}

void ExportJob::Cancel() { JobContext::Instance().cancel = 1; }

void ExportJob::Wait() {
  d_->Join();
  // Every worker has ended; a source that never reported that still gets its completion.
  if (d_->started) d_->Complete();
}

bool ExportJob::IsFinished() const { return d_->finished.load(); }

ExportSummary ExportJob::Summary() const {
  std::lock_guard guard(d_->summaryLock);
  return d_->summary;
}
