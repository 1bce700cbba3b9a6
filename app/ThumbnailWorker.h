// The low-priority thread that makes the list's thumbnails. It owns its request queue and its
// cache of entries holding a thumbnail; the list talks to it only through queued calls
// (Replace, Forget, ClearCache) and hears back through queued signals (made, evicted).
#pragma once

#include <QImage>
#include <QList>
#include <QObject>
#include <QThread>
#include <deque>
#include <functional>

struct ThumbRequest {
  quint64 id = 0;
  QString filePath;
};

class ThumbnailWorker : public QObject {
  Q_OBJECT
 public:
  using Maker = std::function<QImage(const QString& filePath)>;
  static constexpr int kCacheEntries = 22500;
  // Thumbnails are at most 115 x 115 x 4 bytes; this also bounds the cache in bytes.
  static constexpr qint64 kCacheBytes = 512LL * 1024 * 1024;

  // Starts its thread at the lowest priority. maker defaults to MakeThumbnail.
  explicit ThumbnailWorker(Maker maker = {}, int cacheEntries = kCacheEntries);
  // Stops the thread after the thumbnail in hand (if any) and joins it.
  ~ThumbnailWorker() override;

  // From the user interface thread; each posts a message to the worker's thread.
  // Discards the pending requests and queues these (ThumbDropQueue + ThumbRequest...).
  void PostReplace(QList<ThumbRequest> requests);
  // The entry is gone: drop its pending request and its place in the cache.
  void PostForget(quint64 id);
  // The list was emptied: drop everything.
  void PostClearCache();

 signals:
  // Queued to the list: the thumbnail of the entry (null and ok false on failure).
  void made(quint64 id, QImage thumbnail, bool ok);
  // Queued to the list: the entry's thumbnail was pushed out of the cache.
  void evicted(quint64 id);

 private:
  // These run on the worker thread.
  void replace(QList<ThumbRequest> requests);
  void forget(quint64 id);
  void clearCache();
  void schedule();
  void processOne();

  struct Cached {
    quint64 id;
    qint64 bytes;
  };
  Maker maker_;
  int cacheLimit_;
  std::deque<ThumbRequest> queue_;
  std::deque<Cached> cache_;
  qint64 cacheBytes_ = 0;
  bool scheduled_ = false;
  QThread thread_;
};
