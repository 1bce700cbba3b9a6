#include "ThumbnailWorker.h"

#include <algorithm>

#include "ThumbnailMaker.h"

ThumbnailWorker::ThumbnailWorker(Maker maker, int cacheEntries)
    : maker_(maker ? std::move(maker) : Maker(&MakeThumbnail)), cacheLimit_(std::max(1, cacheEntries)) {
  thread_.setObjectName(QStringLiteral("thumbnails"));
  moveToThread(&thread_);
  thread_.start(QThread::LowestPriority);
}

ThumbnailWorker::~ThumbnailWorker() {
  thread_.quit();
  thread_.wait();
}

void ThumbnailWorker::PostReplace(QList<ThumbRequest> requests) {
  QMetaObject::invokeMethod(this, [this, r = std::move(requests)]() mutable { replace(std::move(r)); },
                            Qt::QueuedConnection);
}

void ThumbnailWorker::PostForget(quint64 id) {
  QMetaObject::invokeMethod(this, [this, id] { forget(id); }, Qt::QueuedConnection);
}

void ThumbnailWorker::PostClearCache() {
  QMetaObject::invokeMethod(this, [this] { clearCache(); }, Qt::QueuedConnection);
}

void ThumbnailWorker::replace(QList<ThumbRequest> requests) {
  queue_.assign(std::make_move_iterator(requests.begin()), std::make_move_iterator(requests.end()));
  schedule();
}

void ThumbnailWorker::forget(quint64 id) {
  std::erase_if(queue_, [id](const ThumbRequest& r) { return r.id == id; });
  const auto it = std::find_if(cache_.begin(), cache_.end(), [id](const Cached& c) { return c.id == id; });
  if (it != cache_.end()) {
    cacheBytes_ -= it->bytes;
    cache_.erase(it);
  }
}

void ThumbnailWorker::clearCache() {
  queue_.clear();
  cache_.clear();
  cacheBytes_ = 0;
}

// One thumbnail per message, so that a Replace or Forget posted meanwhile is seen before the
// next one.
void ThumbnailWorker::schedule() {
  if (scheduled_ || queue_.empty()) return;
  scheduled_ = true;
  QMetaObject::invokeMethod(this, [this] { processOne(); }, Qt::QueuedConnection);
}

void ThumbnailWorker::processOne() {
  scheduled_ = false;
  if (queue_.empty()) return;
  const ThumbRequest request = std::move(queue_.front());
  queue_.pop_front();
  // A request for an entry that already holds a thumbnail (asked twice) makes nothing new.
  const bool cached = std::any_of(cache_.begin(), cache_.end(), [&](const Cached& c) { return c.id == request.id; });
  if (!cached) {
    while (!cache_.empty() && (int(cache_.size()) >= cacheLimit_ || cacheBytes_ >= kCacheBytes)) {
      const Cached oldest = cache_.front();
      cache_.pop_front();
      cacheBytes_ -= oldest.bytes;
      emit evicted(oldest.id);
    }
    const QImage thumbnail = maker_(request.filePath);
    const qint64 bytes = thumbnail.sizeInBytes();
    cache_.push_back({request.id, bytes});
    cacheBytes_ += bytes;
    emit made(request.id, thumbnail, !thumbnail.isNull());
  }
  schedule();
}
