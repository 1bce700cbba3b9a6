// Computes the panel's size estimate on a worker thread, so that encoding a picture of up to
// 3000 x 3000 never freezes the window. One computation at a time; a request made meanwhile
// replaces any older waiting one, and only the newest figure is reported.
#pragma once

#include <QHash>
#include <QObject>
#include <functional>
#include <memory>
#include <optional>

class QThread;

class SizeEstimator : public QObject {
  Q_OBJECT
 public:
  // compute(width, quality) -> bytes; runs on the worker thread.
  using Compute = std::function<int(int width, int quality)>;
  explicit SizeEstimator(Compute compute, QObject* parent = nullptr);
  // Waits for a running computation (it cannot be interrupted).
  ~SizeEstimator() override;

  void Request(int width, int quality);
  bool Busy() const { return thread_ != nullptr; }

 signals:
  // On the owner's thread, for the newest request.
  void ready(int bytes, int width, int quality);

 private:
  struct Job {
    int width;
    int quality;
  };
  struct Mailbox {
    SizeEstimator* owner = nullptr;  // touched on the owner's thread only
  };
  void start(Job job);
  void finished(Job job, int bytes);

  Compute compute_;
  std::shared_ptr<Mailbox> mailbox_;
  std::unique_ptr<QThread> thread_;
  std::optional<Job> waiting_;
  // The figure depends on width and quality alone.
  QHash<quint64, int> known_;
};
