// The folder scan queue: folders are scanned one at a time, strictly in the order they were
// queued, on a thread of their own, breadth-first. What a scan finds is handed to the user
// interface thread in batches (the found signal), never appended from the scan thread.
#pragma once

#include <QObject>
#include <QStringList>
#include <atomic>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

#include "PictureListModel.h"

class FolderScanner : public QObject {
  Q_OBJECT
 public:
  // At most this many pictures reach the list per event-loop turn.
  static constexpr int kBatch = 500;

  explicit FolderScanner(QObject* parent = nullptr);
  // Cancels the running scan, forgets the waiting folders and joins the thread.
  ~FolderScanner() override;

  // Queues a folder; starts it now when no scan runs. The bSubDir setting is read when the
  // folder's scan starts.
  void Queue(const QString& folder);
  // True from Queue until the last queued folder is scanned and all it found was handed on.
  bool IsScanning() const { return scanning_; }
  // Stops the running scan and drops the waiting folders (what was found so far stays).
  void CancelAll();

 signals:
  // A batch of pictures, in the order found (user interface thread).
  void found(std::vector<FoundPicture> batch);
  // The last queued folder is done (user interface thread).
  void finished();

 private:
  void startNextLocked();
  void run(QString root, bool subFolders);
  void deliver(std::vector<FoundPicture>&& pictures);
  void flush();
  void scanEnded();
  void joinThread();

  // The scan lock: the waiting folders and the running flag.
  std::mutex scanLock_;
  std::deque<QString> waiting_;
  bool running_ = false;

  std::thread thread_;
  std::atomic<bool> cancel_{false};
  bool scanning_ = false;  // user interface thread only

  // Found pictures on their way to the user interface thread.
  std::mutex pendingLock_;
  std::vector<FoundPicture> pending_;
  bool flushPosted_ = false;
};
